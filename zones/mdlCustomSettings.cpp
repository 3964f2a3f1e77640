#include "zones/mdlCustomSettings.h"

#include <exception>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"

namespace mv {

namespace {

constexpr long HighestPort = 65535;

// The first section number of each list's rows, less one.
long sectionBase(CustomList list) {
  switch (list) {
    case CustomList::MediumTrusted: return 0;
    case CustomList::HighTrusted: return 12;
    case CustomList::MediumInternet: return 25;
    case CustomList::HighInternet: return 37;
  }
  return 0;
}

// Protocol (0 TCP, 1 UDP) and port type (1 out, 2 in) of a port row.
struct PortRowKind {
  long protocol, portType;
};
PortRowKind portRowKind(CustomList list, int row) {
  static const PortRowKind kinds[] = {{1, 2}, {1, 1}, {0, 2}, {0, 1}};
  int first = IsHighList(list) ? 10 : 9;
  return kinds[row - first];
}

// A write that did not reach its file ends the save instead of passing for
// stored.
void require(bool stored, long table) {
  if (!stored) throw RuntimeError(75, FileAccessErrorText(TableFile(table)));
}

void storeColumn(long table, const std::string& section, const std::string& column, const std::string& value) {
  require(WriteColumnValue(table, section, column, value), table);
}

bool validPort(long p) { return p >= 1 && p <= HighestPort; }

// Whether a number written in the text passes the highest port. The pairs
// read a number that long from its first five digits only, so "100000"
// would pass for port 10000; the digits as typed decide instead.
bool writesNumberAboveHighestPort(const std::string& text) {
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      value = 0;
      continue;
    }
    value = value * 10 + (c - '0');
    if (value > HighestPort) return true;
  }
  return false;
}

}  // namespace

const std::vector<std::string>& HighRowTexts() {
  static const std::vector<std::string> rows = {
      "Allow outgoing DNS (UDP Port 53)", "Allow outgoing DHCP (UDP Port 67)", "Allow broadcast/multicast",
      "Allow incoming ping (ICMP Echo)",  "Allow other incoming ICMP",         "Allow outgoing ping (ICMP Echo)",
      "Allow other outgoing ICMP",        "Allow incoming IGMP",               "Allow outgoing IGMP",
      "Allow incoming UDP ports:",        "Allow outgoing UDP ports:",         "Allow incoming TCP ports:",
      "Allow outgoing TCP ports:"};
  return rows;
}

const std::vector<std::string>& MediumRowTexts() {
  static const std::vector<std::string> rows = {
      "Block incoming NetBIOS (ports 135,137-9,445)", "Block outgoing NetBIOS (ports 135,137-9,445)",
      "Block incoming ping (ICMP Echo)",              "Block other incoming ICMP",
      "Block outgoing ping (ICMP Echo)",              "Block other outgoing ICMP",
      "Block incoming IGMP",                          "Block outgoing IGMP",
      "Block incoming UDP ports:",                    "Block outgoing UDP ports:",
      "Block incoming TCP ports:",                    "Block outgoing TCP ports:"};
  return rows;
}

bool IsHighList(CustomList list) { return list == CustomList::HighTrusted || list == CustomList::HighInternet; }

const std::vector<std::string>& RowTexts(CustomList list) { return IsHighList(list) ? HighRowTexts() : MediumRowTexts(); }

long ListZone(CustomList list) {
  return list == CustomList::HighTrusted || list == CustomList::MediumTrusted ? 2 : 3;
}

long ListLevel(CustomList list) { return IsHighList(list) ? 3 : 2; }

bool IsPortRow(CustomList list, int row) {
  int first = IsHighList(list) ? 10 : 9;
  return row >= first && row <= first + 3;
}

std::vector<PortSettingRec>& SettingsOf(CustomList list) {
  switch (list) {
    case CustomList::HighTrusted: return arrTrustedHighSettings;
    case CustomList::MediumTrusted: return arrTrustedMediumSettings;
    case CustomList::HighInternet: return arrInternetHighSettings;
    case CustomList::MediumInternet: break;
  }
  return arrInternetMediumSettings;
}

