#include <orv/host/designintf/designintf.h>

#include <algorithm>
#include <memory>

#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

int g_package = 0;  // the package whose registration entry is running

struct PaletteEntry {
  std::string page;
  TComponentClass cls;
  int package;
};
struct ComponentEditorEntry {
  TComponentClass cls;
  TComponentEditorClass make;
  int package;
};
struct PropertyEditorEntry {
  PTypeInfo type;
  TComponentClass cls;
  std::string name;
  TPropertyEditorClass make;
  int package;
};

struct DesignPropertyEntry {
  TComponentClass cls;
  std::shared_ptr<TPropInfo> info;
  int package;
};

struct PreviewProviderEntry {
  TComponentClass cls;
  TPreviewProviderClass make;
  int package;
};

std::vector<PaletteEntry>& Palette() {
  static std::vector<PaletteEntry> v;
  return v;
}
std::vector<ComponentEditorEntry>& ComponentEditors() {
  static std::vector<ComponentEditorEntry> v;
  return v;
}
std::vector<PropertyEditorEntry>& PropertyEditors() {
  static std::vector<PropertyEditorEntry> v;
  return v;
}

std::vector<DesignPropertyEntry>& DesignPropertyEntries() {
  static std::vector<DesignPropertyEntry> v;
  return v;
}

bool IsDesignProperty(const TPropInfo* prop) {
  const auto& v = DesignPropertyEntries();
  return std::any_of(v.begin(), v.end(),
                     [&](const DesignPropertyEntry& e) { return e.info.get() == prop; });
}

std::vector<PreviewProviderEntry>& PreviewProviders() {
  static std::vector<PreviewProviderEntry> v;
  return v;
}

// How many steps from cls up to base (0: the same class).
int Distance(const TClassInfo* cls, const TClassInfo* base) {
  int d = 0;
  for (const TClassInfo* c = cls; c; c = c->Parent(), ++d)
    if (c == base) return d;
  return -1;
}

