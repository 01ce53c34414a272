#include <orv/host/forms/controls.h>

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <utility>

#include <orv/host/rtl/sysutils.h>

#include <orv/host/forms/forms.h>
#include <orv/host/forms/widgets_p.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/exception.h>

namespace orv {

// ---- text at the edge ------------------------------------------------------

std::string FromQString(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  if (auto whole = Utf8ToCp1251(std::string_view(utf8.constData(), utf8.size()))) return *whole;
  std::string out;
  for (const uint c : s.toUcs4()) {
    const QByteArray one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1).toUtf8();
    auto b = Utf8ToCp1251(std::string_view(one.constData(), one.size()));
    out += b ? *b : std::string("?");
  }
  return out;
}

QString ToQString(const std::string& s) { return QString::fromStdString(Cp1251ToUtf8(s)); }

int QtCursorShape(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crAppStart:
      return Qt::BusyCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    default:
      return Qt::ArrowCursor;
  }
}

namespace {

TShiftState ShiftOfKeys(uintptr_t k) {
  TShiftState s = 0;
  if (k & MK_SHIFT) s |= ssShift;
  if (k & MK_CONTROL) s |= ssCtrl;
  if (k & MK_LBUTTON) s |= ssLeft;
  if (k & MK_RBUTTON) s |= ssRight;
  if (k & MK_MBUTTON) s |= ssMiddle;
  return s;
}

bool SameMessage(const TMessage& a, const TMessage& b) {
  return a.Msg == b.Msg && a.WParam == b.WParam && a.LParam == b.LParam;
}

}  // namespace

// ---- Qt objects ------------------------------------------------------------

void TControlBridge::Watch(QWidget* widget) { widget->installEventFilter(this); }

void TPaintWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  GuardedCall([&] { control_->Paint(painter); });
}
void TPaintWidget::mousePressEvent(QMouseEvent* e) { e->accept(); }
void TPaintWidget::mouseReleaseEvent(QMouseEvent* e) { e->accept(); }
void TPaintWidget::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

// ---- TControl --------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), window_proc_(this, &TControl::WndProc) {
  Application();  // widgets need the Qt application
  font_.OnChange = [this] {
    if (!applying_font_) parent_font_ = false;
    FontChanged();
  };
}

TControl::~TControl() {
  *alive_ = false;
  if (parent_) parent_->RemoveControl(this);
  parent_ = nullptr;
  font_.OnChange = nullptr;
  delete bridge_;
  bridge_ = nullptr;
  if (widget_) delete widget_.data();
}

void TControl::SetWidget(QWidget* widget) {
  widget_ = widget;
  bridge_ = new TControlBridge(this);
  bridge_->Watch(widget);
  widget->setAttribute(Qt::WA_NoMousePropagation);  // a click is the control's, never its parent's
  widget->setProperty("orvControl", QVariant::fromValue(reinterpret_cast<quintptr>(this)));
  UpdateGeometry();
  widget->setFont(font_.ToQFont());
  widget->hide();
}

QObject* TControl::Context() const { return bridge_; }

void TControl::WatchInput(QWidget* inner) {
  if (!bridge_ || !inner) return;
  inner->setAttribute(Qt::WA_NoMousePropagation);
  bridge_->Watch(inner);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  UpdateGeometry();
}

void TControl::UpdateGeometry() {
  if (widget_) widget_->setGeometry(left_, top_, width_, height_);
}

void TControl::SetText(const std::string& s) {
  if (s == GetText()) return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<intptr_t>(s.c_str()));
  Perform(CM_TEXTCHANGED);
}

void TControl::SetTextBuf(const std::string& text) {
  text_ = text;
  TextChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  EnabledChanged();
  Perform(CM_ENABLEDCHANGED);
}

void TControl::EnabledChanged() {
  if (widget_) widget_->setEnabled(enabled_);
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ApplyVisibility();
}

void TControl::ApplyVisibility() {
  if (widget_) widget_->setVisible(visible_ && parent_ != nullptr);
}

