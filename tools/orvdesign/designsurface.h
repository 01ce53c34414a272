// TSurface: the design surface, where the form's components are drawn (a
// form's client area and controls as the window layer's own widgets draw them
// at run time, any other component as its palette picture over its name) and picked, placed,
// dragged, moved by the arrow keys and deleted. The surface only reads the document; what the user
// does goes to the window's actions, which guard it. Threading: the Qt main thread.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <string>

#include <orv/host/classes/typinfo.h>
#include "tools/orvdesign/formdocument.h"

namespace orv::design {

class TDesignerWindow;

// The palette picture of a class: a resource named after the class in
// capitals, in whichever package's resources hold it; else its initials.
QPixmap PalettePicture(const TClassInfo& cls);

class TSurface : public QWidget {
 public:
  TSurface(TDesignerWindow* window, TFormDocument& doc);

  // The rectangle a component takes on the surface (picture and name).
  QRect Bounds(const TComponent* c) const;
  // The name of the topmost component at a point, or "".
  std::string HitTest(const QPoint& at) const;
  // The innermost control at a point that takes child controls (a panel, not
  // the form itself), or ""; corner: its top left corner on the surface.
  std::string ContainerAt(const QPoint& at, QPoint* corner) const;
  // Grows the surface to the form and its components, and repaints.
  void Resize();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool IsSelected(const std::string& name) const;

  TDesignerWindow* window_;
  TFormDocument& doc_;
  QPoint press_, drag_;
  bool pressed_ = false, dragging_ = false;
};

}  // namespace orv::design
