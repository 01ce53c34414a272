// A package for the loader's tests: a stamp component on the palette page
// "Orv", its component editor (two verbs) and a dialog editor for its Mask.
#include <orv/host/designintf/designintf.h>
#include <orv/host/designintf/package.h>

namespace orv {

class TStamp : public TComponent {
  ORV_CLASS(TStamp, TComponent)
 public:
  explicit TStamp(TComponent* owner) : TComponent(owner) {}
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& m) { mask_ = m; }
  int Count() const { return count_; }
  void SetCount(int c) { count_ = c; }

 private:
  std::string mask_;
  int count_ = 0;
};

const TClassInfo& TStamp::StaticClassInfo() {
  static const TClassInfo info = Published<TStamp>()
                                     .Property("Mask", &TStamp::Mask, &TStamp::SetMask)
                                     .Property("Count", &TStamp::Count, &TStamp::SetCount)
                                     .Default(0);
  return info;
}

class TStampEditor : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;
  int GetVerbCount() override { return 2; }
  std::string GetVerb(int index) override { return index == 0 ? "&Count up" : "&Reset"; }
  void ExecuteVerb(int index) override {
    auto* s = static_cast<TStamp*>(Component());
    if (index == 0) s->SetCount(s->Count() + 1);
    if (index == 1) s->SetCount(0);
    if (index == 0 || index == 1) Designer()->Modified();
  }
};

class TStampMaskProperty : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  TPropertyAttributes GetAttributes() override { return {paDialog}; }
  void Edit() override { SetValue(GetValue() + "#"); }
};

}  // namespace orv

ORV_PACKAGE_ENTRY {
  using namespace orv;
  RegisterComponents("Orv", {&TStamp::StaticClassInfo()});
  RegisterPropertyEditor(TypeInfo<std::string>(), &TStamp::StaticClassInfo(), "Mask",
                         PropertyEditorClass<TStampMaskProperty>());
  RegisterComponentEditor(&TStamp::StaticClassInfo(), ComponentEditorClass<TStampEditor>());
}
