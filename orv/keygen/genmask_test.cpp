#include <orv/keygen/genmask.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <orv/host/rtl/dialogs.h>
#include <orv/host/rtl/exception.h>

namespace orv {
namespace {

// Letters of code page 1251 at the ends of the two upper-range cycles.
const std::string kCyrA = "\xC0";     // 192: first capital
const std::string kCyrYa = "\xDF";    // 223: last capital
const std::string kCyrSmA = "\xE0";   // 224: first small letter
const std::string kCyrSmYa = "\xFF";  // 255: last small letter

std::string Kinds(const TGenMask& m) {
  static const char* const kKind = "SEIPON";
  std::string out;
  for (int i = 0; i < m.Count(); ++i) {
    out += kKind[m.Elements(i).Kind];
    if (m.Elements(i).Kind == INC) out += static_cast<char>('0' + m.Elements(i).IncKind);
  }
  return out;
}

// --- Scanning ------------------------------------------------------------------

TEST(GenMaskScanTest, ReadsElementsAndParts) {
  // legend: mask; value, prefix, suffix after the scan; kinds (S E I<incType> P) and offsets
  struct Case {
    std::string mask, value, prefix, suffix, kinds, offsets;
  } cases[] = {
      {"", "", "", "", "", ""},
      {"AB", "AB", "AB", "", "SS", "0 1"},
      {"A]B", "A]B", "A]B", "", "SSS", "0 1 2"},
      {"[#@]", "#", "", "#", "E", "0"},
      {"AB-@[XYZ]##", "AB-@X##", "AB-@", "X##", "SSSPEI1I1", "0 1 2 3 4 9 10"},
      {"$&#", "$&#", "", "$&#", "I2I3I1", "0 1 2"},
      {"[ a a]x", " x", "x", " ", "ES", "0 6"},
      {"Z\0#", "Z", "Z", "", "S", "0"},  // the scan ends at the first zero
  };
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask(c.mask == "Z\0#" ? std::string_view("Z\0#", 3) : std::string_view(c.mask));
    EXPECT_EQ(m.GetMskValue(), TmString(c.value)) << c.mask;
    EXPECT_EQ(m.GetPrefix(), TmString(c.prefix)) << c.mask;
    EXPECT_EQ(m.GetSuffix(), TmString(c.suffix)) << c.mask;
    EXPECT_EQ(Kinds(m), c.kinds) << c.mask;
    std::string offsets;
    for (int i = 0; i < m.Count(); ++i)
      offsets += (i ? " " : "") + std::to_string(m.Elements(i).MaskOffset);
    EXPECT_EQ(offsets, c.offsets) << c.mask;
  }
}

TEST(GenMaskScanTest, PartsByKind) {
  TGenMask m;
  m.ScanMask("A@[XY]#B$[PQ]&");
  EXPECT_EQ(m.GetSTAT(), TmString("AB"));
  EXPECT_EQ(m.GetENUM(), TmString("XP"));
  EXPECT_EQ(m.GetINCR(), TmString("#$&"));
  EXPECT_EQ(m.GetPROC(), TmString("@"));
}

TEST(GenMaskScanTest, RefusesMalformedMasksAndKeepsLimits) {
  // legend: mask; the exception's message
  struct Case {
    std::string mask, message;
  } cases[] = {
      {"[AB", "Missing ] symbol in Mask!"},
      {"##[", "Missing ] symbol in Mask!"},
      {"X[A[B]", "Error in mask picture at position:3!"},
      {"[[", "Error in mask picture at position:1!"},
      {"AB[]#", "Empty set in mask picture at position:2!"},
      {std::string(102, '#'), "Mask has more than 101 symbols!"},
      {std::string(101, '#') + "[X]", "Mask has more than 101 symbols!"},
  };
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask("##");
    m.SetStartValue("05");
    m.SetEndValue("50");
    try {
      m.ScanMask(c.mask);
      ADD_FAILURE() << "no exception for " << c.mask;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message) << c.mask;
    }
    EXPECT_EQ(m.Count(), 0) << c.mask;
    EXPECT_EQ(m.GetMskValue(), TmString()) << c.mask;
    EXPECT_EQ(m.StartValue(), TmString("05")) << c.mask;
    EXPECT_EQ(m.EndValue(), TmString("50")) << c.mask;
    m.Increment();  // no elements: nothing happens
    m.Decrement();
    EXPECT_EQ(m.GetSuffix(), TmString()) << c.mask;
    m.ScanMask("[AB]#");  // a new scan starts afresh
    EXPECT_EQ(m.GetMskValue(), TmString("A#")) << c.mask;
    EXPECT_EQ(m.StartValue(), TmString("05")) << c.mask;
  }
}

