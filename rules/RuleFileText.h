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
  // Replaces the section by an empty one (created at the end when missing).
  void emptySection(const std::string& section);
  void clear() {
    sections_.clear();
    index_.clear();
  }

  // The file's text, CR LF line ends.
  std::string text() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> lines;
    std::unordered_map<std::string, size_t> keys;  // lower-case key -> first line
  };
  Section& find(const std::string& name);
  static void add(Section& s, const std::string& key, const std::string& value);
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> index_;  // lower-case name -> first section
};

}  // namespace mv
