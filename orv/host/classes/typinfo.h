// Published properties, events and methods of the framework's classes, and the
// class registry that creates components by class name.
//
// Every streamable class has one description (TClassInfo), built once on
// first use by a static function of the class. It lists the properties and
// events the class adds, in declaration order, and names its base class, whose
// properties come first. Form files, the designer and tools reach properties
// only through it: by name, as text or as a typed value.
//
// Declaring a published class (header; an excerpt of keygen/generator.h):
//
//   class TGenerator : public TComponent {
//     ORV_CLASS(TGenerator, TComponent)   // ClassName, ClassInfo, `inherited`; leaves `public:`
//    public:
//     explicit TGenerator(TComponent* owner);
//     const std::string& Mask() const { return mask_text_; }
//     void SetMask(const std::string& text);
//     const TmString& EndValue() const { return end_value_; }
//     void SetEndValue(const TmString& value);
//     int GeneratorType() const { return generator_type_; }
//     void SetGeneratorType(int value) { generator_type_ = value; }
//     const TGenProcEvent& GetUserPrefixes() const { return get_user_prefixes_; }
//     void SetGetUserPrefixes(TGenProcEvent e) { get_user_prefixes_ = std::move(e); }
//     ...
//   };
//
// and describing it (source, keygen/generator.cpp), in stream order:
//
//   const TClassInfo& TGenerator::StaticClassInfo() {
//     static const TClassInfo info = Published<TGenerator>()
//         .Property("Mask", &TGenerator::Mask, &TGenerator::SetMask)
//         .Property("EndValue", &TGenerator::EndValue, &TGenerator::SetEndValue)
//         .Property("GeneratorType", &TGenerator::GeneratorType,
//         &TGenerator::SetGeneratorType).Default(0) .Event("GetUserPrefixes",
//         &TGenerator::GetUserPrefixes, &TGenerator::SetGetUserPrefixes);
//     return info;
//   }
//
// An enumeration names its values in order, and Stored decides when a value
// is written (from host/classes/typinfo_test.cpp):
//
//   .Property("Shade", &TSample::Shade, &TSample::SetShade, {"shLight", "shDark",
//   "shDeep"}).Default(shLight) .Property("Limit", &TSample::Limit, &TSample::SetLimit)
//       .Stored([](const TSample& s) { return s.Count() > 0; })
//
// A getter is a const member function returning the value (or a const
// reference to it) or a data member; a setter is a member function taking the
// value (by value or const reference), a data member, or omitted when the
// getter is a data member. The property's kind follows from the value type:
//
//   bool -> boolean; char -> char; other integers -> integer; float/double ->
//   float; std::string, TmString -> string; an enum -> enumeration (names
//   required, ordinal i is names[i]); TSet<E> -> set (names of E required);
//   a pointer to a TStrings -> string list (setter optional: without one the
//   list is assigned into the getter's object); a pointer to a TComponent
//   class -> component reference; a TClosure<...> -> event.
//
// Stored rules: a property is written to a form file when its Stored
// predicate (default: always) holds and its value differs from its default.
// Texts, string lists, references and events default to empty/unassigned;
// numbers, booleans, chars, enumerations and sets have no default (always
// written) unless Default(...) gives one.
//
// A root (form, data module) publishes the methods that form files may bind
// to events:
//
//   Published<TForm1>().Method("Gen1GetUserPrefixes", &TForm1::Gen1GetUserPrefixes)
//
// The method's parameters fix the closure type; it binds only to events of
// that type. A form file names the method; the reader binds it to the root;
// the writer finds the published method of the root that an event equals.
//
// Registry: RegisterClass<TGenerator>() makes a class known to FindClass and
// to the form reader; CreateComponent("TGenerator", owner) makes one.
//
// Threading: descriptions are immutable once built (static local, thread-safe
// initialisation). The registry is meant to be filled at start-up from the
// main thread; it is not synchronised.
#pragma once

#include <any>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <variant>
#include <vector>

#include <orv/host/classes/closure.h>
#include <orv/host/classes/component.h>
#include <orv/host/classes/lists.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/tmstring.h>

namespace orv {

// A set of an enumeration's values (ordinals 0..63), stored as bits.
template <class E>
class TSet {
  static_assert(std::is_enum_v<E>);

