#include "platform/PrivateProfile.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <unordered_map>
#include <utility>

#include "platform/ChangeRecord.h"
#include "platform/Paths.h"
#include "platform/ProfileText.h"

namespace mv::platform {
namespace {

std::string lower(std::string_view s) { return lowerProfileName(s); }

bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Names passed by a caller are trimmed as the names in the file are.
std::string nameOf(std::string_view s) { return std::string(trimProfileBlanks(s)); }

const std::string kByteOrderMark = "\xEF\xBB\xBF";

long long realTimeNs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// When a cached picture may be trusted without reading the file.
//
// Every change of a file's content by anyone sets its change time (ctime) to
// the reading of the kernel's clock at that moment, and an in-place write sets
// the modification time too. On Linux that clock is the coarse one, advanced
// once a tick (1-10 ms), so it lags the real time by less than a tick; file
// systems that keep whole seconds or two (FAT) lag by up to two seconds. Two
// rules follow:
//  - A file this process has just written is signed (FileSystem.h): its
//    modification time is the fine real time to the nanosecond, which no
//    later write leaves behind, and an atomic replace by anyone gives the
//    path a new inode (the old file still exists while the new one is made).
//    So while inode, size and both times are unchanged, the file holds what
//    this process wrote.
//  - Any other picture was taken at a known real time T (before the stat).
//    A change after T stamps the file at T minus the lag or later; so once
//    the cached change time lies more than the lag before T, an unchanged
//    stamp proves an unchanged file. A picture younger than that (another
//    writer's change within the last tick) is confirmed by comparing the
//    file's bytes, on each read, until the stamp is that old.
// Time stamps in whole milliseconds are taken as coming from a coarse file
// system, with its two seconds.
long long stampLagNs(const FileStamp& s) {
  constexpr long long kMs = 1000000LL;
  if (s.mtimeNs % kMs == 0 || s.ctimeNs % kMs == 0) return 2500 * kMs;
  static const long long tick = [] {
    struct timespec res;
    if (::clock_getres(CLOCK_REALTIME_COARSE, &res) != 0) return 2500 * kMs;
    return static_cast<long long>(res.tv_sec) * 1000000000LL + res.tv_nsec;
  }();
  // Twice the tick and a millisecond more, for a tick that comes late.
  return std::min(2500 * kMs, 2 * tick + kMs);
}

// A section's text in the file: its header line, then every line up to the
// next header (comments and blank lines included), each with its line end.
struct Block {
  std::string text;
  size_t content = 0;  // one past the last line that is not blank (a byte offset)
};

// Where one line lies in a text: [begin, end), end past its line end.
struct LineSpan {
  size_t begin, end;
};

// The end of the line that starts at `at`, its line end included.
size_t lineEnd(std::string_view text, size_t at) {
  size_t nl = text.find('\n', at);
  return nl == std::string_view::npos ? text.size() : nl + 1;
}

// A line without its line end ("\n" or "\r\n").
std::string_view body(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view lineAt(std::string_view text, LineSpan l) { return body(text.substr(l.begin, l.end - l.begin)); }

// The text ends with a line end (an empty text is left as it is).
void terminate(std::string& text) {
  if (!text.empty() && text.back() != '\n') text += "\r\n";
}

}  // namespace

// One file's text, cut into sections, and the picture derived from it. A write
// changes the text and the picture of the sections it concerns only.
class ProfileFile {
 public:
  std::string native;
  FileStamp stamp;
  // The stamp is the one this process's own write gave the file (signed).
  bool ours = false;
  // The real time before the stat that gave the stamp (pictures not ours).
  long long takenNs = 0;
  // The file exists but could not be read: it must not be replaced by what
  // little this picture holds.
  bool unreadable = false;
  // A UTF-8 byte-order mark at the start of the file: not part of the first
  // line, kept on write.
  std::string bom;
  // The bytes last read from or written to the file.
  std::string raw;
  std::string preamble;       // lines before the first section
  std::vector<Block> blocks;  // parallel to data->sections_
  std::shared_ptr<ProfileData> data = std::make_shared<ProfileData>();

