#include <orv/unikey/unikey.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/formfile.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/dbregister.h>
#include <orv/host/db/field.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/rtl/datetime.h>
#include <orv/host/rtl/exception.h>

namespace {

using namespace orv;

// A clock that moves one millisecond after every `readings` readings, so that
// records land in the same millisecond as often as the test wants.
class SteppingClock : public TClock {
 public:
  SteppingClock(TDateTime start, int readings) : now_(start), readings_(readings) {}
  TDateTime Now() override {
    const TDateTime t = now_;
    if (++count_ % readings_ == 0) now_ += 1.0 / 86400000.0;
    return t;
  }
  int Readings() const { return count_; }

 private:
  TDateTime now_;
  int readings_;
  int count_ = 0;
};

// A clock that reads the given moments in turn, then goes on a millisecond
// per reading from the last of them.
class ScriptedClock : public TClock {
 public:
  explicit ScriptedClock(std::vector<TDateTime> readings) : readings_(std::move(readings)) {}
  TDateTime Now() override {
    if (next_ < readings_.size()) return readings_[next_++];
    return readings_.back() + static_cast<double>(++next_ - readings_.size()) / 86400000.0;
  }

 private:
  std::vector<TDateTime> readings_;
  std::size_t next_ = 0;
};

// A stamper that counts its GetTimeStamp calls and may replace the key text.
class CountingStamper : public TUniKEY {
 public:
  using TUniKEY::TUniKEY;
  std::string GetTimeStamp() override {
    ++calls;
    const std::string base = TUniKEY::GetTimeStamp();
    return replacement.empty() ? base : replacement + std::to_string(calls);
  }
  int calls = 0;
  std::string replacement;  // when set, the key is this text and the call count
};

// A data module whose published methods a form file binds to the events of
// its table, data source and stamper.
class TOrdersModule : public TDataModule {
  ORV_CLASS(TOrdersModule, TDataModule)

 public:
  explicit TOrdersModule(TComponent* owner) : TDataModule(owner) {}
  void Source1StateChange(TObject*) { ++state_changes; }
  void Table1NewRecord(TDataSet* d) { seen.push_back(d->FieldByName("UKEY")->AsString()); }
  void Stamper1Text(TObject*, std::string& s) { s = "-X"; }
  int state_changes = 0;
  std::vector<std::string> seen;

 protected:
  ~TOrdersModule() override = default;
};

const TClassInfo& TOrdersModule::StaticClassInfo() {
  static const TClassInfo info =
      Published<TOrdersModule>()
          .Method("Source1StateChange", &TOrdersModule::Source1StateChange)
          .Method("Table1NewRecord", &TOrdersModule::Table1NewRecord)
          .Method("Stamper1Text", &TOrdersModule::Stamper1Text);
  return info;
}

TDateTime Moment(int y, int mo, int d, int h, int mi, int s, int ms) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

bool IsTimeStamp(const std::string& s) {
  if (s.size() != 17 ||
      !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  auto num = [&](int pos, int len) { return std::stoi(s.substr(pos, len)); };
  const int mo = num(4, 2), d = num(6, 2), h = num(8, 2), mi = num(10, 2), sec = num(12, 2);
  return mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 && sec < 60;
}

// One database of the engine under test with a table STAMPS (ID integer key,
// UKEY string of the given width, N integer).
class UniKeyTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<orv::testing::TestDatabase>(GetParam());
  }
  void TearDown() override {
    if (owner_) owner_->Free();
    owner_ = nullptr;
  }

  const std::string& Alias() const { return db_->Alias(); }

  void CreateTable(const std::string& name, int width, TFieldType key_type = ftString) {
    TComponentPtr<TTable> t = orv::testing::TableOf(Alias(), name);
    t->CreateTable({{"ID", ftInteger, 0},
                    {"UKEY", key_type, key_type == ftString ? width : 0},
                    {"N", ftInteger, 0}},
                   {"ID"});
  }

