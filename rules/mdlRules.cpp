#include "rules/mdlRules.h"

#include <map>
#include <memory>
#include <tuple>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/PrivateProfile.h"
#include "rules/mdlDefineRules.h"
#include "zones/mdlCustomSettings.h"

namespace mv {

namespace {
struct PortListSource {
  long zone, level, portType;
  PortList* list;
};

// A port value as stored: decimal digits, blanks around them allowed.
bool isStoredNumber(const std::string& value) {
  std::string t = Trim(value);
  if (t.empty()) return false;
  for (char c : t)
    if (c < '0' || c > '9') return false;
  return true;
}

void loadPorts(long table, long zone, long level, long portType, PortList& list, const char* where) {
  list.assign(1, PortPair{0, 0});
  ErrorBoundary(where, [&] {
    Read_TableData(table, "PortFrom,PortTo,ID",
                   "Zone=" + std::to_string(zone) + " && Level=" + std::to_string(level) +
                       " && PortType=" + std::to_string(portType));
    long n = arrQueryResult[0].Count;
    list.assign(static_cast<size_t>(n > 0 ? n : 1), PortPair{0, 0});
    for (long i = 0; i < n; ++i) {
      const auto& hit = arrQueryResult[static_cast<size_t>(i)];
      const std::string& from = hit.Values.at(0);
      const std::string& to = hit.Values.at(1);
      // A range stands for the port row its ID names: one that names another
      // zone, level, direction or protocol (a row moved by hand) gives no
      // rule, so it never opens or blocks ports for a list it is not shown in.
      const auto owner = PortRowOfSection(Trim(hit.Values.at(2)));
      if (!owner || owner->table != table || owner->zone != zone || owner->level != level ||
          owner->portType != portType) {
        WriteErrorLog("Port row " + hit.RowSection + " holds Zone " + std::to_string(zone) + ", Level " +
                          std::to_string(level) + ", PortType " + std::to_string(portType) + " for custom row " +
                          hit.Values.at(2) + ", which is no such port row of this table; no rule",
                      where);
        continue;
      }
      auto refused = [&] { WriteErrorLog("Port refused (" + from + "-" + to + ") in row " + hit.RowSection, where); };
      // A stored value that is not a number ends the list at that row: the
      // rows before it stay, and no rule is written for a port read as 0.
      if (!isStoredNumber(from) || !isStoredNumber(to)) {
        refused();
        break;
      }
      // A number that is no port (0, above 65535) or a range from high to
      // low gives no rule: the row stays 0, the rows after it keep theirs.
      const std::int32_t low = ValLng(from), high = ValLng(to);
      if (low < 1 || high > 65535 || low > high) {
        refused();
        continue;
      }
      list[static_cast<size_t>(i)][0] = low;
      list[static_cast<size_t>(i)][1] = high;
    }
  });
}
}  // namespace

void InitRuleDictionaries() {
  for (PortList* l : {&arrTCPInternetMediumOut, &arrTCPInternetMediumIn, &arrTCPInternetHighOut,
                      &arrTCPInternetHighIn, &arrTCPTrustedMediumOut, &arrTCPTrustedMediumIn,
                      &arrTCPTrustedHighOut, &arrTCPTrustedHighIn, &arrUDPInternetMediumOut,
                      &arrUDPInternetMediumIn, &arrUDPInternetHighOut, &arrUDPInternetHighIn,
                      &arrUDPTrustedMediumOut, &arrUDPTrustedMediumIn, &arrUDPTrustedHighOut,
                      &arrUDPTrustedHighIn})
    l->assign(1, PortPair{0, 0});
}

void LoadTCPPorts(long zone, long level, long portType, PortList& list) {
  loadPorts(Database_TCPPorts, zone, level, portType, list, "LoadTCPPorts of mdlRules");
}

void LoadUDPPorts(long zone, long level, long portType, PortList& list) {
  loadPorts(Database_UDPPorts, zone, level, portType, list, "LoadUDPPorts of mdlRules");
}

namespace {
// A list as the last query made it, with the pictures of the files it was
// read from (the table and its column names): while they are the files'
// current pictures, the same query gives the same list, and the rows are not
// unscrambled again.
struct LoadedList {
  std::shared_ptr<const platform::ProfileData> rows, columns;
  std::vector<std::string> list;
};
std::map<std::tuple<long, std::string, std::string>, LoadedList>& loadedLists() {
  static std::map<std::tuple<long, std::string, std::string>, LoadedList> lists;
  return lists;
}
}  // namespace

void LoadArrayList(long table, const std::string& columns, const std::string& where,
                   std::vector<std::string>& list) {
  auto rows = platform::profileRead(TableFile(table));
  auto names = platform::profileRead(MasterFile());
  auto& loaded = loadedLists();
  const auto key = std::make_tuple(table, columns, where);
  auto known = loaded.find(key);
  if (known != loaded.end() && known->second.rows == rows && known->second.columns == names) {
    list = known->second.list;
    return;
  }
  if (known != loaded.end()) loaded.erase(known);
  const bool read = ErrorBoundary("LoadArrayList of Module mdlDefineRules", [&] {
    Read_TableData(table, columns, where);
    long n = arrQueryResult[0].Count;
    list.assign(static_cast<size_t>(n > 0 ? n : 1), std::string());
    for (long i = 0; i < n; ++i) {
      const auto& hit = arrQueryResult[static_cast<size_t>(i)];
      const std::string& a = hit.Values.at(0);
      const std::string& b = hit.Values.at(1);
      list[static_cast<size_t>(i)] = LCase(a) != LCase(b) ? a + "!" + b : a;
    }
  });
  // Kept when the files did not change while they were read.
  if (read && platform::profileRead(TableFile(table)) == rows && platform::profileRead(MasterFile()) == names)
    loaded[key] = LoadedList{rows, names, list};
}

bool LoadBlockingRules(bool bBlockAll) {
  return ErrorBoundary("LoadBlockingRules of mdlRules", false, [&] {
    // Once the shut-down has begun the engine is not started again.
    if (blnShuttingDown) return false;
    // The lists are read under the lock the writer holds until the rule file
    // is replaced, so they and the file come from one state of the settings.
    return AddRulesToINI(bBlockAll, false, [] {
      return ErrorBoundary("LoadBlockingRules of mdlRules", [] {
        InitRuleDictionaries();
        if (blnZoneDataChanged) {
          LoadArrayList(Database_IPAddress, "IPAddressFrom,IPAddressTo", "zone=1", arrBlockedEntries);
          LoadArrayList(Database_IPAddress, "IPAddressFrom,IPAddressTo", "Zone=2", arrTrustedEntries);
          blnZoneDataChanged = false;
        }
        const PortListSource tcp[] = {
            {3, 2, 1, &arrTCPInternetMediumOut}, {3, 2, 2, &arrTCPInternetMediumIn},
            {3, 3, 1, &arrTCPInternetHighOut},   {3, 3, 2, &arrTCPInternetHighIn},
            {2, 2, 1, &arrTCPTrustedMediumOut},  {2, 2, 2, &arrTCPTrustedMediumIn},
            {2, 3, 1, &arrTCPTrustedHighOut},    {2, 3, 2, &arrTCPTrustedHighIn}};
        const PortListSource udp[] = {
            {3, 2, 1, &arrUDPInternetMediumOut}, {3, 2, 2, &arrUDPInternetMediumIn},
            {3, 3, 1, &arrUDPInternetHighOut},   {3, 3, 2, &arrUDPInternetHighIn},
            {2, 2, 1, &arrUDPTrustedMediumOut},  {2, 2, 2, &arrUDPTrustedMediumIn},
            {2, 3, 1, &arrUDPTrustedHighOut},    {2, 3, 2, &arrUDPTrustedHighIn}};
        for (const auto& s : tcp) LoadTCPPorts(s.zone, s.level, s.portType, *s.list);
        for (const auto& s : udp) LoadUDPPorts(s.zone, s.level, s.portType, *s.list);
      });
    });
  });
}

}  // namespace mv
