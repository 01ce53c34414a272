#include "tools/orvdesign/designsurface.h"

#include <QContextMenuEvent>
#include <QDirIterator>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include <orv/host/classes/typinfo.h>
#include <orv/host/forms/controls.h>
#include <orv/host/rtl/sysutils.h>
#include "tools/orvdesign/designerwindow.h"

namespace orv::design {

namespace {

constexpr int kIcon = 28;  // the side of a component's picture on the surface

// Where a control's parent sits on the form: the positions of its enclosing
// controls (a panel, a group box) below the form itself.
QPoint ParentOffset(const TComponent* c, const TComponent* root) {
  QPoint off;
  const auto* control = dynamic_cast<const TControl*>(c);
  for (TWinControl* p = control ? control->Parent() : nullptr; p && p != root; p = p->Parent())
    off += QPoint(p->Left(), p->Top());
  return off;
}

int IntProp(const TComponent* c, const char* name, int fallback) {
  const TPropInfo* p = ClassInfoOf(*c).FindProperty(name);
  if (!p || p->kind != TTypeKind::Integer) return fallback;
  return static_cast<int>(std::get<int64_t>(p->get(*c)));
}

}  // namespace

QPixmap PalettePicture(const TClassInfo& cls) {
  const QString want = QString::fromStdString(cls.Name()).toUpper();
  QDirIterator it(":/orv", QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (QFileInfo(path).completeBaseName().toUpper() == want) {
      QPixmap p(path);
      if (!p.isNull()) return p.scaled(24, 24);
    }
  }
  QPixmap p(24, 24);
  p.fill(QColor(230, 230, 210));
  QPainter g(&p);
  g.setPen(Qt::darkBlue);
  g.drawRect(0, 0, 23, 23);
  QString letters = QString::fromStdString(cls.Name());
  if (letters.size() > 1 && letters[0] == 'T') letters = letters.mid(1);
  g.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, letters.left(2));
  return p;
}

TSurface::TSurface(TDesignerWindow* window, TFormDocument& doc)
    : QWidget(window), window_(window), doc_(doc) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  setMinimumSize(640, 420);
  setAutoFillBackground(true);
}

QRect TSurface::Bounds(const TComponent* c) const {
  const auto p = doc_.Position(c);
  if (TFormDocument::IsControl(c))
    return QRect(
        QPoint(p.x, p.y) + ParentOffset(c, doc_.Root()),
        QSize(std::max(8, IntProp(c, "Width", 75)), std::max(8, IntProp(c, "Height", 25))));
  const int text = fontMetrics().horizontalAdvance(ToQString(c->Name()));
  const int w = std::max(kIcon, text + 4);
  return QRect(p.x - (w - kIcon) / 2, p.y, w, kIcon + fontMetrics().height() + 2);
}

std::string TSurface::HitTest(const QPoint& at) const {
  const auto comps = doc_.Components();
  for (auto it = comps.rbegin(); it != comps.rend(); ++it)  // the topmost (last drawn) first
    if (Bounds(*it).contains(at)) return (*it)->Name();
  return "";
}

void TSurface::Resize() {
  int w = 640, h = 420;
  if (TComponent* root = doc_.Root(); root && TFormDocument::IsControl(root)) {
    w = std::max(w, IntProp(root, "Width", w));
    h = std::max(h, IntProp(root, "Height", h));
  }
  for (TComponent* c : doc_.Components()) {
    const QRect r = Bounds(c);
    w = std::max(w, r.right() + 40);
    h = std::max(h, r.bottom() + 40);
  }
  setMinimumSize(w, h);
  update();
}

std::string TSurface::ContainerAt(const QPoint& at, QPoint* corner) const {
  std::string best;
  int best_area = 0;
  for (TComponent* c : doc_.Components()) {
    const auto* w = dynamic_cast<const TWinControl*>(c);
    const QRect r = Bounds(c);
    if (!w || !w->AcceptsControls() || !r.contains(at)) continue;
    const int area = r.width() * r.height();
    if (best.empty() || area < best_area) {  // the innermost: nested ones are smaller
      best = c->Name();
      best_area = area;
      if (corner) *corner = r.topLeft();
    }
  }
  return best;
}