  // An open table on name, owned by owner (none when null).
  TTable* OpenTable(const std::string& name, TComponent* owner = nullptr) {
    auto* t = new TTable(owner);
    t->SetDatabaseName(Alias());
    t->SetTableName(name);
    t->Open();
    return t;
  }

  // Appends and posts one record with the given ID.
  static void AppendRow(TDataSet* t, int id) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id);
    t->Post();
  }

  // The UKEY column of every row of name, by ID; "<null>" for a null.
  std::vector<std::string> Stamps(const std::string& name) {
    TComponentPtr<TTable> t(OpenTable(name));
    std::vector<std::pair<long long, std::string>> rows;
    for (t->First(); !t->Eof(); t->Next()) {
      TField* f = t->FieldByName("UKEY");
      rows.emplace_back(t->FieldByName("ID")->AsInteger(), f->IsNull() ? "<null>" : f->AsString());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> out;
    for (auto& r : rows) out.push_back(r.second);
    return out;
  }

  // A data source on t, owned like the rest.
  TDataSource* SourceOn(TDataSet* t) {
    auto* ds = new TDataSource(Owner());
    ds->SetDataSet(t);
    return ds;
  }

  // A stamper on field whose BeforeUniKeyMADE answers text (none when empty).
  TUniKEY* NewStamper(const std::string& field, const std::string& text = "") {
    auto* uk = new TUniKEY(Owner());
    uk->SetDataField(field);
    if (!text.empty())
      uk->SetBeforeUniKeyMADE(
          TUKBeforeUnKMadeEvent::FromCallable([text](TObject*, std::string& s) { s = text; }));
    return uk;
  }

  TComponent* Owner() {
    if (!owner_) owner_ = new TComponent(nullptr);
    return owner_;
  }

  std::unique_ptr<orv::testing::TestDatabase> db_;
  TComponent* owner_ = nullptr;
};

// Records appended as fast as the loop goes, with event texts short and long:
// every stamp is distinct, of the time-stamp form, and ends in the text. The
// clock moves only every third reading, so records keep meeting within one
// millisecond and the stamper must wait (a last stamp cut to 20 characters
// would let the long texts repeat).
TEST_P(UniKeyTest, ManyRecordsGetDistinctStampsOfTheRightForm) {
  struct Case {
    const char* text;
    int count;
    bool real_clock;
  };
  const Case cases[] = {
      {"", 1000, true},             // the system clock, as a program runs
      {"", 300, false},             // plain keys, same-millisecond records
      {"AB", 300, false},           // 19 characters
      {"LONGER-TEXT", 300, false},  // past 20 characters
      {" B ", 50, false},           // blanks of the event text stay
  };
  int table_no = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    SteppingClock stepping(Moment(2024, 7, 5, 9, 3, 4, 5), 3);
    ScopedClock scope(c.real_clock ? nullptr : &stepping);
    const std::string name = "STAMPS" + std::to_string(++table_no);
    CreateTable(name, 40);
    TTable* t = OpenTable(name, Owner());
    auto* ds = SourceOn(t);
    const std::string text = c.text;
    auto* uk = NewStamper("UKEY", text);
    uk->SetDataSource(ds);
    for (int i = 1; i <= c.count; ++i) AppendRow(t, i);

    const auto stamps = Stamps(name);
    ASSERT_EQ(stamps.size(), static_cast<size_t>(c.count));
    EXPECT_EQ(std::set<std::string>(stamps.begin(), stamps.end()).size(), stamps.size());
    for (const auto& s : stamps) {
      ASSERT_EQ(s.size(), 17 + text.size()) << s;
      EXPECT_TRUE(IsTimeStamp(s.substr(0, 17))) << s;
      EXPECT_EQ(s.substr(17), text);
    }
    if (!c.real_clock) {
      EXPECT_EQ(stamps.front().substr(0, 17), "20240705090304005");
    }
    uk->Free();
    ds->Free();
    t->Free();
  }
}