// The entry of the nearest class of component among entries registered by
// class (the later of equals), or null.
template <class Entry>
const Entry* Nearest(const std::vector<Entry>& entries, TComponent* component) {
  const TClassInfo& cls = ClassInfoOf(*component);
  const Entry* best = nullptr;
  int best_distance = 0;
  for (const Entry& e : entries) {
    const int d = Distance(&cls, e.cls);
    if (d < 0) continue;
    if (!best || d <= best_distance) {  // "<=": the later of equals wins
      best = &e;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace

// ---- palette ------------------------------------------------------------------

void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes) {
  for (TComponentClass cls : classes) {
    if (!cls) continue;
    RegisterClass(*cls);
    auto& v = Palette();
    const bool there = std::any_of(v.begin(), v.end(), [&](const PaletteEntry& e) {
      return e.cls == cls && CompareText(e.page, page) == 0;
    });
    if (!there) v.push_back({page, cls, g_package});
  }
}

std::vector<std::string> PalettePages() {
  std::vector<std::string> pages;
  for (const PaletteEntry& e : Palette())
    if (std::none_of(pages.begin(), pages.end(),
                     [&](const std::string& p) { return CompareText(p, e.page) == 0; }))
      pages.push_back(e.page);
  return pages;
}

std::vector<TComponentClass> PaletteClasses(const std::string& page) {
  std::vector<TComponentClass> out;
  for (const PaletteEntry& e : Palette())
    if (CompareText(e.page, page) == 0) out.push_back(e.cls);
  return out;
}

// ---- component editors ----------------------------------------------------------

void TComponentEditor::Edit() {
  if (GetVerbCount() > 0) ExecuteVerb(0);
}

void RegisterComponentEditor(TComponentClass component_class, TComponentEditorClass editor_class) {
  if (!component_class || !editor_class)
    throw Exception("RegisterComponentEditor needs a class and an editor");
  ComponentEditors().push_back({component_class, std::move(editor_class), g_package});
}

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* component, IDesigner* designer) {
  const ComponentEditorEntry* best = Nearest(ComponentEditors(), component);
  if (!best) return std::make_unique<TComponentEditor>(component, designer);
  return best->make(component, designer);
}

// ---- property editors ------------------------------------------------------------

TComponent* TPropertyEditor::GetComponent(int index) const {
  if (index < 0 || index >= PropCount())
    throw Exception("List index out of bounds (" + IntToStr(index) + ")");
  return components_[static_cast<size_t>(index)];
}

std::string TPropertyEditor::GetStrValue() {
  if (IsDesignProperty(prop_)) return std::get<std::string>(prop_->get(*components_.at(0)));
  return GetPropText(*components_.at(0), prop_->name);
}

void TPropertyEditor::SetStrValue(const std::string& value) {
  const bool design = IsDesignProperty(prop_);
  for (TComponent* c : components_) {
    if (design)
      prop_->set(*c, value);
    else
      SetPropText(*c, prop_->name, value);
  }
  Modified();
}

std::string TPropertyEditor::GetValue() { return GetStrValue(); }

void TPropertyEditor::SetValue(const std::string& value) { SetStrValue(value); }

void TPropertyEditor::Edit() {
  if (!GetAttributes().Contains(paValueList)) return;
  std::vector<std::string> values;
  GetValues([&](const std::string& s) { values.push_back(s); });
  if (values.empty()) return;
  const std::string now = GetValue();
  auto it = std::find_if(values.begin(), values.end(),
                         [&](const std::string& v) { return CompareText(v, now) == 0; });
  SetValue(it == values.end() || it + 1 == values.end() ? values.front() : *(it + 1));
}

void TEnumProperty::GetValues(const TGetStrProc& proc) {
  if (GetPropInfo()->kind == TTypeKind::Boolean) {
    proc("False");
    proc("True");
    return;
  }
  for (const std::string& n : GetPropInfo()->names) proc(n);
}

namespace {
// The components a reference of owner's component may name: owner's, and owner itself.
std::vector<TComponent*> Candidates(TComponent* referring, const TPropInfo& prop) {
  std::vector<TComponent*> out;
  TComponent* owner = referring->Owner();
  if (!owner) return out;
  if (prop.accepts && prop.accepts(*owner)) out.push_back(owner);
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (!c->Name().empty() && (!prop.accepts || prop.accepts(*c))) out.push_back(c);
  }
  return out;
}
}  // namespace

void TComponentProperty::GetValues(const TGetStrProc& proc) {
  proc(kNoComponent);
  for (TComponent* c : Candidates(GetComponent(0), *GetPropInfo())) proc(c->Name());
}

void TComponentProperty::SetValue(const std::string& value) {
  const std::string name = Trim(value);
  if (name.empty() || CompareText(name, kNoComponent) == 0) {
    SetStrValue("");
    return;
  }
  for (int i = 0; i < PropCount(); ++i) {
    const auto fits = Candidates(GetComponent(i), *GetPropInfo());
    if (std::none_of(fits.begin(), fits.end(),
                     [&](TComponent* c) { return CompareText(c->Name(), name) == 0; })) {
      const std::string cls =
          GetPropInfo()->ref_class ? GetPropInfo()->ref_class().Name() : "component";
      throw EPropertyError(GetName() + ": " + name + " is not a " + cls + " of this form");
    }
  }
  SetStrValue(name);
}

void RegisterPropertyEditor(PTypeInfo property_type, TComponentClass component_class,
                            const std::string& property_name, TPropertyEditorClass editor_class) {
  if (!editor_class) throw Exception("RegisterPropertyEditor needs an editor");
  PropertyEditors().push_back(
      {property_type, component_class, property_name, std::move(editor_class), g_package});
}

