#include <orv/host/forms/forms.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <orv/host/classes/filer.h>
#include <orv/host/classes/formfile.h>
#include <orv/host/forms/formclasses.h>
#include <orv/host/forms/widgets_p.h>
#include <orv/host/rtl/exception.h>

namespace orv {

// ---- the form's window -----------------------------------------------------

class TFormWidget : public QWidget {
 public:
  explicit TFormWidget(TCustomForm* form) : QWidget(nullptr, Qt::Window), form_(form) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();  // the form decides: hide, or end its modal loop
    GuardedCall([&] { form_->CloseRequested(); });
  }
  void keyPressEvent(QKeyEvent* e) override {
    unsigned key = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) key = VK_RETURN;
    if (e->key() == Qt::Key_Escape) key = VK_ESCAPE;
    bool taken = false;
    if (key) GuardedCall([&] { taken = form_->DialogKey(key); });
    if (!taken) QWidget::keyPressEvent(e);
  }
  void mousePressEvent(QMouseEvent* e) override { e->accept(); }
  void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }

 private:
  TCustomForm* form_;
};

void ShowHandlerError() {
  try {
    throw;
  } catch (const std::exception& e) {
    Application()->ShowException(e);
  } catch (...) {
    Application()->ShowException(Exception("Unknown error"));
  }
}

TControl* FindControl(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    const QVariant v = widget->property("orvControl");
    if (v.isValid()) return reinterpret_cast<TControl*>(v.value<quintptr>());
  }
  return nullptr;
}

// ---- TCustomForm -----------------------------------------------------------

// Hears, by free notification, that its form is being freed while the form
// is still whole, so that OnDestroy may use what the form's own class holds.
class TFormDestroyWatch : public TComponent {
 public:
  explicit TFormDestroyWatch(TCustomForm* form) : TComponent(nullptr), form_(form) {
    FreeNotification(form);
  }
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component == form_ && form_->Has(csDestroying)) form_->DoDestroy();
    TComponent::Notification(component, operation);
  }

 private:
  TCustomForm* form_;
};

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  auto* w = new TFormWidget(this);
  w->setAutoFillBackground(true);
  SetWidget(w);
  SetBounds(0, 0, 320 + 2 * kFrameBorder, 240 + 2 * kFrameBorder + kCaptionHeight);
  SetVisible(false);
  ColorChanged();
  ApplyFrame();
  destroy_watch_ = new TFormDestroyWatch(this);
}

TCustomForm::~TCustomForm() {
  DoDestroy();  // when deleted directly rather than freed: late, but once
  if (destroy_watch_) destroy_watch_->Free();
  if (modal_) modal_result_ = mrCancel;
  if (Application()->MainForm() == this) Application()->SetMainForm(nullptr);
}

void TCustomForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (on_create_) on_create_(this);
}

void TCustomForm::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (on_destroy_) on_destroy_(this);
}

int TCustomForm::FrameWidth() const { return border_style_ == bsNone ? 0 : 2 * kFrameBorder; }

int TCustomForm::FrameHeight() const {
  return border_style_ == bsNone ? 0 : 2 * kFrameBorder + kCaptionHeight;
}

int TCustomForm::ClientWidth() const { return std::max(Width() - FrameWidth(), 0); }
int TCustomForm::ClientHeight() const { return std::max(Height() - FrameHeight(), 0); }
void TCustomForm::SetClientWidth(int w) { SetBounds(Left(), Top(), w + FrameWidth(), Height()); }
void TCustomForm::SetClientHeight(int h) { SetBounds(Left(), Top(), Width(), h + FrameHeight()); }

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
}

