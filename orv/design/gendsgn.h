// Gendsgn: what makes TGenerator configurable in the form designer. Register
// adds one component editor and three property editors for TGenerator and
// its descendants:
//  - TGComponentEditor: the verbs "Edit &Mask" (the mask dialog), "Setup  &DB"
//    (the database setup dialog), both followed by the designer's Modified
//    whatever the dialog's result, and "&About" (the common library's about
//    box). The default action (a double click) stays the designer's own: the
//    first verb.
//  - TMaskPropertyEditor for "Mask": a dialog, the mask dialog; it does not
//    tell the designer about the change itself.
//  - TDBNamesPropertyEditor for "tDataBaseName" and TTblNamesPropertyEditor
//    for "tTableName": value lists of the session's aliases and of the tables
//    of the generator's DataBaseName, in the session's order. TGenerator
//    publishes neither name; a descendant that publishes them gets the lists.
//  - the design properties "DataBaseName" and "TableName": the entries the
//    setup dialog writes, shown and set like properties, with the same two
//    lists.
// ExecuteMaskDialog and ExecuteSetupDialog run one dialog for one generator
// and write the results back into it.
//
// Errors: a generator setter's error after the mask dialog (a malformed mask)
// ends ExecuteMaskDialog there, before any later value is written and before
// the verb's Modified; it reaches the designer. The table list of
// TTblNamesPropertyEditor raises the session's error for a database that
// cannot be opened. Presetting the setup dialog absorbs every error.
// Every editor raises Exception when its component is no TGenerator.
// Threading: the designer's main thread; the dialogs are modal.
#pragma once

#include <string>

#include <orv/host/designintf/designintf.h>
#include <orv/keygen/generator.h>

namespace orv {

class TGComponentEditor : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;
  const char* ClassName() const override { return "TGComponentEditor"; }
  // 0: the mask dialog; 1: the setup dialog; 2: the about box; else nothing.
  void ExecuteVerb(int index) override;
  std::string GetVerb(int index) override;
  int GetVerbCount() override { return 3; }
};

class TMaskPropertyEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TMaskPropertyEditor"; }
  void Edit() override;
  TPropertyAttributes GetAttributes() override { return {paDialog}; }
};

class TDBNamesPropertyEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TDBNamesPropertyEditor"; }
  TPropertyAttributes GetAttributes() override { return {paValueList}; }
  void GetValues(const TGetStrProc& proc) override;
};

class TTblNamesPropertyEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TTblNamesPropertyEditor"; }
  TPropertyAttributes GetAttributes() override { return {paValueList}; }
  // One empty value when the generator's DataBaseName is empty.
  void GetValues(const TGetStrProc& proc) override;
};

namespace gendsgn {

// The about box's texts for the third verb.
inline constexpr const char* kAboutName = "TGenerator";
inline constexpr const char* kAboutVersion = "Version 2.0";

// The editors' registrations, in this order: the Mask, tDataBaseName and
// tTableName property editors, the design properties DataBaseName and
// TableName with their editors, then the component editor.
void Register();

// Shows the mask dialog preset with the generator's Mask, StartValue and
// EndValue; after OK sets Mask, StartValue and EndValue through the
// generator's setters, in this order. REQUIRES: generator is not null.
void ExecuteMaskDialog(TGenerator* generator);
// Shows the setup dialog with the session's aliases, preset from the
// generator's DataBaseName and TableName; after OK stores both texts as they
// are. REQUIRES: generator is not null.
void ExecuteSetupDialog(TGenerator* generator);

}  // namespace gendsgn
}  // namespace orv
