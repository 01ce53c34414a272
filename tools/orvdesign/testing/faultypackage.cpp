// A design package whose code fails in every way a package can, for the
// designer's tests: setters that raise or show an error box, a constructor
// that raises, editors that change the form and then raise.
#include <orv/host/designintf/designintf.h>
#include <orv/host/designintf/package.h>
#include <orv/host/rtl/dialogs.h>

namespace orv {

// Limit refuses negative numbers by raising; Level refuses values above 10
// with an error box (as components that show their own messages do) and
// keeps them anyway, so only the designer's refusal can undo it.
class TPart : public TComponent {
  ORV_CLASS(TPart, TComponent)
 public:
  explicit TPart(TComponent* owner) : TComponent(owner) {}
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& m) { mask_ = m; }
  const std::string& Alias() const { return alias_; }
  void SetAlias(const std::string& a) { alias_ = a; }
  int Limit() const { return limit_; }
  void SetLimit(int v) {
    if (v < 0) throw Exception("Limit must not be negative");
    limit_ = v;
  }
  int Level() const { return level_; }
  void SetLevel(int v) {
    level_ = v;
    if (v > 10) MessageBox("Level must be 10 or less", "Part", MB_OK | MB_ICONERROR);
  }

 private:
  std::string mask_, alias_;
  int limit_ = 0, level_ = 0;
};

const TClassInfo& TPart::StaticClassInfo() {
  static const TClassInfo info = Published<TPart>()
                                     .Property("Mask", &TPart::Mask, &TPart::SetMask)
                                     .Property("Alias", &TPart::Alias, &TPart::SetAlias)
                                     .Property("Limit", &TPart::Limit, &TPart::SetLimit)
                                     .Default(0)
                                     .Property("Level", &TPart::Level, &TPart::SetLevel)
                                     .Default(0);
  return info;
}

// Its constructor raises: placing one must leave the form as it was.
class TBrokenPart : public TComponent {
  ORV_CLASS(TBrokenPart, TComponent)
 public:
  explicit TBrokenPart(TComponent* owner) : TComponent(owner) {
    throw Exception("TBrokenPart cannot be made");
  }
};
const TClassInfo& TBrokenPart::StaticClassInfo() {
  static const TClassInfo info = Published<TBrokenPart>();
  return info;
}

// Verbs: "&Grow" adds one to Limit; "&Break" changes the mask, then raises.
class TPartEditor : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;
  const char* ClassName() const override { return "TPartEditor"; }
  int GetVerbCount() override { return 3; }
  std::string GetVerb(int index) override {
    return index == 0 ? "&Grow" : index == 1 ? "&Break" : "&Nothing";
  }
  void ExecuteVerb(int index) override {
    auto* p = static_cast<TPart*>(Component());
    if (index == 0) p->SetLimit(p->Limit() + 1);
    if (index == 1) {
      p->SetMask("broken");
      throw Exception("the verb broke down");
    }
    Designer()->Modified();  // also for "&Nothing", which changes nothing
  }
};

// Mask: a dialog editor that appends "#", or raises after changing the mask
// when the mask is "fail".
class TPartMaskProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TPartMaskProperty"; }
  TPropertyAttributes GetAttributes() override { return {paDialog}; }
  void Edit() override {
    const std::string now = GetValue();
    SetValue(now + "#");
    if (now == "fail") throw Exception("the dialog failed");
  }
};

// Alias: a value list that fails while the mask is "fail".
class TPartAliasProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  const char* ClassName() const override { return "TPartAliasProperty"; }
  TPropertyAttributes GetAttributes() override { return {paValueList, paMultiSelect}; }
  void GetValues(const TGetStrProc& proc) override {
    if (static_cast<TPart*>(GetComponent(0))->Mask() == "fail") throw Exception("no aliases today");
    proc("Local");
    proc("Office");
  }
};

}  // namespace orv

ORV_PACKAGE_ENTRY {
  using namespace orv;
  RegisterComponents("Parts", {&TPart::StaticClassInfo(), &TBrokenPart::StaticClassInfo()});
  RegisterPropertyEditor(TypeInfo<std::string>(), &TPart::StaticClassInfo(), "Mask",
                         PropertyEditorClass<TPartMaskProperty>());
  RegisterPropertyEditor(TypeInfo<std::string>(), &TPart::StaticClassInfo(), "Alias",
                         PropertyEditorClass<TPartAliasProperty>());
  RegisterComponentEditor(&TPart::StaticClassInfo(), ComponentEditorClass<TPartEditor>());
}
