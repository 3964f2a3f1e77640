#include "rules/RuleFileText.h"

#include "core/VBRuntime.h"

namespace mv {

void RuleFileText::header(const std::string& name) { sections_.push_back(Section{name, {}}); }

void RuleFileText::print(const std::string& key, const std::string& value) {
  if (sections_.empty()) sections_.push_back(Section{});  // lines before any header
  sections_.back().lines.emplace_back(key, value);
}

RuleFileText::Section& RuleFileText::find(const std::string& name) {
  for (auto& s : sections_)
    if (SameText(s.name, name)) return s;
  sections_.push_back(Section{name, {}});
  return sections_.back();
}

void RuleFileText::writeKey(const std::string& section, const std::string& key, const std::string& value) {
  Section& s = find(section);
  for (auto& [k, v] : s.lines)
    if (SameText(k, key)) {
      v = value;
      return;
    }
  s.lines.emplace_back(key, value);
}

void RuleFileText::emptySection(const std::string& section) { find(section).lines.clear(); }

std::string RuleFileText::text() const {
  std::string out;
  for (const auto& s : sections_) {
    if (!s.name.empty()) out += "[" + s.name + "]\r\n";
    for (const auto& [k, v] : s.lines) out += k + "=" + v + "\r\n";
  }
  return out;
}

}  // namespace mv
