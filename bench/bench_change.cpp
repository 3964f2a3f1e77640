// Cost of the changes of several files that are stored whole (a record first,
// then each file), each against what the disk alone costs for it: one atomic
// write (temporary file, flush, rename, folder flush) of the same bytes.
//
//  - Zone entries, on a program folder with 1,000 and 10,000 of them: Add of
//    an address entry, Edit of a host-name entry and Remove of an address
//    entry, as the entry dialogs and the zones page store them; the
//    reference is one atomic write of the address table's file.
//  - Moving a 10 MB alert log to another place and back; the reference is
//    one atomic write of the log.
//  - The wizard's Finish over a folder with 10,000 zone entries; the
//    reference is one atomic write of each file that Finish changes, with
//    its new bytes.
//
// Every call is timed on its own (manual time: the reported time is the mean
// of the timed calls; what puts the folder back between calls is not timed),
// and one round of the reference is timed after it. The counters give the
// median call (median_ms), the median reference (ref_ms), their ratio
// (x_ref = median_ms / ref_ms) and the page faults per call (faults). The
// AtomicWrite benchmarks show the references alone.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "alerts/mdlAlertLogSettings.h"
#include "bench/BenchSupport.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "wizard/mdlMain.h"
#include "zones/mdlCommon.h"
#include "zones/mdlZoneEntry.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

using Clock = std::chrono::steady_clock;

