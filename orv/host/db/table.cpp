#include <orv/host/db/table.h>

#include <orv/host/classes/typinfo.h>
#include <orv/host/db/driver.h>
#include <orv/host/db/session.h>

namespace orv {

namespace {

db::Driver* DriverOf(const TDatabaseInfo& info) {
  db::Driver* d = db::FindDriver(info.driver);
  if (!d)
    throw EDatabaseError("Unknown database driver '" + info.driver + "' (sqlite or postgresql)");
  return d;
}

}  // namespace

const TClassInfo& TTable::StaticClassInfo() {
  static const TClassInfo info =
      Published<TTable>()
          .Property("DatabaseName", &TTable::DatabaseName, &TTable::SetDatabaseName)
          .Property("TableName", &TTable::TableName, &TTable::SetTableName)
          .Property("ReadOnly", &TTable::ReadOnly, &TTable::SetReadOnly)
          .Default(false);
  return info;
}

TTable::TTable(TComponent* owner) : TDataSet(owner) {}

void TTable::SetDatabaseName(const std::string& name) {
  CheckInactive();
  database_name_ = name;
}

void TTable::SetTableName(const std::string& name) {
  CheckInactive();
  table_name_ = name;
}

void TTable::SetReadOnly(bool read_only) {
  CheckInactive();
  read_only_ = read_only;
}

bool TTable::CanModify() const { return !read_only_ && TDataSet::CanModify(); }

std::unique_ptr<db::Cursor> TTable::CreateCursor() {
  if (table_name_.empty()) throw EDatabaseError("No table name given");
  const TDatabaseInfo info = Session()->ResolveDatabase(database_name_);
  return DriverOf(info)->Open(info, table_name_, read_only_);
}

bool TTable::Exists() const {
  if (table_name_.empty()) return false;
  const TDatabaseInfo info = Session()->ResolveDatabase(database_name_);
  return DriverOf(info)->Exists(info, table_name_);
}

void TTable::CreateTable(const std::vector<TFieldDef>& fields,
                         const std::vector<std::string>& unique_key,
                         const std::vector<std::string>& unique_fields) {
  CheckInactive();
  if (table_name_.empty()) throw EDatabaseError("No table name given");
  if (fields.empty()) throw EDatabaseError("A table needs at least one field");
  const TDatabaseInfo info = Session()->ResolveDatabase(database_name_);
  db::Driver* d = DriverOf(info);
  if (d->Exists(info, table_name_)) throw EDatabaseError("Table already exists: " + table_name_);
  // Another program may have made it since the look above: the same answer.
  if (!d->Create(info, table_name_, fields, unique_key, unique_fields))
    throw EDatabaseError("Table already exists: " + table_name_);
}

void TTable::DeleteTable() {
  CheckInactive();
  if (table_name_.empty()) throw EDatabaseError("No table name given");
  const TDatabaseInfo info = Session()->ResolveDatabase(database_name_);
  DriverOf(info)->Drop(info, table_name_);
}

}  // namespace orv
