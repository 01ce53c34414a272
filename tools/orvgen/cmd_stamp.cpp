// orvgen stamp: appends records to a table through a TUniKEY and prints the
// key that each got. A database server that drops the connection (a restart,
// a failover to a standby) is waited for, as the generator waits for it.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "host/classes/component.h"
#include "host/db/datasource.h"
#include "host/db/dberrors.h"
#include "host/db/field.h"
#include "host/db/session.h"
#include "host/db/table.h"
#include "host/rtl/exception.h"
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"
#include "unikey/unikey.h"

namespace orv::cli {
namespace {

// The integer key that --create makes and that the command numbers.
constexpr const char* kIdField = "ID";
// Most records one run appends.
constexpr long long kMaxCount = 1000000;

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
      std::fprintf(stderr, "orvgen: Lost the connection to the database server; waiting for it to come back\n");
      waiting = true;
      give_up = std::chrono::steady_clock::now() +
                std::chrono::seconds(ReconnectSeconds(Session()->ResolveDatabase(table.DatabaseName())));
    }
    if (std::chrono::steady_clock::now() >= give_up) throw EConnectionLost(why);
    std::this_thread::sleep_for(kReconnectPause);
  }
}

int RunStamp(const Options& o) {
  if (!o.Positional().empty()) throw UsageError("unexpected argument '" + o.Positional().front() + "'");
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
      table->CreateTable({{kIdField, ftInteger, 0}, {field_name, ftString, width}}, {kIdField});
    } catch (const EDatabaseError&) {
      // Another program may have created it meanwhile; then use that one.
      if (!table->Exists()) throw;
    }
  }
  table->Open();
  if (!table->FindField(field_name))
    throw Exception("Table " + table_name + " has no field " + field_name);

  // The command's own new-record handler: the next number in an integer ID
  // field, when the table has one. The stamper runs it after stamping.
  long long next_id = 1;
  TField* id = table->FindField(kIdField);
  if (id && id->DataType() != ftInteger) id = nullptr;
  if (id) {
    for (table->First(); !table->Eof(); table->Next())
      if (!id->IsNull() && id->AsInteger() >= next_id) next_id = id->AsInteger() + 1;
    table->SetOnNewRecord(TDataSetNotifyEvent::FromCallable(
        [&next_id](TDataSet* d) { d->FieldByName(kIdField)->SetAsInteger(next_id++); }));
  }

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
                  "--create     first create T when missing: integer key ID, and F wide enough for the key"}},
                RunStamp});

}  // namespace
}  // namespace orv::cli
