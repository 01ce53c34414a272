#include <orv/keygen/generator.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/keygen/gentable.h>
#include <orv/keygen/timestamp.h>

namespace orv {
namespace {

using orv::testing::AllEngineNames;
using orv::testing::TestDatabase;

// The fixed message, then a line with the cause.
constexpr char kOpenFailed[] =
    "Error while opening generator table GENTBL.DB!\r\nCheck tGenAlias!\r\n";
const std::string kNoAlias =
    "Unknown database \"noSuchAliasOrDir\": no alias of that name and no such directory";

TDateTime At(int h, int mi, int s, int ms) {
  return EncodeDate(2026, 12, 7) + EncodeTime(h, mi, s, ms);
}

// One stored generator row.
struct Row {
  double state = -1, tries = -1;
  std::string who, time, suffix;
};

// --- Properties and construction (no table) ---------------------------------

TEST(GeneratorProperties, DefaultsOfANewGenerator) {
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  EXPECT_EQ(g->DataBaseName(), "tGenAlias");
  EXPECT_EQ(g->TableName(), "GENTBL.DB");
  EXPECT_EQ(g->GeneratorType(), 0);
  EXPECT_FALSE(g->Disabled());
  EXPECT_FALSE(g->Table()->Active());
  EXPECT_EQ(g->OwnerStamp().size(), kStampLength);
  EXPECT_GE(g->WaitLength(), 0);
  EXPECT_LT(g->WaitLength(), TGenerator::kWaitRange);
  EXPECT_EQ(g->Table()->Owner(), g.get());
}

TEST(GeneratorProperties, GeneratorsMadeInOneMillisecondHaveDistinctOwnerStamps) {
  TManualClock clock(At(9, 0, 0, 0));
  ScopedClock scope(&clock);
  TComponentPtr<TGenerator> a(new TGenerator(nullptr));
  TComponentPtr<TGenerator> b(new TGenerator(nullptr));
  EXPECT_NE(a->OwnerStamp(), b->OwnerStamp());
}

// Legend: setter calls in order ("mask=", "start=", "end=") -> the properties,
// the disabled state and the message boxes they leave.
struct SetterCase {
  std::vector<std::string> steps;
  std::string start, end;
  bool disabled;
  std::string transcript;
};

TEST(GeneratorProperties, SettersCheckTheLimitsAndDisable) {
  const SetterCase cases[] = {
      {{"mask=INV-####", "start=0001", "end=0999"}, "0001", "0999", false, ""},
      {{"mask=INV-####", "start=0999", "end=0001"},
       "0999",
       "",
       true,
       "Generator Information: EndValue must be greater than StartValue\n"},
      {{"mask=INV-####", "end=0001", "start=0999"},
       "",
       "0001",
       true,
       "Generator Information: StartValue must be lower than EndValue\n"},
      {{"start=0001", "end=0999"}, "", "", false, ""},  // no mask yet: dropped
      {{"mask="}, "", "", true, ""},
      // A later mask does not enable; an accepted pair does.
      {{"mask=", "mask=##"}, "", "", true, ""},
      {{"mask=", "mask=##", "start=01", "end=99"}, "01", "99", false, ""},
      {{"mask=##", "start=09", "end=10"}, "09", "10", false, ""},
      // Compared ignoring letter case: equal limits are refused.
      {{"mask=$$", "start=AB", "end=ab"},
       "AB",
       "",
       true,
       "Generator Information: EndValue must be greater than StartValue\n"},
      {{"mask=##", "start=01", "end=99", "end="}, "01", "", false, ""},
  };
  for (const auto& c : cases) {
    TRecordingUserInterface ui;
    ScopedUserInterface scope(&ui);
    TComponentPtr<TGenerator> g(new TGenerator(nullptr));
    std::string trace;
    for (const auto& step : c.steps) {
      trace += step + " ";
      const auto eq = step.find('=');
      const std::string what = step.substr(0, eq), value = step.substr(eq + 1);
      if (what == "mask") g->SetMask(value);
      if (what == "start") g->SetStartValue(value);
      if (what == "end") g->SetEndValue(value);
    }
    EXPECT_EQ(g->StartValue().str(), c.start) << trace;
    EXPECT_EQ(g->EndValue().str(), c.end) << trace;
    EXPECT_EQ(g->Disabled(), c.disabled) << trace;
    EXPECT_EQ(ui.Transcript(), c.transcript) << trace;
    for (const auto& call : ui.calls) EXPECT_EQ(call.flags, MB_OK | MB_ICONERROR) << trace;
  }
}

TEST(GeneratorProperties, AMalformedMaskRaisesToTheCaller) {
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  try {
    g->SetMask("AB[12");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Missing ] symbol in Mask!");
  }
}

TEST(GeneratorProperties, AMaskThatCannotGiveTwoKeysIsRefusedAndTheOldMaskKept) {
  const std::pair<std::string, std::string> cases[] = {
      {"FIXED",
       "The mask 'FIXED' has no counting part (# $ & or a [set]), so every key would be the same"},
      {"AB-@",
       "The mask 'AB-@' has no counting part (# $ & or a [set]), so every key would be the same"},
      {"A\n##", "The mask 'A'#10'##' holds the control character #10; a key cannot hold it"},
      {std::string("A\0##", 4),
       "The mask 'A'#0'##' holds the control character #0; a key cannot hold it"},
  };
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask("K-##");
  const std::string value = g->GenMask()->GetMskValue().str();
  for (const auto& [mask, message] : cases) {
    try {
      g->SetMask(mask);
      ADD_FAILURE() << "accepted " << mask;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(g->Mask(), "K-##");
    EXPECT_EQ(g->GenMask()->GetMskValue().str(), value);
  }
}

// --- With a generator table ---------------------------------------------------

class GeneratorTest : public ::testing::TestWithParam<std::string> {
 public:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<TestDatabase>(GetParam());
    TComponentPtr<TTable> t(NewTable("GENTBL.DB"));
    t->CreateTable(GenTableFields(), GenTableUniqueKey());
  }

  TTable* NewTable(const std::string& name) {
    auto* t = new TTable(nullptr);
    t->SetDatabaseName(db_->Alias());
    t->SetTableName(name);
    return t;
  }

  // A generator on the test table, configured as a program would.
  TComponentPtr<TGenerator> Make(const std::string& mask, const std::string& start = "",
                                 const std::string& end = "", int type = 0) {
    TComponentPtr<TGenerator> g(new TGenerator(nullptr));
    g->SetMask(mask);
    g->SetStartValue(start);
    g->SetEndValue(end);
    g->SetGeneratorType(type);
    g->SetDataBaseName(db_->Alias());
    g->InitDB();
    return g;
  }

  // The table as another program sees it: its own connection.
  TComponentPtr<TTable> Other() {
    TComponentPtr<TTable> t(NewTable("GENTBL.DB"));
    t->Open();
    return t;
  }

  Row Read(const std::string& prefix, int type = 0) {
    auto t = Other();
    Row r;
    if (!t->Locate(kGenTableKey, {TVariant(type), TVariant(prefix)})) return r;
    r.state = t->FieldByName("State")->AsFloat();
    r.tries = t->FieldByName("Try")->AsFloat();
    r.who = t->FieldByName("Who")->AsString();
    r.time = t->FieldByName("Time")->AsString();
    r.suffix = t->FieldByName("Suffix")->AsString();
    return r;
  }

  // Changes the row as another program would, in one locked edit.
  void Change(const std::string& prefix, const std::function<void(TTable&)>& change, int type = 0) {
    auto t = Other();
    ASSERT_TRUE(t->Locate(kGenTableKey, {TVariant(type), TVariant(prefix)}));
    t->Edit();
    change(*t);
    t->Post();
  }

  std::vector<std::string> Draw(TGenerator& g, int n) {
    std::vector<std::string> keys;
    for (int i = 0; i < n; ++i) keys.push_back(g.Generator().str());
    return keys;
  }

  TRecordingUserInterface ui_;
  ScopedUserInterface ui_scope_{&ui_};
  std::unique_ptr<TestDatabase> db_;
};

using Keys = std::vector<std::string>;

TEST_P(GeneratorTest, TheFirstRequestStartsTheRowAndTheNextStepsIt) {
  auto g = Make("INV-####", "0001", "9999");
  EXPECT_EQ(Draw(*g, 3), (Keys{"INV-0001", "INV-0002", "INV-0003"}));
  const Row r = Read("INV-");
  EXPECT_EQ(r.suffix, "0003");
  EXPECT_EQ(r.state, 0);
  EXPECT_EQ(r.tries, 0);
  EXPECT_EQ(r.who, g->OwnerStamp());
  EXPECT_EQ(r.time.size(), kStampLength);
  EXPECT_EQ(ui_.Transcript(), "");
}

// Legend: mask, limits and overflow handler -> the keys of successive requests,
// the stored suffix and the message boxes.
struct WrapCase {
  const char* name;
  bool handler;
  Keys keys;
  std::string stored;
  std::string transcript;
};

TEST_P(GeneratorTest, PastTheEndValue) {
  const WrapCase cases[] = {
      {"notice",
       false,
       {"N01", "N02", "N03", "N01", "N02"},
       "02",
       "Generator Information: Incremental part was set to startup value\n"},
      // The handler gets the suffix past the end; that value is issued.
      {"handler", true, {"N01", "N02", "N03", "N04", "N05"}, "05", ""},
  };
  for (const auto& c : cases) {
    SetUp();  // a fresh database per case
    ui_.calls.clear();
    auto g = Make("N##", "01", "03");
    Keys seen;
    if (c.handler)
      g->SetOnOverFlowMask(TGOverFlowEvent::FromCallable([&](TObject* s, TmString& v) {
        EXPECT_EQ(s, g.get());
        seen.push_back(v.str());
      }));
    EXPECT_EQ(Draw(*g, 5), c.keys) << c.name;
    EXPECT_EQ(Read("N").suffix, c.stored) << c.name;
    EXPECT_EQ(ui_.Transcript(), c.transcript) << c.name;
    if (c.handler) {
      EXPECT_EQ(seen, (Keys{"04", "05"}));  // past the end, every step overflows
    }
    for (const auto& call : ui_.calls) EXPECT_EQ(call.flags, MB_OK | MB_ICONINFORMATION);
  }
}

TEST_P(GeneratorTest, GeneratorTypesAndUserPrefixesKeepSeparateSequences) {
  auto one = Make("P-@#", "", "", 1);
  auto two = Make("P-@#", "", "", 2);
  std::string user = "a";
  auto answer = TGenProcEvent::FromCallable([&](TObject*, TmString& p) { p = user; });
  one->SetGetUserPrefixes(answer);
  two->SetGetUserPrefixes(answer);
  EXPECT_EQ(Draw(*one, 3), (Keys{"P-a0", "P-a1", "P-a2"}));
  EXPECT_EQ(Draw(*two, 2), (Keys{"P-a0", "P-a1"}));
  user = "b";
  EXPECT_EQ(Draw(*one, 2), (Keys{"P-b0", "P-b1"}));
  user = "a";
  EXPECT_EQ(Draw(*one, 1), (Keys{"P-a3"}));
  EXPECT_EQ(Read("P-a", 1).suffix, "3");
  EXPECT_EQ(Read("P-a", 2).suffix, "1");
  EXPECT_EQ(Read("P-b", 1).suffix, "1");
}

// Legend: a mask (and user characters) whose key the table cannot hold ->
// the message of the refusal; nothing is written, no key issued.
struct TooWideCase {
  const char* name;
  std::string mask, user;
  std::string message;
};

TEST_P(GeneratorTest, AKeyTheTableCannotHoldIsRefusedBeforeAnythingIsWritten) {
  const std::string wheels21(21, '#');
  const std::string prefix21 = "ABCDEFGHIJKLMNOPQRSTU";
  const TooWideCase cases[] = {
      {"21 counting characters", "M-" + wheels21, "",
       "The counting part of mask M-" + wheels21 +
           " has 21 characters, but the generator table's Suffix field holds 20"},
      {"a prefix of 21", prefix21 + "#", "",
       "The prefix '" + prefix21 + "' of mask " + prefix21 +
           "# has 21 characters, but the generator table's Prefix "
           "field holds 20"},
      {"user characters make it 21", "ABCDEFGHIJKLMNOPQRS@@#", "xy",
       "The prefix 'ABCDEFGHIJKLMNOPQRSxy' of mask ABCDEFGHIJKLMNOPQRS@@# has 21 characters, but "
       "the generator "
       "table's Prefix field holds 20"},
  };
  for (const auto& c : cases) {
    auto g = Make(c.mask);
    if (!c.user.empty())
      g->SetGetUserPrefixes(
          TGenProcEvent::FromCallable([&](TObject*, TmString& p) { p = c.user; }));
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        const std::string key = g->Generator().str();
        ADD_FAILURE() << c.name << ": issued " << key;
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), c.message) << c.name;
      }
    }
    EXPECT_EQ(Other()->RecordCount(), 0) << c.name;
  }
  // Twenty of each fit.
  auto g = Make(prefix21.substr(0, 20) + std::string(20, '#'));
  EXPECT_EQ(Draw(*g, 2), (Keys{prefix21.substr(0, 20) + std::string(20, '0'),
                               prefix21.substr(0, 20) + std::string(19, '0') + "1"}));
}

