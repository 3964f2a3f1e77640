#include "core/VBRuntime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/Clock.h"

namespace mv {

void RaiseError(int number) {
  const char* text = "Application-defined or object-defined error";
  switch (number) {
    case errInvalidCall: text = "Invalid procedure call or argument"; break;
    case errOverflow: text = "Overflow"; break;
    case errSubscript: text = "Subscript out of range"; break;
    case errTypeMismatch: text = "Type mismatch"; break;
    default: break;
  }
  throw RuntimeError(number, text);
}

double Val(const std::string& text) {
  size_t i = 0, n = text.size();
  auto blank = [&](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (i < n && blank(text[i])) ++i;
  if (i + 1 < n && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h' || text[i + 1] == 'O' || text[i + 1] == 'o')) {
    bool hex = text[i + 1] == 'H' || text[i + 1] == 'h';
    i += 2;
    long long v = 0;
    for (; i < n; ++i) {
      char c = text[i];
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0 || (!hex && d > 7)) break;
      v = v * (hex ? 16 : 8) + d;
      if (v > 0xFFFFFFFFLL) break;
    }
    return static_cast<double>(v);
  }
  std::string num;
  if (i < n && (text[i] == '+' || text[i] == '-')) num += text[i++];
  bool digits = false, point = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (blank(c)) continue;
    if (c >= '0' && c <= '9') {
      num += c;
      digits = true;
    } else if (c == '.' && !point) {
      num += c;
      point = true;
    } else {
      break;
    }
  }
  if (digits && i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::string exp = "e";
    size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) exp += text[j++];
    bool expDigits = false;
    while (j < n && text[j] >= '0' && text[j] <= '9') {
      exp += text[j++];
      expDigits = true;
    }
    if (expDigits) num += exp;
  }
  if (!digits) return 0.0;
  double v = std::strtod(num.c_str(), nullptr);
  if (!std::isfinite(v)) RaiseError(errOverflow);
  return v;
}

namespace {
double roundHalfEven(double v) {
  if (!std::isfinite(v)) RaiseError(errOverflow);
  return std::nearbyint(v);  // the default rounding mode rounds halves to even
}
}  // namespace

std::uint8_t CByte(double v) {
  double r = roundHalfEven(v);
  if (r < 0 || r > 255) RaiseError(errOverflow);
  return static_cast<std::uint8_t>(r);
}

std::int16_t CInt(double v) {
  double r = roundHalfEven(v);
  if (r < -32768 || r > 32767) RaiseError(errOverflow);
  return static_cast<std::int16_t>(r);
}

std::int32_t CLng(double v) {
  double r = roundHalfEven(v);
  if (r < -2147483648.0 || r > 2147483647.0) RaiseError(errOverflow);
  return static_cast<std::int32_t>(r);
}

long ValCounter(const std::string& text) {
  double v;
  try {
    v = Val(text);
  } catch (const RuntimeError&) {
    return 0;
  }
  if (!(v >= 0 && v <= 2147483646.0)) return 0;
  return static_cast<long>(v);
}

float ValSingle(const std::string& text, float outOfRange) {
  double v;
  try {
    v = Val(text);
  } catch (const RuntimeError&) {
    return outOfRange;
  }
  if (!(std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max()))) return outOfRange;
  return static_cast<float>(v);
}

std::string FormatNumber(long long n, const std::string& zeros) {
  // The magnitude is taken unsigned, so the most negative number has one too.
  unsigned long long magnitude = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::string digits = std::to_string(magnitude);
  size_t width = 0;
  for (char c : zeros)
    if (c == '0') ++width;
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return n < 0 ? "-" + digits : digits;
}

std::string Str(double v) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
  }
  char buf[40];
  for (int prec = 1; prec <= 17; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*g", prec, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  return buf;
}

Date Today() {
  auto n = platform::now();
  return Date{n.year, n.month, n.day};
}

std::string FormatDate(const Date& d, const std::string& pattern) {
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    if (pattern.compare(i, 4, "yyyy") == 0) {
      out += FormatNumber(d.year, "0000");
      i += 4;
    } else if (pattern.compare(i, 2, "dd") == 0) {
      out += FormatNumber(d.day, "00");
      i += 2;
    } else if (pattern.compare(i, 2, "mm") == 0) {
      out += FormatNumber(d.month, "00");
      i += 2;
    } else {
      out += pattern[i++];
    }
  }
  return out;
}

bool IsValidDate(const Date& d) {
  if (d.year < 100 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int max = days[d.month - 1];
  bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  if (d.month == 2 && leap) max = 29;
  return d.day <= max;
}

bool ParseDateDMY(const std::string& text, Date& out) {
  if (text.size() != 10 || text[2] != '-' || text[5] != '-') return false;
  for (size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
    if (text[i] < '0' || text[i] > '9') return false;
  Date d{std::atoi(text.substr(6, 4).c_str()), std::atoi(text.substr(3, 2).c_str()),
         std::atoi(text.substr(0, 2).c_str())};
  if (!IsValidDate(d)) return false;
  out = d;
  return true;
}

namespace {
long dayNumber(const Date& d) {
  // Days since a fixed origin (proleptic Gregorian calendar).
  long y = d.year, m = d.month;
  if (m <= 2) {
    y -= 1;
    m += 12;
  }
  return 365 * y + y / 4 - y / 100 + y / 400 + (153 * (m - 3) + 2) / 5 + d.day;
}
}  // namespace

long DateDiffDays(const Date& a, const Date& b) { return dayNumber(b) - dayNumber(a); }

std::string NowDateText() { return FormatDate(Today(), "dd-mm-yyyy"); }

std::string NowTimeText() {
  auto n = platform::now();
  return FormatNumber(n.hour, "00") + ":" + FormatNumber(n.minute, "00") + ":" + FormatNumber(n.second, "00");
}

std::vector<std::string> Split(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> out;
  if (text.empty()) return out;
  if (delimiter.empty()) return {text};
  size_t start = 0;
  while (true) {
    size_t pos = text.find(delimiter, start);
    if (pos == std::string::npos) {
      out.push_back(text.substr(start));
      break;
    }
    out.push_back(text.substr(start, pos - start));
    start = pos + delimiter.size();
  }
  return out;
}


std::string LTrim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

std::string RTrim(const std::string& s) {
  size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

std::string Trim(const std::string& s) { return LTrim(RTrim(s)); }

std::string LCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string UCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

bool SameText(const std::string& a, const std::string& b) { return LCase(a) == LCase(b); }

}  // namespace mv