TEST(GenMaskScanTest, HoldsOneHundredAndOneElements) {
  TGenMask m;
  m.ScanMask(std::string(100, 'A') + "#");
  EXPECT_EQ(m.Count(), 101);
  EXPECT_EQ(m.GetMskValue(), TmString(std::string(100, 'A')));  // a TmString keeps 100
  EXPECT_EQ(m.GetSuffix(), TmString("#"));
  m.NullValue();
  m.Increment();
  EXPECT_EQ(m.GetSuffix(), TmString("1"));
}

// --- Setting the value by part ---------------------------------------------------

TEST(GenMaskSetTest, SuffixAndPrefix) {
  // legend: mask; suffix loaded; prefix loaded (empty: none); resulting value
  struct Case {
    std::string mask, suffix, prefix, value;
  } cases[] = {
      {"[XYZ]#", "Z5", "", "Z5"},
      {"[XYZ]#", "Q5", "", "X5"},       // not a member: first member
      {"[XYZ]#", "x5", "", "X5"},       // letter case counts
      {"[XYZ]#", "Y", "", "Y#"},        // short: the rest stays
      {"[XYZ]#", "Y7EXTRA", "", "Y7"},  // extra characters ignored
      {"#", "Q", "", "Q"},              // unchecked
      {"A-@#", "5", "B+!", "B+!5"},
      {"A-@#", "", "Z", "Z-@#"},  // short prefix: the rest stays
      {"A[PQ]B", "Q", "CD", "CQD"},
      {"", "12", "34", ""},
  };
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask(c.mask);
    m.SetSuffix(c.suffix);
    if (!c.prefix.empty()) m.SetPrefix(c.prefix);
    EXPECT_EQ(m.GetMskValue(), TmString(c.value)) << c.mask << " " << c.suffix;
  }
}

TEST(GenMaskSetTest, PrefixRoundTrips) {
  TGenMask m;
  m.ScanMask("AB-@[XYZ]##");
  m.SetSuffix("Y42");
  const TmString before = m.GetMskValue();
  m.SetPrefix(m.GetPrefix());
  EXPECT_EQ(m.GetMskValue(), before);
}

// --- User-procedure characters ------------------------------------------------------

TEST(GenMaskProcTest, OnGetPROCFillsUserCharacters) {
  // legend: mask; what the callback returns; value after GetPrefix; GetPROC's result
  struct Case {
    std::string mask, supplied, value, result;
  } cases[] = {
      {"@@@", "12", "12@", "12"},        // too few: the third keeps its character
      {"@@@", "12345", "123", "12345"},  // too many: the rest ignored
      {"A@#@", "xy", "Ax#y", "xy"},
      {"##", "zz", "##", "zz"},  // called even without PROC elements
  };
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask(c.mask);
    std::vector<std::string> seen;
    m.SetOnGetPROC(TGenProcEvent::FromCallable([&](TObject* sender, TmString& t) {
      EXPECT_EQ(sender, &m);
      seen.push_back(t.str());
      t = c.supplied;
    }));
    m.GetPrefix();
    EXPECT_EQ(m.GetMskValue(), TmString(c.value)) << c.mask;
    EXPECT_EQ(m.GetPROC(), TmString(c.result)) << c.mask;
    ASSERT_EQ(seen.size(), 2u) << c.mask;
    // The second call sees what the first one left in the elements.
    std::string procs;
    for (int i = 0; i < m.Count(); ++i)
      if (m.Elements(i).Kind == PROC) procs += m.Elements(i).CurrentChar();
    EXPECT_EQ(seen[1], procs) << c.mask;
  }
}