void TCustomForm::ApplyFrame() {
  QWidget* w = Widget();
  if (!w) return;
  Qt::WindowFlags f = Qt::Window;
  if (border_style_ == bsNone) {
    f |= Qt::FramelessWindowHint;
  } else {
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (border_icons_.Contains(biSystemMenu))
      f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    const bool sizeable = border_style_ == bsSizeable || border_style_ == bsSizeToolWin;
    if (sizeable && border_icons_.Contains(biMinimize)) f |= Qt::WindowMinimizeButtonHint;
    if (sizeable && border_icons_.Contains(biMaximize)) f |= Qt::WindowMaximizeButtonHint;
    if (border_style_ == bsToolWindow || border_style_ == bsSizeToolWin) f |= Qt::Tool;
    if (border_style_ == bsDialog) f |= Qt::Dialog;
  }
  if (form_style_ == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
  const bool shown = w->isVisible();
  w->setWindowFlags(f);
  UpdateGeometry();
  if (shown) w->show();
}

void TCustomForm::UpdateGeometry() {
  QWidget* w = Widget();
  if (!w) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  const bool sizeable = border_style_ == bsSizeable || border_style_ == bsSizeToolWin;
  if (sizeable) {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->resize(cw, ch);
  } else {
    w->setFixedSize(cw, ch);
  }
  const int frame_left = border_style_ == bsNone ? 0 : kFrameBorder;
  const int frame_top = border_style_ == bsNone ? 0 : kFrameBorder + kCaptionHeight;
  w->move(Left() + frame_left, Top() + frame_top);
  if (w->isVisible()) w->repaint();  // a new height shows at once, as the dialogs' animations need
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  // The client area stays; the outer size follows the new frame.
  const int cw = ClientWidth(), ch = ClientHeight();
  border_style_ = style;
  TControl::SetBounds(Left(), Top(), cw + FrameWidth(), ch + FrameHeight());
  ApplyFrame();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  border_icons_ = icons;
  ApplyFrame();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
  form_style_ = style;
  ApplyFrame();
}

void TCustomForm::TextChanged() {
  if (Widget()) Widget()->setWindowTitle(ToQString(Caption()));
}

void TCustomForm::ColorChanged() { TWinControl::ColorChanged(); }

void TCustomForm::ApplyVisibility() {}

void TCustomForm::SetVisible(bool visible) {
  if (visible == Visible() && Widget() && Widget()->isVisible() == visible) return;
  TControl::SetVisible(visible);
  QWidget* w = Widget();
  if (!w) return;
  if (!visible) {
    w->hide();
    if (on_hide_) on_hide_(this);
    return;
  }
  if (position_ == poScreenCenter || position_ == poDesktopCenter ||
      position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect r = screen->availableGeometry();
      TControl::SetBounds(r.x() + (r.width() - Width()) / 2, r.y() + (r.height() - Height()) / 2,
                          Width(), Height());
    }
  }
  if (on_show_) on_show_(this);
  w->show();
  w->raise();
  w->activateWindow();
  TWinControl* first = active_control_;
  if (!first || !first->CanFocus()) {
    first = nullptr;
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    for (TWinControl* c : list)
      if (c->TabStop() && c->CanFocus() && c->Widget() &&
          (c->Widget()->focusProxy() ? c->Widget()->focusProxy() : c->Widget())->focusPolicy() !=
              Qt::NoFocus) {
        first = c;
        break;
      }
  }
  if (first) first->Perform(WM_SETFOCUS);
}

TModalResult TCustomForm::ShowModal() {
  if (modal_ || (Visible() && Widget() && Widget()->isVisible()))
    throw Exception("Cannot make a visible window modal");
  const std::weak_ptr<bool> alive = AliveToken();
  modal_result_ = mrNone;
  modal_ = true;
  Widget()->setWindowModality(Qt::ApplicationModal);
  try {
    SetVisible(true);
  } catch (...) {
    modal_ = false;
    Widget()->setWindowModality(Qt::NonModal);
    SetVisible(false);
    throw;
  }
  while (!alive.expired() && modal_result_ == mrNone)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  if (alive.expired()) return mrCancel;
  const TModalResult result = modal_result_;
  modal_ = false;
  SetVisible(false);
  Widget()->setWindowModality(Qt::NonModal);
  return result;
}

