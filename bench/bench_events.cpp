// Cost of the engine event reader's tick: an idle tick (no new line) on a
// day's log of 100,000 lines, a tick that takes 1,000 new lines, the cost of
// a line naming a file that does not exist in a folder of 5,000 files, and
// the memory high-water mark while a burst of 100 MB of lines is read
// (bound: 64 MB resident at its peak, the program's own start included).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/mdlEventGlobals.h"
#include "alerts/mdlEventReader.h"
#include "bench/BenchSupport.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Clock.h"
#include "programs/mdlProgramControl.h"

using namespace mv;

namespace {

// The program the engine reports: a file that exists, as a running
// program's file does.
std::string workerPath;

// Lines as a busy engine writes them: processes starting and ending, and
// packets of the system that raise no alert.
std::string eventLine(long n) {
  const std::string pid = std::to_string(1000 + n % 500);
  switch (n % 3) {
    case 0: return "10:00:00,NP," + pid + "," + workerPath;
    case 1: return "10:00:00,DP," + pid + "," + workerPath;
    default: return "10:00:01,0,0,1,10.0.0.1:40000,10.1.2.3:443,System,Allowed,0,40000,443," + pid;
  }
}

void appendLines(const std::string& nativeLog, long from, long count) {
  std::ofstream out(nativeLog, std::ios::binary | std::ios::app);
  if (from == 1) out << "[Logs]\r\n";
  char key[24];
  for (long n = from; n < from + count; ++n) {
    std::snprintf(key, sizeof key, "%010ld", n);
    out << key << '=' << eventLine(n) << "\r\n";
  }
}

// A program folder whose first log of today already holds `lines` lines,
// all read.
std::string prepare(const std::string& name, long lines) {
  std::string dir = mvbench::freshProgramFolder(name);
  platform::setClock(platform::DateTime{2024, 3, 15, 10, 0, 0});
  std::filesystem::create_directories(dir + "/System32/logfiles/mvd");
  workerPath = dir + "/worker";
  std::ofstream(workerPath).put('\n');
  // The engine begins both of the day's logs when it starts.
  std::ofstream(dir + "/System32/logfiles/mvd/20240315i.log") << "[Logs]\r\n";
  InitProgramControl();
  arrAlertLabels = {"Protected", "New Program", "Repeat Program", "Server Program", "Access Program", "Blocked"};
  AlertEvent = 0;
  ProgramLog = 0;
  ResetEventReaderGlobals();
  ResetAlertQueueGlobals();
  std::string log = dir + "/System32/logfiles/mvd/20240315.log";
  appendLines(log, 1, lines);
  // A tick takes a bounded bite: the ticks go on until the log is read.
  for (long before = -1; before != lngLastLogLineNo;) {
    before = lngLastLogLineNo;
    CheckNewAlertsGenerates();
  }
  return log;
}

void IdleTickOn100000Lines(benchmark::State& state) {
  prepare("mvbench-events-idle", 100000);
  if (lngLastLogLineNo != 100000) state.SkipWithError("the log was not read");
  for (auto _ : state) CheckNewAlertsGenerates();
}

void TickOf1000NewLines(benchmark::State& state) {
  std::string log = prepare("mvbench-events-1000", 1000);
  long next = 1001;
  for (auto _ : state) {
    state.PauseTiming();
    appendLines(log, next, 1000);
    next += 1000;
    state.ResumeTiming();
    CheckNewAlertsGenerates();
  }
  if (lngLastLogLineNo != next - 1) state.SkipWithError("not every line was read");
}

// Lines of processes whose files are gone, in a folder that holds 5,000
// other files: each line looks its path up without regard to case.
void LineNamingAMissingFile(benchmark::State& state) {
  std::string log = prepare("mvbench-events-missing", 1);
  const std::string folder = std::filesystem::path(log).parent_path().parent_path().parent_path().parent_path().string() + "/many";
  std::filesystem::create_directories(folder);
  for (int i = 0; i < 5000; ++i) std::ofstream(folder + "/file" + std::to_string(i) + ".exe").put('\n');
  // The folder is as an installed program's folder is: not changed lately.
  sleep(3);
  long next = 2;
  const long perTick = 1000;
  for (auto _ : state) {
    state.PauseTiming();
    {
      std::ofstream out(log, std::ios::binary | std::ios::app);
      char key[24];
      for (long n = next; n < next + perTick; ++n) {
        std::snprintf(key, sizeof key, "%010ld", n);
        out << key << "=10:00:00," << "NP," << 1000 + n % 500 << "," << folder << "/Gone" << n
            << ".exe\r\n";
      }
    }
    next += perTick;
    state.ResumeTiming();
    CheckNewAlertsGenerates();
  }
  if (lngLastLogLineNo != next - 1) state.SkipWithError("not every line was read");
  state.SetItemsProcessed(state.iterations() * perTick);
}

// The process's resident high-water mark in MB (VmHWM).
double residentPeakMB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return -1;
}

// A burst of 100 MB of engine lines waiting in today's log: the reader takes
// it over its ticks, a bounded bite each.
void BurstOf100MBOfLines(benchmark::State& state) {
  std::string log = prepare("mvbench-events-burst", 1);
  long lines = 1;
  while (static_cast<long>(std::filesystem::file_size(log)) < 100L * 1024 * 1024) {
    appendLines(log, lines + 1, 10000);
    lines += 10000;
  }
  long ticks = 0;
  for (auto _ : state) {
    // The peak is counted from here.
    std::ofstream("/proc/self/clear_refs") << "5";
    while (lngLastLogLineNo < lines) {
      CheckNewAlertsGenerates();
      ++ticks;
    }
  }
  if (lngLastLogLineNo != lines) state.SkipWithError("not every line was read");
  state.counters["peak_resident_MB"] = residentPeakMB();
  state.counters["bound_MB"] = 64;
  state.counters["ticks"] = static_cast<double>(ticks);
  state.counters["lines"] = static_cast<double>(lines);
}

}  // namespace

BENCHMARK(LineNamingAMissingFile)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BurstOf100MBOfLines)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(IdleTickOn100000Lines)->Unit(benchmark::kMicrosecond);
BENCHMARK(TickOf1000NewLines)->Unit(benchmark::kMillisecond)->Iterations(50);

int main(int argc, char** argv) { return mvbench::runBenchmarks(argc, argv); }
