#include "tools/orvdesign/formdocument.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <orv/host/classes/formfile.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/host/rtl/wholefile.h>

namespace orv {

namespace {

constexpr char kNameProperty[] = "Name";
constexpr int kGridLeft = 24, kGridTop = 24, kGridDx = 88, kGridDy = 80, kGridColumns = 6;

std::string Describe(const std::string& component, const std::string& cls,
                     const std::string& editor, const std::string& reason) {
  std::string who = component.empty() ? cls : component + " (" + cls + ")";
  if (!editor.empty()) who += ", " + editor;
  return who.empty() ? reason : who + ": " + reason;
}

// Message boxes during a guarded call or a read: error boxes are taken as the
// call's refusal (or kept for LoadMessages), the others go on to the screen
// unless silenced.
class TBoxCatcher : public TUserInterface {
 public:
  TBoxCatcher(bool catch_errors, bool silence_all)
      : catch_errors_(catch_errors), silence_all_(silence_all) {
    saved_ = &UserInterface();
    SetUserInterface(this);
  }
  ~TBoxCatcher() override { SetUserInterface(saved_ == this ? nullptr : saved_); }
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    const std::string who = where ? where() : "";
    seen.push_back((who.empty() ? "" : who + ": ") +
                   (caption.empty() ? text : caption + ": " + text));
    if (catch_errors_ && (flags & MB_ICONMASK) == MB_ICONERROR && refusal.empty()) refusal = text;
    if (silence_all_ || (catch_errors_ && (flags & MB_ICONMASK) == MB_ICONERROR)) return IDOK;
    return saved_->MessageBox(text, caption, flags);
  }
  void ShowMessage(const std::string& text) override {
    seen.push_back(text);
    if (!silence_all_) saved_->ShowMessage(text);
  }
  void SetCursor(TCursor cursor) override { saved_->SetCursor(cursor); }

  std::vector<std::string> seen;
  std::string refusal;
  std::function<std::string()> where;  // names the component a box is about

 private:
  TUserInterface* saved_;
  bool catch_errors_, silence_all_;
};

bool ContainsName(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return CompareText(n, name) == 0; });
}

}  // namespace

EDesignError::EDesignError(std::string component, std::string component_class,
                           std::string editor_class, std::string reason)
    : Exception(Describe(component, component_class, editor_class, reason)),
      component_(std::move(component)),
      component_class_(std::move(component_class)),
      editor_class_(std::move(editor_class)),
      reason_(std::move(reason)) {}

TFormDocument::TFormDocument() : design_owner_(new TComponent(nullptr)) {
  design_owner_->SetState(csDesigning, true);
  states_.push_back({"", ""});
}

TFormDocument::~TFormDocument() {
  OnChange = nullptr;
  if (root_) root_->Free();
}

// ---- file ------------------------------------------------------------------------

void TFormDocument::LoadFromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("Cannot open file " + path);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  LoadFromString(FormTextOfFile(bytes), path);
  file_bytes_ = std::move(bytes);
}

void TFormDocument::LoadFromString(const std::string& text, const std::string& path) {
  // An empty text is no form: the reader says so ("Line 1: expected 'object'...").
  if (text.find_first_not_of(" \t\r\n") == std::string::npos)
    TComponentPtr<TComponent>(LoadFormFromString(text));
  // The old root goes first: the new one may carry the same name.
  const std::vector<TState> old_states = states_;
  const size_t old_current = current_;
  states_ = {{"", text}};
  current_ = 0;
  try {
    ReadState();
  } catch (...) {
    states_ = old_states;
    current_ = old_current;
    try {
      ReadState();
    } catch (...) {
      root_ = nullptr;
    }
    throw;
  }
  saved_ = 0;
  path_ = path;
  file_bytes_.clear();
  selection_.clear();
  Changed();
}

void TFormDocument::SaveToFile(const std::string& path) {
  const std::string target = path.empty() ? path_ : path;
  if (target.empty()) throw Exception("No file name to save to");
  WriteFileWhole(target, current_ == 0 && !file_bytes_.empty() ? file_bytes_ : Text());
  path_ = target;
  saved_ = current_;
  Changed();
}

