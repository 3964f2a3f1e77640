#include "core/mdlMorvantisDatabase.h"

#include <algorithm>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/PrivateProfile.h"

namespace mv {

std::vector<std::string> varTableNames;
std::vector<QueryRow> arrQueryResult(1);
std::vector<WhereCondition> arrWhereClause;
bool blnZoneDataChanged = false;

namespace {
const char* kLastLineNo = "Database_LastLineNo";

const std::string& tableName(long table) {
  if (varTableNames.size() != 18) InitTableNames();
  if (table < 0 || table >= static_cast<long>(varTableNames.size())) RaiseError(errSubscript);
  return varTableNames[static_cast<size_t>(table)];
}

// Rows 0001-0005 of these tables are reserved for the detected networks.
long reservedRows(long table) {
  return (table == Database_IPAddress || table == Database_SubnetSetting) ? 5 : 0;
}

// ValCounter of a stored number; plain digits, the form the store writes,
// are read without the general conversion.
long counterOf(const std::string& text) {
  if (text.empty() || text.size() > 9) return ValCounter(text);
  long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return ValCounter(text);
    n = n * 10 + (c - '0');
  }
  return n;
}

// The highest row number present in the table file.
long highestRow(long table) {
  long best = 0;
  auto data = platform::profileRead(TableFile(table));
  for (const auto& s : data->sections()) best = std::max(best, counterOf(s.name));
  return best;
}

// The highest six-digit ID that any zone-entry row carries.
long highestRowId() {
  long best = 0;
  for (long t : {Database_IPSetting, Database_IPRangeSetting, Database_IPAddress, Database_HostSetting,
                 Database_SubnetSetting}) {
    std::string key = getColumnIndex(t, "ID");
    if (key.empty()) continue;
    auto data = platform::profileRead(TableFile(t));
    for (const auto& s : data->sections()) {
      const platform::ProfileEntry* e = s.find(key);
      if (e) best = std::max(best, counterOf(DecryptString(e->value, s.name)));
    }
  }
  return best;
}
}  // namespace

void InitTableNames() {
  varTableNames = {"ZoneMaster",          "IPTypeMaster",        "LevelMaster",
                   "ExtraMaster1",        "ExtraMaster2",        "SelectedLevel",
                   "DatabaseHeader",      "Database_PortSetting", "Database_IPSetting",
                   "Database_IPRangeSetting", "Database_IPAddress", "Database_HostSetting",
                   "Database_SubnetSetting", "Database_TCPPorts",  "Database_UDPPorts",
                   "ExtraTable1",         "ExtraTable2",         "ExtraTable3"};
  blnZoneDataChanged = true;
}

std::string MasterFile() { return strProfilePath + "MVDB.MVL"; }
std::string TableFile(long table) { return strProfilePath + tableName(table) + ".MVL"; }

std::string getColumnIndex(long table, const std::string& column) {
  return ReadINI(tableName(table), column, "0", MasterFile(), true);
}

long getColumnArrayIndex(long table, const std::string& column) {
  return ValCounter(getColumnIndex(table, column)) - 1;
}

std::vector<std::string> getAllRowSections(long table) {
  return Split(GetINISectionNames(TableFile(table)), std::string(1, '\0'));
}

void getallColumnIndexes(long table, const std::string& columns, std::vector<std::string>& indexes) {
  ErrorBoundary("getallColumnIndexes of mdlMorvantisDatabase", [&] {
    indexes.clear();
    if (columns == "*") {
      auto data = platform::profileRead(MasterFile());
      const platform::ProfileSection* s = data->section(tableName(table));
      if (!s) return;
      for (const auto& e : s->entries) indexes.push_back(DecryptString(e.value, tableName(table)));
      return;
    }
    for (const auto& name : Split(columns, ",")) indexes.push_back(getColumnIndex(table, name));
  });
}

int getWhereClauses(const std::string& where, long table) {
  int mode = 0;
  try {
    arrWhereClause.clear();
    std::vector<std::string> terms;
    if (where.find(" && ") != std::string::npos) {
      terms = Split(where, " && ");
      mode = 1;
    } else if (where.find(" || ") != std::string::npos) {
      terms = Split(where, " || ");
      mode = 2;
    } else {
      terms = {where};
    }
    for (const auto& term : terms) {
      std::string t = mode == 0 ? term : Trim(term);
      auto eq = t.find('=');
      if (eq == std::string::npos) RaiseError(errInvalidCall);
      arrWhereClause.push_back(WhereCondition{getColumnIndex(table, t.substr(0, eq)), t.substr(eq + 1)});
    }
  } catch (const std::exception& e) {
    // A clause that cannot be read as a whole is not applied in part.
    arrWhereClause.clear();
    WriteErrorLog(e, "getWhereClauses of mdlMorvantisDatabase");
  }
  return mode;
}

