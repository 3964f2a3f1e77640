#pragma once
// Detection of the computer's own local networks at start-up: each becomes a
// zone entry of type "Network" in the Trusted zone.
#include <string>

#include "platform/Network.h"

namespace mv {

// The rows reserved for detected networks in Database_SubnetSetting and
// Database_IPAddress: "0001" to "0005".
constexpr long kMaxDetectedNetworks = 5;

// Looks at the first five local addresses in the system's order and writes
// each one that is neither 0.0.0.0 nor 127.0.0.1 as subnet row n ("0001"...)
// named "New Network n", Trusted, with a new ID, and then the address rows of
// all of them. Start-up deletes rows 0001 to 0005 of both tables first.
void DetectActiveNetwork();

// Four address bytes, in memory order, as dotted text.
std::string IPToString(const platform::IPv4Bytes& bytes);

}  // namespace mv
