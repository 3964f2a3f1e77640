// Cost of the engine event reader's tick: an idle tick (no new line) on a
// day's log of 100,000 lines, and a tick that takes 1,000 new lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

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
  CheckNewAlertsGenerates();
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

}  // namespace

BENCHMARK(IdleTickOn100000Lines)->Unit(benchmark::kMicrosecond);
BENCHMARK(TickOf1000NewLines)->Unit(benchmark::kMillisecond)->Iterations(50);

int main(int argc, char** argv) { return mvbench::runBenchmarks(argc, argv); }