// A clock that reads earlier than the last stamp (set back by hand, or the
// hour repeated at the end of summer time) does not bring earlier stamps back:
// the stamper goes on from its last stamp a millisecond at a time, each stamp
// a valid time, until the clock is past it again.
TEST_P(UniKeyTest, StampsOnlyGrowWhenTheClockGoesBack) {
  struct Case {
    const char* what;
    std::vector<TDateTime> readings;  // one per record
    std::vector<std::string> stamps;
  };
  const Case cases[] = {
      {"set back 1 s",
       {Moment(2024, 3, 5, 12, 0, 0, 0), Moment(2024, 3, 5, 12, 0, 0, 1),
        Moment(2024, 3, 5, 11, 59, 59, 2), Moment(2024, 3, 5, 11, 59, 59, 3)},
       {"20240305120000000", "20240305120000001", "20240305120000002", "20240305120000003"}},
      {"hour repeated in autumn",
       {Moment(2024, 10, 27, 2, 59, 59, 998), Moment(2024, 10, 27, 2, 59, 59, 999),
        Moment(2024, 10, 27, 2, 0, 0, 0), Moment(2024, 10, 27, 2, 0, 0, 1)},
       {"20241027025959998", "20241027025959999", "20241027030000000", "20241027030000001"}},
      {"back at the turn of a year",
       {Moment(2024, 12, 31, 23, 59, 59, 999), Moment(2024, 12, 31, 23, 0, 0, 0)},
       {"20241231235959999", "20250101000000000"}},
      {"back at the end of a leap day",
       {Moment(2024, 2, 29, 23, 59, 59, 999), Moment(2024, 2, 29, 0, 0, 0, 0)},
       {"20240229235959999", "20240301000000000"}},
      {"the clock catches up",
       {Moment(2024, 3, 5, 12, 0, 0, 5), Moment(2024, 3, 5, 12, 0, 0, 0),
        Moment(2024, 3, 5, 12, 0, 0, 10)},
       {"20240305120000005", "20240305120000006", "20240305120000010"}},
  };
  int table_no = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedClock clock(c.readings);
    ScopedClock scope(&clock);
    const std::string name = "BACK" + std::to_string(++table_no);
    CreateTable(name, 17);
    TTable* t = OpenTable(name, Owner());
    auto* uk = NewStamper("UKEY");
    uk->SetDataSource(SourceOn(t));
    for (std::size_t i = 1; i <= c.stamps.size(); ++i) AppendRow(t, static_cast<int>(i));
    EXPECT_EQ(Stamps(name), c.stamps);
  }
}

// Two stampers (two connections, as two programs) on a table whose stamped
// field is unique, meeting in every millisecond: no post fails and no stamp
// is stored twice. A record refused for another key is stamped afresh only
// kMaxRestamps times, then the error reaches the caller.
TEST_P(UniKeyTest, StampersMeetingOnAUniqueFieldTakeFreshStamps) {
  {
    TComponentPtr<TTable> maker = orv::testing::TableOf(Alias(), "SHARED");
    maker->CreateTable({{"ID", ftInteger, 0}, {"UKEY", ftString, 17}}, {"ID"}, {"UKEY"});
  }
  SteppingClock clock(Moment(2024, 7, 5, 9, 3, 4, 5), 3);
  ScopedClock scope(&clock);
  TTable* tables[2] = {OpenTable("SHARED", Owner()), OpenTable("SHARED", Owner())};
  CountingStamper* stampers[2];
  for (int s = 0; s < 2; ++s) {
    stampers[s] = new CountingStamper(Owner());
    stampers[s]->SetDataField("UKEY");
    stampers[s]->SetDataSource(SourceOn(tables[s]));
  }
  const int rounds = 30;
  for (int i = 0; i < rounds; ++i)
    for (int s = 0; s < 2; ++s) AppendRow(tables[s], 2 * i + s + 1);
  const auto stamps = Stamps("SHARED");
  ASSERT_EQ(stamps.size(), 2u * rounds);
  EXPECT_EQ(std::set<std::string>(stamps.begin(), stamps.end()).size(), stamps.size());
  EXPECT_GT(stampers[1]->calls, rounds);  // the second met the first's stamps

  TManualClock later(
      Moment(2024, 7, 6, 0, 0, 0, 0));  // no wait for a new millisecond: one reading a stamp
  SetClock(&later);
  const int calls_before = stampers[0]->calls;
  try {
    AppendRow(tables[0], 1);  // ID 1 is taken: a fresh stamp cannot cure that
    FAIL() << "no error";
  } catch (const EKeyViolation& e) {
    EXPECT_EQ(e.Message(), "Key violation");
  }
  EXPECT_EQ(stampers[0]->calls - calls_before, 1 + TUniKEY::kMaxRestamps);
  EXPECT_EQ(Stamps("SHARED").size(), 2u * rounds);
}

