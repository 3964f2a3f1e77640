#include "platform/PrivateProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <unordered_map>

#include "platform/Paths.h"
#include "platform/ProfileText.h"
#include "platform/Seam.h"

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

// File systems keep modification times with a coarse granularity (a clock
// tick, on some a whole second or two): a rewrite of the same size within
// that time leaves the stamp as it was. A picture is trusted on its stamp only
// once the file's time lies this far before the moment its content was last
// compared; until then the content itself is compared on every read.
constexpr long long kStampGranularityNs = 2500000000LL;

struct Stamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  long long mtimeNs = 0;
  long long ctimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& native) {
  Stamp s;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  s.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return s;
}


struct Range {
  size_t header;   // line index of the section header
  size_t end;      // one past the section's last line
  size_t content;  // one past the last line that is not blank
};

}  // namespace

// One file's lines (each with its own line end) and the picture derived from
// them.
class ProfileFile {
 public:
  std::string native;
  Stamp stamp;
  // The file exists but could not be read: it must not be replaced by what
  // little this picture holds.
  bool unreadable = false;
  // A UTF-8 byte-order mark at the start of the file: not part of the first
  // line, kept on write.
  std::string bom;
  // The bytes last read from or written to the file, and when they were
  // known to be the file's content.
  std::string raw;
  long long checkedNs = 0;
  std::vector<std::string> lines;
  std::vector<Range> ranges;  // parallel to data->sections_
  std::shared_ptr<ProfileData> data = std::make_shared<ProfileData>();

  void parse(const std::string& text) {
    lines.clear();
    bom.clear();
    size_t start = 0;
    if (text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
      bom = kByteOrderMark;
      start = bom.size();
    }
    while (start < text.size()) {
      size_t nl = text.find('\n', start);
      size_t end = nl == std::string::npos ? text.size() : nl + 1;
      lines.emplace_back(text, start, end - start);
      start = end;
    }
    derive();
  }

  void derive() {
    auto d = std::make_shared<ProfileData>();
    ranges.clear();
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string_view ln = body(lines[i]);
      ProfileLine pl = classifyProfileLine(ln);
      if (pl.kind == ProfileLine::Section) {
        if (!ranges.empty()) ranges.back().end = i;
        d->sections_.push_back(ProfileSection{std::string(pl.name), {}});
        ranges.push_back(Range{i, lines.size(), i + 1});
        continue;
      }
      if (ranges.empty()) continue;  // lines before the first section
      if (pl.kind == ProfileLine::Blank) continue;
      ranges.back().content = i + 1;
      if (pl.kind != ProfileLine::Entry) continue;
      ProfileEntry e;
      e.key = std::string(pl.name);
      e.hasEquals = pl.hasEquals;
      if (pl.hasEquals) e.value = decodeProfileValue(pl.value);
      d->sections_.back().entries.push_back(std::move(e));
    }
    d->index_.reserve(d->sections_.size());
    for (size_t i = 0; i < d->sections_.size(); ++i) d->index_.emplace_back(lower(d->sections_[i].name), i);
    // Sorted by name, then by position, so the first of duplicate names wins.
    std::sort(d->index_.begin(), d->index_.end());
    data = d;
  }

  static std::string_view body(const std::string& line) {
    std::string_view v(line);
    if (!v.empty() && v.back() == '\n') v.remove_suffix(1);
    if (!v.empty() && v.back() == '\r') v.remove_suffix(1);
    return v;
  }

  long sectionIndex(const std::string& name) const {
    std::string key = lower(nameOf(name));
    auto it = std::lower_bound(data->index_.begin(), data->index_.end(), std::make_pair(key, size_t{0}));
    if (it == data->index_.end() || it->first != key) return -1;
    return static_cast<long>(it->second);
  }

  // Line index of the key inside section s, or npos.
  size_t keyLine(size_t s, const std::string& rawKey) const {
    const std::string key = nameOf(rawKey);
    for (size_t i = ranges[s].header + 1; i < ranges[s].end; ++i) {
      ProfileLine pl = classifyProfileLine(body(lines[i]));
      if (pl.kind == ProfileLine::Entry && sameNoCase(pl.name, key)) return i;
    }
    return std::string::npos;
  }

  void terminateLastLine() {
    if (!lines.empty() && lines.back().back() != '\n') lines.back() += "\r\n";
  }

  std::string serialize() const {
    size_t total = 0;
    for (const auto& l : lines) total += l.size();
    std::string out;
    out.reserve(bom.size() + total);
    out += bom;
    for (const auto& l : lines) out += l;
    return out;
  }
};