void TCustomForm::SetModalResult(TModalResult result) {
  modal_result_ = result;
  if (modal_ && result != mrNone)
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

void TCustomForm::CloseRequested() {
  bool can_close = true;
  if (on_close_query_) on_close_query_(this, can_close);
  if (!can_close) return;
  if (modal_)
    SetModalResult(mrCancel);
  else
    SetVisible(false);
}

void TCustomForm::Close() { CloseRequested(); }

void TCustomForm::Release() {
  const std::weak_ptr<bool> alive = AliveToken();
  QTimer::singleShot(0, QCoreApplication::instance(), [this, alive] {
    if (!alive.expired()) Free();
  });
}

bool TCustomForm::DialogKey(unsigned key) {
  QWidget* focus = QApplication::focusWidget();
  if (auto* c = dynamic_cast<TWinControl*>(FindControl(focus)))
    if (c != this && c->ParentForm() == this && c->HandleDialogKey(key, true)) return true;
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  for (TWinControl* c : list)
    if (c->CanFocus() && c->HandleDialogKey(key, false)) return true;
  return false;
}

void TCustomForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  // Components without a place on the form first, then the controls it holds.
  for (int i = 0; i < ComponentCount(); ++i)
    if (!dynamic_cast<TControl*>(Components(i))) proc(Components(i));
  TWinControl::GetChildren(proc, root);
}

void TCustomForm::SetIconName(const std::string& name) {
  icon_name_ = name;
  if (Has(csLoading)) return;  // the module is known once the layout is read
  if (name.empty()) {
    Widget()->setWindowIcon(QIcon());
    return;
  }
  TBitmap icon;
  icon.LoadFromResourceName(module_, name);
  Widget()->setWindowIcon(QIcon(QPixmap::fromImage(icon.Image())));
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  if (!icon_name_.empty()) SetIconName(icon_name_);
}

void TCustomForm::DefineProperties(TFiler* filer) {
  TWinControl::DefineProperties(filer);
  for (const char* entry : {"PixelsPerInch", "TextHeight", "OldCreateOrder"})
    filer->DefineProperty(entry, SkipEntry, nullptr, false);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    if (component == active_control_) active_control_ = nullptr;
    for (Field& f : fields_) f.clear(component);
  }
  TWinControl::Notification(component, operation);
}

void TCustomForm::ReadLayout(const std::string& module, const std::string& resource) {
  RegisterFormClasses();
  QFile file(QString::fromStdString(":/orv/" + module + "/" + resource));
  if (!file.open(QIODevice::ReadOnly)) throw EResNotFound("Resource " + resource + " not found");
  const QByteArray text = file.readAll();
  module_ = module;
  // Read outside the owner, so that a second form of the class can take the
  // layout's name with a number added (SampleForm_1), as the platform does.
  TComponent* owner = Owner();
  if (owner) owner->RemoveComponent(this);
  try {
    ReadFormFromString(this, std::string(text.constData(), static_cast<size_t>(text.size())));
  } catch (...) {
    if (owner) owner->InsertComponent(this);
    throw;
  }
  if (owner) {
    const std::string base = Name();
    for (int i = 1; !base.empty() && owner->FindComponent(Name()); ++i)
      SetName(base + "_" + std::to_string(i));
    owner->InsertComponent(this);
  }
  for (Field& f : fields_)
    if (!f.fill(FindComponent(f.name)))
      throw Exception("Layout " + resource + " has no " + f.name +
                      " of the class the form expects");
  DoCreate();
}

// ---- message boxes ---------------------------------------------------------

int TQtUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                 unsigned flags) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if ((flags & MB_ICONMASK) == MB_ICONERROR) icon = QMessageBox::Critical;
  if ((flags & MB_ICONMASK) == MB_ICONINFORMATION) icon = QMessageBox::Information;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if ((flags & 0x0F) == MB_OKCANCEL) buttons |= QMessageBox::Cancel;
  TCustomForm* main = Application()->MainForm();
  QMessageBox box(icon, ToQString(caption), ToQString(text), buttons,
                  main ? main->Widget() : nullptr);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}

void TQtUserInterface::ShowMessage(const std::string& text) {
  TCustomForm* main = Application()->MainForm();
  QMessageBox box(QMessageBox::NoIcon, ToQString(Application()->Title()), ToQString(text),
                  QMessageBox::Ok, main ? main->Widget() : nullptr);
  box.exec();
}

void TQtUserInterface::SetCursor(TCursor cursor) {
  if (cursor == crDefault) {
    if (overridden_) QGuiApplication::restoreOverrideCursor();
    overridden_ = false;
    return;
  }
  const QCursor c(static_cast<Qt::CursorShape>(QtCursorShape(cursor)));
  if (overridden_)
    QGuiApplication::changeOverrideCursor(c);
  else
    QGuiApplication::setOverrideCursor(c);
  overridden_ = true;
}

