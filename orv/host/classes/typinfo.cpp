#include <orv/host/classes/typinfo.h>

#include <charconv>
#include <map>

#include <orv/host/classes/datamodule.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace typinfo_detail {

void ThrowRange(const std::string& prop, const std::string& what) {
  throw EPropertyError("Invalid value for property " + prop + " (expected " + what + ")");
}

void ThrowTypeMismatch(const TPropInfo& p) {
  throw EPropertyError("Property " + p.name + " is of type " + TypeKindName(p.kind));
}

}  // namespace typinfo_detail

namespace {

using typinfo_detail::ThrowRange;

bool ValueEquals(const TValue& a, const TValue& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<std::any>(&a))
    return !x->has_value() && !std::get<std::any>(b).has_value();
  return std::visit(
      [&](const auto& x) -> bool {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, std::any>)
          return false;
        else
          return x == std::get<X>(b);
      },
      a);
}

struct Registry {
  std::map<std::string, const TClassInfo*> by_upper_name;
};

Registry& TheRegistry() {
  // The framework's own root class is always known.
  static Registry r{{{AsciiUpper(TDataModule::kClassName), &TDataModule::StaticClassInfo()}}};
  return r;
}

// A 64-bit integer in decimal (optional sign) or '$' hex.
bool ParseInt64(std::string_view s, int64_t& out) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  uint64_t u = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), u, base);
  if (ec != std::errc() || ptr != s.data() + s.size()) return false;
  if (neg) {
    if (u > uint64_t{1} << 63) return false;
    out = static_cast<int64_t>(0 - u);
  } else {
    if (base == 10 && u > static_cast<uint64_t>(INT64_MAX)) return false;
    out = static_cast<int64_t>(u);  // hex may spell the full 64 bits
  }
  return true;
}

TComponent* DefaultRoot(const TObject& obj, TComponent* root) {
  if (root) return root;
  if (const auto* c = dynamic_cast<const TComponent*>(&obj)) return c->Owner();
  return nullptr;
}

int IdentIndex(const std::vector<std::string>& names, std::string_view id) {
  for (size_t i = 0; i < names.size(); ++i)
    if (CompareText(names[i], id) == 0) return static_cast<int>(i);
  return -1;
}

}  // namespace

const char* TypeKindName(TTypeKind kind) {
  switch (kind) {
    case TTypeKind::Integer:
      return "integer";
    case TTypeKind::Float:
      return "float";
    case TTypeKind::Boolean:
      return "boolean";
    case TTypeKind::String:
      return "string";
    case TTypeKind::Char:
      return "char";
    case TTypeKind::Enumeration:
      return "enumeration";
    case TTypeKind::Set:
      return "set";
    case TTypeKind::Strings:
      return "string list";
    case TTypeKind::Component:
      return "component";
    case TTypeKind::Event:
      return "event";
  }
  return "unknown";
}

bool TPropInfo::IsStored(const TObject& obj) const {
  if (!writable) return false;
  if (stored && !stored(obj)) return false;
  return !default_value || !ValueEquals(get(obj), *default_value);
}

// ---- TClassInfo ------------------------------------------------------------

void TClassInfo::Finish() {
  all_props_.clear();
  if (parent_) all_props_ = parent_->all_props_;
  for (const auto& p : own_props_) {
    if (FindProperty(p->name))
      throw Exception("Published: " + name_ + " declares property " + p->name + " twice");
    all_props_.push_back(p.get());
  }
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &other) return true;
  return false;
}

TComponent* TClassInfo::Create(TComponent* owner) const {
  if (!factory_) throw Exception("Cannot create an instance of class " + name_);
  return factory_(owner);
}

const TPropInfo* TClassInfo::FindProperty(const std::string& name) const {
  for (const TPropInfo* p : all_props_)
    if (CompareText(p->name, name) == 0) return p;
  return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const std::string& name) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TMethodInfo& m : c->methods_)
      if (CompareText(m.name, name) == 0) return &m;
  return nullptr;
}

std::string TClassInfo::MethodName(TObject& root, const TPropInfo& event,
                                   const std::any& closure) const {
  if (!closure.has_value() || !event.same_closure) return "";
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TMethodInfo& m : c->methods_)
      if (m.closure_type == event.value_type && event.same_closure(m.bind(root), closure))
        return m.name;
  return "";
}

const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo info = Published<TObject>();
  return info;
}

const TClassInfo* TObject::ClassInfo() const { return &StaticClassInfo(); }

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info = Published<TComponent>();
  return info;
}

const TClassInfo& ClassInfoOf(const TObject& obj) {
  const TClassInfo* info = obj.ClassInfo();
  return info ? *info : TObject::StaticClassInfo();
}

// ---- Registry --------------------------------------------------------------

void RegisterClass(const TClassInfo& info) {
  auto& map = TheRegistry().by_upper_name;
  auto [it, added] = map.emplace(AsciiUpper(info.Name()), &info);
  if (!added && it->second != &info)
    throw Exception("A class named " + info.Name() + " is already registered");
}

