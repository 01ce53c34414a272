#include <orv/hostpkg/dbeditors.h>

#include <algorithm>
#include <string>
#include <vector>

#include <orv/host/classes/lists.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/field.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

TTable* AsTable(TComponent* component) {
  auto* table = dynamic_cast<TTable*>(component);
  if (!table)
    throw Exception(std::string("Component ") + (component ? component->ClassName() : "(none)") +
                    " is not a TTable");
  return table;
}

}  // namespace

void TDatabaseNameProperty::GetValues(const TGetStrProc& proc) {
  TStringList names;
  Session()->GetAliasNames(names);
  for (int i = 0; i < names.Count(); ++i) proc(names[i]);
}

void TTableNameProperty::GetValues(const TGetStrProc& proc) {
  const std::string database = AsTable(GetComponent(0))->DatabaseName();
  if (database.empty()) return;
  TStringList names;
  Session()->GetTableNames(database, "", true, false, names);
  for (int i = 0; i < names.Count(); ++i) proc(names[i]);
}

void TDataFieldProperty::GetValues(const TGetStrProc& proc) {
  TComponent* component = GetComponent(0);
  const TPropInfo* link = ClassInfoOf(*component).FindProperty("DataSource");
  if (!link || link->kind != TTypeKind::Component)
    throw Exception(std::string("Component ") + component->ClassName() + " has no DataSource");
  auto* source = dynamic_cast<TDataSource*>(std::get<TComponent*>(link->get(*component)));
  TDataSet* dataset = source ? source->DataSet() : nullptr;
  if (!dataset) return;
  if (dataset->Active()) {
    for (int i = 0; i < dataset->FieldCount(); ++i) proc(dataset->Fields(i)->FieldName());
    return;
  }
  auto* designed = dynamic_cast<TTable*>(dataset);
  if (!designed || designed->DatabaseName().empty() || designed->TableName().empty()) return;
  TComponentPtr<TTable> table(new TTable(nullptr));
  table->SetDatabaseName(designed->DatabaseName());
  table->SetTableName(designed->TableName());
  table->SetReadOnly(true);
  if (!table->Exists()) return;  // not made yet: no fields to offer, and nothing wrong
  table->Open();
  for (int i = 0; i < table->FieldCount(); ++i) proc(table->Fields(i)->FieldName());
}

void TDataFieldProperty::SetValue(const std::string& value) {
  if (!value.empty()) {
    std::vector<std::string> fields;
    try {
      GetValues([&](const std::string& f) { fields.push_back(f); });
    } catch (const std::exception&) {
      fields.clear();  // a table not made yet: nothing to check the name against
    }
    if (!fields.empty() && std::none_of(fields.begin(), fields.end(), [&](const std::string& f) {
          return CompareText(f, value) == 0;
        }))
      throw EPropertyError(GetName() + ": " + value + " is not a field of the linked dataset");
  }
  TStringProperty::SetValue(value);
}

void hostpkg::RegisterEditors() {
  const PTypeInfo text = TypeInfo<std::string>();
  RegisterPropertyEditor(text, &TTable::StaticClassInfo(), "DatabaseName",
                         PropertyEditorClass<TDatabaseNameProperty>());
  RegisterPropertyEditor(text, &TTable::StaticClassInfo(), "TableName",
                         PropertyEditorClass<TTableNameProperty>());
  RegisterPropertyEditor(text, nullptr, "DataField", PropertyEditorClass<TDataFieldProperty>());
}

}  // namespace orv
