#include <orv/host/classes/component.h>

#include <algorithm>

#include <orv/host/classes/reader.h>
#include <orv/host/classes/writer.h>
#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

bool IsIdent(const std::string& s) {
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (s.empty() || !alpha(s[0])) return false;
  return std::all_of(s.begin(), s.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

// Searches from the back: components mostly go in the reverse order of their coming.
void Erase(std::vector<TComponent*>& v, TComponent* c) {
  const auto it = std::find(v.rbegin(), v.rend(), c);
  if (it != v.rend()) v.erase(std::next(it).base());
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  TellBeforeDestruction();
  DestroyComponents();
}

void TComponent::Free() {
  TellBeforeDestruction();
  delete this;
}

void TComponent::TellBeforeDestruction() {
  if (told_) return;
  told_ = true;
  SetState(csDestroying, true, true);
  // Each notified component forgets us in its Notification; work on a copy.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    Erase(other->free_notifies_, this);
    other->Notification(this, opRemove);
  }
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    c->Free();  // removes itself from components_
    if (!components_.empty() && components_.back() == c) components_.pop_back();
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdent(name))
    throw Exception("'" + name + "' is not a valid component name");
  if (!name.empty() && owner_) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) throw Exception("A component named " + name + " already exists");
  }
  if (owner_) owner_->Unindex(this);
  name_ = name;
  if (owner_) owner_->Index(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  const auto it = names_.find(AsciiUpper(name));
  return it == names_.end() ? nullptr : it->second;
}

void TComponent::Index(TComponent* component) {
  if (!component->name_.empty()) names_[AsciiUpper(component->name_)] = component;
}

void TComponent::Unindex(TComponent* component) {
  if (component->name_.empty()) return;
  const auto it = names_.find(AsciiUpper(component->name_));
  if (it != names_.end() && it->second == component) names_.erase(it);
}

void TComponent::SetState(TComponentStateFlag flag, bool on, bool recursive) {
  state_ = on ? (state_ | flag) : (state_ & ~flag);
  if (recursive)
    for (TComponent* c : components_) c->SetState(flag, on, true);
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (!component->name_.empty() && FindComponent(component->name_))
    throw Exception("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  ++changes_;
  Index(component);
  component->owner_ = this;
  // What a designed form or module takes in is designed too.
  if (Has(csDesigning)) component->SetState(csDesigning, true, true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  Erase(components_, component);
  ++changes_;
  Unindex(component);
  component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  // Components of one owner hear of each other through that owner.
  watched_ = component->watched_ = true;
  if (owner_ && component->owner_ == owner_) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end())
    free_notifies_.push_back(component);
  if (std::find(component->free_notifies_.begin(), component->free_notifies_.end(), this) ==
      component->free_notifies_.end())
    component->free_notifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Erase(free_notifies_, component);
  Erase(component->free_notifies_, this);
}

void TComponent::Loaded() { SetState(csLoading, false); }

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Telling every component of a form of every other would make reading and
  // freeing a form grow with the square of its size. While a form is read, its
  // components hear nothing of their siblings' coming; while it is freed, they
  // hear of a sibling's going only when someone asked to hear of it.
  if (operation == opInsert && Has(csLoading)) return;
  if (operation == opRemove && Has(csDestroying) && component && !component->watched_) return;
  // A notified component may free others it owns; walk a snapshot and skip
  // gone ones (looked for only once something has gone).
  const std::vector<TComponent*> snapshot = components_;
  const uint64_t changes = changes_;
  for (TComponent* c : snapshot) {
    const bool gone = changes_ != changes &&
                      std::find(components_.begin(), components_.end(), c) == components_.end();
    if (c != component && !gone) c->Notification(component, operation);
  }
}

void TComponent::SetDesignPosition(int left, int top) {
  design_left_ = left;
  design_top_ = top;
  has_design_position_ = true;
}

namespace {
int ReadCoordinate(TReader* reader) {
  // Out-of-range positions are clamped: a stray number must not stop a file from loading.
  const int64_t v = reader->ReadInteger();
  return static_cast<int>(std::clamp<int64_t>(v, -1000000, 1000000));
}
}  // namespace

void TComponent::DefineProperties(TFiler* filer) {
  filer->DefineProperty(
      "Left", [this](TReader* r) { SetDesignPosition(ReadCoordinate(r), design_top_); },
      [this](TWriter* w) { w->WriteInteger(design_left_); }, has_design_position_);
  filer->DefineProperty(
      "Top", [this](TReader* r) { SetDesignPosition(design_left_, ReadCoordinate(r)); },
      [this](TWriter* w) { w->WriteInteger(design_top_); }, has_design_position_);
}

void TComponent::GetChildren(const std::function<void(TComponent*)>&, TComponent*) {}

void TComponent::SetParentComponent(TComponent*) {}

}  // namespace orv
