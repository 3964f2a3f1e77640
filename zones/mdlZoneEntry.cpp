#include "zones/mdlZoneEntry.h"

#include <map>
#include <set>

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
// The writes of one entry; they are held and stored together by the caller.
EntrySaved storeEntryRows(long lngTable, long lngIPType, EntryValues values, bool blnAdd, const std::string& strID,
                          const std::vector<std::string>& addresses, std::string& id) {
  std::string rowSection;
  if (blnAdd) {
    id = GetNewRowIndex();
    if (id.empty()) return EntrySaved::NotSaved;
    rowSection = getNextLineNo(lngTable);
  } else {
    id = strID;
    // An entry removed since the dialog opened is not written back: its
    // address rows would belong to no entry.
    if (id.empty()) return EntrySaved::EntryGone;
    Read_TableData(lngTable, "ID", whereID(id));
    if (arrQueryResult[0].Count < 1) return EntrySaved::EntryGone;
    rowSection = arrQueryResult[0].RowSection;
  }
  values.push_back({"ID", id});
  // Should the change ever be cut short all the same, the start-up drops
  // address rows without an entry and rebuilds those an address, range or
  // subnet entry gives; so a new entry's address rows go first.
  if (blnAdd)
    return AddIPAddressData(lngIPType, values, addresses) &&
                   Write_MorvantisNewData(lngTable, rowSection, EntryRow(values), true)
               ? EntrySaved::Saved
               : EntrySaved::NotSaved;
  return Write_MorvantisNewData(lngTable, rowSection, EntryRow(values), false) &&
                 AddIPAddressData(lngIPType, values, addresses)
             ? EntrySaved::Saved
             : EntrySaved::NotSaved;
}
}  // namespace

EntrySaved StoreZoneEntry(long lngTable, long lngIPType, EntryValues values, bool blnAdd, const std::string& strID,
                          const std::vector<std::string>& addresses, std::string& id) {
  blnZoneDataChanged = true;
  EntrySaved saved = EntrySaved::NotSaved;
  const bool stored = StoreTogether([&] {
    saved = storeEntryRows(lngTable, lngIPType, std::move(values), blnAdd, strID, addresses, id);
    return saved == EntrySaved::Saved;
  });
  if (saved != EntrySaved::Saved || stored) return saved;
  return LastStoreCompletesLater() ? EntrySaved::CompletesLater : EntrySaved::NotSaved;
}

bool EntryIsAsShown(const ZoneListRow& shown) {
  const long table = EntryTable(GetIPTypeCode(shown.TypeName));
  if (table < 0 || shown.ID.empty()) return false;
  Read_TableData(table, "*", whereID(shown.ID));
  for (const ZoneListRow& row : ZoneListRows(table, shown.TypeName))
    if (row.Text == shown.Text && row.Description == shown.Description && row.ZoneName == shown.ZoneName &&
        row.ID == shown.ID)
      return true;
  return false;
}

std::string NotAsShownText(const std::string& name, const std::string& what) {
  return "The entry '" + name + "' is no longer stored as the list shows it, so " + what +
         ".\r\nThe entries are shown again as they are now.";
}

EntryRemoved RemoveZoneEntry(const ZoneListRow& shown) {
  const long lngIPType = GetIPTypeCode(shown.TypeName);
  if (lngIPType < ipHostName || lngIPType > ipSubnet) return EntryRemoved::Refused;
  const long table = EntryTable(lngIPType);
  const std::string& strID = shown.ID;
  blnZoneDataChanged = true;
  bool asShown = true;
  // The check and the deletion hold the lock together: the ID is deleted
  // only while the entry the user chose holds it.
  const bool stored = StoreTogether([&] {
    asShown = EntryIsAsShown(shown);
    return asShown && Delete_TableData(table, whereID(strID), "ID") &&
           Delete_TableData(Database_IPAddress, whereID(strID), "ID");
  });
  if (!asShown) return EntryRemoved::NotAsShown;
  return stored ? EntryRemoved::Removed : EntryRemoved::NotSaved;
}

