// TObject and TComponent: the root of every class of the component framework.
//
// A component has an owner (or none); an owner frees what it owns. Components
// live on the heap and are destroyed with Free() (or FreeAndNil, or a
// TComponentPtr), which tells everyone concerned while the component is still
// whole: first every component that asked for a free notification, then the
// owner (which passes the word on to all it owns), then the destructors run
// and the component frees what it still owns. A component that is deleted
// directly still tells them, from its base destructor.
//
// Threading: components belong to the thread that made them (the UI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv {

class TClassInfo;

// Declares a class's name and its published description (host/classes/typinfo.h);
// put it first in the class body. It leaves the access at public.
#define ORV_CLASS(Class, Parent)                            \
 public:                                                    \
  using inherited = Parent;                                 \
  static constexpr const char* kClassName = #Class;         \
  const char* ClassName() const override { return #Class; } \
  static const ::orv::TClassInfo& StaticClassInfo();        \
  const ::orv::TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

class TObject {
 public:
  using inherited = TObject;  // the root has no base
  static constexpr const char* kClassName = "TObject";
  virtual ~TObject() = default;
  // The class's name as streamed in form files ("TGenerator").
  virtual const char* ClassName() const { return "TObject"; }
  // The published description of the class (typinfo.h); each class that
  // declares ORV_CLASS returns its own.
  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo* ClassInfo() const;
};

// Bits of TComponent::ComponentState().
enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,     // being read from a form file; Loaded() clears it
  csReading = 1u << 1,     // its properties are being read
  csWriting = 1u << 2,     // being written to a form file
  csDestroying = 1u << 3,  // on its way out; notifications still arrive
  csDesigning = 1u << 4,   // lives in the designer, not in a running program
};

enum TOperation { opInsert, opRemove };

class TFiler;

class TComponent : public TObject {
  ORV_CLASS(TComponent, TObject)

 public:
  // Creates a component owned by owner (none when null); the owner will free it.
  explicit TComponent(TComponent* owner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Destroys this component and what it owns. REQUIRES: heap-allocated.
  void Free();

  const std::string& Name() const { return name_; }
  // Raises orv::Exception when name is not an identifier ("'X' is not a valid
  // component name") or another component of the same owner has it ("A
  // component named X already exists"). An empty name is allowed.
  void SetName(const std::string& name);

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // REQUIRES: 0 <= index < ComponentCount().
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component of that name (case-insensitive), or null.
  TComponent* FindComponent(const std::string& name) const;

  unsigned ComponentState() const { return state_; }
  bool Has(TComponentStateFlag flag) const { return (state_ & flag) != 0; }
  // For the framework (form reading and writing, the designer): sets or clears
  // flag on this component and, with recursive, on all it owns.
  void SetState(TComponentStateFlag flag, bool on, bool recursive = false);

  // Takes component into this one's ownership (from its old owner, if any)
  // and tells everything this one owns (opInsert). A designed owner makes the
  // component (and what it owns) designed too.
  void InsertComponent(TComponent* component);
  // Gives up ownership of component, telling everything this one owns (opRemove).
  void RemoveComponent(TComponent* component);

  // Asks to be told (Notification opRemove) when component is destroyed; it is
  // told likewise if this one goes first.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Called once after a form file has set every stored property of every
  // component it read. Overrides call this first: it clears csLoading.
  virtual void Loaded();

  // component is being inserted or removed. The base passes the word on to
  // every owned component and forgets a removed component's free notification;
  // overrides drop their references to a removed component, then call this.
  // Two exceptions keep big forms cheap: while this one is loading, what it
  // takes in is not announced to what it owns; while it is being destroyed,
  // the going of what it owns is announced only for components that were
  // named in a FreeNotification (call it for a sibling you refer to, too).
  virtual void Notification(TComponent* component, TOperation operation);

  // Declares the entries a form file holds beyond the published properties.
  // The base declares Left and Top, the design position (below).
  virtual void DefineProperties(TFiler* filer);

  // Where the designer shows a component that is no control (controls publish
  // their own Left and Top): kept in the form file as the entries Left and
  // Top, written only once a position was given.
  bool HasDesignPosition() const { return has_design_position_; }
  int DesignLeft() const { return design_left_; }
  int DesignTop() const { return design_top_; }
  void SetDesignPosition(int left, int top);

  // The components a form file writes nested inside this one, root being the
  // component the file is about. The base writes none; a root (TDataModule,
  // a form) gives what it owns, a container control its child controls.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);
  // A form file read this component nested inside parent (the root, or a
  // component whose GetChildren gives it). The base ignores it; controls take
  // it as their parent.
  virtual void SetParentComponent(TComponent* parent);

 protected:
  // Only Free() (and a derived destructor chain) should destroy a component.
  ~TComponent() override;

  // Frees every owned component now; a derived destructor calls it first when
  // what it owns refers back to its derived parts.
  void DestroyComponents();

 private:
  void TellBeforeDestruction();
  // names_ follows the names of what this one owns.
  void Index(TComponent* component);
  void Unindex(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  unsigned state_ = 0;
  bool told_ = false;     // destruction notices already sent
  bool watched_ = false;  // FreeNotification named it: its owner's end tells its going
  std::vector<TComponent*> components_;
  uint64_t changes_ = 0;                                // components taken in or let go, ever
  std::unordered_map<std::string, TComponent*> names_;  // by AsciiUpper(name): FindComponent
  std::vector<TComponent*> free_notifies_;
  int design_left_ = 0;
  int design_top_ = 0;
  bool has_design_position_ = false;
};

// Frees p (when not null) and sets it to null.
template <class T>
void FreeAndNil(T*& p) {
  T* q = p;
  p = nullptr;
  if (q) q->Free();
}

// A unique_ptr that frees its component with Free().
struct TFreeDeleter {
  void operator()(TComponent* c) const {
    if (c) c->Free();
  }
};
template <class T>
using TComponentPtr = std::unique_ptr<T, TFreeDeleter>;

}  // namespace orv
