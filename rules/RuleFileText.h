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
  // Replaces the section by an empty one (created at the end when missing).
  void emptySection(const std::string& section);
  // Empties the document; the room its texts took is kept for the next one.
  void clear();

  // The file's text, CR LF line ends (valid until the document changes).
  const std::string& text() const;

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
  };
  bool foundLast(const std::string& name) const;
  Section& find(const std::string& name);
  static void index(Section& s);
  static void append(Section& s, const std::string& key, const std::string& value);
  Section& newSection(const std::string& name);
  // sections_[0, used_) are the document's; the rest wait to be used again.
  std::vector<Section> sections_;
  size_t used_ = 0;
  mutable std::string text_;
  std::unordered_map<std::string, size_t> index_;  // lower-case name -> first section
  // The section found by name last, and that name as it was asked for: the
  // keyed writes of a rule section come one after another.
  size_t lastFound_ = npos;
  std::string lastName_;
};

}  // namespace mv