bool TControl::Showing() const { return widget_ && widget_->isVisible(); }

void TControl::SetHint(const std::string& hint) {
  hint_ = hint;
  if (widget_) widget_->setToolTip(show_hint_ ? ToQString(hint_) : QString());
}

void TControl::SetShowHint(bool show) {
  show_hint_ = show;
  SetHint(hint_);
}

void TControl::SetParentFont(bool on) {
  parent_font_ = on;
  if (on) ApplyParentFont();
}

void TControl::ApplyParentFont() {
  if (!parent_font_ || !parent_) return;
  applying_font_ = true;
  font_.Assign(*parent_->Font());
  applying_font_ = false;
}

void TControl::FontChanged() {
  if (!widget_) return;
  widget_->setFont(font_.ToQFont());
  QPalette pal = widget_->palette();
  const QColor c = ToQColor(font_.Color());
  // Active and inactive only: a disabled control keeps the style's grey text.
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      pal.setColor(group, role, c);
  widget_->setPalette(pal);
  Invalidate();
}

void TControl::SetColor(TColor color) {
  parent_color_ = false;
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetDefaultColor(TColor color, bool parent_color) {
  default_color_ = color;
  default_parent_color_ = parent_color;
  SetColor(color);
  SetParentColor(parent_color);
}

void TControl::SetParentColor(bool on) {
  parent_color_ = on;
  if (on) ApplyParentColor();
}

void TControl::ApplyParentColor() {
  if (!parent_color_ || !parent_ || parent_->Color() == color_) return;
  color_ = parent_->Color();
  ColorChanged();
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  if (!widget_) return;
  if (cursor == crDefault)
    widget_->unsetCursor();
  else
    widget_->setCursor(QCursor(static_cast<Qt::CursorShape>(QtCursorShape(cursor))));
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (TControl* p = parent; p; p = p->parent_)
    if (p == this) throw Exception("Control '" + Name() + "' cannot be its own parent");
  if (parent_) parent_->RemoveControl(this);
  parent_ = parent;
  if (widget_) {
    widget_->setParent(parent ? parent->ClientWidget() : nullptr);
    UpdateGeometry();
  }
  if (parent) {
    parent->InsertControl(this);
    ApplyParentFont();
    ApplyParentColor();
  }
  ApplyVisibility();
}

TCustomForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

intptr_t TControl::Perform(unsigned msg, uintptr_t wparam, intptr_t lparam) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wparam;
  m.LParam = lparam;
  if (window_proc_) window_proc_(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  const auto alive = alive_;
  const int x = LoWordSigned(m.LParam), y = HiWordSigned(m.LParam);
  const TShiftState shift = ShiftOfKeys(m.WParam);
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      mouse_down_ = true;
      MouseDown(mbLeft, shift | (m.Msg == WM_LBUTTONDBLCLK ? static_cast<unsigned>(ssDouble) : 0u),
                x, y);
      break;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, shift, x, y);
      break;
    case WM_MBUTTONDOWN:
      MouseDown(mbMiddle, shift, x, y);
      break;
    case WM_LBUTTONUP: {
      const bool clicked = mouse_down_;
      mouse_down_ = false;
      if (clicked && !ClicksFromWidget() && x >= 0 && y >= 0 && x < ClientWidth() &&
          y < ClientHeight()) {
        Click();
        if (!*alive) return;
      }
      MouseUp(mbLeft, shift, x, y);
      break;
    }
    case WM_RBUTTONUP:
      MouseUp(mbRight, shift, x, y);
      break;
    case WM_MBUTTONUP:
      MouseUp(mbMiddle, shift, x, y);
      break;
    case WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      break;
    case CN_COMMAND:
      if (HiWord(m.WParam) == BN_CLICKED && ClicksFromWidget()) Click();
      return;
    default:
      break;
  }
  if (*alive) DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage& m) {
  if (input_ && !input_->reached_default && SameMessage(m, input_->original)) {
    input_->reached_default = true;
    return;
  }
  switch (m.Msg) {
    case WM_SETTEXT:
      SetTextBuf(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
      m.Result = 1;
      break;
    case WM_GETTEXTLENGTH:
      m.Result = static_cast<intptr_t>(GetText().size());
      break;
    case WM_SETFOCUS:
      if (widget_ && IsWindowed() && !widget_->hasFocus()) widget_->setFocus(Qt::OtherFocusReason);
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      SendInputToWidget(m);
      break;
    default:
      break;
  }
}

void TControl::Click() {
  if (on_click_) on_click_(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (on_mouse_down_) on_mouse_down_(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (on_mouse_up_) on_mouse_up_(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (on_mouse_move_) on_mouse_move_(this, shift, x, y);
}

void TControl::Repaint() {
  if (widget_) widget_->repaint();
}

void TControl::Invalidate() {
  if (widget_) widget_->update();
}

void TControl::Loaded() { TComponent::Loaded(); }

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* p = dynamic_cast<TWinControl*>(parent)) SetParent(p);
}

// ---- TWinControl -----------------------------------------------------------

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TControl* c : controls_)
    if (c->Owner() == root) proc(c);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Child controls go with their parent, whoever owns them.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    c->Free();
    RemoveControl(c);
  }
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw Exception("Control index out of bounds (" + std::to_string(index) + ")");
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  if (auto* wc = dynamic_cast<TWinControl*>(control)) tab_list_.push_back(wc);
  // Graphic controls paint beneath the windowed ones; each kind in creation order.
  for (TControl* c : controls_)
    if (!c->IsWindowed() && c->widget_) c->widget_->raise();
  for (TControl* c : controls_)
    if (c->IsWindowed() && c->widget_) c->widget_->raise();
  UpdateTabChain();
}

