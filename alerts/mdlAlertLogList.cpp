#include "alerts/mdlAlertLogList.h"

#include "alerts/mdlAlertQueue.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/StringTable.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "platform/FileSystem.h"

namespace mv {
namespace {

const std::string CrLf = "\r\n";
constexpr std::size_t LogFields = 12;

// The lines of the file's bytes: each ends at LF (a CR before it is dropped);
// a last line without a line end counts too.
std::vector<std::string_view> splitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// Up to three numbers joined by "/" or "-"; false when the text is not that.
bool threeNumbers(const std::string& text, int (&n)[3], int (&digits)[3]) {
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || (text[pos] != '/' && text[pos] != '-')) return false;
      ++pos;
    }
    std::size_t start = pos;
    long v = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && pos - start < 4)
      v = v * 10 + (text[pos++] - '0');
    if (pos == start) return false;
    n[i] = static_cast<int>(v);
    digits[i] = static_cast<int>(pos - start);
  }
  return pos == text.size();
}

bool dateOf(const std::string& word, Date& d) {
  int n[3], digits[3];
  if (!threeNumbers(word, n, digits)) return false;
  d = digits[0] == 4 ? Date{n[0], n[1], n[2]} : Date{n[2], n[1], n[0]};
  return IsValidDate(d);
}

// "hh:mm" or "hh:mm:ss", with "AM" or "PM" as the next word when given.
bool secondsOf(const std::string& word, const std::string& next, long& seconds) {
  std::vector<std::string> parts = Split(word, ":");
  if (parts.size() < 2 || parts.size() > 3) return false;
  long v[3] = {0, 0, 0};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty() || parts[i].size() > 2) return false;
    for (char c : parts[i])
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v[i] = std::stol(parts[i]);
  }
  const std::string half = UCase(next);
  if (half == "AM" || half == "PM") {
    if (v[0] < 1 || v[0] > 12) return false;
    v[0] = v[0] % 12 + (half == "PM" ? 12 : 0);
  }
  if (v[0] > 23 || v[1] > 59 || v[2] > 59) return false;
  seconds = v[0] * 3600 + v[1] * 60 + v[2];
  return true;
}

std::string joinLines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const auto& line : lines) {
    if (!out.empty()) out += CrLf;
    out += line;
  }
  return out;
}

}  // namespace

const AlertRow& AlertListHeaders() {
  static const AlertRow headers = {"Date/Time", "Action",  "Protocol", "Direction", "Source IP",
                                   "Dest IP",   "Program", "Type",     "Count"};
  return headers;
}


bool checkValidLog(const std::string& text) {
  return text.find(',') != std::string::npos && std::count(text.begin(), text.end(), ',') == LogFields - 1;
}

AlertRow AlertRowOf(const std::string& text) {
  std::array<std::string_view, LogFields> f;
  std::string_view rest = text;
  for (std::size_t i = 0; i < LogFields; ++i) {
    const std::size_t comma = i + 1 < LogFields ? rest.find(',') : std::string_view::npos;
    if (i + 1 < LogFields && comma == std::string_view::npos) RaiseError(errSubscript);
    f[i] = rest.substr(0, comma);
    if (comma != std::string_view::npos) rest.remove_prefix(comma + 1);
  }
  AlertRow row;
  // Line fields 1 to 8 are the first eight cells, field 11 the count.
  for (std::size_t cell = 0; cell < 8; ++cell) row[cell] = f[cell + 1];
  row[8] = f[11];
  for (std::size_t cell = 1; cell < row.size(); ++cell)
    if (Trim(row[cell]) == "0") row[cell].clear();
  return row;
}

std::vector<AlertRow> ReadNewestAlerts(const std::string& file, long count) {
  std::vector<AlertRow> rows;
  std::string bytes;
  if (count < 1 || !platform::fileExists(file) || !platform::readFile(file, bytes)) return rows;
  const std::vector<std::string_view> lines = splitLines(bytes);
  const std::size_t total = lines.size();
  const std::size_t first = total > static_cast<std::size_t>(count) ? total - static_cast<std::size_t>(count) : 0;
  for (std::size_t i = total; i-- > first;) {
    const std::string text = QtrLogLineText(std::string(lines[i]));
    if (text.empty() || !checkValidLog(text)) continue;
    rows.push_back(AlertRowOf(text));
  }
  return rows;
}

std::string AlertDetailsText(const AlertRow& row) {
  return joinLines({"Type:\t\t" + row[7], "Direction:\t\t" + row[3], "Source IP:\t" + row[4],
                    "Dest IP:\t\t" + row[5], "Protocol IP:\t" + row[2], "Count:\t\t" + row[8],
                    "Date:\t\t" + row[0], "Program:\t\t" + row[6]});
}

bool AlertDateSerial(const std::string& cell, double& serial) {
  std::vector<std::string> words;
  for (const std::string& w : Split(Trim(cell), " "))
    if (!w.empty()) words.push_back(w);
  Date day;
  bool haveDay = false;
  long seconds = 0;
  for (std::size_t i = 0; i < words.size(); ++i) {
    Date d;
    long s = 0;
    const std::string next = i + 1 < words.size() ? words[i + 1] : std::string();
    if (dateOf(words[i], d)) {
      // A later date (the event's own) stands over the day it was logged.
      day = d;
      haveDay = true;
    } else if (secondsOf(words[i], next, s)) {
      seconds = s;
    }
  }
  if (!haveDay) return false;
  serial = static_cast<double>(DateDiffDays(Date{1899, 12, 30}, day)) + seconds / 86400.0;
  return true;
}

std::string AlertsMainFooterText() {
  return joinLines({LoadResString(1201), LoadResString(1202), LoadResString(1203)});
}

std::string LogViewerFooterText(const std::string& countText, const std::string& logPath) {
  return joinLines({LoadResString(1211) + " " + countText + " logs.", LoadResString(1212) + logPath});
}

}  // namespace mv
