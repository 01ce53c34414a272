#include "host/forms/controls.h"

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

#include "host/rtl/sysutils.h"

#include "host/forms/forms.h"
#include "host/forms/widgets_p.h"
#include "host/rtl/cp1251.h"
#include "host/rtl/exception.h"

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
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
  }
}

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  TShiftState s = 0;
  if (mods & Qt::ShiftModifier) s |= ssShift;
  if (mods & Qt::AltModifier) s |= ssAlt;
  if (mods & Qt::ControlModifier) s |= ssCtrl;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

uintptr_t MouseKeys(const QMouseEvent* e) {
  uintptr_t k = 0;
  if (e->buttons() & Qt::LeftButton) k |= MK_LBUTTON;
  if (e->buttons() & Qt::RightButton) k |= MK_RBUTTON;
  if (e->buttons() & Qt::MiddleButton) k |= MK_MBUTTON;
  if (e->modifiers() & Qt::ShiftModifier) k |= MK_SHIFT;
  if (e->modifiers() & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}

TShiftState ShiftOfKeys(uintptr_t k) {
  TShiftState s = 0;
  if (k & MK_SHIFT) s |= ssShift;
  if (k & MK_CONTROL) s |= ssCtrl;
  if (k & MK_LBUTTON) s |= ssLeft;
  if (k & MK_RBUTTON) s |= ssRight;
  if (k & MK_MBUTTON) s |= ssMiddle;
  return s;
}

Qt::KeyboardModifiers ModsOfShift(TShiftState s) {
  Qt::KeyboardModifiers m;
  if (s & ssShift) m |= Qt::ShiftModifier;
  if (s & ssAlt) m |= Qt::AltModifier;
  if (s & ssCtrl) m |= Qt::ControlModifier;
  return m;
}

struct KeyPair {
  int qt;
  unsigned vk;
};
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},  {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_End, VK_END},        {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Delete, VK_DELETE},
};

unsigned VirtualKey(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return static_cast<unsigned>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VK_F1 + (qtKey - Qt::Key_F1);
  for (const KeyPair& k : kKeys)
    if (k.qt == qtKey) return k.vk;
  return 0;
}

int QtKey(unsigned vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<int>(vk);
  if (vk >= VK_F1 && vk < VK_F1 + 12) return Qt::Key_F1 + static_cast<int>(vk - VK_F1);
  for (const KeyPair& k : kKeys)
    if (k.vk == vk) return k.qt;
  return Qt::Key_unknown;
}

bool SameMessage(const TMessage& a, const TMessage& b) {
  return a.Msg == b.Msg && a.WParam == b.WParam && a.LParam == b.LParam;
}

bool IsInside(const QWidget* w, const QWidget* outer) {
  for (; w; w = w->parentWidget())
    if (w == outer) return true;
  return false;
}

}  // namespace

// ---- Qt objects ------------------------------------------------------------

void TControlBridge::Watch(QWidget* widget) { widget->installEventFilter(this); }

bool TControlBridge::eventFilter(QObject* watched, QEvent* event) {
  bool consumed = false;
  GuardedCall([&] { consumed = control_->QtEvent(watched, event); });
  return consumed;
}

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
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
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

void TControl::SetDefaultColor(TColor color, bool parentColor) {
  default_color_ = color;
  default_parent_color_ = parentColor;
  SetColor(color);
  SetParentColor(parentColor);
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
      MouseDown(mbLeft, shift | (m.Msg == WM_LBUTTONDBLCLK ? static_cast<unsigned>(ssDouble) : 0u), x, y);
      break;
    case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift, x, y); break;
    case WM_LBUTTONUP: {
      const bool clicked = mouse_down_;
      mouse_down_ = false;
      if (clicked && !ClicksFromWidget() && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) {
        Click();
        if (!*alive) return;
      }
      MouseUp(mbLeft, shift, x, y);
      break;
    }
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case CN_COMMAND:
      if (HiWord(m.WParam) == BN_CLICKED && ClicksFromWidget()) Click();
      return;
    default: break;
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
    case WM_GETTEXTLENGTH: m.Result = static_cast<intptr_t>(GetText().size()); break;
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
    case WM_MOUSEMOVE: SendInputToWidget(m); break;
    default: break;
  }
}

