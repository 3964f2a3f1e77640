#include "rules/RuleFileText.h"

#include <algorithm>

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

void RuleFileText::clear() {
  used_ = 0;
  index_.clear();
  lastFound_ = npos;
}

RuleFileText::Section& RuleFileText::newSection(const std::string& name) {
  index_.emplace(LCase(name), used_);
  if (used_ == sections_.size()) sections_.emplace_back();
  Section& s = sections_[used_++];
  s.name = name;
  s.lines.clear();
  s.indexed = false;
  s.keys.clear();
  return s;
}

void RuleFileText::header(const std::string& name) {
  require(name, RulePart::Section);
  newSection(name);
}

void RuleFileText::index(Section& s) {
  s.indexed = true;
  s.keys.clear();
  for (size_t at = 0; at < s.lines.size();) {
    size_t eq = s.lines.find('=', at);
    s.keys.push_back(Key{LCase(s.lines.substr(at, eq - at)), at});
    at = s.lines.find('\n', eq) + 1;
  }
  // The first line of a key is the one that counts.
  std::stable_sort(s.keys.begin(), s.keys.end(), [](const Key& x, const Key& y) { return x.lower < y.lower; });
  s.keys.erase(std::unique(s.keys.begin(), s.keys.end(), [](const Key& x, const Key& y) { return x.lower == y.lower; }),
               s.keys.end());
}

// Adds a line at the end of the section (key and value already checked).
void RuleFileText::append(Section& s, const std::string& key, const std::string& value) {
  const size_t line = s.lines.size();
  s.lines.append(key).append(1, '=').append(value).append("\r\n");
  if (!s.indexed) return;
  std::string lower = LCase(key);
  auto it = std::lower_bound(s.keys.begin(), s.keys.end(), lower,
                             [](const Key& k, const std::string& v) { return k.lower < v; });
  if (it == s.keys.end() || it->lower != lower) s.keys.insert(it, Key{std::move(lower), line});
}

void RuleFileText::print(const std::string& key, const std::string& value) {
  require(key, RulePart::Key);
  require(value, RulePart::Value);
  print(key, value, Checked{});
}

void RuleFileText::print(const std::string& key, const std::string& value, Checked) {
  if (used_ == 0) header("");  // lines before any header
  append(sections_[used_ - 1], key, value);
}

bool RuleFileText::foundLast(const std::string& name) const {
  return lastFound_ < used_ && name == lastName_;
}

// The section of that name (checked by the caller), created when missing.
RuleFileText::Section& RuleFileText::find(const std::string& name) {
  if (foundLast(name)) return sections_[lastFound_];
  auto it = index_.find(LCase(name));
  if (it == index_.end()) {
    newSection(name);
    lastFound_ = used_ - 1;
  } else {
    lastFound_ = it->second;
  }
  lastName_ = name;
  return sections_[lastFound_];
}

void RuleFileText::writeKey(const std::string& section, const std::string& key, const std::string& value) {
  if (!foundLast(section)) require(section, RulePart::Section);
  require(key, RulePart::Key);
  require(value, RulePart::Value);
  writeKey(section, key, value, Checked{});
}

void RuleFileText::writeKey(const std::string& section, const std::string& key, const std::string& value, Checked) {
  // A name found last was checked then.
  if (!foundLast(section)) require(section, RulePart::Section);
  Section& s = find(section);
  if (!s.indexed) index(s);
  std::string lower = LCase(key);
  // Keys mostly come in rising order (numbered lines): past the last one,
  // no search.
  auto it = s.keys.empty() || s.keys.back().lower < lower
                ? s.keys.end()
                : std::lower_bound(s.keys.begin(), s.keys.end(), lower,
                                   [](const Key& k, const std::string& v) { return k.lower < v; });
  if (it == s.keys.end() || it->lower != lower) {
    const size_t line = s.lines.size();
    s.lines.append(key).append(1, '=').append(value).append("\r\n");
    s.keys.insert(it, Key{std::move(lower), line});
    return;
  }
  // A key that is there keeps its place and takes the new value; the lines
  // after it move by the difference.
  const size_t from = it->line + key.size() + 1;
  const size_t to = s.lines.find('\r', from);
  const size_t line = it->line;
  s.lines.replace(from, to - from, value);
  const long long moved = static_cast<long long>(value.size()) - static_cast<long long>(to - from);
  if (moved != 0)
    for (auto& k : s.keys)
      if (k.line > line) k.line = static_cast<size_t>(static_cast<long long>(k.line) + moved);
}

void RuleFileText::emptySection(const std::string& section) {
  require(section, RulePart::Section);
  Section& s = find(section);
  s.lines.clear();
  s.keys.clear();
}

const std::string& RuleFileText::text() const {
  size_t total = 0;
  for (size_t i = 0; i < used_; ++i) total += sections_[i].name.size() + 4 + sections_[i].lines.size();
  text_.clear();
  text_.reserve(total);
  for (size_t i = 0; i < used_; ++i) {
    const Section& s = sections_[i];
    if (!s.name.empty()) text_.append(1, '[').append(s.name).append("]\r\n");
    text_.append(s.lines);
  }
  return text_;
}

}  // namespace mv
