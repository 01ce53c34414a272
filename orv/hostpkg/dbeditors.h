// The property editors that let a designer wire data access without typing
// names: TDatabaseNameProperty (TTable.DatabaseName: the session's aliases),
// TTableNameProperty (TTable.TableName: the tables of the table's database)
// and TDataFieldProperty (DataField of any component: the fields of the
// dataset its DataSource links). Component references (DataSource, DataSet)
// need nothing here: the designer's TComponentProperty lists them.
//
// Errors: the lists raise the session's error for a database that cannot be
// opened (TTableNameProperty) and the table's for a dataset that cannot be
// opened (TDataFieldProperty). Every editor raises Exception when its
// component is not what it edits.
// Threading: the designer's main thread.
#pragma once

#include <orv/host/designintf/designintf.h>

namespace orv {

class TDatabaseNameProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TDatabaseNameProperty"; }
  TPropertyAttributes GetAttributes() override { return {paValueList, paSortList, paMultiSelect}; }
  void GetValues(const TGetStrProc& proc) override;
};

class TTableNameProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TTableNameProperty"; }
  TPropertyAttributes GetAttributes() override { return {paValueList, paSortList}; }
  // Nothing while the table names no database.
  void GetValues(const TGetStrProc& proc) override;
};

class TDataFieldProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TDataFieldProperty"; }
  TPropertyAttributes GetAttributes() override { return {paValueList, paSortList}; }
  // Nothing while no data source with a dataset is linked, or while its
  // table does not exist yet. A table is
  // opened apart (a copy of its names) to read its fields; the designed one
  // stays closed.
  void GetValues(const TGetStrProc& proc) override;
  // Raises EPropertyError "DataField: X is not a field of the linked dataset"
  // for a name the list lacks, once the list can be read; an empty text, or
  // any text while the dataset cannot be read, is taken as it is.
  void SetValue(const std::string& value) override;
};

namespace hostpkg {
// Registers the three editors (TTable's DatabaseName and TableName, any
// class's DataField).
void RegisterEditors();
}  // namespace hostpkg

}  // namespace orv
