// The ordered, keyed collection behind the program and component lists.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Collection.h"

namespace {

using mv::Collection;

int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const mv::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(Collection, OrderKeysWithoutCaseAndPositionsFromOne) {
  Collection<std::string> c;
  c.Add("first", "C:\\Apps\\B.exe");
  c.Add("unkeyed");
  c.Add("third", "c:\\apps\\a.exe");
  EXPECT_EQ(std::vector<std::string>(c.begin(), c.end()), (std::vector<std::string>{"first", "unkeyed", "third"}));
  EXPECT_EQ(c.Item("C:\\APPS\\A.EXE"), "third");
  EXPECT_EQ(c.Item(2L), "unkeyed");
  EXPECT_EQ(c.PositionOf("c:\\apps\\b.exe"), 1);
  EXPECT_EQ(c.PositionOf("c:\\apps\\d.exe"), 0);
  // A duplicate key is refused and the first item stays.
  EXPECT_EQ(errorOf([&] { c.Add("again", "C:\\APPS\\B.EXE"); }), mv::errKeyInUse);
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(errorOf([&] { c.Item("missing"); }), mv::errInvalidCall);
  EXPECT_EQ(errorOf([&] { c.Item(0L); }), mv::errSubscript);
  EXPECT_EQ(errorOf([&] { c.Item(4L); }), mv::errSubscript);
}

TEST(Collection, RemovingMovesLaterItemsUp) {
  Collection<std::string> c;
  for (const char* k : {"a", "b", "c", "d"}) c.Add(std::string("item ") + k, k);
  c.Remove("B");
  EXPECT_EQ(c.PositionOf("c"), 2);
  EXPECT_EQ(c.Item("d"), "item d");
  c.Remove(1L);
  EXPECT_FALSE(c.Contains("a"));
  c.Add("item a again", "A");
  EXPECT_EQ(c.PositionOf("a"), 3);
  EXPECT_EQ(errorOf([&] { c.Remove("b"); }), mv::errInvalidCall);
}

}  // namespace