std::unique_ptr<TPropertyEditor> GetPropertyEditor(const std::vector<TComponent*>& components,
                                                   const std::string& property_name,
                                                   IDesigner* designer) {
  if (components.empty() || !components[0]) throw Exception("No component selected");
  const TPropInfo* found = FindPropertyOrDesignProperty(*components[0], property_name);
  if (!found) throw EPropertyError("Property " + property_name + " does not exist");
  const TPropInfo& prop = *found;
  const TClassInfo& cls = ClassInfoOf(*components[0]);
  // Rank: a class beats none, a nearer class beats a farther one, a name beats none.
  const PropertyEditorEntry* best = nullptr;
  std::tuple<int, int, int> best_rank{};
  for (const PropertyEditorEntry& e : PropertyEditors()) {
    if (e.type != prop.value_type) continue;
    int distance = 0;
    if (e.cls) {
      distance = Distance(&cls, e.cls);
      if (distance < 0) continue;
    }
    if (!e.name.empty() && CompareText(e.name, prop.name) != 0) continue;
    const std::tuple<int, int, int> rank{e.cls ? 1 : 0, e.cls ? -distance : 0,
                                         e.name.empty() ? 0 : 1};
    if (!best || rank >= best_rank) {
      best = &e;
      best_rank = rank;
    }
  }
  if (best) return best->make(designer, components, &prop);
  switch (prop.kind) {
    case TTypeKind::Component:
      return std::make_unique<TComponentProperty>(designer, components, &prop);
    case TTypeKind::String:
      return std::make_unique<TStringProperty>(designer, components, &prop);
    case TTypeKind::Enumeration:
    case TTypeKind::Boolean:
      return std::make_unique<TEnumProperty>(designer, components, &prop);
    default:
      return std::make_unique<TPropertyEditor>(designer, components, &prop);
  }
}

// ---- design properties --------------------------------------------------------------

void RegisterDesignProperty(TComponentClass component_class, const std::string& name,
                            std::function<std::string(const TComponent&)> getter,
                            std::function<void(TComponent&, const std::string&)> setter) {
  if (!component_class || !getter || !setter || name.empty())
    throw Exception("RegisterDesignProperty needs a class, a name, a getter and a setter");
  auto info = std::make_shared<TPropInfo>();
  info->name = name;
  info->kind = TTypeKind::String;
  info->value_type = typeid(std::string);
  info->default_value = TValue(std::string());
  info->get = [getter](const TObject& o) -> TValue {
    return getter(dynamic_cast<const TComponent&>(o));
  };
  info->set = [setter](TObject& o, const TValue& v) {
    setter(dynamic_cast<TComponent&>(o), std::get<std::string>(v));
  };
  DesignPropertyEntries().push_back({component_class, std::move(info), g_package});
}

std::vector<const TPropInfo*> DesignProperties(const TComponent& component) {
  std::vector<const TPropInfo*> out;
  const TClassInfo& cls = ClassInfoOf(component);
  for (const DesignPropertyEntry& e : DesignPropertyEntries())
    if (Distance(&cls, e.cls) >= 0 && std::none_of(out.begin(), out.end(), [&](const TPropInfo* p) {
          return CompareText(p->name, e.info->name) == 0;
        }))
      out.push_back(e.info.get());
  return out;
}

const TPropInfo* FindPropertyOrDesignProperty(const TComponent& component,
                                              const std::string& name) {
  if (const TPropInfo* p = ClassInfoOf(component).FindProperty(name)) return p;
  for (const TPropInfo* p : DesignProperties(component))
    if (CompareText(p->name, name) == 0) return p;
  return nullptr;
}

// ---- previews ----------------------------------------------------------------------

void RegisterPreviewProvider(TComponentClass component_class,
                             TPreviewProviderClass provider_class) {
  if (!component_class || !provider_class)
    throw Exception("RegisterPreviewProvider needs a class and a provider");
  PreviewProviders().push_back({component_class, std::move(provider_class), g_package});
}

std::unique_ptr<TPreviewProvider> GetPreviewProvider(TComponent* component) {
  const PreviewProviderEntry* best = Nearest(PreviewProviders(), component);
  return best ? best->make() : nullptr;
}

// ---- packages -------------------------------------------------------------------

void SetRegisteringPackage(int package) { g_package = package; }

void UnregisterPackage(int package) {
  auto drop = [package](auto& v) {
    v.erase(std::remove_if(v.begin(), v.end(),
                           [package](const auto& e) { return e.package == package; }),
            v.end());
  };
  drop(Palette());
  drop(ComponentEditors());
  drop(PropertyEditors());
  drop(PreviewProviders());
  drop(DesignPropertyEntries());
}

}  // namespace orv