void Read_TableData(long table, const std::string& columns, const std::string& where) {
  // The rows of the last result are used again for this one (their value
  // lists keep their room), so a query allocates little; rows beyond the
  // hits go at the end, whichever way the query ends.
  size_t hits = 0;
  struct Trim {
    size_t& hits;
    ~Trim() {
      arrQueryResult.resize(std::max<size_t>(hits, 1));
      if (hits == 0) arrQueryResult[0] = QueryRow{};
      arrQueryResult[0].Count = static_cast<long>(hits);
    }
  } trim{hits};
  std::vector<std::string> indexes;
  getallColumnIndexes(table, columns, indexes);
  // One picture of the file serves the whole query.
  auto data = platform::profileRead(TableFile(table));

  int mode = 0;
  bool all = where.empty();
  if (!all) mode = getWhereClauses(where, table);
  // A where clause that could not be read matches no row.
  bool broken = !all && arrWhereClause.empty();

  auto valueOf = [](const platform::ProfileSection& row, const std::string& key) -> std::string {
    if (key.empty()) return "";
    const platform::ProfileEntry* e = row.find(key);
    return e ? DecryptString(e->value, row.name) : std::string();
  };
  // A condition compared with the stored value as it stands, unscrambled on
  // the fly.
  auto holds = [](const platform::ProfileSection& row, const WhereCondition& c) {
    const platform::ProfileEntry* e = c.ColumnIndex.empty() ? nullptr : row.find(c.ColumnIndex);
    return e ? ScrambledEquals(e->value, c.Value, row.name) : c.Value.empty();
  };

  for (const auto& row : data->sections()) {
    bool hit = all;
    if (!all && !broken) {
      if (mode == 2) {
        hit = false;
        for (const auto& c : arrWhereClause)
          if (holds(row, c)) {
            hit = true;
            break;
          }
      } else {
        hit = true;
        for (const auto& c : arrWhereClause)
          if (!holds(row, c)) {
            hit = false;
            break;
          }
      }
    }
    if (!hit) continue;
    if (hits == arrQueryResult.size()) arrQueryResult.emplace_back();
    QueryRow& r = arrQueryResult[hits];
    r.Count = 0;
    r.RowSection = row.name;
    r.Values.clear();
    for (const auto& idx : indexes) r.Values.push_back(valueOf(row, idx));
    ++hits;
  }
}

bool Delete_TableData(long table, const std::string& where, const std::string& columns) {
  Read_TableData(table, columns, where);
  if (arrQueryResult[0].Count < 1) return true;
  std::vector<std::string> rows;
  for (long i = 0; i < arrQueryResult[0].Count; ++i) rows.push_back(arrQueryResult[static_cast<size_t>(i)].RowSection);
  // One write for all the rows: none is left half-deleted.
  return DeleteINISections(rows, TableFile(table));
}

bool DeleteRowSection(long table, const std::string& rowSection) { return DeleteINISection(rowSection, TableFile(table)); }

bool Write_MorvantisNewData(long table, const std::string& rowSection, const std::vector<std::string>& values,
                            bool updateCounter) {
  return ErrorBoundary("Write_MorvantisNewData of mdlMorvantisDatabase", false, [&] {
    if (values.empty()) return true;
    // The counter goes first: one ahead of the rows is a gap in the
    // numbering, never a row the counter does not cover.
    if (updateCounter && !setLastLineNo(table, rowSection)) return false;
    // The whole row is written in one step, so no reader ever sees half a row.
    return WriteINISectionValues(rowSection, values, TableFile(table), true);
  });
}

bool WriteColumnValue(long table, const std::string& rowSection, const std::string& column,
                      const std::string& value) {
  std::string key = getColumnIndex(table, column);
  if (key.empty()) {
    WriteErrorLog("Unknown column " + column, "WriteColumnValue of mdlMorvantisDatabase");
    return false;
  }
  return WriteINI(rowSection, FormatNumber(ValCounter(key), "0"), value, TableFile(table), true);
}

std::string GetMasterValue(long table, const std::string& key, const std::string& defaultValue) {
  return ReadINI(tableName(table), key, defaultValue, MasterFile(), true);
}

bool SetMasterValue(long table, const std::string& key, const std::string& value) {
  return WriteINI(tableName(table), key, value, MasterFile(), true);
}

bool SetMasterValues(long table, const std::vector<std::pair<std::string, std::string>>& pairs) {
  return WriteINIKeys(tableName(table), pairs, MasterFile(), true);
}

std::string getNextLineNo(long table) {
  // The stored counter never goes backwards and never falls behind the rows
  // that exist: a counter re-created from its default, or holding text, still
  // gives a row number after the highest existing one.
  // A counter that cannot be read, or does not fit, counts as 0.
  long stored = ValCounter(ReadINI(kLastLineNo, tableName(table), "0", MasterFile(), true));
  long next = std::max({stored, highestRow(table), reservedRows(table)});
  return FormatNumber(static_cast<long long>(next) + 1, "0000");
}

bool setLastLineNo(long table, const std::string& rowSection) {
  return WriteINI(kLastLineNo, tableName(table), rowSection, MasterFile(), true);
}

std::vector<std::string> GetNewRowIndexes(size_t count) {
  if (count == 0) return {};
  long stored = ValCounter(ReadINI(kLastLineNo, "LastRowIndex", "0", MasterFile(), true));
  long long next = static_cast<long long>(std::max(stored, highestRowId())) + 1;
  std::vector<std::string> ids;
  for (size_t i = 0; i < count; ++i) ids.push_back(FormatNumber(next + static_cast<long long>(i), "000000"));
  // IDs that are not stored could be handed out again.
  if (!WriteINI(kLastLineNo, "LastRowIndex", ids.back(), MasterFile(), true)) return {};
  return ids;
}

std::string GetNewRowIndex() {
  const std::vector<std::string> ids = GetNewRowIndexes(1);
  return ids.empty() ? std::string() : ids[0];
}

}  // namespace mv