  // The picture is what is now on disk: `text` was written, and `written` is
  // the new file's stamp when it is provably the one written.
  void wrote(std::string text, const FileStamp& written, long long takenNs) {
    raw = std::move(text);
    ours = written.exists;
    if (ours) {
      stamp = written;
    } else {
      // Not provably ours (a file system without fine times, or a change
      // since the rename): the bytes are confirmed on read until the stamp
      // is old enough.
      stamp = nativeFileStamp(native);
      this->takenNs = takenNs;
    }
  }

  bool trusted(const FileStamp& now) const {
    return now.exists && now == stamp && (ours || stamp.ctimeNs + stampLagNs(stamp) < takenNs);
  }

  void parse(std::string_view text) {
    preamble.clear();
    blocks.clear();
    bom.clear();
    auto d = std::make_shared<ProfileData>();
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      bom = kByteOrderMark;
      text.remove_prefix(bom.size());
    }
    // Each section's text is cut out in one piece once its end is known.
    size_t sectionStart = std::string_view::npos;
    auto close = [&](size_t end) {
      if (sectionStart == std::string_view::npos)
        preamble.assign(text.substr(0, end));
      else
        blocks.back().text.assign(text.substr(sectionStart, end - sectionStart));
    };
    for (size_t at = 0; at < text.size();) {
      const size_t end = lineEnd(text, at);
      ProfileLine pl = classifyProfileLine(lineAt(text, {at, end}));
      if (pl.kind == ProfileLine::Section) {
        close(at);
        sectionStart = at;
        d->sections_.push_back(ProfileSection{std::string(pl.name), {}});
        blocks.emplace_back();
        blocks.back().content = end - at;
      } else if (sectionStart != std::string_view::npos && pl.kind != ProfileLine::Blank) {
        blocks.back().content = end - sectionStart;
        addEntry(d->sections_.back(), pl);
      }
      at = end;
    }
    close(text.size());
    d->index_.reserve(d->sections_.size());
    for (size_t i = 0; i < d->sections_.size(); ++i) d->index_.emplace_back(lower(d->sections_[i].name), i);
    // Sorted by name, then by position, so the first of duplicate names wins.
    std::sort(d->index_.begin(), d->index_.end());
    data = d;
  }

  // The picture to change: the cached one, or a copy of it while a reader
  // still holds it (a picture never changes under its reader).
  ProfileData& own() {
    if (data.use_count() > 1) data = std::make_shared<ProfileData>(*data);
    return *data;
  }

  // The section's entries and content end derived again from its text.
  void derive(size_t s) {
    Block& b = blocks[s];
    ProfileSection& sec = own().sections_[s];
    sec.entries.clear();
    b.content = lineEnd(b.text, 0);
    for (size_t at = b.content; at < b.text.size();) {
      const size_t end = lineEnd(b.text, at);
      ProfileLine pl = classifyProfileLine(lineAt(b.text, {at, end}));
      if (pl.kind != ProfileLine::Blank) {
        b.content = end;
        addEntry(sec, pl);
      }
      at = end;
    }
  }

  long sectionIndex(const std::string& name) const {
    std::string key = lower(nameOf(name));
    auto it = std::lower_bound(data->index_.begin(), data->index_.end(), std::make_pair(key, size_t{0}));
    if (it == data->index_.end() || it->first != key) return -1;
    return static_cast<long>(it->second);
  }

  // Where the key's line lies in block s; begin is npos when it has none.
  LineSpan keyLine(size_t s, const std::string& rawKey) const {
    const std::string key = nameOf(rawKey);
    const std::string& text = blocks[s].text;
    for (size_t at = lineEnd(text, 0); at < text.size();) {
      const size_t end = lineEnd(text, at);
      ProfileLine pl = classifyProfileLine(lineAt(text, {at, end}));
      if (pl.kind == ProfileLine::Entry && sameNoCase(pl.name, key)) return {at, end};
      at = end;
    }
    return {std::string::npos, std::string::npos};
  }

  // A new section at the end of the file: its header line and its lines.
  void appendSection(const std::string& header, const std::string& lines) {
    terminate(blocks.empty() ? preamble : blocks.back().text);
    ProfileData& d = own();
    d.sections_.push_back(ProfileSection{std::string(classifyProfileLine(body(header)).name), {}});
    blocks.emplace_back();
    blocks.back().text.reserve(header.size() + lines.size());
    blocks.back().text.append(header).append(lines);
    const size_t s = blocks.size() - 1;
    derive(s);
    auto entry = std::make_pair(lower(d.sections_[s].name), s);
    d.index_.insert(std::upper_bound(d.index_.begin(), d.index_.end(), entry), std::move(entry));
  }

