#include <gtest/gtest.h>

#include <cmath>

#include "core/VBRuntime.h"

using namespace mv;

TEST(Runtime, ValReadsTheLeadingNumber) {
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("abc"), 0);
  EXPECT_EQ(Val("  42abc"), 42);
  EXPECT_EQ(Val(" 1 2 3"), 123);
  EXPECT_EQ(Val("-7.5x"), -7.5);
  EXPECT_EQ(Val("&H1F"), 31);
  EXPECT_EQ(Val("&O17"), 15);
  EXPECT_EQ(Val("1e3"), 1000);
  EXPECT_EQ(Val("0012"), 12);
  EXPECT_EQ(Val("12-34"), 12);
}

TEST(Runtime, ConversionsRoundHalfToEvenAndRaiseOverflow) {
  EXPECT_EQ(CByte(2.5), 2);
  EXPECT_EQ(CByte(3.5), 4);
  EXPECT_EQ(CByte(255), 255);
  EXPECT_EQ(CInt(-32768), -32768);
  EXPECT_EQ(CInt(0.5), 0);
  EXPECT_EQ(CInt(1.5), 2);
  try {
    CByte(300);
    FAIL() << "300 fits no byte";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), errOverflow);
  }
  EXPECT_THROW(CByte(-1), RuntimeError);
  EXPECT_THROW(CInt(32768), RuntimeError);
  EXPECT_THROW(CLng(3e9), RuntimeError);
  EXPECT_EQ(CLng(2147483647.0), 2147483647);
}

TEST(Runtime, FormatsNumbersAndDates) {
  EXPECT_EQ(FormatNumber(13, "0000"), "0013");
  EXPECT_EQ(FormatNumber(10000, "0000"), "10000");
  EXPECT_EQ(FormatNumber(42, "000000"), "000042");
  EXPECT_EQ(FormatNumber(7, "0"), "7");
  EXPECT_EQ(Str(5), "5");
  EXPECT_EQ(Str(2.5), "2.5");
  EXPECT_EQ(Str(-3), "-3");
  Date d{2026, 3, 9};
  EXPECT_EQ(FormatDate(d, "dd-mm-yyyy"), "09-03-2026");
  EXPECT_EQ(FormatDate(d, "yyyymmdd"), "20260309");
}

TEST(Runtime, ParsesDatesStrictlyDayFirst) {
  Date d;
  ASSERT_TRUE(ParseDateDMY("03-02-2026", d));
  EXPECT_EQ(d, (Date{2026, 2, 3}));
  EXPECT_FALSE(ParseDateDMY("2026-02-03", d));
  EXPECT_FALSE(ParseDateDMY("31-02-2026", d));
  EXPECT_FALSE(ParseDateDMY("3-2-2026", d));
  EXPECT_FALSE(ParseDateDMY("", d));
  EXPECT_TRUE(ParseDateDMY("29-02-2024", d));
  EXPECT_EQ(DateDiffDays(Date{2026, 12, 31}, Date{2027, 1, 1}), 1);
  EXPECT_EQ(DateDiffDays(Date{2024, 2, 28}, Date{2024, 3, 1}), 2);
  EXPECT_EQ(DateDiffDays(Date{2026, 1, 10}, Date{2026, 1, 3}), -7);
}

TEST(Runtime, NumericTextsAndDateSerials) {
  for (const char* yes : {"12", " -1.5 ", "+3", ".5", "1e3", "2.5E-2", "&H1F", "&o17"}) EXPECT_TRUE(IsNumeric(yes)) << yes;
  for (const char* no : {"", " ", "1,5", "12a", "e3", "-", "1e", "&H", "&HG", "1 2"}) EXPECT_FALSE(IsNumeric(no)) << no;
  EXPECT_EQ(NumericValue(" 42 "), 42);
  EXPECT_THROW(NumericValue("x"), RuntimeError);

  double serial = 0;
  ASSERT_TRUE(TextToDate("2024-02-29 23:59:59", serial));
  EXPECT_EQ(DateToText(serial), "29/02/2024 23:59:59");
  EXPECT_EQ(DateOfSerial(serial), (Date{2024, 2, 29}));
  EXPECT_EQ(DateSerial(Date{2024, 2, 29}), std::floor(serial));
  ASSERT_TRUE(TextToDate("10:15", serial));
  EXPECT_EQ(DateToText(serial), "10:15:00");
  EXPECT_EQ(DateToText(DateSerial(Date{1900, 3, 1})), "01/03/1900");
  EXPECT_EQ(DateToText(0), "00:00:00");
  EXPECT_EQ(DateOfSerial(-1), (Date{1899, 12, 29}));
  EXPECT_FALSE(TextToDate("31/02/2024", serial));
}

TEST(Runtime, SplitAndTrimBehaveAsTheSystemExpects) {
  EXPECT_TRUE(Split("", ",").empty());
  EXPECT_EQ(Split("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(Split("a,", ","), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(Split("x && y", " && "), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(LTrim("  a b  "), "a b  ");
  EXPECT_EQ(RTrim("  a b  "), "  a b");
  EXPECT_EQ(Trim("\ta "), "\ta");  // only spaces are trimmed
  EXPECT_TRUE(SameText("Database_IPSetting", "database_ipsetting"));
}
