// How Qt input reaches a control: Qt's mouse and key events become the
// control's messages (WM_LBUTTONDOWN, WM_KEYDOWN, WM_CHAR...), which pass
// through its WindowProc, and the messages a control sends itself
// (Perform) become Qt events for its widget.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <orv/host/forms/controls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/widgets_p.h>

namespace orv {

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
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Delete, VK_DELETE},
};

unsigned VirtualKey(int qt_key) {
  if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) || (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9))
    return static_cast<unsigned>(qt_key);
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) return VK_F1 + (qt_key - Qt::Key_F1);
  for (const KeyPair& k : kKeys)
    if (k.qt == qt_key) return k.vk;
  return 0;
}

int QtKey(unsigned vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<int>(vk);
  if (vk >= VK_F1 && vk < VK_F1 + 12) return Qt::Key_F1 + static_cast<int>(vk - VK_F1);
  for (const KeyPair& k : kKeys)
    if (k.vk == vk) return k.qt;
  return Qt::Key_unknown;
}

}  // namespace

bool TControlBridge::eventFilter(QObject* watched, QEvent* event) {
  bool consumed = false;
  GuardedCall([&] { consumed = control_->QtEvent(watched, event); });
  return consumed;
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
    if (!target || !IsInside(target, widget_))
      target = widget_->focusProxy() ? widget_->focusProxy() : widget_.data();
    if (m.Msg == WM_CHAR) {
      const unsigned char c = static_cast<unsigned char>(m.WParam);
      int key = Qt::Key_unknown;
      if (c == 8)
        key = Qt::Key_Backspace;
      else if (c == 9)
        key = Qt::Key_Tab;
      else if (c == 13)
        key = Qt::Key_Return;
      else if (c == 27)
        key = Qt::Key_Escape;
      else if (c >= 'a' && c <= 'z')
        key = Qt::Key_A + (c - 'a');
      else if (c < 128 && c >= 32)
        key = c;
      const QString text =
          c >= 32 ? ToQString(std::string(1, static_cast<char>(c))) : QString(QChar(c));
      QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier, text);
      QCoreApplication::sendEvent(target, &ev);
    } else {
      QKeyEvent ev(m.Msg == WM_KEYDOWN ? QEvent::KeyPress : QEvent::KeyRelease,
                   QtKey(static_cast<unsigned>(m.WParam)),
                   ModsOfShift(static_cast<TShiftState>(m.LParam)));
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
    case WM_LBUTTONDOWN:
      type = QEvent::MouseButtonPress;
      button = Qt::LeftButton;
      break;
    case WM_LBUTTONDBLCLK:
      type = QEvent::MouseButtonDblClick;
      button = Qt::LeftButton;
      break;
    case WM_LBUTTONUP:
      type = QEvent::MouseButtonRelease;
      button = Qt::LeftButton;
      break;
    case WM_RBUTTONDOWN:
      type = QEvent::MouseButtonPress;
      button = Qt::RightButton;
      break;
    case WM_RBUTTONUP:
      type = QEvent::MouseButtonRelease;
      button = Qt::RightButton;
      break;
    case WM_MBUTTONDOWN:
      type = QEvent::MouseButtonPress;
      button = Qt::MiddleButton;
      break;
    case WM_MBUTTONUP:
      type = QEvent::MouseButtonRelease;
      button = Qt::MiddleButton;
      break;
    default:
      break;
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
      if (text.isEmpty() || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
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
      if (fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason)
        return false;
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
    default:
      return false;
  }
}

}  // namespace orv