  void removeSection(size_t s) {
    ProfileData& d = own();
    auto it = std::lower_bound(d.index_.begin(), d.index_.end(), std::make_pair(lower(d.sections_[s].name), s));
    d.index_.erase(it);
    for (auto& e : d.index_)
      if (e.second > s) --e.second;
    d.sections_.erase(d.sections_.begin() + static_cast<long>(s));
    blocks.erase(blocks.begin() + static_cast<long>(s));
  }

  std::string serialize() const {
    size_t total = bom.size() + preamble.size();
    for (const auto& b : blocks) total += b.text.size();
    std::string out;
    out.reserve(total);
    out += bom;
    out += preamble;
    for (const auto& b : blocks) out += b.text;
    return out;
  }

 private:
  static void addEntry(ProfileSection& sec, const ProfileLine& pl) {
    if (pl.kind != ProfileLine::Entry) return;
    ProfileEntry e;
    e.key = std::string(pl.name);
    e.hasEquals = pl.hasEquals;
    if (pl.hasEquals) e.value = decodeProfileValue(pl.value);
    sec.entries.push_back(std::move(e));
  }
};

const ProfileEntry* ProfileSection::find(const std::string& rawKey) const {
  const std::string_view key = trimProfileBlanks(rawKey);
  for (const auto& e : entries)
    if (sameNoCase(e.key, key)) return &e;
  return nullptr;
}

const ProfileSection* ProfileData::section(const std::string& name) const {
  std::string key = lower(nameOf(name));
  auto it = std::lower_bound(index_.begin(), index_.end(), std::make_pair(key, size_t{0}));
  if (it == index_.end() || it->first != key) return nullptr;
  return &sections_[it->second];
}

std::optional<std::string> ProfileData::value(const std::string& sec, const std::string& key) const {
  const ProfileSection* s = section(sec);
  if (!s) return std::nullopt;
  const ProfileEntry* e = s->find(key);
  if (!e) return std::nullopt;
  return e->value;
}

namespace {

std::unordered_map<std::string, std::shared_ptr<ProfileFile>>& cache() {
  static std::unordered_map<std::string, std::shared_ptr<ProfileFile>> c;
  return c;
}

// The writes of the change under way (ProfileChange): the pictures of the
// files it changed, by native path, in the order they were first changed.
struct HeldChange {
  int depth = 0;
  std::vector<std::pair<std::string, std::shared_ptr<ProfileFile>>> files;
  std::unordered_map<std::string, std::string> names;  // native -> the caller's name
  std::vector<std::pair<std::string, std::string>> wholeFiles;  // native, bytes
  std::vector<std::pair<std::string, std::string>> removals;    // native, the caller's name
  std::vector<std::pair<std::string, std::string>> moves;       // native from, native to
  std::shared_ptr<ProfileFile> find(const std::string& native) const {
    for (const auto& [n, pf] : files)
      if (n == native) return pf;
    return nullptr;
  }
};
HeldChange& held() {
  static HeldChange h;
  return h;
}

ProfileFile& loadFromDisk(const std::string& file);

// How many times a file was found changed on disk against this process's
// last picture of it. This process's own writes keep its pictures up to
// date, so each such change was made by another process.
// The pictures a clearing of the cache dropped: the next load of each file
// still compares with what this program saw last, so that a change another
// program made meanwhile (a record of its that a lock's taking replayed, say)
// is counted.
std::unordered_map<std::string, std::shared_ptr<ProfileFile>>& forgotten() {
  static std::unordered_map<std::string, std::shared_ptr<ProfileFile>> f;
  return f;
}

std::uint64_t& outsideChanges() {
  static std::uint64_t count = 0;
  return count;
}
// Counts a fresh picture of a file whose earlier picture holds other bytes.
void noteOutsideChange(const ProfileFile* before, const ProfileFile& now) {
  if (!before) return;
  const bool was = before->stamp.exists || before->unreadable, is = now.stamp.exists || now.unreadable;
  if (was != is || (is && (before->unreadable || now.unreadable || before->raw != now.raw))) ++outsideChanges();
}

// The up-to-date entry for a file: during a change, the held picture of a file
// it changed; else the cached one, read again when it changed on disk. A read
// of an unchanged file costs one stat.
ProfileFile& load(const std::string& file) {
  HeldChange& h = held();
  if (h.depth == 0 || h.files.empty()) return loadFromDisk(file);
  auto& slot = cache()[file];
  if (slot) {
    if (auto pf = h.find(slot->native)) {
      slot = pf;
      return *slot;
    }
  }
  ProfileFile& fresh = loadFromDisk(file);
  if (auto pf = h.find(fresh.native)) {
    cache()[file] = pf;
    return *pf;
  }
  return fresh;
}

ProfileFile& loadFromDisk(const std::string& file) {
  auto& slot = cache()[file];
  std::string text;
  bool haveText = false;
  long long takenNs = realTimeNs();
  FileStamp now;
  if (slot) {
    now = nativeFileStamp(slot->native);
    if (slot->trusted(now)) return *slot;
    if (now.exists && now == slot->stamp) {
      // Too recent to trust the stamp: the picture stands while the bytes do.
      haveText = readFolderFile(slot->native, text);
      if (haveText && text == slot->raw) {
        slot->takenNs = takenNs;
        return *slot;
      }
    }
  }
  std::shared_ptr<ProfileFile> before = slot;
  if (!before) {
    if (auto seen = forgotten().find(file); seen != forgotten().end()) {
      before = seen->second;
      forgotten().erase(seen);
    }
  }
  auto pf = std::make_shared<ProfileFile>();
  if (slot && now.exists) {
    pf->native = slot->native;
  } else {
    // A file not seen before, or missing last time: its name is looked up
    // again (it may have appeared under another case).
    pf->native = resolvePath(file);
    takenNs = realTimeNs();
    now = nativeFileStamp(pf->native);
    haveText = false;
  }
  pf->takenNs = takenNs;
  pf->stamp = now;
  if (pf->stamp.exists) {
    if (haveText || readFolderFile(pf->native, text)) {
      pf->parse(text);
      pf->raw = std::move(text);
    } else {
      pf->unreadable = true;
      pf->stamp.exists = false;  // read again next time
    }
  }
  noteOutsideChange(before.get(), *pf);
  slot = pf;
  return *slot;
}

// Writes the entry's lines to its file through a temporary file and a rename,
// so that a reader never sees half a file. The entry, already changed, stays
// as the picture of what was written. On failure the cached entry is dropped,
// so the next read sees what is really on disk.
bool commit(const std::string& file, ProfileFile& pf) {
  HeldChange& h = held();
  if (h.depth > 0) {
    // Held until the change is stored; an unreadable file is refused now,
    // as its write would be.
    if (pf.unreadable) {
      cache().erase(file);
      return false;
    }
    std::shared_ptr<ProfileFile> mine = cache()[file];
    if (!h.find(pf.native)) {
      h.files.emplace_back(pf.native, mine);
      h.names.emplace(pf.native, file);
    }
    return true;
  }
  long long takenNs = realTimeNs();
  std::string text = pf.serialize();
  // A file that already holds the change needs no write, so storing a value
  // again succeeds also where the file cannot be written.
  if (!pf.unreadable && text == pf.raw) return true;
  FileStamp written;
  if (pf.unreadable || !replaceFolderFile(pf.native, text, written)) {
    cache().erase(file);
    return false;
  }
  pf.wrote(std::move(text), written, takenNs);
  return true;
}

std::string newLine(const std::string& text) { return text + "\r\n"; }

}  // namespace

std::shared_ptr<const ProfileData> profileRead(const std::string& file) { return load(file).data; }

std::shared_ptr<const ProfileData> profileParseText(const std::string& text) {
  ProfileFile pf;
  pf.parse(text);
  return pf.data;
}

std::optional<std::string> profileGetString(const std::string& section, const std::string& key,
                                            const std::string& file) {
  return load(file).data->value(section, key);
}

namespace {
// Sets one key in the file's text and picture: a changed key keeps its place,
// a new key goes at the end of its section, a new section at the end of the
// file.
void setKey(ProfileFile& pf, const std::string& rawSection, const std::string& rawKey, const std::string& value) {
  const std::string section = nameOf(rawSection), key = nameOf(rawKey);
  long s = pf.sectionIndex(section);
  if (s < 0) {
    pf.appendSection(newLine("[" + section + "]"), newLine(key + "=" + encodeProfileValue(value)));
    return;
  }
  Block& b = pf.blocks[static_cast<size_t>(s)];
  LineSpan at = pf.keyLine(static_cast<size_t>(s), key);
  if (at.begin != std::string::npos) {
    ProfileLine pl = classifyProfileLine(lineAt(b.text, at));
    b.text.replace(at.begin, at.end - at.begin, newLine(std::string(pl.name) + "=" + encodeProfileValue(value)));
  } else {
    if (b.content == b.text.size()) {
      terminate(b.text);
      b.content = b.text.size();
    }
    b.text.insert(b.content, newLine(key + "=" + encodeProfileValue(value)));
  }
  pf.derive(static_cast<size_t>(s));
}
}  // namespace

namespace {
// A write of one file: the folder's write lock is held from the read of the
// file's picture to its replace, so that no other process changes the file
// in between (its change would be lost) and a change left on disk by a
// killed process is finished first (it would undo this write at the next
// start).
template <class Write>
bool lockedWrite(const std::string& file, Write write) {
  FolderWriteLock lock;
  if (!lock.held()) return false;
  return write(load(file));
}

// The entry of a file about to be replaced whole: its bytes on disk are
// needed (to leave an unchanged file alone, to put it back), its old picture
// is not, so it is not parsed.
ProfileFile& loadForReplace(const std::string& file) {
  auto& slot = cache()[file];
  if (slot) {
    if (auto pf = held().find(slot->native)) return *(slot = pf);
    if (slot->trusted(nativeFileStamp(slot->native))) return *slot;
  }
  auto pf = std::make_shared<ProfileFile>();
  pf->native = resolvePath(file);
  if (auto heldPicture = held().find(pf->native)) return *(slot = heldPicture);
  pf->takenNs = realTimeNs();
  pf->stamp = nativeFileStamp(pf->native);
  if (pf->stamp.exists && !readFolderFile(pf->native, pf->raw)) pf->unreadable = true;
  return *(slot = pf);
}
}  // namespace

bool profileWriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) {
  return profileWriteKeys(section, {{key, value}}, file);
}