void TFormDocument::ReadState() {
  if (root_) {
    TComponent* old = root_;
    root_ = nullptr;
    old->Free();
  }
  const std::string& text = states_.at(current_).text;
  if (text.empty()) return;
  TBoxCatcher boxes(false, true);
  // A box shown while the form is read is about the component being read.
  TComponent* owner = design_owner_.get();
  boxes.where = [owner]() -> std::string {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
      TComponent* root = owner->Components(i);
      for (int j = 0; j < root->ComponentCount(); ++j) {
        TComponent* c = root->Components(j);
        if (c->Has(csReading)) return c->Name() + " (" + c->ClassName() + ")";
      }
      if (root->Has(csReading)) return root->Name() + " (" + root->ClassName() + ")";
    }
    return "";
  };
  root_ = LoadFormFromString(text, design_owner_.get());
  load_messages_ = boxes.seen;
}

void TFormDocument::Changed() {
  KeepSelectionValid();
  if (OnChange) OnChange();
}

// ---- components ----------------------------------------------------------------------

std::vector<TComponent*> TFormDocument::Components() const {
  std::vector<TComponent*> out;
  if (root_)
    for (int i = 0; i < root_->ComponentCount(); ++i) out.push_back(root_->Components(i));
  return out;
}

TComponent* TFormDocument::Find(const std::string& name) const {
  if (!root_ || name.empty()) return nullptr;
  if (CompareText(root_->Name(), name) == 0) return root_;
  return root_->FindComponent(name);
}

TComponent* TFormDocument::Get(const std::string& name) const {
  TComponent* c = Find(name);
  if (!c) throw Exception("No component named " + name);
  return c;
}

bool TFormDocument::IsControl(const TComponent* c) { return IsControlClass(ClassInfoOf(*c)); }

bool TFormDocument::IsControlClass(const TClassInfo& cls) {
  const TPropInfo* left = cls.FindProperty("Left");
  const TPropInfo* top = cls.FindProperty("Top");
  return left && top && left->kind == TTypeKind::Integer && top->kind == TTypeKind::Integer;
}

TFormDocument::TPoint TFormDocument::Position(const TComponent* c) const {
  if (IsControl(c)) {
    const TValue l = GetPropInfo(*c, "Left").get(*c);
    const TValue t = GetPropInfo(*c, "Top").get(*c);
    return {static_cast<int>(std::get<int64_t>(l)), static_cast<int>(std::get<int64_t>(t))};
  }
  if (c->HasDesignPosition()) return {c->DesignLeft(), c->DesignTop()};
  // A tidy grid, in the order of the components that have no position.
  int index = 0;
  for (TComponent* other : Components()) {
    if (other == c) break;
    if (!IsControl(other) && !other->HasDesignPosition()) ++index;
  }
  return {kGridLeft + (index % kGridColumns) * kGridDx,
          kGridTop + (index / kGridColumns) * kGridDy};
}

void TFormDocument::PinGridPositions() {
  // Once one component has a place of its own, the grid would close up behind
  // it; every component keeps the place it is shown at instead.
  std::vector<std::pair<TComponent*, TPoint>> places;
  for (TComponent* c : Components())
    if (!IsControl(c) && !c->HasDesignPosition()) places.push_back({c, Position(c)});
  for (auto& [c, p] : places) c->SetDesignPosition(p.x, p.y);
}

// ---- selection ---------------------------------------------------------------------------

void TFormDocument::Select(const std::vector<std::string>& names) {
  selection_.clear();
  for (const std::string& n : names) {
    TComponent* c = Find(n);
    if (c && c != root_ && !ContainsName(selection_, c->Name())) selection_.push_back(c->Name());
  }
  if (OnChange) OnChange();
}

void TFormDocument::ToggleSelection(const std::string& name) {
  std::vector<std::string> names = selection_;
  auto it = std::find_if(names.begin(), names.end(),
                         [&](const std::string& n) { return CompareText(n, name) == 0; });
  if (it != names.end())
    names.erase(it);
  else
    names.push_back(name);
  Select(names);
}

