#include "zones/mdlZoneEntry.h"

#include "core/VBRuntime.h"
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

EntrySaved StoreZoneEntry(long lngTable, long lngIPType, EntryValues values, bool blnAdd, const std::string& strID,
                          const std::vector<std::string>& addresses, std::string& id) {
  blnZoneDataChanged = true;
  if (blnAdd) {
    id = GetNewRowIndex();
    values.push_back({"ID", id});
    Write_MorvantisNewData(lngTable, getNextLineNo(lngTable), EntryRow(values), true);
  } else {
    id = strID;
    // An entry removed since the dialog opened is not written back: its
    // address rows would belong to no entry.
    if (id.empty()) return EntrySaved::EntryGone;
    Read_TableData(lngTable, "ID", whereID(id));
    if (arrQueryResult[0].Count < 1) return EntrySaved::EntryGone;
    const std::string rowSection = arrQueryResult[0].RowSection;
    values.push_back({"ID", id});
    Write_MorvantisNewData(lngTable, rowSection, EntryRow(values), false);
  }
  AddIPAddressData(lngIPType, values, addresses);
  return EntrySaved::Saved;
}

bool RemoveZoneEntry(long lngIPType, const std::string& strID) {
  if (lngIPType < ipHostName || lngIPType > ipSubnet) return false;
  Delete_TableData(EntryTable(lngIPType), whereID(strID), "ID");
  Delete_TableData(Database_IPAddress, whereID(strID), "ID");
  blnZoneDataChanged = true;
  return true;
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
