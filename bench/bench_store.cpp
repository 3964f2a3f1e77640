// Cost of the settings store on large tables: reading all rows, and adding one
// row as the zone entry dialogs do, on tables of 1,000 and 10,000 rows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/BenchSupport.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

// A program folder with the default settings and `rows` address entries.
std::string makeStore(long rows) {
  std::string dir = mvbench::freshProgramFolder("mvbench-" + std::to_string(rows));
  std::ofstream out(dir + "/Profiles/Database_IPSetting.MVL", std::ios::binary);
  for (long r = 1; r <= rows; ++r) {
    std::string sec = FormatNumber(r, "0000");
    std::string ip = "10." + std::to_string(r / 65536) + "." + std::to_string((r / 256) % 256) + "." + std::to_string(r % 256);
    const std::string values[] = {ip, "Host " + std::to_string(r), "", std::to_string(1 + r % 3), FormatNumber(r, "000000")};
    out << "[" << sec << "]\r\n";
    for (int i = 0; i < 5; ++i) out << (i + 1) << "=" << EncryptString(values[i], sec) << "\r\n";
  }
  out.close();
  if (!WriteINI("Database_LastLineNo", "Database_IPSetting", FormatNumber(rows, "0000"), MasterFile(), true) ||
      !WriteINI("Database_LastLineNo", "LastRowIndex", FormatNumber(rows, "000000"), MasterFile(), true))
    std::abort();
  return dir;
}

// Reading every row; "cold" reads and parses the file afresh each time.
void ReadAllRows(benchmark::State& state, bool cold) {
  long rows = state.range(0);
  std::string dir = makeStore(rows);
  for (auto _ : state) {
    if (cold) platform::profileClearCache();
    Read_TableData(Database_IPSetting, "*", "");
    benchmark::DoNotOptimize(arrQueryResult[0].Count);
  }
  state.SetItemsProcessed(rows * state.iterations());
  fs::remove_all(dir);
}

void AddOneRow(benchmark::State& state) {
  long rows = state.range(0);
  std::string dir = makeStore(rows);
  for (auto _ : state) {
    std::string row = getNextLineNo(Database_IPSetting);
    std::string id = GetNewRowIndex();
    if (!Write_MorvantisNewData(Database_IPSetting, row, {"192.168.1.1", "New", "", "2", id}, true)) std::abort();
  }
  fs::remove_all(dir);
}

void QueryOneZone(benchmark::State& state) {
  long rows = state.range(0);
  std::string dir = makeStore(rows);
  for (auto _ : state) {
    Read_TableData(Database_IPSetting, "IP,Name", "Zone=2");
    benchmark::DoNotOptimize(arrQueryResult[0].Count);
  }
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK_CAPTURE(ReadAllRows, cached, false)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadAllRows, cold, true)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(AddOneRow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(QueryOneZone)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return mvbench::runBenchmarks(argc, argv); }
