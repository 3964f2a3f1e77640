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
  s.nextNumber = 0;
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

std::vector<RuleFileText::Key>::iterator RuleFileText::place(Section& s, std::string_view lower, bool& there) {
  // Keys mostly come in rising order (numbered lines): past the last one,
  // no search.
  auto it = s.keys.empty() || std::string_view(s.keys.back().lower) < lower
                ? s.keys.end()
                : std::lower_bound(s.keys.begin(), s.keys.end(), lower,
                                   [](const Key& k, std::string_view v) { return std::string_view(k.lower) < v; });
  there = it != s.keys.end() && it->lower == lower;
  return it;
}

// Adds a line at the end of the section (key and value already checked).
void RuleFileText::append(Section& s, const std::string& key, const std::string& value) {
  const size_t line = s.lines.size();
  s.lines.append(key).append(1, '=').append(value).append("\r\n");
  s.nextNumber = -1;
  if (!s.indexed) return;
  std::string lower = LCase(key);
  bool there;
  auto it = place(s, lower, there);
  if (!there) s.keys.insert(it, Key{std::move(lower), line});
}

void RuleFileText::print(const std::string& key, const std::string& value) {
  require(key, RulePart::Key);
  require(value, RulePart::Value);
  print(key, value, Checked{});
}

RuleFileText::Section& RuleFileText::printed() {
  if (used_ == 0) header("");  // lines before any header
  return sections_[used_ - 1];
}

void RuleFileText::print(const std::string& key, const std::string& value, Checked) { append(printed(), key, value); }

bool RuleFileText::foundLast(const std::string& name) const {
  return lastFound_ < used_ && name == lastName_;
}

bool RuleFileText::has(const std::string& name) const { return index_.count(LCase(name)) != 0; }

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

RuleFileText::Section& RuleFileText::named(const std::string& section) {
  // A name found last was checked then.
  if (!foundLast(section)) require(section, RulePart::Section);
  return find(section);
}

RuleFileText::Section& RuleFileText::keyed(const std::string& section) {
  Section& s = named(section);
  if (!s.indexed) index(s);
  return s;
}

void RuleFileText::replaceValue(Section& s, std::vector<Key>::iterator it, size_t keySize, std::string_view value) {
  // The key keeps its place; the lines after it move by the difference.
  const size_t from = it->line + keySize + 1;
  const size_t to = s.lines.find('\r', from);
  const size_t line = it->line;
  s.lines.replace(from, to - from, value);
  const long long moved = static_cast<long long>(value.size()) - static_cast<long long>(to - from);
  if (moved != 0)
    for (auto& k : s.keys)
      if (k.line > line) k.line = static_cast<size_t>(static_cast<long long>(k.line) + moved);
}

void RuleFileText::writeKey(const std::string& section, const std::string& key, const std::string& value, Checked) {
  Section& s = keyed(section);
  std::string lower = LCase(key);
  bool there;
  auto it = place(s, lower, there);
  if (there) {
    replaceValue(s, it, key.size(), value);
    return;
  }
  const size_t line = s.lines.size();
  s.lines.append(key).append(1, '=').append(value).append("\r\n");
  s.keys.insert(it, Key{std::move(lower), line});
}

bool RuleFileText::appendNumberedLines(const std::string& section, std::string_view lines, long long count) {
  Section& s = named(section);
  if (s.indexed || s.nextNumber != 0 || !s.lines.empty()) return false;
  s.lines.append(lines);
  s.nextNumber = count;
  return true;
}

std::string_view RuleFileText::lines(const std::string& section) {
  if (!foundLast(section) && !has(section)) return {};
  return named(section).lines;
}

void RuleFileText::emptySection(const std::string& section) {
  require(section, RulePart::Section);
  Section& s = find(section);
  s.lines.clear();
  s.keys.clear();
  s.indexed = false;
  s.nextNumber = 0;
}

std::string RuleFileText::text() const {
  std::string text;
  for (std::string_view piece : pieces()) text.append(piece);
  return text;
}

std::vector<std::string_view> RuleFileText::pieces() const {
  std::vector<std::string_view> out;
  out.reserve(4 * used_);
  for (size_t i = 0; i < used_; ++i) {
    const Section& s = sections_[i];
    if (!s.name.empty()) out.insert(out.end(), {"[", s.name, "]\r\n"});
    out.push_back(s.lines);
  }
  return out;
}

}  // namespace mv
