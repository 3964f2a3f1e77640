// Cost of opening the program-control page on a profile of 1,000 programs
// and 1,000 components: the page fills both lists, the program icons
// included (second argument 1: every program file exists). Target: under
// 200 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <string>
#include <memory>

#include "bench/BenchSupport.h"
#include "programs/frmProgramControl.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"

using namespace mv;

namespace {

// Programs and components under `folder`; with `files`, each has a file of
// its own there, so the page looks up a real icon for every program.
void fillStores(int count, const std::string& folder, bool files) {
  ResetProgramControlGlobals();
  ResetComponentControlGlobals();
  InitProgramControl();
  for (int i = 0; i < count; ++i) {
    auto program = std::make_shared<clsProgramList>();
    program->ProgramName = "Program " + std::to_string(i);
    program->Path = folder + "/Program" + std::to_string(i) + ".exe";
    if (files) std::ofstream(program->Path) << "MZ";
    program->AccessTrusted = program->AccessInternet = strAllow;
    program->ServerTrusted = program->ServerInternet = strAsk;
    program->LockState = strNormal;
    program->Active = i % 10 == 0;
    colProgramList.Add(program, LCase(program->Path));
    auto component = std::make_shared<clsComponentList>();
    component->Path = folder + "/lib" + std::to_string(i) + ".dll";
    component->ComponentName = "LIB" + std::to_string(i) + ".DLL";
    component->Description = "Library " + std::to_string(i);
    component->AccessType = static_cast<std::uint8_t>(i % 3);
    colComponentList.Add(component, LCase(component->Path));
  }
}

void OpenPage(benchmark::State& state) {
  const std::string folder = mvbench::freshProgramFolder("mvbench-programpage");
  fillStores(static_cast<int>(state.range(0)), folder, state.range(1) != 0);
  for (auto _ : state) {
    auto page = std::make_unique<frmProgramControl>();
    benchmark::DoNotOptimize(page->lvwPrograms->topLevelItemCount());
    state.PauseTiming();
    if (page->lvwPrograms->topLevelItemCount() != state.range(0)) state.SkipWithError("programs missing");
    page.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(OpenPage)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
