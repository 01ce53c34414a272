// Forms and the application object.
//
// TCustomForm/TForm: a top-level window whose client area holds the
// controls. Width and Height count the window frame, as on the platform the
// layouts come from (a bordered form is 6 pixels wider and 27 higher than its
// client area); ClientWidth/ClientHeight are the client area. ShowModal runs
// a modal loop until ModalResult becomes non-zero (a button with a
// ModalResult, a handler, or the close box: mrCancel). Enter clicks the focused
// or the Default button, Escape the Cancel button.
//
// TApplication (Application()): owns the Qt application and the forms made
// for one use; while it exists the run-time library's message boxes are real
// QMessageBoxes and the screen cursor is Qt's override cursor. Errors that
// event handlers raise are shown in an error box and go no further.
// Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <orv/host/forms/controls.h>

class QApplication;
class QWidget;

namespace orv {

using TModalResult = int;
constexpr TModalResult mrNone = 0;    // still running
constexpr TModalResult mrOk = 1;      // ended with OK (IDOK)
constexpr TModalResult mrCancel = 2;  // ended with Cancel or the close box (IDCANCEL)
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// The frame of a bordered window: the border on each side and the caption.
constexpr int kFrameBorder = 3;     // pixels of border on every side
constexpr int kCaptionHeight = 21;  // pixels of caption bar, for every bordered style

using HWND = QWidget*;  // a window as the shell and message calls see it

class TFormWidget;

// OnCloseQuery: the form, and whether it may close (true unless set false).
using TCloseQueryEvent = TClosure<TObject*, bool&>;

class TCustomForm : public TWinControl {
  ORV_CLASS(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // Position on the screen and size with the frame.
  void SetBounds(int left, int top, int width, int height) override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  bool AcceptsControls() const override { return true; }
  void SetClientWidth(int w);
  void SetClientHeight(int h);
  int FrameWidth() const;   // Width - ClientWidth
  int FrameHeight() const;  // Height - ClientHeight

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle style);

  // Shows the form (OnShow first) and puts the focus on ActiveControl or the
  // first control in tab order.
  void SetVisible(bool visible) override;
  // Shows the form modally; returns the ModalResult that ended the loop.
  // Raises Exception "Cannot make a visible window modal" when it is shown already.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modal_result_; }
  // Ends a running ShowModal with result (mrNone keeps it running).
  void SetModalResult(TModalResult result);
  bool Modal() const { return modal_; }
  // Closes the form as the close box does (a modal one ends with mrCancel),
  // unless OnCloseQuery answers that it may not close yet.
  void Close();
  // Frees the form once the events in hand are handled (safe from its handlers).
  void Release();

  TWinControl* ActiveControl() const { return active_control_; }
  void SetActiveControl(TWinControl* control) { active_control_ = control; }

  TNotifyEvent OnCreate() const { return on_create_; }
  void SetOnCreate(TNotifyEvent e) { on_create_ = std::move(e); }
  TNotifyEvent OnShow() const { return on_show_; }
  void SetOnShow(TNotifyEvent e) { on_show_ = std::move(e); }
  TNotifyEvent OnHide() const { return on_hide_; }
  void SetOnHide(TNotifyEvent e) { on_hide_ = std::move(e); }
  TNotifyEvent OnDestroy() const { return on_destroy_; }
  void SetOnDestroy(TNotifyEvent e) { on_destroy_ = std::move(e); }
  // Asked before the close box or Close closes the form; a handler that sets
  // can_close to false keeps it open.
  TCloseQueryEvent OnCloseQuery() const { return on_close_query_; }
  void SetOnCloseQuery(TCloseQueryEvent e) { on_close_query_ = std::move(e); }

  // The window's icon: a picture resource of the form's module.
  const std::string& IconName() const { return icon_name_; }
  void SetIconName(const std::string& name);
  void Loaded() override;

  // The module whose resources the form's layout and pictures come from.
  const std::string& Module() const { return module_; }
  void SetModule(const std::string& module) { module_ = module; }

  // The window as the shell and message calls see it.
  HWND Handle() const { return Widget(); }

  // OnCreate, once; a form built from a layout calls it when the layout is read.
  void DoCreate();
  // OnDestroy, once, while the form is still whole: Free() tells the form's
  // watcher before any destructor runs. (A form deleted without Free hears it
  // from this class's destructor, when its derived parts are gone already.)
  void DoDestroy();

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  void Notification(TComponent* component, TOperation operation) override;
  void DefineProperties(TFiler* filer) override;

