// The designer's registration interfaces: the component palette, component
// editors (context-menu verbs of a component), property editors (how one
// property is shown and edited) and preview providers (what the preview pane
// shows for a selected component), and the lookup of the one that applies
// to a component or to one of its properties.
//
// Lookup rules: a component editor or preview provider registered for a class
// applies to the class and its descendants; the most specific class wins, and
// among equally specific registrations the later one. A property editor registration names
// a property type, optionally a component class (then it applies to that
// class and its descendants) and optionally a property name; a registration
// with a class beats one without, a more specific class beats a less specific
// one, a named one beats an unnamed one, and among equals the later wins.
// Without a registration the built-in editors apply (TStringProperty for
// texts, TEnumProperty for enumerations and booleans, TComponentProperty for
// component references, TPropertyEditor else).
//
// A design property is a text a class keeps in its form file by itself
// (DefineProperties) rather than as a published property: registered with
// its getter and setter, the designer shows and sets it like a published one,
// and property editors are registered for it by name as for any text.
//
// Registrations made while a package's registration entry runs belong to
// that package and go when it is unloaded (host/designintf/package.h).
// Main thread only; the registries are not synchronised.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/host/classes/typinfo.h>

namespace orv {

// What editors tell the designer.
class IDesigner {
 public:
  virtual ~IDesigner() = default;
  // The form being designed has changed (it must be saved, its views redrawn).
  virtual void Modified() = 0;
};

// A designer that counts Modified calls (tools and tests).
class TCountingDesigner : public IDesigner {
 public:
  void Modified() override { ++modified; }
  int modified = 0;
};

// ---- palette ------------------------------------------------------------------

using TComponentClass = const TClassInfo*;

// Puts classes on palette page (in order, after what the page holds) and makes
// them known to form files. A class already on the page stays where it is.
void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes);
// The pages in the order they were first used, and the classes of one page.
std::vector<std::string> PalettePages();
std::vector<TComponentClass> PaletteClasses(const std::string& page);

// ---- component editors ----------------------------------------------------------

class TComponentEditor : public TObject {
 public:
  TComponentEditor(TComponent* component, IDesigner* designer)
      : component_(component), designer_(designer) {}
  const char* ClassName() const override { return "TComponentEditor"; }

  // The default action (a double click): the first verb, when there is one.
  virtual void Edit();
  // Runs verb index (0 <= index < GetVerbCount()).
  virtual void ExecuteVerb(int index) { (void)index; }
  // The menu text of verb index ("&" marks the accelerator).
  virtual std::string GetVerb(int index) {
    (void)index;
    return "";
  }
  virtual int GetVerbCount() { return 0; }

  TComponent* Component() const { return component_; }
  IDesigner* Designer() const { return designer_; }

 private:
  TComponent* component_;
  IDesigner* designer_;
};

// Makes an editor for a component: what RegisterComponentEditor takes.
using TComponentEditorClass =
    std::function<std::unique_ptr<TComponentEditor>(TComponent*, IDesigner*)>;
template <class E>
TComponentEditorClass ComponentEditorClass() {
  return [](TComponent* c, IDesigner* d) -> std::unique_ptr<TComponentEditor> {
    return std::make_unique<E>(c, d);
  };
}

void RegisterComponentEditor(TComponentClass component_class, TComponentEditorClass editor_class);
// The editor for component (the base TComponentEditor when none is registered).
// REQUIRES: component is not null.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* component, IDesigner* designer);

// ---- property editors ------------------------------------------------------------

enum TPropertyAttribute {
  paValueList,
  paSubProperties,
  paDialog,
  paMultiSelect,
  paAutoUpdate,
  paSortList,
  paReadOnly,
  paRevertable
};
using TPropertyAttributes = TSet<TPropertyAttribute>;
using TGetStrProc = std::function<void(const std::string&)>;

// The type of a property as registrations name it: TypeInfo<std::string>().
using PTypeInfo = std::type_index;
template <class T>
PTypeInfo TypeInfo() {
  return typeid(T);
}

// Edits one property of the selected components (at least one).
class TPropertyEditor : public TObject {
 public:
  TPropertyEditor(IDesigner* designer, std::vector<TComponent*> components, const TPropInfo* prop)
      : designer_(designer), components_(std::move(components)), prop_(prop) {}
  const char* ClassName() const override { return "TPropertyEditor"; }

  virtual TPropertyAttributes GetAttributes() { return {paRevertable}; }
  // Offers each value of the drop-down list to proc.
  virtual void GetValues(const TGetStrProc& proc) { (void)proc; }
  // The dialog (paDialog), or the next value of the list (paValueList).
  virtual void Edit();
  // The value of the first selected component, as text.
  virtual std::string GetValue();
  // Sets text into every selected component, then tells the designer.
  // Raises the property's own errors (EPropertyError for a bad text).
  virtual void SetValue(const std::string& value);

