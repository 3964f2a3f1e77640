// Sorting a list view by the dates in its first column.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "core/mdlListviewSort.h"
#include "tests/support/TestEnv.h"

using namespace mv;

namespace {

class ListviewSortTest : public mvtest::ProgramFolderTest {
 protected:
  void add(const std::string& date, const char* tag) {
    auto* item = new QTreeWidgetItem(&list);
    item->setText(0, QString::fromStdString(date));
    item->setText(1, tag);
  }
  std::vector<std::string> order() const {
    std::vector<std::string> out;
    for (int i = 0; i < list.topLevelItemCount(); ++i) out.push_back(list.topLevelItem(i)->text(1).toStdString());
    return out;
  }
  double dateAt(long index, double start = -1) {
    std::string text;
    ListView_GetListItem(index, &list, text, start);
    return start;
  }
  QTreeWidget list;
};

using Order = std::vector<std::string>;

}  // namespace

TEST_F(ListviewSortTest, SortsByDateOldestFirstEveryTime) {
  add("05/01/2024 10:00:00", "c");
  add("31/12/2023", "b");
  add("05/01/2024 09:59:59", "c-earlier");
  add("2023-02-01", "a");
  add("07/01/2024 1:05 PM", "e");
  add("07/01/2024 11:05", "d");
  list.setSortingEnabled(true);
  list.sortItems(1, Qt::DescendingOrder);
  QTreeWidgetItem* picked = list.topLevelItem(0);
  list.setCurrentItem(picked);

  SortListViewByDates(&list);
  const Order expected = {"a", "b", "c-earlier", "c", "d", "e"};
  EXPECT_EQ(order(), expected);
  EXPECT_FALSE(list.isSortingEnabled()) << "the list view's own text sorting is switched off";
  EXPECT_EQ(list.currentItem(), picked);
  EXPECT_TRUE(picked->isSelected());
  SortListViewByDates(&list);
  EXPECT_EQ(order(), expected) << "a second click sorts ascending again";
}

TEST_F(ListviewSortTest, EmptyAndUnreadableDatesSortFirstAndOnlyUnreadableOnesAreLogged) {
  add("03/03/2023", "dated");
  add("", "empty");
  add("01/03/2023", "earlier");
  SortListViewByDates(&list);
  EXPECT_EQ(order(), (Order{"empty", "earlier", "dated"}));
  EXPECT_EQ(readText("Err.log"), "");

  add("not a date", "garbage");
  add("30/02/2023", "impossible");
  SortListViewByDates(&list);
  EXPECT_EQ(order().back(), "dated");
  EXPECT_EQ(order()[3], "earlier");
  EXPECT_NE(readText("Err.log").find("ListView_GetItemData of mdlListviewSort"), std::string::npos);
}

TEST_F(ListviewSortTest, OnlyTheFirst31CharactersAreRead) {
  // 31 characters of date and blanks, then words that are no date.
  add("02/02/2022" + std::string(21, ' ') + "trailing words", "long");
  add("01/01/2022", "first");
  add("03/03/2022", "last");
  SortListViewByDates(&list);
  EXPECT_EQ(order(), (Order{"first", "long", "last"}));
  std::string text;
  double date = 0;
  ListView_GetListItem(1, &list, text, date);
  EXPECT_EQ(text, "02/02/2022" + std::string(21, ' '));
  EXPECT_EQ(date, dateAt(0) + 32);
}

TEST_F(ListviewSortTest, ListItemsGiveTheirTextAndDateSerial) {
  add("31/12/1899", "x");
  add("01/01/1900 06:00", "y");
  add("", "z");
  add("12:00", "t");
  EXPECT_EQ(dateAt(0), 1);
  EXPECT_EQ(dateAt(1), 2.25);
  EXPECT_EQ(dateAt(2, 7), 7) << "an empty text leaves the date as it was";
  EXPECT_EQ(dateAt(3), 0.5);
}
