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
  return ErrorBoundary("CompareDates of mdlListviewSort", 0L, [&] {
    double date1 = 0, date2 = 0;
    ListView_GetItemData(lParam1, hWnd, date1);
    ListView_GetItemData(lParam2, hWnd, date2);
    return date1 < date2 ? -1L : (date1 > date2 ? 1L : 0L);
  });
}

void SortListViewByDates(platform::ListViewHandle hWnd) { platform::listViewSortItems(hWnd, CompareDates); }

}  // namespace mv