// Legend: the mask whose row is prepared, how the stored Suffix is changed
// afterwards (by hand or by a mask of another width sharing the prefix), and
// the mask that then asks for a key -> the stored value the refusal names.
struct BadSuffixCase {
  const char* name;
  std::string first_mask;             // draws three keys
  std::function<void(TTable&)> edit;  // null: no hand edit
  std::string mask;
  std::string shown;  // how the message shows the stored value
};

TEST_P(GeneratorTest, AStoredSuffixThatDoesNotFitTheMaskIsRefusedAndTheRowLeftAsItIs) {
  auto set = [](const char* v) {
    return [=](TTable& t) { t.FieldByName("Suffix")->SetAsString(v); };
  };
  const BadSuffixCase cases[] = {
      {"shorter mask first", "INV-##", nullptr, "INV-####", "the suffix '02'"},
      {"longer mask first", "INV-####", nullptr, "INV-##", "the suffix '0002'"},
      {"letters for digits", "INV-##", set("ab"), "INV-##", "the suffix 'ab'"},
      {"one character short", "INV-##", set("9"), "INV-##", "the suffix '9'"},
      {"empty", "INV-##", set(""), "INV-##", "the suffix ''"},
      {"NULL", "INV-##", [](TTable& t) { t.FieldByName("Suffix")->Clear(); }, "INV-##",
       "no suffix (NULL)"},
      {"outside the set", "INV-[XYZ]#", set("Q1"), "INV-[XYZ]#", "the suffix 'Q1'"},
  };
  for (const auto& c : cases) {
    SetUp();
    auto first = Make(c.first_mask);
    Draw(*first, 3);
    if (c.edit) Change("INV-", c.edit);
    const Row before = Read("INV-");
    auto g = Make(c.mask);
    try {
      const std::string key = g->Generator().str();
      ADD_FAILURE() << c.name << ": issued " << key;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "The generator table's row for prefix 'INV-' holds " + c.shown +
                                 ", which does not fit the mask " + c.mask + " (" +
                                 std::to_string(g->GenMask()->GetSuffix().Length()) +
                                 " counting characters); the row is left as it is")
          << c.name;
    }
    const Row after = Read("INV-");
    EXPECT_EQ(after.suffix, before.suffix) << c.name;
    EXPECT_EQ(after.state, 0) << c.name;
    EXPECT_EQ(after.who, before.who) << c.name;
    EXPECT_EQ(after.time, before.time) << c.name;
    EXPECT_EQ(after.tries, before.tries) << c.name;
  }
}