 public:
  TSet() = default;
  TSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  static TSet FromBits(uint64_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }
  uint64_t Bits() const { return bits_; }
  bool Contains(E e) const { return (bits_ >> Ord(e)) & 1u; }
  void Include(E e) { bits_ |= uint64_t{1} << Ord(e); }
  void Exclude(E e) { bits_ &= ~(uint64_t{1} << Ord(e)); }
  bool Empty() const { return bits_ == 0; }
  friend bool operator==(const TSet&, const TSet&) = default;

 private:
  static unsigned Ord(E e) { return static_cast<unsigned>(e) & 63u; }
  uint64_t bits_ = 0;
};

// A property that does not exist, or a value it cannot take (a bad text, a
// number out of range, a wrong type). Raised by the access functions below
// and by TPropInfo::set before the setter runs; a setter's own errors are
// its own.
class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

enum class TTypeKind {
  Integer,
  Float,
  Boolean,
  String,
  Char,
  Enumeration,
  Set,
  Strings,
  Component,
  Event
};

// The name of a kind for messages ("integer", "string list", ...).
const char* TypeKindName(TTypeKind kind);

// A property value in the form every kind shares:
//   Integer, Enumeration (ordinal): int64_t     Set: uint64_t (bit i = ordinal i)
//   Float: double   Boolean: bool   String, Char: std::string
//   Strings: std::vector<std::string>   Component: TComponent* (may be null)
//   Event: std::any holding the TClosure (empty any = unassigned)
using TValue = std::variant<std::monostate, int64_t, uint64_t, double, bool, std::string,
                            std::vector<std::string>, TComponent*, std::any>;

class TClassInfo;

// One published property or event.
struct TPropInfo {
  std::string name;
  TTypeKind kind = TTypeKind::Integer;
  std::vector<std::string> names;  // identifiers of an enumeration or set
  std::type_index value_type =
      typeid(void);                      // the C++ type of the value (as returned by the getter)
  std::optional<TValue> default_value;   // no default: always stored (numbers etc.)
  int64_t min_value = 0, max_value = 0;  // the range an integer property holds
  bool writable = true;

  std::function<TValue(const TObject&)> get;
  std::function<void(TObject&, const TValue&)> set;  // raises for a value the type cannot hold
  std::function<bool(const TObject&)> stored;        // the Stored predicate; null = always
  // Typed access: the value as an any holding value_type.
  std::function<std::any(const TObject&)> get_any;
  std::function<void(TObject&, const std::any&)> set_any;
  // Events only: whether two closures (anys of value_type) are equal.
  std::function<bool(const std::any&, const std::any&)> same_closure;
  // References only: whether a component is of the class the reference names,
  // and that class's description.
  std::function<bool(const TComponent&)> accepts;
  const TClassInfo& (*ref_class)() = nullptr;

  // Whether a form file holds this property of obj: stored and not default.
  bool IsStored(const TObject& obj) const;
};

// A method of a root that form files may bind to events.
struct TMethodInfo {
  std::string name;
  std::type_index closure_type = typeid(void);
  std::function<std::any(TObject& root)> bind;  // a closure (of closure_type) bound to root
};

// The description of one class. Built by Published<T>, immutable afterwards.
class TClassInfo {
 public:
  using Factory = TComponent* (*)(TComponent* owner);

  const std::string& Name() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  bool InheritsFrom(const TClassInfo& other) const;
  // Whether CreateComponent can make one (a component class that is not abstract).
  bool CanCreate() const { return factory_ != nullptr; }
  // Creates one owned by owner. Raises "Cannot create an instance of class X".
  TComponent* Create(TComponent* owner) const;

  // Every property and event, the base class's first, each in declaration order.
  const std::vector<const TPropInfo*>& Properties() const { return all_props_; }
  // The property of that name (case-insensitive), or null.
  const TPropInfo* FindProperty(const std::string& name) const;
  // The published method of that name (case-insensitive), the base class's too, or null.
  const TMethodInfo* FindMethod(const std::string& name) const;
  // The name of the published method of root that closure (an event's value)
  // equals, or "" when none does. REQUIRES: root's class is this class or derives from it.
  std::string MethodName(TObject& root, const TPropInfo& event, const std::any& closure) const;

 private:
  template <class T>
  friend class Published;
  void Finish();

