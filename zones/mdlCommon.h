#pragma once
// Shared services of the zone entries: the flattened address rows of
// Database_IPAddress that the rule generator reads, the rows of the zones
// page's entry list, the zone names, and small address helpers.
#include <cstdint>
#include <string>
#include <vector>

#include "core/mdlMorvantisDatabase.h"

namespace mv {

// Entry types (IPTypeMaster).
enum IPType : long { ipHostName = 1, ipAddress = 2, ipRange = 3, ipSubnet = 4, ipNetwork = 5 };

// The values of one entry row, in column order, each under its column name.
struct EntryValue {
  std::string Key;
  std::string Value;
};
using EntryValues = std::vector<EntryValue>;

// The value under the column name, matched without regard to case; a name
// that is not there is run-time error 5.
const std::string& EntryItem(const EntryValues& values, const std::string& name);
// The values alone, in column order, as a row is written.
std::vector<std::string> EntryRow(const EntryValues& values);

// Rebuilds the address rows of one entry: deletes every row with the
// entry's ID, then writes one row per address (host names, subnets and
// detected networks: one per item of the address list; single addresses and
// ranges: one from their own columns). Detected networks (type 5) are passed
// as the values of the last one with the addresses of all in order; the i-th
// address belongs to the network whose ID is the entry's ID minus the count
// plus i, and its row takes that network's own row section. The new rows
// are written before the old ones are deleted (in one write). False when a
// row could not be deleted or written (the rows before it are done).
[[nodiscard]] bool AddIPAddressData(long lngIPType, const EntryValues& values, const std::vector<std::string>& addresses);

// One item of the zones page's entry list.
struct ZoneListRow {
  std::string Text;         // the entry's name
  std::string Description;  // its address text
  std::string TypeName;     // "Network", "Host Name", "IP Range", "IP Address" or "Subnet"
  std::string ZoneName;     // "Blocked", "Trusted", "Internet", or "" for another zone value
  std::string ID;
};
// The list items for the hits of the last query (made with "*") on the table,
// in result order; detected networks of the subnet table are left out unless
// the type name is "Network".
std::vector<ZoneListRow> ZoneListRows(long lngTable, const std::string& strTypeName);

// The three zone names in list order; position i is zone i + 1.
const std::vector<std::string>& ZoneNames();
// The zone number stored for the name in [ZoneMaster].
std::string GetZoneNumber(const std::string& strZoneName);
// 1 when the value is not 0, else 0.
std::int16_t IntToBool(std::int16_t intValue);
// True when the second dotted address is not below the first. An address of
// fewer than four octets is run-time error 9.
bool CompareIPAddress(const std::string& strIP1, const std::string& strIP2);
// The number of one bits of a dotted mask, counted per octet.
float GetMaskBits(const std::string& strMask);

}  // namespace mv
