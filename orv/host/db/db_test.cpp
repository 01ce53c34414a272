// The data access layer against every engine (SQLite always, PostgreSQL when
// $ORV_PG_CONNINFO is set): real tables in fresh databases, and a second real
// process where a claim must hold across programs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/formfile.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datalink.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/dbregister.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/spawned_child.h>
#include <orv/host/db/testing/tables.h>

namespace orv {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::SpawnedChild;
using ::testing::StartsWith;
using testing::TestDatabase;

// The generator's table layout, keyed on (GenID, Prefix), plus a spare column.
const std::vector<TFieldDef> kGenFields = {{"GenID", ftFloat, 0},    {"Prefix", ftString, 20},
                                           {"Suffix", ftString, 20}, {"Time", ftString, 17},
                                           {"Try", ftFloat, 0},      {"State", ftFloat, 0},
                                           {"Who", ftString, 17},    {"Extra", ftInteger, 0}};

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

class DataLayer : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<TestDatabase>(GetParam());
  }

  TComponentPtr<TTable> NewTable(const std::string& name = "GENTBL.DB") {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), name);
    return t;
  }
  // The generator's table with rows (GenID, Prefix, Suffix).
  TComponentPtr<TTable> GenTable(
      const std::vector<std::tuple<double, std::string, std::string>>& rows) {
    auto t = NewTable();
    t->CreateTable(kGenFields, {"GenID", "Prefix"});
    t->Open();
    for (const auto& [id, prefix, suffix] : rows) {
      t->Insert();
      t->FieldByName("GenID")->SetAsFloat(id);
      t->FieldByName("Prefix")->SetAsString(prefix);
      t->FieldByName("Suffix")->SetAsString(suffix);
      t->FieldByName("State")->SetAsInteger(0);
      t->Post();
    }
    return t;
  }

  std::unique_ptr<TestDatabase> db_;
};

TEST_P(DataLayer, FieldTypesAndSizesComeFromTheTable) {
  auto t = GenTable({});
  // name, type, Size, DataSize
  const std::vector<std::tuple<std::string, TFieldType, int, int>> want = {
      {"GenID", ftFloat, 0, 8},   {"Prefix", ftString, 20, 21}, {"Suffix", ftString, 20, 21},
      {"Time", ftString, 17, 18}, {"Try", ftFloat, 0, 8},       {"State", ftFloat, 0, 8},
      {"Who", ftString, 17, 18},  {"Extra", ftInteger, 0, 4}};
  ASSERT_EQ(t->FieldCount(), static_cast<int>(want.size()));
  for (const auto& [name, type, size, dataSize] : want) {
    SCOPED_TRACE(name);
    TField* f = t->FindField(name);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->FieldName(), name);
    EXPECT_EQ(f->DataType(), type);
    EXPECT_EQ(f->Size(), size);
    EXPECT_EQ(f->DataSize(), dataSize);
  }
  EXPECT_EQ(t->FindField("genid"), t->FindField("GenID")) << "field names are case-insensitive";
  EXPECT_EQ(t->FindField("Missing"), nullptr);
  EXPECT_EQ(MessageOf([&] { t->FieldByName("Missing"); }), "Field 'Missing' not found");
}

TEST_P(DataLayer, StringsLongerThanTheCapacityAreCutOnWrite) {
  auto t = GenTable({{1, "P", ""}});
  // value written to Suffix (capacity 20), value read back after a fresh open
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"12345678901234567890", "12345678901234567890"},
      {"123456789012345678901", "12345678901234567890"},
      {std::string(30, '\xC0'), std::string(20, '\xC0')},
      {"short", "short"},
  };
  for (const auto& [written, stored] : cases) {
    SCOPED_TRACE(written);
    t->Edit();
    t->FieldByName("Suffix")->SetAsString(written);
    EXPECT_EQ(t->FieldByName("Suffix")->AsString(), stored) << "cut at once, in the field";
    t->Post();
    auto other = NewTable();
    other->Open();
    ASSERT_TRUE(other->Locate("GenID;Prefix", {1, "P"}));
    EXPECT_EQ(other->FieldByName("Suffix")->AsString(), stored);
  }
}

TEST_P(DataLayer, LocateMatchesExactly) {
  auto t = GenTable({{1, "AB", "first"},
                     {1, "ab", "lower"},
                     {2, "AB", "second"},
                     {1, "5", "five"},
                     {3, std::string(20, 'x'), "long"}});
  // key values, the Suffix of the row found ("" for none)
  const std::vector<std::pair<std::vector<TVariant>, std::string>> cases = {
      {{1, "AB"}, "first"},
      {{1.0, "AB"}, "first"},  // 1 and 1.0 are the same number
      {{1, "ab"}, "lower"},    // case-sensitive both ways
      {{1, "Ab"}, ""},
      {{2, "AB"}, "second"},
      {{1.5, "AB"}, ""},
      {{"1", "AB"}, ""},  // a text never equals a number
      {{1, 5}, ""},       // nor a number a text
      {{1, "5"}, "five"},
      {{1, "A"}, ""},  // whole values only
      {{1, "AB "}, ""},
      {{3, std::string(20, 'x')}, "long"},
      {{3, std::string(21, 'x')}, ""},  // longer than the column can hold
      {{4, "AB"}, ""},
  };
  for (const auto& [values, suffix] : cases) {
    SCOPED_TRACE(values[0].AsString() + "/" + values[1].AsString());
    t->First();
    const std::string before = t->FieldByName("Suffix")->AsString();
    const bool found = t->Locate("GenID;Prefix", values);
    EXPECT_EQ(found, !suffix.empty());
    if (found) {
      EXPECT_EQ(t->FieldByName("Suffix")->AsString(), suffix) << "the row found is the current row";
    } else {
      EXPECT_EQ(t->FieldByName("Suffix")->AsString(), before) << "a failed Locate does not move";
    }
  }
  EXPECT_TRUE(t->Locate("Prefix", {"ab"}, loCaseInsensitive | loPartialKey));
  EXPECT_EQ(MessageOf([&] { t->Locate("GenID;Prefix", {1}); }),
            "Locate was given 1 values for 2 key fields");
  EXPECT_EQ(MessageOf([&] { t->Locate("GenID;Nope", {1, "AB"}); }), "Field 'Nope' not found");
}

