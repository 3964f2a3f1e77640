#include "core/mdINIBas.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <exception>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/SettingsKeys.h"
#include "core/mdlMain.h"
#include "platform/Paths.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "platform/ProfileText.h"
#include "platform/Seam.h"

namespace mv {

std::vector<IniKeyValue> arrIniSection;

namespace {
// The key a section's values are scrambled with: the section's name as the
// file holds it, without blanks around it, whatever form a caller passes.
std::string scrambleKey(const std::string& section) { return std::string(platform::trimProfileBlanks(section)); }
}  // namespace

std::string ReadINI(const std::string& section, const std::string& key, const std::string& /*defaultValue*/,
                    const std::string& file, bool scramble) {
  // A missing key, section or file reads as "" whatever default is passed:
  // callers rely on that, and the built-in defaults carry every key.
  if (key.empty()) return "";
  try {
    auto v = platform::profileGetString(section, key, file);
    if (!v) return "";
    return scramble ? DecryptString(*v, scrambleKey(section)) : *v;
  } catch (const std::exception&) {
    return "";
  }
}

namespace {
std::string prepareValue(const std::string& value, const std::string& section, bool scramble) {
  std::string v = LTrim(value);
  return scramble ? EncryptString(v, scrambleKey(section)) : v;
}

std::string& lastFailedFile() {
  static std::string file;
  return file;
}

// A write that failed for the folder's lock (another program saving, a
// record that cannot be read) is no fault of its file: it is told as what
// it is, and the start logs its cause once, not every write a tick makes.
bool reportFailure(bool ok, const std::string& file, const char* where) {
  if (!ok) {
    lastFailedFile() = file;
    if (!platform::folderLockRefused()) WriteErrorLog("Path/File access error (" + file + ")", where);
  }
  return ok;
}
}  // namespace

const std::string& LastFailedWriteFile() { return lastFailedFile(); }

namespace {
bool& completesLater() {
  static bool later = false;
  return later;
}
}  // namespace

bool LastStoreCompletesLater() { return completesLater(); }

bool StoreTogether(const std::function<bool()>& writes) {
  completesLater() = false;
  platform::ProfileChange change;
  if (!writes()) return false;
  const bool stored = change.commit();
  completesLater() = !stored && change.pending();
  return reportFailure(stored, change.failedFile(), "StoreTogether of mdINIBas");
}

namespace {
constexpr const char* kFinish = "FinishPendingChange of mdINIBas";
// How long a start waits for another program's change to end (a test
// shortens it; a reset of the seams puts it back).
constexpr std::chrono::milliseconds kStartLockWait{30000};
std::chrono::milliseconds& startLockWait() {
  static std::chrono::milliseconds wait = kStartLockWait;
  static const bool registered = [] {
    platform::detail::seamResets().push_back([] { wait = kStartLockWait; });
    return true;
  }();
  static_cast<void>(registered);
  return wait;
}
constexpr const char* kWaitingForOtherProgram =
    "Waiting for another Morvantis program to finish saving the settings...";

void logFinish(const platform::ChangeFinish& finish) {
  if (finish.unread) {
    WriteErrorLog("A change record could not be read (" + std::string(std::strerror(finish.unreadError)) +
                      "); it is left for the next start, and nothing is saved until it can be read (" +
                      platform::profileChangeRecordPath() + ")",
                  kFinish);
    return;
  }
  if (finish.damaged) {
    WriteErrorLog(finish.keptAs.empty()
                      ? "A damaged change record could not be set aside (" + platform::profileChangeRecordPath() + ")"
                      : "A damaged change record was set aside, not applied (" + finish.keptAs + ")",
                  kFinish);
    return;
  }
  if (finish.finished) {
    WriteErrorLog("A change interrupted by the end of the program was completed", kFinish);
    return;
  }
  for (const std::string& file : finish.notWritten)
    WriteErrorLog("A change interrupted by the end of the program could not be completed in " + file, kFinish);
}

// The alert log's places: the one the settings name on disk, and the one a
// change names in the settings it writes (a change that moves the log).
platform::ChangeLogPlaces logPlaces(const std::vector<platform::ChangeRecordEntry>& entries) {
  platform::ChangeLogPlaces places;
  auto add = [&](std::vector<std::string>& to, const std::shared_ptr<const platform::ProfileData>& settings) {
    if (auto path = settings->value(keys::Main, keys::Path))
      to.push_back(platform::resolvePath(DecryptString(*path, keys::Main)));
  };
  add(places.onDisk, platform::profileRead(strAlertsSettingFile));
  const std::string file = platform::resolvePath(strAlertsSettingFile);
  for (const auto& e : entries)
    if (e.kind == platform::ChangeRecordEntry::Write && e.native == file)
      add(places.recorded, platform::profileParseText(e.bytes));
  return places;
}
}  // namespace

void SetStartLockWait(std::chrono::milliseconds wait) { startLockWait() = wait; }

void FinishPendingChange() {
  // Whoever finishes a change left on disk logs it: this start, or a later
  // write of this program that finds another program's change.
  platform::setChangeFinishReporter(logFinish);
  platform::setChangeLogPlaces(logPlaces);
  // A start waits for another program's change to end, longer than a write
  // does, and finishes its record before anything is read; a wait that is
  // not quick is said on screen.
  const auto began = std::chrono::steady_clock::now();
  bool told = false;
  const platform::ChangeFinish finish = platform::finishChangeRecord(startLockWait(), [&] {
    if (!told && std::chrono::steady_clock::now() - began >= std::chrono::seconds(1)) {
      platform::ShowNotice(kWaitingForOtherProgram, AppTitle);
      told = true;
    }
    platform::pumpEvents();
  });
  if (told) platform::ShowNotice("", AppTitle);
  if (finish.lockRanOut) {
    WriteErrorLog("Another program held the settings for " + std::to_string(startLockWait().count() / 1000) +
                      " seconds; the settings were read as they were",
                  kFinish);
    platform::MsgBox("Another Morvantis program is saving the settings and did not finish within " +
                         std::to_string(startLockWait().count() / 1000) +
                         " seconds. The settings are read as they are now.",
                     platform::vbExclamation, AppTitle);
    return;
  }
  // Logged when the lock was taken (once a run).
  if (finish.unread) {
    std::string why = ChangeRecordUnreadText();
    why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    platform::MsgBox(why + ".\r\nNo setting can be saved until it can be read, so that completing that change never "
                           "undoes a later one. The settings are read as they are now.",
                     platform::vbExclamation, AppTitle);
    return;
  }
  if (finish.notWritten.empty()) return;
  std::string files;
  for (const std::string& file : finish.notWritten) files += "\r\n" + file;
  // A change that could not be completed now stays recorded, and holds up
  // every save until it is; one that was dropped in part is told as such
  // (the rest is said to be saved only when some of it was).
  const std::string after =
      finish.kept ? std::string("\r\nIt stays recorded: ") + kCompletedLater + " No setting can be saved until then."
      : finish.written > 0 ? "\r\nThe rest of it was saved.\r\nPlease check these settings."
                           : "\r\nPlease check these settings.";
  platform::MsgBox("A change interrupted by the end of the program could not be completed in:" + files + after,
                   platform::vbExclamation, AppTitle);
}

bool WriteINI(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file, bool scramble) {
  return ErrorBoundary("WriteINI of mdINIBas", false, [&]() -> bool {
    return reportFailure(platform::profileWriteString(section, key, prepareValue(value, section, scramble), file),
                         file, "WriteINI of mdINIBas");
  });
}

namespace {
std::vector<std::pair<std::string, std::string>> prepared(
    const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs, bool scramble) {
  std::vector<std::pair<std::string, std::string>> out;
  out.reserve(pairs.size());
  for (const auto& [k, v] : pairs) out.emplace_back(k, prepareValue(v, section, scramble));
  return out;
}
}  // namespace

bool WriteINIKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                  const std::string& file, bool scramble) {
  return reportFailure(platform::profileWriteKeys(section, prepared(section, pairs, scramble), file), file,
                       "WriteINIKeys of mdINIBas");
}

