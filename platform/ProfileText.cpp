#include "platform/ProfileText.h"

#include <map>
#include <set>

namespace mv::platform {

bool isProfileBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trimProfileBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && isProfileBlank(s[b])) ++b;
  while (e > b && isProfileBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

namespace {
bool enclosedIn(std::string_view v, char q) {
  return v.size() >= 2 && v.front() == q && v.back() == q;
}
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

bool valueNeedsEscape(std::string_view v) {
  if (v.empty()) return false;
  if (isProfileBlank(v.front()) || isProfileBlank(v.back())) return true;
  if (enclosedIn(v, '"') || enclosedIn(v, '\'')) return true;
  for (char c : v)
    if (c == '\0' || c == '\r' || c == '\n') return true;
  return false;
}

std::string percentEncode(std::string_view text, std::string_view specials) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '%' || specials.find(c) != std::string_view::npos) {
      unsigned char u = static_cast<unsigned char>(c);
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string percentDecode(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 2 < in.size() && hexValue(in[i + 1]) >= 0 && hexValue(in[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(in[i + 1]) * 16 + hexValue(in[i + 2]));
      i += 2;
    } else {
      out += in[i];
    }
  }
  return out;
}

std::string encodeProfileValue(std::string_view v) {
  if (!valueNeedsEscape(v)) return std::string(v);
  return "\"" + percentEncode(v, std::string_view("\0\r\n\"", 4)) + "\"";
}

std::string decodeProfileValue(std::string_view raw) {
  std::string_view v = trimProfileBlanks(raw);
  if (enclosedIn(v, '\'')) return std::string(v.substr(1, v.size() - 2));
  if (!enclosedIn(v, '"')) return std::string(v);
  return percentDecode(v.substr(1, v.size() - 2));
}

ProfileLine classifyProfileLine(std::string_view line) {
  ProfileLine pl;
  std::string_view t = trimProfileBlanks(line);
  if (t.empty()) {
    pl.kind = ProfileLine::Blank;
    return pl;
  }
  if (t.front() == ';') {
    pl.kind = ProfileLine::Comment;
    return pl;
  }
  if (t.front() == '[') {
    // The name runs to the last "]" of the line, so a name may hold "]".
    auto close = t.rfind(']');
    std::string_view name = close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1);
    pl.kind = ProfileLine::Section;
    pl.name = trimProfileBlanks(name);
    return pl;
  }
  pl.kind = ProfileLine::Entry;
  auto eq = t.find('=');
  if (eq == std::string_view::npos) {
    pl.name = t;
    return pl;
  }
  pl.hasEquals = true;
  pl.name = trimProfileBlanks(t.substr(0, eq));
  // The raw value is taken from the untrimmed line so that a line end or a
  // trailing blank inside quotes is not lost before decoding.
  size_t eqInLine = static_cast<size_t>(t.data() - line.data()) + eq;
  pl.value = line.substr(eqInLine + 1);
  return pl;
}

std::string lowerProfileName(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

namespace {

// Section name -> key names, both lower case.
using NameMap = std::map<std::string, std::set<std::string>>;

// Reads the names of a profile text; "" when every line is sound, else what
// is wrong with the first line that is not.
std::string readNames(std::string_view text, NameMap& names) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string current;
  bool inSection = false;
  size_t lineNo = 0;
  for (size_t start = 0; start < text.size();) {
    size_t nl = text.find('\n', start);
    std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    start = nl == std::string_view::npos ? text.size() : nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string where = "line " + std::to_string(lineNo);
    if (line.find('\0') != std::string_view::npos) return where + " holds a NUL byte";
    ProfileLine pl = classifyProfileLine(line);
    switch (pl.kind) {
      case ProfileLine::Blank:
      case ProfileLine::Comment:
        break;
      case ProfileLine::Section: {
        std::string_view t = trimProfileBlanks(line);
        if (t.back() != ']' || pl.name.empty()) return where + " is no section header";
        current = lowerProfileName(pl.name);
        names[current];
        inSection = true;
        break;
      }
      case ProfileLine::Entry:
        if (!pl.hasEquals || pl.name.empty()) return where + " is no key line";
        if (!inSection) return where + " stands before the first section";
        names[current].insert(lowerProfileName(pl.name));
        break;
      case ProfileLine::Other:
        return where + " cannot be read";
    }
  }
  return "";
}

}  // namespace

std::string profileTextDamage(std::string_view text, std::string_view reference) {
  if (!text.empty() && text.back() != '\n') return "it ends inside a line";
  NameMap have;
  std::string problem = readNames(text, have);
  if (!problem.empty()) return problem;
  NameMap want;
  readNames(reference, want);
  for (const auto& [section, keys] : want) {
    auto it = have.find(section);
    if (it == have.end()) return "section [" + section + "] is missing";
    for (const auto& key : keys)
      if (!it->second.count(key)) return "key " + key + " of [" + section + "] is missing";
  }
  return "";
}

}  // namespace mv::platform