TEST(GenMaskProcTest, OnlyPrefixAndProcCallIt) {
  TGenMask m;
  m.ScanMask("A@[XY]#");
  int calls = 0;
  m.SetOnGetPROC(TGenProcEvent::FromCallable([&](TObject*, TmString& t) {
    ++calls;
    t = "Q";
  }));
  m.GetMskValue();
  m.GetSuffix();
  m.GetSTAT();
  m.GetENUM();
  m.GetINCR();
  m.Increment();
  m.Validate("X1");
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(m.GetPrefix(), TmString("AQ"));
  EXPECT_EQ(m.GetPrefix(), TmString("AQ"));
  EXPECT_EQ(calls, 2);
}

TEST(GenMaskProcTest, ExceptionPassesThrough) {
  TGenMask m;
  m.ScanMask("@#");
  m.SetOnGetPROC(TGenProcEvent::FromCallable(
      [](TObject*, TmString&) { throw Exception("no user characters"); }));
  EXPECT_THROW(m.GetPrefix(), Exception);
  EXPECT_THROW(m.GetPROC(), Exception);
}

// --- Stepping: the wheels -------------------------------------------------------

// One step of a one-element mask from a loaded character, with both callbacks
// set so that the wheel's own wrap is visible: returns the character after
// the step, and sets limit when the carry left the wheel.
std::string StepWheel(const std::string& mask, const std::string& from, int dir, bool& limit) {
  TGenMask m;
  m.ScanMask(mask);
  m.SetSuffix(from);
  limit = false;
  const auto hit = TGOverFlowEvent::FromCallable([&](TObject*, TmString&) { limit = true; });
  m.SetOnOverFlow(hit);
  m.SetOnSubOver(hit);
  dir > 0 ? m.Increment() : m.Decrement();
  return m.GetSuffix().str();
}

TEST(GenMaskStepTest, WheelsStepAndWrap) {
  // legend: mask; from; after one step up; carried out?; after one step down; borrowed out?
  struct Case {
    std::string mask, from, up;
    bool up_wraps;
    std::string down;
    bool down_wraps;
  } cases[] = {
      // digits
      {"#", "0", "1", false, "9", true},
      {"#", "5", "6", false, "4", false},
      {"#", "9", "0", true, "8", false},
      {"#", "A", "B", false, "@", false},           // outside the alphabet: by code
      {"#", "\xFF", "\x01", false, "\xFE", false},  // never the byte 0
      {"#", "\x01", "\x02", false, "\xFF", false},
      // letters: four separate cycles
      {"$", "A", "B", false, "Z", true},
      {"$", "Z", "A", true, "Y", false},
      {"$", "a", "b", false, "z", true},
      {"$", "z", "a", true, "y", false},
      {"$", kCyrA, "\xC1", false, kCyrYa, true},
      {"$", kCyrYa, kCyrA, true, "\xDE", false},
      {"$", kCyrSmA, "\xE1", false, kCyrSmYa, true},
      {"$", kCyrSmYa, kCyrSmA, true, "\xFE", false},
      {"$", "5", "6", false, "4", false},
      // charnum: 0..9 then A..Z
      {"&", "0", "1", false, "Z", true},
      {"&", "9", "A", false, "8", false},
      {"&", "A", "B", false, "9", false},
      {"&", "Z", "0", true, "Y", false},
      {"&", "a", "b", false, "9", false},
      {"&", "z", "0", true, "y", false},
      {"&", kCyrA, "\xC1", false, "9", false},
      {"&", kCyrYa, "0", true, "\xDE", false},
      {"&", kCyrSmA, "\xE1", false, "9", false},
      {"&", kCyrSmYa, "0", true, "\xFE", false},
      // sets
      {"[XYZ]", "X", "Y", false, "Z", true},
      {"[XYZ]", "Y", "Z", false, "X", false},
      {"[XYZ]", "Z", "X", true, "Y", false},
      {"[#]", "#", "#", true, "#", true},    // one member: always wraps
      {"[AA]", "A", "A", false, "A", true},  // first of two equal members
  };
  for (const Case& c : cases) {
    bool wrapped = false;
    EXPECT_EQ(StepWheel(c.mask, c.from, +1, wrapped), c.up) << c.mask << " up from " << c.from;
    EXPECT_EQ(wrapped, c.up_wraps) << c.mask << " up from " << c.from;
    EXPECT_EQ(StepWheel(c.mask, c.from, -1, wrapped), c.down) << c.mask << " down from " << c.from;
    EXPECT_EQ(wrapped, c.down_wraps) << c.mask << " down from " << c.from;
  }
}

