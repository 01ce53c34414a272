#include <orv/host/forms/testing/formtesting.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdlib>

#include <orv/host/forms/widgets_p.h>
#include <orv/host/rtl/exception.h>

namespace orv::testing {

namespace {

constexpr int kPumpRounds = 50;       // event rounds to wait for a window to become active
constexpr int kAnswerAttempts = 200;  // times an answer looks for its modal window

QWidget* FocusTarget(TWinControl* control) {
  QWidget* w = control->Widget();
  QWidget* f = w->focusWidget();
  if (f && (f == w || w->isAncestorOf(f))) return f;
  return w->focusProxy() ? w->focusProxy() : w;
}

void SendMouse(TControl* control, QEvent::Type type, int x, int y) {
  QWidget* w = control->Widget();
  if (x < 0 || y < 0) {
    x = w->width() / 2;
    y = w->height() / 2;
  }
  const QPoint p(x, y);
  QWidget* target = w->childAt(p);
  if (!target) target = w;
  const QPointF local = target->mapFrom(w, QPointF(p));
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
  QMouseEvent e(type, local, target->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}

int QtKeyOf(unsigned vk) {
  switch (vk) {
    case VK_RETURN:
      return Qt::Key_Return;
    case VK_TAB:
      return Qt::Key_Tab;
    case VK_ESCAPE:
      return Qt::Key_Escape;
    case VK_BACK:
      return Qt::Key_Backspace;
    case VK_DELETE:
      return Qt::Key_Delete;
    case VK_SPACE:
      return Qt::Key_Space;
    case VK_LEFT:
      return Qt::Key_Left;
    case VK_RIGHT:
      return Qt::Key_Right;
    case VK_UP:
      return Qt::Key_Up;
    case VK_DOWN:
      return Qt::Key_Down;
    case VK_HOME:
      return Qt::Key_Home;
    case VK_END:
      return Qt::Key_End;
    default:
      return static_cast<int>(vk);
  }
}

// Runs fn on the next event round, again and again until it says it is done.
void Retry(std::function<bool()> fn, int attempts) {
  QTimer::singleShot(0, QCoreApplication::instance(), [fn = std::move(fn), attempts]() mutable {
    if (fn() || attempts <= 1) return;
    Retry(std::move(fn), attempts - 1);
  });
}

}  // namespace

TApplication* StartApplication() {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return Application();
}

void Pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void ShowActive(TCustomForm* form) {
  form->Show();
  QWidget* w = form->Widget();
  w->activateWindow();
  for (int i = 0; i < kPumpRounds && QApplication::activeWindow() != w; ++i) Pump();
  if (QApplication::activeWindow() != w) throw Exception("Window did not become active");
}

void TypeInto(TWinControl* control, const std::string& text) {
  if (!control->Focused()) control->SetFocus();
  for (const char ch : text) {
    QWidget* target = FocusTarget(control);
    const QString t = ToQString(std::string(1, ch));
    const unsigned char c = static_cast<unsigned char>(ch);
    const int key = (c >= 'a' && c <= 'z')
                        ? Qt::Key_A + (c - 'a')
                        : (c < 128 ? static_cast<int>(c) : static_cast<int>(Qt::Key_unknown));
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, t);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, t);
    QApplication::sendEvent(target, &release);
  }
  Pump();
}

void PressKey(TWinControl* control, unsigned vk, TShiftState shift) {
  QWidget* target = FocusTarget(control);
  Qt::KeyboardModifiers mods;
  if (shift & ssShift) mods |= Qt::ShiftModifier;
  if (shift & ssCtrl) mods |= Qt::ControlModifier;
  QString text;
  if (vk == VK_RETURN) text = "\r";
  if (vk == VK_ESCAPE) text = QString(QChar(27));
  if (vk == VK_TAB) text = "\t";
  QKeyEvent press(QEvent::KeyPress, QtKeyOf(vk), mods, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, QtKeyOf(vk), mods, text);
  QApplication::sendEvent(target, &release);
  Pump();
}

void MouseDown(TControl* control, int x, int y) {
  SendMouse(control, QEvent::MouseButtonPress, x, y);
}
void MouseUp(TControl* control, int x, int y) {
  SendMouse(control, QEvent::MouseButtonRelease, x, y);
}

void Click(TControl* control, int x, int y) {
  const std::weak_ptr<bool> alive = control->AliveToken();
  MouseDown(control, x, y);
  if (!alive.expired()) MouseUp(control, x, y);
  Pump();
}

void ChooseRadio(TRadioGroup* group, int index) {
  QRadioButton* b = group->Button(index);
  if (!b) throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  // On the round indicator, where a person aims.
  const QPoint at = b->geometry().topLeft() + QPoint(6, b->height() / 2);
  Click(group, at.x(), at.y());
}

void ChooseCombo(TComboBox* combo, int index) {
  combo->SyncItems();
  QComboBox* box = combo->ComboBox();
  if (index < 0 || index >= box->count())
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  box->showPopup();
  Pump();
  QAbstractItemView* view = box->view();
  const QRect r = view->visualRect(view->model()->index(index, 0));
  QWidget* vp = view->viewport();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(r.center()),
                    vp->mapToGlobal(QPointF(r.center())), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(vp, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(r.center()),
                      vp->mapToGlobal(QPointF(r.center())), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(vp, &release);
  Pump();
  if (box->view()->isVisible()) box->hidePopup();
}

void LeaveField(TWinControl* control) {
  if (!control->Focused()) control->SetFocus();
  Pump();
  PressKey(control, VK_TAB);
}

void AnswerModal(std::function<void(TCustomForm*)> answer) {
  Retry(
      [answer = std::move(answer)]() {
        auto* form = dynamic_cast<TCustomForm*>(FindControl(QApplication::activeModalWidget()));
        if (!form || !form->Modal()) return false;
        GuardedCall([&] { answer(form); });
        return true;
      },
      kAnswerAttempts);
}

std::shared_ptr<SeenMessageBox> AnswerMessageBox(int button) {
  auto seen = std::make_shared<SeenMessageBox>();
  Retry(
      [seen, button]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return false;
        seen->seen = true;
        seen->caption = FromQString(box->windowTitle());
        seen->text = FromQString(box->text());
        seen->icon = box->icon();
        seen->has_cancel = box->button(QMessageBox::Cancel) != nullptr;
        QAbstractButton* b =
            box->button(button == IDCANCEL ? QMessageBox::Cancel : QMessageBox::Ok);
        if (!b) b = box->button(QMessageBox::Ok);
        b->click();
        return true;
      },
      kAnswerAttempts);
  return seen;
}

QSize SaveScreenshot(TControl* control, const std::string& path) {
  Pump();
  const auto [width, height] = orv::SaveScreenshot(control, path);
  return QSize(width, height);
}

}  // namespace orv::testing
