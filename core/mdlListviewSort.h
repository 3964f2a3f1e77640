#pragma once
// Sorting a list view by the dates in its first column, which the list
// view's own sorting (by text) cannot do. Dates are date serials: whole days
// since 30 December 1899, the time of day as the fraction.
#include <cstdint>
#include <string>

#include "platform/ListView.h"

namespace mv {

// The comparison for sorting: negative when the first item's date is the
// earlier, 0 when the dates are equal, positive when it is the later. A date
// that cannot be read counts as 0, before every real date.
long CompareDates(std::intptr_t lParam1, std::intptr_t lParam2, platform::ListViewHandle hWnd);

// The date in the first column of the item whose item parameter is given;
// the date keeps its value when the column is empty (a text that is not a
// date is logged and leaves it too).
void ListView_GetItemData(std::intptr_t lParam, platform::ListViewHandle hWnd, double& dteDate);

// The first-column text of the item at the index, and its date when the
// text is not empty.
void ListView_GetListItem(long lngIndex, platform::ListViewHandle hWnd, std::string& strText, double& dteDate);

// Sorts the list view's items by their dates, the oldest first, every time:
// what a click on a date column header does.
void SortListViewByDates(platform::ListViewHandle hWnd);

}  // namespace mv