  // A dialog key (Enter, Escape) that no control took: gives it to the
  // focused control, then to every windowed control. True when one took it.
  bool DialogKey(unsigned key);

 protected:
  void ColorChanged() override;
  void TextChanged() override;
  void ApplyVisibility() override;
  void UpdateGeometry() override;
  void ApplyFrame();

  // Fills field with the component of that name once the layout is read
  // (and clears it when that component goes). Call before ReadLayout.
  template <class T>
  void BindField(const std::string& name, T*& field) {
    fields_.push_back({name,
                       [&field](TComponent* c) {
                         field = dynamic_cast<T*>(c);
                         return field != nullptr;
                       },
                       [&field](TComponent* c) {
                         if (field == c) field = nullptr;
                       }});
  }
  // Builds the form from the layout RESOURCE that module keeps (":/orv/MODULE/RESOURCE"):
  // reads it into this form, fills the bound fields, then runs OnCreate.
  // Raises EResNotFound "Resource RESOURCE not found", the reader's errors,
  // or Exception "Layout RESOURCE has no NAME of the class the form expects".
  void ReadLayout(const std::string& module, const std::string& resource);

 private:
  friend class TFormWidget;
  void CloseRequested();

  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TFormStyle form_style_ = fsNormal;
  TModalResult modal_result_ = mrNone;
  bool modal_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  TWinControl* active_control_ = nullptr;
  std::string module_;
  std::string icon_name_;
  TComponent* destroy_watch_ = nullptr;  // tells DoDestroy while the form is whole
  struct Field {
    std::string name;
    std::function<bool(TComponent*)> fill;
    std::function<void(TComponent*)> clear;
  };
  std::vector<Field> fields_;
  TNotifyEvent on_create_, on_show_, on_hide_, on_destroy_;
  TCloseQueryEvent on_close_query_;
};

class TForm : public TCustomForm {
  ORV_CLASS(TForm, TCustomForm)
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// Message boxes and the cursor drawn by Qt (installed by the application object).
class TQtUserInterface : public TUserInterface {
 public:
  // A QMessageBox owned by the main form: the information or error icon,
  // OK (and Cancel); IDOK or IDCANCEL.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  // A QMessageBox with the application's title and one OK button.
  void ShowMessage(const std::string& text) override;
  // crDefault restores the normal cursor; any other becomes the override cursor.
  void SetCursor(TCursor cursor) override;

 private:
  bool overridden_ = false;
};

class TApplication : public TComponent {
  ORV_CLASS(TApplication, TComponent)
 public:
  // Starts Qt (when no QApplication exists yet) and installs the Qt user interface.
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  TCustomForm* MainForm() const { return main_form_; }
  void SetMainForm(TCustomForm* form);
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  // A message box owned by the main form (see TQtUserInterface::MessageBox).
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags = MB_OK);
  // Handles the events waiting, then returns.
  void ProcessMessages();
  // Shows the main form and runs until it is closed or Terminate is called.
  void Run();
  void Terminate();
  // How an error raised in an event handler is shown: an error box with its message.
  void ShowException(const std::exception& e);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<QApplication> qt_app_;
  TQtUserInterface ui_;
  TUserInterface* saved_ui_ = nullptr;
  TCustomForm* main_form_ = nullptr;
  std::string title_ = "orv";
  bool terminated_ = false;
};

// The application object, made on first use (starting Qt); lives to the end of
// the process.
TApplication* Application();

// Reads the form file that module keeps in its Qt resources
// (":/orv/MODULE/RESOURCE", see orv_add_qt_resources) into a new root of the
// class the file names, owned by owner. Raises EResNotFound "Resource
// RESOURCE not found" and the reader's errors (nothing is left behind).
TComponent* LoadFormFromResource(const std::string& module, const std::string& resource,
                                 TComponent* owner = nullptr);

// Draws the control as it shows now and saves the picture as PNG (a
// program's --screenshot); returns its width and height. Raises Exception
// "Cannot save screenshot PATH".
std::pair<int, int> SaveScreenshot(TControl* control, const std::string& path);

// The control a widget backs, or null.
TControl* FindControl(const QWidget* widget);

}  // namespace orv