void TControl::SendInputToWidget(const TMessage& m) {
  if (!widget_) return;
  const auto alive = alive_;
  ++bypass_;
  struct Done {
    std::shared_ptr<bool> alive;
    int* bypass;
    ~Done() {
      if (*alive) --*bypass;
    }
  } done{alive, &bypass_};
  if (m.Msg == WM_KEYDOWN || m.Msg == WM_KEYUP || m.Msg == WM_CHAR) {
    QWidget* target = widget_->focusWidget();
    if (!target || !IsInside(target, widget_)) target = widget_->focusProxy() ? widget_->focusProxy() : widget_.data();
    if (m.Msg == WM_CHAR) {
      const unsigned char c = static_cast<unsigned char>(m.WParam);
      int key = Qt::Key_unknown;
      if (c == 8) key = Qt::Key_Backspace;
      else if (c == 9) key = Qt::Key_Tab;
      else if (c == 13) key = Qt::Key_Return;
      else if (c == 27) key = Qt::Key_Escape;
      else if (c >= 'a' && c <= 'z') key = Qt::Key_A + (c - 'a');
      else if (c < 128 && c >= 32) key = c;
      const QString text = c >= 32 ? ToQString(std::string(1, static_cast<char>(c))) : QString(QChar(c));
      QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier, text);
      QCoreApplication::sendEvent(target, &ev);
    } else {
      QKeyEvent ev(m.Msg == WM_KEYDOWN ? QEvent::KeyPress : QEvent::KeyRelease,
                   QtKey(static_cast<unsigned>(m.WParam)), ModsOfShift(static_cast<TShiftState>(m.LParam)));
      QCoreApplication::sendEvent(target, &ev);
    }
    return;
  }
  const QPoint p(LoWordSigned(m.LParam), HiWordSigned(m.LParam));
  QWidget* target = widget_->childAt(p);
  if (!target) target = widget_;
  const QPointF local = target->mapFrom(widget_.data(), QPointF(p));
  const QPointF global = widget_->mapToGlobal(QPointF(p));
  QEvent::Type type = QEvent::MouseMove;
  Qt::MouseButton button = Qt::NoButton;
  Qt::MouseButtons buttons;
  if (m.WParam & MK_LBUTTON) buttons |= Qt::LeftButton;
  if (m.WParam & MK_RBUTTON) buttons |= Qt::RightButton;
  if (m.WParam & MK_MBUTTON) buttons |= Qt::MiddleButton;
  switch (m.Msg) {
    case WM_LBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::LeftButton; break;
    case WM_LBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::LeftButton; break;
    case WM_LBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::LeftButton; break;
    case WM_RBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::RightButton; break;
    case WM_RBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::RightButton; break;
    case WM_MBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::MiddleButton; break;
    case WM_MBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::MiddleButton; break;
    default: break;
  }
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) buttons |= button;
  Qt::KeyboardModifiers mods;
  if (m.WParam & MK_SHIFT) mods |= Qt::ShiftModifier;
  if (m.WParam & MK_CONTROL) mods |= Qt::ControlModifier;
  QMouseEvent ev(type, local, global, button, buttons, mods);
  QCoreApplication::sendEvent(target, &ev);
}

bool TControl::DeliverInput(TMessage message) {
  const auto alive = alive_;
  InputFrame frame;
  frame.original = message;
  frame.prev = input_;
  input_ = &frame;
  struct Pop {
    std::shared_ptr<bool> alive;
    TControl* c;
    InputFrame* f;
    ~Pop() {
      if (*alive) c->input_ = f->prev;
    }
  } pop{alive, this, &frame};
  if (window_proc_) window_proc_(message);
  return !frame.reached_default;
}

bool TControl::QtEvent(QObject* watched, QEvent* event) {
  if (bypass_ > 0 || !widget_) return false;
  QWidget* w = qobject_cast<QWidget*>(watched);
  if (!w) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint p = w->mapTo(widget_.data(), me->position().toPoint());
      unsigned msg = 0;
      const bool press = event->type() != QEvent::MouseButtonRelease;
      const bool dbl = event->type() == QEvent::MouseButtonDblClick;
      if (event->type() == QEvent::MouseMove) {
        msg = WM_MOUSEMOVE;
      } else if (me->button() == Qt::LeftButton) {
        msg = dbl ? WM_LBUTTONDBLCLK : press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      } else if (me->button() == Qt::RightButton) {
        msg = press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      } else if (me->button() == Qt::MiddleButton) {
        msg = press ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      } else {
        return false;
      }
      TMessage m;
      m.Msg = msg;
      m.WParam = MouseKeys(me);
      m.LParam = MakeLParam(p.x(), p.y());
      return DeliverInput(m);
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      const unsigned vk = VirtualKey(ke->key());
      const TShiftState shift = ShiftOf(ke->modifiers(), Qt::NoButton);
      TMessage m;
      m.LParam = static_cast<intptr_t>(shift);
      if (event->type() == QEvent::KeyRelease) {
        if (!vk) return false;
        m.Msg = WM_KEYUP;
        m.WParam = vk;
        return DeliverInput(m);
      }
      if (vk) {
        m.Msg = WM_KEYDOWN;
        m.WParam = vk;
        if (DeliverInput(m)) return true;
      }
      const QString text = ke->text();
      if (text.isEmpty() || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
      const std::string chars = FromQString(text);
      const unsigned char c = chars.empty() ? 0 : static_cast<unsigned char>(chars[0]);
      if (c < 32 && c != 8 && c != 9 && c != 13 && c != 27) return false;
      TMessage ch;
      ch.Msg = WM_CHAR;
      ch.WParam = c;
      return DeliverInput(ch);
    }
    case QEvent::FocusIn: {
      // Focus given while the window was inactive arrives with its activation.
      if (has_focus_) return false;
      has_focus_ = true;
      TMessage m;
      m.Msg = WM_SETFOCUS;
      DeliverInput(m);
      return false;
    }
    case QEvent::FocusOut: {
      auto* fe = static_cast<QFocusEvent*>(event);
      if (fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason) return false;
      if (!has_focus_ || IsInside(QApplication::focusWidget(), widget_)) return false;
      has_focus_ = false;
      TMessage m;
      m.Msg = WM_KILLFOCUS;
      DeliverInput(m);
      return false;
    }
    case QEvent::Enter:
    case QEvent::Leave: {
      if (w != widget_) return false;
      TMessage m;
      m.Msg = event->type() == QEvent::Enter ? CM_MOUSEENTER : CM_MOUSELEAVE;
      DeliverInput(m);
      return false;
    }
    default: return false;
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
  std::stable_sort(tab_list_.begin(), tab_list_.end(), [](const TWinControl* a, const TWinControl* b) {
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

bool TWinControl::Focused() const { return Widget() && IsInside(QApplication::focusWidget(), Widget()); }

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
    case WM_SETFOCUS: DoEnter(); break;
    case WM_KILLFOCUS: DoExit(); break;
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
    default: break;
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

}  // namespace orv
