#include "app.h"

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/runtime/runtime.h>

namespace orders {

TOrdersForm* OpenOrders(const std::string& database) {
  orv::RegisterRuntimeClasses();
  orv::RegisterClasses<TOrdersData, TOrdersForm>();
  // The form files name tGenAlias; another database takes its place.
  if (orv::CompareText(database, orv::kDefaultDatabase) != 0) {
    const orv::TDatabaseInfo info = orv::Session()->ResolveDatabase(database);
    orv::Session()->AddAlias(orv::kDefaultDatabase, info.driver, info.params);
  }
  TOrdersData::MakeTables(orv::kDefaultDatabase);
  auto* data = dynamic_cast<TOrdersData*>(
      orv::LoadFormFromResource("orders", "ordersdata.ofm", orv::Application()));
  auto* form = dynamic_cast<TOrdersForm*>(
      orv::LoadFormFromResource("orders", "ordersform.ofm", orv::Application()));
  data->Orders()->Open();
  form->Attach(data, database);
  return form;
}

}  // namespace orders
