#pragma once
// The table store over the scrambled settings files: the master file MVDB.MVL
// with code tables, counters and column maps, and one file per data table in
// which every row is a section "0001", "0002", ... with keys "1".."n".
//
// Every writing operation returns whether the files now hold the change (a
// failure is also logged to Err.log); callers must look at it.
#include <string>
#include <utility>
#include <vector>

namespace mv {

enum TableIndex : long {
  ZoneMaster = 0,
  IPTypeMaster = 1,
  LevelMaster = 2,
  ExtraMaster1 = 3,
  ExtraMaster2 = 4,
  SelectedLevel = 5,
  DatabaseHeader = 6,
  Database_PortSetting = 7,
  Database_IPSetting = 8,
  Database_IPRangeSetting = 9,
  Database_IPAddress = 10,
  Database_HostSetting = 11,
  Database_SubnetSetting = 12,
  Database_TCPPorts = 13,
  Database_UDPPorts = 14,
  ExtraTable1 = 15,
  ExtraTable2 = 16,
  ExtraTable3 = 17,
};

struct QueryRow {
  long Count = 0;  // element 0 only: the number of hits
  std::string RowSection;
  std::vector<std::string> Values;  // in the requested column order
};

struct WhereCondition {
  std::string ColumnIndex;  // the column's key number as read from the column map
  std::string Value;
};

extern std::vector<std::string> varTableNames;        // 0..17
extern std::vector<QueryRow> arrQueryResult;          // result of the last query
extern std::vector<WhereCondition> arrWhereClause;    // terms of the last where clause
extern bool blnZoneDataChanged;

void InitTableNames();
// The master file's path.
std::string MasterFile();
// The table file's path.
std::string TableFile(long table);

void Read_TableData(long table, const std::string& columns, const std::string& where);
// Deletes every row the where clause matches in one write; false when they
// could not be deleted (then none is).
[[nodiscard]] bool Delete_TableData(long table, const std::string& where, const std::string& columns);
[[nodiscard]] bool DeleteRowSection(long table, const std::string& rowSection);
// Writes a whole row in one step. With updateCounter the table's last line
// number is stored first, so a counter that cannot be written leaves no row,
// and a row that cannot be written leaves only a harmless gap in the
// numbering.
[[nodiscard]] bool Write_MorvantisNewData(long table, const std::string& rowSection,
                                          const std::vector<std::string>& values, bool updateCounter);
[[nodiscard]] bool WriteColumnValue(long table, const std::string& rowSection, const std::string& column,
                                    const std::string& value);

std::string GetMasterValue(long table, const std::string& key, const std::string& defaultValue);
[[nodiscard]] bool SetMasterValue(long table, const std::string& key, const std::string& value);
// Several master values of one table in one write: all are stored or none.
[[nodiscard]] bool SetMasterValues(long table, const std::vector<std::pair<std::string, std::string>>& pairs);
std::string getColumnIndex(long table, const std::string& column);
long getColumnArrayIndex(long table, const std::string& column);
std::vector<std::string> getAllRowSections(long table);
void getallColumnIndexes(long table, const std::string& columns, std::vector<std::string>& indexes);
int getWhereClauses(const std::string& where, long table);
std::string getNextLineNo(long table);
[[nodiscard]] bool setLastLineNo(long table, const std::string& rowSection);
// The next system-wide six-digit row ID (module mdlCommon), stored as the
// last one handed out; "" when it could not be stored.
[[nodiscard]] std::string GetNewRowIndex();
// `count` new IDs one after another, the last stored as the last one handed
// out; none when it could not be stored.
[[nodiscard]] std::vector<std::string> GetNewRowIndexes(size_t count);

}  // namespace mv
