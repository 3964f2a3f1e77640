// Cost of the zones page with 10,000 entries: filling its list from the zone
// tables (the tables read afresh, as at the page's first load), and sorting
// the list by a column, as a click on its header does.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <QApplication>
#include <filesystem>
#include <fstream>

#include "bench/BenchSupport.h"
#include "core/FormControls.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "zones/frmFirewall.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

constexpr int kPerTable = 2500;  // in each of the four entry tables

// A table file of `rows` rows, values scrambled with their section name.
void writeTable(long table, int rows, const std::function<std::vector<std::string>(int)>& values) {
  std::ofstream out(platform::resolvePath(TableFile(table)), std::ios::binary);
  for (int r = 1; r <= rows; ++r) {
    const std::string section = FormatNumber(r + 5, "0000");
    out << "[" << section << "]\r\n";
    int key = 1;
    for (const auto& v : values(r)) out << key++ << "=" << EncryptString(v, section) << "\r\n";
  }
  if (!WriteINI("Database_LastLineNo", varTableNames[static_cast<size_t>(table)], FormatNumber(rows + 5, "0000"),
                MasterFile(), true))
    std::abort();
}

std::string ip(int n) { return "10." + std::to_string(n / 65536) + "." + std::to_string((n / 256) % 256) + "." + std::to_string(n % 256); }
// Names in no order, so that a sort has work to do.
std::string name(int n) { return "Entry " + std::to_string((n * 7919) % 10007); }
std::string zone(int n) { return std::to_string(1 + n % 3); }
std::string id(int table, int n) { return FormatNumber(table * 100000 + n, "000000"); }

std::string makeFolder() {
  std::string dir = mvbench::freshProgramFolder("mvbench-zones-page");
  writeTable(Database_HostSetting, kPerTable, [](int n) {
    std::string host = "host" + std::to_string(n) + ".example.com";
    return std::vector<std::string>{host, name(n), host, zone(n), id(1, n)};
  });
  writeTable(Database_IPRangeSetting, kPerTable, [](int n) {
    return std::vector<std::string>{ip(n), ip(n + 9), name(n + 1), ip(n) + " - " + ip(n + 9), zone(n), id(2, n)};
  });
  writeTable(Database_IPSetting, kPerTable, [](int n) {
    return std::vector<std::string>{ip(n), name(n + 2), ip(n), zone(n), id(3, n)};
  });
  writeTable(Database_SubnetSetting, kPerTable, [](int n) {
    return std::vector<std::string>{ip(n), "255.255.255.0", name(n + 3), ip(n) + "/255.255.255.0", zone(n), "0", id(4, n)};
  });
  return dir;
}

void FillListView(benchmark::State& state) {
  std::string dir = makeFolder();
  frmFirewall* page = LoadForm<frmFirewall>();
  for (auto _ : state) {
    platform::profileClearCache();
    page->FillListView();
    benchmark::DoNotOptimize(page->lvwZones->topLevelItemCount());
  }
  if (page->lvwZones->topLevelItemCount() != 4 * kPerTable) state.SkipWithError("the list is not full");
  delete page;
  fs::remove_all(dir);
}

void SortByColumn(benchmark::State& state) {
  std::string dir = makeFolder();
  frmFirewall* page = LoadForm<frmFirewall>();
  int column = 0;
  for (auto _ : state) {
    // Each click sorts by another column, so no sort starts from sorted rows.
    column = (column + 1) % 5;
    page->lvwZones_ColumnClick(column);
  }
  delete page;
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK(FillListView)->Unit(benchmark::kMillisecond);
BENCHMARK(SortByColumn)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // The page needs a GUI application; it is never shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