TEST_P(GeneratorTest, ExtraFieldsAreAllowedAndStayEmpty) {
  db_ = std::make_unique<TestDatabase>(GetParam());
  auto fields = GenTableFields();
  fields.insert(fields.begin(), TFieldDef{"Note", ftString, 10});
  TComponentPtr<TTable> t(NewTable("GENTBL.DB"));
  t->CreateTable(fields, GenTableUniqueKey());
  auto g = Make("E#");
  EXPECT_EQ(Draw(*g, 2), (Keys{"E0", "E1"}));
  EXPECT_FALSE(g->Disabled());
  auto o = Other();
  ASSERT_TRUE(o->Locate(kGenTableKey, {TVariant(0), TVariant("E")}));
  EXPECT_TRUE(o->FieldByName("Note")->IsNull());
}

// Legend: how the table is broken -> InitDB shows its one message, disables
// the generator, and key requests give empty texts from then on.
struct BadTableCase {
  const char* name;
  std::function<void(GeneratorTest&, TGenerator&)> setup;
  std::string cause;  // the line after the fixed message
};

TEST_P(GeneratorTest, ATableThatFailsToOpenOrCheckDisablesTheGenerator) {
  auto bad_format = [](const char* field, TFieldType type, int size) {
    return [=](GeneratorTest& t, TGenerator& g) {
      auto fields = GenTableFields();
      for (auto& f : fields)
        if (f.Name == field) f = TFieldDef{field, type, size};
      TComponentPtr<TTable> table(t.NewTable("BAD.DB"));
      table->CreateTable(fields, {});
      g.SetTableName("BAD.DB");
    };
  };
  const BadTableCase cases[] = {
      {"missing alias",
       [](GeneratorTest&, TGenerator& g) { g.SetDataBaseName("noSuchAliasOrDir"); }, kNoAlias},
      {"missing table", [](GeneratorTest&, TGenerator& g) { g.SetTableName("NOPE.DB"); },
       "Table does not exist: NOPE.DB (database " + db_->Alias() + ")"},
      {"GenID integer", bad_format("GenID", ftInteger, 0),
       "Bad table format: field 'GenID' is not a floating-point number"},
      {"Who of 18", bad_format("Who", ftString, 18),
       "Bad table format: field 'Who' holds 18 characters, not 17"},
      {"Prefix of 21", bad_format("Prefix", ftString, 21),
       "Bad table format: field 'Prefix' holds 21 characters, not 20"},
      {"State a text", bad_format("State", ftString, 5),
       "Bad table format: field 'State' is not a floating-point number"},
      {"Try missing",
       [](GeneratorTest& t, TGenerator& g) {
         auto fields = GenTableFields();
         fields.erase(fields.begin() + 4);
         TComponentPtr<TTable> table(t.NewTable("BAD.DB"));
         table->CreateTable(fields, {});
         g.SetTableName("BAD.DB");
       },
       "Bad table format: field 'Try' is missing"},
  };
  for (const auto& c : cases) {
    ui_.calls.clear();
    ui_.cursors.clear();
    TComponentPtr<TGenerator> g(new TGenerator(nullptr));
    g->SetMask("B##");
    g->SetDataBaseName(db_->Alias());
    c.setup(*this, *g);
    g->InitDB();
    EXPECT_TRUE(g->Disabled()) << c.name;
    const std::string shown = kOpenFailed + c.cause + "\n";
    EXPECT_EQ(ui_.Transcript(), shown) << c.name;
    EXPECT_EQ(ui_.cursors, (std::vector<TCursor>{crAppStart, crDefault})) << c.name;
    EXPECT_EQ(g->Generator().str(), "") << c.name;
    EXPECT_EQ(g->Undo().str(), "") << c.name;
    EXPECT_EQ(ui_.Transcript(), shown) << c.name;  // once only
    g.reset();
    auto o = Other();
    EXPECT_EQ(o->RecordCount(), 0) << c.name;
    o->Close();
    TComponentPtr<TTable> bad(NewTable("BAD.DB"));
    if (bad->Exists()) bad->DeleteTable();
  }
}