TEST_P(DataLayer, BrowsingVisitsEveryRowOnceInKeyOrder) {
  auto t = GenTable({{2, "B", "b"}, {1, "A", "a"}, {3, "C", "c"}});
  EXPECT_EQ(t->RecordCount(), 3);
  std::vector<std::string> seen;
  for (t->First(); !t->Eof(); t->Next()) seen.push_back(t->FieldByName("Suffix")->AsString());
  EXPECT_THAT(seen, ElementsAre("a", "b", "c"));
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "c") << "Next past the end stays on the last row";

  auto empty = NewTable("EMPTY");
  empty->CreateTable({{"N", ftInteger, 0}});
  empty->Open();
  EXPECT_TRUE(empty->Eof());
  EXPECT_EQ(empty->RecordCount(), 0);
  EXPECT_TRUE(empty->FieldByName("N")->IsNull());
  EXPECT_EQ(MessageOf([&] { empty->Edit(); }), "No current record to edit");
}

// Delete removes the current row, moves to the next one (the one before at
// the end) and keeps bookmarks of the others good; another's lock is met at once.
TEST_P(DataLayer, DeleteRemovesTheCurrentRowAndStandsOnItsNeighbour) {
  auto t = GenTable({{1, "A", "a"}, {2, "B", "b"}, {3, "C", "c"}, {4, "D", "d"}});
  auto suffix = [&] { return t->FieldByName("Suffix")->AsString(); };
  ASSERT_TRUE(t->Locate("GenID;Prefix", {4, "D"}));
  const TBookmark d = t->Bookmark();
  ASSERT_TRUE(t->Locate("GenID;Prefix", {2, "B"}));
  auto other = NewTable();
  other->Open();
  ASSERT_TRUE(other->Locate("GenID;Prefix", {2, "B"}));
  other->Edit();
  EXPECT_EQ(MessageOf([&] { t->Delete(); }), "Record locked by another user");
  other->Cancel();
  t->Delete();
  EXPECT_EQ(suffix(), "c");  // the next row
  ASSERT_TRUE(t->GotoBookmark(d));
  t->Delete();
  EXPECT_EQ(suffix(), "c");  // the last row went: the one before
  EXPECT_EQ(t->RecordCount(), 2);
  EXPECT_FALSE(t->GotoBookmark(d));
  t->Append();  // an insert is dropped, not a stored row
  t->Delete();
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->RecordCount(), 2);
  ASSERT_TRUE(other->Locate("GenID;Prefix", {3, "C"}));
  t->Delete();  // gone for the other table object too
  EXPECT_EQ(MessageOf([&] { other->Edit(); }), "Record was deleted by another user");
  t->Delete();
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(MessageOf([&] { t->Delete(); }), "Cannot delete: the dataset has no current record");
}

// Without a primary key rows go by the engine's own row identity (SQLite's
// rowid, the server's ctid, which moves when a row is rewritten).
TEST_P(DataLayer, TablesWithoutAKeyAreBrowsedAndEditedToo) {
  auto t = NewTable("LOOSE");
  t->CreateTable({{"Name", ftString, 10}, {"N", ftInteger, 0}});
  t->Open();
  for (const char* name : {"one", "two", "three"}) {
    t->Append();
    t->FieldByName("Name")->SetAsString(name);
    t->Post();
  }
  ASSERT_TRUE(t->Locate("Name", {"two"}));
  t->Edit();
  t->FieldByName("N")->SetAsInteger(2);
  t->Post();
  EXPECT_EQ(t->FieldByName("Name")->AsString(), "two") << "still on the edited row";
  t->Edit();
  t->FieldByName("N")->SetAsInteger(22);
  t->Post();
  std::vector<std::string> seen;
  for (t->First(); !t->Eof(); t->Next())
    seen.push_back(t->FieldByName("Name")->AsString() + "=" + t->FieldByName("N")->AsString());
  std::sort(seen.begin(), seen.end());
  EXPECT_THAT(seen, ElementsAre("one=", "three=", "two=22"));
  // A compare-and-set finds the row by its engine identity (rowid, ctid),
  // which the write may move: the row as written stays current.
  ASSERT_TRUE(t->Locate("Name", {"one"}));
  EXPECT_TRUE(t->UpdateIf("N", {TVariant()}, "N", {5}));
  EXPECT_FALSE(t->UpdateIf("N", {TVariant()}, "N", {6}));
  EXPECT_EQ(t->FieldByName("Name")->AsString() + "=" + t->FieldByName("N")->AsString(), "one=5");
  EXPECT_TRUE(t->UpdateIf("Name;N", {"one", 5}, "N", {6}));
  EXPECT_EQ(t->FieldByName("N")->AsString(), "6");
}