  // The selected component index (0 is the first).
  // Raises Exception "List index out of bounds (i)" unless 0 <= index < PropCount().
  TComponent* GetComponent(int index) const;
  int PropCount() const { return static_cast<int>(components_.size()); }
  const TPropInfo* GetPropInfo() const { return prop_; }
  const std::string& GetName() const { return prop_->name; }
  IDesigner* Designer() const { return designer_; }
  void Modified() {
    if (designer_) designer_->Modified();
  }

 protected:
  std::string GetStrValue();
  void SetStrValue(const std::string& value);

 private:
  IDesigner* designer_;
  std::vector<TComponent*> components_;
  const TPropInfo* prop_;
};

// A text property: the same text may be set into several components at once.
class TStringProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  const char* ClassName() const override { return "TStringProperty"; }
  TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
};

// An enumeration or boolean: a sorted list of its identifiers.
class TEnumProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  const char* ClassName() const override { return "TEnumProperty"; }
  TPropertyAttributes GetAttributes() override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
  void GetValues(const TGetStrProc& proc) override;
};

// A component reference: a value list of the components of the referring
// component's owner (and the owner itself) that the reference accepts, by
// name, after kNoComponent; the empty text or kNoComponent clears it.
inline constexpr const char* kNoComponent = "(none)";
class TComponentProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  const char* ClassName() const override { return "TComponentProperty"; }
  TPropertyAttributes GetAttributes() override {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
  }
  void GetValues(const TGetStrProc& proc) override;
  // Raises EPropertyError "DataSource: X is not a TDataSource of this form"
  // (the reference's class, or "component" when it is not known) unless text
  // is a value of the list.
  void SetValue(const std::string& value) override;
};

using TPropertyEditorClass = std::function<std::unique_ptr<TPropertyEditor>(
    IDesigner*, std::vector<TComponent*>, const TPropInfo*)>;
template <class E>
TPropertyEditorClass PropertyEditorClass() {
  return [](IDesigner* d, std::vector<TComponent*> cs,
            const TPropInfo* p) -> std::unique_ptr<TPropertyEditor> {
    return std::make_unique<E>(d, std::move(cs), p);
  };
}

// component_class null: any class; property_name empty: any property of the type.
void RegisterPropertyEditor(PTypeInfo property_type, TComponentClass component_class,
                            const std::string& property_name, TPropertyEditorClass editor_class);
// The editor for the property property_name of the selected components (the
// first one's property). Raises EPropertyError "Property X does not exist".
// REQUIRES: components holds at least one component.
std::unique_ptr<TPropertyEditor> GetPropertyEditor(const std::vector<TComponent*>& components,
                                                   const std::string& property_name,
                                                   IDesigner* designer);

// ---- design properties --------------------------------------------------------------

// Registers the design property name of component_class and its descendants.
// Raises Exception when a class, getter or setter is missing.
void RegisterDesignProperty(TComponentClass component_class, const std::string& name,
                            std::function<std::string(const TComponent&)> getter,
                            std::function<void(TComponent&, const std::string&)> setter);
// The design properties of component (its class's and its ancestors'), in
// registration order; each a text property (TTypeKind::String).
std::vector<const TPropInfo*> DesignProperties(const TComponent& component);
// The published property of that name, else the design property; null when neither.
const TPropInfo* FindPropertyOrDesignProperty(const TComponent& component, const std::string& name);

// ---- previews ----------------------------------------------------------------------

// What the designer's preview pane shows while one component is selected:
// what the component will do when the program runs (the next keys of a
// generator), so that a setting can be checked without running anything.
class TPreviewProvider : public TObject {
 public:
  const char* ClassName() const override { return "TPreviewProvider"; }
  // The preview of component: 1251 text, each line ended by '\n'. Only reads
  // the component. May raise; the designer shows the message in the pane.
  virtual std::string Preview(TComponent& component) = 0;
};

using TPreviewProviderClass = std::function<std::unique_ptr<TPreviewProvider>()>;
template <class P>
TPreviewProviderClass PreviewProviderClass() {
  return []() -> std::unique_ptr<TPreviewProvider> { return std::make_unique<P>(); };
}

// Raises Exception when component_class or provider_class is empty.
void RegisterPreviewProvider(TComponentClass component_class, TPreviewProviderClass provider_class);
// The provider for component, or null when no registration applies.
// REQUIRES: component is not null.
std::unique_ptr<TPreviewProvider> GetPreviewProvider(TComponent* component);

// ---- package ownership of registrations ---------------------------------------------

// Registrations made from now on belong to package (0: to the host).
void SetRegisteringPackage(int package);
// Removes every registration of package.
void UnregisterPackage(int package);

}  // namespace orv