TEST_P(GeneratorTest, InitDBAgainChecksTheOpenTableButRefusesANewName) {
  auto g = Make("R#");
  g->InitDB();
  EXPECT_FALSE(g->Disabled());
  EXPECT_EQ(ui_.Transcript(), "");
  g->SetTableName("OTHER.DB");
  g->InitDB();
  EXPECT_TRUE(g->Disabled());
  EXPECT_EQ(ui_.Transcript(),
            std::string(kOpenFailed) + "Cannot perform this operation on an open dataset\n");
}

TEST_P(GeneratorTest, AnAcceptedPairReenablesButTheTableStaysClosed) {
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask("C##");
  g->SetDataBaseName("noSuchAliasOrDir");
  g->InitDB();
  ASSERT_TRUE(g->Disabled());
  g->SetStartValue("01");
  g->SetEndValue("99");
  EXPECT_FALSE(g->Disabled());
  EXPECT_THROW(g->Generator(), EDatabaseError);
}

// --- Undo ---------------------------------------------------------------------

TEST_P(GeneratorTest, UndoRightAfterAKeyStepsTheRowBack) {
  auto g = Make("U##", "01", "99");
  EXPECT_EQ(Draw(*g, 3), (Keys{"U01", "U02", "U03"}));
  EXPECT_EQ(g->Undo().str(), "U02");
  EXPECT_EQ(Read("U").suffix, "02");
  EXPECT_EQ(g->Undo().str(), "U01");  // its own key before: again
  EXPECT_EQ(Read("U").suffix, "01");
  EXPECT_EQ(Draw(*g, 2), (Keys{"U02", "U03"}));
  EXPECT_EQ(ui_.Transcript(), "");
}

// Legend: what another program did to the row after this generator's key ->
// Undo is refused, reported, and leaves the row as that program left it.
struct UndoRefusedCase {
  const char* name;
  std::function<void(TTable&, const std::string& owner)> change;
  std::string suffix;
  double state;
};

TEST_P(GeneratorTest, UndoIsRefusedWhenTheRowIsNoLongerThisGeneratorsLastKey) {
  const UndoRefusedCase cases[] = {
      {"issued a key",
       [](TTable& t, const std::string&) {
         t.FieldByName("Suffix")->SetAsString("03");
         t.FieldByName("Who")->SetAsString("20260101000000000");
       },
       "03", 0},
      {"claimed it",
       [](TTable& t, const std::string&) {
         t.FieldByName("State")->SetAsInteger(1);
         t.FieldByName("Who")->SetAsString("20260101000000000");
       },
       "02", 1},
      // Another program whose owner stamp equals ours issued a key: only the
      // suffix tells.
      {"same stamp, issued a key",
       [](TTable& t, const std::string& owner) {
         t.FieldByName("Suffix")->SetAsString("03");
         t.FieldByName("Who")->SetAsString(owner);
       },
       "03", 0},
  };
  for (const auto& c : cases) {
    SetUp();
    ui_.calls.clear();
    auto g = Make("V##", "01", "99");
    EXPECT_EQ(Draw(*g, 2), (Keys{"V01", "V02"}));
    Change("V", [&](TTable& t) { c.change(t, g->OwnerStamp()); });
    EXPECT_EQ(g->Undo().str(), "V02") << c.name;
    EXPECT_EQ(g->GenMask()->GetMskValue().str(), "V02")
        << c.name;  // stepped back up, not only the result
    EXPECT_EQ(ui_.Transcript(), "Can NOT undo!\n") << c.name;
    EXPECT_EQ(Read("V").suffix, c.suffix) << c.name;
    EXPECT_EQ(Read("V").state, c.state) << c.name;
  }
}

