// Cost of an Apply without the engine restart: the zone address lists and
// port lists loaded from the store, and the whole rule file composed and
// written, with 10,000 zone entries, 1,000 programs and 1,000 components.
// Every program repeats its rules for each Trusted address, so the entries
// are Blocked but for ten Trusted ones. A second case writes the settings
// right before each Apply, as a user's change does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench/BenchSupport.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "rules/RuleInputs.h"
#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"
#include "zones/ZoneLevels.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

// Writes a settings file of `sections` sections directly, values scrambled
// with their section name as the store writes them.
void writeScrambled(const std::string& path,
                    const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& sections) {
  std::ofstream out(platform::resolvePath(path), std::ios::binary);
  for (const auto& [name, pairs] : sections) {
    out << "[" << name << "]\r\n";
    for (const auto& [k, v] : pairs) out << k << "=" << EncryptString(v, name) << "\r\n";
  }
}

std::string makeFolder() {
  std::string dir = mvbench::freshProgramFolder("mvbench-apply");
  InitProgramControl();

  using Section = std::pair<std::string, std::vector<std::pair<std::string, std::string>>>;
  std::vector<Section> addresses;
  for (int i = 1; i <= 10000; ++i) {
    std::string ip = "10." + std::to_string(i / 65536) + "." + std::to_string((i / 256) % 256) + "." + std::to_string(i % 256);
    std::string zone = i <= 10 ? "2" : "1";
    addresses.push_back({FormatNumber(i + 5, "0000"), {{"1", "2"}, {"2", zone}, {"3", ip}, {"4", ip}, {"5", FormatNumber(i, "000000")}}});
  }
  writeScrambled(strProfilePath + "Database_IPAddress.MVL", addresses);

  std::vector<Section> programs, components;
  for (int i = 1; i <= 1000; ++i) {
    std::string n = std::to_string(i);
    programs.push_back({"Program " + n,
                        {{"Version", "1.0"}, {"Column1", "0"}, {"Column2", "2"}, {"Column3", "1"}, {"Column4", "1"},
                         {"Column5", "0"}, {"Column6", "0"}, {"Path", "/opt/app" + n + "/bin/app"}, {"AllowAccess", "1"},
                         {"Ports", "1,4"}, {"ICMP_Protocol", "0"}, {"IGMP_Protocol", "0"}, {"Authenticate", "0"},
                         {"CheckedPorts", "1,4"}, {"NoCustomizePorts", "1"}, {"Custom_1", "Sync (TCP port 7000 )_1"}}});
    components.push_back({"lib" + n + ".so(1)", {{"Path", "/usr/lib/lib" + n + ".so"}, {"Description", "library"}, {"AccessType", "2"}}});
  }
  writeScrambled(strProgramControlFile, programs);
  writeScrambled(strComponentsFile, components);

  intTrustedZoneLevel = 2;
  intInternetZoneLevel = 3;
  ControlLevel = 2;
  AlertOn = true;
  return dir;
}

// What LoadBlockingRules does before it restarts the engine.
void applyWithoutRestart(benchmark::State& state) {
  blnZoneDataChanged = true;
  blnRestartingService = false;
  InitRuleDictionaries();
  LoadArrayList(Database_IPAddress, "IPAddressFrom,IPAddressTo", "zone=1", arrBlockedEntries);
  LoadArrayList(Database_IPAddress, "IPAddressFrom,IPAddressTo", "Zone=2", arrTrustedEntries);
  LoadTCPPorts(3, 3, 1, arrTCPInternetHighOut);
  if (!AddRulesToINI(false, true)) state.SkipWithError("rule file not written");
}

void finish(benchmark::State& state, const std::string& dir) {
  state.counters["rule_file_MB"] = static_cast<double>(fs::file_size(dir + "/System32/drivers/etc/mvd.conf")) / 1e6;
  if (!getenv("MV_KEEP")) fs::remove_all(dir);
}

void ApplyWithoutRestart(benchmark::State& state) {
  std::string dir = makeFolder();
  for (auto _ : state) applyWithoutRestart(state);
  finish(state, dir);
}

// The same Apply right after the change that asks for it, as a user makes
// one: a program's right and a zone entry's zone are written (not timed),
// then the Apply reads the files just written.
void ApplyRightAfterAChange(benchmark::State& state) {
  std::string dir = makeFolder();
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++round;
    if (!WriteINI("Program 1", "Column1", round % 2 ? "1" : "0", strProgramControlFile, true))
      state.SkipWithError("program not written");
    if (!WriteColumnValue(Database_IPAddress, "0020", "Zone", round % 2 ? "2" : "1"))
      state.SkipWithError("address row not written");
    state.ResumeTiming();
    applyWithoutRestart(state);
  }
  finish(state, dir);
}

}  // namespace

BENCHMARK(ApplyWithoutRestart)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ApplyRightAfterAChange)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) { return mvbench::runBenchmarks(argc, argv); }