// Moving away from a pending edit posts it when a field was written, and
// drops it otherwise; Cancel gives back the values as read.
TEST_P(DataLayer, PendingEditsArePostedOrDroppedWhenMovingOn) {
  auto t = GenTable({{1, "A", "a"}, {2, "B", "b"}});
  t->First();
  t->Edit();
  t->FieldByName("Suffix")->SetAsString("changed");
  t->Cancel();
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "a");
  t->Edit();
  t->FieldByName("Suffix")->SetAsString("a2");
  t->Next();
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "b");
  t->Edit();
  t->Next();  // nothing written: dropped, and its lock given back
  auto other = NewTable();
  other->Open();
  EXPECT_EQ(other->FieldByName("Suffix")->AsString(), "a2");
  ASSERT_TRUE(other->Locate("GenID;Prefix", {2, "B"}));
  other->Edit();
  other->Cancel();
}

TEST_P(DataLayer, WritingNeedsEditOrInsertAndAnOpenTableKeepsItsNames) {
  auto t = GenTable({{1, "A", "a"}});
  EXPECT_EQ(MessageOf([&] { t->FieldByName("Suffix")->SetAsString("x"); }),
            "Dataset not in edit or insert mode");
  EXPECT_EQ(MessageOf([&] { t->Post(); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(MessageOf([&] { t->SetTableName("OTHER"); }),
            "Cannot perform this operation on an open dataset");
  EXPECT_EQ(MessageOf([&] { t->SetDatabaseName("x"); }),
            "Cannot perform this operation on an open dataset");
  EXPECT_EQ(t->TableName(), "GENTBL.DB");
  t->Close();
  EXPECT_EQ(MessageOf([&] { t->Edit(); }), "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(MessageOf([&] { t->CreateTable(kGenFields); }), "Table already exists: GENTBL.DB");
}

TEST_P(DataLayer, NumbersAreWrittenAsIntegersAndComparedAsVariants) {
  auto t = GenTable({{7, "P", "s"}});
  t->Edit();
  t->FieldByName("State")->SetAsVariant(1);
  t->FieldByName("Try")->SetAsVariant(TVariant(t->FieldByName("Try")->AsInteger() + 1));
  t->FieldByName("Extra")->SetAsString("42");
  t->Post();
  auto other = NewTable();
  other->Open();
  ASSERT_TRUE(other->Locate("GenID;Prefix", {7, "P"}));
  EXPECT_EQ(other->FieldByName("State")->AsVariant(), TVariant(1));
  EXPECT_EQ(other->FieldByName("State")->AsString(), "1");
  EXPECT_EQ(other->FieldByName("Try")->AsInteger(), 1);
  EXPECT_EQ(other->FieldByName("Extra")->AsVariant(), TVariant(42));
  EXPECT_EQ(other->FieldByName("Suffix")->AsVariant(), TVariant("s"));
  EXPECT_NE(other->FieldByName("Extra")->AsVariant(), TVariant("42"));
  EXPECT_TRUE(other->FieldByName("Who")->IsNull()) << "columns not written stay empty";
  t->Edit();
  EXPECT_EQ(MessageOf([&] { t->FieldByName("Extra")->SetAsString("4x"); }),
            "'4x' is not a valid integer value");
  t->Cancel();
}

// Each event as "who:state-of-dataset/state-of-source".
std::string StateName(TDataSetState s) {
  switch (s) {
    case dsInactive:
      return "inactive";
    case dsBrowse:
      return "browse";
    case dsEdit:
      return "edit";
    case dsInsert:
      return "insert";
  }
  return "?";
}

TEST_P(DataLayer, NewRecordComesAfterTheInsertStateReachedTheDataSources) {
  GenTable({{1, "A", "a"}})->Close();
  auto t = NewTable();
  TComponentPtr<TDataSource> source(new TDataSource(nullptr));
  std::vector<std::string> log;
  source->SetOnStateChange(TNotifyEvent::FromCallable([&](TObject*) {
    TDataSet* ds = source->DataSet();
    log.push_back("state:" + (ds ? StateName(ds->State()) : "none") + "/" +
                  StateName(source->State()));
  }));
  t->SetOnNewRecord(TDataSetNotifyEvent::FromCallable([&](TDataSet* ds) {
    log.push_back("new:" + StateName(ds->State()) + "/" + StateName(source->State()));
    ds->FieldByName("Suffix")->SetAsString("from event");
  }));
  source->SetDataSet(t.get());
  t->Open();
  t->Insert();
  t->FieldByName("GenID")->SetAsInteger(2);
  t->FieldByName("Prefix")->SetAsString("B");
  t->Post();
  t->Edit();
  t->Cancel();
  t->Append();
  t->Cancel();
  t->Close();
  EXPECT_THAT(log, ElementsAre("state:browse/browse", "state:insert/insert", "new:insert/insert",
                               "state:browse/browse", "state:edit/edit", "state:browse/browse",
                               "state:insert/insert", "new:insert/insert", "state:browse/browse",
                               "state:inactive/inactive"));
  t->Open();
  ASSERT_TRUE(t->Locate("GenID;Prefix", {2, "B"}));
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "from event")
      << "what OnNewRecord wrote is posted";
  EXPECT_EQ(t->RecordCount(), 2) << "the cancelled append left nothing";

  // An exception from OnNewRecord cancels the insert and reaches the caller.
  t->SetOnNewRecord(
      TDataSetNotifyEvent::FromCallable([](TDataSet*) { throw EDatabaseError("no new rows"); }));
  EXPECT_EQ(MessageOf([&] { t->Insert(); }), "no new rows");
  EXPECT_EQ(t->State(), dsBrowse);

  // A disabled source reports dsInactive and raises nothing; a freed dataset unlinks it.
  log.clear();
  source->SetEnabled(false);
  EXPECT_EQ(source->State(), dsInactive);
  t->Edit();
  t->Cancel();
  EXPECT_THAT(log, ElementsAre("state:browse/inactive"));
  source->SetEnabled(true);
  log.clear();
  t.reset();
  EXPECT_THAT(log, ElementsAre("state:none/inactive"));
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_EQ(source->State(), dsInactive);
}

TEST_P(DataLayer, FieldDataLinkCanModifyOnlyAWritableField) {
  GenTable({{1, "A", "a"}})->Close();
  auto t = NewTable();
  TComponentPtr<TDataSource> source(new TDataSource(nullptr));
  source->SetDataSet(t.get());
  TFieldDataLink link;
  link.SetDataSource(source.get());
  link.SetFieldName("Suffix");
  EXPECT_FALSE(link.CanModify()) << "closed";
  EXPECT_EQ(link.Field(), nullptr);
  t->Open();
  EXPECT_TRUE(link.CanModify());
  EXPECT_EQ(link.Field(), t->FieldByName("Suffix"));
  link.SetFieldName("Nope");
  EXPECT_FALSE(link.CanModify()) << "no such field";
  link.SetFieldName("Suffix");
  t->FieldByName("Suffix")->SetReadOnly(true);
  EXPECT_FALSE(link.CanModify()) << "read-only field";
  t->Close();
  t->SetReadOnly(true);
  t->Open();
  EXPECT_FALSE(link.CanModify()) << "read-only table";
  EXPECT_EQ(MessageOf([&] { t->Edit(); }), "Cannot modify a read-only dataset");
  source.reset();
  EXPECT_EQ(link.DataSource(), nullptr) << "the freed source unlinked it";
}

TEST_P(DataLayer, AFailedPostRaisesAndTheNextEditWorks) {
  auto t = GenTable({{1, "A", "a"}, {1, "B", "b"}});
  // A second row with the same key.
  t->Insert();
  t->FieldByName("GenID")->SetAsInteger(1);
  t->FieldByName("Prefix")->SetAsString("A");
  EXPECT_EQ(MessageOf([&] { t->Post(); }), "Key violation");
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->RecordCount(), 2);
  // An edit that would give a row another row's key.
  ASSERT_TRUE(t->Locate("GenID;Prefix", {1, "B"}));
  t->Edit();
  t->FieldByName("Prefix")->SetAsString("A");
  EXPECT_EQ(MessageOf([&] { t->Post(); }), "Key violation");
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->FieldByName("Prefix")->AsString(), "B") << "back on the row as stored";
  t->Edit();
  t->FieldByName("Suffix")->SetAsString("b2");
  t->Post();
  auto other = NewTable();
  other->Open();
  ASSERT_TRUE(other->Locate("GenID;Prefix", {1, "B"}));
  EXPECT_EQ(other->FieldByName("Suffix")->AsString(), "b2");
  // The lock of the failed post was given back: another table object can edit.
  other->Edit();
  other->Cancel();
}

TEST_P(DataLayer, AllBytesOfCodePage1251RoundTrip) {
  auto t = NewTable("TEXTS");
  t->CreateTable({{"ID", ftInteger, 0}, {"Body", ftString, 255}}, {"ID"});
  t->Open();
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  t->Insert();
  t->FieldByName("ID")->SetAsInteger(1);
  t->FieldByName("Body")->SetAsString(all);
  t->Post();
  auto other = NewTable("TEXTS");
  other->Open();
  EXPECT_EQ(other->FieldByName("Body")->AsString(), all);
  EXPECT_TRUE(other->Locate("Body", {all}));
  EXPECT_FALSE(other->Locate("Body", {all.substr(1)}));
}

TEST_P(DataLayer, GetTableNamesListsTheDatabasesTables) {
  GenTable({})->Close();
  NewTable("Other")->CreateTable({{"N", ftInteger, 0}});
  NewTable("third.DB")->CreateTable({{"N", ftInteger, 0}});
  TStringList list;
  Session()->GetTableNames(db_->Alias(), "", true, false, list);
  if (testing::Caps(GetParam()).table_files)
    EXPECT_THAT(list.ToVector(), ElementsAre("GENTBL.DB", "Other.DB", "third.DB"));
  else
    EXPECT_THAT(list.ToVector(), ElementsAre("GENTBL", "Other", "third"));
  Session()->GetTableNames(db_->Alias(), "o*", false, false, list);
  EXPECT_THAT(list.ToVector(), ElementsAre("Other"));
  Session()->GetTableNames(db_->Alias(), "*", false, false, list);
  EXPECT_THAT(list.ToVector(), ElementsAre("GENTBL", "Other", "third"));
  // Every listed name opens.
  for (const auto& name : list.ToVector()) {
    auto t = NewTable(name);
    EXPECT_NO_THROW(t->Open()) << name;
  }
  auto gone = NewTable("Other");
  gone->DeleteTable();
  EXPECT_FALSE(gone->Exists());
  Session()->GetTableNames(db_->Alias(), "", false, false, list);
  EXPECT_THAT(list.ToVector(), ElementsAre("GENTBL", "third"));
}

TEST_P(DataLayer, MissingThingsGiveClearErrors) {
  auto t = NewTable("NOPE.DB");
  EXPECT_EQ(MessageOf([&] { t->Open(); }),
            "Table does not exist: NOPE.DB (database " + db_->Alias() + ")");
  EXPECT_FALSE(t->Active());
  EXPECT_FALSE(t->Exists());
  t->SetDatabaseName("no_such_alias");
  EXPECT_EQ(MessageOf([&] { t->Open(); }),
            "Unknown database \"no_such_alias\": no alias of that name and no such directory");
  TStringList list;
  EXPECT_EQ(MessageOf([&] { Session()->GetTableNames("no_such_alias", "", true, false, list); }),
            "Unknown database \"no_such_alias\": no alias of that name and no such directory");
}

// Only a lock held by another session is an ELockConflict, only a session
// the server ended an EConnectionLost: callers wait for the one, reconnect
// for the other, and give up on every other failure at once.
TEST_P(DataLayer, FailuresComeInClassesThatTellWhetherTryingAgainHelps) {
  auto t = GenTable({{1, "A", "a"}});
  auto other = NewTable();
  other->Open();
  t->Edit();
  try {
    other->Edit();
    ADD_FAILURE() << "no lock conflict";
  } catch (const ELockConflict& e) {
    EXPECT_EQ(e.Message(), "Record locked by another user");
  }
  t->Cancel();
  other->Insert();
  other->FieldByName("GenID")->SetAsFloat(1);
  other->FieldByName("Prefix")->SetAsString("A");
  try {
    other->Post();
    ADD_FAILURE() << "no key violation";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Key violation");
    EXPECT_EQ(dynamic_cast<const ELockConflict*>(&e), nullptr);
    EXPECT_EQ(dynamic_cast<const EConnectionLost*>(&e), nullptr);
  }
  if (!testing::Caps(GetParam()).server) return;
  // The server ends the session (as in a restart): the next call says so,
  // and the one after it works on a fresh connection.
  EXPECT_GE(db_->EndServerSessions(), 1);
  try {
    t->Locate("GenID;Prefix", {TVariant(1), TVariant("A")});
    ADD_FAILURE() << "the lost session went unnoticed";
  } catch (const EConnectionLost& e) {
    EXPECT_THAT(e.Message(),
                StartsWith("Lost the connection to database \"" + db_->Alias() + "\": "));
  }
  EXPECT_TRUE(t->Locate("GenID;Prefix", {TVariant(1), TVariant("A")}));
}

// Legend: what another program did to row (1, "A", Suffix "a", State 0)
// before this one's compare-and-set of State and Suffix -> whether it wrote,
// the suffix of its current row afterwards ("" : no current row) and the
// suffix stored.
struct UpdateIfCase {
  const char* name;
  std::function<void(TTable& other)> before;
  std::vector<TVariant> expected;  // State, Suffix, Who
  bool written;
  std::string current;
  std::string stored;
};

TEST_P(DataLayer, UpdateIfWritesOnlyARowThatStillMatches) {
  auto set = [](const char* field, TVariant v) {
    return [=](TTable& t) {
      t.Edit();
      t.FieldByName(field)->SetAsVariant(v);
      t.Post();
    };
  };
  const UpdateIfCase cases[] = {
      {"unchanged", [](TTable&) {}, {0, "a", TVariant()}, true, "b", "b"},
      {"another suffix expected", [](TTable&) {}, {0, "x", TVariant()}, false, "a", "a"},
      {"texts compare exactly", [](TTable&) {}, {0, "A", TVariant()}, false, "a", "a"},
      {"null matches only null", [](TTable&) {}, {0, "a", ""}, false, "a", "a"},
      // This program's copy is stale: it gets the row as stored to decide again.
      {"written meanwhile", set("Suffix", "c"), {0, "a", TVariant()}, false, "c", "c"},
      {"claimed meanwhile", set("State", 1), {0, "a", TVariant()}, false, "a", "a"},
      {"gone (its key changed)", set("Prefix", "Z"), {0, "a", TVariant()}, false, "", "(no row)"},
  };
  for (const auto& c : cases) {
    SetUp();
    auto t = GenTable({{1, "A", "a"}});
    ASSERT_TRUE(t->Locate("GenID;Prefix", {1, "A"}));
    auto other = NewTable();
    other->Open();
    ASSERT_TRUE(other->Locate("GenID;Prefix", {1, "A"}));
    c.before(*other);
    EXPECT_EQ(t->UpdateIf("State;Suffix;Who", c.expected, "Suffix;Time;Extra",
                          {"b", "20270101000000000", 7}),
              c.written)
        << c.name;
    EXPECT_EQ(t->State(), dsBrowse) << c.name;
    EXPECT_EQ(t->Eof(), c.current.empty()) << c.name;
    EXPECT_EQ(t->FieldByName("Suffix")->AsString(), c.current) << c.name;
    if (c.written) {
      EXPECT_EQ(t->FieldByName("Time")->AsString(), "20270101000000000") << c.name;
      EXPECT_EQ(t->FieldByName("Extra")->AsVariant(), TVariant(7)) << c.name;
    }
    auto reader = NewTable();
    reader->Open();
    EXPECT_EQ(reader->Locate("GenID;Prefix", {1, "A"}) ? reader->FieldByName("Suffix")->AsString()
                                                       : "(no row)",
              c.stored)
        << c.name;
  }
}

TEST_P(DataLayer, UpdateIfMeetsAnotherWritersLockAsALockConflict) {
  auto t = GenTable({{1, "A", "a"}});
  ASSERT_TRUE(t->Locate("GenID;Prefix", {1, "A"}));
  auto other = NewTable();
  other->Open();
  ASSERT_TRUE(other->Locate("GenID;Prefix", {1, "A"}));
  other->Edit();  // holds the row (SQLite: the table) past the engine's lock wait
  try {
    t->UpdateIf("Suffix", {"a"}, "Suffix", {"b"});
    ADD_FAILURE() << "written under another's lock";
  } catch (const ELockConflict& e) {
    EXPECT_EQ(e.Message(), "Record locked by another user");
  }
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "a");
  other->Cancel();
  // The same statement again (it is kept prepared), now free: written, and
  // strings cut to the field's capacity as the field setters cut them.
  EXPECT_TRUE(t->UpdateIf("Suffix", {"a"}, "Suffix", {std::string(25, 'x')}));
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), std::string(20, 'x'));
  EXPECT_EQ(MessageOf([&] { t->UpdateIf("Suffix;State", {"a"}, "Suffix", {"b"}); }),
            "UpdateIf was given 1 values for 2 fields");
  EXPECT_EQ(MessageOf([&] { t->UpdateIf("Nope", {"a"}, "Suffix", {"b"}); }),
            "Field 'Nope' not found");
}

