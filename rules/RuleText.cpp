#include "rules/RuleText.h"

#include "core/VBRuntime.h"

namespace mv {

namespace {
bool isControl(unsigned char c) { return c < 32 || c == 127; }
}  // namespace

std::string RuleTextProblem(std::string_view text, RulePart part) {
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
