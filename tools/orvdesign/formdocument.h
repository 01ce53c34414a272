// TFormDocument: one form file (a data module or a form) open in the
// designer, without any window: its components, the selection, the published
// properties as the registered property editors show them, the component
// editors' verbs, placement, moves and deletion, and undo and redo.
//
// States, not diffs: the document keeps the file text of every state it has
// been in. State 0 is the file as it was read (its text); every change
// that alters what the form would write adds the writer's text of the new
// state. Undo and redo read the form again from the text of the state they go
// to, so each restores the file text exactly, and saving an unchanged form
// writes the bytes it was read from. A change that leaves the written text as
// it was (a dialog cancelled) adds no state and does not mark the form.
//
// Package code is guarded: constructors, GetValues, Edit, SetValue,
// ExecuteVerb, GetVerb and the rest run inside Guard, which on an exception
// reads the form again from its state before the call and raises
// EDesignError naming the component, its class and the editor class. For
// typed values (SetPropertyValue) an error box that a component shows from a
// setter counts as a refusal too: the box is kept from the screen, its text
// becomes the error, and the component keeps its previous value.
//
// Components are made and read again on undo, redo and refusals: callers keep
// names, never pointers, across calls that may change the form (OnChange
// tells them). The form lives under a designing owner (csDesigning), so
// components do not open tables. Message boxes shown while a state is read
// again are not shown twice: they go to LoadMessages().
//
// Errors: EDesignError (package code failed), orv::Exception (bad name,
// nothing to undo is not an error: Undo returns false), the form reader's
// EReadError "Line N: ..." when a file is opened.
// Threading: the main thread, like every component.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/host/designintf/designintf.h>
#include <orv/host/rtl/exception.h>

namespace orv {

// A call into package code that failed.
class EDesignError : public Exception {
 public:
  EDesignError(std::string component, std::string component_class, std::string editor_class,
               std::string reason);
  const std::string& Component() const { return component_; }
  const std::string& ComponentClass() const { return component_class_; }
  const std::string& EditorClass() const { return editor_class_; }
  // What the package said, without the component and editor.
  const std::string& Reason() const { return reason_; }

 private:
  std::string component_, component_class_, editor_class_, reason_;
};

// One row of the object inspector.
struct TInspectedProperty {
  std::string name;
  std::string value;  // the first selected component's (empty when the selected differ)
  bool same = true;   // every selected component holds this value
  TPropertyAttributes attributes;
  std::string editor_class;
  bool read_only = false;  // shown, not editable
};

class TFormDocument : public IDesigner {
 public:
  TFormDocument();
  ~TFormDocument() override;
  TFormDocument(const TFormDocument&) = delete;
  TFormDocument& operator=(const TFormDocument&) = delete;

  // ---- file ----
  // Reads a form file; the document then holds it as state 0, unmodified.
  // Raises what the reader raises (the document is left as it was).
  void LoadFromFile(const std::string& path);
  void LoadFromString(const std::string& text, const std::string& path = "");
  // Writes the current state's text to path (default: Path()) and marks it
  // saved; a failed save leaves the file as it was. Raises Exception "Cannot
  // write file X: REASON".
  void SaveToFile(const std::string& path = "");
  const std::string& Path() const { return path_; }
  // The file text of the current state.
  const std::string& Text() const { return states_.at(current_).text; }
  bool IsModified() const { return current_ != saved_; }
  // What message boxes said while the form was last read (one a line).
  const std::vector<std::string>& LoadMessages() const { return load_messages_; }

  // ---- components ----
  TComponent* Root() const { return root_; }
  // The components of the form (what the root owns), in order.
  std::vector<TComponent*> Components() const;
  // The root or one of its components, by name (case-insensitive); null if none.
  TComponent* Find(const std::string& name) const;
  // Like Find, but raises Exception "No component named X".
  TComponent* Get(const std::string& name) const;
  // True for a control (its position is its published Left and Top).
  static bool IsControl(const TComponent* c);
  static bool IsControlClass(const TClassInfo& cls);
  // Where the surface shows c: a control's Left/Top, a component's design
  // position, or for one without a stored position its place in a tidy grid.
  struct TPoint {
    int x = 0, y = 0;
  };
  TPoint Position(const TComponent* c) const;

