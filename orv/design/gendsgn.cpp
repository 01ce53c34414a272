#include <orv/design/gendsgn.h>

#include <orv/common/uabt.h>
#include <orv/design/gendlg.h>
#include <orv/design/setupdlg.h>
#include <orv/host/classes/lists.h>
#include <orv/host/db/session.h>
#include <orv/host/forms/forms.h>

namespace orv {

namespace {

TGenerator* AsGenerator(TComponent* component) {
  auto* generator = dynamic_cast<TGenerator*>(component);
  if (!generator)
    throw Exception(std::string("Component ") + (component ? component->ClassName() : "(none)") +
                    " is not a TGenerator");
  return generator;
}

void OfferAll(const TStrings& list, const TGetStrProc& proc) {
  for (int i = 0; i < list.Count(); ++i) proc(list[i]);
}

}  // namespace

// ---- component editor ----------------------------------------------------------------

void TGComponentEditor::ExecuteVerb(int index) {
  switch (index) {
    case 0:
      gendsgn::ExecuteMaskDialog(AsGenerator(Component()));
      Designer()->Modified();
      break;
    case 1:
      gendsgn::ExecuteSetupDialog(AsGenerator(Component()));
      Designer()->Modified();
      break;
    case 2:
      ShowAboutBoxE(gendsgn::kAboutName, gendsgn::kAboutVersion);
      break;
    default:
      break;
  }
}

std::string TGComponentEditor::GetVerb(int index) {
  switch (index) {
    case 0:
      return "Edit &Mask";
    case 1:
      return "Setup  &DB";
    case 2:
      return "&About";
    default:
      return "";
  }
}

// ---- property editors -----------------------------------------------------------------

void TMaskPropertyEditor::Edit() { gendsgn::ExecuteMaskDialog(AsGenerator(GetComponent(0))); }

void TDBNamesPropertyEditor::GetValues(const TGetStrProc& proc) {
  TStringList names;
  Session()->GetAliasNames(names);
  OfferAll(names, proc);
}

void TTblNamesPropertyEditor::GetValues(const TGetStrProc& proc) {
  const std::string database = AsGenerator(GetComponent(0))->DataBaseName();
  if (database.empty()) {
    proc("");
    return;
  }
  TStringList names;
  Session()->GetTableNames(database, "", true, false, names);
  OfferAll(names, proc);
}

// ---- routines -----------------------------------------------------------------------------

namespace gendsgn {

void Register() {
  const PTypeInfo text = TypeInfo<std::string>();
  const TComponentClass generator = &TGenerator::StaticClassInfo();
  RegisterPropertyEditor(text, generator, "Mask", PropertyEditorClass<TMaskPropertyEditor>());
  RegisterPropertyEditor(text, generator, "tDataBaseName",
                         PropertyEditorClass<TDBNamesPropertyEditor>());
  RegisterPropertyEditor(text, generator, "tTableName",
                         PropertyEditorClass<TTblNamesPropertyEditor>());
  // The entries the setup dialog writes, shown and set like properties, with the same lists.
  RegisterDesignProperty(
      generator, "DataBaseName",
      [](const TComponent& c) { return AsGenerator(const_cast<TComponent*>(&c))->DataBaseName(); },
      [](TComponent& c, const std::string& v) { AsGenerator(&c)->SetDataBaseName(v); });
  RegisterDesignProperty(
      generator, "TableName",
      [](const TComponent& c) { return AsGenerator(const_cast<TComponent*>(&c))->TableName(); },
      [](TComponent& c, const std::string& v) { AsGenerator(&c)->SetTableName(v); });
  RegisterPropertyEditor(text, generator, "DataBaseName",
                         PropertyEditorClass<TDBNamesPropertyEditor>());
  RegisterPropertyEditor(text, generator, "TableName",
                         PropertyEditorClass<TTblNamesPropertyEditor>());
  RegisterComponentEditor(generator, ComponentEditorClass<TGComponentEditor>());
}

void ExecuteMaskDialog(TGenerator* generator) {
  TComponentPtr<TEMskDlg> dialog(new TEMskDlg(Application()));
  dialog->Edit1->SetText(generator->Mask());
  dialog->svEdit->SetText(generator->StartValue().str());
  dialog->evEdit->SetText(generator->EndValue().str());
  if (dialog->ShowModal() == mrOk) {
    // Each through its setter, the mask first, so the limits are checked against it.
    generator->SetMask(dialog->Edit1->Text());
    generator->SetStartValue(TmString(dialog->svEdit->Text()));
    generator->SetEndValue(TmString(dialog->evEdit->Text()));
  }
}

void ExecuteSetupDialog(TGenerator* generator) {
  TComponentPtr<TDBSetupDlg> dialog(new TDBSetupDlg(Application()));
  Session()->GetAliasNames(*dialog->DBName->Items());
  if (!generator->DataBaseName().empty()) {
    try {
      dialog->DBName->SetText(generator->DataBaseName());
      dialog->TblName->SetEnabled(true);
      Session()->GetTableNames(generator->DataBaseName(), "", true, false,
                               *dialog->TblName->Items());
      dialog->TblName->SetText(generator->TableName());
    } catch (const std::exception&) {
      // Stored names that lead nowhere: start from empty texts, say nothing.
      dialog->DBName->SetText("");
      dialog->TblName->SetText("");
    }
  }
  if (dialog->ShowModal() == mrOk) {
    generator->SetDataBaseName(dialog->DBName->Text());
    generator->SetTableName(dialog->TblName->Text());
  }
}

}  // namespace gendsgn
}  // namespace orv