// PostgreSQL cuts longer names silently, so that two of them could meet in
// one table: the layer refuses them (63 bytes of UTF-8 at most).
TEST_P(DataLayer, NamesPostgreSQLWouldCutAreRefused) {
  if (testing::Caps(GetParam()).max_name_bytes == 0) GTEST_SKIP() << "long names are kept whole";
  const std::string longest(63, 'T');
  const std::string cyrillic(32, '\xC6');  // 32 x Cyrillic Zhe: 64 bytes of UTF-8
  // table name, fields -> the message, or "" when the table is made
  const std::vector<std::tuple<std::string, std::vector<TFieldDef>, std::string>> cases = {
      {longest + ".DB", {{"N", ftInteger, 0}}, ""},
      {longest + "U",
       {{"N", ftInteger, 0}},
       "Name too long for PostgreSQL: " + longest + "U (64 bytes, at most 63)"},
      {cyrillic,
       {{"N", ftInteger, 0}},
       "Name too long for PostgreSQL: " + cyrillic + " (64 bytes, at most 63)"},
      {"Short",
       {{std::string(64, 'F'), ftInteger, 0}},
       "Name too long for PostgreSQL: " + std::string(64, 'F') + " (64 bytes, at most 63)"},
  };
  for (const auto& [name, fields, message] : cases) {
    SCOPED_TRACE(name);
    auto t = NewTable(name);
    EXPECT_EQ(MessageOf([&] { t->CreateTable(fields); }), message.empty() ? "(no error)" : message);
    if (name != "Short") {
      EXPECT_EQ(MessageOf([&] { t->Open(); }), message.empty() ? "(no error)" : message);
    }
  }
}

