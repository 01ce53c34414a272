// TControl, TWinControl and TGraphicControl: the visual components. Each
// control is backed by a Qt widget at its pixel position inside its parent's
// widget. Everything the user does to the widget (mouse buttons, keys, focus,
// text changes, clicks) reaches the control as a TMessage through its
// WindowProc, and Perform sends a message down the same path; the last stop,
// DefaultHandler, lets the widget act on it (the original Qt input when the
// message arrives unchanged, an equivalent synthesized input otherwise). So a
// hook that replaces WindowProc sees, changes or swallows what the control gets.
//
// Windowed controls (TWinControl) take the focus, hold child controls and
// keep a tab order; graphic controls (TGraphicControl) only paint and are
// stacked beneath the windowed controls of their parent.
// Main thread only; controls belong to the thread that runs the Qt application.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/closure.h>
#include <orv/host/classes/component.h>
#include <orv/host/forms/graphics.h>
#include <orv/host/forms/messages.h>
#include <orv/host/rtl/dialogs.h>

class QWidget;
class QEvent;
class QObject;
class QPainter;

namespace orv {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Bits of TShiftState: modifier keys and mouse buttons held.
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};
using TShiftState = unsigned;

using TWndMethod = TClosure<TMessage&>;
using TMouseEvent = TClosure<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TClosure<TObject*, TShiftState, int, int>;
// Key events may change or clear (0) the key to change or drop it.
using TKeyEvent = TClosure<TObject*, uint16_t&, TShiftState>;
using TKeyPressEvent = TClosure<TObject*, char&>;

// More cursors (crDefault and crAppStart come with the run-time library).
constexpr TCursor crNone = -1;        // no cursor
constexpr TCursor crArrow = -2;       // the arrow
constexpr TCursor crCross = -3;       // a cross-hair
constexpr TCursor crIBeam = -4;       // the text cursor
constexpr TCursor crHourGlass = -11;  // busy
constexpr TCursor crHandPoint = -21;  // a pointing hand (links)
// The Qt shape of a cursor (crDefault maps to the arrow).
int QtCursorShape(TCursor cursor);

class TWinControl;
class TCustomForm;
class TControlBridge;

class TControl : public TComponent {
  ORV_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  int Left() const { return left_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  int Height() const { return height_; }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // Moves and sizes the control (pixels in its parent's client area; a
  // negative size counts as 0); the widget follows at once.
  virtual void SetBounds(int left, int top, int width, int height);
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }

