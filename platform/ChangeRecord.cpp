#include "platform/ChangeRecord.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Registry.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {

// How long a write waits for another process's write to end. Writes of
// settings take milliseconds; a writer that holds the lock longer has hung,
// and this process's write then fails (and is told) instead of hanging too.
constexpr auto kLockWait = std::chrono::milliseconds(3000);
// How long an action whose wait ran out looks at that wait again.
constexpr auto kGlance = std::chrono::milliseconds(50);

// A record holds the new bytes of settings files; anything larger is not one
// of ours.
constexpr off_t kMaxRecordBytes = 256LL * 1024 * 1024;

// The replace of a whole file, reporting the new file's stamp (a test may
// make it fail).
using FileWriter = bool(const std::string&, const std::string&, FileStamp&);
Seam<FileWriter>& fileWriter() {
  static Seam<FileWriter> seam(static_cast<bool (*)(const std::string&, const std::string&, FileStamp&)>(
      writeNativeFileAtomic));
  return seam;
}

// The read of a settings file (a test may make it fail).
using FileReader = bool(const std::string&, std::string&);
Seam<FileReader>& fileReader() {
  static Seam<FileReader> seam(static_cast<bool (*)(const std::string&, std::string&)>(readNativeFile));
  return seam;
}

std::function<ChangeLogPlaces(const std::vector<ChangeRecordEntry>&)>& logPlaces() {
  static std::function<ChangeLogPlaces(const std::vector<ChangeRecordEntry>&)> f;
  return f;
}

std::function<void(const ChangeFinish&)>& reporter() {
  static std::function<void(const ChangeFinish&)> r;
  return r;
}

// The lock is a flock on the program folder itself, so that it needs no file
// of its own and works in a folder that cannot be written. Nested holders in
// this process count up; the mutex keeps two threads of it apart as the flock
// keeps two processes apart.
struct LockState {
  std::recursive_mutex mutex;
  int depth = 0;
  bool held = false;
  // The flock is held, but nothing may be written under it (a record that
  // could not be read now): nested holders are refused too.
  bool refused = false;
  // The last change stored under the lock this process took last left its
  // record on disk, to be completed by the next write or start.
  bool changeLeft = false;
  // The last taking of the lock was refused (another process held it, or
  // the record could not be read).
  bool lastRefused = false;
  // The record could not be read when the lock was last taken, and why
  // (errno): told once, not at every taking, until it is read again.
  bool unread = false;
  int unreadError = 0;
  // The record's completion failed again when the lock was last taken: it
  // stays, told once, not at every taking, until it is completed.
  bool kept = false;
  std::vector<std::string> keptFiles;
  int fd = -1;
  pid_t owner = 0;  // the process that opened fd
  std::string folder;
  // What the last taking of the lock found and finished.
  ChangeFinish lastFinish;
};
LockState& lockState() {
  static LockState s;
  return s;
}

// Set when a wait for another process's write ran out, for the rest of the
// user action under way: its later writes take the lock only when it is
// free, so that one action waits once, and what it could not store is told
// as the other program's saving. The action is over once the window's
// events run idle at the level of the loop it ran in (the program's main
// loop for its start): the turns of events of a message box it shows, or
// the events it lets run between its steps, are still the action. A test's
// reset of the seams clears it too.
std::atomic<bool>& lockRanOut() {
  static std::atomic<bool> ranOut{false};
  static const bool registered = [] {
    detail::seamResets().push_back([] { ranOut = false; });
    return true;
  }();
  static_cast<void>(registered);
  return ranOut;
}

void noteLockRanOut() {
  lockRanOut() = true;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return;
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread());
  if (!dispatcher) return;
  // The level of the loop whose idleness ends the action: the one it runs
  // in, or the main loop that follows the start.
  static int actionLevel = 1;
  static QMetaObject::Connection idle;
  actionLevel = std::max(QThread::currentThread()->loopLevel(), 1);
  QObject::disconnect(idle);
  idle = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, app, [] {
    if (modalWindowUp() || QThread::currentThread()->loopLevel() > actionLevel) return;
    lockRanOut() = false;
    QObject::disconnect(idle);
  });
}

