#pragma once
// Reading the rows of a table file back, for the zone tests.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "core/mdlMorvantisDatabase.h"
#include "tests/support/TestEnv.h"

namespace mvtest {

struct TableRow {
  std::string section;
  std::vector<std::string> values;  // in column order
  bool operator==(const TableRow&) const = default;
};

inline void PrintTo(const TableRow& row, std::ostream* os) {
  *os << "[" << row.section;
  for (const auto& v : row.values) *os << " | " << v;
  *os << "]";
}

inline std::vector<TableRow> tableRows(long table) {
  mv::Read_TableData(table, "*", "");
  std::vector<TableRow> rows;
  for (long i = 0; i < mv::arrQueryResult[0].Count; ++i)
    rows.push_back({mv::arrQueryResult[i].RowSection, mv::arrQueryResult[i].Values});
  return rows;
}

// A program folder with the default settings files.
class ZoneTablesTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
  }
};

// The rows ordered by their sections instead of their places in the file.
inline std::vector<TableRow> rowsBySection(long table) {
  auto rows = tableRows(table);
  std::sort(rows.begin(), rows.end(), [](const TableRow& a, const TableRow& b) { return a.section < b.section; });
  return rows;
}

}  // namespace mvtest
