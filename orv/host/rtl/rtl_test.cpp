#include <gtest/gtest.h>

#include <set>
#include <vector>

#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/datetime.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/random.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/host/rtl/tmstring.h>

namespace orv {
namespace {

TEST(TmStringTest, CutsAndDropsPastOneHundred) {
  TmString s(std::string(150, 'x'));
  EXPECT_EQ(s.Length(), 100u);
  s += 'y';
  EXPECT_EQ(s.Length(), 100u);
  EXPECT_EQ(s[99], 'x');
  TmString t("ab");
  t += std::string(200, 'z');
  EXPECT_EQ(t.Length(), 100u);
  EXPECT_EQ(t.str().substr(0, 3), "abz");
}

TEST(CompareTextTest, FoldsOnlyAsciiLetters) {
  // legend: a, b, sign of CompareText(a, b)
  struct Case {
    std::string a, b;
    int sign;
  } cases[] = {
      {"abc", "ABC", 0},
      {"abc", "abd", -1},
      {"ab", "abc", -1},
      {"abc", "ab", 1},
      {"", "", 0},
      {"Z", "a", 1},
      {"\xE0", "\xC0", 1},  // 1251 letters are not folded:
                            // compared as bytes
      {"[", "a", 1},        // '[' (0x5B) is above 'A' once 'a' is folded
      {"\xFF", "z", 1},     // unsigned comparison
  };
  for (const Case& c : cases) {
    const int r = CompareText(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(AsciiTextTest, FoldsAndTrimsAsciiOnly) {
  // legend: text; AsciiUpper; AsciiLower; Trim
  struct Case {
    std::string text, upper, lower, trimmed;
  } cases[] = {
      {"Alias_1", "ALIAS_1", "alias_1", "Alias_1"},
      {"\xE0\xC0z", "\xE0\xC0Z", "\xE0\xC0z", "\xE0\xC0z"},  // 1251 letters stay as they are
      {" \t key = v \r\n", " \t KEY = V \r\n", " \t key = v \r\n", "key = v"},
      {"\xA0x\xA0", "\xA0X\xA0", "\xA0x\xA0", "\xA0x\xA0"},  // a 1251 no-break space is not trimmed
      {" \r\n\t", " \r\n\t", " \r\n\t", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AsciiUpper(c.text), c.upper) << c.text;
    EXPECT_EQ(AsciiLower(c.text), c.lower) << c.text;
    EXPECT_EQ(Trim(c.text), c.trimmed) << c.text;
  }
}

TEST(FormatTest, PadsWithBlanksLikePrintf) {
  EXPECT_EQ(FormatInt(7, 2), " 7");
  EXPECT_EQ(FormatInt(45, 3), " 45");
  EXPECT_EQ(FormatInt(2026, 4), "2026");
  EXPECT_EQ(FormatInt(12345, 2), "12345");
  EXPECT_EQ(IntToStr(-12), "-12");
}

TEST(StrToIntTest, ParsesOrRaisesConvertError) {
  struct Case {
    std::string text;
    int value;
  } good[] = {{"0", 0},
              {"  42 ", 42},
              {"-7", -7},
              {"+9", 9},
              {"$1F", 31},
              {"2147483647", 2147483647},
              {"-2147483648", -2147483647 - 1}};
  for (const Case& c : good) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  for (const char* bad :
       {"", " ", "12a", "2147483648", "- 1", "$", "1.5", "99999999999999999999"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "no error for '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(DateTimeTest, EncodeDecodeRoundTripsToTheMillisecond) {
  struct Case {
    uint16_t y, mo, d, h, mi, s, ms;
  } cases[] = {{2026, 12, 7, 9, 5, 3, 45},     {2027, 1, 1, 0, 0, 0, 0},
               {2000, 2, 29, 23, 59, 59, 999}, {1899, 12, 30, 12, 0, 0, 0},
               {1900, 3, 1, 0, 0, 0, 1},       {9999, 12, 31, 23, 59, 59, 999}};
  for (const Case& c : cases) {
    const TDateTime t = EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, c.ms);
    uint16_t y, mo, d, h, mi, s, ms;
    DecodeDate(t, y, mo, d);
    DecodeTime(t, h, mi, s, ms);
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}),
              (std::vector<int>{c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms}));
  }
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_THROW(EncodeDate(2026, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(DateTimeTest, ManualClockDrivesNow) {
  TManualClock clock(EncodeDate(2027, 1, 1));
  SetClock(&clock);
  clock.AdvanceMs(1500);
  uint16_t h, mi, s, ms;
  DecodeTime(Now(), h, mi, s, ms);
  SetClock(nullptr);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(ms, 500);
}

TEST(RandomTest, SameSeedSameSequenceWithinRange) {
  RandSeed = 12345;
  std::vector<int> a, b;
  for (int i = 0; i < 50; ++i) a.push_back(Random(1000));
  RandSeed = 12345;
  for (int i = 0; i < 50; ++i) b.push_back(Random(1000));
  EXPECT_EQ(a, b);
  for (int v : a) {
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 1000);
  }
  // Another seed, another sequence; and from any seed, zero included, the
  // values spread over the whole range instead of sticking to one.
  RandSeed = 54321;
  std::vector<int> c;
  for (int i = 0; i < 50; ++i) c.push_back(Random(1000));
  EXPECT_NE(a, c);
  for (const unsigned seed : {0u, 1u, 12345u}) {
    RandSeed = seed;
    std::set<int> hit;
    for (int i = 0; i < 1000; ++i) hit.insert(Random(10));
    EXPECT_EQ(hit, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9})) << "seed " << seed;
  }
}

TEST(Cp1251Test, EveryNonZeroByteRoundTrips) {
  for (int b = 1; b <= 255; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(one);
    const auto back = Utf8ToCp1251(utf8);
    ASSERT_TRUE(back.has_value()) << b;
    EXPECT_EQ(*back, one) << b;
  }
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8\x88"), "Ёё€");
}

TEST(Cp1251Test, RefusesWhatCannotBeHeld) {
  EXPECT_FALSE(Utf8ToCp1251("日本").has_value());
  EXPECT_FALSE(Utf8ToCp1251("\xC3").has_value());      // truncated sequence
  EXPECT_FALSE(Utf8ToCp1251("\xC0\xAF").has_value());  // overlong '/'
  try {
    Utf8ToCp1251OrThrow("aé");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Character U+00E9 cannot be written in code page 1251");
  }
}

TEST(UserInterfaceTest, RecordingInterfaceSeesCallsAndCursor) {
  TRecordingUserInterface ui;
  TUserInterface* const console = &UserInterface();
  ASSERT_NE(console, &ui);
  {
    ScopedUserInterface scope(&ui);
    EXPECT_EQ(&UserInterface(), &ui);  // the recorder in force inside the scope
    EXPECT_EQ(MessageBox("Gentbl is busy. Try again!", "Generator", MB_OK | MB_ICONINFORMATION),
              IDOK);
    ShowMessage("Hello");
    Screen()->SetCursor(crAppStart);
    Screen()->SetCursor(crDefault);
  }
  EXPECT_EQ(ui.Transcript(), "Generator: Gentbl is busy. Try again!\nHello\n");
  EXPECT_EQ(ui.calls[0].flags & MB_ICONMASK, MB_ICONINFORMATION);
  EXPECT_EQ(ui.cursors, (std::vector<TCursor>{crAppStart, crDefault}));
  EXPECT_EQ(&UserInterface(), console);  // console one back in force
}

}  // namespace
}  // namespace orv
