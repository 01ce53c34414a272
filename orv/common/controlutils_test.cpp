// The control collector on a real form built from its layout (the window
// layer's sample form, every kind of control), and the data-source accessors
// on every data-aware control class and on a plain edit.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <orv/common/orvutils.h>
#include <orv/host/classes/lists.h>
#include <orv/host/db/datasource.h>
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/sample/sampleform.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

std::vector<std::string> Names(const TList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i)
    names.push_back(static_cast<TComponent*>(list.Items(i))->Name());
  return names;
}

bool All(TWinControl*) { return true; }
bool NoButtons(TWinControl* c) { return c->Name().find("btn") == std::string::npos; }
bool NotForm(TWinControl* c) { return c->Name() != "SampleForm"; }
bool RaiseAtPanel1(TWinControl* c) {
  if (c->Name() == "Panel1") throw Exception("filter failed");
  return true;
}
bool RaiseAtPanelEdit(TWinControl* c) {
  if (c->Name() == "PanelEdit") throw std::runtime_error("filter failed");
  return true;
}
bool RaiseAtRoot(TWinControl* c) {
  if (c->Name() == "SampleForm") throw 42;  // anything at all
  return true;
}

class ControlCollectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    form_.reset(new TSampleForm(Application()));
    // A panel inside the layout's panel, holding an edit and a label: one level deeper.
    inner_ = new TPanel(form_.get());
    inner_->SetName("Inner");
    inner_->SetParent(form_->Panel1);
    auto* edit = new TEdit(form_.get());
    edit->SetName("InnerEdit");
    edit->SetParent(inner_);
    auto* label = new TLabel(form_.get());
    label->SetName("InnerLabel");
    label->SetParent(inner_);
  }
  TComponentPtr<TSampleForm> form_;
  TPanel* inner_ = nullptr;
};

TEST_F(ControlCollectorTest, WindowedControlsDepthFirstEachParentBeforeItsChildren) {
  struct Row {
    const char* what;
    TCConditionFunction filter;
    std::vector<std::string> names;
  };
  const Row rows[] = {
      {"all",
       All,
       {"SampleForm", "Edit1", "RG", "Combo", "Panel1", "PanelEdit", "Inner", "InnerEdit",
        "PlusBtn", "CheckBtn", "Okbtn", "Cancelbtn"}},
      {"no buttons",
       NoButtons,
       {"SampleForm", "Edit1", "RG", "Combo", "Panel1", "PanelEdit", "Inner", "InnerEdit",
        "PlusBtn", "CheckBtn"}},
      {"the rejected root's children still come",
       NotForm,
       {"Edit1", "RG", "Combo", "Panel1", "PanelEdit", "Inner", "InnerEdit", "PlusBtn", "CheckBtn",
        "Okbtn", "Cancelbtn"}},
      {"raising at a child skips its subtree only",
       RaiseAtPanel1,
       {"SampleForm", "Edit1", "RG", "Combo", "PlusBtn", "CheckBtn", "Okbtn", "Cancelbtn"}},
      {"raising at a grandchild",
       RaiseAtPanelEdit,
       {"SampleForm", "Edit1", "RG", "Combo", "Panel1", "Inner", "InnerEdit", "PlusBtn", "CheckBtn",
        "Okbtn", "Cancelbtn"}},
      {"raising at the root ends the walk", RaiseAtRoot, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TList list;
    list.Add(this);  // cleared first
    LoadAllControlsInAList(form_.get(), &list, row.filter);
    EXPECT_EQ(Names(list), row.names);
  }
  // A panel as the root: its own subtree, labels never listed.
  TList list;
  LoadAllControlsInAList(form_->Panel1, &list, All);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Panel1", "PanelEdit", "Inner", "InnerEdit"}));
}

TEST_F(ControlCollectorTest, AbsentFilterListOrParentLeaveTheListAsItWas) {
  TList list;
  list.Add(this);
  LoadAllControlsInAList(form_.get(), &list,
                         nullptr);  // no filter: nothing collected, not even cleared
  EXPECT_EQ(list.Count(), 1);
  LoadAllControlsInAList(nullptr, &list, All);  // no parent: no crash, list unchanged
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0), this);
  LoadAllControlsInAList(form_.get(), nullptr, All);
}

