// orvgen run: loads a form file (a data module of run-time components:
// generators, stampers, tables, data sources; Loaded opens the generators'
// tables) and uses it as an application built on that module would: draws
// keys from one of its generators, or appends records to the table that one
// of its stampers watches, each stamped, with keys from generators in the
// fields named by --key.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <orv/host/classes/formfile.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/field.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/rtl/tmstring.h>
#include <orv/keygen/generator.h>
#include <orv/runtime/runtime.h>
#include <orv/unikey/unikey.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"
#include "tools/orvgen/generator_options.h"

namespace orv::cli {
namespace {

constexpr long long kMaxCount = 10000000;  // most keys or records one run makes

// The component of class T named name, or the first of that class the root
// owns that accept takes when name is empty.
template <class T>
T* FindOwned(TComponent& root, const std::string& name, const std::string& form,
             const std::string& class_name, bool (*accept)(T&) = nullptr) {
  if (!name.empty()) {
    auto* c = dynamic_cast<T*>(root.FindComponent(name));
    if (!c) throw Exception(form + " holds no " + class_name + " named " + name);
    return c;
  }
  for (int i = 0; i < root.ComponentCount(); ++i)
    if (auto* c = dynamic_cast<T*>(root.Components(i)); c && (!accept || accept(*c))) return c;
  throw Exception(form + " holds no " + class_name);
}

// The table a stamper's data source shows, or null.
TTable* WatchedTable(TUniKEY& stamper) {
  TDataSource* source = stamper.DataSource();
  return source ? dynamic_cast<TTable*>(source->DataSet()) : nullptr;
}

// --key FIELD=GENERATOR[,FIELD=GENERATOR...]: the fields and their generators.
std::vector<std::pair<TField*, TGenerator*>> KeyFields(const std::string& spec, TComponent& root,
                                                       TTable& table, const std::string& form) {
  std::vector<std::pair<TField*, TGenerator*>> keys;
  std::size_t at = 0;
  while (at <= spec.size() && !spec.empty()) {
    const std::size_t comma = std::min(spec.find(',', at), spec.size());
    const std::string item = spec.substr(at, comma - at);
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == item.size())
      throw UsageError("--key takes FIELD=GENERATOR, found '" + item + "'");
    TField* field = table.FindField(item.substr(0, eq));
    if (!field)
      throw Exception("Table " + table.TableName() + " has no field " + item.substr(0, eq));
    keys.emplace_back(field, FindOwned<TGenerator>(root, item.substr(eq + 1), form, "TGenerator"));
    at = comma + 1;
  }
  return keys;
}

// Appends count records through the stamper; prints each record's key fields.
void AppendRecords(TComponent& root, const Options& o, const std::string& form, long long count) {
  const std::string name = o.Get("--component");
  TUniKEY* stamper =
      FindOwned<TUniKEY>(root, name, form, name.empty() ? "TUniKEY linked to a table" : "TUniKEY",
                         [](TUniKEY& u) { return WatchedTable(u) != nullptr; });
  TTable* table = WatchedTable(*stamper);
  if (!table) throw Exception(stamper->Name() + " is linked to no table");
  if (!table->Active()) table->Open();
  TField* stamped = table->FindField(stamper->DataField());
  if (!stamped)
    throw Exception("Table " + table->TableName() + " has no field " + stamper->DataField());
  const auto keys = KeyFields(o.Get("--key"), root, *table, form);
  auto is_key = [&](TField* f) {
    if (f == stamped) return true;
    for (const auto& k : keys)
      if (k.first == f) return true;
    return false;
  };
  for (long long i = 0; i < count; ++i) {
    std::string line;
    try {
      table->Append();  // the stamper writes its field here
      for (const auto& [field, generator] : keys) field->SetAsString(NextKey(*generator));
      for (int f = 0; f < table->FieldCount(); ++f)
        if (is_key(table->Fields(f)))
          line += (line.empty() ? "" : "\t") + table->Fields(f)->AsString();
      table->Post();
    } catch (...) {
      // A key drawn for a record that is not stored is a gap, never reused.
      if (table->State() == dsInsert) table->Cancel();
      throw;
    }
    PrintLine(line);
    std::fflush(stdout);
  }
}

int RunRun(const Options& o) {
  if (o.Positional().size() != 1) throw UsageError("one form file is needed");
  if (o.Has("--key") && !o.Has("--append")) throw UsageError("--key goes with --append");
  const std::string form = o.Positional().front();
  const long long count = o.GetInt("-n", 1, 1, kMaxCount);
  // The form names its databases itself; the aliases must be there when its
  // generators load.
  PrepareDatabase(o);
  // As for next: on a fresh account the built-in default's generator table
  // is made on first use, so that the module's generators open it.
  if (Session()->IsBuiltInDefault(kDefaultGenDatabase))
    CreateGenTableIfMissing(kDefaultGenDatabase, kDefaultGenTable);
  RegisterRuntimeClasses();
  TComponentPtr<TComponent> root(LoadFormFromFile(form, nullptr));
  if (const auto user = o.Find("--user")) {
    // The application's answer for the masks' @, where the module gives none.
    const TmString text = *user;
    for (int i = 0; i < root->ComponentCount(); ++i)
      if (auto* g = dynamic_cast<TGenerator*>(root->Components(i));
          g && !g->GetUserPrefixes().Assigned())
        g->SetGetUserPrefixes(
            TGenProcEvent::FromCallable([text](TObject*, TmString& preff) { preff = text; }));
  }
  if (o.Has("--append")) {
    AppendRecords(*root, o, form, count);
    return 0;
  }
  TGenerator* g = FindOwned<TGenerator>(*root, o.Get("--component"), form, "TGenerator");
  for (long long i = 0; i < count; ++i) {
    PrintLine(NextKey(*g));
    std::fflush(stdout);
  }
  return 0;
}

ORVGEN_COMMAND(
    {"run",
     "load a data module; draw keys from a generator or append stamped records",
     "orvgen run FORM [--component NAME] [-n COUNT] [--user TEXT]\n"
     "       orvgen run FORM --append [--component STAMPER] [--key FIELD=GENERATOR,...] "
     "[-n COUNT] [--user TEXT]",
     {{"--component", true,
       "--component NAME  the generator to draw from (default: the first TGenerator);\n"
       "              with --append, the stamper (default: the first TUniKEY linked to a "
       "table)"},
      {"-n", true, "-n COUNT    how many keys or records (default 1)"},
      {"--user", true, "--user TEXT the characters for the masks' @ symbols"},
      {"--append", false,
       "--append    append records to the table the stamper watches, each stamped, and\n"
       "              print each record's key fields, tab-separated, in the table's order"},
      {"--key", true,
       "--key FIELD=GENERATOR,...  with --append: FIELD takes GENERATOR's next key"}},
     RunRun});

}  // namespace
}  // namespace orv::cli
