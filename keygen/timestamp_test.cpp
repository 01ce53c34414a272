#include "keygen/timestamp.h"

#include <gtest/gtest.h>


namespace orv {
namespace {

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

// Legend: the clock's moment -> the stamp GetTimeStamp gives.
struct StampCase {
  TDateTime moment;
  const char* stamp;
};

TEST(GetTimeStamp, FormatsEveryPartZeroPadded) {
  const StampCase cases[] = {
      {At(2026, 12, 7, 9, 5, 3, 45), "20261207090503045"},
      {At(2027, 1, 1, 0, 0, 0, 0), "20270101000000000"},
      {At(2026, 12, 31, 23, 59, 59, 999), "20261231235959999"},
      {At(999, 3, 4, 5, 6, 7, 8), "09990304050607008"},
  };
  for (const auto& c : cases) {
    TManualClock clock(c.moment);
    ScopedClock scope(&clock);
    EXPECT_EQ(GetTimeStamp(), c.stamp);
    EXPECT_EQ(FormatTimeStamp(c.moment), c.stamp);
  }
}

TEST(GetTimeStamp, LeavesTheMomentInTheUnitVariables) {
  TManualClock clock(At(2026, 12, 7, 9, 5, 3, 45));
  ScopedClock scope(&clock);
  GetTimeStamp();
  EXPECT_DOUBLE_EQ(Present, At(2026, 12, 7, 9, 5, 3, 45));
  EXPECT_EQ(Year, 2026);
  EXPECT_EQ(Month, 12);
  EXPECT_EQ(Day, 7);
  EXPECT_EQ(Hour, 9);
  EXPECT_EQ(Min, 5);
  EXPECT_EQ(Sec, 3);
  EXPECT_EQ(MSec, 45);
}

TEST(NewOwnerStamp, NeverRepeatsWhileTheClockStandsStill) {
  TManualClock clock(At(2026, 12, 31, 23, 59, 59, 998));
  ScopedClock scope(&clock);
  const std::string first = NewOwnerStamp();
  // The last stamp handed out may lie ahead of the clock (earlier tests);
  // what counts is that each stamp follows the one before by a millisecond.
  const std::string second = NewOwnerStamp();
  const std::string third = NewOwnerStamp();
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_EQ(second.size(), kStampLength);
  EXPECT_EQ(third.size(), kStampLength);
}

TEST(NewOwnerStamp, TakesTheNextMillisecondAcrossMidnightAndWhenTheClockGoesBack) {
  // Later than any other test of this process goes, so that no earlier
  // stamp lies ahead of these.
  TManualClock clock(At(9900, 12, 31, 23, 59, 59, 999));
  ScopedClock scope(&clock);
  EXPECT_EQ(NewOwnerStamp(), "99001231235959999");
  EXPECT_EQ(NewOwnerStamp(), "99010101000000000");
  clock.Set(At(9900, 6, 1, 0, 0, 0, 0));  // set back
  EXPECT_EQ(NewOwnerStamp(), "99010101000000001");
  clock.Set(At(9901, 2, 1, 0, 0, 0, 0));  // ahead again: the clock's own moment
  EXPECT_EQ(NewOwnerStamp(), "99010201000000000");
}

}  // namespace
}  // namespace orv