std::atomic<std::uint64_t>& lockWaits() {
  static std::atomic<std::uint64_t> waits{0};
  return waits;
}

ChangeFinish finishFound();

// One wait for the lock in the kernel's queue of waiters: a thread of its
// own blocks in flock on an open folder of its own, and the caller waits for
// it with a limit. A wait that ran out leaves the thread blocked, to let the
// lock go again as soon as it gets it; the next wait of this process on the
// folder takes that thread up again rather than starting another, so that
// a holder that never lets go holds up one thread and one descriptor at most.
struct LockWaiter {
  std::mutex mutex;
  std::condition_variable done;
  enum State { Waiting, Taken, NoLocks, Abandoned, Ended } state = Waiting;
  int fd = -1;
  std::string folder;
  pid_t owner = 0;
};

// The wait that ran out last, while its thread may still be blocked.
std::shared_ptr<LockWaiter>& abandonedWaiter() {
  static std::shared_ptr<LockWaiter> waiter;
  return waiter;
}

// The abandoned wait of this process on `folder`, taken up again; null when
// its thread has ended meanwhile.
std::shared_ptr<LockWaiter> takeUpAbandoned(const std::string& folder) {
  const std::shared_ptr<LockWaiter> waiter = std::move(abandonedWaiter());
  abandonedWaiter().reset();
  // A forked child has the folder open, but not the parent's thread.
  if (!waiter || waiter->owner != ::getpid() || waiter->folder != folder) return nullptr;
  std::lock_guard<std::mutex> guard(waiter->mutex);
  if (waiter->state != LockWaiter::Abandoned) return nullptr;
  waiter->state = LockWaiter::Waiting;
  return waiter;
}

std::shared_ptr<LockWaiter> startWaiter(const std::string& folder) {
  auto waiter = std::make_shared<LockWaiter>();
  waiter->fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (waiter->fd < 0) return nullptr;
  waiter->folder = folder;
  waiter->owner = ::getpid();
  std::thread([waiter] {
    int rc;
    do rc = ::flock(waiter->fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    std::lock_guard<std::mutex> guard(waiter->mutex);
    if (waiter->state == LockWaiter::Abandoned) {
      // Lets the lock go, also where a child forked meanwhile shares the
      // open folder.
      if (rc == 0) ::flock(waiter->fd, LOCK_UN);
      ::close(waiter->fd);
      waiter->state = LockWaiter::Ended;
      return;
    }
    waiter->state = rc == 0 ? LockWaiter::Taken : LockWaiter::NoLocks;
    waiter->done.notify_all();
  }).detach();
  return waiter;
}

enum class Taken { Yes, RanOut, NoLocks };

Taken waitInQueue(const std::string& folder, std::chrono::milliseconds wait,
                  const std::function<void()>& whileWaiting, int& fd) {
  std::shared_ptr<LockWaiter> waiter = takeUpAbandoned(folder);
  if (!waiter) waiter = startWaiter(folder);
  if (!waiter) return Taken::NoLocks;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock<std::mutex> guard(waiter->mutex);
  while (waiter->state == LockWaiter::Waiting) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      waiter->state = LockWaiter::Abandoned;
      guard.unlock();
      abandonedWaiter() = std::move(waiter);
      return Taken::RanOut;
    }
    waiter->done.wait_for(guard, std::min<std::chrono::steady_clock::duration>(deadline - now,
                                                                             std::chrono::milliseconds(100)));
    if (whileWaiting && waiter->state == LockWaiter::Waiting) {
      guard.unlock();
      whileWaiting();
      guard.lock();
    }
  }
  if (waiter->state == LockWaiter::NoLocks) {
    ::close(waiter->fd);
    return Taken::NoLocks;
  }
  fd = waiter->fd;
  return Taken::Yes;
}