namespace {
constexpr const char* kReconcile = "ReconcileZoneAddresses of mdlZoneEntry";

// One address row as the rules read it.
struct AddressRow {
  std::string Section, Type, Zone, From, To, ID;
};
using Ranges = std::vector<std::pair<std::string, std::string>>;  // from, to

std::vector<AddressRow> addressRows() {
  Read_TableData(Database_IPAddress, "IPType,Zone,IPAddressFrom,IPAddressTo,ID", "");
  std::vector<AddressRow> rows;
  for (long i = 0; i < arrQueryResult[0].Count; ++i) {
    const QueryRow& r = arrQueryResult[static_cast<size_t>(i)];
    rows.push_back({r.RowSection, r.Values.at(0), r.Values.at(1), r.Values.at(2), r.Values.at(3), r.Values.at(4)});
  }
  return rows;
}

// A stored entry with what its address rows must hold. A host name's
// addresses are only in its rows (an Edit that does not look the name up
// again keeps them too), so its ranges are taken from the rows it owns.
struct StoredEntry {
  long Type = 0;
  long Table = 0;
  std::string Section, ID, Zone;
  Ranges Expected;
  bool Moved = false;  // given an ID of its own
};

std::vector<StoredEntry> storedEntries() {
  std::vector<StoredEntry> entries;
  for (long type = ipHostName; type <= ipSubnet; ++type) {
    const long table = EntryTable(type);
    const bool subnet = type == ipSubnet;
    Read_TableData(table, subnet ? "IP,SubnetMask,Zone,ID,ActiveNetwork" : EditColumns(type) + ",Zone,ID", "");
    for (long i = 0; i < arrQueryResult[0].Count; ++i) {
      const QueryRow& r = arrQueryResult[static_cast<size_t>(i)];
      const auto& v = r.Values;
      StoredEntry e;
      e.Type = type;
      e.Table = table;
      e.Section = r.RowSection;
      switch (type) {
        case ipHostName:
        case ipAddress:
          e.Zone = v.at(2), e.ID = v.at(3);
          if (type == ipAddress) e.Expected.emplace_back(v.at(0), v.at(0));
          break;
        case ipRange:
          e.Zone = v.at(3), e.ID = v.at(4);
          e.Expected.emplace_back(v.at(0), v.at(1));
          break;
        default: {
          e.Zone = v.at(2), e.ID = v.at(3);
          // A detected network: its rows are the start-up's own.
          if (Val(v.at(4)) == 1) e.Type = ipNetwork;
          const std::string prefix = v.at(0) + "/" + std::to_string(static_cast<long>(GetMaskBits(v.at(1))));
          e.Expected.emplace_back(prefix, prefix);
          break;
        }
      }
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

bool rowsAgree(const StoredEntry& e, const std::vector<const AddressRow*>& held) {
  Ranges ranges;
  for (const AddressRow* a : held) {
    if (Val(a->Type) != e.Type || a->Zone != e.Zone) return false;
    ranges.emplace_back(a->From, a->To);
  }
  return ranges == e.Expected;
}

// What one start mends, worked out from the rows as they are and then
// written as one change. Entries that share an ID, or have none, are given
// IDs of their own, since an Edit or Remove of one of them would rebuild or
// delete the others' rows. A detected network keeps its ID, else the first
// host name of the ID, else its first entry. An address, range or subnet
// gets its rows from its own values; the host-name rows of a shared ID go to
// the host name of their zone (to the first host name when none has it), so
// an address keeps its zone wherever a host name of that zone shares the ID.
class AddressRepair {
 public:
  std::vector<std::string> Done;  // one line per repair

  // Works out the repairs; false when there is nothing to mend.
  bool Plan() {
    rows_ = addressRows();
    entries_ = storedEntries();
    for (const AddressRow& a : rows_) byID_[a.ID].push_back(&a);
    std::map<std::string, std::vector<StoredEntry*>> owners;
    for (StoredEntry& e : entries_) owners[e.ID].push_back(&e);
    for (auto& [id, group] : owners) {
      if (group.size() == 1 && !id.empty()) {
        if (group[0]->Type == ipHostName)
          for (const AddressRow* a : byID_[id]) group[0]->Expected.emplace_back(a->From, a->From);
        continue;
      }
      sortOut(id, group);
    }
    for (const StoredEntry& e : entries_)
      if (!e.Moved) owners_.insert(e.ID);
    for (StoredEntry& e : entries_) {
      if (e.Type == ipNetwork || e.Expected.empty()) continue;
      const std::vector<const AddressRow*>& held = e.Moved ? none_ : byID_[e.ID];
      if (!e.Moved && rowsAgree(e, held)) continue;
      for (const AddressRow* a : held) drop_.insert(a->Section);
      for (const auto& [from, to] : e.Expected) rebuilt_.push_back({&e, from, to});
      if (!e.Moved) Done.push_back("Address rows rebuilt for zone entry " + e.ID);
    }
    for (const AddressRow& a : rows_) {
      if (drop_.count(a.Section) || Val(a.Type) == static_cast<double>(ipNetwork) || owned(a)) continue;
      drop_.insert(a.Section);
      if (!taken_.count(a.Section))
        Done.push_back("Address row " + a.Section + " of no zone entry (ID " + a.ID + ") dropped");
    }
    return !Done.empty() || !moved_.empty();
  }

  // The writes of the plan; every one of them is held until the change is
  // stored as a whole.
  bool Write() {
    const std::vector<std::string> ids = GetNewRowIndexes(moved_.size());
    if (ids.size() != moved_.size()) return false;
    for (size_t i = 0; i < moved_.size(); ++i) {
      StoredEntry& e = *moved_[i];
      Done.push_back("Zone entry " + e.Section + " of " + varTableNames[static_cast<size_t>(e.Table)] +
                     (e.ID.empty() ? " had no ID" : " shared ID " + e.ID) + ": given ID " + ids[i]);
      e.ID = ids[i];
      if (!WriteColumnValue(e.Table, e.Section, "ID", e.ID)) return false;
    }
    if (!drop_.empty() &&
        !DeleteINISections(std::vector<std::string>(drop_.begin(), drop_.end()), TableFile(Database_IPAddress)))
      return false;
    if (rebuilt_.empty()) return true;
    long line = static_cast<long>(Val(getNextLineNo(Database_IPAddress)));
    std::string section;
    for (const NewRow& r : rebuilt_) {
      section = FormatNumber(line++, "0000");
      if (!Write_MorvantisNewData(Database_IPAddress, section,
                                  {std::to_string(r.Entry->Type), r.Entry->Zone, r.From, r.To, r.Entry->ID}, false))
        return false;
    }
    return setLastLineNo(Database_IPAddress, section);
  }

 private:
  struct NewRow {
    const StoredEntry* Entry;
    std::string From, To;
  };
  std::vector<AddressRow> rows_;
  std::vector<StoredEntry> entries_;
  std::map<std::string, std::vector<const AddressRow*>> byID_;
  const std::vector<const AddressRow*> none_;
  std::set<std::string> owners_;               // the IDs entries hold after the plan
  std::map<std::string, long> keptType_;       // a shared ID kept by a network or host name: its rows' type
  std::set<std::string> drop_;                 // address row sections to delete
  std::set<std::string> taken_;                // of those, the rows of entries given IDs of their own
  std::vector<StoredEntry*> moved_;
  std::vector<NewRow> rebuilt_;

  void sortOut(const std::string& id, const std::vector<StoredEntry*>& group) {
    std::vector<StoredEntry*> hosts;
    StoredEntry* keeper = nullptr;
    for (StoredEntry* e : group) {
      if (e->Type == ipNetwork && !keeper) keeper = e;
      if (e->Type == ipHostName) hosts.push_back(e);
    }
    for (const AddressRow* a : byID_[id]) {
      if (hosts.empty() || Val(a->Type) != static_cast<double>(ipHostName)) continue;
      StoredEntry* owner = hosts[0];
      for (StoredEntry* h : hosts)
        if (h->Zone == a->Zone) {
          owner = h;
          break;
        }
      owner->Expected.emplace_back(a->From, a->From);
    }
    if (!keeper && !id.empty()) keeper = hosts.empty() ? group[0] : hosts[0];
    for (const AddressRow* a : byID_[id]) {
      // Rows that the one keeping the ID does not own were the others'.
      if (!keeper || ((keeper->Type == ipNetwork || keeper->Type == ipHostName) && Val(a->Type) != keeper->Type))
        taken_.insert(a->Section);
    }
    if (keeper && (keeper->Type == ipNetwork || keeper->Type == ipHostName)) keptType_[id] = keeper->Type;
    for (StoredEntry* e : group) {
      if (e == keeper || e->Type == ipNetwork) continue;
      e->Moved = true;
      moved_.push_back(e);
    }
  }

  bool owned(const AddressRow& a) const {
    if (!owners_.count(a.ID)) return false;
    const auto kept = keptType_.find(a.ID);
    return kept == keptType_.end() || Val(a.Type) == static_cast<double>(kept->second);
  }
};
}  // namespace

int ReconcileZoneAddresses() {
  int repairs = 0;
  ErrorBoundary(kReconcile, [&] {
    AddressRepair repair;
    // Nothing to mend writes nothing.
    if (!repair.Plan()) return;
    if (!StoreTogether([&] { return repair.Write(); })) {
      WriteErrorLog("Zone entries and their address rows could not be mended in " + LastFailedWriteFile(), kReconcile);
      return;
    }
    for (const std::string& line : repair.Done) WriteErrorLog(line, kReconcile);
    repairs = static_cast<int>(repair.Done.size());
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