void TSurface::paintEvent(QPaintEvent*) {
  QPainter g(this);
  g.fillRect(rect(), QColor(240, 240, 240));
  g.setPen(QColor(200, 200, 200));
  for (int x = 0; x < width(); x += 8)
    for (int y = 0; y < height(); y += 8) g.drawPoint(x, y);
  bool rendered = false;
  if (TComponent* root = doc_.Root(); root && TFormDocument::IsControl(root)) {
    // A form: its client area with its controls, drawn by the window layer's
    // own widgets as they look when the program runs. They never get an event
    // from here: the surface only paints their picture.
    const QRect client(0, 0, IntProp(root, "ClientWidth", 320), IntProp(root, "ClientHeight", 240));
    auto* form = dynamic_cast<TWinControl*>(root);
    if (QWidget* w = form ? form->ClientWidget() : nullptr) {
      g.fillRect(client, w->palette().color(QPalette::Window));
      // Each control on its own, parents first (the order of the file), at
      // its place on the surface: the form's window is never shown, so Qt
      // would not draw its children with it.
      for (TComponent* c : doc_.Components())
        if (auto* control = dynamic_cast<TControl*>(c); control && control->Widget()) {
          if (!control->Visible()) continue;
          // Through a picture: a widget rendered straight onto this painter
          // would miss the surface's place in its window.
          const QRect r = Bounds(c);
          g.drawPixmap(r.topLeft(), control->Widget()->grab(QRect(0, 0, r.width(), r.height())));
        }
      rendered = true;
    } else {
      g.fillRect(client, QColor(212, 208, 200));
    }
    g.setPen(Qt::darkGray);
    g.drawRect(client.adjusted(0, 0, -1, -1));
  }
  for (TComponent* c : doc_.Components()) {
    const bool selected = IsSelected(c->Name());
    QRect r = Bounds(c);
    if (selected && dragging_) r.translate(drag_);
    if (TFormDocument::IsControl(c) && rendered) {
      if (selected && dragging_) {  // where the control would go
        g.setPen(QPen(Qt::black, 1, Qt::DotLine));
        g.drawRect(r.adjusted(0, 0, -1, -1));
      }
    } else if (TFormDocument::IsControl(c)) {
      g.fillRect(r, QColor(250, 250, 250));
      g.setPen(Qt::darkGray);
      g.drawRect(r.adjusted(0, 0, -1, -1));
      std::string caption = c->Name();
      if (ClassInfoOf(*c).FindProperty("Caption"))
        caption = GetPropText(*c, "Caption");
      else if (ClassInfoOf(*c).FindProperty("Text"))
        caption = GetPropText(*c, "Text");
      g.setPen(Qt::black);
      g.drawText(r.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, ToQString(caption));
    } else {
      const QRect icon(r.center().x() - kIcon / 2, r.top(), kIcon, kIcon);
      g.fillRect(icon, QColor(250, 250, 250));
      g.setPen(Qt::gray);
      g.drawRect(icon.adjusted(0, 0, -1, -1));
      g.drawPixmap(icon.left() + 2, icon.top() + 2, PalettePicture(ClassInfoOf(*c)));
      g.setPen(Qt::black);
      g.drawText(QRect(r.left(), icon.bottom() + 1, r.width(), fontMetrics().height() + 2),
                 Qt::AlignCenter, ToQString(c->Name()));
    }
    if (selected) {
      g.setPen(QPen(QColor(0, 0, 160), 1, Qt::DashLine));
      g.drawRect(r.adjusted(-2, -2, 1, 1));
      g.setBrush(QColor(0, 0, 160));
      for (const QPoint& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        g.drawRect(QRect(p - QPoint(2, 2), QSize(4, 4)));
      g.setBrush(Qt::NoBrush);
    }
  }
}

void TSurface::mousePressEvent(QMouseEvent* e) {
  setFocus();
  const QPoint at = e->position().toPoint();
  if (e->button() == Qt::LeftButton && window_->Armed()) {
    window_->PlaceArmed(at.x(), at.y());
    return;
  }
  const std::string hit = HitTest(at);
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  if (hit.empty()) {
    if (!ctrl) doc_.Select({});
    return;
  }
  if (ctrl && e->button() == Qt::LeftButton) {
    doc_.ToggleSelection(hit);
    return;
  }
  if (!IsSelected(hit)) doc_.Select({hit});
  if (e->button() == Qt::LeftButton) {
    press_ = at;
    pressed_ = true;
    drag_ = QPoint();
  }
}

void TSurface::mouseMoveEvent(QMouseEvent* e) {
  if (!pressed_) return;
  drag_ = e->position().toPoint() - press_;
  if (drag_.manhattanLength() >= 3) dragging_ = true;
  if (dragging_) update();
}

void TSurface::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  const QPoint d = dragging_ ? e->position().toPoint() - press_ : QPoint();
  dragging_ = false;
  drag_ = QPoint();
  if (!d.isNull()) window_->MoveSelection(d.x(), d.y());
  update();
}

void TSurface::mouseDoubleClickEvent(QMouseEvent* e) {
  const std::string hit = HitTest(e->position().toPoint());
  if (!hit.empty()) window_->EditComponent(hit);
}

void TSurface::contextMenuEvent(QContextMenuEvent* e) {
  const std::string hit = HitTest(e->pos());
  if (hit.empty()) return;
  if (!IsSelected(hit)) doc_.Select({hit});
  QMenu* menu = window_->ContextMenu(hit);
  menu->exec(e->globalPos());
  delete menu;
}

void TSurface::keyPressEvent(QKeyEvent* e) {
  const int step = (e->modifiers() & Qt::ShiftModifier) ? 8 : 1;
  switch (e->key()) {
    case Qt::Key_Left:
      window_->MoveSelection(-step, 0);
      return;
    case Qt::Key_Right:
      window_->MoveSelection(step, 0);
      return;
    case Qt::Key_Up:
      window_->MoveSelection(0, -step);
      return;
    case Qt::Key_Down:
      window_->MoveSelection(0, step);
      return;
    case Qt::Key_Delete:
      window_->DeleteSelection();
      return;
    case Qt::Key_Escape:
      window_->Arm(nullptr);
      return;
    default:
      QWidget::keyPressEvent(e);
  }
}

bool TSurface::IsSelected(const std::string& name) const {
  const auto& sel = doc_.Selection();
  return std::any_of(sel.begin(), sel.end(),
                     [&](const std::string& n) { return CompareText(n, name) == 0; });
}

}  // namespace orv::design