std::optional<PortRowOwner> PortRowOfSection(const std::string& section) {
  if (section.size() != 4 || section.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const long number = std::stol(section);
  for (CustomList list : {CustomList::MediumTrusted, CustomList::HighTrusted, CustomList::MediumInternet,
                          CustomList::HighInternet}) {
    const long row = number - sectionBase(list);
    if (row < 1 || row > static_cast<long>(RowTexts(list).size())) continue;
    if (!IsPortRow(list, static_cast<int>(row))) return std::nullopt;
    const PortRowKind kind = portRowKind(list, static_cast<int>(row));
    return PortRowOwner{kind.protocol == 0 ? Database_TCPPorts : Database_UDPPorts, ListZone(list), ListLevel(list),
                        kind.portType};
  }
  return std::nullopt;
}

std::vector<CustomRow> LoadCustomRows(CustomList list) {
  const auto& texts = RowTexts(list);
  std::vector<CustomRow> rows(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) rows[i].Text = texts[i];
  const auto& settings = SettingsOf(list);
  const size_t firstPort = IsHighList(list) ? 9 : 8;
  // Elements beyond the list's rows have no row to show.
  for (size_t k = 0; k < settings.size() && k < rows.size(); ++k) {
    rows[k].Checked = settings[k].Enabled != 0;
    if (k >= firstPort) rows[k].Text += settings[k].Description;
  }
  return rows;
}

std::string PortsOfRow(const std::string& text) {
  auto colon = text.find(':');
  return colon == std::string::npos ? std::string() : text.substr(colon + 1);
}

std::string WithPorts(const std::string& text, const std::string& ports) {
  auto colon = text.find(':');
  return (colon == std::string::npos ? text : text.substr(0, colon + 1)) + ports;
}

void ResetCustomDefaults(std::vector<CustomRow>& high, std::vector<CustomRow>& medium, bool internet) {
  for (auto* list : {&high, &medium})
    for (auto& row : *list)
      if (row.Checked) {
        row.Checked = false;
        row.Tag = true;
      }
  for (size_t i = 0; i < 3 && i < high.size(); ++i) high[i].Checked = high[i].Tag = true;
  if (internet && !medium.empty()) medium[0].Checked = medium[0].Tag = true;
}

bool PortKeyPasses(const std::string& boxText, int key) {
  const bool digit = key >= '0' && key <= '9';
  const bool separator = key == ',' || key == '-';
  const bool backspace = key == 8;
  if (!digit && !separator && !backspace) return false;
  if (boxText.empty()) return digit || backspace;
  const char last = boxText.back();
  if (last == ',' || last == '-') return digit;
  return true;
}

std::string PortListProblem(const std::string& ports) {
  std::string p = Trim(ports);
  if (p.empty() || p == strNoneSelected) return "";
  bool valid = !writesNumberAboveHighestPort(p);
  for (const auto& pair : ParsePortList(p))
    if (!validPort(pair.From) || (pair.To != 0 && !validPort(pair.To))) valid = false;
  return valid ? "" : "Ports must be numbers from 1 to 65535: \"" + p + "\" was not saved.";
}

bool SavePorts(long zone, long level, const std::string& rowText, long protocol, long portType,
               const std::string& rowSection, bool checked) {
  const long table = protocol == 0 ? Database_TCPPorts : Database_UDPPorts;
  const std::string ports = Trim(PortsOfRow(rowText));
  const bool none = ports == strNoneSelected;
  // The old ranges, the new ones with their counter, the text and the tick
  // are stored together: a row is never left with half of its ranges.
  return StoreTogether([&] {
    return ErrorBoundary("SavePorts of frmCustomFirewallSettings", false, [&] {
      require(Delete_TableData(table, "ID=" + rowSection, "ID"), table);
      if (checked && !none) {
        for (const auto& pair : ParsePortList(ports)) {
          if (pair.From < 1) continue;
          const long to = pair.To >= 1 ? pair.To : pair.From;
          require(Write_MorvantisNewData(table, getNextLineNo(table),
                                         {std::to_string(zone), std::to_string(level), std::to_string(portType),
                                          std::to_string(pair.From), std::to_string(to), rowSection},
                                         true),
                  table);
        }
      }
      storeColumn(Database_PortSetting, rowSection, "Description", none ? "" : ports);
      storeColumn(Database_PortSetting, rowSection, "Enabled", checked ? "1" : "0");
      return true;
    });
  });
}

bool SaveChanges(const std::vector<CustomListEdit>& lists) {
  static const CustomList order[] = {CustomList::HighInternet, CustomList::MediumInternet, CustomList::HighTrusted,
                                     CustomList::MediumTrusted};
  // A port row with a port that is not a port stops the save before
  // anything is stored, so no part of it reaches the tables.
  for (const auto& edit : lists) {
    if (!edit.changed) continue;
    for (size_t i = 0; i < edit.rows->size(); ++i) {
      const CustomRow& row = (*edit.rows)[i];
      if (!row.Tag || !IsPortRow(edit.list, static_cast<int>(i + 1))) continue;
      std::string problem = PortListProblem(PortsOfRow(row.Text));
      if (!problem.empty()) {
        platform::MsgBox(problem, platform::vbInformation, AppTitle);
        return false;
      }
    }
  }
  // The marked rows, in the order they are stored.
  struct Marked {
    CustomList list;
    int rowNo;
    CustomRow* row;
    PortSettingRec* setting;
  };
  std::vector<Marked> marked;
  // Every marked row, its ranges and the tables' counters are stored
  // together or not at all, whenever the program ends.
  const bool stored = StoreTogether([&] {
    return ErrorBoundary("SaveChanges of frmCustomFirewallSettings", false, [&] {
      for (CustomList list : order) {
        for (const auto& edit : lists) {
          if (edit.list != list || !edit.changed) continue;
          for (size_t i = 0; i < edit.rows->size(); ++i) {
            CustomRow& row = (*edit.rows)[i];
            if (!row.Tag) continue;
            const int rowNo = static_cast<int>(i + 1);
            const std::string section = FormatNumber(static_cast<long long>(rowNo + sectionBase(list)), "0000");
            if (IsPortRow(list, rowNo)) {
              const PortRowKind kind = portRowKind(list, rowNo);
              if (!SavePorts(ListZone(list), ListLevel(list), row.Text, kind.protocol, kind.portType, section,
                             row.Checked))
                return false;
            } else {
              storeColumn(Database_PortSetting, section, "Enabled", row.Checked ? "1" : "0");
            }
            marked.push_back({list, rowNo, &row, &SettingsOf(list).at(i)});
          }
        }
      }
      return true;
    });
  });
  if (!stored) {
    // Nothing was stored: memory is left as the files hold it, and every
    // row stays marked on screen for another try.
    platform::MsgBox("The custom security settings could not all be saved" + NotSavedPlace(LastFailedWriteFile()) +
                         ". Your changes are kept on screen.",
                     platform::vbExclamation, AppTitle);
    return false;
  }
  for (const Marked& m : marked) {
    m.setting->Enabled = m.row->Checked ? 1 : 0;
    if (IsPortRow(m.list, m.rowNo)) {
      const std::string ports = Trim(PortsOfRow(m.row->Text));
      if (ports != strNoneSelected) m.setting->Description = ports;
    }
    m.row->Tag = false;
  }
  return true;
}

}  // namespace mv