  // ---- selection (names of the root's components; none selected: the root) ----
  const std::vector<std::string>& Selection() const { return selection_; }
  void Select(const std::vector<std::string>& names);
  // Ctrl+click: adds name, or takes it out when it is selected.
  void ToggleSelection(const std::string& name);
  // The selected components, or the root when none is selected.
  std::vector<TComponent*> Inspected() const;

  // ---- inspector ----
  // The properties of the inspected components: for one, its Name and each
  // published property (events read-only: they name methods of the form's
  // code); for several, those that all of them have and whose editor allows
  // multiple selection (paMultiSelect), never Name or events.
  std::vector<TInspectedProperty> InspectedProperties();
  // GetValues of the property's editor (guarded).
  std::vector<std::string> PropertyValues(const std::string& property);
  // SetValue through the property's editor on every inspected component; an
  // exception or an error box refuses the value (EDesignError, form unchanged).
  void SetPropertyValue(const std::string& property, const std::string& text);
  // Edit of the property's editor (its dialog, or the next value of a list).
  void EditProperty(const std::string& property);

  // ---- component editors ----
  std::vector<std::string> Verbs(const std::string& component);
  void ExecuteVerb(const std::string& component, int index);
  // The editor's default action (a double click).
  void EditComponent(const std::string& component);

  // ---- preview ----
  // What the preview pane shows: with one component selected, the text of the
  // preview provider registered for its class; else, or when no package
  // previews the class, a note saying so. A provider's error becomes the text
  // "No preview: REASON (PROVIDER)"; nothing raises, and the form is not read
  // again (a preview only reads).
  std::string PreviewText();

  // ---- placing, moving, deleting ----
  // A new component of cls owned by the root, named by its class without the
  // leading T and the lowest free number (Generator1, Generator2...), at
  // (x, y); it becomes the selection. Returns its name. A control goes into
  // the named parent (a panel of the form; default: the form itself) at
  // (x, y) counted from the parent's corner; a data module takes no control
  // (Exception "A control (TEdit) can be placed on a form only").
  std::string Place(const TClassInfo& cls, int x, int y, const std::string& parent = "");
  static std::string UniqueName(const TComponent* root, const TClassInfo& cls);
  // Moves the named components by (dx, dy), as one change.
  void Move(const std::vector<std::string>& names, int dx, int dy);
  // Deletes the named components, as one change.
  void Delete(const std::vector<std::string>& names);

  // ---- undo ----
  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ + 1 < states_.size(); }
  // What Undo and Redo would take back or do again ("Set Gen1.Mask").
  std::string UndoLabel() const;
  std::string RedoLabel() const;
  bool Undo();
  bool Redo();

  // Told after the form changed or was read again (pointers are stale then)
  // and after the selection changed.
  std::function<void()> OnChange;

  // IDesigner: editors call it after a change; the document finds changes by
  // the written text, so this only counts.
  void Modified() override { ++modified_calls_; }
  int ModifiedCalls() const { return modified_calls_; }

  // The site of a guarded call: what an error names.
  struct TCallSite {
    std::string component;
    std::string component_class;
    std::string editor_class;
  };
  // Runs fn (package code) on the form; a change of the written text becomes
  // one undoable step labelled label. On failure see the header comment. A
  // call made while another runs (a list read behind a verb's dialog) raises
  // its EDesignError without reading the form again, and its change is part
  // of the outer call's step.
  void Guard(const std::string& label, TCallSite& site, const std::function<void()>& fn,
             bool refuse_error_boxes = false);

 private:
  struct TState {
    std::string label;  // the change that led here (empty for state 0)
    std::string text;
  };
  void ReadState();  // makes the root afresh from the current state's text
  void Changed();
  void KeepSelectionValid();
  void PinGridPositions();
  TCallSite SiteOf(const std::vector<TComponent*>& components,
                   const std::string& editor = "") const;

  TComponentPtr<TComponent> design_owner_;  // csDesigning: what it owns is designed
  TComponent* root_ = nullptr;
  std::string path_;
  std::string file_bytes_;  // what state 0 was read from (UTF-8 or 1251), saved as it was
  std::vector<TState> states_;
  size_t current_ = 0;
  size_t saved_ = 0;
  std::vector<std::string> selection_;
  std::vector<std::string> load_messages_;
  int modified_calls_ = 0;
  int guard_depth_ = 0;  // guarded calls running (more than one: nested)
};

}  // namespace orv