// Seconds taken by one call of `f`.
template <class F>
double timed(F&& f) {
  const Clock::time_point start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t mid = samples.size() / 2;
  return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

std::string readBytes(const std::string& native) {
  std::string bytes;
  if (!platform::readNativeFile(native, bytes)) std::abort();
  return bytes;
}

// A file's bytes, by native path.
using Files = std::map<std::string, std::string>;

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// The timed calls of one benchmark, and its reference: one round of atomic
// writes of the reference files, each under a name of its own beside it (a
// file that already exists, as the real one does, so the rename replaces
// one), taken after each call so that both see the same load of the machine.
class Samples {
 public:
  Samples(benchmark::State& state, Files reference) : state_(state), reference_(std::move(reference)) {
    writeReference();
  }
  ~Samples() {
    for (const auto& [native, bytes] : reference_) fs::remove(native + ".reference");
  }

  // Times one call; false, and the benchmark ends with an error, when the
  // call did not store its change.
  template <class F>
  bool call(F&& f) {
    bool ok = false;
    const long faults = minorFaults();
    const double seconds = timed([&] { ok = f(); });
    faults_ += minorFaults() - faults;
    if (!ok) {
      state_.SkipWithError("the change was not stored");
      return false;
    }
    calls_.push_back(seconds);
    state_.SetIterationTime(seconds);
    references_.push_back(timed([&] { writeReference(); }));
    return true;
  }

  // The counters: the median call, the median reference, their ratio, and
  // the page faults a call took on average (a first touch of memory is
  // costly on some machines, and a call's buffers may be given back to the
  // system after each call and taken again by the next one).
  void report() {
    const double call = median(calls_), reference = median(references_);
    state_.counters["median_ms"] = call * 1e3;
    state_.counters["ref_ms"] = reference * 1e3;
    state_.counters["x_ref"] = reference > 0 ? call / reference : 0;
    state_.counters["faults"] = calls_.empty() ? 0 : static_cast<double>(faults_) / static_cast<double>(calls_.size());
  }

 private:
  void writeReference() {
    for (const auto& [native, bytes] : reference_)
      if (!platform::writeNativeFileAtomic(native + ".reference", bytes)) std::abort();
  }
  benchmark::State& state_;
  Files reference_;
  std::vector<double> calls_, references_;
  long faults_ = 0;
};

// The reference alone: one atomic write of the file's bytes per iteration.
void atomicWrites(benchmark::State& state, const std::string& native, const std::string& bytes) {
  std::vector<double> samples;
  for (auto _ : state) {
    const double seconds = timed([&] {
      if (!platform::writeNativeFileAtomic(native + ".reference", bytes)) std::abort();
    });
    samples.push_back(seconds);
    state.SetIterationTime(seconds);
  }
  state.counters["median_ms"] = median(samples) * 1e3;
  state.counters["file_kB"] = static_cast<double>(bytes.size()) / 1024;
  fs::remove(native + ".reference");
}

// ---------------------------------------------------------------------------
// A program folder with zone entries.

constexpr const char* kFolder = "mvbench-change";

// Every tenth entry is a host name, the others are addresses; each has one
// address row, so the address table holds as many rows as there are
// entries (after the five rows the detected networks keep).
bool isHostName(long entry) { return entry % 10 == 0; }
std::string idOf(long entry) { return FormatNumber(entry, "000000"); }
std::string addressOf(long entry) {
  return "10." + std::to_string(entry / 65536) + "." + std::to_string((entry / 256) % 256) + "." +
         std::to_string(entry % 256);
}
std::string hostNameOf(long entry) { return "host" + std::to_string(entry) + ".example.net"; }
std::string zoneOf(long entry) { return std::to_string(1 + entry % 3); }

// Writes the entries with the rows, IDs and counters the entry dialogs give
// them one Add after another (each entry's address row first, then its
// entry row), held and stored as one change so that the folder is made in
// seconds.
void storeEntries(long count) {
  const bool stored = StoreTogether([&] {
    long hosts = 0, addresses = 0;
    for (long entry = 1; entry <= count; ++entry) {
      const bool host = isHostName(entry);
      const std::string id = idOf(entry), zone = zoneOf(entry);
      const std::string address = addressOf(entry), name = host ? hostNameOf(entry) : address;
      const long table = host ? Database_HostSetting : Database_IPSetting;
      const std::string row = FormatNumber(host ? ++hosts : ++addresses, "0000");
      if (!Write_MorvantisNewData(Database_IPAddress, FormatNumber(entry + 5, "0000"),
                                  {std::to_string(host ? ipHostName : ipAddress), zone, address, address, id}, false) ||
          !Write_MorvantisNewData(table, row, {name, "Entry " + std::to_string(entry), name, zone, id}, false))
        return false;
    }
    return WriteINIKeys("Database_LastLineNo",
                        {{"Database_IPSetting", FormatNumber(addresses, "0000")},
                         {"Database_HostSetting", FormatNumber(hosts, "0000")},
                         {"Database_IPAddress", FormatNumber(count + 5, "0000")},
                         {"LastRowIndex", idOf(count)}},
                        MasterFile(), true);
  });
  if (!stored) std::abort();
}

// The settings files of a folder with `count` zone entries, made once.
const Files& zoneStore(long count) {
  static std::map<long, Files> stores;
  Files& files = stores[count];
  if (files.empty()) {
    const std::string dir = mvbench::freshProgramFolder(kFolder);
    storeEntries(count);
    for (const auto& file : fs::directory_iterator(dir + "/Profiles"))
      files[file.path().filename().string()] = readBytes(file.path().string());
  }
  return files;
}

// A fresh program folder with `count` zone entries, the tables read once as
// the zones page reads them, so that the store's pictures of them are in
// hand as in the running program.
std::string layOutZoneStore(long count) {
  const Files& files = zoneStore(count);
  const std::string dir = mvbench::freshProgramFolder(kFolder);
  for (const auto& [name, bytes] : files)
    if (!platform::writeNativeFileAtomic(dir + "/Profiles/" + name, bytes)) std::abort();
  platform::profileClearCache();
  for (long table : {Database_IPSetting, Database_IPRangeSetting, Database_IPAddress, Database_HostSetting,
                     Database_SubnetSetting})
    Read_TableData(table, "*", "");
  return dir;
}

// The reference of a zone change: the address table's file.
Files addressFile(const std::string& dir) {
  const std::string native = dir + "/Profiles/Database_IPAddress.MVL";
  return {{native, readBytes(native)}};
}

// What the Add IP Address dialog's OK stores.
bool addAddress(const std::string& ip, std::string& id) {
  const EntryValues values = {{"IP", ip}, {"Name", "Added"}, {"Description", ip}, {"Zone", "2"}};
  return StoreZoneEntry(Database_IPSetting, ipAddress, values, true, "", {}, id) == EntrySaved::Saved;
}

// The zones page's row of the address entry, as Remove is given it.
ZoneListRow shownRow(const std::string& id) {
  Read_TableData(Database_IPSetting, "*", "ID=" + id);
  const std::vector<ZoneListRow> rows = ZoneListRows(Database_IPSetting, "IP Address");
  if (rows.size() != 1) std::abort();
  return rows[0];
}

bool removeAddress(const ZoneListRow& shown) { return RemoveZoneEntry(shown) == EntryRemoved::Removed; }

void AtomicWriteAddressFile(benchmark::State& state) {
  const std::string dir = layOutZoneStore(state.range(0));
  const auto [native, bytes] = *addressFile(dir).begin();
  atomicWrites(state, native, bytes);
}

// Add of an address entry; the entry is removed again, untimed, so that the
// table keeps its size.
void AddAddressEntry(benchmark::State& state) {
  const std::string dir = layOutZoneStore(state.range(0));
  Samples samples(state, addressFile(dir));
  for (auto _ : state) {
    std::string id;
    if (!samples.call([&] { return addAddress("192.168.7.7", id); })) break;
    if (!removeAddress(shownRow(id))) std::abort();
  }
  samples.report();
}

// Edit of a host-name entry that keeps its host name (so its addresses are
// the stored ones, read as the dialog reads them when it opens); its name
// changes with each call, so that every call changes the entry row.
void EditHostNameEntry(benchmark::State& state) {
  const long count = state.range(0);
  const std::string dir = layOutZoneStore(count);
  const long entry = count / 2 - count / 2 % 10;
  const std::string id = idOf(entry), host = hostNameOf(entry);
  const std::vector<std::string> addresses = StoredAddresses(id);
  if (addresses.size() != 1) std::abort();
  Samples samples(state, addressFile(dir));
  long edits = 0;
  for (auto _ : state) {
    const EntryValues values = {{"HostName", host},
                                {"Name", "Edited " + std::to_string(++edits % 2)},
                                {"Description", host},
                                {"Zone", "2"}};
    std::string stored;
    if (!samples.call([&] {
          return StoreZoneEntry(Database_HostSetting, ipHostName, values, false, id, addresses, stored) ==
                 EntrySaved::Saved;
        }))
      break;
  }
  samples.report();
}

// Remove of an address entry; an entry like it is added again, untimed, and
// is the one the next call removes.
void RemoveAddressEntry(benchmark::State& state) {
  const long entry = state.range(0) / 2 + 1;
  if (isHostName(entry)) std::abort();
  const std::string dir = layOutZoneStore(state.range(0));
  Samples samples(state, addressFile(dir));
  std::string id = idOf(entry);
  for (auto _ : state) {
    const ZoneListRow shown = shownRow(id);
    if (!samples.call([&] { return removeAddress(shown); })) break;
    if (!addAddress(addressOf(entry), id)) std::abort();
  }
  samples.report();
}

// ---------------------------------------------------------------------------
// The alert log.

constexpr size_t kLogBytes = 10 * 1024 * 1024;

std::string tenMegabyteLog() {
  std::string log = NewPlainLogHeader();
  const std::string line =
      "07-03-2026,09:05:02,Outgoing,Denied,TCP,192.168.1.20:51234,203.0.113.9:443,/usr/bin/webbrowser\r\n";
  while (log.size() + line.size() <= kLogBytes) log += line;
  return log;
}

struct LogFolder {
  std::string places[2];  // the log's two places, as the settings hold them
  std::string bytes;
};

// A fresh folder whose log, of 10 MB, is in its first place; the second
// place's folder exists.
LogFolder layOutLog() {
  const std::string dir = mvbench::freshProgramFolder(kFolder);
  fs::create_directories(dir + "/logs");
  fs::create_directories(dir + "/archive");
  LogFolder log{{AppPath() + "\\logs\\Alertlog.txt", AppPath() + "\\archive\\Alertlog.txt"}, tenMegabyteLog()};
  if (!platform::writeFileAtomic(log.places[0], log.bytes)) std::abort();
  return log;
}

void AtomicWriteLog(benchmark::State& state) {
  const LogFolder log = layOutLog();
  atomicWrites(state, platform::resolvePath(log.places[0]), log.bytes);
}

// The advanced dialog's OK with a new log path: the log moves to the other
// place, and the next call moves it back.
void MoveAlertLog(benchmark::State& state) {
  const LogFolder log = layOutLog();
  Samples samples(state, {{platform::resolvePath(log.places[0]), log.bytes}});
  int at = 0;
  for (auto _ : state) {
    const AlertLogSettings settings{false, "7", log.places[1 - at], 1};
    if (!samples.call([&] {
          const AlertLogSave saved = SaveAlertLogSettings(settings, log.places[at]);
          return saved.written && saved.move == LogMove::Moved;
        }))
      break;
    at = 1 - at;
  }
  if (fs::file_size(platform::resolvePath(log.places[at])) != log.bytes.size()) std::abort();
  samples.report();
}

// ---------------------------------------------------------------------------
// The wizard's Finish.

// The choices of a Finish that keeps the password, shows alerts and adds no
// program.
wizard::WizardChoices plainChoices() {
  wizard::WizardChoices choices;
  choices.AlertChoice = 1;
  choices.ProgramChoice = 2;
  return choices;
}

// The settings files put back as the folder with zone entries holds them,
// each flushed to disk, as a folder the wizard starts on is.
void putBack(const std::string& dir, const Files& files) {
  for (const auto& [name, bytes] : files)
    if (!platform::writeNativeFileAtomic(dir + "/Profiles/" + name, bytes)) std::abort();
}

// Finish on the folder with `count` zone entries; the folder is put back,
// untimed, before each call. The reference writes the files that Finish
// changes, with the bytes it gives them.
void WizardFinish(benchmark::State& state) {
  const long count = state.range(0);
  const Files& before = zoneStore(count);
  const std::string dir = layOutZoneStore(count);
  if (!wizard::saveStartupWizardSettings(plainChoices()).stored) std::abort();
  Files changed;
  for (const auto& [name, bytes] : before) {
    const std::string native = dir + "/Profiles/" + name;
    std::string now = readBytes(native);
    if (now != bytes) changed[native] = std::move(now);
  }
  state.counters["files"] = static_cast<double>(changed.size());
  Samples samples(state, std::move(changed));
  for (auto _ : state) {
    putBack(dir, before);
    if (!samples.call([&] { return wizard::saveStartupWizardSettings(plainChoices()).stored; })) break;
  }
  samples.report();
}

}  // namespace

BENCHMARK(AtomicWriteAddressFile)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AddAddressEntry)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(EditHostNameEntry)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RemoveAddressEntry)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AtomicWriteLog)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(MoveAlertLog)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WizardFinish)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  const int result = mvbench::runBenchmarks(argc, argv);
  fs::remove_all(fs::temp_directory_path() / kFolder);
  return result;
}