void TFormDocument::KeepSelectionValid() {
  std::vector<std::string> kept;
  for (const std::string& n : selection_) {
    TComponent* c = Find(n);
    if (c && c != root_) kept.push_back(c->Name());
  }
  selection_ = kept;
}

std::vector<TComponent*> TFormDocument::Inspected() const {
  std::vector<TComponent*> out;
  for (const std::string& n : selection_)
    if (TComponent* c = Find(n)) out.push_back(c);
  if (out.empty() && root_) out.push_back(root_);
  return out;
}

TFormDocument::TCallSite TFormDocument::SiteOf(const std::vector<TComponent*>& components,
                                               const std::string& editor) const {
  TCallSite site;
  for (TComponent* c : components) {
    site.component += (site.component.empty() ? "" : ", ") + c->Name();
    if (site.component_class.find(c->ClassName()) == std::string::npos)
      site.component_class +=
          (site.component_class.empty() ? "" : ", ") + std::string(c->ClassName());
  }
  site.editor_class = editor;
  return site;
}

// ---- guarded calls ----------------------------------------------------------------------------

void TFormDocument::Guard(const std::string& label, TCallSite& site,
                          const std::function<void()>& fn, bool refuse_error_boxes) {
  if (!root_) throw Exception("No form is open");
  if (guard_depth_ > 0) {
    // Inside another guarded call (the inspector refreshing behind a verb's
    // modal dialog): reading the form again would free the components that
    // call is using. The outer call restores the form if it fails, and makes
    // the one step of undo.
    ++guard_depth_;
    try {
      fn();
    } catch (const std::exception& e) {
      --guard_depth_;
      throw EDesignError(site.component, site.component_class, site.editor_class, e.what());
    } catch (...) {
      --guard_depth_;
      throw EDesignError(site.component, site.component_class, site.editor_class,
                         "an unknown error");
    }
    --guard_depth_;
    return;
  }
  const std::string before = SaveFormToString(root_);
  std::string failure;
  bool failed = false;
  {
    ++guard_depth_;
    TBoxCatcher boxes(refuse_error_boxes, false);
    try {
      fn();
    } catch (const std::exception& e) {
      failed = true;
      failure = e.what();
    } catch (...) {
      failed = true;
      failure = "an unknown error";
    }
    --guard_depth_;
    if (!failed && !boxes.refusal.empty()) {
      failed = true;
      failure = boxes.refusal;
    }
  }
  std::string after;
  if (!failed) {
    try {
      after = SaveFormToString(root_);
    } catch (const std::exception& e) {
      failed = true;
      failure = e.what();
    }
  }
  if (failed) {
    // Back to the state before the call: the form as its current text says.
    ReadState();
    Changed();
    throw EDesignError(site.component, site.component_class, site.editor_class, failure);
  }
  if (after == before) return;  // nothing stored changed (a list read, a dialog cancelled)
  states_.resize(current_ + 1);
  if (saved_ > current_)
    saved_ = static_cast<size_t>(-1);  // the saved state can no longer be reached
  states_.push_back({label, after});
  ++current_;
  Changed();
}

// ---- inspector ------------------------------------------------------------------------------

std::vector<TInspectedProperty> TFormDocument::InspectedProperties() {
  std::vector<TInspectedProperty> out;
  const std::vector<TComponent*> comps = Inspected();
  if (comps.empty()) return out;
  const bool several = comps.size() > 1;
  if (!several) {
    // The name is the component's own, not a published property; the
    // designer edits it like one.
    TInspectedProperty name;
    name.name = kNameProperty;
    name.value = comps[0]->Name();
    out.push_back(name);
  }
  std::vector<const TPropInfo*> props = ClassInfoOf(*comps[0]).Properties();
  for (const TPropInfo* p : DesignProperties(*comps[0])) props.push_back(p);
  for (const TPropInfo* p : props) {
    // Events name methods of the form's code, which the designer does not
    // write: they are shown, not edited.
    const bool event = p->kind == TTypeKind::Event;
    if (event && several) continue;
    if (several && CompareText(p->name, "Name") == 0) continue;
    bool everywhere = true;
    for (TComponent* c : comps) {
      const TPropInfo* q = FindPropertyOrDesignProperty(*c, p->name);
      if (!q || q->kind != p->kind) everywhere = false;
    }
    if (!everywhere) continue;
    TInspectedProperty row;
    row.name = p->name;
    row.read_only = !p->writable || event;
    if (event) {
      row.value = GetPropText(*comps[0], p->name);
      out.push_back(std::move(row));
      continue;
    }
    try {
      auto editor = GetPropertyEditor(comps, p->name, this);
      row.attributes = editor->GetAttributes();
      row.editor_class = editor->ClassName();
      if (several && !row.attributes.Contains(paMultiSelect)) continue;
      row.value = editor->GetValue();
      for (size_t i = 1; i < comps.size(); ++i)
        if (GetPropertyEditor({comps[i]}, p->name, this)->GetValue() != row.value) row.same = false;
      if (!row.same) row.value.clear();
      if (row.attributes.Contains(paReadOnly)) row.read_only = true;
    } catch (const std::exception& e) {
      // A faulty editor shows its error instead of the value; the rest of the list stays.
      row.value = std::string("(") + e.what() + ")";
      row.read_only = true;
    }
    out.push_back(std::move(row));
  }
  return out;
}