// Databases and tables that are not there, or not what they should be.
TEST(DataLayerErrors, MissingDatabasesAndServersAreNamed) {
  TestDatabase db("sqlite");
  const std::string dir = db.Location();
  std::ofstream(dir + "/NOTSQL.DB") << "just text, long enough to be read as a header\n";
  std::ofstream(dir + "/EMPTY.DB");  // what a create that crashed leaves
  TComponentPtr<TTable> make = orv::testing::TableOf(db.Alias(), "Right.DB");
  make->CreateTable({{"N", ftInteger, 0}});
  std::filesystem::rename(dir + "/Right.DB", dir + "/Wrong.DB");
  {
    // Another program's SQLite file, in its own journal mode.
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/FOREIGN.DB").c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "CREATE TABLE notes (n INTEGER)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(h);
  }
  const std::string dead = "orvtest_dead_server";
  const std::string gone = "orvtest_gone_directory";
  Session()->AddAlias(dead, "postgresql",
                      {{"conninfo", "host=127.0.0.1 port=1 dbname=x connect_timeout=5"}});
  Session()->AddAlias(gone, "sqlite", {{"path", dir + "/gone"}});
  // database, table, the message's start, a part of the rest ("" when the start is all)
  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
      {"no_such_alias", "T.DB",
       "Unknown database \"no_such_alias\": no alias of that name and no such directory", ""},
      {gone, "T.DB", "Directory of database \"" + gone + "\" does not exist: " + dir + "/gone", ""},
      {db.Alias(), "NONE.DB", "Table does not exist: NONE.DB (database " + db.Alias() + ")", ""},
      {dir, "NONE", "Table does not exist: NONE (database " + dir + ")", ""},
      {db.Alias(), "NOTSQL.DB",
       "Cannot open table NOTSQL.DB: " + dir + "/NOTSQL.DB is not a SQLite table", ""},
      {db.Alias(), "EMPTY.DB", "Table does not exist: EMPTY.DB (database " + db.Alias() + ")", ""},
      {db.Alias(), "Wrong.DB",
       "Cannot open table Wrong.DB: " + dir + "/Wrong.DB holds no table named Wrong", ""},
      {db.Alias(), "FOREIGN.DB",
       "Cannot open table FOREIGN.DB: " + dir + "/FOREIGN.DB holds no table named FOREIGN", ""},
      {dead, "GENTBL.DB", "Cannot connect to database \"" + dead + "\": ", "Connection refused"},
  };
  for (const auto& [database, table, start, part] : cases) {
    SCOPED_TRACE(database + " " + table);
    TComponentPtr<TTable> t = orv::testing::TableOf(database, table);
    const std::string message = MessageOf([&] { t->Open(); });
    if (part.empty()) {
      EXPECT_EQ(message, start);
    } else {
      EXPECT_THAT(message, StartsWith(start));
      EXPECT_THAT(message, HasSubstr(part));
    }
    EXPECT_FALSE(t->Active());
  }
  // The failed open left the foreign file as it was: not switched to WAL
  // (byte 18 of the header is 1 for a rollback journal, 2 for WAL).
  {
    std::ifstream in(dir + "/FOREIGN.DB", std::ios::binary);
    char header[20] = {};
    in.read(header, sizeof header);
    EXPECT_EQ(header[18], 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/FOREIGN.DB-wal"));
  }
  // The zero-length file is an empty database: the table is created in it.
  make->SetTableName("EMPTY.DB");
  EXPECT_FALSE(make->Exists());
  EXPECT_EQ(MessageOf([&] { make->CreateTable({{"N", ftInteger, 0}}); }), "(no error)");
  EXPECT_EQ(MessageOf([&] { make->Open(); }), "(no error)");
  TStringList list;
  EXPECT_EQ(MessageOf([&] { Session()->GetTableNames(gone, "", true, false, list); }),
            "Directory of database \"" + gone + "\" does not exist: " + dir + "/gone");
  EXPECT_THAT(MessageOf([&] { Session()->GetTableNames(dead, "", true, false, list); }),
              StartsWith("Cannot connect to database \"" + dead + "\": "));
  Session()->DeleteAlias(dead);
  Session()->DeleteAlias(gone);
}

