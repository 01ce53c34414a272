#include "ordersdata.h"

#include <cstdio>
#include <string>
#include <vector>

#include <orv/host/db/table.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>

namespace orders {

namespace {
// Not ORDERS, which orvgen's examples make with other fields in the same default database.
constexpr const char* kOrdersTable = "ORDERBOOK";
constexpr int kIdRetries = 20;  // clerks saving at the same moment, each taking the next ID

void MakeTable(const std::string& database, const std::string& name,
               const std::vector<orv::TFieldDef>& fields, const std::vector<std::string>& key,
               const std::vector<std::string>& unique) {
  orv::TComponentPtr<orv::TTable> table(new orv::TTable(nullptr));
  table->SetDatabaseName(database);
  table->SetTableName(name);
  if (table->Exists()) {
    // A table of that name made for something else: say so now, not at the first save.
    table->Open();
    for (const orv::TFieldDef& f : fields)
      if (!table->FindField(f.Name))
        throw orv::EDatabaseError("Table " + name + " has no field " + f.Name +
                                  ": it was made for another program");
    return;
  }
  try {
    table->CreateTable(fields, key, unique);
  } catch (const orv::EDatabaseError&) {
    if (!table->Exists()) throw;  // else another program made it meanwhile
  }
}
}  // namespace

orv::TTable* TOrdersData::Orders() const {
  return dynamic_cast<orv::TTable*>(FindComponent("Orders"));
}
orv::TGenerator* TOrdersData::OrderNo() const {
  return dynamic_cast<orv::TGenerator*>(FindComponent("OrderNo"));
}

void TOrdersData::MakeTables(const std::string& database) {
  MakeTable(database, orv::kDefaultGenTable, orv::GenTableFields(), orv::GenTableUniqueKey(), {});
  MakeTable(database, kOrdersTable,
            {{"ID", orv::ftInteger, 0},
             {"ORDNO", orv::ftString, 20},
             {"OKEY", orv::ftString, 20},
             {"CUSTOMER", orv::ftString, 40},
             {"AMOUNT", orv::ftFloat, 0}},
            {"ID"}, {"ORDNO", "OKEY"});
}

void TOrdersData::OrdersBeforePost(orv::TDataSet* data_set) {
  drawn_ = orv::TmString();  // a number an earlier save drew is not this save's to give back
  if (orv::Trim(data_set->FieldByName("CUSTOMER")->AsString()).empty())
    throw orv::EDatabaseError("Field 'CUSTOMER' must have a value");
  if (data_set->State() != orv::dsInsert) return;
  drawn_ = OrderNo()->Generator();
  if (drawn_.Empty()) throw orv::EDatabaseError("No order number: the generator table is not open");
  data_set->FieldByName("ORDNO")->SetAsString(drawn_.str());
  const orv::TVariant top = data_set->Highest("ID");
  data_set->FieldByName("ID")->SetAsInteger((top.IsNull() ? 0 : top.AsInteger()) + 1);
  id_retries_ = kIdRetries;
}

void TOrdersData::OrdersPostError(orv::TDataSet* data_set, const orv::EDatabaseError& error,
                                  orv::TDataAction& action) {
  // Only when the ID is taken now: a refusal for another key fails at once.
  orv::TField* id = data_set->FieldByName("ID");
  const orv::TVariant top = data_set->Highest("ID");
  if (dynamic_cast<const orv::EKeyViolation*>(&error) && id_retries_ > 0 && !top.IsNull() &&
      top.AsInteger() >= id->AsInteger()) {
    --id_retries_;
    id->SetAsInteger(top.AsInteger() + 1);
    action = orv::daRetry;
  }
  if (action == orv::daFail && !drawn_.Empty()) {
    drawn_ = orv::TmString();
    OrderNo()->Undo();
  }
}

void TOrdersData::OrderNoUndoFailed(orv::TObject*, orv::TmString& value) {
  std::fprintf(stderr, "orders: the number drawn stays unused (the last is now %s)\n",
               value.str().c_str());
}

const orv::TClassInfo& TOrdersData::StaticClassInfo() {
  static const orv::TClassInfo info =
      orv::Published<TOrdersData>()
          .Method("OrdersBeforePost", &TOrdersData::OrdersBeforePost)
          .Method("OrdersPostError", &TOrdersData::OrdersPostError)
          .Method("OrderNoUndoFailed", &TOrdersData::OrderNoUndoFailed);
  return info;
}

}  // namespace orders