  // Caption and Text are one text (1251). SetText sends WM_SETTEXT, then
  // CM_TEXTCHANGED; the edit controls read theirs from the widget.
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& s) { SetText(s); }
  std::string Text() const { return GetText(); }
  void SetText(const std::string& s);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Shown on screen: visible, and so are all its parents.
  bool Showing() const;

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool show);

  // The control's font; a change of any part is applied at once and ends
  // ParentFont. With ParentFont the control takes its parent's font.
  TFont* Font() { return &font_; }
  const TFont* Font() const { return &font_; }
  void SetFont(const TFont& font) { font_.Assign(font); }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool on);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // With ParentColor the control takes its parent's colour.
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool on);
  // Whether form files hold the colour settings (they differ from the class's own).
  bool ColorStored() const { return !parent_color_ && color_ != default_color_; }
  bool ParentColorStored() const { return parent_color_ != default_parent_color_; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  // The parts of the font as form files name them ("Font.Name" ...).
  const std::string& FontName() const { return font_.Name(); }
  void SetFontName(const std::string& name) { font_.SetName(name); }
  int FontHeight() const { return font_.Height(); }
  void SetFontHeight(int height) { font_.SetHeight(height); }
  TFontStyles FontStyle() const { return font_.Style(); }
  void SetFontStyle(TFontStyles style) { font_.SetStyle(style); }

  // Form files: colours and cursors are written by name where they have one
  // ("Color = clBtnFace", "Cursor = crHandPoint"), otherwise as numbers.
  void DefineProperties(TFiler* filer) override;
  // A form file read the control inside parent: a windowed parent takes it.
  void SetParentComponent(TComponent* parent) override;

  TWinControl* Parent() const { return parent_; }
  // Puts the control into parent's Controls (at the end) and its widget into
  // the parent's widget; null takes it out. Raises Exception "Control 'NAME'
  // cannot be its own parent" for itself or one of its children.
  virtual void SetParent(TWinControl* parent);
  // The form the control sits on (itself for a form), or null.
  TCustomForm* ParentForm() const;

  // The message entry point; initially this control's own WndProc.
  TWndMethod WindowProc() const { return window_proc_; }
  void SetWindowProc(TWndMethod proc) { window_proc_ = std::move(proc); }
  // Sends a message through WindowProc; returns its Result.
  intptr_t Perform(unsigned msg, uintptr_t wparam = 0, intptr_t lparam = 0);
  // The control's own handling of a message; ends in DefaultHandler.
  virtual void WndProc(TMessage& message);
  // What the widget does with a message: Qt input that arrives unchanged goes
  // on to the widget; anything else becomes the equivalent Qt input.
  virtual void DefaultHandler(TMessage& message);

  TNotifyEvent OnClick() const { return on_click_; }
  void SetOnClick(TNotifyEvent e) { on_click_ = std::move(e); }
  TMouseEvent OnMouseDown() const { return on_mouse_down_; }
  void SetOnMouseDown(TMouseEvent e) { on_mouse_down_ = std::move(e); }
  TMouseEvent OnMouseUp() const { return on_mouse_up_; }
  void SetOnMouseUp(TMouseEvent e) { on_mouse_up_ = std::move(e); }
  TMouseMoveEvent OnMouseMove() const { return on_mouse_move_; }
  void SetOnMouseMove(TMouseMoveEvent e) { on_mouse_move_ = std::move(e); }

  // What a click does: OnClick when assigned.
  virtual void Click();

  // Redraws the control now / soon.
  void Repaint();
  void Invalidate();

  // The backing widget (for drawing, screenshots and tests).
  QWidget* Widget() const { return widget_; }

  void Loaded() override;

  // Expires when the control's destruction begins (for deferred work).
  std::weak_ptr<bool> AliveToken() const { return alive_; }

 protected:
  // Adopts the backing widget: sizes it, routes its input to WindowProc.
  // Every control class calls it once in its constructor.
  void SetWidget(QWidget* widget);
  // Routes the input of a widget inside the backing widget (a combo box's
  // edit, a radio group's buttons) to this control too.
  void WatchInput(QWidget* inner);
  // The context of signal connections to this control: they end with it.
  QObject* Context() const;

  virtual std::string GetText() const { return text_; }
  // Stores the text and shows it; WM_SETTEXT ends here.
  virtual void SetTextBuf(const std::string& text);
  // Reactions to property changes, applied to the widget.
  virtual void TextChanged() { Invalidate(); }
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void EnabledChanged();
  // Clicks come from a Qt signal (buttons) rather than from mouse up.
  virtual bool ClicksFromWidget() const { return false; }
  virtual bool IsWindowed() const { return false; }
  // The class's own colour settings (constructors): what form files leave out.
  void SetDefaultColor(TColor color, bool parent_color);
  // Sends the Qt input a message stands for to the widget, past the hooks.
  void SendInputToWidget(const TMessage& message);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);

  // Runs fn with the widget's own signals routed past the control (for
  // changes the program makes).
  class ProgramChange {
   public:
    explicit ProgramChange(TControl* c) : c_(c) { ++c_->program_change_; }
    ~ProgramChange() { --c_->program_change_; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

   private:
    TControl* c_;
  };
  bool InProgramChange() const { return program_change_ > 0; }

  // Applies the parent's font/colour to those children that follow it.
  virtual void ParentFontChanged() {}
  virtual void ParentColorChanged() {}
  void ApplyParentFont();
  void ApplyParentColor();
  virtual void ApplyVisibility();
  // Puts the widget where Left/Top/Width/Height say.
  virtual void UpdateGeometry();

  TObject* Sender() { return this; }

 private:
  friend class TControlBridge;
  friend class TWinControl;
  // Input from Qt: true when the widget must not see the event.
  bool QtEvent(QObject* watched, QEvent* event);
  bool DeliverInput(TMessage message);

  struct InputFrame {
    TMessage original;
    bool reached_default = false;  // DefaultHandler got the message unchanged
    InputFrame* prev = nullptr;
  };

  QPointer<QWidget> widget_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once destruction starts
  bool has_focus_ = false;  // the focus is inside the widget (as the control last heard)
  TControlBridge* bridge_ = nullptr;
  InputFrame* input_ = nullptr;
  int bypass_ = 0;          // synthesized input in flight: the filter lets it pass
  int program_change_ = 0;  // program-made widget changes in flight
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string text_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string hint_;
  bool show_hint_ = false;
  TFont font_;
  bool parent_font_ = true;
  bool applying_font_ = false;
  TColor color_ = clBtnFace;
  bool parent_color_ = false;
  TColor default_color_ = clBtnFace;
  bool default_parent_color_ = false;
  TCursor cursor_ = crDefault;
  TWinControl* parent_ = nullptr;
  TWndMethod window_proc_;
  bool mouse_down_ = false;  // left button went down on this control
  TNotifyEvent on_click_;
  TMouseEvent on_mouse_down_, on_mouse_up_;
  TMouseMoveEvent on_mouse_move_;
};