// ---- TApplication ----------------------------------------------------------

namespace {
int g_argc = 1;
char g_arg0[] = "orv";
char* g_argv[] = {g_arg0, nullptr};
}  // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  RegisterFormClasses();
  if (!QApplication::instance()) qt_app_ = std::make_unique<QApplication>(g_argc, g_argv);
  QApplication::setQuitOnLastWindowClosed(false);
  saved_ui_ = &UserInterface();
  SetUserInterface(&ui_);
}

TApplication::~TApplication() {
  DestroyComponents();
  if (&UserInterface() == &ui_) SetUserInterface(saved_ui_ == &ui_ ? nullptr : saved_ui_);
}

void TApplication::SetMainForm(TCustomForm* form) { main_form_ = form; }

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return orv::MessageBox(text, caption, flags);
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::Run() {
  terminated_ = false;
  if (main_form_) main_form_->Show();
  const std::weak_ptr<bool> alive = main_form_ ? main_form_->AliveToken() : std::weak_ptr<bool>();
  while (!terminated_ && main_form_ && !alive.expired() && main_form_->Visible())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::Terminate() {
  terminated_ = true;
  if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

void TApplication::ShowException(const std::exception& e) {
  orv::MessageBox(e.what(), title_, MB_OK | MB_ICONERROR);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  // An owned form hears of its end while it is still whole, so OnDestroy may
  // use what the form's own class holds.
  if (operation == opRemove)
    if (auto* form = dynamic_cast<TCustomForm*>(component); form && form->Has(csDestroying)) {
      if (form == main_form_) main_form_ = nullptr;
      form->DoDestroy();
    }
  TComponent::Notification(component, operation);
}

TApplication* Application() {
  // Kept for the life of the process: Qt's own teardown at exit is not ours to order.
  static TApplication* app = new TApplication(nullptr);
  return app;
}

// Published properties and events, in stream order: what form files and the
// designer read and write.

const TClassInfo& TCustomForm::StaticClassInfo() {
  static const TClassInfo info =
      Published<TCustomForm>()
          .Property(
              "BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
              {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})
          .Default(bsSizeable)
          .Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
                    {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"})
          .Property("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption)
          .Property("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth)
          .Property("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight)
          .Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle,
                    {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})
          .Default(fsNormal)
          .Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
                    {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                     "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"})
          .Default(poDesigned)
          .Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
          .Property("Icon.ResourceName", &TCustomForm::IconName, &TCustomForm::SetIconName)
          .Event("OnCreate", &TCustomForm::OnCreate, &TCustomForm::SetOnCreate)
          .Event("OnShow", &TCustomForm::OnShow, &TCustomForm::SetOnShow)
          .Event("OnHide", &TCustomForm::OnHide, &TCustomForm::SetOnHide)
          .Event("OnDestroy", &TCustomForm::OnDestroy, &TCustomForm::SetOnDestroy)
          .Event("OnCloseQuery", &TCustomForm::OnCloseQuery, &TCustomForm::SetOnCloseQuery);
  return info;
}

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo info = Published<TForm>();
  return info;
}

const TClassInfo& TApplication::StaticClassInfo() {
  static const TClassInfo info = Published<TApplication>();
  return info;
}

TComponent* LoadFormFromResource(const std::string& module, const std::string& resource,
                                 TComponent* owner) {
  RegisterFormClasses();
  QFile file(QString::fromStdString(":/orv/" + module + "/" + resource));
  if (!file.open(QIODevice::ReadOnly)) throw EResNotFound("Resource " + resource + " not found");
  const QByteArray text = file.readAll();
  return LoadFormFromString(FormTextOfFile({text.constData(), static_cast<size_t>(text.size())}),
                            owner);
}

std::pair<int, int> SaveScreenshot(TControl* control, const std::string& path) {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  const QPixmap shot = control->Widget()->grab();
  if (shot.isNull() || !shot.save(QString::fromStdString(path), "PNG"))
    throw Exception("Cannot save screenshot " + path);
  return {shot.width(), shot.height()};
}

}  // namespace orv
