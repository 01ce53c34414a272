// Message hooks for controls: any number of independent hook objects watch,
// and may change, the messages of any control without the control's class
// knowing. A hook derives from TControlSubclass and overrides BeforeWndProc,
// AfterWndProc or both; RegisterSubclass attaches it to a control,
// UnRegisterSubclass detaches it.
//
// The library keeps one record per hooked control, which takes the control's
// place in the message path (its WindowProc). For each message: every hook's
// BeforeWndProc in the order of attachment, then the control's saved entry
// point, then every hook's AfterWndProc in the same order; all of them see
// the same TMessage, so a before-hook changes what the control receives and
// an after-hook reads the Result the control stored. ActiveControl is set to
// the receiving control before each call, so one hook may serve several
// controls. A hook attached twice is called twice per pass until detached
// twice; an absent (null) hook may be attached and is skipped. When the last
// hook goes, the control gets back the entry point saved when it was first
// hooked.
//
// Beyond what callers must do anyway (detach what they attach), the registry
// cleans up after them: a control's record goes when the control is
// destroyed, and its hooks are never called for it again; a hook that is
// destroyed while attached detaches itself from every control; hooks may
// attach or detach hooks of the control whose message they are handling (the
// running dispatch finishes safely on what is left, calling no detached
// hook); when the library is unloaded, every live control still hooked gets
// its saved entry point back.
//
// Threading: main thread only (the thread that owns the controls' windows);
// no locks. Errors: none are raised or reported; what a hook or the control
// raises goes on to the sender of the message.
#pragma once

#include <orv/host/classes/component.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/messages.h>

namespace orv {

class TControlSubclass : public TObject {
 public:
  TControlSubclass() = default;
  TControlSubclass(const TControlSubclass&) = delete;
  TControlSubclass& operator=(const TControlSubclass&) = delete;
  // Detaches the hook from every control it is still attached to.
  ~TControlSubclass() override;

  // The control whose message is being delivered (set before each call).
  TControl* ActiveControl = nullptr;

  // Called before / after the control's own handling; both do nothing here.
  virtual void BeforeWndProc(TMessage& Message);
  virtual void AfterWndProc(TMessage& Message);
};

// Attaches Subclass to Control (again, if attached already); a null Control
// is ignored.
void RegisterSubclass(TControl* Control, TControlSubclass* Subclass);
// Detaches the first attachment of Subclass from Control; nothing when there
// is none.
void UnRegisterSubclass(TControl* Control, TControlSubclass* Subclass);

namespace usubcls_internal {
// The unit's finalization, as run when the library is unloaded: every live
// hooked control gets its saved entry point back and the records go. The next
// registration starts a fresh registry. For tests of the unload path.
void FinalizeRegistry();
// The number of controls that have a record now (for tests).
int RecordCount();
}  // namespace usubcls_internal

}  // namespace orv