std::vector<std::string> TFormDocument::PropertyValues(const std::string& property) {
  std::vector<std::string> values;
  const auto comps = Inspected();
  TCallSite site = SiteOf(comps);
  Guard("", site, [&] {
    auto editor = GetPropertyEditor(comps, property, this);
    site.editor_class = editor->ClassName();
    editor->GetValues([&](const std::string& v) { values.push_back(v); });
    if (editor->GetAttributes().Contains(paSortList))
      std::stable_sort(
          values.begin(), values.end(),
          [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  });
  return values;
}

void TFormDocument::SetPropertyValue(const std::string& property, const std::string& text) {
  const auto comps = Inspected();
  TCallSite site = SiteOf(comps);
  const bool renaming = CompareText(property, kNameProperty) == 0;
  if (renaming) {
    if (comps.size() != 1) throw Exception("Only one component at a time can be renamed");
    Guard(
        "Rename " + site.component, site, [&] { comps[0]->SetName(text); }, true);
    if (comps[0] != root_) Select({text});
    return;
  }
  Guard(
      "Set " + site.component + "." + property, site,
      [&] {
        auto editor = GetPropertyEditor(comps, property, this);
        site.editor_class = editor->ClassName();
        const TPropInfo& info = *editor->GetPropInfo();
        if (info.kind == TTypeKind::Event)
          throw Exception("Event " + property +
                          " names a method of the form's code; the designer does not write code");
        if (!info.writable || editor->GetAttributes().Contains(paReadOnly))
          throw Exception("Property " + property + " is read-only");
        editor->SetValue(text);
      },
      true);
}

void TFormDocument::EditProperty(const std::string& property) {
  const auto comps = Inspected();
  TCallSite site = SiteOf(comps);
  Guard("Edit " + site.component + "." + property, site, [&] {
    auto editor = GetPropertyEditor(comps, property, this);
    site.editor_class = editor->ClassName();
    editor->Edit();
  });
}

// ---- component editors ------------------------------------------------------------------------

std::string TFormDocument::PreviewText() {
  if (selection_.size() != 1) return "Select one component to see its preview.";
  TComponent* c = Find(selection_[0]);
  if (!c) return "";
  std::string provider = "TPreviewProvider";
  try {
    auto p = GetPreviewProvider(c);
    if (!p) return std::string("No preview for ") + c->ClassName() + ".";
    provider = p->ClassName();
    return p->Preview(*c);
  } catch (const std::exception& e) {
    return std::string("No preview: ") + e.what() + " (" + provider + ")";
  } catch (...) {
    return "No preview: an unknown error (" + provider + ")";
  }
}

std::vector<std::string> TFormDocument::Verbs(const std::string& component) {
  TComponent* c = Get(component);
  TCallSite site = SiteOf({c});
  std::vector<std::string> verbs;
  Guard("", site, [&] {
    auto editor = GetComponentEditor(c, this);
    site.editor_class = editor->ClassName();
    for (int i = 0, n = editor->GetVerbCount(); i < n; ++i) verbs.push_back(editor->GetVerb(i));
  });
  return verbs;
}

void TFormDocument::ExecuteVerb(const std::string& component, int index) {
  TComponent* c = Get(component);
  TCallSite site = SiteOf({c});
  std::string label = "Verb of " + c->Name();
  Guard(label, site, [&] {
    auto editor = GetComponentEditor(c, this);
    site.editor_class = editor->ClassName();
    if (index < 0 || index >= editor->GetVerbCount()) throw Exception("No verb " + IntToStr(index));
    editor->ExecuteVerb(index);
  });
}

void TFormDocument::EditComponent(const std::string& component) {
  TComponent* c = Get(component);
  TCallSite site = SiteOf({c});
  Guard("Edit " + c->Name(), site, [&] {
    auto editor = GetComponentEditor(c, this);
    site.editor_class = editor->ClassName();
    editor->Edit();
  });
}

// ---- placing, moving, deleting -----------------------------------------------------------------

std::string TFormDocument::UniqueName(const TComponent* root, const TClassInfo& cls) {
  std::string base = cls.Name();
  if (base.size() > 1 && (base[0] == 'T' || base[0] == 't')) base.erase(0, 1);
  for (int n = 1;; ++n) {
    const std::string name = base + IntToStr(n);
    if (!root || (CompareText(root->Name(), name) != 0 && !root->FindComponent(name))) return name;
  }
}

std::string TFormDocument::Place(const TClassInfo& cls, int x, int y, const std::string& parent) {
  if (!root_) throw Exception("No form is open");
  TComponent* container = parent.empty() ? root_ : Get(parent);
  const std::string name = UniqueName(root_, cls);
  TCallSite site{name, cls.Name(), "constructor"};
  Guard("Place " + name, site, [&] {
    if (!cls.CanCreate()) throw Exception("Class " + cls.Name() + " cannot be created");
    PinGridPositions();
    TComponent* c = cls.Create(root_);
    c->SetName(name);
    // A control needs a window to sit in; a data module has none.
    if (IsControl(c) && !IsControl(root_))
      throw Exception("A control (" + cls.Name() + ") can be placed on a form only");
    c->SetParentComponent(container);
    if (IsControl(c)) {
      SetPropText(*c, "Left", IntToStr(x));
      SetPropText(*c, "Top", IntToStr(y));
    } else {
      c->SetDesignPosition(x, y);
    }
  });
  Select({name});
  return name;
}

void TFormDocument::Move(const std::vector<std::string>& names, int dx, int dy) {
  if (names.empty() || (dx == 0 && dy == 0)) return;
  std::vector<TComponent*> comps;
  for (const std::string& n : names) comps.push_back(Get(n));
  TCallSite site = SiteOf(comps);
  Guard("Move " + site.component, site, [&] {
    PinGridPositions();
    for (TComponent* c : comps) {
      const TPoint p = Position(c);
      if (IsControl(c)) {
        SetPropText(*c, "Left", IntToStr(p.x + dx));
        SetPropText(*c, "Top", IntToStr(p.y + dy));
      } else {
        c->SetDesignPosition(std::max(0, p.x + dx), std::max(0, p.y + dy));
      }
    }
  });
}

void TFormDocument::Delete(const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::vector<TComponent*> comps;
  for (const std::string& n : names) {
    TComponent* c = Get(n);
    if (c == root_) throw Exception("The form itself cannot be deleted");
    comps.push_back(c);
  }
  TCallSite site = SiteOf(comps, "destructor");
  Guard("Delete " + site.component, site, [&] {
    for (TComponent* c : comps) c->Free();
  });
}

// ---- undo ------------------------------------------------------------------------------------

std::string TFormDocument::UndoLabel() const { return CanUndo() ? states_[current_].label : ""; }
std::string TFormDocument::RedoLabel() const {
  return CanRedo() ? states_[current_ + 1].label : "";
}

bool TFormDocument::Undo() {
  if (!CanUndo()) return false;
  --current_;
  ReadState();
  Changed();
  return true;
}

bool TFormDocument::Redo() {
  if (!CanRedo()) return false;
  ++current_;
  ReadState();
  Changed();
  return true;
}

}  // namespace orv