bool takeFolderLock(LockState& s, std::chrono::milliseconds wait, const std::function<void()>& whileWaiting) {
  // A flock belongs to the open folder, which a forked child shares with its
  // parent: each process opens the folder for itself.
  if (s.fd < 0 || s.folder != programFolder() || s.owner != ::getpid()) {
    if (s.fd >= 0) ::close(s.fd);
    s.folder = programFolder();
    s.owner = ::getpid();
    s.fd = ::open(s.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  // A folder that cannot be opened cannot be written in either: its writes
  // fail on their own.
  if (s.fd < 0) return true;
  if (::flock(s.fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno != EWOULDBLOCK) return true;  // a file system without locks
  // A timer's tick or an engine event never waits: what it could not write
  // is written at a later tick, and the window goes on meanwhile.
  if (inBackgroundWork()) return false;
  // Once a wait ran out in this action, the rest of it does not wait again:
  // it takes the lock only when it is free. It glances at the wait that ran
  // out, whose thread may hold the lock for the moment it takes to let it go.
  const bool ranOut = lockRanOut();
  if (!ranOut) ++lockWaits();
  int taken = -1;
  switch (waitInQueue(s.folder, ranOut ? kGlance : wait, ranOut ? std::function<void()>() : whileWaiting, taken)) {
    case Taken::Yes:
      // The waiter's open folder holds the lock from now on.
      ::close(s.fd);
      s.fd = taken;
      return true;
    case Taken::NoLocks:
      return true;
    case Taken::RanOut:
      break;
  }
  if (!ranOut) noteLockRanOut();
  return false;
}

}  // namespace

FolderWriteLock::FolderWriteLock() : FolderWriteLock(kLockWait) {}

FolderWriteLock::FolderWriteLock(std::chrono::milliseconds wait, const std::function<void()>& whileWaiting) {
  LockState& s = lockState();
  s.mutex.lock();
  if (s.depth++ > 0) {
    held_ = s.held && !s.refused;
    return;
  }
  s.refused = false;
  s.changeLeft = false;
  s.lastFinish = ChangeFinish{};
  s.held = takeFolderLock(s, wait, whileWaiting);
  held_ = s.held;
  s.lastRefused = !held_;
  if (!held_) return;
  s.lastFinish = finishFound();
  // A record that stays unread, or whose completion keeps failing, is told
  // when it is first found so, not at every later taking of the lock (a
  // timer's tick takes it at every engine event).
  const bool toldBefore = (s.unread && s.lastFinish.unread) || (s.kept && s.lastFinish.kept);
  s.unread = s.lastFinish.unread;
  s.unreadError = s.lastFinish.unreadError;
  s.kept = s.lastFinish.kept;
  s.keptFiles = s.lastFinish.notWritten;
  if ((s.lastFinish.found || s.unread) && !toldBefore && reporter()) reporter()(s.lastFinish);
  // A record that could not be read now is finished before anything else
  // is written: nothing is, until it can be.
  s.refused = s.lastFinish.unread || s.lastFinish.kept;
  held_ = !s.refused;
  s.lastRefused = !held_;
}

bool folderLockRanOut() { return lockRanOut(); }

bool folderLockRefused() { return lockState().lastRefused; }

bool changeRecordUnread(std::string* why) {
  const LockState& s = lockState();
  if (s.unread && why) *why = std::strerror(s.unreadError);
  return s.unread;
}

bool changeRecordKept(std::vector<std::string>* files) {
  const LockState& s = lockState();
  if (s.kept && files) *files = s.keptFiles;
  return s.kept;
}

std::uint64_t folderLockWaits() { return lockWaits(); }

FolderWriteLock::~FolderWriteLock() {
  LockState& s = lockState();
  if (--s.depth == 0) {
    if (s.held && s.fd >= 0) ::flock(s.fd, LOCK_UN);
    s.held = false;
  }
  s.mutex.unlock();
}

bool replaceFolderFile(const std::string& native, const std::string& bytes, FileStamp& written) {
  return fileWriter()(native, bytes, written);
}

bool replaceFolderFile(const std::string& native, const std::string& bytes) {
  FileStamp ignored;
  return fileWriter()(native, bytes, ignored);
}

void setProfileFileWriter(ProfileFileWriter writer) {
  // A test's writer signs nothing: what it wrote is confirmed on read, as a
  // file written by another process is.
  if (!writer) return fileWriter().replace(nullptr);
  fileWriter().replace([writer = std::move(writer)](const std::string& native, const std::string& bytes,
                                                    FileStamp&) { return writer(native, bytes); });
}

bool readFolderFile(const std::string& native, std::string& bytes) { return fileReader()(native, bytes); }

void setProfileFileReader(ProfileFileReader reader) { fileReader().replace(std::move(reader)); }

void setChangeFinishReporter(std::function<void(const ChangeFinish&)> r) { reporter() = std::move(r); }

void setChangeLogPlaces(std::function<ChangeLogPlaces(const std::vector<ChangeRecordEntry>&)> places) {
  logPlaces() = std::move(places);
}

bool moveFolderFile(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return errno == ENOENT;
  std::string bytes, there;
  if (!S_ISREG(st.st_mode) || !readNativeFile(from, bytes)) return false;
  // A new place that begins with every byte of the old file holds the file
  // already: the copy written before the end of the program, while the old
  // file lost the lines that were not yet on the disk at a power cut.
  struct stat at;
  const bool holds = ::lstat(to.c_str(), &at) == 0 && S_ISREG(at.st_mode) &&
                     static_cast<size_t>(at.st_size) >= bytes.size() && readNativeFile(to, there) &&
                     there.compare(0, bytes.size(), bytes) == 0;
  // The old name goes only once the new place holds the file.
  return (holds || replaceFolderFile(to, bytes)) && removeNativeFile(from);
}

std::string profileChangeRecordPath() { return programFolder() + "/Morvantis.change"; }

// ---------------------------------------------------------------------------
// The record holds, after a header line, one entry per file:
//   "W <path length> <byte count>\n" path bytes "\n"   a file's new content
//   "R <path length>\n" path "\n"                       a file removed
//   "M <path length> <path length>\n" from to "\n"      a file moved
// and ends with "END\n". A path inside the program folder is relative to
// it, with no step out of it; only a log's place is written in full. The
// record is written by an atomic replace, so a kill never leaves one cut
// short: a record that does not read whole is damage.

namespace {

const std::string kRecordHeader = "MORVANTIS CHANGE 1\n";

// The path of a file inside the program folder relative to it, or nothing.
std::optional<std::string> relativeInFolder(const std::string& native) {
  const std::string folder = programFolder() + "/";
  if (native.size() <= folder.size() || native.compare(0, folder.size(), folder) != 0) return std::nullopt;
  return native.substr(folder.size());
}

// A recorded path that names a file: relative (inside the folder) or full,
// with no empty, "." or ".." step and no NUL byte.
bool soundPath(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  const std::string relative = path.front() == '/' ? path.substr(1) : path;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    const std::string_view step(relative.data() + start, end - start);
    if (step.empty() || step == "." || step == "..") return false;
    start = end + 1;
  }
  return true;
}

std::optional<std::vector<ChangeRecordEntry>> parseRecord(const std::string& text) {
  if (text.compare(0, kRecordHeader.size(), kRecordHeader) != 0) return std::nullopt;
  std::vector<ChangeRecordEntry> entries;
  size_t at = kRecordHeader.size();
  auto number = [&](size_t& value) {
    size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == at || end - at > 18) return false;
    value = std::stoull(text.substr(at, end - at));
    at = end;
    return true;
  };
  auto expect = [&](char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
  };
  auto take = [&](size_t n, std::string& out) {
    if (text.size() - at < n) return false;
    out.assign(text, at, n);
    at += n;
    return true;
  };
  auto full = [](const std::string& recorded) {
    return recorded.front() == '/' ? recorded : programFolder() + "/" + recorded;
  };
  while (at < text.size()) {
    if (text.compare(at, std::string::npos, "END\n") == 0) return entries;
    ChangeRecordEntry e;
    size_t pathSize = 0, byteCount = 0;
    if (expect('W')) {
      if (!expect(' ') || !number(pathSize) || !expect(' ') || !number(byteCount) || !expect('\n') ||
          !take(pathSize, e.native) || !take(byteCount, e.bytes) || !expect('\n'))
        return std::nullopt;
    } else if (expect('R')) {
      e.kind = ChangeRecordEntry::Remove;
      if (!expect(' ') || !number(pathSize) || !expect('\n') || !take(pathSize, e.native) || !expect('\n'))
        return std::nullopt;
    } else if (expect('M')) {
      e.kind = ChangeRecordEntry::Move;
      if (!expect(' ') || !number(pathSize) || !expect(' ') || !number(byteCount) || !expect('\n') ||
          !take(pathSize, e.native) || !take(byteCount, e.bytes) || !expect('\n') || !soundPath(e.bytes))
        return std::nullopt;
      e.bytes = full(e.bytes);
    } else {
      return std::nullopt;
    }
    if (!soundPath(e.native)) return std::nullopt;
    e.native = full(e.native);
    entries.push_back(std::move(e));
  }
  return std::nullopt;
}

// A file's real place: its folder with every link in it resolved, and its
// own name as it is (a link of that name is replaced or removed, never
// followed). Nothing when the folder does not resolve (missing).
std::optional<std::string> realPlace(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos || slash + 1 == native.size()) return std::nullopt;
  char* real = ::realpath(slash == 0 ? "/" : native.substr(0, slash).c_str(), nullptr);
  if (!real) return std::nullopt;
  std::string folder = real;
  std::free(real);
  if (folder.back() != '/') folder += '/';
  return folder + native.substr(slash + 1);
}