TEST_P(GeneratorTest, UndoAtTheStartValueWithoutAHandlerGoesToTheEndValueWithANotice) {
  auto g = Make("U##", "01", "05");
  EXPECT_EQ(g->Generator().str(), "U01");
  EXPECT_EQ(g->Undo().str(), "U05");
  EXPECT_EQ(ui_.Transcript(), "Generator Information: Incremental part was set to end value\n");
  EXPECT_EQ(ui_.calls.back().flags, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(Read("U").suffix, "05");
  EXPECT_EQ(g->Generator().str(), "U01");  // and past the end value, back to the start
}

TEST_P(GeneratorTest, OnNewRecordIsCalledForANewRowAndTheMaskIsNotReset) {
  auto g = Make("N##", "10", "99");
  g->GenMask()->SetSuffix("42");  // where the mask stands when the row is made
  Keys seen;
  g->SetOnNewRecord(TOnNewRecord::FromCallable([&](TObject* sender, TmString& suffix) {
    EXPECT_EQ(sender, g.get());
    seen.push_back(suffix.str());
  }));
  EXPECT_EQ(g->Generator().str(), "N42");  // not the start value 10
  EXPECT_EQ(seen, (Keys{"42"}));
  EXPECT_EQ(Read("N").suffix, "42");
  EXPECT_EQ(g->Generator().str(), "N43");  // an existing row: not called again
  EXPECT_EQ(seen.size(), 1u);
}

TEST_P(GeneratorTest, AnUndoWhoseWriteFailsIsReportedWithItsCauseAndTheMaskStepsBackUp) {
  auto g = Make("V##", "01", "99");
  EXPECT_EQ(Draw(*g, 2), (Keys{"V01", "V02"}));
  g->Table()->Close();
  g->Table()->SetReadOnly(true);
  g->InitDB();
  EXPECT_EQ(g->Undo().str(), "V02");
  EXPECT_EQ(g->GenMask()->GetMskValue().str(), "V02");
  EXPECT_EQ(ui_.Transcript(), "Can NOT undo!\r\nCannot modify a read-only dataset\n");
  EXPECT_EQ(Read("V").suffix, "02");
}

TEST_P(GeneratorTest, UndoWithoutARowIsReported) {
  auto g = Make("X##");
  Keys failed;
  g->SetOnUndoFailed(
      TGOverFlowEvent::FromCallable([&](TObject*, TmString& v) { failed.push_back(v.str()); }));
  EXPECT_EQ(g->Undo().str(), "X##");
  EXPECT_EQ(failed, (Keys{"X##"}));
}

// --- The claim protocol ---------------------------------------------------------

TEST_P(GeneratorTest, AClaimStampsTheRowAndLoadsItsSuffix) {
  TManualClock clock(At(10, 0, 0, 0));
  ScopedClock scope(&clock);
  auto g = Make("Q###");
  EXPECT_EQ(g->Generator().str(), "Q000");
  Change("Q", [](TTable& t) { t.FieldByName("Suffix")->SetAsString("417"); });
  clock.AdvanceMs(5);
  ASSERT_TRUE(g->ReadDATA());
  const Row r = Read("Q");
  EXPECT_EQ(r.state, 1);
  EXPECT_EQ(r.who, g->OwnerStamp());
  EXPECT_EQ(r.tries, 0);
  EXPECT_EQ(r.time, "20261207100000005");
  EXPECT_EQ(g->GenMask()->GetSuffix().str(), "417");
  EXPECT_TRUE(g->WriteDATA());
  EXPECT_EQ(Read("Q").state, 0);
}

TEST_P(GeneratorTest, AClaimCountedMoreThanTenTimesIsBroken) {
  TManualClock clock(At(10, 0, 0, 0));
  ScopedClock scope(&clock);
  auto g = Make("T#");
  EXPECT_EQ(g->Generator().str(), "T0");
  Change("T", [](TTable& t) {
    t.FieldByName("State")->SetAsInteger(1);
    t.FieldByName("Who")->SetAsString("20261207095959999");
    t.FieldByName("Try")->SetAsInteger(10);
    t.FieldByName("Time")->SetAsString("20261207100000000");
  });
  EXPECT_FALSE(g->ReadDATA());
  EXPECT_EQ(Read("T").tries, 11);
  EXPECT_EQ(Read("T").state, 1);
  EXPECT_FALSE(g->ReadDATA());  // breaks it: State 0, the rest unchanged
  Row r = Read("T");
  EXPECT_EQ(r.state, 0);
  EXPECT_EQ(r.tries, 11);
  EXPECT_EQ(r.who, "20261207095959999");
  EXPECT_TRUE(g->ReadDATA());
  EXPECT_EQ(Read("T").who, g->OwnerStamp());
}

// Legend: the clock's seconds-and-milliseconds and the claim's Time -> stale?
struct TimeOutCase {
  int sec, ms;
  const char* stamp;
  bool stale;
};

TEST(GeneratorTimeOut, OnlySecondsAndMillisecondsCount) {
  const TimeOutCase cases[] = {
      {6, 1, "20261207100005000", true},
      {6, 0, "20261207100005000", false},
      {59, 999, "20261207100059500", false},
      {0, 0, "20261207100059500", false},  // a minute later, yet not stale
      {30, 0, "20200101000001000", true},  // years older: counts as 29 s
  };
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  for (const auto& c : cases) {
    TManualClock clock(At(10, 0, c.sec, c.ms));
    ScopedClock scope(&clock);
    EXPECT_EQ(g->CheckTimeOut(c.stamp), c.stale) << c.sec << "." << c.ms << " vs " << c.stamp;
  }
  EXPECT_THROW(g->CheckTimeOut(""), EConvertError);
  EXPECT_THROW(g->CheckTimeOut("2026120710abcde"), EConvertError);
}

TEST_P(GeneratorTest, AStaleTimeBreaksTheClaimAndABadTimeReachesTheCaller) {
  TManualClock clock(At(10, 0, 6, 1));
  ScopedClock scope(&clock);
  auto g = Make("Z#");
  EXPECT_EQ(g->Generator().str(), "Z0");
  Change("Z", [](TTable& t) {
    t.FieldByName("State")->SetAsInteger(1);
    t.FieldByName("Try")->SetAsInteger(0);
    t.FieldByName("Time")->SetAsString("20261207100005000");
  });
  EXPECT_FALSE(g->ReadDATA());
  EXPECT_EQ(Read("Z").state, 0);
  Change("Z", [](TTable& t) {
    t.FieldByName("State")->SetAsInteger(1);
    t.FieldByName("Time")->SetAsString("");
  });
  EXPECT_THROW(g->Generator(), EConvertError);
  EXPECT_EQ(Read("Z").state, 1);
}

// A row that one program keeps locked, unchanged, shows the busy notice once.
TEST_P(GeneratorTest, ARowHeldLockedShowsTheBusyNoticeOnce) {
  auto g = Make("L#");
  EXPECT_EQ(g->Generator().str(), "L0");
  auto holder = Other();
  ASSERT_TRUE(holder->Locate(kGenTableKey, {TVariant(0), TVariant("L")}));
  holder->Edit();  // another program holds the row's lock
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(3 * TGenerator::kBusyNoticeMs);
  while (std::chrono::steady_clock::now() < until) EXPECT_FALSE(g->ReadDATA());
  ASSERT_EQ(ui_.calls.size(), 1u);
  EXPECT_EQ(ui_.calls.back().caption, "Generator");
  EXPECT_EQ(ui_.calls.back().text, "Gentbl is busy. Try again!");
  EXPECT_EQ(ui_.calls.back().flags, MB_OK | MB_ICONINFORMATION);
  holder->Cancel();
  EXPECT_EQ(g->Generator().str(), "L1");
}

// Legend: what another program did to the row while this generator held its
// claim -> whether WriteDATA may still issue the key.
struct WriteCase {
  const char* name;
  std::function<void(TTable&, const std::string& owner)> change;
  bool writes;
};

TEST_P(GeneratorTest, WriteDATAIssuesOnlyFromItsOwnClaimAndSuffix) {
  const WriteCase cases[] = {
      {"nothing", [](TTable&, const std::string&) {}, true},
      {"broke the claim",
       [](TTable& t, const std::string&) { t.FieldByName("State")->SetAsInteger(0); }, false},
      {"broke and took it",
       [](TTable& t, const std::string&) {
         t.FieldByName("Who")->SetAsString("20260101000000000");
       },
       false},
      {"took it and issued a key",
       [](TTable& t, const std::string&) {
         t.FieldByName("Who")->SetAsString("20260101000000000");
         t.FieldByName("Suffix")->SetAsString("6");
         t.FieldByName("State")->SetAsInteger(0);
       },
       false},
      // A program whose owner stamp equals ours took the claim and issued a
      // key: only the suffix tells.
      {"same stamp took it",
       [](TTable& t, const std::string& owner) {
         t.FieldByName("Who")->SetAsString(owner);
         t.FieldByName("Suffix")->SetAsString("6");
       },
       false},
  };
  for (const auto& c : cases) {
    SetUp();
    auto g = Make("Y#");
    EXPECT_EQ(Draw(*g, 6), (Keys{"Y0", "Y1", "Y2", "Y3", "Y4", "Y5"}));
    ASSERT_TRUE(g->ReadDATA()) << c.name;
    Change("Y", [&](TTable& t) { c.change(t, g->OwnerStamp()); });
    const Row before = Read("Y");
    EXPECT_EQ(g->WriteDATA(), c.writes) << c.name;
    const Row after = Read("Y");
    if (c.writes) {
      EXPECT_EQ(after.suffix, "5") << c.name;  // the current suffix
      EXPECT_EQ(after.state, 0) << c.name;
    } else {
      EXPECT_EQ(after.suffix, before.suffix) << c.name;
      EXPECT_EQ(after.state, before.state) << c.name;
      EXPECT_EQ(after.who, before.who) << c.name;
    }
  }
}

// A generator that lets another one in between its lookup and its insert of
// a new row, as a second program asking for the same first key would.
class TRacingGenerator : public TGenerator {
 public:
  using TGenerator::TGenerator;
  std::function<void()> in_between;
  void NullRecord() override {
    TGenerator::NullRecord();
    if (in_between) std::exchange(in_between, nullptr)();
  }
};

TEST_P(GeneratorTest, AFirstRowInsertedByAnotherProgramMeanwhileIsClaimed) {
  auto other = Make("F###", "100", "999");
  TComponentPtr<TRacingGenerator> g(new TRacingGenerator(nullptr));
  g->SetMask("F###");
  g->SetStartValue("100");
  g->SetEndValue("999");
  g->SetDataBaseName(db_->Alias());
  g->InitDB();
  std::string others_key;
  g->in_between = [&] { others_key = other->Generator().str(); };
  EXPECT_EQ(g->Generator().str(), "F101");
  EXPECT_EQ(others_key, "F100");
  EXPECT_EQ(Read("F").suffix, "101");
  EXPECT_EQ(Other()->RecordCount(), 1);
}

TEST_P(GeneratorTest, ARowGoneSinceTheLastKeyIsStartedAgainAsWithoutACopy) {
  auto g = Make("Z#", "1");
  EXPECT_EQ(Draw(*g, 2), (Keys{"Z1", "Z2"}));
  // Another program moves the row away (as if deleted): the generator's copy
  // is of a row that is gone.
  Change("Z", [](TTable& t) { t.FieldByName("Prefix")->SetAsString("Y"); });
  EXPECT_EQ(g->Generator().str(), "Z1");  // a new row at the start value
  EXPECT_EQ(Read("Z").suffix, "1");
  EXPECT_EQ(Read("Y").suffix, "2");
  EXPECT_EQ(g->Generator().str(), "Z2");
}

TEST_P(GeneratorTest, AFreeRowWithFieldsLeftEmptyByHandStillGivesTheNextKey) {
  // legend: the field another program (or a person) empties -> the keys go on
  for (const char* field : {"State", "Try", "Time", "Who"}) {
    SCOPED_TRACE(field);
    const std::string prefix = std::string(field) + "-";
    auto g = Make(prefix + "#");
    EXPECT_EQ(Draw(*g, 2), (Keys{prefix + "0", prefix + "1"}));
    Change(prefix, [&](TTable& t) { t.FieldByName(field)->Clear(); });
    EXPECT_EQ(Draw(*g, 2), (Keys{prefix + "2", prefix + "3"}));
    EXPECT_EQ(Read(prefix).suffix, "3");
    EXPECT_EQ(Read(prefix).state, 0);
  }
}

// A descendant that counts the claim protocol's calls, and may say that it
// takes the single commit.
class TCountingGenerator : public TGenerator {
 public:
  using TGenerator::TGenerator;
  bool single = false;
  int reads = 0, writes = 0;
  bool ReadDATA() override {
    ++reads;
    return TGenerator::ReadDATA();
  }
  bool WriteDATA() override {
    ++writes;
    return TGenerator::WriteDATA();
  }

 protected:
  bool UsesSingleCommit() const override { return single; }
};

// Legend: whether the descendant says UsesSingleCommit -> how often its
// ReadDATA and WriteDATA run for five keys (a new row, three steps, and a
// step past the end value that wraps with the notice).
struct PathCase {
  const char* name;
  bool single;
  int calls;
};

TEST_P(GeneratorTest, ADescendantKeepsTheThreeStepClaimUnlessItSaysOtherwise) {
  const PathCase cases[] = {
      {"overrides ReadDATA and WriteDATA", false, 4},
      {"says UsesSingleCommit", true, 1},  // only the overflow is claimed
  };
  for (const auto& c : cases) {
    SetUp();
    ui_.calls.clear();
    TComponentPtr<TCountingGenerator> g(new TCountingGenerator(nullptr));
    g->single = c.single;
    g->SetMask("K#");
    g->SetStartValue("0");
    g->SetEndValue("3");
    g->SetDataBaseName(db_->Alias());
    g->InitDB();
    EXPECT_EQ(Draw(*g, 5), (Keys{"K0", "K1", "K2", "K3", "K0"})) << c.name;
    EXPECT_EQ(g->reads, c.calls) << c.name;
    EXPECT_EQ(g->writes, c.calls) << c.name;
    EXPECT_EQ(ui_.Transcript(),
              "Generator Information: Incremental part was set to startup value\n")
        << c.name;
    const Row r = Read("K");
    EXPECT_EQ(r.suffix, "0") << c.name;
    EXPECT_EQ(r.state, 0) << c.name;
    EXPECT_EQ(r.who, g->OwnerStamp()) << c.name;
  }
}

// Legend: a generator (a descendant or not, limits) and the blocks asked
// for -> the keys, the claims taken (ReadDATA/WriteDATA calls), the stored
// suffix, the message boxes. A new row's insert issues its first key alone;
// a block stops short of the end value, the key past it is claimed.
struct BlockCase {
  const char* name;
  bool descendant;
  std::string end;
  std::vector<int> blocks;
  Keys keys;
  int claims;
  std::string stored, transcript;
};

TEST_P(GeneratorTest, ABlockIsOneWriteUpToTheEndValueAndUndoWithdrawsItsLastKeyOnly) {
  const std::string kWrapped = "Generator Information: Incremental part was set to startup value\n";
  const BlockCase cases[] = {
      {"blocks",
       false,
       "99",
       {1, 4, 2},
       {"B01", "B02", "B03", "B04", "B05", "B06", "B07"},
       0,
       "07",
       ""},
      {"over the end value",
       false,
       "04",
       {7},
       {"B01", "B02", "B03", "B04", "B01", "B02", "B03"},
       1,
       "03",
       kWrapped},
      {"three-step descendant",
       true,
       "04",
       {5},
       {"B01", "B02", "B03", "B04", "B01"},
       4,
       "01",
       kWrapped},
  };
  for (const auto& c : cases) {
    SetUp();
    ui_.calls.clear();
    TComponentPtr<TCountingGenerator> g(new TCountingGenerator(nullptr));
    g->single = !c.descendant;
    g->SetMask("B##");
    g->SetStartValue("01");
    g->SetEndValue(c.end);
    g->SetDataBaseName(db_->Alias());
    g->InitDB();
    Keys keys;
    for (const int n : c.blocks)
      for (const TmString& k : g->GeneratorBlock(n)) keys.push_back(k.str());
    EXPECT_EQ(keys, c.keys) << c.name;
    EXPECT_EQ(g->reads, c.claims) << c.name;
    EXPECT_EQ(g->writes, c.claims) << c.name;
    EXPECT_EQ(Read("B").suffix, c.stored) << c.name;
    EXPECT_EQ(ui_.Transcript(), c.transcript) << c.name;
  }
  // Undo after a block withdraws the block's last key, and no other.
  ui_.calls.clear();
  auto g = Make("U##", "01", "99");
  ASSERT_EQ(g->GeneratorBlock(3).size(), 3u);
  ASSERT_EQ(g->GeneratorBlock(3).back().str(), "U06");
  EXPECT_EQ(g->Undo().str(), "U05");
  EXPECT_EQ(g->Undo().str(), "U05");
  EXPECT_EQ(Read("U").suffix, "05");
  EXPECT_EQ(ui_.Transcript(), "Can NOT undo!\n");
  EXPECT_THROW(g->GeneratorBlock(-1), Exception);
  EXPECT_TRUE(g->GeneratorBlock(0).empty());
}

// A single-commit generator whose every wait lets another program write a
// key first, as a faster program on the same row would.
class TOvertakenGenerator : public TCountingGenerator {
 public:
  using TCountingGenerator::TCountingGenerator;
  std::function<void()> overtake;
  int waits = 0;
  void Wait() override {
    // Bounded, so that a generator that never gives up ends with a wrong
    // count instead of a hang.
    if (++waits <= 50 && overtake) overtake();
  }
};

TEST_P(GeneratorTest, AGeneratorOvertakenAgainAndAgainTakesTheClaimThatOthersHonour) {
  TComponentPtr<TOvertakenGenerator> g(new TOvertakenGenerator(nullptr));
  g->single = true;
  g->SetMask("O###");
  g->SetDataBaseName(db_->Alias());
  g->InitDB();
  EXPECT_EQ(g->Generator().str(), "O000");
  int written = 0;  // keys the other program took
  auto other = Other();
  auto step = [&] {
    ASSERT_TRUE(other->Locate(kGenTableKey, {TVariant(0), TVariant("O")}));
    other->Edit();
    other->FieldByName("Suffix")->SetAsString(IntToStr(1001 + written++).substr(1));
    other->Post();
  };
  step();  // this generator's copy is stale before it asks
  g->overtake = step;
  // Each lost compare-and-set waits (and is overtaken again); after
  // kMaxLostWrites the claim is taken, which the other program would honour.
  EXPECT_EQ(g->Generator().str(), "O00" + std::to_string(TGenerator::kMaxLostWrites + 1));
  EXPECT_EQ(written, TGenerator::kMaxLostWrites);
  EXPECT_EQ(g->waits, TGenerator::kMaxLostWrites - 1);
  EXPECT_EQ(g->reads, 1);
  EXPECT_EQ(g->writes, 1);
  const Row r = Read("O");
  EXPECT_EQ(r.state, 0);
  EXPECT_EQ(r.who, g->OwnerStamp());
}

// --- Faults: no wrong key, no request without end --------------------------------

// A generator whose waiting has an end: a request that would wait for ever
// (the fault these tests guard against) fails the test instead of hanging it.
class TBoundedGenerator : public TGenerator {
 public:
  using TGenerator::TGenerator;
  static constexpr int kMaxWaits = 500;
  int waits = 0;
  bool single = false;  // takes the single commit
  void Wait() override {
    if (++waits > kMaxWaits) throw std::runtime_error("the request kept waiting");
    TGenerator::Wait();
  }

 protected:
  bool UsesSingleCommit() const override { return single; }
};

// Legend: how the table refuses writes -> the data layer's message, which
// ends the request at once instead of being taken for a busy row.
struct RefusedWriteCase {
  const char* name;
  const char* engine;  // only on this engine; null: every engine
  std::function<void(GeneratorTest&, TGenerator&)> setup;
  std::string cause;         // of a request on the existing row
  std::string insert_cause;  // of one that must start a row ("": cause)
  std::string single_cause;  // on the single commit ("": cause)
};

// Both paths: the three-step claim (single false) and the single commit.
TEST_P(GeneratorTest, AFailureThatWaitingCannotCureEndsTheRequestWithItsCause) {
  const RefusedWriteCase cases[] = {
      {"a write-protected table", nullptr,
       [](GeneratorTest&, TGenerator& g) { g.Table()->SetReadOnly(true); },
       "Cannot modify a read-only dataset", "", ""},
      {"a role that may only read", "postgresql",
       [](GeneratorTest& t, TGenerator& g) {
         const std::string alias = t.db_->Alias() + "_reader";
         Session()->AddAlias(alias, "postgresql", {{"conninfo", t.db_->ReadOnlyRoleConninfo()}});
         g.SetDataBaseName(alias);
       },
       "Table GENTBL.DB: permission denied for table GENTBL", "", ""},
      {"read-only transactions", "postgresql",
       [](GeneratorTest& t, TGenerator& g) {
         const std::string alias = t.db_->Alias() + "_readonly";
         Session()->AddAlias(
             alias, "postgresql",
             {{"conninfo", t.db_->Location() + " options='-csearch_path=" + t.db_->Alias() +
                               " -cdefault_transaction_read_only=on'"}});
         g.SetDataBaseName(alias);
       },
       "Table GENTBL.DB: cannot execute SELECT FOR UPDATE in a read-only transaction",
       "Table GENTBL.DB: cannot execute INSERT in a read-only transaction",
       // The server's words: the single commit's update is inside a
       // statement that also reads.
       "Table GENTBL.DB: cannot execute SELECT in a read-only transaction"},
  };
  for (const bool single : {false, true}) {
    for (const auto& c : cases) {
      if (c.engine && GetParam() != c.engine) continue;
      const std::string name = std::string(c.name) + (single ? " (single commit)" : " (claim)");
      const std::string cause = single && !c.single_cause.empty() ? c.single_cause : c.cause;
      SetUp();
      ui_.calls.clear();
      Draw(*Make("W#"), 2);
      const Row before = Read("W");
      TComponentPtr<TBoundedGenerator> g(new TBoundedGenerator(nullptr));
      g->single = single;
      g->SetMask("W#");
      g->SetDataBaseName(db_->Alias());
      c.setup(*this, *g);
      g->InitDB();
      ASSERT_FALSE(g->Disabled()) << name << ": " << ui_.Transcript();
      try {
        g->Generator();
        ADD_FAILURE() << name << ": a key was issued";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), cause) << name;
      }
      const Row after = Read("W");
      EXPECT_EQ(after.suffix, before.suffix) << name;
      EXPECT_EQ(after.state, 0) << name;
      if (single) {
        EXPECT_EQ(g->waits, 0) << name;
      }
      // A new prefix cannot be started either.
      g->SetMask("W-#");
      try {
        g->Generator();
        ADD_FAILURE() << name << ": a key was issued for a new prefix";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not generate new record!\r\n" +
                                   (c.insert_cause.empty() ? c.cause : c.insert_cause))
            << name;
      }
      EXPECT_EQ(Other()->RecordCount(), 1) << name;
      EXPECT_EQ(ui_.Transcript(), "") << name;  // no busy notice: nobody holds the row
    }
  }
}