void TWinControl::RemoveControl(TControl* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  tab_list_.erase(std::remove(tab_list_.begin(), tab_list_.end(), control), tab_list_.end());
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->tab_list_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (Has(csLoading)) {
    wanted_tab_order_ = order;
    return;
  }
  if (!Parent()) return;
  auto& list = Parent()->tab_list_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  const int at = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + at, this);
  UpdateTabChain();
}

void TWinControl::FixupTabList() {
  // Controls read from a form file ask for their places after all are read.
  std::stable_sort(tab_list_.begin(), tab_list_.end(),
                   [](const TWinControl* a, const TWinControl* b) {
                     const int oa = a->wanted_tab_order_ < 0 ? 1 << 30 : a->wanted_tab_order_;
                     const int ob = b->wanted_tab_order_ < 0 ? 1 << 30 : b->wanted_tab_order_;
                     return oa < ob;
                   });
  for (TWinControl* c : tab_list_) c->wanted_tab_order_ = -1;
  UpdateTabChain();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  FixupTabList();
}

void TWinControl::SetTabStop(bool on) {
  tab_stop_ = on;
  UpdateTabChain();
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tab_list_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

void TWinControl::UpdateTabChain() {
  TControl* top = this;
  while (top->Parent()) top = top->Parent();
  auto* root = static_cast<TWinControl*>(top);
  std::vector<TWinControl*> list;
  root->GetTabOrderList(list);
  QWidget* prev = nullptr;
  for (TWinControl* c : list) {
    QWidget* w = c->Widget();
    if (!w) continue;
    if (w->focusProxy()) w = w->focusProxy();
    if (!c->tab_stop_) {
      if (w->focusPolicy() & Qt::TabFocus) w->setFocusPolicy(Qt::ClickFocus);
      continue;
    }
    if (w->focusPolicy() == Qt::ClickFocus) w->setFocusPolicy(Qt::StrongFocus);
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (prev) QWidget::setTabOrder(prev, w);
    prev = w;
  }
}

bool TWinControl::Focused() const {
  return Widget() && IsInside(QApplication::focusWidget(), Widget());
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Enabled() || !c->Visible()) return false;
  return ParentForm() != nullptr;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw Exception("Cannot focus a disabled or invisible window");
  Perform(WM_SETFOCUS);
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS:
      DoEnter();
      break;
    case WM_KILLFOCUS:
      DoExit();
      break;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      if (m.Msg == WM_KEYDOWN)
        KeyDown(key, static_cast<TShiftState>(m.LParam));
      else
        KeyUp(key, static_cast<TShiftState>(m.LParam));
      if (key == 0) return;
      m.WParam = key;
      break;
    }
    case WM_CHAR: {
      char c = static_cast<char>(m.WParam);
      KeyPress(c);
      if (c == 0) return;
      m.WParam = static_cast<unsigned char>(c);
      break;
    }
    default:
      break;
  }
  TControl::WndProc(m);
}