// The files the program itself writes, by the names its own writes resolve
// them to: the settings files (the ".MVL" files of its settings folder), the
// password file and the registry file. They are the program's wherever
// they resolve (a settings folder that is a link is written through every
// day); a record names these and the logs the settings name, nothing else.
bool programFile(const std::string& native) {
  const std::string name = native.substr(native.rfind('/') + 1);
  std::string extension = name.size() > 4 ? name.substr(name.size() - 4) : std::string();
  for (char& c : extension) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (extension == ".MVL" && native == resolvePath(settingsFolder() + "\\" + name)) return true;
  return native == resolvePath(systemDirectory() + "\\MVPSD.SYS") || native == resolvePath(registryFile());
}

// The identity of a record that was finished but could neither be removed
// nor emptied (a folder and record that cannot be written): it is never
// applied again, so that it cannot undo a later write.
struct Identity {
  ino_t inode = 0;
  long long size = 0, mtimeNs = 0;
  uint64_t digest = 0;
  bool operator==(const Identity&) const = default;
};
std::optional<Identity>& finishedButLeft() {
  static std::optional<Identity> id;
  return id;
}
Identity identityOf(const struct stat& st, const std::string& text) {
  uint64_t digest = 14695981039346656037ULL;  // FNV-1a
  for (unsigned char c : text) digest = (digest ^ c) * 1099511628211ULL;
  return {st.st_ino, static_cast<long long>(st.st_size),
          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec, digest};
}
std::string identityText(const Identity& id) {
  return std::to_string(id.inode) + " " + std::to_string(id.size) + " " + std::to_string(id.mtimeNs) + " " +
         std::to_string(id.digest) + "\n";
}