bool profileWriteKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                      const std::string& file) {
  return lockedWrite(file, [&](ProfileFile& pf) {
    for (const auto& [key, value] : pairs) setKey(pf, section, key, value);
    return commit(file, pf);
  });
}

bool profileDeleteKey(const std::string& section, const std::string& key, const std::string& file) {
  return lockedWrite(file, [&](ProfileFile& pf) {
    long s = pf.sectionIndex(section);
    if (s < 0) return true;
    LineSpan at = pf.keyLine(static_cast<size_t>(s), key);
    if (at.begin == std::string::npos) return true;
    pf.blocks[static_cast<size_t>(s)].text.erase(at.begin, at.end - at.begin);
    pf.derive(static_cast<size_t>(s));
    return commit(file, pf);
  });
}

bool profileDeleteSection(const std::string& section, const std::string& file) {
  return profileDeleteSections({section}, file);
}

bool profileDeleteSections(const std::vector<std::string>& sections, const std::string& file) {
  return lockedWrite(file, [&](ProfileFile& pf) {
    bool removed = false;
    for (const std::string& section : sections) {
      long s = pf.sectionIndex(section);
      if (s < 0) continue;
      pf.removeSection(static_cast<size_t>(s));
      removed = true;
    }
    return !removed || commit(file, pf);
  });
}

