// TableOf: the tests' one way to reach a table of a test database (to make,
// fill or read it): a table component on database and name, not yet open,
// owned by the caller. Errors come later, from CreateTable or Open.
#pragma once

#include <string>

#include <orv/host/classes/component.h>
#include <orv/host/db/table.h>

namespace orv::testing {

inline TComponentPtr<TTable> TableOf(const std::string& database, const std::string& name) {
  TComponentPtr<TTable> table(new TTable(nullptr));
  table->SetDatabaseName(database);
  table->SetTableName(name);
  return table;
}

}  // namespace orv::testing