// A folder of the program folder reached without a link: every step of it
// below the program folder is a folder itself.
bool plainFolderOfTheProgram(const std::string& folder) {
  const std::optional<std::string> relative = relativeInFolder(folder);
  if (!relative) return false;
  std::string path = programFolder();
  size_t start = 0;
  while (start <= relative->size()) {
    size_t end = relative->find('/', start);
    if (end == std::string::npos) end = relative->size();
    path += "/" + relative->substr(start, end - start);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    start = end + 1;
  }
  return true;
}

// Where a record that stays is remembered as finished: beside it, or, in a
// folder that cannot be written, in a folder of the program's own files it
// wrote, where that is a plain folder of the program folder: never through
// a link, which may lead into a folder that is not the program's.
const char* const kFinishedMark = "Morvantis.change.done";
std::vector<std::string> markFolders(const std::vector<ChangeRecordEntry>& entries) {
  std::vector<std::string> folders{programFolder()};
  for (const ChangeRecordEntry& e : entries) {
    if (e.kind != ChangeRecordEntry::Write || !programFile(e.native)) continue;
    const std::string folder = e.native.substr(0, e.native.rfind('/'));
    if (std::find(folders.begin(), folders.end(), folder) == folders.end() && plainFolderOfTheProgram(folder))
      folders.push_back(folder);
  }
  return folders;
}
bool markedFinished(const Identity& id, const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders)
    if (readNativeFile(folder + "/" + kFinishedMark, text) && text == identityText(id)) return true;
  return false;
}
void markFinished(const Identity& id, const std::vector<std::string>& folders) {
  for (const std::string& folder : folders)
    if (writeNativeFileAtomic(folder + "/" + kFinishedMark, identityText(id))) return;
}
void unmarkFinished(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) removeNativeFile(folder + "/" + kFinishedMark);
}