const TClassInfo* GetClass(const std::string& name) {
  auto& map = TheRegistry().by_upper_name;
  auto it = map.find(AsciiUpper(name));
  return it == map.end() ? nullptr : it->second;
}

const TClassInfo& FindClass(const std::string& name) {
  const TClassInfo* c = GetClass(name);
  if (!c) throw Exception("Class " + name + " not found");
  return *c;
}

TComponent* CreateComponent(const std::string& class_name, TComponent* owner) {
  return FindClass(class_name).Create(owner);
}

// ---- Access by name --------------------------------------------------------

const TPropInfo& GetPropInfo(const TObject& obj, const std::string& name) {
  const TPropInfo* p = ClassInfoOf(obj).FindProperty(name);
  if (!p) throw EPropertyError("Property " + name + " does not exist");
  return *p;
}

std::string GetPropText(const TObject& obj, const std::string& name, TComponent* root) {
  const TPropInfo& p = GetPropInfo(obj, name);
  const TValue v = p.get(obj);
  switch (p.kind) {
    case TTypeKind::Integer:
      return IntToStr(std::get<int64_t>(v));
    case TTypeKind::Float: {
      char buf[64];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::get<double>(v));
      return std::string(buf, end);
    }
    case TTypeKind::Boolean:
      return std::get<bool>(v) ? "True" : "False";
    case TTypeKind::String:
    case TTypeKind::Char:
      return std::get<std::string>(v);
    case TTypeKind::Enumeration: {
      const int64_t i = std::get<int64_t>(v);
      return i >= 0 && i < static_cast<int64_t>(p.names.size()) ? p.names[i] : IntToStr(i);
    }
    case TTypeKind::Set: {
      const uint64_t bits = std::get<uint64_t>(v);
      std::string out = "[";
      for (size_t i = 0; i < p.names.size() && i < 64; ++i)
        if ((bits >> i) & 1u) out += (out.size() > 1 ? "," : "") + p.names[i];
      return out + "]";
    }
    case TTypeKind::Strings: {
      TStringList list;
      for (const auto& s : std::get<std::vector<std::string>>(v)) list.Add(s);
      return list.Text();
    }
    case TTypeKind::Component: {
      const TComponent* c = std::get<TComponent*>(v);
      return c ? c->Name() : "";
    }
    case TTypeKind::Event: {
      TComponent* r = DefaultRoot(obj, root);
      if (!r) return "";
      return ClassInfoOf(*r).MethodName(*r, p, std::get<std::any>(v));
    }
  }
  return "";
}

void SetPropText(TObject& obj, const std::string& name, const std::string& text, TComponent* root) {
  const TPropInfo& p = GetPropInfo(obj, name);
  const std::string t = Trim(text);
  TValue v;
  switch (p.kind) {
    case TTypeKind::Integer: {
      int64_t i = 0;
      if (!ParseInt64(t, i)) ThrowRange(p.name, "an integer");
      v = i;
      break;
    }
    case TTypeKind::Float: {
      double d = 0;
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
      if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        ThrowRange(p.name, "a number");
      v = d;
      break;
    }
    case TTypeKind::Boolean:
      if (CompareText(t, "True") == 0)
        v = true;
      else if (CompareText(t, "False") == 0)
        v = false;
      else
        ThrowRange(p.name, "True or False");
      break;
    case TTypeKind::String:
    case TTypeKind::Char:
      v = text;
      break;
    case TTypeKind::Enumeration: {
      const int i = IdentIndex(p.names, t);
      if (i < 0) ThrowRange(p.name, "an identifier of its type");
      v = static_cast<int64_t>(i);
      break;
    }
    case TTypeKind::Set: {
      std::string_view s = t;
      if (!s.empty() && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
      uint64_t bits = 0;
      while (!Trim(s).empty()) {
        const size_t comma = s.find(',');
        const std::string id = Trim(s.substr(0, comma));
        const int i = IdentIndex(p.names, id);
        if (i < 0 || i >= 64) ThrowRange(p.name, "members of its type");
        bits |= uint64_t{1} << i;
        s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
      }
      v = bits;
      break;
    }
    case TTypeKind::Strings: {
      TStringList list;
      list.SetText(text);
      v = list.ToVector();
      break;
    }
    case TTypeKind::Component: {
      TComponent* found = nullptr;
      if (!t.empty()) {
        TComponent* r = DefaultRoot(obj, root);
        if (r) found = CompareText(r->Name(), t) == 0 ? r : r->FindComponent(t);
        if (!found) ThrowRange(p.name, "the name of a component");
      }
      v = found;
      break;
    }
    case TTypeKind::Event: {
      std::any closure;
      if (!t.empty()) {
        TComponent* r = DefaultRoot(obj, root);
        const TMethodInfo* m = r ? ClassInfoOf(*r).FindMethod(t) : nullptr;
        if (!m) ThrowRange(p.name, "the name of a published method");
        if (m->closure_type != p.value_type) ThrowRange(p.name, "a method of a fitting type");
        closure = m->bind(*r);
      }
      v = std::move(closure);
      break;
    }
  }
  p.set(obj, v);
}

}  // namespace orv