bool WriteINISection(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                     const std::string& file, bool scramble) {
  return reportFailure(platform::profileWriteSection(section, prepared(section, pairs, scramble), file), file,
                       "WriteINISection of mdINIBas");
}

bool WriteINISectionValues(const std::string& section, const std::vector<std::string>& values,
                           const std::string& file, bool scramble) {
  std::vector<std::pair<std::string, std::string>> pairs;
  pairs.reserve(values.size());
  for (size_t i = 0; i < values.size(); ++i) pairs.emplace_back(std::to_string(i + 1), values[i]);
  return WriteINISection(section, pairs, file, scramble);
}

namespace {
[[noreturn]] void raiseFileAccess(const std::string& file) {
  throw RuntimeError(75, FileAccessErrorText(file));
}
}  // namespace

void WriteINIOrRaise(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file, bool scramble) {
  if (!platform::profileWriteString(section, key, prepareValue(value, section, scramble), file)) raiseFileAccess(file);
}

void WriteINISectionOrRaise(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& pairs, const std::string& file,
                            bool scramble) {
  if (!platform::profileWriteSection(section, prepared(section, pairs, scramble), file)) raiseFileAccess(file);
}

std::string ReadIniSection(const std::string& file, const std::string& section) {
  std::string raw;
  try {
    auto data = platform::profileRead(file);
    const platform::ProfileSection* s = data->section(section);
    if (!s || s->entries.empty()) return "";
    for (size_t i = 0; i < s->entries.size(); ++i) {
      const auto& e = s->entries[i];
      if (i) raw += '\0';
      raw += e.key;
      if (e.hasEquals) raw += "=" + e.value;
    }
    // The pairs are split at the first "=": key names never hold one, while a
    // scrambled value may. The section's name as the file holds it is the key.
    if (s->entries[0].hasEquals) arrIniSection.clear();
    for (const auto& e : s->entries) {
      if (!e.hasEquals) break;
      arrIniSection.push_back(IniKeyValue{e.key, DecryptString(e.value, s->name)});
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e.what(), "ReadIniSection of mdINIBas");
  }
  return raw;
}

