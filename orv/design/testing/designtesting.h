// Test support for the design-time dialogs: answers every message box that
// appears while it lives (OK), recording what each showed, and records the
// window heights a form was drawn at.
// Main thread only.
#pragma once

#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

#include <orv/host/forms/forms.h>

namespace orv::testing {

// Answers each Qt message box with OK as soon as it is the modal window, for
// as long as it lives. Texts are 1251.
class MessageBoxAnswerer : public QObject {
 public:
  MessageBoxAnswerer();
  ~MessageBoxAnswerer() override;
  // "CAPTION: TEXT" of every box answered, in order; Take() also forgets them.
  const std::vector<std::string>& Seen() const { return seen_; }
  std::vector<std::string> Take();

 private:
  void Poll();
  QTimer timer_;
  std::vector<std::string> seen_;
};

// The heights (frame included) a form's window takes, and those it is
// painted at, in order; each run of equal heights counts once.
class WindowHeights : public QObject {
 public:
  explicit WindowHeights(TCustomForm* form);
  ~WindowHeights() override;
  std::vector<int> TakeResized();
  std::vector<int> TakePainted();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TCustomForm* form_;
  std::vector<int> resized_, painted_;
};

// One control of a dialog's layout: its place, its tab order (-1: a graphic
// control, which has none) and whether it is enabled.
struct ControlPlace {
  const char* name;
  int left, top, width, height, tab;
  bool enabled;
};

// Expects the form's controls, in creation order, to be exactly `places`
// (a failure names the control).
void ExpectControls(TCustomForm* form, const std::vector<ControlPlace>& places);

}  // namespace orv::testing