// The first record after start-up takes one reading of the clock (the last
// stamp is empty), and the key comes through the overridable GetTimeStamp.
TEST_P(UniKeyTest, FirstRecordIsStampedWithoutWaiting) {
  CreateTable("STAMPS", 30);
  TManualClock clock(Moment(2027, 1, 1, 0, 0, 0, 0));
  ScopedClock scope(&clock);
  TTable* t = OpenTable("STAMPS", Owner());
  auto* ds = SourceOn(t);
  for (int run = 1; run <= 2; ++run) {  // each stamper is a fresh start of the program
    auto* uk = new CountingStamper(Owner());
    uk->SetDataField("UKEY");
    uk->SetDataSource(ds);
    AppendRow(t, run);
    EXPECT_EQ(uk->calls, 1);
    EXPECT_EQ(uk->LastStamp(), "20270101000000000");
    uk->Free();
  }
  // A descendant's key text is what is written.
  auto* uk = new CountingStamper(Owner());
  uk->replacement = "K-";
  uk->SetDataField("UKEY");
  uk->SetDataSource(ds);
  AppendRow(t, 3);
  AppendRow(t, 4);
  EXPECT_EQ(Stamps("STAMPS"),
            (std::vector<std::string>{"20270101000000000", "20270101000000000", "K-1", "K-2"}));
}

// The application's own OnNewRecord and OnStateChange, found in place before
// the stamper was linked, still run; both see the stamp already in the field.
TEST_P(UniKeyTest, ApplicationHandlersRunAndSeeTheStamp) {
  CreateTable("STAMPS", 30);
  TTable* t = OpenTable("STAMPS", Owner());
  auto* ds = SourceOn(t);
  std::vector<std::string> seen_by_new_record;
  std::vector<std::string> seen_after_post;  // by OnStateChange, back in browse
  std::vector<TObject*> senders;
  t->SetOnNewRecord(TDataSetNotifyEvent::FromCallable([&](TDataSet* d) {
    seen_by_new_record.push_back(d->FieldByName("UKEY")->AsString());
    d->FieldByName("N")->SetAsInteger(7);  // the application's own defaults still land
  }));
  ds->SetOnStateChange(TNotifyEvent::FromCallable([&](TObject* sender) {
    senders.push_back(sender);
    if (ds->State() == dsBrowse && !t->FieldByName("UKEY")->IsNull())
      seen_after_post.push_back(t->FieldByName("UKEY")->AsString());
  }));
  auto* uk = NewStamper("UKEY");
  uk->SetDataSource(ds);
  for (int i = 1; i <= 3; ++i) AppendRow(t, i);

  const auto stamps = Stamps("STAMPS");
  EXPECT_EQ(seen_by_new_record, stamps);
  ASSERT_FALSE(seen_after_post.empty());
  EXPECT_EQ(seen_after_post.back(), stamps.back());
  EXPECT_GE(senders.size(), 6u);  // insert and back to browse, three times
  for (TObject* s : senders) EXPECT_EQ(s, ds);
  TComponentPtr<TTable> check(OpenTable("STAMPS"));
  for (check->First(); !check->Eof(); check->Next())
    EXPECT_EQ(check->FieldByName("N")->AsInteger(), 7);
}