TEST_P(GeneratorTest, AnOverflowHandlerThatRaisesLeavesTheRowFree) {
  auto g = Make("O#", "1", "3");
  EXPECT_EQ(Draw(*g, 3), (Keys{"O1", "O2", "O3"}));
  g->SetOnOverFlowMask(TGOverFlowEvent::FromCallable(
      [](TObject*, TmString&) { throw Exception("Numbers are used up"); }));
  try {
    g->Generator();
    ADD_FAILURE() << "a key past the end value";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Numbers are used up");
  }
  const Row r = Read("O");
  EXPECT_EQ(r.state, 0);
  EXPECT_EQ(r.suffix, "3");
  auto other = Make("O#", "1", "3");
  other->SetOnOverFlowMask(TGOverFlowEvent::FromCallable([](TObject*, TmString&) {}));
  EXPECT_EQ(other->Generator().str(), "O4");  // at once: no stale claim to break
  EXPECT_EQ(ui_.Transcript(), "");
}

TEST_P(GeneratorTest, AClaimHeldWhenTheServerEndedTheSessionIsFreedAndKeysGoOn) {
  if (!testing::Caps(GetParam()).server) GTEST_SKIP() << "no server to end the session";
  auto g = Make("C#");
  EXPECT_EQ(Draw(*g, 2), (Keys{"C0", "C1"}));
  ASSERT_TRUE(g->ReadDATA());  // holds the claim, as during a modal notice
  EXPECT_GE(db_->EndServerSessions(), 1);
  // A fresh connection works at once: no notice, the claim it held is freed,
  // and the key follows the last one.
  EXPECT_EQ(g->Generator().str(), "C2");
  EXPECT_EQ(ui_.Transcript(), "");
  const Row r = Read("C");
  EXPECT_EQ(r.state, 0);
  EXPECT_EQ(r.suffix, "2");
  EXPECT_EQ(db_->EndServerSessions(), 1);  // between requests too
  EXPECT_EQ(g->Generator().str(), "C3");
}