// A control with a window of its own: takes the focus, holds child controls.
class TWinControl : public TControl {
  ORV_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The child controls, in the order they were put in.
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // Raises Exception "Control index out of bounds (i)" unless 0 <= index < ControlCount().
  TControl* Controls(int index) const;

  // The position among the parent's windowed children that Tab walks through;
  // -1 without a parent. While loading the wanted order is kept and applied
  // once all siblings are read.
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool on);

  bool Focused() const;
  bool CanFocus() const;
  // Gives the control the keyboard focus. Raises Exception "Cannot focus a
  // disabled or invisible window" when it cannot take it.
  void SetFocus();

  TNotifyEvent OnEnter() const { return on_enter_; }
  void SetOnEnter(TNotifyEvent e) { on_enter_ = std::move(e); }
  TNotifyEvent OnExit() const { return on_exit_; }
  void SetOnExit(TNotifyEvent e) { on_exit_ = std::move(e); }
  TKeyEvent OnKeyDown() const { return on_key_down_; }
  void SetOnKeyDown(TKeyEvent e) { on_key_down_ = std::move(e); }
  TKeyEvent OnKeyUp() const { return on_key_up_; }
  void SetOnKeyUp(TKeyEvent e) { on_key_up_ = std::move(e); }
  TKeyPressEvent OnKeyPress() const { return on_key_press_; }
  void SetOnKeyPress(TKeyPressEvent e) { on_key_press_ = std::move(e); }

  void WndProc(TMessage& message) override;
  void Loaded() override;
  // Form files nest the child controls that root owns.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

  // The widget child controls sit in (the control's own widget by default).
  virtual QWidget* ClientWidget() const { return Widget(); }
  // Whether a designer may put controls into this one (a panel, a form).
  virtual bool AcceptsControls() const { return false; }
  // Enter or Escape that no control took; focused: this control has the
  // focus. True when the control acted on it (a default or cancel button).
  virtual bool HandleDialogKey(unsigned key, bool focused) {
    (void)key;
    (void)focused;
    return false;
  }
  // Windowed descendants in tab order, depth first (what Tab walks through).
  void GetTabOrderList(std::vector<TWinControl*>& list) const;

 protected:
  bool IsWindowed() const override { return true; }
  void FontChanged() override;
  void ColorChanged() override;
  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Re-links the Qt tab chain of the form after a tab order change.
  void UpdateTabChain();

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void FixupTabList();

  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tab_list_;
  int wanted_tab_order_ = -1;  // read from a form file, applied in Loaded
  bool tab_stop_ = true;
  TNotifyEvent on_enter_, on_exit_;
  TKeyEvent on_key_down_, on_key_up_;
  TKeyPressEvent on_key_press_;
};

// A control without a window: paints itself, never takes the focus.
class TGraphicControl : public TControl {
  ORV_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* owner);
  // Draws the control; the painter is set up on its client area.
  virtual void Paint(QPainter& painter);
};

// Colour entries of form files: read by name ("clBtnFace") or number,
// written by name where there is one.
TColor ReadColorEntry(class TReader* reader);
void WriteColorEntry(class TWriter* writer, TColor color);

// Reads a form file entry of any one value and drops it (entries the
// platform's designer writes that mean nothing here).
void SkipEntry(class TReader* reader);

// The 1251 text of a Qt string and back (characters 1251 lacks become '?').
std::string FromQString(const class QString& s);
QString ToQString(const std::string& s);

}  // namespace orv
