// The designer interfaces: which editor applies where, what editors do to
// components, and a package loaded from a real shared library.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <orv/host/designintf/designintf.h>
#include <orv/host/designintf/package.h>
#include <orv/host/forms/stdctrls.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {

// A small class family to register editors for.
class TPart : public TComponent {
  ORV_CLASS(TPart, TComponent)
 public:
  explicit TPart(TComponent* owner) : TComponent(owner) {}
  std::string Mask, Alias, Note;
  enum TKind { pkPlain, pkFancy } Kind = pkPlain;
  bool Active = false;
};
class TSubPart : public TPart {
  ORV_CLASS(TSubPart, TPart)
 public:
  using TPart::TPart;
};
class TSubSubPart : public TSubPart {
  ORV_CLASS(TSubSubPart, TSubPart)
 public:
  using TSubPart::TSubPart;
};

const TClassInfo& TPart::StaticClassInfo() {
  static const TClassInfo info = Published<TPart>()
                                     .Property("Mask", &TPart::Mask)
                                     .Property("Alias", &TPart::Alias)
                                     .Property("Note", &TPart::Note)
                                     .Property("Kind", &TPart::Kind, {"pkPlain", "pkFancy"})
                                     .Property("Active", &TPart::Active);
  return info;
}
const TClassInfo& TSubPart::StaticClassInfo() {
  static const TClassInfo info = Published<TSubPart>();
  return info;
}
const TClassInfo& TSubSubPart::StaticClassInfo() {
  static const TClassInfo info = Published<TSubSubPart>();
  return info;
}

namespace {

// An editor that names itself in its one verb.
template <int N>
class TNamedEditor : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;
  int GetVerbCount() override { return 1; }
  std::string GetVerb(int) override { return "editor " + std::to_string(N); }
};

template <int N>
class TNamedProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  TPropertyAttributes GetAttributes() override { return {paValueList}; }
  void GetValues(const TGetStrProc& proc) override { proc("property editor " + std::to_string(N)); }
};

std::string EditorName(TComponentEditor& e) { return e.GetVerbCount() ? e.GetVerb(0) : "default"; }

std::string PropertyEditorName(TPropertyEditor& e) {
  std::string name = e.ClassName();
  e.GetValues([&](const std::string& s) {
    if (s.rfind("property editor", 0) == 0) name = s;  // the test editors name themselves
  });
  return name;
}

class DesignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    // Registrations of this test belong to a package of its own and go at the end.
    SetRegisteringPackage(kTestRegistrations);
  }
  void TearDown() override {
    SetRegisteringPackage(0);
    UnregisterPackage(kTestRegistrations);
  }
  static constexpr int kTestRegistrations = 1000;  // an id no loaded package gets in these tests
  TComponentPtr<TComponent> owner_{new TComponent(nullptr)};
};

TEST_F(DesignTest, MostSpecificComponentEditorWinsAndLaterOverEarlier) {
  RegisterComponentEditor(&TPart::StaticClassInfo(), ComponentEditorClass<TNamedEditor<1>>());
  RegisterComponentEditor(&TSubPart::StaticClassInfo(), ComponentEditorClass<TNamedEditor<2>>());
  RegisterComponentEditor(&TPart::StaticClassInfo(), ComponentEditorClass<TNamedEditor<3>>());
  // Legend: component -> the editor that applies.
  struct Row {
    TComponent* component;
    const char* editor;
  };
  const Row rows[] = {
      {new TPart(owner_.get()), "editor 3"},        // the later of two for its class
      {new TSubPart(owner_.get()), "editor 2"},     // its own class beats the base's
      {new TSubSubPart(owner_.get()), "editor 2"},  // the nearest base
      {new TComponent(owner_.get()), "default"},    // none registered
  };
  TCountingDesigner designer;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.component->ClassName());
    auto editor = GetComponentEditor(r.component, &designer);
    EXPECT_EQ(EditorName(*editor), r.editor);
    EXPECT_EQ(editor->Component(), r.component);
    EXPECT_EQ(editor->Designer(), &designer);
  }
}

