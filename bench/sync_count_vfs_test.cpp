#include "bench/sync_count_vfs.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include <orv/host/db/field.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>

namespace orv::bench {
namespace {

sqlite3* Open(const std::string& file) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  return db;
}

int Exec(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// Commits sync as the journal mode and synchronous setting say, and what they
// wrote reads back after the database is opened again: the counting VFS
// counts every sync and passes everything (locks, WAL shared memory) through.
TEST(SyncCountingVfs, CountsTheSyncsOfCommits) {
  InstallSyncCountingVfs();
  InstallSyncCountingVfs();  // a second call changes nothing
  struct Case {
    const char* journal;
    const char* synchronous;
    bool syncs;  // each commit syncs at least once
  } cases[] = {{"WAL", "FULL", true},
               {"DELETE", "FULL", true},
               {"WAL", "OFF", false},
               {"DELETE", "OFF", false}};
  orv::testing::TestDatabase dir("sqlite");
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.journal) + " " + c.synchronous);
    const std::string file = dir.Location() + "/t" + std::to_string(++n) + ".db";
    sqlite3* db = Open(file);
    ASSERT_EQ(Exec(db, std::string("PRAGMA journal_mode=") + c.journal), SQLITE_OK);
    ASSERT_EQ(Exec(db, std::string("PRAGMA synchronous=") + c.synchronous), SQLITE_OK);
    ASSERT_EQ(Exec(db, "CREATE TABLE t (x INTEGER)"), SQLITE_OK);
    constexpr int kCommits = 5;
    const std::uint64_t before = SyncCount();
    for (int i = 0; i < kCommits; ++i)
      ASSERT_EQ(Exec(db, "INSERT INTO t VALUES (" + std::to_string(i) + ")"), SQLITE_OK);
    const std::uint64_t syncs = SyncCount() - before;
    if (c.syncs)
      EXPECT_GE(syncs, static_cast<std::uint64_t>(kCommits));
    else
      EXPECT_EQ(syncs, 0u);
    sqlite3_close(db);

    db = Open(file);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*), sum(x) FROM t", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0), kCommits);
    EXPECT_EQ(sqlite3_column_int(s, 1), 0 + 1 + 2 + 3 + 4);
    sqlite3_finalize(s);
    sqlite3_close(db);
  }
}

// The data layer opens its tables with the default VFS, so its commits are
// counted too.
TEST(SyncCountingVfs, CountsTheDataLayersCommits) {
  InstallSyncCountingVfs();
  orv::testing::TestDatabase db("sqlite");
  TComponentPtr<TTable> t(new TTable(nullptr));
  t->SetDatabaseName(db.Alias());
  t->SetTableName("T.DB");
  t->CreateTable({{"X", ftInteger, 0}});
  t->Open();
  const std::uint64_t before = SyncCount();
  t->Insert();
  t->FieldByName("X")->SetAsInteger(7);
  t->Post();
  EXPECT_GE(SyncCount() - before, 1u);
}

}  // namespace
}  // namespace orv::bench