bool profileWriteSection(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& pairs,
                         const std::string& file) {
  return lockedWrite(file, [&](ProfileFile& pf) {
    std::string body;
    for (const auto& [k, v] : pairs) body.append(nameOf(k)).append("=").append(encodeProfileValue(v)).append("\r\n");
    long s = pf.sectionIndex(section);
    if (s < 0) {
      pf.appendSection(newLine("[" + nameOf(section) + "]"), body);
      return commit(file, pf);
    }
    Block& b = pf.blocks[static_cast<size_t>(s)];
    // The section's own lines go; blank lines that separate it from the next
    // section stay.
    const size_t header = lineEnd(b.text, 0);
    b.text.erase(header, b.content - header);
    if (header == b.text.size()) terminate(b.text);
    b.text.insert(lineEnd(b.text, 0), body);
    pf.derive(static_cast<size_t>(s));
    return commit(file, pf);
  });
}

bool profileWriteFile(const std::string& file, const std::string& text) {
  FolderWriteLock lock;
  if (!lock.held()) return false;
  ProfileFile& pf = loadForReplace(file);
  pf.parse(text);
  return commit(file, pf);
}

// ---------------------------------------------------------------------------
// Changes of several files (the record and the lock: ChangeRecord.h).

namespace {

// Ends the change under way. A stored change leaves its pictures in the
// cache, as a single write does: they are what the files now hold. A change
// dropped or refused forgets them, under whatever name they were read, so
// the files are read again as they are on disk.
void endHeldChange(bool stored) {
  HeldChange& h = held();
  if (!stored)
    for (const auto& [native, pf] : h.files)
      for (auto it = cache().begin(); it != cache().end();)
        it = it->second == pf ? cache().erase(it) : std::next(it);
  const int depth = h.depth;
  h = HeldChange{};
  h.depth = depth;
}

}  // namespace

