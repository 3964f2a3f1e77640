// Cost of the start-up repair of the zone entries on a hand-edited store of
// 2,000 address entries in which every second entry shares its ID with the
// one before it and every tenth has none, each with an address row that is
// not its own: the first start mends them all, a second one finds nothing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/BenchSupport.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/PrivateProfile.h"
#include "zones/mdlZoneEntry.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

void writeRow(std::ofstream& out, const std::string& section, const std::vector<std::string>& values) {
  out << "[" << section << "]\r\n";
  for (size_t i = 0; i < values.size(); ++i) out << (i + 1) << "=" << EncryptString(values[i], section) << "\r\n";
}

// The two table files of the store, as bytes.
struct Store {
  std::string dir, entries, addresses;
};

Store makeStore(long count) {
  Store s;
  s.dir = mvbench::freshProgramFolder("mvbench-startrepair");
  std::ofstream entries(s.dir + "/Profiles/Database_IPSetting.MVL", std::ios::binary);
  std::ofstream addresses(s.dir + "/Profiles/Database_IPAddress.MVL", std::ios::binary);
  for (long r = 1; r <= count; ++r) {
    const std::string ip = "10." + std::to_string(r / 65536) + "." + std::to_string((r / 256) % 256) + "." +
                           std::to_string(r % 256);
    const std::string id = r % 10 == 0 ? std::string() : FormatNumber((r + 1) / 2, "000000");
    writeRow(entries, FormatNumber(r, "0000"), {ip, "Host " + std::to_string(r), ip, std::to_string(1 + r % 3), id});
    writeRow(addresses, FormatNumber(r + 5, "0000"), {"2", "2", ip, ip, FormatNumber(r / 2 + 1, "000000")});
  }
  entries.close();
  addresses.close();
  if (!WriteINI("Database_LastLineNo", "Database_IPSetting", FormatNumber(count, "0000"), MasterFile(), true) ||
      !WriteINI("Database_LastLineNo", "Database_IPAddress", FormatNumber(count + 5, "0000"), MasterFile(), true))
    std::abort();
  const auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  s.entries = read(s.dir + "/Profiles/Database_IPSetting.MVL");
  s.addresses = read(s.dir + "/Profiles/Database_IPAddress.MVL");
  return s;
}

void restore(const Store& s) {
  std::ofstream(s.dir + "/Profiles/Database_IPSetting.MVL", std::ios::binary) << s.entries;
  std::ofstream(s.dir + "/Profiles/Database_IPAddress.MVL", std::ios::binary) << s.addresses;
  platform::profileClearCache();
}

void FirstStart(benchmark::State& state) {
  const Store s = makeStore(state.range(0));
  int repairs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    restore(s);
    state.ResumeTiming();
    repairs = ReconcileZoneAddresses();
  }
  state.counters["repairs"] = repairs;
  fs::remove_all(s.dir);
}

void SecondStart(benchmark::State& state) {
  const Store s = makeStore(state.range(0));
  static_cast<void>(ReconcileZoneAddresses());
  int repairs = 0;
  for (auto _ : state) repairs = ReconcileZoneAddresses();
  state.counters["repairs"] = repairs;
  fs::remove_all(s.dir);
}

}  // namespace

BENCHMARK(FirstStart)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(SecondStart)->Arg(2000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return mvbench::runBenchmarks(argc, argv); }
