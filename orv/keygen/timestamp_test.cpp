#include <orv/keygen/timestamp.h>

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

}  // namespace
}  // namespace orv
