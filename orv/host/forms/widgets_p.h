// Internal to the window layer: the Qt objects behind the controls.
#pragma once

#include <QObject>
#include <QWidget>

namespace orv {

class TControl;
class TGraphicControl;

// Watches a control's widget (and the widgets inside it that take input) and
// turns what Qt delivers into the control's messages. Deleting it removes the
// watch and cuts every signal connection made with it as context.
class TControlBridge : public QObject {
 public:
  explicit TControlBridge(TControl* control) : control_(control) {}
  void Watch(QWidget* widget);
  bool eventFilter(QObject* watched, QEvent* event) override;
  TControl* Control() const { return control_; }

 private:
  TControl* control_;
};

// The widget of a graphic control: paints through the control's Paint and
// keeps mouse input to itself (a click on a label is the label's).
class TPaintWidget : public QWidget {
 public:
  explicit TPaintWidget(TGraphicControl* control) : control_(control) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  TGraphicControl* control_;
};

// Runs fn, showing any error it raises the way the application shows errors
// of event handlers (Qt must never see an exception).
template <class F>
void GuardedCall(F&& fn);
void ShowHandlerError();

template <class F>
void GuardedCall(F&& fn) {
  try {
    fn();
  } catch (...) {
    ShowHandlerError();
  }
}

// True when w is outer or lies inside it.
inline bool IsInside(const QWidget* w, const QWidget* outer) {
  for (; w; w = w->parentWidget())
    if (w == outer) return true;
  return false;
}

}  // namespace orv