namespace {
// A change of large settings files builds buffers of their whole bytes (the
// files' texts, the record). Freed memory at the top of the heap is kept for
// the next change instead of being given back to the system, which would
// make every change fault all of it in again (about a millisecond a
// megabyte). Allocations past the mapping threshold still go back.
void keepFreedMemory() {
  static const bool kept = [] {
    ::mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    return true;
  }();
  static_cast<void>(kept);
}
}  // namespace

ProfileChange::ProfileChange() {
  keepFreedMemory();
  outermost_ = held().depth++ == 0;
}

ProfileChange::~ProfileChange() {
  HeldChange& h = held();
  if (outermost_ && !committed_) endHeldChange(false);
  --h.depth;
}

void ProfileChange::writeFile(const std::string& path, std::string bytes) {
  const std::string native = resolvePath(path);
  held().names.emplace(native, path);
  held().wholeFiles.emplace_back(native, std::move(bytes));
}

void ProfileChange::removeFile(const std::string& path) { held().removals.emplace_back(resolvePath(path), path); }

void ProfileChange::moveFile(const std::string& from, const std::string& to) {
  const std::string native = resolvePath(from), target = resolvePath(to);
  held().names.emplace(native, from);
  held().names.emplace(target, to);
  held().moves.emplace_back(native, target);
}

