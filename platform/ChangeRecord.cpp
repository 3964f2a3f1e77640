#include "platform/ChangeRecord.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {

// How long a write waits for another process's write to end. Writes of
// settings take milliseconds; a writer that holds the lock longer has hung,
// and this process's write then fails (and is told) instead of hanging too.
constexpr auto kLockWait = std::chrono::milliseconds(3000);

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

std::function<std::vector<std::string>(const std::vector<ChangeRecordEntry>&)>& logPlaces() {
  static std::function<std::vector<std::string>(const std::vector<ChangeRecordEntry>&)> f;
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
// as the other program's saving. The window's next turn of events (the end
// of the action) clears it; a test's reset of the seams does too.
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
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [] { lockRanOut() = false; }, Qt::QueuedConnection);
}

ChangeFinish finishFound();

// One wait for the lock in the kernel's queue of waiters: a thread of its
// own blocks in flock on an open folder of its own, and the caller waits for
// it with a limit. A wait that ran out leaves the thread to let the lock go
// again as soon as it gets it.
struct LockWaiter {
  std::mutex mutex;
  std::condition_variable done;
  enum State { Waiting, Taken, NoLocks, Abandoned } state = Waiting;
  int fd = -1;
};

enum class Taken { Yes, RanOut, NoLocks };