// --- Stepping: carry, limits, callbacks and their fallbacks ----------------------------

TEST(GenMaskStepTest, CarryLimitsAndCallbacks) {
  // legend: mask; start; end; value loaded (suffix); step (+1 up, -1 down);
  // value without callbacks (fallback NullValue/FullValue); value with the
  // callbacks set; what the callback received ("" when not called)
  struct Case {
    std::string mask, start, end, from;
    int dir;
    std::string plain, with_callback, callback;
  } cases[] = {
      {"##", "", "", "09", +1, "10", "10", ""},
      {"##", "", "", "99", +1, "00", "00", "over 00"},
      {"##", "", "", "00", -1, "99", "99", "sub 99"},
      {"##", "", "", "10", -1, "09", "09", ""},
      {"#-#", "", "", "09", +1, "1-0", "1-0", ""},  // carry over a static symbol
      {"#@#", "", "", "19", +1, "2@0", "2@0", ""},  // and over a user-procedure symbol
      {"#-#", "", "", "10", -1, "0-9", "0-9", ""},
      {"AB-#", "", "", "9", +1, "AB-0", "AB-0", "over 0"},
      {"$", "", "", "z", +1, "A", "a", "over a"},
      {"$$", "", "", "A\xDF", +1, "B\xC0", "B\xC0", ""},
      {"&", "", "", "9", +1, "A", "A", ""},
      {"&", "", "", "Z", +1, "0", "0", "over 0"},
      {"&", "", "", "0", -1, "Z", "Z", "sub Z"},
      {"[XYZ]#", "", "", "X9", +1, "Y0", "Y0", ""},
      {"[XYZ]#", "", "", "Z9", +1, "X0", "X0", "over X0"},
      {"[XYZ]#", "", "", "X0", -1, "Z9", "Z9", "sub Z9"},
      {"AB-@[XYZ]##", "", "", "X99", +1, "AB-@Y00", "AB-@Y00", ""},
      // end value: checked after each element step, with CompareText
      {"##", "", "15", "14", +1, "15", "15", ""},
      {"##", "", "15", "15", +1, "00", "16", "over 16"},
      {"##", "03", "15", "15", +1, "03", "16", "over 16"},
      {"##", "", "20", "19", +1, "20", "20", ""},         // mid-carry 10 is not past 20
      {"##", "", "05", "39", +1, "00", "30", "over 30"},  // past the end mid-carry
      {"[ACB]", "", "B", "A", +1, "A", "C", "over C"},    // texts, not set positions
      {"$$", "", "ab", "AA", +1, "AB", "AB", ""},
      {"$$", "", "ab", "AB", +1, "AA", "AC", "over AC"},
      // start value: checked before each element step, ignoring letter case
      {"##", "05", "", "06", -1, "05", "05", ""},
      {"##", "05", "", "05", -1, "99", "05", "sub 05"},
      {"##", "05", "60", "05", -1, "60", "05", "sub 05"},
      {"$$", "ab", "", "AB", -1, "ZZ", "AB", "sub AB"},
      {"##", "50", "", "40", -1, "39", "39", ""},        // never meets the start below it
      {"##", "29", "", "20", -1, "99", "29", "sub 29"},  // meets the start mid-borrow
      {"##", "50", "", "00", -1, "99", "99", "sub 99"},
      {"##", "", "05", "40", -1, "39", "39", ""},  // Decrement ignores the end value
      {"##", "50", "", "40", +1, "41", "41", ""},  // Increment ignores the start value
      // no wheel to carry into: every step is a limit
      {"[#]A[#]", "", "", "##", +1, "#A#", "#A#", "over ##"},
      {"[#]A[#]", "", "", "##", -1, "#A#", "#A#", "sub ##"},
      {"AB", "", "", "", +1, "AB", "AB", "over "},
      {"AB", "", "", "", -1, "AB", "AB", "sub "},
      {"", "", "", "", +1, "", "", ""},  // no elements: nothing is called
      {"", "", "", "", -1, "", "", ""},
  };
  for (const Case& c : cases) {
    const std::string what = c.mask + " from " + c.from + (c.dir > 0 ? " up" : " down");
    for (const bool callbacks : {false, true}) {
      TGenMask m;
      m.ScanMask(c.mask);
      m.SetStartValue(c.start);
      m.SetEndValue(c.end);
      ASSERT_EQ(m.StartValue(), TmString(c.start)) << what;
      ASSERT_EQ(m.EndValue(), TmString(c.end)) << what;
      m.SetSuffix(c.from);
      std::string got;
      if (callbacks) {
        m.SetOnOverFlow(TGOverFlowEvent::FromCallable([&](TObject* sender, TmString& s) {
          EXPECT_EQ(sender, &m);
          got += "over " + s.str();
          s = "ignored";
        }));
        m.SetOnSubOver(TGOverFlowEvent::FromCallable([&](TObject* sender, TmString& s) {
          EXPECT_EQ(sender, &m);
          got += "sub " + s.str();
          s = "ignored";
        }));
      }
      c.dir > 0 ? m.Increment() : m.Decrement();
      EXPECT_EQ(m.GetMskValue(), TmString(callbacks ? c.with_callback : c.plain))
          << what << (callbacks ? " (callbacks)" : "");
      if (callbacks) {
        EXPECT_EQ(got, c.callback) << what;
      }
    }
  }
}

