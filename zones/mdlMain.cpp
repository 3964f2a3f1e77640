#include "zones/mdlMain.h"

#include <algorithm>
#include <exception>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"

namespace mv {

void ResetPortSettingGlobals() {
  arrTrustedHighSettings.clear();
  arrTrustedMediumSettings.clear();
  arrInternetHighSettings.clear();
  arrInternetMediumSettings.clear();
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

// Reads one zone and level into `target`, which always gets at least
// `rows` elements so that the editor and the rule writer find every row.
void readLevelRows(std::vector<PortSettingRec>& target, int zone, int level, size_t rows) {
  Read_TableData(Database_PortSetting, "Enabled,Description",
                 "zone=" + std::to_string(zone) + " && Level=" + std::to_string(level));
  size_t hits = static_cast<size_t>(std::max<long>(arrQueryResult[0].Count, 0));
  std::vector<PortSettingRec> filled(std::max(rows, hits));
  for (size_t i = 0; i < filled.size(); ++i) {
    PortSettingRec& rec = filled[i];
    rec.Position = CByte(static_cast<double>(i));
    std::string description;
    if (i < hits) {
      const auto& values = arrQueryResult[i].Values;
      if (!values.empty()) rec.Enabled = enabledValue(values[0]);
      if (values.size() > 1) description = values[1];
    }
    if (i >= FirstDescribedRow) rec.Description = description.empty() ? strNoneSelected : description;
  }
  target = std::move(filled);
}

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

void Init_Read_PortSetting() {
  ErrorBoundary("Init_Read_PortSetting of mdlMain", [&] {
    readLevelRows(arrTrustedHighSettings, 2, 3, HighSettingRows);
    readLevelRows(arrInternetHighSettings, 3, 3, HighSettingRows);
    readLevelRows(arrTrustedMediumSettings, 2, 2, MediumSettingRows);
    readLevelRows(arrInternetMediumSettings, 3, 2, MediumSettingRows);
  });
}

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