bool ReadIniSectionKeys(const platform::ProfileSection& section, std::span<const char* const> keys,
                        std::vector<std::string>& values, std::string& missing) {
  // The pairs are those ReadIniSection gives: the entries before the first
  // one without "=".
  const auto end = std::find_if(section.entries.begin(), section.entries.end(),
                                [](const platform::ProfileEntry& e) { return !e.hasEquals; });
  values.clear();
  missing.clear();
  for (const char* key : keys) {
    auto it = std::find_if(section.entries.begin(), end,
                           [key](const platform::ProfileEntry& e) { return SameText(e.key, key); });
    if (it == end) {
      missing = key;
      return false;
    }
    values.push_back(DecryptString(it->value, section.name));
  }
  return true;
}

std::string GetINISectionNames(const std::string& file) {
  auto data = platform::profileRead(file);
  std::string out;
  for (size_t i = 0; i < data->sections().size(); ++i) {
    if (i) out += '\0';
    out += data->sections()[i].name;
  }
  return out;
}

void GetINISectionKeys(std::vector<std::string>& keys, const std::string& section, const std::string& file) {
  auto data = platform::profileRead(file);
  const platform::ProfileSection* s = data->section(section);
  if (!s || s->entries.empty()) return;
  keys.assign(s->entries.size() + 1, std::string());
  for (size_t i = 0; i < s->entries.size(); ++i) keys[i + 1] = s->entries[i].key;
}

bool DeleteINISection(const std::string& section, const std::string& file) {
  return reportFailure(platform::profileDeleteSection(section, file), file, "DeleteINISection of mdINIBas");
}

bool DeleteINISections(const std::vector<std::string>& sections, const std::string& file) {
  return reportFailure(platform::profileDeleteSections(sections, file), file, "DeleteINISection of mdINIBas");
}

}  // namespace mv