// The application replaces the dataset's OnNewRecord after the stamper took
// it over: its handler runs from then on, and the stamper stamps no more.
TEST_P(UniKeyTest, AHandlerSetAfterTheTakeoverReplacesTheStamper) {
  CreateTable("STAMPS", 30);
  TTable* t = OpenTable("STAMPS", Owner());
  auto* ds = SourceOn(t);
  auto* uk = NewStamper("UKEY");
  uk->SetDataSource(ds);
  AppendRow(t, 1);
  ASSERT_TRUE(uk->HookInstalled());
  int app_calls = 0;
  t->SetOnNewRecord(TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_calls; }));
  AppendRow(t, 2);
  AppendRow(t, 3);
  EXPECT_EQ(app_calls, 2);
  const auto stamps = Stamps("STAMPS");
  ASSERT_EQ(stamps.size(), 3u);
  EXPECT_NE(stamps[0], "<null>");
  EXPECT_EQ(stamps[1], "<null>");
  EXPECT_EQ(stamps[2], "<null>");
}

// In the designer the stamper takes over nothing and writes nothing.
TEST_P(UniKeyTest, DesignTimeStampsNothing) {
  CreateTable("STAMPS", 30);
  TTable* t = OpenTable("STAMPS", Owner());
  auto* ds = SourceOn(t);
  int app_calls = 0;
  const auto app_new_record = TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_calls; });
  const auto app_state = TNotifyEvent::FromCallable([](TObject*) {});
  t->SetOnNewRecord(app_new_record);
  ds->SetOnStateChange(app_state);
  auto* uk = new TUniKEY(Owner());
  uk->SetState(csDesigning, true);
  uk->SetDataField("UKEY");
  uk->SetDataSource(ds);
  AppendRow(t, 1);
  EXPECT_TRUE(ds->OnStateChange() == app_state);
  EXPECT_TRUE(t->OnNewRecord() == app_new_record);
  EXPECT_FALSE(uk->HookInstalled());
  EXPECT_EQ(app_calls, 1);
  EXPECT_EQ(Stamps("STAMPS"), std::vector<std::string>{"<null>"});
  uk->Free();
  EXPECT_TRUE(ds->OnStateChange() == app_state);
}

// A DataField that names no field: records go in unstamped, and the
// application's handler still runs.
TEST_P(UniKeyTest, DataFieldNamingNoFieldInsertsUnstamped) {
  CreateTable("STAMPS", 30);
  TTable* t = OpenTable("STAMPS", Owner());
  auto* ds = SourceOn(t);
  int app_calls = 0, event_calls = 0;
  t->SetOnNewRecord(TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_calls; }));
  auto* uk = NewStamper("NOSUCHFIELD");
  uk->SetBeforeUniKeyMADE(
      TUKBeforeUnKMadeEvent::FromCallable([&](TObject*, std::string&) { ++event_calls; }));
  uk->SetDataSource(ds);
  AppendRow(t, 1);
  AppendRow(t, 2);
  EXPECT_TRUE(uk->HookInstalled());
  EXPECT_EQ(app_calls, 2);
  EXPECT_EQ(event_calls, 0);
  EXPECT_EQ(Stamps("STAMPS"), (std::vector<std::string>{"<null>", "<null>"}));
}

// A field that cannot hold the whole key is refused before anything is
// written; the error reaches the code that inserted the record and the
// application's handler does not run.
TEST_P(UniKeyTest, UnfitFieldGivesItsError) {
  struct Case {
    int width;
    TFieldType type;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {10, ftString, "",
       "Field 'UKEY' is too narrow for the key: it holds 10 characters, the key needs 17"},
      {20, ftString, "ABCD",
       "Field 'UKEY' is too narrow for the key: it holds 20 characters, the key needs 21"},
      {0, ftInteger, "", "Field 'UKEY' is not a string field: the key is text"},
  };
  int table_no = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const std::string name = "NARROW" + std::to_string(++table_no);
    CreateTable(name, c.width, c.type);
    TTable* t = OpenTable(name, Owner());
    auto* ds = SourceOn(t);
    int app_calls = 0;
    t->SetOnNewRecord(TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_calls; }));
    auto* uk = NewStamper("UKEY", c.text);
    uk->SetDataSource(ds);
    try {
      t->Append();
      FAIL() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_TRUE(t->FieldByName("UKEY")->IsNull());
    EXPECT_EQ(app_calls, 0);
    if (t->State() == dsInsert) t->Cancel();
    EXPECT_EQ(t->RecordCount(), 0);
    uk->Free();
    ds->Free();
    t->Free();
  }
}