bool ProfileChange::commit() {
  committed_ = true;
  if (!outermost_) return true;
  HeldChange& h = held();
  struct Write {
    std::string native, bytes, old;
    bool existed = false;
    ProfileFile* picture = nullptr;  // a settings file's held picture
    bool done = false;               // written: its bytes are the picture's
  };
  struct Move {
    std::string from, to, bytes, old;  // old: what `to` held before
    bool existed = false;
  };
  std::vector<Write> writes;
  std::vector<Move> moves;
  failed_.clear();
  pending_ = false;
  auto refuse = [&](const std::string& native) {
    failed_ = h.names.count(native) ? h.names.at(native) : native;
    endHeldChange(false);
    return false;
  };
  // Another process's write that did not end in time: nothing is written.
  if (!lock_.held()) return refuse(h.files.empty() ? profileChangeRecordPath() : h.files.front().first);
  // A file the change cannot replace (read-only) refuses it before anything
  // is written; one stat tells that and whether the file exists. What a
  // replaced file held is kept, to be put back when a later write fails.
  auto readOnly = [](const std::string& native, bool& exists) {
    struct stat st;
    exists = ::stat(native.c_str(), &st) == 0;
    return exists && !(st.st_mode & S_IWUSR);
  };
  auto keepOld = [&](const std::string& native, bool& existed, std::string& old) {
    return !readOnly(native, existed) && (!existed || readFolderFile(native, old));
  };
  for (const auto& [native, pf] : h.files) {
    std::string text = pf->serialize();
    if (pf->unreadable) return refuse(native);
    if (text == pf->raw) continue;
    bool exists = false;
    if (readOnly(native, exists)) return refuse(native);
    // The picture's bytes go with the write, to be put back on failure: a
    // stored change gives the picture its new bytes, a failed one drops it.
    writes.push_back({native, std::move(text), std::move(pf->raw), pf->stamp.exists, pf.get()});
  }
  for (auto& [native, bytes] : h.wholeFiles) {
    Write w{native, std::move(bytes), "", false, nullptr};
    if (!keepOld(native, w.existed, w.old)) return refuse(native);
    writes.push_back(std::move(w));
  }
  for (const auto& [from, to] : h.moves) {
    Move m{from, to, "", "", false};
    bool exists = false;
    if (readOnly(from, exists) || !readFolderFile(from, m.bytes)) return refuse(from);
    if (!keepOld(to, m.existed, m.old)) return refuse(to);
    moves.push_back(std::move(m));
  }
  const auto& removals = h.removals;
  // A move is a write and a removal.
  const size_t steps = writes.size() + removals.size() + 2 * moves.size();
  if (steps == 0) {
    endHeldChange(true);
    return true;
  }
  const bool recorded = steps > 1;
  if (recorded) {
    std::vector<ChangeRecordEntry> entries;
    for (const Move& m : moves) entries.push_back({ChangeRecordEntry::Move, m.from, m.to});
    for (const Write& w : writes) entries.push_back({ChangeRecordEntry::Write, w.native, w.bytes});
    for (const auto& [native, name] : removals) entries.push_back({ChangeRecordEntry::Remove, native, ""});
    if (!writeChangeRecord(entries)) return refuse(profileChangeRecordPath());
  }
  // Each step done puts back what it changed when a later one fails.
  std::vector<std::function<bool()>> undo;
  auto restore = [](const std::string& native, bool existed, const std::string& old) {
    return existed ? replaceFolderFile(native, old) : removeNativeFile(native);
  };
  // Writes the whole change again from its start, as the record says: a move
  // whose file is gone already is done.
  auto writeForward = [&] {
    bool whole = true;
    for (const Move& m : moves) whole = moveFolderFile(m.from, m.to) && whole;
    for (const Write& w : writes)
      whole = replaceFolderFile(w.native, w.done && w.picture ? w.picture->raw : w.bytes) && whole;
    for (const auto& [native, name] : removals) removeNativeFile(native);
    return whole;
  };
  auto fail = [&](const std::string& native) {
    failed_ = h.names.count(native) ? h.names.at(native) : native;
    // What was written is put back.
    bool putBack = true;
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) putBack = (*it)() && putBack;
    if (putBack) {
      if (recorded) removeChangeRecord();
      endHeldChange(false);
      return false;
    }
    // Where that fails too, the files hold part of the change and its record
    // is in place: the change is written to its end then and there, and
    // stands. When that fails as well, the record stays, and whoever takes
    // the folder's lock next writes the change to its end.
    const bool whole = writeForward();
    endHeldChange(false);
    profileClearCache();
    if (whole) {
      removeChangeRecord();
      failed_.clear();
      return true;
    }
    pending_ = true;
    noteChangeRecordLeft();
    return false;
  };
  for (const Move& m : moves) {
    if (!replaceFolderFile(m.to, m.bytes)) return fail(m.to);
    undo.push_back([&] { return restore(m.to, m.existed, m.old); });
    if (!removeNativeFile(m.from)) return fail(m.from);
    // The new place is given back only once the old one holds the file
    // again: the file is never in neither.
    undo.back() = [&] { return replaceFolderFile(m.from, m.bytes) && restore(m.to, m.existed, m.old); };
  }
  for (Write& w : writes) {
    const long long takenNs = realTimeNs();
    FileStamp written;
    if (!replaceFolderFile(w.native, w.bytes, written)) return fail(w.native);
    undo.push_back([&] { return restore(w.native, w.existed, w.old); });
    if (w.picture) w.picture->wrote(std::move(w.bytes), written, takenNs);
    w.done = true;
  }
  // A file that cannot be removed is left behind: every write of the change
  // is in place, so the change stands.
  for (const auto& [native, name] : removals) removeNativeFile(native);
  if (recorded) removeChangeRecord();
  endHeldChange(true);
  return true;
}

bool profileFinishPendingChange() {
  const ChangeFinish finish = finishChangeRecord();
  return finish.found && !finish.damaged;
}

void profileClearCache() {
  for (auto& [file, picture] : cache())
    if (picture) forgotten()[file] = std::move(picture);
  cache().clear();
}

std::uint64_t profileOutsideChanges() { return outsideChanges(); }

std::uint64_t profileLookForOutsideChanges(const std::vector<std::string>& files) {
  for (const std::string& file : files) static_cast<void>(load(file));
  return outsideChanges();
}

}  // namespace mv::platform
