// The rights consistency rule and the codings of a right.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "programs/mdlProgramControl.h"

namespace {

using mv::ApplyRightsConsistencyRule;
using mv::RightsLevels;

constexpr std::uint8_t A = mv::LevelAllow, K = mv::LevelAsk, B = mv::LevelBlock;

std::string show(const RightsLevels& l) {
  std::string s;
  for (auto v : l) s += v == A ? 'A' : v == K ? 'K' : v == B ? 'B' : '?';
  return s;
}

bool ordered(const RightsLevels& l) {
  return l[0] <= l[1] && l[1] <= l[3] && l[0] <= l[2] && l[2] <= l[3];
}

// The rule read as an order: AccessTrusted is below every other right,
// ServerInternet above every other, AccessInternet and ServerTrusted are not
// related. A right below the changed one may be no stricter than it, a right
// above it no more permissive; every other right keeps its value.
RightsLevels byOrder(RightsLevels l, int right, std::uint8_t v) {
  const bool below[4][4] = {
      // is row i below column j?
      {false, true, true, true},
      {false, false, false, true},
      {false, false, false, true},
      {false, false, false, false},
  };
  size_t r = static_cast<size_t>(right - 1);
  l[r] = v;
  for (size_t i = 0; i < 4; ++i) {
    if (below[i][r]) l[i] = std::min(l[i], v);
    if (below[r][i]) l[i] = std::max(l[i], v);
  }
  return l;
}

TEST(RightsRule, EveryStartingStateAndChangeFollowsTheOrder) {
  const std::uint8_t levels[] = {A, K, B};
  int cases = 0;
  for (auto at : levels)
    for (auto ai : levels)
      for (auto st : levels)
        for (auto si : levels)
          for (int right = 1; right <= 4; ++right)
            for (auto v : levels) {
              RightsLevels start = {at, ai, st, si};
              RightsLevels got = start;
              ApplyRightsConsistencyRule(got, right, v);
              SCOPED_TRACE(show(start) + " right " + std::to_string(right) + " -> " + show(RightsLevels{v, v, v, v}));
              EXPECT_EQ(show(got), show(byOrder(start, right, v)));
              EXPECT_EQ(got[static_cast<size_t>(right - 1)], v);
              if (ordered(start)) {
                EXPECT_TRUE(ordered(got)) << show(got);
              }
              ++cases;
            }
  EXPECT_EQ(cases, 81 * 12);
}

TEST(RightsRule, TableRowsAsWrittenAndOutOfRangeChanges) {
  struct Row {
    RightsLevels start;
    int right;
    std::uint8_t value;
    const char* expected;
  };
  const Row rows[] = {
      {{A, B, A, B}, mv::RightAccessTrusted, K, "KBKB"},   // raises only what is Allow
      {{B, A, A, A}, mv::RightAccessInternet, K, "KKAK"},  // ServerTrusted untouched
      {{B, B, A, A}, mv::RightServerTrusted, K, "KBKK"},
      {{B, K, B, B}, mv::RightServerInternet, A, "AAAA"},
      {{A, K, A, K}, 5, B, "AKAK"},                        // no such right
      {{A, K, A, K}, mv::RightAccessTrusted, 4, "AKAK"},   // no such level
  };
  for (const auto& row : rows) {
    RightsLevels l = row.start;
    ApplyRightsConsistencyRule(l, row.right, row.value);
    EXPECT_EQ(show(l), row.expected) << show(row.start) << " right " << row.right;
  }
}

TEST(RightCodings, ConversionsBetweenCodings) {
  for (int code = 0; code <= 2; ++code) EXPECT_EQ(mv::LevelToAccessCode(mv::AccessCodeToLevel(code)), code);
  EXPECT_EQ(mv::AccessCodeToLevel(mv::AccessBlock), B);
  EXPECT_EQ(mv::AccessCodeToLevel(3), 0);
  // Menu values 1 Allow, 2 Block, 3 Ask; engine answers 0 Allow, 1 Ask, 2 Block.
  EXPECT_EQ(mv::MenuValueToLevel(2), B);
  EXPECT_EQ(mv::MenuValueToLevel(3), K);
  EXPECT_EQ(mv::EngineAnswerToAccessCode(1), mv::AccessAsk);
  EXPECT_EQ(mv::EngineAnswerToAccessCode(2), mv::AccessBlock);
  EXPECT_EQ(mv::EngineAnswerToAccessCode(0), mv::AccessAllow);
}

TEST(RightCodings, TextsToCodesAndLevels) {
  mv::ResetProgramControlGlobals();
  mv::InitProgramControl();
  EXPECT_EQ(mv::AccessTextToCode("ask"), mv::AccessAsk);
  EXPECT_EQ(mv::AccessTextToCode("BLOCK"), mv::AccessBlock);
  EXPECT_EQ(mv::AccessTextToCode("Blocked"), mv::AccessAllow);
  // Levels match the exact capitalised texts only.
  EXPECT_EQ(mv::AccessTextToLevel("ask"), 0);
  EXPECT_EQ(mv::AccessTextToLevel("Ask"), K);
  EXPECT_EQ(mv::AccessTextToLevel("Block"), B);
  mv::ResetProgramControlGlobals();
}

}  // namespace
