#pragma once
// The security levels of the Trusted and the Internet zone: their names and
// descriptions, their stored keys, and the repair of a stored level that is
// not a level.
#include <string>

#include "zones/ZoneLevels.h"

namespace mv {

constexpr long TrustedZone = 2;
constexpr long InternetZone = 3;

// "Low :", "Medium :", "High :".
std::string LevelName(int level);
// The description of the level for the zone (2 Trusted, 3 Internet).
std::string LevelDescription(long zone, int level);

// Reads both zones' stored levels into memory; a value that is not a
// number reads as 0 (no level).
void ReadZoneLevels();

// Stores the zone's level in the master file (key: the zone code); false
// when the file could not be written.
[[nodiscard]] bool StoreZoneLevel(long zone, int level);
// Stores both zones' levels in one write; false when it could not be made.
[[nodiscard]] bool StoreZoneLevels(int internetLevel, int trustedLevel);

// A stored level outside 1 to 3 becomes High for the Internet zone and the
// Internet level for the Trusted zone; each repair is logged. True when a
// level was repaired.
bool RepairZoneLevels();

}  // namespace mv
