// The utilities that walk controls: the control collector and the data-source
// accessors of the data-aware controls (orv::common only).
#include <functional>

#include <orv/common/orvutils.h>
#include <orv/host/classes/lists.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/dbctrls.h>

namespace orv {

namespace {

void UploadControls(TControl* control, int count, TList* list, TCConditionFunction fun) {
  auto* win = dynamic_cast<TWinControl*>(control);
  if (!win) return;
  if (fun(win)) list->Add(win);
  for (int i = 0; i < count; ++i) {
    try {
      auto* child = dynamic_cast<TWinControl*>(win->Controls(i));
      if (child) UploadControls(child, child->ControlCount(), list, fun);
    } catch (...) {
      // This child's subtree is skipped; the walk goes on with the next.
    }
  }
}

// One class test of the data-source accessors: the data source of a control
// of that class (or null when the control is not one), and its setter.
struct DataSourceAccess {
  std::function<bool(TWinControl*, TDataSource**)> get;
  std::function<bool(TWinControl*, TDataSource*)> set;
};

template <class Tested, class Holder = Tested>
DataSourceAccess Access() {
  return {[](TWinControl* c, TDataSource** out) {
            auto* t = dynamic_cast<Tested*>(c);
            if (!t) return false;
            *out = static_cast<Holder*>(t)->DataSource();
            return true;
          },
          [](TWinControl* c, TDataSource* source) {
            auto* t = dynamic_cast<Tested*>(c);
            if (!t) return false;
            t->SetDataSource(source);
            return true;
          }};
}

// The eleven tests, in their order; every test that passes counts, so the
// last one that passes decides what the getter returns.
const std::vector<DataSourceAccess>& Tests() {
  static const std::vector<DataSourceAccess> tests = {
      Access<TDBEdit>(),
      Access<TDBGrid, TCustomDBGrid>(),
      Access<TDBMemo>(),
      Access<TDBImage>(),
      Access<TDBListBox>(),
      Access<TDBComboBox>(),
      Access<TDBCheckBox>(),
      Access<TDBRadioGroup>(),
      Access<TDBLookupListBox, TDBLookupControl>(),
      Access<TDBLookupComboBox, TDBLookupControl>(),
      Access<TDBCtrlGrid>(),
  };
  return tests;
}

}  // namespace

void LoadAllControlsInAList(TWinControl* Parent, TList* List, TCConditionFunction pFun) {
  // Without a parent there is no tree to walk: the list is left as it was,
  // as the component collector does.
  if (!List || !pFun || !Parent) return;
  List->Clear();
  try {
    UploadControls(Parent, Parent->ControlCount(), List, pFun);
  } catch (...) {
    // An error at the root ends the walk; the list keeps what was added.
  }
}

TDataSource* GetControlDataSource(TWinControl* Control) {
  TDataSource* result = nullptr;
  try {
    for (const DataSourceAccess& test : Tests()) {
      TDataSource* source = nullptr;
      if (test.get(Control, &source)) result = source;
    }
  } catch (...) {
    return nullptr;
  }
  return result;
}

void SetControlDataSource(TWinControl* Control, TDataSource* DataSource) {
  try {
    for (const DataSourceAccess& test : Tests()) test.set(Control, DataSource);
  } catch (...) {
    // Swallowed: the accessors report nothing.
  }
}

}  // namespace orv
