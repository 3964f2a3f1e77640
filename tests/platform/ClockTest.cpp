// The clock that tests set and move forward.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/Clock.h"

using mv::platform::DateTime;

namespace {

auto fields(const DateTime& d) { return std::make_tuple(d.year, d.month, d.day, d.hour, d.minute, d.second); }

class Clock : public ::testing::Test {
 protected:
  void TearDown() override { mv::platform::setClock(std::nullopt); }
};

TEST_F(Clock, AFixedTimeMovesOnlyWhenAdvanced) {
  mv::platform::setClock(DateTime{2026, 12, 31, 23, 59, 30});
  EXPECT_EQ(fields(mv::platform::now()), std::make_tuple(2026, 12, 31, 23, 59, 30));
  EXPECT_EQ(fields(mv::platform::now()), std::make_tuple(2026, 12, 31, 23, 59, 30));
  // Across midnight, the month and the year.
  mv::platform::advanceClock(45);
  EXPECT_EQ(fields(mv::platform::now()), std::make_tuple(2027, 1, 1, 0, 0, 15));
  // Whole days, through the end of February of a common year.
  mv::platform::setClock(DateTime{2027, 2, 27, 12, 0, 0});
  mv::platform::advanceClock(2 * 86400 + 60);
  EXPECT_EQ(fields(mv::platform::now()), std::make_tuple(2027, 3, 1, 12, 1, 0));
  // And of a leap year; back again.
  mv::platform::setClock(DateTime{2028, 2, 28, 0, 0, 0});
  mv::platform::advanceClock(86400);
  EXPECT_EQ(fields(mv::platform::now()), std::make_tuple(2028, 2, 29, 0, 0, 0));
  mv::platform::advanceClock(-86400 - 1);
  EXPECT_EQ(fields(mv::platform::now()), std::make_tuple(2028, 2, 27, 23, 59, 59));
}

TEST_F(Clock, AdvancingARunningClockChangesNothing) {
  mv::platform::advanceClock(86400 * 400);
  DateTime real = mv::platform::now();
  EXPECT_GE(real.year, 2024);
  EXPECT_LT(real.year, 2100);
}

}  // namespace
