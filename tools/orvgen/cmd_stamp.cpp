// orvgen stamp: appends records to a table through a TUniKEY and prints the
// key that each got. A database server that drops the connection (a restart,
// a failover to a standby) is waited for, as the generator waits for it.
// Several programs may stamp one table at once: each record's ID is the
// table's highest plus one, read as the record is made and again when its
// post is refused for a key (the stamper then stamps it afresh too).
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <orv/host/classes/component.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/dberrors.h>
#include <orv/host/db/field.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/rtl/exception.h>
#include <orv/unikey/unikey.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"

namespace orv::cli {
namespace {

// The integer key that --create makes and that the command numbers.
constexpr const char* kIdField = "ID";
// Most records one run appends.
constexpr long long kMaxCount = 1000000;

// How long one record waits for other programs' writes to let it in.
constexpr std::chrono::seconds kLockWait{10};
// Pause between attempts to reach a lost server.
constexpr std::chrono::milliseconds kReconnectPause{250};

// Opens table again after its connection was lost: one fresh connection at
// once in silence, then (said once, and again when it worked) attempts for
// the database's reconnect_seconds. Raises the last EConnectionLost when the
// server stays away.
void Reconnect(TTable& table, const EConnectionLost& lost) {
  std::string why = lost.Message();
  bool waiting = false;
  std::chrono::steady_clock::time_point give_up;
  for (;;) {
    try {
      table.Close();
      table.Open();
      if (waiting) std::fprintf(stderr, "orvgen: The database server is back\n");
      return;
    } catch (const EConnectionLost& again) {
      why = again.Message();
    }
    if (!waiting) {
      std::fprintf(
          stderr,
          "orvgen: Lost the connection to the database server; waiting for it to come back\n");
      waiting = true;
      give_up =
          std::chrono::steady_clock::now() +
          std::chrono::seconds(ReconnectSeconds(Session()->ResolveDatabase(table.DatabaseName())));
    }
    if (std::chrono::steady_clock::now() >= give_up) throw EConnectionLost(why);
    std::this_thread::sleep_for(kReconnectPause);
  }
}

int RunStamp(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  const std::string table_name = o.Get("--table");
  const std::string field_name = o.Get("--field");
  if (table_name.empty()) throw UsageError("--table is required");
  if (field_name.empty()) throw UsageError("--field is required");
  const long long count = o.GetInt("-n", 1, 1, kMaxCount);
  const std::string text = o.Get("--text");
  const std::string database = DatabaseName(o);

  TComponentPtr<TComponent> owner(new TComponent(nullptr));
  auto* table = new TTable(owner.get());
  table->SetDatabaseName(database);
  table->SetTableName(table_name);
  if (o.Has("--create") && !table->Exists()) {
    const int width = TUniKEY::kTimeStampLength + static_cast<int>(text.size());
    try {
      // The stamped field unique: a stamp that another program stored first
      // is refused, and the stamper stamps the record afresh.
      table->CreateTable({{kIdField, ftInteger, 0}, {field_name, ftString, width}}, {kIdField},
                         {field_name});
    } catch (const EDatabaseError&) {
      // Another program may have created it meanwhile; then use that one.
      if (!table->Exists()) throw;
    }
  }
  table->Open();
  if (!table->FindField(field_name))
    throw Exception("Table " + table_name + " has no field " + field_name);

  // The command's own handlers, run by the stamper after its own work: the
  // next number in an integer ID field, when the table has one, read afresh
  // for every record and again after a key violation, since another program
  // may have taken the number meanwhile.
  // After a key violation the number goes one further past the highest on
  // each try, so that it does not race the other program for its next one.
  TField* id = table->FindField(kIdField);
  if (id && id->DataType() != ftInteger) id = nullptr;
  int tries = 0;  // key violations of the record in hand
  std::chrono::steady_clock::time_point lock_deadline;
  auto number = [&tries](TDataSet* d) {
    const TVariant highest = d->Highest(kIdField);
    d->FieldByName(kIdField)->SetAsInteger((highest.IsNull() ? 0 : highest.AsInteger()) + 1 +
                                           tries);
  };
  table->SetOnNewRecord(TDataSetNotifyEvent::FromCallable([&](TDataSet* d) {
    tries = 0;
    lock_deadline = std::chrono::steady_clock::now() + kLockWait;
    if (id) number(d);
  }));
  table->SetOnPostError(TDataSetErrorEvent::FromCallable(
      [&](TDataSet* d, const EDatabaseError& error, TDataAction& action) {
        if (dynamic_cast<const EKeyViolation*>(&error)) {
          ++tries;
          if (id) number(d);
        } else if (dynamic_cast<const ELockConflict*>(&error) &&
                   std::chrono::steady_clock::now() < lock_deadline) {
          // Another program's write holds the table (SQLite) a moment longer
          // than the engine waits: the same record is written again.
          action = daRetry;
        }
      }));

  auto* source = new TDataSource(owner.get());
  source->SetDataSet(table);
  auto* stamper = new TUniKEY(owner.get());
  stamper->SetDataField(field_name);
  if (o.Has("--text"))
    stamper->SetBeforeUniKeyMADE(
        TUKBeforeUnKMadeEvent::FromCallable([text](TObject*, std::string& s) { s = text; }));
  stamper->SetDataSource(source);

  for (long long i = 0; i < count;) {
    try {
      table->Append();
      table->Post();
    } catch (const EConnectionLost& lost) {
      // The record may or may not have been stored; its stamp is not printed,
      // and the next record gets a stamp of its own, so none is printed twice.
      try {
        if (table->State() == dsInsert) table->Cancel();
      } catch (const EDatabaseError&) {
        // Reopening below drops the record in any case.
      }
      Reconnect(*table, lost);
      continue;
    } catch (...) {
      if (table->State() == dsInsert) table->Cancel();
      throw;
    }
    PrintLine(stamper->LastStamp());
    // Shown at once, as next does: a program killed later has printed every
    // stamp but the one in flight.
    std::fflush(stdout);
    ++i;
  }
  return 0;
}

ORVGEN_COMMAND({"stamp",
                "append records stamped with unique time-based keys and print the keys",
                "orvgen stamp --table T --field F [-n COUNT] [--text TEXT] [--create] [--db NAME]",
                {{"--table", true, "--table T    the table to append to (required here)"},
                 {"--field", true, "--field F    the string field that gets the key"},
                 {"-n", true, "-n COUNT     how many records to append (default 1)"},
                 {"--text", true, "--text TEXT  text added after each key's 17-digit time part"},
                 {"--create", false,
                  "--create     first create T when missing: integer key ID, and F unique and wide "
                  "enough for the key"}},
                RunStamp});

}  // namespace
}  // namespace orv::cli