TEST(GenMaskStepTest, FullCycleVisitsEveryValueOnce) {
  // legend: mask; number of distinct values in its range (up, then down again)
  struct Case {
    std::string mask;
    int size;
  } cases[] = {{"[XYZ]#", 30}, {"&&", 36 * 36}, {"$-#", 260}};
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask(c.mask);
    m.NullValue();
    std::vector<std::string> up;
    for (int i = 0; i < c.size; ++i) {
      up.push_back(m.GetSuffix().str());
      m.Increment();
    }
    EXPECT_EQ(m.GetSuffix().str(), up.front()) << c.mask;  // back to the lowest value
    for (std::size_t i = 1; i < up.size(); ++i) EXPECT_LT(up[i - 1], up[i]) << c.mask;
    for (int i = c.size - 1; i >= 0; --i) {
      m.Decrement();
      EXPECT_EQ(m.GetSuffix().str(), up[i]) << c.mask;
    }
  }
}

TEST(GenMaskStepTest, NullAndFullValue) {
  // legend: mask; start; end; lowest value; highest value
  struct Case {
    std::string mask, start, end, low, high;
  } cases[] = {
      {"A-[XYZ]#$&@", "", "", "A-X0A0@", "A-Z9ZZ@"},
      {"[XYZ]#", "Y3", "Z7", "Y3", "Z7"},
      {"##", "05", "", "05", "99"},
  };
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask(c.mask);
    m.SetStartValue(c.start);
    m.SetEndValue(c.end);
    m.NullValue();
    EXPECT_EQ(m.GetMskValue(), TmString(c.low)) << c.mask;
    m.FullValue();
    EXPECT_EQ(m.GetMskValue(), TmString(c.high)) << c.mask;
  }
}

TEST(GenMaskStepTest, OverflowExceptionKeepsTheStep) {
  TGenMask m;
  m.ScanMask("##");
  m.SetSuffix("99");
  m.SetOnOverFlow(TGOverFlowEvent::FromCallable(
      [](TObject*, TmString&) { throw Exception("Can not generate new record!"); }));
  EXPECT_THROW(m.Increment(), Exception);
  EXPECT_EQ(m.GetSuffix(), TmString("00"));
  m.SetSuffix("00");
  m.SetOnSubOver(
      TGOverFlowEvent::FromCallable([](TObject*, TmString&) { throw std::runtime_error("stop"); }));
  EXPECT_THROW(m.Decrement(), std::runtime_error);
  EXPECT_EQ(m.GetSuffix(), TmString("99"));
}

// The engine calls its own overridable operations through dispatch.
class CountingMask : public TGenMask {
 public:
  void NullValue() override {
    log += "null;";
    TGenMask::NullValue();
  }
  void FullValue() override {
    log += "full;";
    TGenMask::FullValue();
  }
  bool Validate(const TmString& text) override {
    log += "validate " + text.str() + ";";
    return text.str() != "77";
  }
  std::string log;
};