const ProfileEntry* ProfileSection::find(const std::string& rawKey) const {
  const std::string key = nameOf(rawKey);
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

// The up-to-date entry for a file, read again when it changed on disk.
ProfileFile& load(const std::string& file) {
  auto& slot = cache()[file];
  if (slot) {
    Stamp now = stampOf(slot->native);
    if (now == slot->stamp && now.exists) {
      if (now.mtimeNs + kStampGranularityNs < slot->checkedNs) return *slot;
      // Too recent to trust the stamp: the picture stands while the bytes do.
      long long before = realTimeNs();
      std::string text;
      if (readNativeFile(slot->native, text) && text == slot->raw) {
        slot->checkedNs = before;
        return *slot;
      }
    }
  }
  auto pf = std::make_shared<ProfileFile>();
  pf->native = resolvePath(file);
  pf->checkedNs = realTimeNs();
  pf->stamp = stampOf(pf->native);
  std::string text;
  if (pf->stamp.exists) {
    if (readNativeFile(pf->native, text)) {
      pf->parse(text);
      pf->raw = std::move(text);
    } else {
      pf->unreadable = true;
      pf->stamp.exists = false;  // read again next time
    }
  }
  slot = pf;
  return *slot;
}

// The replace of a whole file (a test may make it fail).
Seam<bool(const std::string&, const std::string&)>& fileWriter() {
  static Seam<bool(const std::string&, const std::string&)> seam(writeNativeFileAtomic);
  return seam;
}

// Writes the entry's lines to its file through a temporary file and a rename,
// so that a reader never sees half a file. On failure the cached entry is
// dropped, so the next read sees what is really on disk.
bool commit(const std::string& file, ProfileFile& pf) {
  long long before = realTimeNs();
  std::string text = pf.serialize();
  if (pf.unreadable || !fileWriter()(pf.native, text)) {
    cache().erase(file);
    return false;
  }
  pf.raw = std::move(text);
  pf.checkedNs = before;
  pf.stamp = stampOf(pf.native);
  pf.derive();
  return true;
}

std::string newLine(const std::string& text) { return text + "\r\n"; }

}  // namespace

std::shared_ptr<const ProfileData> profileRead(const std::string& file) { return load(file).data; }

std::optional<std::string> profileGetString(const std::string& section, const std::string& key,
                                            const std::string& file) {
  return load(file).data->value(section, key);
}

namespace {
// Sets one key in the file's lines: a changed key keeps its place, a new key
// goes at the end of its section, a new section at the end of the file. True
// when lines were added, so the section ranges must be derived again.
bool setKey(ProfileFile& pf, const std::string& rawSection, const std::string& rawKey, const std::string& value) {
  const std::string section = nameOf(rawSection), key = nameOf(rawKey);
  long s = pf.sectionIndex(section);
  if (s < 0) {
    pf.terminateLastLine();
    pf.lines.push_back(newLine("[" + section + "]"));
    pf.lines.push_back(newLine(key + "=" + encodeProfileValue(value)));
    return true;
  }
  size_t at = pf.keyLine(static_cast<size_t>(s), key);
  if (at != std::string::npos) {
    ProfileLine pl = classifyProfileLine(ProfileFile::body(pf.lines[at]));
    pf.lines[at] = newLine(std::string(pl.name) + "=" + encodeProfileValue(value));
    return false;
  }
  size_t pos = pf.ranges[static_cast<size_t>(s)].content;
  if (pos == pf.lines.size()) pf.terminateLastLine();
  pf.lines.insert(pf.lines.begin() + static_cast<long>(pos), newLine(key + "=" + encodeProfileValue(value)));
  return true;
}
}  // namespace

bool profileWriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) {
  return profileWriteKeys(section, {{key, value}}, file);
}

bool profileWriteKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                      const std::string& file) {
  ProfileFile& pf = load(file);
  bool moved = false;
  for (const auto& [key, value] : pairs) {
    if (moved) pf.derive();
    moved = setKey(pf, section, key, value);
  }
  return commit(file, pf);
}

bool profileDeleteKey(const std::string& section, const std::string& key, const std::string& file) {
  ProfileFile& pf = load(file);
  long s = pf.sectionIndex(section);
  if (s < 0) return true;
  size_t at = pf.keyLine(static_cast<size_t>(s), key);
  if (at == std::string::npos) return true;
  pf.lines.erase(pf.lines.begin() + static_cast<long>(at));
  return commit(file, pf);
}

bool profileDeleteSection(const std::string& section, const std::string& file) {
  ProfileFile& pf = load(file);
  long s = pf.sectionIndex(section);
  if (s < 0) return true;
  const Range& r = pf.ranges[static_cast<size_t>(s)];
  pf.lines.erase(pf.lines.begin() + static_cast<long>(r.header), pf.lines.begin() + static_cast<long>(r.end));
  return commit(file, pf);
}

bool profileWriteSection(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& pairs,
                         const std::string& file) {
  ProfileFile& pf = load(file);
  std::vector<std::string> body;
  body.reserve(pairs.size());
  for (const auto& [k, v] : pairs) body.push_back(newLine(nameOf(k) + "=" + encodeProfileValue(v)));
  long s = pf.sectionIndex(section);
  if (s < 0) {
    pf.terminateLastLine();
    pf.lines.push_back(newLine("[" + nameOf(section) + "]"));
    pf.lines.insert(pf.lines.end(), body.begin(), body.end());
    return commit(file, pf);
  }
  const Range r = pf.ranges[static_cast<size_t>(s)];
  // The section's own lines go; blank lines that separate it from the next
  // section stay.
  pf.lines.erase(pf.lines.begin() + static_cast<long>(r.header + 1), pf.lines.begin() + static_cast<long>(r.content));
  if (r.header + 1 == pf.lines.size()) pf.terminateLastLine();
  pf.lines.insert(pf.lines.begin() + static_cast<long>(r.header + 1), body.begin(), body.end());
  return commit(file, pf);
}


void setProfileFileWriter(ProfileFileWriter writer) { fileWriter().replace(std::move(writer)); }

void profileClearCache() { cache().clear(); }

}  // namespace mv::platform
