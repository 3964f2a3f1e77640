#pragma once
// The custom rows of the Medium and High security levels in memory, and the
// port-list text: its parsing into port pairs and its normalised display form.
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

// One custom row of one zone and level.
struct PortSettingRec {
  std::uint8_t Position = 0;  // 0-based position within its zone and level
  std::uint8_t Enabled = 0;   // 1 = switched on
  std::string Description;    // rows 8 and above: the port-list text or "(none selected)"
};

// One item of a port list: a single port is (port, 0), a range (first, last)
// as typed.
struct PortRangePair {
  std::int32_t From = 0;
  std::int32_t To = 0;
};

// Rows each list of custom settings has: 13 on High, 12 on Medium.
constexpr size_t HighSettingRows = 13;
constexpr size_t MediumSettingRows = 12;
// Description of a port row without ports.
inline const std::string strNoneSelected = "(none selected)";

// The custom rows, filled at start-up and edited by the custom settings editor.
inline std::vector<PortSettingRec> arrTrustedHighSettings;
inline std::vector<PortSettingRec> arrTrustedMediumSettings;
inline std::vector<PortSettingRec> arrInternetHighSettings;
inline std::vector<PortSettingRec> arrInternetMediumSettings;

// Empties the four arrays and takes the zone settings in memory as read now,
// as at the program's start (ZoneSettingsOlderThan).
void ResetPortSettingGlobals();

// Fills the four arrays from the port-setting table.
void Init_Read_PortSetting();
// Reads the zones' custom settings and levels into memory from the files,
// together, while the folder's lock is held: at the start, and when a window
// that another program's change overtook shows them again.
void ReadZoneSettings();
// True when the zone settings in memory were read before the files reached
// the state a window's mark (SettingsSeenNow) stands for: another program
// changed them since, and a window showing them reads them again first.
bool ZoneSettingsOlderThan(std::uint64_t seen);

// The items of a port-list text ("80, 1000-2000") as pairs; never empty.
std::vector<PortRangePair> ParsePortList(const std::string& text);

// The port list in its display form: items joined by ", ", ranges low to high.
std::string CheckDisplay(const std::string& text);

}  // namespace mv
