#include "core/VBRuntime.h"

#include <cctype>
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

namespace {

// Reads up to three numbers separated by one of the separators; the count of
// numbers read is returned, pos moves past them, and the digit count of a
// number not read is 0.
int readNumbers(const std::string& s, size_t& pos, const std::string& separators, int (&n)[3], int (&digits)[3]) {
  for (int i = 0; i < 3; ++i) n[i] = digits[i] = 0;
  int count = 0;
  while (count < 3) {
    size_t start = pos;
    long v = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && pos - start < 6)
      v = v * 10 + (s[pos++] - '0');
    if (pos == start) break;
    n[count] = static_cast<int>(v);
    digits[count] = static_cast<int>(pos - start);
    ++count;
    if (pos < s.size() && separators.find(s[pos]) != std::string::npos && count < 3)
      ++pos;
    else
      break;
  }
  return count;
}

void skipBlanks(const std::string& s, size_t& pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
}

}  // namespace

bool TextToDate(const std::string& text, double& serial) {
  std::string s = Trim(text);
  size_t pos = 0;
  int n[3] = {}, digits[3] = {};
  double days = 0, seconds = 0;
  bool any = false;

  if (readNumbers(s, pos, "/-.", n, digits) == 3) {
    bool yearFirst = digits[0] >= 3;
    Date d = yearFirst ? Date{n[0], n[1], n[2]} : Date{n[2], n[1], n[0]};
    if (!yearFirst && digits[2] <= 2) d.year += d.year < 30 ? 2000 : 1900;
    if (!IsValidDate(d)) return false;
    days = static_cast<double>(DateDiffDays(Date{1899, 12, 30}, d));
    any = true;
    skipBlanks(s, pos);
  } else {
    pos = 0;  // no date: what follows must be a time
  }
  if (pos < s.size()) {
    if (readNumbers(s, pos, ":", n, digits) < 2) return false;
    int h = n[0], m = n[1], sec = digits[2] ? n[2] : 0;
    skipBlanks(s, pos);
    std::string rest = UCase(s.substr(pos));
    if (rest == "AM" || rest == "PM") {
      if (h < 1 || h > 12) return false;
      h = h % 12 + (rest == "PM" ? 12 : 0);
      pos = s.size();
    }
    if (h > 23 || m > 59 || sec > 59) return false;
    seconds = h * 3600.0 + m * 60.0 + sec;
    any = true;
  }
  if (!any || pos != s.size()) return false;
  serial = days + seconds / 86400.0;
  return true;
}


double DateSerial(const Date& d) { return static_cast<double>(DateDiffDays(Date{1899, 12, 30}, d)); }

Date DateOfSerial(double serial) {
  // Civil date of a day count (days from 1 March of year 0).
  long z = static_cast<long>(std::floor(serial)) + dayNumber(Date{1899, 12, 30}) - dayNumber(Date{0, 3, 1});
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return Date{year, month, day};
}

std::string DateToText(double serial) {
  double days = std::floor(serial);
  long seconds = std::lround((serial - days) * 86400.0);
  if (seconds >= 86400) {
    days += 1;
    seconds -= 86400;
  }
  std::string time = FormatNumber(seconds / 3600, "00") + ":" + FormatNumber(seconds / 60 % 60, "00") + ":" +
                     FormatNumber(seconds % 60, "00");
  if (days == 0) return time;
  std::string date = FormatDate(DateOfSerial(days), "dd/mm/yyyy");
  return seconds == 0 ? date : date + " " + time;
}

namespace {
// The length of the number at the start of `s` from `pos` (sign, digits,
// decimals, exponent); 0 when there is none.
size_t numberLength(const std::string& s, size_t pos) {
  size_t i = pos;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t e = i + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
    size_t expDigits = 0;
    while (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) ++e, ++expDigits;
    if (expDigits) i = e;
  }
  return i - pos;
}

bool isRadixNumber(const std::string& t) {
  if (t.size() < 3 || t[0] != '&') return false;
  const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(t[1])));
  const std::string digits = kind == 'H' ? "0123456789abcdefABCDEF" : kind == 'O' ? "01234567" : "";
  return !digits.empty() && t.find_first_not_of(digits, 2) == std::string::npos;
}
}  // namespace

bool IsNumeric(const std::string& text) {
  const std::string t = Trim(text);
  if (isRadixNumber(t)) return true;
  return !t.empty() && numberLength(t, 0) == t.size();
}

double NumericValue(const std::string& text) {
  if (!IsNumeric(text)) RaiseError(errTypeMismatch);
  return Val(text);
}

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

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace mv
