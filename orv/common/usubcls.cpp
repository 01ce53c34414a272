#include <orv/common/usubcls.h>

#include <memory>

#include <orv/host/classes/lists.h>

namespace orv {

namespace {

// The record of one hooked control: its hooks in the order of attachment
// (duplicates and nulls allowed), the control and its saved entry point.
class TControlSubclassInfo : public TList {
 public:
  TControl* Control = nullptr;
  TWndMethod OriginalWindowProc;

  explicit TControlSubclassInfo(TControl* control)
      : Control(control),
        OriginalWindowProc(control->WindowProc()),
        alive_(control->AliveToken()) {}

  // The dispatcher that stands in the control's WindowProc.
  void WndProc(TMessage& Message);

  // Appends the hook and (every time) installs the dispatcher.
  void Add(TControlSubclass* Subclass) {
    if (ControlLive()) Control->SetWindowProc(TWndMethod(this, &TControlSubclassInfo::WndProc));
    TList::Add(Subclass);
  }
  // Removes the hook's first entry; the last one gone puts the saved entry point back.
  void Remove(TControlSubclass* Subclass) {
    TList::Remove(Subclass);
    if (Count() == 0) RestoreEntryPoint();
  }

  // The control is whole: not yet in its destructor. (A control deleted
  // without Free tells its watchers only from its base destructor.)
  bool ControlLive() const {
    const std::shared_ptr<bool> alive = alive_.lock();
    return alive && *alive && !control_destroyed_;
  }
  void RestoreEntryPoint() {
    if (ControlLive()) Control->SetWindowProc(OriginalWindowProc);
  }

  // Out of the registry: freed now, or by the last dispatch that runs on it.
  void Release() {
    released_ = true;
    if (depth_ == 0) delete this;
  }
  // The control is being destroyed: no hook is called for it again.
  void ControlDestroyed() {
    RestoreEntryPoint();
    control_destroyed_ = true;
    Clear();
  }

 private:
  std::weak_ptr<bool> alive_;
  bool control_destroyed_ = false;
  bool released_ = false;
  int depth_ = 0;  // dispatches running on this record (nested Perform included)
};

void TControlSubclassInfo::WndProc(TMessage& Message) {
  ++depth_;
  struct Leave {
    TControlSubclassInfo* record;
    ~Leave() {
      if (--record->depth_ == 0 && record->released_) delete record;
    }
  } leave{this};

  // Each pass takes the number of hooks once, as callers expect; entries
  // that hooks detach meanwhile are not called (the list is read afresh at
  // every step), and nothing is called once the control is being destroyed.
  const int before = Count();
  for (int i = 0; i < before && i < Count() && ControlLive(); ++i) {
    auto* hook = static_cast<TControlSubclass*>(Items(i));
    if (!hook) continue;
    hook->ActiveControl = Control;
    hook->BeforeWndProc(Message);
  }
  if (OriginalWindowProc && ControlLive()) OriginalWindowProc(Message);
  const int after = Count();
  for (int i = 0; i < after && i < Count() && ControlLive(); ++i) {
    auto* hook = static_cast<TControlSubclass*>(Items(i));
    if (!hook) continue;
    hook->ActiveControl = Control;
    hook->AfterWndProc(Message);
  }
}

class TControlSubclassList;
TControlSubclassList* ControlSubclassList = nullptr;

// Hears of the destruction of hooked controls.
class TSubclassWatcher : public TComponent {
 public:
  TSubclassWatcher() : TComponent(nullptr) {}
  void Notification(TComponent* component, TOperation operation) override;
};

// The registry: one record per hooked control, in the order the controls
// were first hooked. Owns the records, never the hooks or controls.
class TControlSubclassList : public TList {
 public:
  TControlSubclassList() : watcher_(new TSubclassWatcher) {}
  TControlSubclassList(const TControlSubclassList&) = delete;
  TControlSubclassList& operator=(const TControlSubclassList&) = delete;

  // The unit's finalization: live controls get their entry points back.
  ~TControlSubclassList() {
    while (Count() > 0) {
      auto* record = Record(Count() - 1);
      record->RestoreEntryPoint();
      Drop(Count() - 1);
    }
  }

  int FindControl(const TComponent* control) const {
    for (int i = 0; i < Count(); ++i)
      if (Record(i)->Control == control) return i;
    return -1;
  }

  void Add(TControl* control, TControlSubclass* subclass) {
    if (!control) return;
    int index = FindControl(control);
    if (index < 0) {
      TList::Add(new TControlSubclassInfo(control));
      control->FreeNotification(watcher_.get());
      index = Count() - 1;
    }
    Record(index)->Add(subclass);
  }

  void Remove(TControl* control, TControlSubclass* subclass) {
    const int index = FindControl(control);
    if (index < 0) return;
    TControlSubclassInfo* record = Record(index);
    record->Remove(subclass);
    if (record->Count() == 0) Drop(index);
  }

  void ControlDestroyed(TComponent* control) {
    const int index = FindControl(control);
    if (index < 0) return;
    Record(index)->ControlDestroyed();
    Drop(index);
  }

  void HookDestroyed(TControlSubclass* subclass) {
    for (int i = Count() - 1; i >= 0; --i) {
      TControlSubclassInfo* record = Record(i);
      while (record->IndexOf(subclass) >= 0) record->Remove(subclass);
      if (record->Count() == 0) Drop(i);
    }
  }

 private:
  TControlSubclassInfo* Record(int index) const {
    return static_cast<TControlSubclassInfo*>(Items(index));
  }

  // Takes the record out of the registry and frees it (once no dispatch runs on it).
  void Drop(int index) {
    TControlSubclassInfo* record = Record(index);
    Delete(index);
    if (record->ControlLive()) record->Control->RemoveFreeNotification(watcher_.get());
    record->Release();
  }

  TComponentPtr<TSubclassWatcher> watcher_;
};

void TSubclassWatcher::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && ControlSubclassList)
    ControlSubclassList->ControlDestroyed(component);
}

TControlSubclassList* Registry() {
  if (!ControlSubclassList) ControlSubclassList = new TControlSubclassList;
  return ControlSubclassList;
}

// Runs the unit's finalization when the library is unloaded (or the program ends).
struct UnitFinalization {
  ~UnitFinalization() { usubcls_internal::FinalizeRegistry(); }
} unit_finalization;

}  // namespace

TControlSubclass::~TControlSubclass() {
  if (ControlSubclassList) ControlSubclassList->HookDestroyed(this);
}

void TControlSubclass::BeforeWndProc(TMessage&) {}
void TControlSubclass::AfterWndProc(TMessage&) {}

void RegisterSubclass(TControl* Control, TControlSubclass* Subclass) {
  Registry()->Add(Control, Subclass);
}

void UnRegisterSubclass(TControl* Control, TControlSubclass* Subclass) {
  if (ControlSubclassList) ControlSubclassList->Remove(Control, Subclass);
}

namespace usubcls_internal {

void FinalizeRegistry() {
  TControlSubclassList* list = ControlSubclassList;
  ControlSubclassList = nullptr;
  delete list;
}

int RecordCount() { return ControlSubclassList ? ControlSubclassList->Count() : 0; }

}  // namespace usubcls_internal

}  // namespace orv
