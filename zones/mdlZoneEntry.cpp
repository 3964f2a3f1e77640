#include "zones/mdlZoneEntry.h"

#include <algorithm>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"

namespace mv {

namespace {
constexpr int kBackspace = 8;

std::string whereID(const std::string& id) { return "ID=" + id; }
}  // namespace

void ResetZoneEntryGlobals() {
  strEditEntryID.clear();
  blnEditActiveNetwork = false;
}

long GetIPTypeCode(const std::string& strTypeName) {
  return static_cast<long>(Val(GetMasterValue(IPTypeMaster, UCase(strTypeName), "1")));
}

long EntryTable(long lngIPType) {
  switch (lngIPType) {
    case ipHostName: return Database_HostSetting;
    case ipAddress: return Database_IPSetting;
    case ipRange: return Database_IPRangeSetting;
    case ipSubnet:
    case ipNetwork: return Database_SubnetSetting;
    default: return -1;
  }
}

std::string EditColumns(long lngIPType) {
  switch (lngIPType) {
    case ipHostName: return "HostName,Name";
    case ipAddress: return "IP,Name";
    case ipRange: return "IPFrom,IPTo,Name";
    case ipSubnet:
    case ipNetwork: return "IP,SubnetMask,Name";
    default: return "";
  }
}

std::optional<std::vector<std::string>> ReadZoneEntry(long lngIPType, const std::string& strID) {
  const long table = EntryTable(lngIPType);
  if (table < 0 || strID.empty()) return std::nullopt;
  Read_TableData(table, EditColumns(lngIPType), whereID(strID));
  if (arrQueryResult[0].Count < 1) return std::nullopt;
  return arrQueryResult[0].Values;
}

std::vector<std::string> StoredAddresses(const std::string& strID) {
  std::vector<std::string> addresses;
  Read_TableData(Database_IPAddress, "IPAddressFrom", whereID(strID));
  for (long i = 0; i < arrQueryResult[0].Count; ++i)
    addresses.push_back(arrQueryResult[static_cast<size_t>(i)].Values.at(0));
  return addresses;
}

namespace {
EntrySaved storeEntryRows(long lngTable, long lngIPType, EntryValues values, bool blnAdd, const std::string& strID,
                          const std::vector<std::string>& addresses, std::string& id) {
  std::string rowSection;
  std::vector<StoredRow> oldEntry, oldAddresses;
  if (blnAdd) {
    id = GetNewRowIndex();
    if (id.empty()) return EntrySaved::NotSaved;
    rowSection = getNextLineNo(lngTable);
  } else {
    id = strID;
    // An entry removed since the dialog opened is not written back: its
    // address rows would belong to no entry.
    if (id.empty()) return EntrySaved::EntryGone;
    oldEntry = RowsWithID(lngTable, id);
    if (oldEntry.empty()) return EntrySaved::EntryGone;
    rowSection = oldEntry[0].Section;
    oldAddresses = RowsWithID(Database_IPAddress, id);
  }
  values.push_back({"ID", id});
  // Undo; a write of the undo that succeeds leaves LastFailedWriteFile as it is.
  // What cannot be put back has been logged by the store, and the next start
  // makes entries and address rows agree again.
  if (blnAdd) {
    // A new entry's address rows come first: rows whose entry was never
    // written are dropped at the next start, while an entry without rows
    // could not always be mended (a host name's entry does not hold its
    // addresses).
    if (AddIPAddressData(lngIPType, values, addresses)) {
      if (Write_MorvantisNewData(lngTable, rowSection, EntryRow(values), true)) return EntrySaved::Saved;
    }
    PutBackRows(Database_IPAddress, id, {});
    return EntrySaved::NotSaved;
  }
  if (!Write_MorvantisNewData(lngTable, rowSection, EntryRow(values), false)) return EntrySaved::NotSaved;
  if (AddIPAddressData(lngIPType, values, addresses)) return EntrySaved::Saved;
  if (Write_MorvantisNewData(lngTable, rowSection, oldEntry[0].Values, false))
    PutBackRows(Database_IPAddress, id, oldAddresses);
  return EntrySaved::NotSaved;
}
}  // namespace

EntrySaved StoreZoneEntry(long lngTable, long lngIPType, EntryValues values, bool blnAdd, const std::string& strID,
                          const std::vector<std::string>& addresses, std::string& id) {
  blnZoneDataChanged = true;
  // An entry not stored leaves no counter moved on either.
  const StoredCounters counters = ReadCounters({lngTable, Database_IPAddress});
  const EntrySaved saved = storeEntryRows(lngTable, lngIPType, std::move(values), blnAdd, strID, addresses, id);
  if (saved == EntrySaved::NotSaved) PutBackCounters(counters);
  return saved;
}

EntryRemoved RemoveZoneEntry(long lngIPType, const std::string& strID) {
  if (lngIPType < ipHostName || lngIPType > ipSubnet) return EntryRemoved::Refused;
  const long table = EntryTable(lngIPType);
  blnZoneDataChanged = true;
  const std::vector<StoredRow> entry = RowsWithID(table, strID);
  if (!Delete_TableData(table, whereID(strID), "ID")) return EntryRemoved::NotSaved;
  if (Delete_TableData(Database_IPAddress, whereID(strID), "ID")) return EntryRemoved::Removed;
  for (const StoredRow& r : entry)
    if (!Write_MorvantisNewData(table, r.Section, r.Values, false)) break;
  return EntryRemoved::NotSaved;
}

namespace {
constexpr const char* kReconcile = "ReconcileZoneAddresses of mdlZoneEntry";

// One address row as the rules read it.
struct AddressRow {
  std::string Section, Type, Zone, From, To, ID;
};

std::vector<AddressRow> addressRows() {
  Read_TableData(Database_IPAddress, "IPType,Zone,IPAddressFrom,IPAddressTo,ID", "");
  std::vector<AddressRow> rows;
  for (long i = 0; i < arrQueryResult[0].Count; ++i) {
    const QueryRow& r = arrQueryResult[static_cast<size_t>(i)];
    rows.push_back({r.RowSection, r.Values.at(0), r.Values.at(1), r.Values.at(2), r.Values.at(3), r.Values.at(4)});
  }
  return rows;
}

// A user's entry with what its address rows must hold.
struct ExpectedEntry {
  long Type = 0;
  EntryValues Values;  // with Zone, ID and the address columns
  std::vector<std::pair<std::string, std::string>> Ranges;  // from, to
};

// The entries of one table, with the address rows each must have. A host
// name keeps the addresses its rows hold (its entry holds only the name, and
// an Edit that does not look it up again keeps them too).
void collectEntries(long type, const std::vector<AddressRow>& rows, std::vector<ExpectedEntry>& entries,
                    std::vector<std::string>& networkIDs) {
  const long table = EntryTable(type);
  const bool subnet = type == ipSubnet;
  Read_TableData(table, subnet ? "IP,SubnetMask,Zone,ID,ActiveNetwork" : std::string(EditColumns(type)) + ",Zone,ID", "");
  const std::vector<QueryRow> hits(arrQueryResult.begin(), arrQueryResult.begin() + arrQueryResult[0].Count);
  for (const QueryRow& r : hits) {
    const auto& v = r.Values;
    if (subnet && Val(v.at(4)) == 1) {
      networkIDs.push_back(v.at(3));
      continue;
    }
    ExpectedEntry e;
    e.Type = type;
    switch (type) {
      case ipHostName:
        e.Values = {{"Zone", v.at(2)}, {"ID", v.at(3)}};
        for (const AddressRow& a : rows)
          if (a.ID == v.at(3)) e.Ranges.emplace_back(a.From, a.From);
        break;
      case ipAddress:
        e.Values = {{"IP", v.at(0)}, {"Zone", v.at(2)}, {"ID", v.at(3)}};
        e.Ranges.emplace_back(v.at(0), v.at(0));
        break;
      case ipRange:
        e.Values = {{"IPFrom", v.at(0)}, {"IPTo", v.at(1)}, {"Zone", v.at(3)}, {"ID", v.at(4)}};
        e.Ranges.emplace_back(v.at(0), v.at(1));
        break;
      default: {
        const std::string prefix = v.at(0) + "/" + std::to_string(static_cast<long>(GetMaskBits(v.at(1))));
        e.Values = {{"Zone", v.at(2)}, {"ID", v.at(3)}};
        e.Ranges.emplace_back(prefix, prefix);
        break;
      }
    }
    entries.push_back(std::move(e));
  }
}

bool rowsAgree(const ExpectedEntry& e, const std::vector<AddressRow>& rows) {
  const std::string& id = EntryItem(e.Values, "ID");
  const std::string& zone = EntryItem(e.Values, "Zone");
  std::vector<std::pair<std::string, std::string>> held;
  for (const AddressRow& a : rows) {
    if (a.ID != id) continue;
    if (Val(a.Type) != e.Type || a.Zone != zone) return false;
    held.emplace_back(a.From, a.To);
  }
  return held == e.Ranges;
}
}  // namespace

int ReconcileZoneAddresses() {
  int repairs = 0;
  ErrorBoundary(kReconcile, [&] {
    const std::vector<AddressRow> rows = addressRows();
    std::vector<ExpectedEntry> entries;
    std::vector<std::string> ids;
    for (long type = ipHostName; type <= ipSubnet; ++type) collectEntries(type, rows, entries, ids);
    for (const ExpectedEntry& e : entries) {
      const std::string& id = EntryItem(e.Values, "ID");
      ids.push_back(id);
      if (e.Ranges.empty() || rowsAgree(e, rows)) continue;
      std::vector<std::string> addresses;
      for (const auto& r : e.Ranges) addresses.push_back(r.first);
      const bool rebuilt = AddIPAddressData(e.Type, e.Values, addresses);
      WriteErrorLog(std::string(rebuilt ? "Address rows rebuilt" : "Address rows could not be rebuilt") +
                        " for zone entry " + id,
                    kReconcile);
      if (rebuilt) ++repairs;
    }
    for (const AddressRow& a : rows) {
      // The detected networks' rows are written by the start-up itself.
      if (Val(a.Type) == static_cast<double>(ipNetwork) || std::find(ids.begin(), ids.end(), a.ID) != ids.end()) continue;
      const bool dropped = DeleteRowSection(Database_IPAddress, a.Section);
      WriteErrorLog(std::string(dropped ? "Address row " : "Address row could not be dropped: ") + a.Section +
                        " of no zone entry (ID " + a.ID + ")" + (dropped ? " dropped" : ""),
                    kReconcile);
      if (dropped) ++repairs;
    }
  });
  return repairs;
}

std::array<std::string, 4> SplitOctets(const std::string& strIP) {
  std::array<std::string, 4> octets;
  size_t start = 0;
  for (size_t box = 0; box < 3; ++box) {
    size_t dot = strIP.find('.', start);
    if (dot == std::string::npos) {
      // No further dot: the rest is this box's, the later boxes stay empty.
      octets[box] = strIP.substr(start);
      return octets;
    }
    octets[box] = strIP.substr(start, dot - start);
    start = dot + 1;
  }
  octets[3] = strIP.substr(start);
  return octets;
}

std::string JoinOctets(const std::array<std::string, 4>& octets) {
  return octets[0] + "." + octets[1] + "." + octets[2] + "." + octets[3];
}

OctetKeyResult OctetKeyPress(const std::string& text, int keyAscii, int index) {
  OctetKeyResult r;
  r.text = text;
  const bool digit = keyAscii >= '0' && keyAscii <= '9';
  if (keyAscii != kBackspace && !digit) return r;
  r.accept = true;
  if (static_cast<int>(text.size()) >= OctetLimit && keyAscii != kBackspace) {
    r.text = ClampOctet(text);
    r.moveFocus = index != 3;
  }
  return r;
}

std::string ClampOctet(const std::string& text) { return Val(text) > 255 ? std::string("255") : text; }

std::string CheckMaskByte(const std::string& text) {
  if (text.empty()) return "0";
  static const double maskBytes[] = {0, 128, 192, 224, 240, 248, 252, 254, 255};
  const double v = Val(text);
  for (double m : maskBytes)
    if (v == m) return text;
  return "0";
}

}  // namespace mv