  std::string name_;
  const TClassInfo* parent_ = nullptr;
  Factory factory_ = nullptr;
  std::vector<std::shared_ptr<TPropInfo>> own_props_;
  std::vector<const TPropInfo*> all_props_;
  std::vector<TMethodInfo> methods_;
};

// The description of obj's class (TObject's when it declares none).
const TClassInfo& ClassInfoOf(const TObject& obj);

// ---- Class registry ------------------------------------------------------

// Makes info's class known by name. Registering the same class again is a
// no-op; another class of the same name raises "A class named X is already registered".
void RegisterClass(const TClassInfo& info);
template <class T>
void RegisterClass() {
  RegisterClass(T::StaticClassInfo());
}
template <class... T>
void RegisterClasses() {
  (RegisterClass(T::StaticClassInfo()), ...);
}
// The registered class of that name (case-insensitive), or null.
const TClassInfo* GetClass(const std::string& name);
// Like GetClass; raises "Class X not found" when it is not registered.
const TClassInfo& FindClass(const std::string& name);
// Creates a component of a registered class, owned by owner.
// Raises as FindClass and TClassInfo::Create.
TComponent* CreateComponent(const std::string& class_name, TComponent* owner);

// ---- Access by name --------------------------------------------------------

// The property named name of obj's class; raises "Property X does not exist".
const TPropInfo& GetPropInfo(const TObject& obj, const std::string& name);

// The value as text, as the designer shows it: a string as it stands, an
// integer in decimal, a float in shortest exact form, True/False, an
// enumeration's identifier, a set as "[a,b]", a string list's Text, a
// reference's name (empty when none), an event's method name in root (by
// default the object's owner; empty when unassigned or not a published method).
std::string GetPropText(const TObject& obj, const std::string& name, TComponent* root = nullptr);
// Sets from text as above; a reference is looked up among root's components
// (default: the owner's) and root itself; an event binds root's published
// method of that name; an empty text clears a reference or an event.
// Raises "Invalid property value" texts naming the property on a bad text.
void SetPropText(TObject& obj, const std::string& name, const std::string& text,
                 TComponent* root = nullptr);

// Typed access. Raises "Property X is of type Y" (its kind) unless V is the
// property's value type.
template <class V>
V GetProp(const TObject& obj, const std::string& name);
template <class V>
void SetProp(TObject& obj, const std::string& name, const V& value);

// ---- Building descriptions -------------------------------------------------

namespace typinfo_detail {

[[noreturn]] void ThrowRange(const std::string& prop, const std::string& what);
[[noreturn]] void ThrowTypeMismatch(const TPropInfo& p);

template <class X>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {
  using Enum = E;
};

template <class X>
struct IsClosure : std::false_type {};
template <class... A>
struct IsClosure<TClosure<A...>> : std::true_type {};

template <class V>
constexpr bool kIsStringsPtr =
    std::is_pointer_v<V>&& std::is_base_of_v<TStrings, std::remove_cv_t<std::remove_pointer_t<V>>>;
template <class V>
constexpr bool kIsComponentPtr = std::is_pointer_v<V>&&
    std::is_base_of_v<TComponent, std::remove_cv_t<std::remove_pointer_t<V>>>;

template <class V>
constexpr TTypeKind KindOf() {
  if constexpr (std::is_same_v<V, bool>)
    return TTypeKind::Boolean;
  else if constexpr (std::is_same_v<V, char>)
    return TTypeKind::Char;
  else if constexpr (std::is_integral_v<V>)
    return TTypeKind::Integer;
  else if constexpr (std::is_floating_point_v<V>)
    return TTypeKind::Float;
  else if constexpr (std::is_same_v<V, std::string> || std::is_same_v<V, TmString>)
    return TTypeKind::String;
  else if constexpr (std::is_enum_v<V>)
    return TTypeKind::Enumeration;
  else if constexpr (IsTSet<V>::value)
    return TTypeKind::Set;
  else if constexpr (kIsStringsPtr<V>)
    return TTypeKind::Strings;
  else if constexpr (kIsComponentPtr<V>)
    return TTypeKind::Component;
  else if constexpr (IsClosure<V>::value)
    return TTypeKind::Event;
  else
    static_assert(sizeof(V) == 0, "this type cannot be published");
}

// The shared form of a typed value (strings lists are read from the object).
template <class V>
TValue ToValue(const V& v) {
  constexpr TTypeKind k = KindOf<V>();
  if constexpr (k == TTypeKind::Boolean)
    return v;
  else if constexpr (k == TTypeKind::Char)
    return std::string(1, v);
  else if constexpr (k == TTypeKind::Integer)
    return static_cast<int64_t>(v);
  else if constexpr (k == TTypeKind::Float)
    return static_cast<double>(v);
  else if constexpr (std::is_same_v<V, TmString>)
    return v.str();
  else if constexpr (k == TTypeKind::String)
    return v;
  else if constexpr (k == TTypeKind::Enumeration)
    return static_cast<int64_t>(v);
  else if constexpr (k == TTypeKind::Set)
    return v.Bits();
  else if constexpr (k == TTypeKind::Strings)
    return v ? v->ToVector() : std::vector<std::string>{};
  else if constexpr (k == TTypeKind::Component)
    return static_cast<TComponent*>(const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(v));
  else
    return v.Assigned() ? std::any(v) : std::any();
}

// The typed value of a shared one; raises (naming prop) when it does not fit.
// Strings are handled by the caller (they go into an object).
template <class V>
V FromValue(const TPropInfo& p, const TValue& value) {
  constexpr TTypeKind k = KindOf<V>();
  try {
    if constexpr (k == TTypeKind::Boolean)
      return std::get<bool>(value);
    else if constexpr (k == TTypeKind::Char) {
      const std::string& s = std::get<std::string>(value);
      if (s.size() != 1) ThrowRange(p.name, "one character");
      return s[0];
    } else if constexpr (k == TTypeKind::Integer) {
      const int64_t i = std::get<int64_t>(value);
      if (i < p.min_value || i > p.max_value) ThrowRange(p.name, "a value in range");
      return static_cast<V>(i);
    } else if constexpr (k == TTypeKind::Float) {
      return static_cast<V>(std::get<double>(value));
    } else if constexpr (k == TTypeKind::String) {
      return V(std::get<std::string>(value));
    } else if constexpr (k == TTypeKind::Enumeration) {
      const int64_t i = std::get<int64_t>(value);
      if (i < 0 || i >= static_cast<int64_t>(p.names.size()))
        ThrowRange(p.name, "an identifier of its type");
      return static_cast<V>(i);
    } else if constexpr (k == TTypeKind::Set) {
      const uint64_t bits = std::get<uint64_t>(value);
      if (p.names.size() < 64 && (bits >> p.names.size()) != 0)
        ThrowRange(p.name, "members of its type");
      return V::FromBits(bits);
    } else if constexpr (k == TTypeKind::Component) {
      TComponent* c = std::get<TComponent*>(value);
      if (!c) return nullptr;
      V typed = dynamic_cast<V>(c);
      if (!typed) ThrowRange(p.name, "a component of a fitting class");
      return typed;
    } else if constexpr (k == TTypeKind::Event) {
      const std::any& a = std::get<std::any>(value);
      if (!a.has_value()) return V();
      if (a.type() != typeid(V)) ThrowRange(p.name, "a method of a fitting type");
      return std::any_cast<V>(a);
    } else {
      static_assert(k != TTypeKind::Strings);
    }
  } catch (const std::bad_variant_access&) {
    ThrowTypeMismatch(p);
  }
}

// Calls a getter: a const member function or a data member.
template <class T, class G>
decltype(auto) Call(const T& obj, G getter) {
  if constexpr (std::is_member_function_pointer_v<G>)
    return (obj.*getter)();
  else
    return (obj.*getter);
}

template <class T, class G>
using GetterValue =
    std::remove_cvref_t<decltype(Call(std::declval<const T&>(), std::declval<G>()))>;

}  // namespace typinfo_detail

// Builds the description of class T (which declares ORV_CLASS). See the top
// of this file. Each Default/Stored applies to the property added last.
template <class T>
class Published {
 public:
  Published() {
    info_.name_ = T::kClassName;
    if constexpr (!std::is_same_v<T, typename T::inherited>)
      info_.parent_ = &T::inherited::StaticClassInfo();
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  requires { new T(static_cast<TComponent*>(nullptr)); })
      info_.factory_ = [](TComponent* owner) -> TComponent* { return new T(owner); };
  }