// Destroying the stamper, the data source and the dataset in every order, with
// and without a common owner: no event keeps a handler of a destroyed
// stamper, and the survivors go on working (the sanitizer build catches a
// call into a dead object). The application's handlers come back.
TEST_P(UniKeyTest, DestructionInAnyOrderLeavesNoDeadHandler) {
  enum Part { kStamper, kSource, kDataSet };
  const std::vector<std::vector<Part>> orders = {
      {kStamper, kSource, kDataSet}, {kStamper, kDataSet, kSource}, {kSource, kStamper, kDataSet},
      {kSource, kDataSet, kStamper}, {kDataSet, kStamper, kSource}, {kDataSet, kSource, kStamper}};
  CreateTable("STAMPS", 30);
  int id = 0;
  for (bool common_owner : {false, true}) {
    for (const auto& order : orders) {
      SCOPED_TRACE(::testing::Message()
                   << "owner " << common_owner << " order " << order[0] << order[1] << order[2]);
      TComponent* owner = common_owner ? new TComponent(nullptr) : nullptr;
      TTable* t = OpenTable("STAMPS", owner);
      auto* ds = new TDataSource(owner);
      ds->SetDataSet(t);
      int app_new = 0, app_state = 0;
      const auto app_new_record = TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_new; });
      const auto app_state_change = TNotifyEvent::FromCallable([&](TObject*) { ++app_state; });
      t->SetOnNewRecord(app_new_record);
      ds->SetOnStateChange(app_state_change);
      auto* uk = new TUniKEY(owner);
      uk->SetDataField("UKEY");
      uk->SetDataSource(ds);
      AppendRow(t, ++id);
      ASSERT_TRUE(uk->HookInstalled());
      ASSERT_EQ(app_new, 1);

      bool stamper = true, source = true, data_set = true;
      for (Part p : order) {
        if (p == kStamper) {
          uk->Free();
          stamper = false;
        } else if (p == kSource) {
          ds->Free();
          source = false;
        } else {
          t->Free();
          data_set = false;
        }
        // Survivors hold the application's handlers again once the stamper
        // can no longer reach them, and still work.
        if (data_set) {
          if (!stamper || !source) {
            EXPECT_TRUE(t->OnNewRecord() == app_new_record);
          }
          const int before = app_new;
          AppendRow(t, ++id);
          EXPECT_EQ(app_new, before + 1);
        }
        if (source && !stamper) {
          EXPECT_TRUE(ds->OnStateChange() == app_state_change);
        }
        if (source && stamper && !data_set) {
          EXPECT_EQ(ds->DataSet(), nullptr);
        }
      }
      if (owner) owner->Free();
    }
  }
}

