#include "core/mdlListviewSort.h"

#include <cctype>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"

namespace mv {
namespace {

// The item text is read into a buffer of 33 bytes handed over as 32 long, so
// at most 31 characters of it are seen.
constexpr std::size_t kTextBuffer = 32;

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

// The date conversion of the run time for the texts the lists hold: a date
// day first ("31/12/2024", "31-12-2024", "31.12.2024") or year first
// ("2024-12-31"), a time ("23:59", "11:59:30 PM"), or a date followed by a
// time. Two-digit years are 1930 to 2029. False when the text is no date.
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

// Converts a first-column text; an unreadable one is a type mismatch.
double ItemDate(const std::string& text) {
  double serial = 0;
  if (!TextToDate(text, serial)) RaiseError(errTypeMismatch);
  return serial;
}

}  // namespace

void ListView_GetItemData(std::intptr_t lParam, platform::ListViewHandle hWnd, double& dteDate) {
  ErrorBoundary("ListView_GetItemData of mdlListviewSort", [&] {
    long index = platform::listViewFindItem(hWnd, lParam);
    std::string text = platform::listViewItemText(hWnd, index, kTextBuffer);
    if (!text.empty()) dteDate = ItemDate(text);
  });
}

void ListView_GetListItem(long lngIndex, platform::ListViewHandle hWnd, std::string& strText, double& dteDate) {
  ErrorBoundary("ListView_GetListItem of mdlListviewSort", [&] {
    std::string text = platform::listViewItemText(hWnd, lngIndex, kTextBuffer);
    strText = text;
    if (!text.empty()) dteDate = ItemDate(text);
  });
}

long CompareDates(std::intptr_t lParam1, std::intptr_t lParam2, platform::ListViewHandle hWnd) {
  try {
    double date1 = 0, date2 = 0;
    ListView_GetItemData(lParam1, hWnd, date1);
    ListView_GetItemData(lParam2, hWnd, date2);
    if (date1 < date2) return -1;
    if (date1 > date2) return 1;
  } catch (const std::exception& e) {
    WriteErrorLog(e, "CompareDates of mdlListviewSort");
  }
  return 0;
}

void SortListViewByDates(platform::ListViewHandle hWnd) { platform::listViewSortItems(hWnd, CompareDates); }

}  // namespace mv