  // A property read by getter and written by setter (see the top of this file).
  template <class G, class S>
  Published& Property(const char* name, G getter, S setter) {
    return Add<G, S>(name, getter, setter, {});
  }
  // A property held in a data member, read and written directly.
  template <class V>
  Published& Property(const char* name, V T::*member) {
    return Add<V T::*, V T::*>(name, member, member, {});
  }
  // A read-only property (a string list that is assigned into, or shown only).
  template <class G>
  Published& Property(const char* name, G getter, std::nullptr_t) {
    return Add<G, std::nullptr_t>(name, getter, nullptr, {});
  }
  // An enumeration or set property, with the identifiers of the enumeration in ordinal order.
  template <class G, class S>
  Published& Property(const char* name, G getter, S setter, std::vector<std::string> names) {
    return Add<G, S>(name, getter, setter, std::move(names));
  }
  template <class V>
  Published& Property(const char* name, V T::*member, std::vector<std::string> names) {
    return Add<V T::*, V T::*>(name, member, member, std::move(names));
  }

  // An event: the same as a property whose value is a TClosure.
  template <class G, class S>
  Published& Event(const char* name, G getter, S setter) {
    static_assert(typinfo_detail::IsClosure<typinfo_detail::GetterValue<T, G>>::value,
                  "an event is a TClosure");
    return Property(name, getter, setter);
  }
  template <class V>
  Published& Event(const char* name, V T::*member) {
    static_assert(typinfo_detail::IsClosure<V>::value, "an event is a TClosure");
    return Property(name, member);
  }