// Linking another data source gives back both events of the first link;
// after that the first dataset's records are no longer stamped.
TEST_P(UniKeyTest, ChangingDataSourceGivesBackWhatWasTaken) {
  CreateTable("ONE", 30);
  CreateTable("TWO", 30);
  TTable* t1 = OpenTable("ONE", Owner());
  TTable* t2 = OpenTable("TWO", Owner());
  auto* ds1 = new TDataSource(Owner());
  auto* ds2 = new TDataSource(Owner());
  ds1->SetDataSet(t1);
  ds2->SetDataSet(t2);
  const auto app_new_record = TDataSetNotifyEvent::FromCallable([](TDataSet*) {});
  const auto app_state = TNotifyEvent::FromCallable([](TObject*) {});
  t1->SetOnNewRecord(app_new_record);
  ds1->SetOnStateChange(app_state);
  auto* uk = NewStamper("UKEY");
  uk->SetDataSource(ds1);
  AppendRow(t1, 1);
  uk->SetDataSource(ds1);  // the same again changes nothing
  AppendRow(t1, 2);
  uk->SetDataSource(ds2);
  EXPECT_TRUE(t1->OnNewRecord() == app_new_record);
  EXPECT_TRUE(ds1->OnStateChange() == app_state);
  AppendRow(t1, 3);
  AppendRow(t2, 1);
  const auto one = Stamps("ONE");
  EXPECT_TRUE(IsTimeStamp(one[0]));
  EXPECT_TRUE(IsTimeStamp(one[1]));
  EXPECT_EQ(one[2], "<null>");
  EXPECT_TRUE(IsTimeStamp(Stamps("TWO")[0]));
  uk->SetDataSource(nullptr);
  EXPECT_FALSE(ds2->OnStateChange());
  EXPECT_FALSE(t2->OnNewRecord());
}

// The hook follows the data source to a new dataset; the old one gets its
// handler back.
TEST_P(UniKeyTest, HookFollowsTheDataSourcesNewDataSet) {
  CreateTable("ONE", 30);
  CreateTable("TWO", 30);
  TTable* t1 = OpenTable("ONE", Owner());
  TTable* t2 = OpenTable("TWO", Owner());
  auto* ds = SourceOn(t1);
  int app_calls = 0;
  const auto app_new_record = TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_calls; });
  t1->SetOnNewRecord(app_new_record);
  auto* uk = NewStamper("UKEY");
  uk->SetDataSource(ds);
  AppendRow(t1, 1);
  ds->SetDataSet(t2);
  AppendRow(t2, 1);
  EXPECT_TRUE(t1->OnNewRecord() == app_new_record);
  AppendRow(t1, 2);
  EXPECT_EQ(app_calls, 2);
  const auto one = Stamps("ONE");
  EXPECT_TRUE(IsTimeStamp(one[0]));
  EXPECT_EQ(one[1], "<null>");
  EXPECT_TRUE(IsTimeStamp(Stamps("TWO")[0]));
  t2->Free();  // the hooked dataset goes first: the stamper forgets it
  EXPECT_FALSE(uk->HookInstalled());
}

// Two stampers chained on one data source (each on its own field), the first
// linked destroyed first: it splices itself out, the second keeps stamping
// and the application's handlers still run.
TEST_P(UniKeyTest, ChainedStampersSpliceOut) {
  TComponentPtr<TTable> maker = orv::testing::TableOf(Alias(), "TWOKEYS");
  maker->CreateTable({{"ID", ftInteger, 0}, {"UKEY", ftString, 30}, {"VKEY", ftString, 30}},
                     {"ID"});
  maker.reset();
  TTable* t = OpenTable("TWOKEYS", Owner());
  auto* ds = SourceOn(t);
  int app_new = 0, app_state = 0;
  const auto app_new_record = TDataSetNotifyEvent::FromCallable([&](TDataSet*) { ++app_new; });
  const auto app_state_change = TNotifyEvent::FromCallable([&](TObject*) { ++app_state; });
  t->SetOnNewRecord(app_new_record);
  ds->SetOnStateChange(app_state_change);
  auto* first = NewStamper("UKEY");
  first->SetDataSource(ds);
  auto* second = NewStamper("VKEY");
  second->SetDataSource(ds);
  AppendRow(t, 1);
  first->Free();
  AppendRow(t, 2);
  EXPECT_EQ(app_new, 2);
  TComponentPtr<TTable> check(OpenTable("TWOKEYS"));
  check->First();
  EXPECT_FALSE(check->FieldByName("UKEY")->IsNull());
  EXPECT_FALSE(check->FieldByName("VKEY")->IsNull());
  check->Next();
  EXPECT_TRUE(check->FieldByName("UKEY")->IsNull());
  EXPECT_FALSE(check->FieldByName("VKEY")->IsNull());
  second->Free();
  EXPECT_TRUE(t->OnNewRecord() == app_new_record);
  EXPECT_TRUE(ds->OnStateChange() == app_state_change);
}