TEST(GenMaskStepTest, CallsOverridesThroughDispatch) {
  CountingMask m;
  m.ScanMask("##");
  m.SetSuffix("99");
  m.Increment();
  m.SetSuffix("00");
  m.Decrement();
  m.SetStartValue("12");
  m.SetEndValue("77");
  EXPECT_EQ(m.log, "null;full;validate 12;validate 77;");
  EXPECT_EQ(m.StartValue(), TmString("12"));
  EXPECT_EQ(m.EndValue(), TmString());
}

// --- Validation and limits ---------------------------------------------------------------

TEST(GenMaskValidateTest, ReportsEachBadCharacter) {
  // legend: mask; text; result; OnErrorMask calls ("position word;"); message boxes without it
  struct Case {
    std::string mask, text;
    bool valid;
    std::string events, boxes;
  } cases[] = {
      {"##", "12", true, "", ""},
      {"##", "1X", false, "2 NUM;", "TGenMask: Error at position-2 1X\n"},
      {"[XYZ]$", "Q1", false, "1 ENUM;2 CHAR;",
       "TGenMask: Qis not in the set!\nTGenMask: Error at position-2 Q1\n"},
      {"[XYZ]$", "x" + kCyrA, false, "1 ENUM;", "TGenMask: xis not in the set!\n"},
      {"AB-##", "1X", false, "2 NUM;", "TGenMask: Error at position-2 1X\n"},
      {"AB", "12", false, "", ""},
      {"", "", false, "", ""},
      {"$", "a", true, "", ""},
      {"$", kCyrA, true, "", ""},
      {"$", kCyrSmYa, true, "", ""},
      {"$", "\xBF", false, "1 CHAR;", "TGenMask: Error at position-1 \xBF\n"},
      {"$", "_", false, "1 CHAR;", "TGenMask: Error at position-1 _\n"},
      {"$", "5", false, "1 CHAR;", "TGenMask: Error at position-1 5\n"},
      {"&", "z", true, "", ""},
      {"&", "@", false, "1 CHARNUM;", "TGenMask: Error at position-1 @\n"},
      {"#", "12", true, "", ""},
      {"#", "/", false, "1 NUM;", "TGenMask: Error at position-1 /\n"},
      {"#", ":", false, "1 NUM;", "TGenMask: Error at position-1 :\n"},
      {"#$&", "A1!", false, "1 NUM;2 CHAR;3 CHARNUM;",
       "TGenMask: Error at position-1 A1!\nTGenMask: Error at position-2 A1!\n"
       "TGenMask: Error at position-3 A1!\n"},
      // a short text: false, the first missing position reported once
      {"###", "1", false, "2 NUM;", "TGenMask: Error at position-2 1\n"},
      {"#[XY]#", "X", false, "1 NUM;2 ENUM;",
       "TGenMask: Error at position-1 X\nTGenMask: Error at position-2 X\n"},
  };
  for (const Case& c : cases) {
    TGenMask m;
    m.ScanMask(c.mask);
    {
      TRecordingUserInterface ui;
      ScopedUserInterface scope(&ui);
      EXPECT_EQ(m.Validate(c.text), c.valid) << c.mask << " " << c.text;
      EXPECT_EQ(ui.Transcript(), c.boxes) << c.mask << " " << c.text;
      for (const auto& call : ui.calls) {
        EXPECT_EQ(call.kind, TRecordingUserInterface::Call::kMessageBox);
        EXPECT_EQ(call.flags, MB_OK | MB_ICONERROR);
      }
    }
    std::string events;
    m.SetOnErrorMask(
        TOnErrorMask::FromCallable([&](TObject* sender, int position, const std::string& w) {
          EXPECT_EQ(sender, &m);
          events += std::to_string(position) + " " + w + ";";
        }));
    TRecordingUserInterface ui;
    ScopedUserInterface scope(&ui);
    EXPECT_EQ(m.Validate(c.text), c.valid) << c.mask << " " << c.text;
    EXPECT_EQ(events, c.events) << c.mask << " " << c.text;
    EXPECT_TRUE(ui.calls.empty()) << c.mask << " " << c.text;
  }
}