// A create that meets another session's create of the same table, not yet
// committed, waits for it and then says the table exists, as when it was
// there before.
TEST(DataLayerErrors, CreateMeetingAnotherCreateSaysTheTableExists) {
  ORV_SKIP_UNLESS_AVAILABLE("postgresql");
  TestDatabase db("postgresql");
  std::unique_ptr<PGconn, void (*)(PGconn*)> other(PQconnectdb(db.Location().c_str()), PQfinish),
      watcher(PQconnectdb(db.Location().c_str()), PQfinish);
  auto rows = [](PGconn* c, const char* sql) {  // -1: it failed
    PGresult* r = PQexec(c, sql);
    const int n = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK
                      ? PQntuples(r)
                      : -1;
    PQclear(r);
    return n;
  };
  ASSERT_EQ(rows(other.get(), "BEGIN; CREATE TABLE \"T\" (\"N\" integer)"), 0)
      << PQerrorMessage(other.get());
  std::thread committer([&] {
    // The other session commits once the create below waits for it.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < give_up &&
           rows(watcher.get(),
                "SELECT 1 FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND "
                "application_name = current_setting('application_name')") == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    rows(other.get(), "COMMIT");
  });
  TComponentPtr<TTable> t = orv::testing::TableOf(db.Alias(), "T");
  const std::string message = MessageOf([&] { t->CreateTable({{"N", ftInteger, 0}}); });
  committer.join();
  EXPECT_EQ(message, "Table already exists: T");
}