TEST_F(DesignTest, PropertyEditorLookupRanksClassThenNameThenOrder) {
  const PTypeInfo text = TypeInfo<std::string>();
  RegisterPropertyEditor(text, nullptr, "", PropertyEditorClass<TNamedProperty<1>>());  // any text
  RegisterPropertyEditor(text, nullptr, "Note",
                         PropertyEditorClass<TNamedProperty<2>>());  // any Note
  RegisterPropertyEditor(text, &TPart::StaticClassInfo(), "Mask",
                         PropertyEditorClass<TNamedProperty<3>>());
  RegisterPropertyEditor(text, &TSubPart::StaticClassInfo(), "",
                         PropertyEditorClass<TNamedProperty<4>>());
  RegisterPropertyEditor(text, &TPart::StaticClassInfo(), "Alias",
                         PropertyEditorClass<TNamedProperty<5>>());
  RegisterPropertyEditor(text, &TPart::StaticClassInfo(), "Alias",
                         PropertyEditorClass<TNamedProperty<6>>());
  RegisterPropertyEditor(TypeInfo<int>(), nullptr, "Mask",
                         PropertyEditorClass<TNamedProperty<7>>());
  // Legend: component, property -> the editor that applies.
  struct Row {
    TComponent* component;
    const char* property;
    const char* editor;
  };
  auto* part = new TPart(owner_.get());
  auto* sub = new TSubPart(owner_.get());
  auto* subsub = new TSubSubPart(owner_.get());
  auto* label = new TLabel(owner_.get());
  const Row rows[] = {
      {part, "Mask", "property editor 3"},      // class and name
      {part, "Note", "property editor 2"},      // a name beats the type alone
      {part, "Alias", "property editor 6"},     // the later of two equal ones
      {sub, "Mask", "property editor 4"},       // a nearer class beats a name on a farther one
      {subsub, "Note", "property editor 4"},    // any class beats none
      {label, "Caption", "property editor 1"},  // the type alone
      {part, "Kind", "TEnumProperty"},          // built-in: enumerations
      {part, "Active", "TEnumProperty"},        // built-in: booleans
      {label, "Left", "TPropertyEditor"},  // built-in: the rest (the int registration names Mask)
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.component->ClassName()) + "." + r.property);
    auto editor = GetPropertyEditor({r.component}, r.property, nullptr);
    EXPECT_EQ(PropertyEditorName(*editor), r.editor);
    EXPECT_EQ(editor->GetName(), r.property);
  }
  try {
    GetPropertyEditor({part}, "Nothing", nullptr);
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Nothing does not exist");
  }
}

