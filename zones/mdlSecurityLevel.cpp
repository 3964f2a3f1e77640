#include "zones/mdlSecurityLevel.h"

#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"

namespace mv {

namespace {
bool isLevel(int level) { return level >= 1 && level <= 3; }
}  // namespace

std::string LevelName(int level) {
  switch (level) {
    case 1: return "Low :";
    case 2: return "Medium :";
    case 3: return "High :";
    default: return "";
  }
}

std::string LevelDescription(long zone, int level) {
  switch (level) {
    case 1: return "Caution! Firewall is off.";
    case 2:
      return zone == InternetZone
                 ? "Visible but protected mode: Computers can see your computer but cannot share its resources. "
                   "Incoming NetBIOS is blocked. This settings is recommended for Temporary use in Internet Zone."
                 : "Sharing Mode: Computers can see your computer and share its resources.This settings is "
                   "recommended for Trusted Zone.";
    case 3:
      return "Stealth Mode: Your computer is hidden and protected from hackers. Sharing is not allowed. This "
             "settings is recommended for " +
             std::string(zone == InternetZone ? "Internet Zone." : "Internet zone.");
    default: return "";
  }
}

void ReadZoneLevels() {
  auto stored = [](long zone) {
    try {
      return static_cast<int>(CInt(Val(GetMasterValue(SelectedLevel, std::to_string(zone), ""))));
    } catch (const RuntimeError&) {
      return 0;
    }
  };
  intInternetZoneLevel = stored(InternetZone);
  intTrustedZoneLevel = stored(TrustedZone);
}

bool StoreZoneLevel(long zone, int level) { return SetMasterValue(SelectedLevel, std::to_string(zone), std::to_string(level)); }

bool StoreZoneLevels(int internetLevel, int trustedLevel) {
  return SetMasterValues(SelectedLevel, {{std::to_string(InternetZone), std::to_string(internetLevel)},
                                         {std::to_string(TrustedZone), std::to_string(trustedLevel)}});
}

bool RepairZoneLevels() {
  bool repaired = false;
  if (!isLevel(intInternetZoneLevel)) {
    WriteErrorLog("Stored Internet zone level " + std::to_string(intInternetZoneLevel) + " is not 1 to 3; High is used",
                  "RepairZoneLevels of mdlSecurityLevel");
    intInternetZoneLevel = 3;
    // The level in use is safe either way; one that cannot be stored (logged)
    // is repaired again at the next start.
    static_cast<void>(StoreZoneLevel(InternetZone, intInternetZoneLevel));
    repaired = true;
  }
  if (!isLevel(intTrustedZoneLevel)) {
    WriteErrorLog("Stored Trusted zone level " + std::to_string(intTrustedZoneLevel) +
                      " is not 1 to 3; the Internet zone level is used",
                  "RepairZoneLevels of mdlSecurityLevel");
    intTrustedZoneLevel = intInternetZoneLevel;
    static_cast<void>(StoreZoneLevel(TrustedZone, intTrustedZoneLevel));
    repaired = true;
  }
  return repaired;
}

}  // namespace mv