TEST_F(ControlCollectorTest, ComponentCollectorOnTheFormListsEverythingItOwns) {
  TList list;
  LoadAllComponentsInAList(form_.get(), &list, nullptr);
  std::vector<std::string> expected = {"SampleForm"};
  for (int i = 0; i < form_->ComponentCount(); ++i)
    expected.push_back(form_->Components(i)->Name());
  EXPECT_EQ(Names(list), expected);
  // Labels are components too.
  EXPECT_NE(std::find(expected.begin(), expected.end(), "PanelLabel"), expected.end());
  EXPECT_NE(std::find(expected.begin(), expected.end(), "InnerLabel"), expected.end());
}

// Every listed data-aware class, and a class derived from one.
class TMyDBEdit : public TDBEdit {
 public:
  using TDBEdit::TDBEdit;
};

TEST(DataSourceAccessTest, EveryDataAwareClassAndAPlainEdit) {
  testing::StartApplication();
  TComponentPtr<TForm> form(new TForm(Application()));
  auto* source = new TDataSource(form.get());
  auto* other = new TDataSource(form.get());
  struct Row {
    const char* cls;
    std::function<TWinControl*(TComponent*)> make;
    std::function<TDataSource*(TWinControl*)> own;  // the class's own property
  };
  auto row = [](const char* cls, auto make) -> Row {
    using T = std::remove_pointer_t<decltype(make(nullptr))>;
    return {cls, [make](TComponent* o) -> TWinControl* { return make(o); },
            [](TWinControl* c) { return static_cast<T*>(c)->DataSource(); }};
  };
  const Row rows[] = {
      row("TDBEdit", [](TComponent* o) { return new TDBEdit(o); }),
      row("TDBGrid", [](TComponent* o) { return new TDBGrid(o); }),
      row("TDBMemo", [](TComponent* o) { return new TDBMemo(o); }),
      row("TDBImage", [](TComponent* o) { return new TDBImage(o); }),
      row("TDBListBox", [](TComponent* o) { return new TDBListBox(o); }),
      row("TDBComboBox", [](TComponent* o) { return new TDBComboBox(o); }),
      row("TDBCheckBox", [](TComponent* o) { return new TDBCheckBox(o); }),
      row("TDBRadioGroup", [](TComponent* o) { return new TDBRadioGroup(o); }),
      row("TDBLookupListBox", [](TComponent* o) { return new TDBLookupListBox(o); }),
      row("TDBLookupComboBox", [](TComponent* o) { return new TDBLookupComboBox(o); }),
      row("TDBCtrlGrid", [](TComponent* o) { return new TDBCtrlGrid(o); }),
      row("derived from TDBEdit", [](TComponent* o) { return new TMyDBEdit(o); }),
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.cls);
    TWinControl* c = r.make(form.get());
    EXPECT_EQ(GetControlDataSource(c), nullptr);
    SetControlDataSource(c, source);
    EXPECT_EQ(r.own(c), source);
    EXPECT_EQ(GetControlDataSource(c), source);
    SetControlDataSource(c, other);
    EXPECT_EQ(GetControlDataSource(c), other);
    SetControlDataSource(c, nullptr);  // detaches
    EXPECT_EQ(r.own(c), nullptr);
    EXPECT_EQ(GetControlDataSource(c), nullptr);
    SetControlDataSource(c, source);
  }
  // A plain edit is not data-aware: none, and setting does nothing and raises nothing.
  auto* edit = new TEdit(form.get());
  EXPECT_EQ(GetControlDataSource(edit), nullptr);
  EXPECT_NO_THROW(SetControlDataSource(edit, source));
  EXPECT_EQ(GetControlDataSource(edit), nullptr);
  EXPECT_EQ(GetControlDataSource(nullptr), nullptr);
  EXPECT_NO_THROW(SetControlDataSource(nullptr, source));
  // Freeing the data source unlinks the controls.
  source->Free();
  for (int i = 0; i < form->ComponentCount(); ++i) {
    if (auto* c = dynamic_cast<TWinControl*>(form->Components(i))) {
      EXPECT_EQ(GetControlDataSource(c), nullptr) << c->ClassName();
    }
  }
}

}  // namespace
}  // namespace orv
