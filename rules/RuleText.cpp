#include "rules/RuleText.h"

#include <cstdint>
#include <cstring>

#include "core/VBRuntime.h"

namespace mv {

namespace {
bool isControl(unsigned char c) { return c < 32 || c == 127; }

// Whether the text may hold a byte that the part refuses: control characters
// in every part, brackets in a section name, "=" in a key, a blank in a word.
// Eight bytes at a time: every rule line passes here, so this is the cheap
// first look; a text it flags is looked at byte by byte.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
// Some byte below n (n at most 128).
constexpr std::uint64_t anyBelow(std::uint64_t x, unsigned n) { return (x - kOnes * n) & ~x & kHighs; }
constexpr std::uint64_t anyEqual(std::uint64_t x, unsigned char b) {
  const std::uint64_t y = x ^ (kOnes * b);
  return (y - kOnes) & ~y & kHighs;
}
bool mayHoldRefusedByte(std::string_view text, RulePart part) {
  auto refused = [part](std::uint64_t x) {
    std::uint64_t hit = anyBelow(x, 32) | anyEqual(x, 127);
    switch (part) {
      case RulePart::Section: hit |= anyEqual(x, '[') | anyEqual(x, ']'); break;
      case RulePart::Key: hit |= anyEqual(x, '='); break;
      case RulePart::Word: hit |= anyEqual(x, ' '); break;
      case RulePart::Value: break;
    }
    return hit != 0;
  };
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t x;
    std::memcpy(&x, text.data() + i, 8);
    if (refused(x)) return true;
  }
  if (i == text.size()) return false;
  // The last bytes, padded with a byte no part refuses.
  std::uint64_t x = kOnes * 'a';
  std::memcpy(&x, text.data() + i, text.size() - i);
  return refused(x);
}
}  // namespace

std::string RuleTextProblem(std::string_view text, RulePart part) {
  if (!mayHoldRefusedByte(text, part)) {
    // What remains to look at: where a key starts and ends.
    if (part != RulePart::Key || text.empty()) return "";
    if (text.front() != '[' && text.front() != ';' && text.front() != ' ' && text.back() != ' ') return "";
  }
  for (char c : text)
    if (isControl(static_cast<unsigned char>(c))) return "holds a control character";
  switch (part) {
    case RulePart::Section:
      if (text.find_first_of("[]") != std::string_view::npos) return "holds a bracket";
      break;
    case RulePart::Key:
      if (text.find('=') != std::string_view::npos) return "holds \"=\"";
      if (!text.empty() && (text.front() == '[' || text.front() == ';')) return "starts like a section or a comment";
      if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return "starts or ends with a blank";
      break;
    case RulePart::Word:
      if (text.find(' ') != std::string_view::npos) return "holds a blank";
      break;
    case RulePart::Value:
      break;
  }
  return "";
}

void RefuseUnsafePath(std::string_view path) {
  std::string problem = StoredPathProblem(path);
  if (!problem.empty())
    throw RuntimeError(errInvalidCall, "Path refused (" + problem + "): " + PrintableText(path));
}

std::string PrintableText(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (isControl(u)) {
      out += '<';
      out += hex[u >> 4];
      out += hex[u & 15];
      out += '>';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace mv