TEST(GenMaskValidateTest, FitsTellsQuietlyWhetherASuffixCanBeCountedFrom) {
  TRecordingUserInterface ui;
  ScopedUserInterface scope(&ui);
  TGenMask m;
  m.ScanMask("A-[XYZ]#$&");
  // suffix -> fits
  const std::vector<std::pair<std::string, bool>> cases = {
      {"X0A0", true},
      {"Z9zZ", true},
      {"Y5" + kCyrSmYa + "B", true},
      {"X0A", false},
      {"X0A00", false},
      {"", false},
      {"Q0A0", false},
      {"XaA0", false},
      {"X0"
       "1"
       "0",
       false},
      {"X0A-", false},
  };
  for (const auto& [suffix, fits] : cases) EXPECT_EQ(m.Fits(suffix), fits) << suffix;
  EXPECT_EQ(ui.Transcript(), "");  // nothing reported
  TGenMask fixed;
  fixed.ScanMask("ABC");
  EXPECT_TRUE(fixed.Fits(""));
  EXPECT_FALSE(fixed.Fits("A"));
}

TEST(GenMaskValidateTest, LimitsKeepOnlyValidTexts) {
  // legend: mask; start given; end given; start kept; end kept; message boxes
  struct Case {
    std::string mask, start, end, start_kept, end_kept, boxes;
  } cases[] = {
      {"##", "05", "50", "05", "50", ""},
      {"##", "0X", "50", "", "50", "TGenMask: Error at position-2 0X\n"},
      {"[XYZ]#", "X1", "Q9", "X1", "", "TGenMask: Qis not in the set!\n"},
      {"##", "", "", "", "", ""},
      {"AB", "12", "", "", "", ""},  // no stepping element: refused silently
      {"##", "5", "", "", "", "TGenMask: Error at position-2 5\n"},
  };
  for (const Case& c : cases) {
    TRecordingUserInterface ui;
    ScopedUserInterface scope(&ui);
    TGenMask m;
    m.ScanMask(c.mask);
    m.SetSuffix("Y3");
    const TmString value = m.GetMskValue();
    m.SetStartValue("00");  // a refused text leaves the limit empty, not at this
    m.SetEndValue("00");
    ui.calls.clear();
    m.SetStartValue(c.start);
    m.SetEndValue(c.end);
    EXPECT_EQ(m.StartValue(), TmString(c.start_kept)) << c.mask;
    EXPECT_EQ(m.EndValue(), TmString(c.end_kept)) << c.mask;
    EXPECT_EQ(m.GetMskValue(), value) << c.mask;  // the value is not touched
    EXPECT_EQ(ui.Transcript(), c.boxes) << c.mask << " " << c.start;
  }
}

TEST(GenMaskValidateTest, LimitsSurviveRescan) {
  TGenMask m;
  m.ScanMask("##");
  m.SetStartValue("10");
  m.SetEndValue("20");
  m.ScanMask("[AB]");
  EXPECT_EQ(m.StartValue(), TmString("10"));
  EXPECT_EQ(m.EndValue(), TmString("20"));
}

// --- Character helpers ------------------------------------------------------------------

TEST(MaskCharsTest, ClassesAtTheirBorders) {
  // legend: code; IsANum; IsAChar
  struct Case {
    int code;
    bool num, chr;
  } cases[] = {
      {'/', false, false}, {'0', true, false},  {'9', true, false},  {':', false, false},
      {'@', false, false}, {'A', false, true},  {'Z', false, true},  {'[', false, false},
      {'`', false, false}, {'a', false, true},  {'z', false, true},  {'{', false, false},
      {191, false, false}, {192, false, true},  {223, false, true},  {255, false, true},
      {0, false, false},   {' ', false, false}, {168, false, false},  // 168: a 1251 letter outside
                                                                      // 192..255
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsANum(static_cast<char>(c.code)), c.num) << c.code;
    EXPECT_EQ(IsAChar(static_cast<char>(c.code)), c.chr) << c.code;
  }
}

TEST(MaskCharsTest, SpcTo0) {
  // legend: text; after SpcTo0
  struct Case {
    std::string text, want;
  } cases[] = {{"2026 1 8 9 5 0  7", "20260108090500007"}, {"123", "123"}, {"", ""}, {"  ", "00"}};
  for (const Case& c : cases) {
    std::string t = c.text;
    SpcTo0(t);
    EXPECT_EQ(t, c.want) << c.text;
  }
}

}  // namespace
}  // namespace orv
