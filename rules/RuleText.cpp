#include "rules/RuleText.h"

#include "core/VBRuntime.h"

namespace mv {

namespace {
bool isControl(unsigned char c) { return c < 32 || c == 127; }

// The bytes that may not stand anywhere in a part, one bit a part: control
// characters in every part, brackets in a section name, "=" in a key, a blank
// in a word.
constexpr unsigned char bit(RulePart part) { return static_cast<unsigned char>(1u << static_cast<int>(part)); }
struct RefusedBytes {
  unsigned char parts[256] = {};
  constexpr RefusedBytes() {
    for (int c = 0; c < 256; ++c)
      if (c < 32 || c == 127) parts[c] = bit(RulePart::Section) | bit(RulePart::Key) | bit(RulePart::Value) | bit(RulePart::Word);
    parts[static_cast<unsigned char>('[')] |= bit(RulePart::Section);
    parts[static_cast<unsigned char>(']')] |= bit(RulePart::Section);
    parts[static_cast<unsigned char>('=')] |= bit(RulePart::Key);
    parts[static_cast<unsigned char>(' ')] |= bit(RulePart::Word);
  }
};
constexpr RefusedBytes kRefused;

// True when the text holds no byte that the part refuses: one pass.
bool onlyAllowedBytes(std::string_view text, RulePart part) {
  const unsigned char mask = bit(part);
  unsigned char seen = 0;
  for (char c : text) seen |= kRefused.parts[static_cast<unsigned char>(c)];
  return !(seen & mask);
}
}  // namespace

std::string RuleTextProblem(std::string_view text, RulePart part) {
  if (onlyAllowedBytes(text, part)) {
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
