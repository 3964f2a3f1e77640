#include "zones/mdlCommon.h"

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"

namespace mv {

namespace {

const std::string& valueAt(const std::vector<std::string>& values, long index) {
  if (index < 0 || index >= static_cast<long>(values.size())) RaiseError(errSubscript);
  return values[static_cast<size_t>(index)];
}

bool writeAddressRow(const std::string& rowSection, long type, const std::string& zone, const std::string& from,
                     const std::string& to, const std::string& id, bool updateCounter) {
  return Write_MorvantisNewData(Database_IPAddress, rowSection, {std::to_string(type), zone, from, to, id}, updateCounter);
}

// The row section of the detected network with the ID, "" when there is none.
std::string networkRowSection(const std::string& id) {
  Read_TableData(Database_SubnetSetting, "ID", "ID=" + id);
  return arrQueryResult[0].Count > 0 ? arrQueryResult[0].RowSection : std::string();
}

}  // namespace

const std::string& EntryItem(const EntryValues& values, const std::string& name) {
  for (const auto& v : values)
    if (SameText(v.Key, name)) return v.Value;
  RaiseError(errInvalidCall);
}

std::vector<std::string> EntryRow(const EntryValues& values) {
  std::vector<std::string> row;
  for (const auto& v : values) row.push_back(v.Value);
  return row;
}

bool AddIPAddressData(long lngIPType, const EntryValues& values, const std::vector<std::string>& addresses) {
  return ErrorBoundary("AddIPAddressData of mdlCommon", false, [&] {
    const std::string id = EntryItem(values, "ID");
    // The old rows are noted first and dropped after the new ones are
    // written, in one write of the table: the new rows carry the same ID, so
    // a delete by ID would take them too. The entry dialogs' store and the
    // start-up's detection of the networks write all this and the entry rows
    // as one change (StoreTogether), so after a program ended at any moment
    // the entry has its old rows or its new ones, never a mix of the two.
    // A detected network's old row goes by its ID first, and each new row
    // takes the row section of its own network.
    std::vector<std::string> old;
    if (lngIPType == ipNetwork) {
      if (!Delete_TableData(Database_IPAddress, "ID=" + id, "ID")) return false;
    } else {
      Read_TableData(Database_IPAddress, "ID", "ID=" + id);
      for (long i = 0; i < arrQueryResult[0].Count; ++i) old.push_back(arrQueryResult[static_cast<size_t>(i)].RowSection);
    }
    const auto dropOld = [&] { return DeleteINISections(old, TableFile(Database_IPAddress)); };
    if (lngIPType < ipHostName || lngIPType > ipNetwork) return dropOld();
    const std::string zone = EntryItem(values, "Zone");
    switch (lngIPType) {
      case ipHostName:
      case ipSubnet:
        for (const auto& a : addresses)
          if (!writeAddressRow(getNextLineNo(Database_IPAddress), lngIPType, zone, a, a, id, true)) return false;
        break;
      case ipAddress: {
        const std::string ip = EntryItem(values, "IP");
        if (!writeAddressRow(getNextLineNo(Database_IPAddress), lngIPType, zone, ip, ip, id, true)) return false;
        break;
      }
      case ipRange: {
        const std::string from = EntryItem(values, "IPFrom"), to = EntryItem(values, "IPTo");
        if (!writeAddressRow(getNextLineNo(Database_IPAddress), lngIPType, zone, from, to, id, true)) return false;
        break;
      }
      case ipNetwork: {
        long count = static_cast<long>(addresses.size());
        for (long i = 1; i <= count; ++i) {
          std::string networkId = FormatNumber(static_cast<long long>(ValCounter(id)) - count + i, "000000");
          // Each address row shares the row section of its own network's row,
          // so re-saving one network never touches another's address row.
          std::string rowSection = networkRowSection(networkId);
          if (rowSection.empty()) {
            WriteErrorLog("No detected network with ID " + networkId, "AddIPAddressData of mdlCommon");
            continue;
          }
          const std::string& a = addresses[static_cast<size_t>(i - 1)];
          if (!writeAddressRow(rowSection, lngIPType, zone, a, a, networkId, false)) return false;
        }
        break;
      }
      default: break;
    }
    return dropOld();
  });
}

std::vector<ZoneListRow> ZoneListRows(long lngTable, const std::string& strTypeName) {
  std::vector<ZoneListRow> rows;
  try {
    long count = arrQueryResult[0].Count;
    if (count == 0) return rows;
    long name = getColumnArrayIndex(lngTable, "Name"), description = getColumnArrayIndex(lngTable, "Description");
    long zone = getColumnArrayIndex(lngTable, "Zone"), id = getColumnArrayIndex(lngTable, "ID");
    long active = lngTable == Database_SubnetSetting ? getColumnArrayIndex(lngTable, "ActiveNetwork") : -1;
    for (long h = 0; h < count; ++h) {
      const QueryRow& hit = arrQueryResult[static_cast<size_t>(h)];
      // A detected network is listed only as "Network", never as "Subnet".
      if (active >= 0 && Val(valueAt(hit.Values, active)) == 1 && strTypeName != "Network") continue;
      double zoneNumber = Val(valueAt(hit.Values, zone));
      ZoneListRow row;
      row.Text = valueAt(hit.Values, name);
      row.Description = valueAt(hit.Values, description);
      row.TypeName = strTypeName;
      if (zoneNumber == 1 || zoneNumber == 2 || zoneNumber == 3) row.ZoneName = ZoneNames()[static_cast<size_t>(zoneNumber) - 1];
      row.ID = valueAt(hit.Values, id);
      rows.push_back(row);
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "AddToList of mdlCommon");
  }
  return rows;
}

const std::vector<std::string>& ZoneNames() {
  static const std::vector<std::string> names = {"Blocked", "Trusted", "Internet"};
  return names;
}

std::string GetZoneNumber(const std::string& strZoneName) { return GetMasterValue(ZoneMaster, UCase(strZoneName), "1"); }

std::int16_t IntToBool(std::int16_t intValue) { return intValue != 0 ? 1 : 0; }

bool CompareIPAddress(const std::string& strIP1, const std::string& strIP2) {
  std::vector<std::string> a = Split(strIP1, "."), b = Split(strIP2, ".");
  if (a.size() < 4 || b.size() < 4) RaiseError(errSubscript);
  for (size_t i = 0; i < 4; ++i) {
    double x = Val(a[i]), y = Val(b[i]);
    if (y < x) return false;
    if (y > x) return true;
  }
  return true;
}

float GetMaskBits(const std::string& strMask) {
  static const std::pair<const char*, int> bits[] = {{"255", 8}, {"254", 7}, {"252", 6}, {"248", 5},
                                                     {"240", 4}, {"224", 3}, {"192", 2}, {"128", 1}};
  float sum = 0;
  for (const auto& part : Split(strMask, "."))
    for (const auto& [text, n] : bits)
      if (part == text) sum += static_cast<float>(n);
  return sum;
}

}  // namespace mv