TEST_P(GeneratorTest, AServerThatKeepsEndingTheSessionEndsTheRequestWithinItsBound) {
  if (!testing::Caps(GetParam()).server) GTEST_SKIP() << "no server to end the session";
  const std::string alias = db_->Alias() + "_1s";
  Session()->AddAlias(alias, "postgresql",
                      {{"conninfo", db_->Location()}, {"reconnect_seconds", "1"}});
  TComponentPtr<TBoundedGenerator> g(new TBoundedGenerator(nullptr));
  g->SetMask("D#");
  g->SetStartValue("1");
  g->SetEndValue("2");
  g->SetDataBaseName(alias);
  g->InitDB();
  EXPECT_EQ(Draw(*g, 2), (Keys{"D1", "D2"}));
  // From now on every step ends the sessions while the row is claimed: a
  // fresh connection works each time, and each time the write is lost.
  int ended = 0;
  g->SetOnOverFlowMask(TGOverFlowEvent::FromCallable(
      [&](TObject*, TmString&) { ended += db_->EndServerSessions(); }));
  EXPECT_THROW(g->Generator(), EConnectionLost);
  EXPECT_GE(ended, 2);
  // Told once that it waits, and that the server answered again, however
  // often the session is lost after that.
  EXPECT_EQ(ui_.Transcript(),
            "Generator: Lost the connection to the database server; waiting for it to come back\n"
            "Generator: The database server is back\n");
  const Row r = Read("D");
  EXPECT_EQ(r.state, 0);  // the claim it held is freed on its way out
  EXPECT_EQ(r.suffix, "2");
  Session()->DeleteAlias(alias);
}

INSTANTIATE_TEST_SUITE_P(Engines, GeneratorTest, ::testing::ValuesIn(AllEngineNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace orv