// A data module in a form file: the table opens once its names are read,
// the data source finds its dataset, and writing gives the same text.
TEST_P(DataLayer, TablesAndDataSourcesLiveInFormFiles) {
  GenTable({{1, "A", "a"}})->Close();
  RegisterDbClasses();
  RegisterClasses<TDataModule>();
  const std::string text =
      "object Data: TDataModule\n"
      "  object Gen: TTable\n"
      "    Active = True\n"
      "    DatabaseName = '" +
      db_->Alias() +
      "'\n"
      "    TableName = 'GENTBL.DB'\n"
      "  end\n"
      "  object Source: TDataSource\n"
      "    DataSet = Gen\n"
      "    Enabled = False\n"
      "  end\n"
      "end\n";
  TComponentPtr<TComponent> module(LoadFormFromString(text));
  auto* table = dynamic_cast<TTable*>(module->FindComponent("Gen"));
  auto* source = dynamic_cast<TDataSource*>(module->FindComponent("Source"));
  ASSERT_NE(table, nullptr);
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(table->Active());
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "a");
  EXPECT_EQ(source->DataSet(), table);
  EXPECT_FALSE(source->Enabled());
  EXPECT_EQ(SaveFormToString(module.get()), text);
  EXPECT_EQ(GetPropInfo(*table, "TableName").kind, TTypeKind::String);
  EXPECT_EQ(GetPropInfo(*source, "OnStateChange").kind, TTypeKind::Event);
}