void TWinControl::DoEnter() {
  if (on_enter_) on_enter_(this);
}
void TWinControl::DoExit() {
  if (on_exit_) on_exit_(this);
}
void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (on_key_down_) on_key_down_(this, key, shift);
}
void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (on_key_up_) on_key_up_(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
  if (on_key_press_) on_key_press_(this, key);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : controls_) c->ApplyParentFont();
}

void TWinControl::ColorChanged() {
  if (QWidget* w = Widget()) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(Color()));
    pal.setColor(QPalette::Button, ToQColor(Color()));
    w->setPalette(pal);
  }
  TControl::ColorChanged();
  for (TControl* c : controls_) c->ApplyParentColor();
}

// ---- TGraphicControl -------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {
  SetWidget(new TPaintWidget(this));
}

void TGraphicControl::Paint(QPainter&) {}

// Published properties and events, in stream order: what form files and the
// designer read and write.

namespace {
const std::vector<std::string> kFontStyles = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
}  // namespace

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo info =
      Published<TControl>()
          .Property("Left", &TControl::Left, &TControl::SetLeft)
          .Property("Top", &TControl::Top, &TControl::SetTop)
          .Property("Width", &TControl::Width, &TControl::SetWidth)
          .Property("Height", &TControl::Height, &TControl::SetHeight)
          .Property("Enabled", &TControl::Enabled, &TControl::SetEnabled)
          .Default(true)
          .Property("Visible", &TControl::Visible, &TControl::SetVisible)
          .Default(true)
          .Property("Hint", &TControl::Hint, &TControl::SetHint)
          .Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
          .Default(false)
          .Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
          .Default(true)
          .Property("Font.Name", &TControl::FontName, &TControl::SetFontName)
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("Font.Height", &TControl::FontHeight, &TControl::SetFontHeight)
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("Font.Style", &TControl::FontStyle, &TControl::SetFontStyle, kFontStyles)
          .Default(TFontStyles{})
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
          .Stored([](const TControl& c) { return c.ParentColorStored(); })
          .Event("OnClick", &TControl::OnClick, &TControl::SetOnClick)
          .Event("OnMouseDown", &TControl::OnMouseDown, &TControl::SetOnMouseDown)
          .Event("OnMouseUp", &TControl::OnMouseUp, &TControl::SetOnMouseUp)
          .Event("OnMouseMove", &TControl::OnMouseMove, &TControl::SetOnMouseMove);
  return info;
}

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo info =
      Published<TWinControl>()
          .Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
          .Stored([](const TWinControl& c) { return c.Parent() != nullptr; })
          .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
          .Default(true)
          .Event("OnEnter", &TWinControl::OnEnter, &TWinControl::SetOnEnter)
          .Event("OnExit", &TWinControl::OnExit, &TWinControl::SetOnExit)
          .Event("OnKeyDown", &TWinControl::OnKeyDown, &TWinControl::SetOnKeyDown)
          .Event("OnKeyUp", &TWinControl::OnKeyUp, &TWinControl::SetOnKeyUp)
          .Event("OnKeyPress", &TWinControl::OnKeyPress, &TWinControl::SetOnKeyPress);
  return info;
}

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo info = Published<TGraphicControl>();
  return info;
}

}  // namespace orv