TEST_F(DesignTest, PropertyEditorsReadAndWriteEverySelectedComponent) {
  auto* a = new TPart(owner_.get());
  auto* b = new TPart(owner_.get());
  a->Mask = "AB##";
  TCountingDesigner designer;
  auto editor = GetPropertyEditor({a, b}, "Mask", &designer);
  EXPECT_EQ(editor->PropCount(), 2);
  EXPECT_EQ(editor->GetComponent(0), a);
  EXPECT_EQ(editor->GetComponent(1), b);
  EXPECT_EQ(editor->GetValue(), "AB##");
  EXPECT_TRUE(editor->GetAttributes().Contains(paMultiSelect));
  EXPECT_FALSE(editor->GetAttributes().Contains(paValueList));
  editor->SetValue("X-$$");
  EXPECT_EQ(a->Mask, "X-$$");
  EXPECT_EQ(b->Mask, "X-$$");
  EXPECT_EQ(designer.modified, 1);
  try {
    editor->GetComponent(2);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  // A value list editor's Edit steps to the next value, round at the end.
  auto kind = GetPropertyEditor({a}, "Kind", &designer);
  std::vector<std::string> values;
  kind->GetValues([&](const std::string& s) { values.push_back(s); });
  EXPECT_EQ(values, (std::vector<std::string>{"pkPlain", "pkFancy"}));
  EXPECT_TRUE(kind->GetAttributes().Contains(paSortList));
  kind->Edit();
  EXPECT_EQ(a->Kind, TPart::pkFancy);
  kind->Edit();
  EXPECT_EQ(a->Kind, TPart::pkPlain);
}

TEST_F(DesignTest, ComponentEditorDefaultActionRunsTheFirstVerb) {
  struct Verbs : TComponentEditor {
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() override { return 2; }
    std::string GetVerb(int i) override { return i ? "Setup  &DB" : "Edit &Mask"; }
    void ExecuteVerb(int i) override {
      ran.push_back(i);
      Designer()->Modified();
    }
    std::vector<int> ran;
  };
  TCountingDesigner designer;
  Verbs v(new TPart(owner_.get()), &designer);
  v.Edit();
  EXPECT_EQ(v.ran, std::vector<int>{0});
  EXPECT_EQ(designer.modified, 1);
  TComponentEditor plain(v.Component(), &designer);
  plain.Edit();  // no verbs: nothing
  EXPECT_EQ(designer.modified, 1);
}

TEST_F(DesignTest, PaletteKeepsPagesAndClassesInOrder) {
  RegisterComponents("Orv", {&TPart::StaticClassInfo(), &TSubPart::StaticClassInfo()});
  RegisterComponents("Extra", {&TSubSubPart::StaticClassInfo()});
  RegisterComponents("orv", {&TPart::StaticClassInfo()});  // already there (pages ignore case)
  const auto pages = PalettePages();
  ASSERT_GE(pages.size(), 2u);
  EXPECT_EQ(PaletteClasses("Orv"), (std::vector<TComponentClass>{&TPart::StaticClassInfo(),
                                                                 &TSubPart::StaticClassInfo()}));
  EXPECT_EQ(PaletteClasses("Extra"), std::vector<TComponentClass>{&TSubSubPart::StaticClassInfo()});
  // On the palette means known to form files.
  TComponent* made = CreateComponent("TSubSubPart", owner_.get());
  EXPECT_STREQ(made->ClassName(), "TSubSubPart");
}

// ---- packages -----------------------------------------------------------------

TEST(PackageTest, ALoadedPackageRegistersItsComponentsAndEditors) {
  testing::StartApplication();
  auto package = LoadPackage(ORV_TEST_PACKAGE);
  EXPECT_EQ(PaletteClasses("Orv").size(), 1u);
  ASSERT_FALSE(PaletteClasses("Orv").empty());
  EXPECT_EQ(PaletteClasses("Orv")[0]->Name(), "TStamp");
  // The package's class is made by name, its editors apply to it.
  TComponentPtr<TComponent> owner(new TComponent(nullptr));
  TComponent* stamp = CreateComponent("TStamp", owner.get());
  TCountingDesigner designer;
  auto editor = GetComponentEditor(stamp, &designer);
  ASSERT_EQ(editor->GetVerbCount(), 2);
  EXPECT_EQ(editor->GetVerb(0), "&Count up");
  editor->ExecuteVerb(0);
  editor->Edit();
  EXPECT_EQ(GetPropText(*stamp, "Count"), "2");
  EXPECT_EQ(designer.modified, 2);
  auto mask = GetPropertyEditor({stamp}, "Mask", &designer);
  EXPECT_TRUE(mask->GetAttributes().Contains(paDialog));
  mask->Edit();
  EXPECT_EQ(GetPropText(*stamp, "Mask"), "#");
  // Unloading takes the registrations away; the class stays known.
  UnloadPackage(package);
  EXPECT_TRUE(PaletteClasses("Orv").empty());
  EXPECT_EQ(GetComponentEditor(stamp, &designer)->GetVerbCount(), 0);
  EXPECT_STREQ(GetPropertyEditor({stamp}, "Mask", &designer)->ClassName(), "TStringProperty");
}

TEST(PackageTest, ABadPackageIsRefusedWithItsReason) {
  // Legend: path -> the start of the message.
  struct Row {
    std::string path;
    std::string message;
  };
  const Row rows[] = {
      {"/nonexistent/orv_nothing.so", "Cannot load package /nonexistent/orv_nothing.so: "},
      {"libm.so.6", "Package libm.so.6 has no registration entry"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    try {
      LoadPackage(r.path);
      FAIL();
    } catch (const EPackageError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, r.message.size()), r.message);
    }
  }
}

}  // namespace
}  // namespace orv