// The peer program (db_test_peer) on the test's generator table, asked one
// command at a time.
class Peer : public SpawnedChild {
 public:
  explicit Peer(const testing::TestDatabase& db)
      : SpawnedChild(ORV_DB_TEST_PEER, {db.AliasFile(), db.Alias(), "GENTBL.DB"}, "", "",
                     /*interactive=*/true) {}
  // Sends command; the peer's answer.
  std::string Ask(const std::string& command) {
    Send(command);
    std::string answer;
    return ReadLine(answer) ? answer : "(no answer)";
  }
};

// Two programs on one row: the second Edit raises at once while the first
// holds the row, and succeeds (seeing the first's write) after its Post.
TEST_P(DataLayer, AnEditLockHoldsAgainstAnotherProcess) {
  auto t = GenTable({{1, "P", "before"}});
  Peer peer(*db_);
  ASSERT_EQ(peer.Ask("open"), "ok");
  ASSERT_EQ(peer.Ask("locate GenID 1"), "ok found");
  ASSERT_EQ(peer.Ask("edit"), "ok");
  ASSERT_EQ(peer.Ask("set Suffix peer"), "ok");

  EXPECT_EQ(MessageOf([&] { t->Edit(); }), "Record locked by another user");
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "before");

  // A new row meanwhile: SQLite's lock covers the whole table file, the
  // server's only the row.
  t->Insert();
  t->FieldByName("GenID")->SetAsInteger(9);
  t->FieldByName("Prefix")->SetAsString("N");
  EXPECT_EQ(MessageOf([&] { t->Post(); }),
            testing::Caps(GetParam()).row_locks ? "(no error)" : "Table locked by another user");
  EXPECT_EQ(t->State(), dsBrowse);
  ASSERT_TRUE(t->Locate("GenID;Prefix", {1, "P"}));

  ASSERT_EQ(peer.Ask("post"), "ok");
  t->Edit();
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "peer") << "Edit re-reads the row";
  t->FieldByName("Suffix")->SetAsString("mine");

  // Now this process holds it; the peer meets the lock.
  EXPECT_EQ(peer.Ask("edit"), "error Record locked by another user");
  t->Post();
  EXPECT_EQ(peer.Ask("edit"), "ok");
  EXPECT_EQ(peer.Ask("get Suffix"), "ok mine");
  EXPECT_EQ(peer.Ask("cancel"), "ok");
  peer.Send("quit");
  EXPECT_EQ(peer.Wait().exit_code, 0);
}

// A program that dies holding a lock leaves the row free for the others
// (the engine gives the lock back with the dead program's file or connection).
TEST_P(DataLayer, ALockDiesWithItsProcess) {
  auto t = GenTable({{1, "P", "kept"}});
  {
    Peer peer(*db_);
    for (const char* line : {"open", "edit", "set Suffix lost"}) {
      ASSERT_EQ(peer.Ask(line), "ok") << line;
    }
    EXPECT_EQ(MessageOf([&] { t->Edit(); }), "Record locked by another user");
  }  // killed here, in the middle of its edit
  // The server may take a moment to see the connection gone; the file lock goes at once.
  std::string message;
  for (int attempt = 0; attempt < 200; ++attempt) {
    message = MessageOf([&] { t->Edit(); });
    if (message != "Record locked by another user") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_EQ(message, "(no error)");
  EXPECT_EQ(t->FieldByName("Suffix")->AsString(), "kept")
      << "the dead program's write never happened";
  t->Cancel();
}

// Within one program two table objects lock each other out the same way.
TEST_P(DataLayer, TwoTableObjectsLockLikeTwoPrograms) {
  auto a = GenTable({{1, "P", "s"}});
  auto b = NewTable();
  b->Open();
  a->Edit();
  EXPECT_EQ(MessageOf([&] { b->Edit(); }), "Record locked by another user");
  // Opening and reading are never locked out.
  auto c = NewTable();
  c->Open();
  EXPECT_TRUE(c->Locate("GenID;Prefix", {1, "P"}));
  EXPECT_EQ(c->RecordCount(), 1);
  a->Cancel();
  b->Edit();
  b->Post();
}

INSTANTIATE_TEST_SUITE_P(Engines, DataLayer, ::testing::ValuesIn(testing::AllEngineNames()),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

}  // namespace
}  // namespace orv
