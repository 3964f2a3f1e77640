#pragma once
// The engine's rule file, composed in memory: sections in file order, each
// holding "key=value" lines. Printing appends to the section printed last, as
// writing to an open file does; keyed writes behave as the profile functions
// do (names matched without regard to case, a new section at the end). The
// finished text replaces the rule file in one step, so the engine never reads
// half a file.
//
// No text may add a line, a section or a rule of its own: a name, key or
// value that the file could not carry as it is (rules/RuleText.h) is refused
// with a RuntimeError and nothing is added.
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mv {

class RuleFileText {
 public:
  // Prints a section header: a new section at the end.
  void header(const std::string& name);
  // Prints one line into the section printed last.
  void print(const std::string& key, const std::string& value);
  // Writes a key into a section (created at the end when missing).
  void writeKey(const std::string& section, const std::string& key, const std::string& value);
  // The same for a line that needs no second look: its key a line number
  // and its value a rule put together from words each checked where the
  // rule was made (getRule), so each rule line is checked once.
  struct Checked {};
  void print(const std::string& key, const std::string& value, Checked);
  void writeKey(const std::string& section, const std::string& key, const std::string& value, Checked);
  // The same for a rule line put together straight into the section's text:
  // `build(std::string& out)` appends the value (its words checked as it
  // makes them) and returns true, or returns false for no line, and then
  // nothing of the line stays. The key is a line number (no letters). True
  // when the line was written. `number`: the line number the key stands
  // for (-1 when not known); a section filled with lines numbered 0, 1, 2...
  // takes the next one without looking at its other keys.
  template <class Build>
  bool printBuilt(std::string_view key, Build&& build);
  template <class Build>
  bool writeKeyBuilt(const std::string& section, std::string_view key, Build&& build, long long number = -1);
  // Fills an empty section (created when missing) with `count` lines
  // numbered 0 to count - 1, as written there in that order before (`lines`
  // taken from lines() of a section filled so). False, with nothing
  // written, when the section is not empty.
  bool appendNumberedLines(const std::string& section, std::string_view lines, long long count);
  // The lines of a section ("" when there is none).
  std::string_view lines(const std::string& section);
  // Replaces the section by an empty one (created at the end when missing).
  void emptySection(const std::string& section);
  // Empties the document; the room its texts took is kept for the next one.
  void clear();

  // The file's text as the pieces it is made of, in order, for a write that
  // takes them one after another (valid until the document changes).
  std::vector<std::string_view> pieces() const;
  // The same text in one string, CR LF line ends.
  std::string text() const;

 private:
  static constexpr size_t npos = static_cast<size_t>(-1);
  // A key of a section and where its line starts in the section's text.
  struct Key {
    std::string lower;
    size_t line;
  };
  struct Section {
    std::string name;
    std::string lines;  // "key=value" lines, each with its CR LF
    // The keys (first line of each), sorted: made on the first keyed write
    // into the section, kept from then on.
    bool indexed = false;
    std::vector<Key> keys;
    // While not indexed: the lines are those numbered 0 to nextNumber - 1,
    // written in that order; -1 when they are not.
    long long nextNumber = 0;
  };
  bool foundLast(const std::string& name) const;
  Section& find(const std::string& name);
  static void index(Section& s);
  static void append(Section& s, const std::string& key, const std::string& value);
  // A new key's place among the section's keys (lower case given); `there`
  // tells whether the key is already in the section.
  static std::vector<Key>::iterator place(Section& s, std::string_view lower, bool& there);
  // A key that is there takes the new value in its line.
  static void replaceValue(Section& s, std::vector<Key>::iterator it, size_t keySize, std::string_view value);
  // The section of a keyed write, its name checked and its keys indexed.
  Section& keyed(const std::string& section);
  // The same, its keys as they are.
  Section& named(const std::string& section);
  Section& printed();
  bool has(const std::string& name) const;
  // Appends "key=" and the built value and CR LF to the lines; on false (or
  // an error) the lines are as they were.
  template <class Build>
  static bool appendBuilt(std::string& lines, std::string_view key, Build& build);
  Section& newSection(const std::string& name);
  // sections_[0, used_) are the document's; the rest wait to be used again.
  std::vector<Section> sections_;
  size_t used_ = 0;
  std::unordered_map<std::string, size_t> index_;  // lower-case name -> first section
  // The section found by name last, and that name as it was asked for: the
  // keyed writes of a rule section come one after another.
  size_t lastFound_ = npos;
  std::string lastName_;
  std::string scratch_;  // a built value that replaces one already there
};

template <class Build>
bool RuleFileText::appendBuilt(std::string& lines, std::string_view key, Build& build) {
  const size_t mark = lines.size();
  char head[32];
  if (key.size() < sizeof head) {
    key.copy(head, key.size());
    head[key.size()] = '=';
    lines.append(head, key.size() + 1);
  } else {
    lines.append(key).push_back('=');
  }
  bool built;
  try {
    built = build(lines);
  } catch (...) {
    lines.resize(mark);
    throw;
  }
  if (!built) {
    lines.resize(mark);
    return false;
  }
  lines.append("\r\n", 2);
  return true;
}

template <class Build>
bool RuleFileText::printBuilt(std::string_view key, Build&& build) {
  if (used_ == 0) {  // no section is made for a line that is not written
    std::string value;
    if (!build(value)) return false;
    print(std::string(key), value, Checked{});
    return true;
  }
  Section& s = printed();
  s.nextNumber = -1;
  const size_t line = s.lines.size();
  if (!appendBuilt(s.lines, key, build)) return false;
  if (s.indexed) {
    bool there;
    auto it = place(s, key, there);
    if (!there) s.keys.insert(it, Key{std::string(key), line});
  }
  return true;
}

template <class Build>
bool RuleFileText::writeKeyBuilt(const std::string& section, std::string_view key, Build&& build, long long number) {
  const bool last = foundLast(section);
  if (!last && !has(section)) {  // no section is made for a line that is not written
    std::string value;
    if (!build(value)) return false;
    writeKey(section, std::string(key), value, Checked{});
    return true;
  }
  Section& s = last ? sections_[lastFound_] : named(section);
  if (number >= 0 && !s.indexed && s.nextNumber == number) {  // a new key at the end
    if (!appendBuilt(s.lines, key, build)) return false;
    ++s.nextNumber;
    return true;
  }
  if (!s.indexed) index(s);
  bool there;
  auto it = place(s, key, there);
  if (there) {
    scratch_.clear();
    if (!build(scratch_)) return false;
    replaceValue(s, it, key.size(), scratch_);
    return true;
  }
  const size_t line = s.lines.size();
  if (!appendBuilt(s.lines, key, build)) return false;
  s.keys.insert(it, Key{std::string(key), line});
  return true;
}

}  // namespace mv