  // The value the last property has when not stored.
  template <class D>
  Published& Default(const D& value) {
    TPropInfo& p = Last();
    if constexpr (std::is_enum_v<D> || std::is_same_v<D, bool> || std::is_same_v<D, char>)
      p.default_value = typinfo_detail::ToValue(value);
    else if constexpr (std::is_integral_v<D>)
      p.default_value = p.kind == TTypeKind::Float ? TValue(static_cast<double>(value))
                                                   : TValue(static_cast<int64_t>(value));
    else if constexpr (std::is_convertible_v<D, std::string>)
      p.default_value = TValue(std::string(value));
    else
      p.default_value = typinfo_detail::ToValue(value);
    return *this;
  }
  // When the last property is written (besides differing from its default).
  template <class F>
  requires std::is_invocable_r_v<bool, F, const T&> Published& Stored(F pred) {
    Last().stored = [pred = std::move(pred)](const TObject& o) {
      return pred(static_cast<const T&>(o));
    };
    return *this;
  }
  Published& Stored(bool stored) {
    Last().stored = [stored](const TObject&) { return stored; };
    return *this;
  }

  // A method of this root class that form files may bind to events. method
  // may be a member of a base class of T.
  template <class C, class R, class... A>
  Published& Method(const char* name, R (C::*method)(A...)) {
    static_assert(std::is_base_of_v<C, T>);
    TMethodInfo m;
    m.name = name;
    m.closure_type = typeid(TClosure<A...>);
    m.bind = [method](TObject& root) -> std::any {
      return TClosure<A...>(static_cast<C*>(&static_cast<T&>(root)), method);
    };
    info_.methods_.push_back(std::move(m));
    return *this;
  }

  operator TClassInfo() const {  // NOLINT: ends the fluent chain
    TClassInfo done = info_;
    done.Finish();
    return done;
  }

 private:
  TPropInfo& Last() {
    if (info_.own_props_.empty())
      throw Exception("Published: Default or Stored before any property");
    return *info_.own_props_.back();
  }

