#include "zones/mdlMain.h"

#include <algorithm>
#include <exception>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/ChangeRecord.h"
#include "platform/PrivateProfile.h"
#include "zones/mdlSecurityLevel.h"

namespace mv {

namespace {
// The count of changes made by other programs when the zone settings were
// last read into memory.
std::uint64_t& zoneSettingsReadAt() {
  static std::uint64_t at = 0;
  return at;
}
}  // namespace

void ResetPortSettingGlobals() {
  arrTrustedHighSettings.clear();
  arrTrustedMediumSettings.clear();
  arrInternetHighSettings.clear();
  arrInternetMediumSettings.clear();
  // As at the program's start: what memory holds counts as read at the
  // present count of other programs' changes, so only a later one makes a
  // window read the settings again.
  zoneSettingsReadAt() = platform::profileOutsideChanges();
}

namespace {

// Rows from this position on carry a port-list text.
constexpr size_t FirstDescribedRow = 8;
constexpr long HighestPort = 65535;

// A stored switch: on when it reads as a number other than 0; anything else,
// a text or a number too large to read included, counts as off.
std::uint8_t enabledValue(const std::string& stored) {
  try {
    return Val(stored) != 0 ? 1 : 0;
  } catch (const RuntimeError&) {
    return 0;
  }
}

// The fixed row sections of one zone and level: rows base + 1 .. base + rows.
struct LevelRows {
  std::vector<PortSettingRec>& target;
  int zone, level;
  long base;
  size_t rows;
};

// Gives `target` its `rows` elements, each row at its place, off and without
// ports until its stored row is read.
void startRows(const LevelRows& l) {
  l.target.assign(l.rows, PortSettingRec{});
  for (size_t i = 0; i < l.rows; ++i) {
    l.target[i].Position = CByte(static_cast<double>(i));
    if (i >= FirstDescribedRow) l.target[i].Description = strNoneSelected;
  }
}

// Puts one stored row into its place. A row is found by its section, never by
// where it stands among the rows of its zone and level: a row whose Zone or
// Level value does not fit its section keeps its own place (and is logged),
// so it can never shift another row into a meaning that is not its own.
void placeRow(const LevelRows& l, long section, const std::vector<std::string>& values) {
  PortSettingRec& rec = l.target[static_cast<size_t>(section - l.base - 1)];
  if (values.size() < 4) return;
  if (values[0] != std::to_string(l.zone) || values[1] != std::to_string(l.level))
    WriteErrorLog("Row " + FormatNumber(section, "0000") + " holds Zone " + values[0] + ", Level " + values[1] +
                      "; read as the row of its section",
                  "Init_Read_PortSetting of mdlMain");
  rec.Enabled = enabledValue(values[2]);
  if (rec.Position >= FirstDescribedRow && !values[3].empty()) rec.Description = values[3];
}

// The number of a four-digit row section, 0 for any other name.
long sectionNumber(const std::string& name) {
  if (name.size() != 4 || name.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stol(name);
}

}  // namespace

void ReadZoneSettings() {
  // Both files are read while no other program changes them.
  platform::FolderWriteLock lock;
  Init_Read_PortSetting();
  ReadZoneLevels();
  zoneSettingsReadAt() = platform::profileOutsideChanges();
}

bool ZoneSettingsOlderThan(std::uint64_t seen) { return zoneSettingsReadAt() != seen; }

void Init_Read_PortSetting() {
  ErrorBoundary("Init_Read_PortSetting of mdlMain", [&] {
    const LevelRows lists[] = {{arrTrustedMediumSettings, 2, 2, 0, MediumSettingRows},
                               {arrTrustedHighSettings, 2, 3, 12, HighSettingRows},
                               {arrInternetMediumSettings, 3, 2, 25, MediumSettingRows},
                               {arrInternetHighSettings, 3, 3, 37, HighSettingRows}};
    for (const auto& l : lists) startRows(l);
    Read_TableData(Database_PortSetting, "Zone,Level,Enabled,Description", "");
    const long hits = arrQueryResult[0].Count;
    // A row section that stands twice is read as the store reads and writes
    // it: the first one; a later one would undo every change made to it.
    std::vector<bool> placed(static_cast<size_t>(lists[3].base) + lists[3].rows + 1, false);
    for (long i = 0; i < hits; ++i) {
      const QueryRow& hit = arrQueryResult[static_cast<size_t>(i)];
      const long section = sectionNumber(hit.RowSection);
      if (section <= 0 || section >= static_cast<long>(placed.size())) continue;
      if (placed[static_cast<size_t>(section)]) {
        WriteErrorLog("Row " + hit.RowSection + " stands twice; the first is read", "Init_Read_PortSetting of mdlMain");
        continue;
      }
      placed[static_cast<size_t>(section)] = true;
      for (const auto& l : lists)
        if (section > l.base && section <= l.base + static_cast<long>(l.rows)) placeRow(l, section, hit.Values);
    }
  });
}

namespace {

// Blanks around a part and the comma that ends an item are not part of it.
std::string numberText(std::string part) {
  if (!part.empty() && part.back() == ',') part.pop_back();
  return Trim(part);
}

// The part as a whole decimal number; 0 when it is not one (empty, letters,
// a second "-", too large for the field).
std::int32_t wholeNumber(const std::string& part) {
  std::string t = numberText(part);
  if (t.empty() || t.size() > 10) return 0;
  long long v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  return v > 2147483647LL ? 0 : static_cast<std::int32_t>(v);
}

// The value of the part's leading digits, held at a ceiling far above any port.
long long leadingValue(const std::string& part) {
  std::string t = numberText(part);
  long long v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') break;
    if (v < 1000000000LL) v = v * 10 + (c - '0');
  }
  return v;
}

// A port number: a part whose leading digits pass the highest port is read
// from its first five characters only.
std::int32_t portNumber(const std::string& part) {
  if (leadingValue(part) > HighestPort) return wholeNumber(numberText(part).substr(0, 5));
  return wholeNumber(part);
}

PortRangePair parseItem(const std::string& item) {
  PortRangePair pair;
  auto dash = item.find('-');
  if (dash == std::string::npos) {
    pair.From = portNumber(item);
    return pair;
  }
  pair.From = wholeNumber(item.substr(0, dash));
  std::string last = item.substr(dash + 1);
  if (!numberText(last).empty()) pair.To = portNumber(last);
  return pair;
}

}  // namespace

std::vector<PortRangePair> ParsePortList(const std::string& text) {
  std::vector<PortRangePair> pairs;
  size_t start = 0;
  bool last = false;
  while (!last) {
    std::string item;
    auto comma = text.find(',', start);
    if (comma != std::string::npos) {
      item = text.substr(start, comma - start + 1);
      start = comma + 1;
      last = start >= text.size();
    } else {
      item = text.substr(start);
      last = true;
    }
    if (!item.empty()) pairs.push_back(parseItem(item));
  }
  if (pairs.empty()) pairs.push_back(PortRangePair{});
  return pairs;
}

std::string CheckDisplay(const std::string& text) {
  if (text.empty()) return "";
  std::string shown;
  for (const auto& p : ParsePortList(text)) {
    // A port above the highest port number is never shown, so it is never
    // stored or turned into a rule.
    if (p.From > HighestPort || p.To > HighestPort) continue;
    std::string piece;
    if (p.To < 1)
      piece = std::to_string(p.From);
    else if (p.From >= 1 && p.From > p.To)
      piece = std::to_string(p.To) + "-" + std::to_string(p.From);
    else
      piece = std::to_string(p.From) + "-" + std::to_string(p.To);
    if (!shown.empty()) shown += ", ";
    shown += piece;
  }
  return shown;
}

}  // namespace mv