// The record's removal, or, where the folder does not let it go, its
// emptying (an empty record says the change is done). A test puts in one
// that fails, as in a folder and record that cannot be written.
using RecordRemover = bool(const std::string&);
Seam<RecordRemover>& recordRemover() {
  static Seam<RecordRemover> seam([](const std::string& record) {
    if (removeNativeFile(record)) return true;
    const int fd = ::open(record.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool emptied = ::fsync(fd) == 0;
    ::close(fd);
    return emptied;
  });
  return seam;
}

// A record that is not one of ours is moved aside (never applied, kept for
// whoever looks into it, each under a name of its own).
void keepAside(ChangeFinish& r) {
  r.found = r.damaged = true;
  const std::string record = profileChangeRecordPath();
  for (int n = 1; n <= 1000; ++n) {
    const std::string aside = record + ".damaged" + (n == 1 ? "" : "." + std::to_string(n));
    if (::renameat2(AT_FDCWD, record.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
      syncNativeFolder(programFolder());
      r.keptAs = aside;
      return;
    }
    if (errno != EEXIST) return;
  }
}

// Reads the record whole: 1 when it holds `size` bytes, 0 when it holds
// another count (not a record of ours), -1 when the reading failed.
int readWhole(int fd, size_t size, std::string& text) {
  text.assign(size, '\0');
  size_t got = 0;
  char extra;
  while (got < size) {
    ssize_t n = ::read(fd, text.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) return 0;
    got += static_cast<size_t>(n);
  }
  for (;;) {
    const ssize_t n = ::read(fd, &extra, 1);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : n == 0 ? 1 : 0;
  }
}

// What replaying one step did: done (or found done), refused (a file the
// record may not touch: never done, and dropped), or failed (a file that
// could not be written or removed now: done by a later finish).
enum class Step { Done, Refused, Failed };

// Replays one step. The program's own files are written and removed by the
// names the program writes them under, wherever those lead. A log the
// settings name is found by its real place (its folder with every link
// resolved, compared with the real places `places` holds), whatever name
// the record or the settings give it: the log is moved only from where the
// settings on disk name it onto the place the record's settings name,
// replacing what is there as the user's own move of the log does; a log
// file is written at the place the record's settings name only where it is
// missing or empty, or holds the beginning of the record's bytes (the
// user's own move begins a new log after what the chosen file holds).
Step replayStep(const ChangeRecordEntry& e, const ChangeLogPlaces& places) {
  auto among = [](const std::optional<std::string>& real, const std::vector<std::string>& list) {
    return real && std::find(list.begin(), list.end(), *real) != list.end();
  };
  auto done = [](bool ok) { return ok ? Step::Done : Step::Failed; };
  const bool own = programFile(e.native);
  const std::optional<std::string> real = realPlace(e.native);
  struct stat st;
  // A file that is not there (nor its folder) has been moved or removed.
  const bool there = real && ::lstat(real->c_str(), &st) == 0;
  // One of the program's files that cannot be looked at now waits for a
  // later finish; any other place is not touched.
  if (!there && real && errno != ENOENT && errno != ENOTDIR) return own ? Step::Failed : Step::Refused;
  switch (e.kind) {
    case ChangeRecordEntry::Move: {
      if (!there) return Step::Done;
      const std::optional<std::string> to = realPlace(e.bytes);
      if (!among(real, places.onDisk) || !among(to, places.recorded)) return Step::Refused;
      return done(moveFolderFile(*real, *to));
    }
    case ChangeRecordEntry::Remove:
      if (!there) return Step::Done;
      return own ? done(removeNativeFile(e.native)) : Step::Refused;
    case ChangeRecordEntry::Write: {
      if (own) {
        // The program makes its own folders again where they went, as its
        // start does.
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(e.native).parent_path(), ignored);
        return done(replaceFolderFile(e.native, e.bytes));
      }
      if (!among(real, places.recorded)) return Step::Refused;
      if (!there || (S_ISREG(st.st_mode) && st.st_size == 0)) return done(replaceFolderFile(*real, e.bytes));
      std::string held;
      if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > e.bytes.size()) return Step::Refused;
      if (!readNativeFile(*real, held)) return Step::Failed;
      if (e.bytes.compare(0, held.size(), held) != 0) return Step::Refused;
      return held.size() == e.bytes.size() ? Step::Done : done(replaceFolderFile(*real, e.bytes));
    }
  }
  return Step::Refused;
}

