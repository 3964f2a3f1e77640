#pragma once
// A fresh program folder with the default settings files, for benchmarks.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <filesystem>
#include <string>

#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"

namespace mvbench {

inline std::string freshProgramFolder(const std::string& name) {
  namespace fs = std::filesystem;
  std::string dir = (fs::temp_directory_path() / name).string();
  fs::remove_all(dir);
  fs::create_directories(dir + "/Profiles");
  fs::create_directories(dir + "/System32/drivers/etc");
  mv::platform::setProgramFolder(dir);
  mv::platform::profileClearCache();
  mv::SetPathGlobals();
  mv::InitTableNames();
  mv::checkIsMorvantisCorrupted();
  return dir;
}

// The main of a benchmark program: the store needs an application object.
inline int runBenchmarks(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace mvbench