  template <class G, class S>
  Published& Add(const char* name, G getter, S setter, std::vector<std::string> names) {
    using namespace typinfo_detail;
    using V = GetterValue<T, G>;
    constexpr TTypeKind kind = KindOf<V>();
    auto p = std::make_shared<TPropInfo>();
    TPropInfo* raw = p.get();
    p->name = name;
    p->kind = kind;
    p->names = std::move(names);
    p->value_type = typeid(V);
    if constexpr (kind == TTypeKind::Enumeration || kind == TTypeKind::Set) {
      if (p->names.empty())
        throw Exception(std::string("Published: property ") + name + " needs its identifiers");
    }
    if constexpr (kind == TTypeKind::Integer) {
      p->min_value = static_cast<int64_t>(std::numeric_limits<V>::min());
      if constexpr (std::is_unsigned_v<V> && sizeof(V) >= sizeof(int64_t))
        p->max_value = std::numeric_limits<int64_t>::max();
      else
        p->max_value = static_cast<int64_t>(std::numeric_limits<V>::max());
    }
    if constexpr (kind == TTypeKind::String || kind == TTypeKind::Strings ||
                  kind == TTypeKind::Component || kind == TTypeKind::Event) {
      p->default_value = ToValue(V{});
    }
    if constexpr (kind == TTypeKind::Component) {
      using Ref = std::remove_cv_t<std::remove_pointer_t<V>>;
      p->accepts = [](const TComponent& c) { return dynamic_cast<const Ref*>(&c) != nullptr; };
      p->ref_class = &Ref::StaticClassInfo;
    }
    p->get = [getter](const TObject& o) -> TValue {
      return ToValue<V>(Call(static_cast<const T&>(o), getter));
    };
    p->get_any = [getter](const TObject& o) -> std::any {
      return V(Call(static_cast<const T&>(o), getter));
    };
    p->writable = !std::is_same_v<S, std::nullptr_t> || kind == TTypeKind::Strings;
    p->set = [raw, getter, setter](TObject& o, const TValue& value) {
      T& obj = static_cast<T&>(o);
      if constexpr (kind == TTypeKind::Strings) {
        const auto* items = std::get_if<std::vector<std::string>>(&value);
        if (!items) ThrowTypeMismatch(*raw);
        TStringList list;
        for (const std::string& s : *items) list.Add(s);
        Store<V>(obj, getter, setter, list, *raw);
      } else {
        Store<V>(obj, getter, setter, FromValue<V>(*raw, value), *raw);
      }
    };
    p->set_any = [raw, getter, setter](TObject& o, const std::any& value) {
      T& obj = static_cast<T&>(o);
      if (value.type() != typeid(V)) ThrowTypeMismatch(*raw);
      if constexpr (kind == TTypeKind::Strings) {
        const V list = std::any_cast<V>(value);
        if (list) Store<V>(obj, getter, setter, *list, *raw);
      } else {
        Store<V>(obj, getter, setter, std::any_cast<V>(value), *raw);
      }
    };
    if constexpr (kind == TTypeKind::Event) {
      p->same_closure = [](const std::any& a, const std::any& b) {
        const V* x = std::any_cast<V>(&a);
        const V* y = std::any_cast<V>(&b);
        return x && y && *x == *y;
      };
    }
    info_.own_props_.push_back(std::move(p));
    return *this;
  }

  // Writes a typed value through the setter (or into the data member).
  template <class V, class G, class S, class X>
  static void Store(T& obj, G getter, S setter, const X& value, const TPropInfo& p) {
    if constexpr (std::is_same_v<S, std::nullptr_t>) {
      if constexpr (typinfo_detail::kIsStringsPtr<V>) {
        V target = typinfo_detail::Call(static_cast<const T&>(obj), getter);
        if (target) const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(target)->Assign(value);
      } else {
        throw EPropertyError("Property " + p.name + " is read-only");
      }
    } else if constexpr (std::is_member_function_pointer_v<S>) {
      if constexpr (typinfo_detail::kIsStringsPtr<V> && std::is_invocable_v<S, T&, const TStrings&>)
        (obj.*setter)(value);
      else if constexpr (typinfo_detail::kIsStringsPtr<V>)
        (obj.*setter)(const_cast<TStrings*>(static_cast<const TStrings*>(&value)));
      else
        (obj.*setter)(value);
    } else {
      if constexpr (typinfo_detail::kIsStringsPtr<V>)
        (obj.*setter)->Assign(value);
      else
        obj.*setter = value;
    }
    (void)getter;
  }

  TClassInfo info_;
};

// ---- Typed access (templates) ---------------------------------------------

template <class V>
V GetProp(const TObject& obj, const std::string& name) {
  const TPropInfo& p = GetPropInfo(obj, name);
  if (p.value_type != typeid(V)) typinfo_detail::ThrowTypeMismatch(p);
  return std::any_cast<V>(p.get_any(obj));
}

template <class V>
void SetProp(TObject& obj, const std::string& name, const V& value) {
  const TPropInfo& p = GetPropInfo(obj, name);
  if (p.value_type != typeid(V)) typinfo_detail::ThrowTypeMismatch(p);
  p.set_any(obj, std::any(value));
}

}  // namespace orv
