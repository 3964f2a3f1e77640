// Cost of listing the alert log on the alerts page: the newest 9,999 alerts of
// a qtrLogs.MVL of 9,999 and of 20,000 lines, read, unscrambled and split.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "alerts/mdlAlertLogList.h"
#include "bench/BenchSupport.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

std::string makeAlertLog(long lines) {
  std::string dir = mvbench::freshProgramFolder("mvbench-alerts-" + std::to_string(lines));
  std::ofstream out(dir + "/Profiles/qtrLogs.MVL", std::ios::binary);
  for (long n = 1; n <= lines; ++n) {
    const std::string text = "High,2024/03/15 15/03/2024 10:15:30,Deny,TCP,Outgoing,10.0.0.1:1025,10.1." +
                             std::to_string(n / 256 % 256) + "." + std::to_string(n % 256) +
                             ":443,C:\\Program Files\\Browser\\browser.exe,Protected,1025,443," + std::to_string(n % 7);
    out << EncryptString(text, PasswordKey) << "\r\n";
  }
  return dir;
}

void ListNewestAlerts(benchmark::State& state) {
  const long lines = state.range(0);
  const std::string dir = makeAlertLog(lines);
  for (auto _ : state) {
    auto rows = ReadNewestAlerts(strQTRLogFile, 9999);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(9999 * state.iterations());
  fs::remove_all(dir);
}
BENCHMARK(ListNewestAlerts)->Arg(9999)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return mvbench::runBenchmarks(argc, argv); }
