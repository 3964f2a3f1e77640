#include "rules/RuleFileText.h"

#include "core/VBRuntime.h"
#include "rules/RuleText.h"

namespace mv {

namespace {
void require(const std::string& text, RulePart part) {
  std::string problem = RuleTextProblem(text, part);
  if (!problem.empty())
    throw RuntimeError(errInvalidCall, "Text refused for the rule file (" + problem + "): " + PrintableText(text));
}
}  // namespace

void RuleFileText::header(const std::string& name) {
  require(name, RulePart::Section);
  index_.emplace(LCase(name), sections_.size());
  sections_.push_back(Section{name, {}, {}});
}

void RuleFileText::add(Section& s, const std::string& key, const std::string& value) {
  require(key, RulePart::Key);
  require(value, RulePart::Value);
  s.keys.emplace(LCase(key), s.lines.size());
  s.lines.emplace_back(key, value);
}

void RuleFileText::print(const std::string& key, const std::string& value) {
  if (sections_.empty()) header("");  // lines before any header
  add(sections_.back(), key, value);
}

RuleFileText::Section& RuleFileText::find(const std::string& name) {
  auto it = index_.find(LCase(name));
  if (it != index_.end()) return sections_[it->second];
  header(name);
  return sections_.back();
}

void RuleFileText::writeKey(const std::string& section, const std::string& key, const std::string& value) {
  require(section, RulePart::Section);
  require(key, RulePart::Key);
  require(value, RulePart::Value);
  Section& s = find(section);
  auto it = s.keys.find(LCase(key));
  if (it != s.keys.end())
    s.lines[it->second].second = value;
  else
    add(s, key, value);
}

void RuleFileText::emptySection(const std::string& section) {
  require(section, RulePart::Section);
  Section& s = find(section);
  s.lines.clear();
  s.keys.clear();
}

std::string RuleFileText::text() const {
  size_t total = 0;
  for (const auto& s : sections_) {
    total += s.name.size() + 4;
    for (const auto& [k, v] : s.lines) total += k.size() + v.size() + 3;
  }
  std::string out;
  out.reserve(total);
  for (const auto& s : sections_) {
    if (!s.name.empty()) out.append("[").append(s.name).append("]\r\n");
    for (const auto& [k, v] : s.lines) out.append(k).append("=").append(v).append("\r\n");
  }
  return out;
}

}  // namespace mv
