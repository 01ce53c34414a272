#include <orv/design/testing/designtesting.h>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

#include <orv/host/forms/testing/formtesting.h>

namespace orv::testing {

namespace {
constexpr int kPollMs = 2;  // how often a waiting box is looked for
}

MessageBoxAnswerer::MessageBoxAnswerer() {
  StartApplication();  // the timer needs the Qt application
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start(kPollMs);
}

MessageBoxAnswerer::~MessageBoxAnswerer() { timer_.stop(); }

void MessageBoxAnswerer::Poll() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box || !box->isVisible() || box->property("orvAnswered").toBool()) return;
  box->setProperty("orvAnswered", true);  // its loop ends on the next round
  seen_.push_back(FromQString(box->windowTitle()) + ": " + FromQString(box->text()));
  QAbstractButton* ok = box->button(QMessageBox::Ok);
  if (ok)
    ok->click();
  else
    box->done(0);
}

std::vector<std::string> MessageBoxAnswerer::Take() {
  std::vector<std::string> out;
  out.swap(seen_);
  return out;
}

WindowHeights::WindowHeights(TCustomForm* form) : form_(form) {
  form->Widget()->installEventFilter(this);
}

WindowHeights::~WindowHeights() {
  if (form_->Widget()) form_->Widget()->removeEventFilter(this);
}

bool WindowHeights::eventFilter(QObject* watched, QEvent* event) {
  if (watched != form_->Widget()) return false;
  const int height = form_->Widget()->height() + form_->FrameHeight();
  std::vector<int>* into = event->type() == QEvent::Resize  ? &resized_
                           : event->type() == QEvent::Paint ? &painted_
                                                            : nullptr;
  if (into && (into->empty() || into->back() != height)) into->push_back(height);
  return false;
}

std::vector<int> WindowHeights::TakeResized() {
  std::vector<int> out;
  out.swap(resized_);
  return out;
}

std::vector<int> WindowHeights::TakePainted() {
  std::vector<int> out;
  out.swap(painted_);
  return out;
}

void ExpectControls(TCustomForm* form, const std::vector<ControlPlace>& places) {
  ASSERT_EQ(form->ControlCount(), static_cast<int>(places.size()));
  for (int i = 0; i < form->ControlCount(); ++i) {
    const ControlPlace& p = places[i];
    TControl* c = form->Controls(i);
    SCOPED_TRACE(p.name);
    EXPECT_EQ(c->Name(), p.name);
    EXPECT_EQ((std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()}),
              (std::vector<int>{p.left, p.top, p.width, p.height}));
    EXPECT_EQ(c->Enabled(), p.enabled);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      EXPECT_EQ(w->TabOrder(), p.tab);
    }
  }
}

}  // namespace orv::testing