Taken waitInQueue(const std::string& folder, std::chrono::milliseconds wait,
                  const std::function<void()>& whileWaiting, int& fd) {
  auto waiter = std::make_shared<LockWaiter>();
  waiter->fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (waiter->fd < 0) return Taken::NoLocks;
  std::thread([waiter] {
    int rc;
    do rc = ::flock(waiter->fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    std::lock_guard<std::mutex> guard(waiter->mutex);
    if (waiter->state == LockWaiter::Abandoned) {
      ::close(waiter->fd);  // lets the lock go
      return;
    }
    waiter->state = rc == 0 ? LockWaiter::Taken : LockWaiter::NoLocks;
    waiter->done.notify_all();
  }).detach();
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock<std::mutex> guard(waiter->mutex);
  while (waiter->state == LockWaiter::Waiting) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      waiter->state = LockWaiter::Abandoned;
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
  // Once a wait ran out in this action, the rest of it does not wait again.
  if (lockRanOut()) return false;
  int taken = -1;
  switch (waitInQueue(s.folder, wait, whileWaiting, taken)) {
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
  noteLockRanOut();
  return false;
}

}  // namespace

FolderWriteLock::FolderWriteLock() : FolderWriteLock(kLockWait) {}

FolderWriteLock::FolderWriteLock(std::chrono::milliseconds wait, const std::function<void()>& whileWaiting) {
  LockState& s = lockState();
  s.mutex.lock();
  if (s.depth++ > 0) {
    held_ = s.held;
    return;
  }
  s.held = takeFolderLock(s, wait, whileWaiting);
  held_ = s.held;
  if (!held_) return;
  s.lastFinish = finishFound();
  if (s.lastFinish.found && reporter()) reporter()(s.lastFinish);
}

bool folderLockRanOut() { return lockRanOut(); }

FolderWriteLock::~FolderWriteLock() {
  LockState& s = lockState();
  if (--s.depth == 0 && s.held && s.fd >= 0) ::flock(s.fd, LOCK_UN);
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

void setChangeLogPlaces(std::function<std::vector<std::string>(const std::vector<ChangeRecordEntry>&)> places) {
  logPlaces() = std::move(places);
}

bool moveFolderFile(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return errno == ENOENT;
  std::string bytes;
  return S_ISREG(st.st_mode) && readNativeFile(from, bytes) && replaceFolderFile(to, bytes) && removeNativeFile(from);
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

// The identity of a record this process finished but could neither remove
// nor empty (a folder and record that cannot be written): it is not applied
// again while this process runs.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  long long mtimeNs = 0;
  bool operator==(const Identity&) const = default;
};
std::optional<Identity>& finishedButLeft() {
  static std::optional<Identity> id;
  return id;
}
Identity identityOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

// A record that is not one of ours is moved aside (never applied, kept for
// whoever looks into it).
void keepAside(ChangeFinish& r) {
  r.found = r.damaged = true;
  const std::string record = profileChangeRecordPath(), aside = record + ".damaged";
  if (::rename(record.c_str(), aside.c_str()) == 0) {
    syncNativeFolder(programFolder());
    r.keptAs = aside;
  }
}

bool readWhole(int fd, size_t size, std::string& text) {
  text.assign(size, '\0');
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, text.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  char extra;
  return ::read(fd, &extra, 1) == 0;
}

// Finishes a record found on disk; the lock is held.
ChangeFinish finishFound() {
  ChangeFinish r;
  const std::string record = profileChangeRecordPath();
  // Not followed through a link, and a FIFO does not block the open.
  const int fd = ::open(record.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) keepAside(r);
    return r;
  }
  struct stat st;
  std::string text;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const bool read = regular && st.st_size <= kMaxRecordBytes && readWhole(fd, static_cast<size_t>(st.st_size), text);
  ::close(fd);
  if (regular && st.st_size == 0) {
    // A record emptied after it was finished, where it could not be removed.
    ::unlink(record.c_str());
    return r;
  }
  if (regular && finishedButLeft() == identityOf(st)) return r;
  const auto entries = read ? parseRecord(text) : std::nullopt;
  if (!entries) {
    keepAside(r);
    return r;
  }
  r.found = true;
  // Outside the program folder only the places a setting names for a log
  // are touched.
  const std::vector<std::string> places = logPlaces() ? logPlaces()(*entries) : std::vector<std::string>{};
  auto allowed = [&](const std::string& native) {
    return relativeInFolder(native) || std::find(places.begin(), places.end(), native) != places.end();
  };
  for (const ChangeRecordEntry& e : *entries) {
    bool done = false;
    if (e.kind == ChangeRecordEntry::Move) {
      struct stat st;
      // A file moved already is not asked about: only its new place is.
      done = ::lstat(e.native.c_str(), &st) != 0 || (allowed(e.native) && allowed(e.bytes) && moveFolderFile(e.native, e.bytes));
    } else if (allowed(e.native)) {
      done = e.kind == ChangeRecordEntry::Remove ? removeNativeFile(e.native) : replaceFolderFile(e.native, e.bytes);
    }
    if (!done) r.notWritten.push_back(e.native);
  }
  // What could not be written is reported, and the record goes all the
  // same: kept, it would block every later change, or undo it at a later
  // start.
  removeChangeRecord();
  struct stat left;
  if (::lstat(record.c_str(), &left) == 0) finishedButLeft() = identityOf(left);
  r.finished = r.notWritten.empty();
  profileClearCache();
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
  return replaceFolderFile(profileChangeRecordPath(), text);
}

void removeChangeRecord() {
  const std::string record = profileChangeRecordPath();
  if (removeNativeFile(record)) return;
  // A folder that does not let the record go: emptied, it says the change is
  // done.
  const int fd = ::open(record.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool changeRecordLeft() {
  struct stat st;
  // An emptied record is a finished one.
  return ::lstat(profileChangeRecordPath().c_str(), &st) == 0 && st.st_size > 0;
}

ChangeFinish finishChangeRecord(std::chrono::milliseconds wait, const std::function<void()>& whileWaiting) {
  LockState& s = lockState();
  std::lock_guard<std::recursive_mutex> guard(s.mutex);
  s.lastFinish = ChangeFinish{};
  // Nested in a holder of this process, the record was finished when it
  // took the lock.
  FolderWriteLock lock(wait, whileWaiting);
  ChangeFinish finish = s.lastFinish;
  finish.lockRanOut = !lock.held();
  return finish;
}

}  // namespace mv::platform