// Finishes a record found on disk; the lock is held.
ChangeFinish finishFound() {
  ChangeFinish r;
  const std::string record = profileChangeRecordPath();
  // Not followed through a link, and a FIFO does not block the open.
  const int fd = ::open(record.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return r;
    r.unreadError = errno;
    // Only what is not a regular file (a link, a socket) is no record of
    // ours; one that could not be opened now (no descriptor left, an
    // error of the disk) stays for the next start.
    struct stat st;
    if (::lstat(record.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
      keepAside(r);
    else
      r.unread = true;
    return r;
  }
  struct stat st;
  std::string text;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const int read = regular && st.st_size <= kMaxRecordBytes ? readWhole(fd, static_cast<size_t>(st.st_size), text) : 0;
  const int readError = errno;
  ::close(fd);
  if (read < 0) {
    r.unread = true;
    r.unreadError = readError;
    return r;
  }
  if (regular && st.st_size == 0) {
    // A record emptied after it was finished, where it could not be removed.
    ::unlink(record.c_str());
    return r;
  }
  const auto entries = read > 0 ? parseRecord(text) : std::nullopt;
  if (!entries) {
    keepAside(r);
    return r;
  }
  const Identity id = identityOf(st, text);
  const std::vector<std::string> marks = markFolders(*entries);
  if (finishedButLeft() == id || markedFinished(id, marks)) {
    // Finished already, by this process or an earlier one: it goes now if
    // the folder lets it, and is never applied again.
    if (recordRemover()(record)) unmarkFinished(marks);
    return r;
  }
  r.found = true;
  // Besides the program's own files, only the places a setting names for a
  // log are touched, compared as what they really are.
  ChangeLogPlaces places;
  if (logPlaces()) {
    const ChangeLogPlaces named = logPlaces()(*entries);
    for (auto [from, to] : {std::pair{&named.onDisk, &places.onDisk}, std::pair{&named.recorded, &places.recorded}})
      for (const std::string& place : *from)
        if (auto real = realPlace(place)) to->push_back(*real);
  }
  // The steps are replayed in order, up to one that fails now: a later
  // step (the settings naming the log's new place) never stands before an
  // earlier one (the log's move) is done.
  for (const ChangeRecordEntry& e : *entries) {
    // After a step that failed, the rest waits for it (and is not done).
    const Step step = r.kept ? Step::Failed : replayStep(e, places);
    if (step == Step::Done)
      ++r.written;
    else
      r.notWritten.push_back(e.native);
    r.kept = r.kept || step == Step::Failed;
  }
  profileClearCache();
  // A step that failed now (a file that cannot be written) keeps the record,
  // for the next write or start to complete: dropped, the change would stay
  // half, and written over, the next start would undo the later write.
  if (r.kept) return r;
  // A refused step is reported, and the record goes all the same: kept, it
  // would block every later change. Where it can be neither removed nor
  // emptied, it is remembered as finished.
  if (!recordRemover()(record)) {
    finishedButLeft() = id;
    markFinished(id, marks);
  }
  r.finished = r.notWritten.empty();
  return r;
}

}  // namespace

bool writeChangeRecord(const std::vector<ChangeRecordEntry>& entries) {
  auto recorded = [](const std::string& native) { return relativeInFolder(native).value_or(native); };
  size_t size = kRecordHeader.size() + 4;
  for (const ChangeRecordEntry& e : entries) size += e.native.size() + e.bytes.size() + 48;
  std::string text;
  text.reserve(size);
  text += kRecordHeader;
  for (const ChangeRecordEntry& e : entries) {
    const std::string path = recorded(e.native);
    const std::string to = e.kind == ChangeRecordEntry::Move ? recorded(e.bytes) : std::string();
    if (!soundPath(path) || (e.kind == ChangeRecordEntry::Move && !soundPath(to))) return false;
    const std::string& second = e.kind == ChangeRecordEntry::Move ? to : e.bytes;
    if (e.kind == ChangeRecordEntry::Remove)
      text += "R " + std::to_string(path.size()) + "\n";
    else
      text += std::string(e.kind == ChangeRecordEntry::Move ? "M " : "W ") + std::to_string(path.size()) + " " +
              std::to_string(second.size()) + "\n";
    text += path;
    if (e.kind != ChangeRecordEntry::Remove) text += second;
    text += "\n";
  }
  text += "END\n";
  // A moved file's bytes are copied from its old place by a replay after a
  // power cut: they are made durable before the record that relies on them.
  for (const ChangeRecordEntry& e : entries)
    if (e.kind == ChangeRecordEntry::Move) syncNativeFile(e.native);
  return replaceFolderFile(profileChangeRecordPath(), text);
}

void removeChangeRecord() { static_cast<void>(recordRemover()(profileChangeRecordPath())); }

void setChangeRecordRemover(std::function<bool(const std::string& native)> remover) {
  recordRemover().replace(std::move(remover));
}

bool changeRecordLeft() { return lockState().changeLeft; }

void noteChangeRecordLeft() { lockState().changeLeft = true; }

ChangeFinish finishChangeRecord(std::chrono::milliseconds wait, const std::function<void()>& whileWaiting) {
  LockState& s = lockState();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  s.lastFinish = ChangeFinish{};
  // Nested in a holder of this process, the record was finished when it
  // took the lock.
  FolderWriteLock lock(wait, whileWaiting);
  ChangeFinish finish = s.lastFinish;
  // A record left in place refuses the lock it took; no wait ran out then.
  finish.lockRanOut = !lock.held() && !finish.unread && !finish.kept;
  return finish;
}

}  // namespace mv::platform