// A stamper read from a form file links when the references are resolved, at
// run time taking over the handlers the file bound; in the designer it takes
// over nothing and the module writes back as it was read.
TEST_P(UniKeyTest, LivesInFormFiles) {
  CreateTable("STAMPS", 30);
  RegisterDbClasses();
  RegisterClasses<TOrdersModule>();
  unikey::Register();
  const std::string text =
      "object Orders: TOrdersModule\n"
      "  object Table1: TTable\n"
      "    Active = True\n"
      "    OnNewRecord = Table1NewRecord\n"
      "    DatabaseName = '" +
      Alias() +
      "'\n"
      "    TableName = 'STAMPS'\n"
      "  end\n"
      "  object Source1: TDataSource\n"
      "    DataSet = Table1\n"
      "    OnStateChange = Source1StateChange\n"
      "  end\n"
      "  object Stamper1: TUniKEY\n"
      "    DataSource = Source1\n"
      "    DataField = 'UKEY'\n"
      "    BeforeUniKeyMADE = Stamper1Text\n"
      "  end\n"
      "end\n";
  {
    TComponentPtr<TComponent> root(LoadFormFromString(text));
    auto* module = dynamic_cast<TOrdersModule*>(root.get());
    ASSERT_NE(module, nullptr);
    auto* t = dynamic_cast<TTable*>(module->FindComponent("Table1"));
    ASSERT_NE(t, nullptr);
    AppendRow(t, 1);
    AppendRow(t, 2);
    const auto stamps = Stamps("STAMPS");
    EXPECT_EQ(module->seen, stamps);
    for (const auto& s : stamps) {
      EXPECT_TRUE(IsTimeStamp(s.substr(0, 17))) << s;
      EXPECT_EQ(s.substr(17), "-X");
    }
    EXPECT_GE(module->state_changes, 4);
  }
  {
    TComponentPtr<TOrdersModule> module(new TOrdersModule(nullptr));
    module->SetState(csDesigning, true);
    ReadFormFromString(module.get(), text);
    auto* t = dynamic_cast<TTable*>(module->FindComponent("Table1"));
    auto* uk = dynamic_cast<TUniKEY*>(module->FindComponent("Stamper1"));
    ASSERT_NE(t, nullptr);
    ASSERT_NE(uk, nullptr);
    EXPECT_TRUE(uk->Has(csDesigning));
    EXPECT_NE(uk->DataSource(), nullptr);
    AppendRow(t, 3);
    EXPECT_EQ(module->seen, (std::vector<std::string>{""}));
    EXPECT_EQ(SaveFormToString(module.get()), text);
  }
  EXPECT_EQ(Stamps("STAMPS").back(), "<null>");
}

INSTANTIATE_TEST_SUITE_P(Engines, UniKeyTest, ::testing::ValuesIn(orv::testing::AllEngineNames()),
                         [](const auto& info) { return info.param; });

// The key text for given moments: every part zero-padded to its width.
TEST(UniKeyStampTest, TimeStampText) {
  struct Case {
    TDateTime moment;
    const char* stamp;
  };
  const Case cases[] = {
      {Moment(2024, 7, 5, 9, 3, 4, 5), "20240705090304005"},
      {Moment(2027, 1, 1, 0, 0, 0, 0), "20270101000000000"},
      {Moment(2026, 12, 7, 23, 59, 59, 999), "20261207235959999"},
      {Moment(987, 3, 4, 5, 6, 7, 80), "09870304050607080"},
  };
  for (const Case& c : cases) {
    TManualClock clock(c.moment);
    ScopedClock scope(&clock);
    TComponentPtr<TUniKEY> uk(new TUniKEY(nullptr));
    EXPECT_EQ(uk->GetTimeStamp(), c.stamp);
    EXPECT_EQ(uk->Present(), c.moment);
  }
}

}  // namespace
