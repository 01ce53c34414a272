#include "tools/orvdesign/designerwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDirIterator>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include <orv/host/classes/typinfo.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/genpeek.h>

namespace orv::design {

namespace {

constexpr int kIcon = 28;          // the side of a component's picture on the surface
constexpr int kPreviewKeys = 5;    // keys the preview shows
constexpr char kNewModule[] = "object DataModule1: TDataModule\nend\n";

QString Q(const std::string& text_1251) { return QString::fromStdString(Cp1251ToUtf8(text_1251)); }
std::string S(const QString& text) { return Utf8ToCp1251(text.toStdString()).value_or(std::string()); }

// The palette picture of a class: a resource named after the class in
// capitals, in whichever package's resources hold it; else its initials.
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

int IntProp(const TComponent* c, const char* name, int fallback) {
  const TPropInfo* p = ClassInfoOf(*c).FindProperty(name);
  if (!p || p->kind != TTypeKind::Integer) return fallback;
  return static_cast<int>(std::get<int64_t>(p->get(*c)));
}

// Calls back on Esc in the watched field, before the field sees the key.
class TEscapeFilter : public QObject {
 public:
  TEscapeFilter(QObject* parent, std::function<void()> on_escape) : QObject(parent), on_escape_(std::move(on_escape)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
      QTimer::singleShot(0, parent(), on_escape_);  // the field may go in the rebuild
      return true;
    }
    return false;
  }

 private:
  std::function<void()> on_escape_;
};

// Where a control's parent sits on the form: the positions of its enclosing
// controls (a panel, a group box) below the form itself.
QPoint ParentOffset(const TComponent* c, const TComponent* root) {
  QPoint off;
  const auto* control = dynamic_cast<const TControl*>(c);
  for (TWinControl* p = control ? control->Parent() : nullptr; p && p != root; p = p->Parent())
    off += QPoint(p->Left(), p->Top());
  return off;
}

}  // namespace

// ---- the design surface ---------------------------------------------------------------

class TSurface : public QWidget {
 public:
  TSurface(TDesignerWindow* window, TFormDocument& doc) : QWidget(window), window_(window), doc_(doc) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setMinimumSize(640, 420);
    setAutoFillBackground(true);
  }

  // The rectangle a component takes on the surface (picture and name).
  QRect Bounds(const TComponent* c) const {
    const auto p = doc_.Position(c);
    if (TFormDocument::IsControl(c))
      return QRect(QPoint(p.x, p.y) + ParentOffset(c, doc_.Root()),
                   QSize(std::max(8, IntProp(c, "Width", 75)), std::max(8, IntProp(c, "Height", 25))));
    const int text = fontMetrics().horizontalAdvance(Q(c->Name()));
    const int w = std::max(kIcon, text + 4);
    return QRect(p.x - (w - kIcon) / 2, p.y, w, kIcon + fontMetrics().height() + 2);
  }

  std::string HitTest(const QPoint& at) const {
    const auto comps = doc_.Components();
    for (auto it = comps.rbegin(); it != comps.rend(); ++it)  // the topmost (last drawn) first
      if (Bounds(*it).contains(at)) return (*it)->Name();
    return "";
  }

  void Resize() {
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

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter g(this);
    g.fillRect(rect(), QColor(240, 240, 240));
    g.setPen(QColor(200, 200, 200));
    for (int x = 0; x < width(); x += 8)
      for (int y = 0; y < height(); y += 8) g.drawPoint(x, y);
    if (TComponent* root = doc_.Root(); root && TFormDocument::IsControl(root)) {
      // A form: its client area, where its controls' positions count from.
      const QRect client(0, 0, IntProp(root, "ClientWidth", 320), IntProp(root, "ClientHeight", 240));
      g.fillRect(client, QColor(212, 208, 200));
      g.setPen(Qt::darkGray);
      g.drawRect(client.adjusted(0, 0, -1, -1));
    }
    for (TComponent* c : doc_.Components()) {
      const bool selected = IsSelected(c->Name());
      QRect r = Bounds(c);
      if (selected && dragging_) r.translate(drag_);
      if (TFormDocument::IsControl(c)) {
        g.fillRect(r, QColor(250, 250, 250));
        g.setPen(Qt::darkGray);
        g.drawRect(r.adjusted(0, 0, -1, -1));
        std::string caption = c->Name();
        if (ClassInfoOf(*c).FindProperty("Caption")) caption = GetPropText(*c, "Caption");
        else if (ClassInfoOf(*c).FindProperty("Text")) caption = GetPropText(*c, "Text");
        g.setPen(Qt::black);
        g.drawText(r.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, Q(caption));
      } else {
        const QRect icon(r.center().x() - kIcon / 2, r.top(), kIcon, kIcon);
        g.fillRect(icon, QColor(250, 250, 250));
        g.setPen(Qt::gray);
        g.drawRect(icon.adjusted(0, 0, -1, -1));
        g.drawPixmap(icon.left() + 2, icon.top() + 2, PalettePicture(ClassInfoOf(*c)));
        g.setPen(Qt::black);
        g.drawText(QRect(r.left(), icon.bottom() + 1, r.width(), fontMetrics().height() + 2), Qt::AlignCenter,
                   Q(c->Name()));
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

  void mousePressEvent(QMouseEvent* e) override {
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

  void mouseMoveEvent(QMouseEvent* e) override {
    if (!pressed_) return;
    drag_ = e->position().toPoint() - press_;
    if (drag_.manhattanLength() >= 3) dragging_ = true;
    if (dragging_) update();
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    const QPoint d = dragging_ ? e->position().toPoint() - press_ : QPoint();
    dragging_ = false;
    drag_ = QPoint();
    if (!d.isNull()) window_->MoveSelection(d.x(), d.y());
    update();
  }

  void mouseDoubleClickEvent(QMouseEvent* e) override {
    const std::string hit = HitTest(e->position().toPoint());
    if (!hit.empty()) window_->EditComponent(hit);
  }

  void contextMenuEvent(QContextMenuEvent* e) override {
    const std::string hit = HitTest(e->pos());
    if (hit.empty()) return;
    if (!IsSelected(hit)) doc_.Select({hit});
    QMenu* menu = window_->ContextMenu(hit);
    menu->exec(e->globalPos());
    delete menu;
  }

  void keyPressEvent(QKeyEvent* e) override {
    const int step = (e->modifiers() & Qt::ShiftModifier) ? 8 : 1;
    switch (e->key()) {
      case Qt::Key_Left: window_->MoveSelection(-step, 0); return;
      case Qt::Key_Right: window_->MoveSelection(step, 0); return;
      case Qt::Key_Up: window_->MoveSelection(0, -step); return;
      case Qt::Key_Down: window_->MoveSelection(0, step); return;
      case Qt::Key_Delete: window_->DeleteSelection(); return;
      case Qt::Key_Escape: window_->Arm(nullptr); return;
      default: QWidget::keyPressEvent(e);
    }
  }

 private:
  bool IsSelected(const std::string& name) const {
    const auto& sel = doc_.Selection();
    return std::any_of(sel.begin(), sel.end(), [&](const std::string& n) { return CompareText(n, name) == 0; });
  }

  TDesignerWindow* window_;
  TFormDocument& doc_;
  QPoint press_, drag_;
  bool pressed_ = false, dragging_ = false;
};

// ---- the window ------------------------------------------------------------------

TDesignerWindow::TDesignerWindow(TFormDocument& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
  resize(1180, 760);

  // Menus and shortcuts.
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&New data module", QKeySequence::New, [this] {
    if (MaybeSave()) Try([this] { doc_.LoadFromString(kNewModule); });
  });
  file->addAction("&Open...", QKeySequence::Open, [this] {
    if (!MaybeSave()) return;
    const QString path = QFileDialog::getOpenFileName(this, "Open form", QString(), "Form files (*.ofm);;All files (*)");
    if (!path.isEmpty()) Try([&] { doc_.LoadFromFile(path.toStdString()); });
  });
  save_ = file->addAction("&Save", QKeySequence::Save, [this] { Save(); });
  file->addAction("Save &as...", QKeySequence::SaveAs, [this] { SaveAs(); });
  file->addSeparator();
  file->addAction("&Quit", QKeySequence::Quit, [this] { close(); });
  QMenu* edit = menuBar()->addMenu("&Edit");
  undo_ = edit->addAction("&Undo", QKeySequence::Undo, [this] { Try([this] { doc_.Undo(); }); });
  redo_ = edit->addAction("&Redo", QKeySequence::Redo, [this] { Try([this] { doc_.Redo(); }); });
  edit->addSeparator();
  edit->addAction("&Delete", [this] { DeleteSelection(); });

  // Palette: one tab per page.
  auto* palette = new QTabWidget;
  palette->setObjectName("palette");
  palette->setMaximumHeight(70);
  for (const std::string& page : PalettePages()) {
    auto* bar = new QToolBar;
    bar->setIconSize(QSize(24, 24));
    auto* arrow = bar->addAction("Arrow");
    arrow->setToolTip("Select (no component to place)");
    connect(arrow, &QAction::triggered, this, [this] { Arm(nullptr); });
    for (TComponentClass cls : PaletteClasses(page)) {
      auto* b = new QToolButton;
      b->setIcon(QIcon(PalettePicture(*cls)));
      b->setIconSize(QSize(24, 24));
      b->setCheckable(true);
      b->setToolTip(QString::fromStdString(cls->Name()));
      b->setObjectName(QString::fromStdString(cls->Name()));
      connect(b, &QToolButton::clicked, this, [this, cls](bool on) { Arm(on ? cls : nullptr); });
      bar->addWidget(b);
      palette_[cls->Name()] = b;
    }
    palette->addTab(bar, Q(page));
  }

  // Surface in the middle, the form's components drawn on it.
  surface_ = new TSurface(this, doc_);
  surface_->setObjectName("surface");
  auto* scroll = new QScrollArea;
  scroll->setWidget(surface_);
  scroll->setWidgetResizable(false);

  preview_ = new QPlainTextEdit;
  preview_->setObjectName("preview");
  preview_->setReadOnly(true);
  preview_->setMaximumHeight(130);
  messages_ = new QPlainTextEdit;
  messages_->setObjectName("messages");
  messages_->setReadOnly(true);
  messages_->setMaximumHeight(130);
  auto* bottom = new QSplitter(Qt::Horizontal);
  auto* preview_box = new QWidget;
  auto* pl = new QVBoxLayout(preview_box);
  pl->setContentsMargins(0, 0, 0, 0);
  pl->addWidget(new QLabel("Key preview (nothing is taken)"));
  pl->addWidget(preview_);
  auto* messages_box = new QWidget;
  auto* ml = new QVBoxLayout(messages_box);
  ml->setContentsMargins(0, 0, 0, 0);
  ml->addWidget(new QLabel("Messages"));
  ml->addWidget(messages_);
  bottom->addWidget(preview_box);
  bottom->addWidget(messages_box);

  auto* centre = new QWidget;
  auto* cl = new QVBoxLayout(centre);
  cl->setContentsMargins(2, 2, 2, 2);
  cl->addWidget(palette);
  cl->addWidget(scroll, 1);
  cl->addWidget(bottom);
  setCentralWidget(centre);

  // Component tree and object inspector on the right.
  tree_ = new QTreeWidget;
  tree_->setObjectName("tree");
  tree_->setHeaderLabels({"Component", "Class"});
  tree_->setColumnWidth(0, 170);
  tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (syncing_) return;
    std::vector<std::string> names;
    for (QTreeWidgetItem* item : tree_->selectedItems())
      if (item->parent()) names.push_back(S(item->text(0)));
    doc_.Select(names);
  });
  filter_ = new QLineEdit;
  filter_->setObjectName("filter");
  filter_->setPlaceholderText("Filter properties");
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  inspector_ = new QTableWidget(0, 2);
  inspector_->setObjectName("inspector");
  inspector_->setHorizontalHeaderLabels({"Property", "Value"});
  inspector_->horizontalHeader()->setStretchLastSection(true);
  inspector_->verticalHeader()->hide();
  inspector_->setSelectionMode(QAbstractItemView::NoSelection);
  inspector_->setColumnWidth(0, 120);
  note_ = new QLabel;
  note_->setObjectName("note");
  note_->setWordWrap(true);
  note_->setStyleSheet("color: #a00000");
  auto* side = new QSplitter(Qt::Vertical);
  side->addWidget(tree_);
  auto* inspector_box = new QWidget;
  auto* il = new QVBoxLayout(inspector_box);
  il->setContentsMargins(0, 0, 0, 0);
  il->addWidget(new QLabel("Object inspector"));
  il->addWidget(filter_);
  il->addWidget(inspector_, 1);
  il->addWidget(note_);
  side->addWidget(inspector_box);
  side->setStretchFactor(1, 2);
  auto* dock = new QDockWidget("Form", this);
  dock->setObjectName("side");
  dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
  dock->setWidget(side);
  dock->setMinimumWidth(330);
  addDockWidget(Qt::RightDockWidgetArea, dock);

  doc_.OnChange = [this] { QueueRefresh(); };
  Refresh();
}

TDesignerWindow::~TDesignerWindow() {
  doc_.OnChange = nullptr;
  // Hiding moves the focus out of a field, which would commit into a window
  // half torn down: the fields are silenced first.
  syncing_ = true;
  for (QWidget* w : findChildren<QWidget*>()) w->blockSignals(true);
  hide();
}

QWidget* TDesignerWindow::Surface() const { return surface_; }

void TDesignerWindow::Report(const std::string& text) {
  messages_->appendPlainText(Q(text));
  statusBar()->showMessage(Q(text), 8000);
}

bool TDesignerWindow::Try(const std::function<void()>& fn) {
  try {
    fn();
    return true;
  } catch (const std::exception& e) {
    Report(e.what());
    return false;
  }
}

void TDesignerWindow::QueueRefresh() {
  if (refresh_queued_) return;
  refresh_queued_ = true;
  QTimer::singleShot(0, this, [this] {
    if (refresh_queued_) Refresh();
  });
}

void TDesignerWindow::Refresh() {
  refresh_queued_ = false;
  if (refused_.selection != doc_.Selection()) refused_ = {};
  RefreshTitle();
  RefreshTree();
  RefreshInspector();
  RefreshPreview();
  surface_->Resize();
  undo_->setEnabled(doc_.CanUndo());
  undo_->setText(doc_.CanUndo() ? Q("&Undo " + doc_.UndoLabel()) : "&Undo");
  redo_->setEnabled(doc_.CanRedo());
  redo_->setText(doc_.CanRedo() ? Q("&Redo " + doc_.RedoLabel()) : "&Redo");
}

void TDesignerWindow::RefreshTitle() {
  std::string name = doc_.Path().empty() ? "(new)" : QFileInfo(QString::fromStdString(doc_.Path())).fileName().toStdString();
  if (doc_.Root()) name += " - " + doc_.Root()->Name() + ": " + doc_.Root()->ClassName();
  setWindowTitle(QString::fromStdString(name) + "[*] - orvdesign");
  setWindowModified(doc_.IsModified());
}

void TDesignerWindow::RefreshTree() {
  syncing_ = true;
  tree_->clear();
  if (TComponent* root = doc_.Root()) {
    auto* top = new QTreeWidgetItem(tree_, {Q(root->Name()), root->ClassName()});
    for (TComponent* c : doc_.Components()) {
      auto* item = new QTreeWidgetItem(top, {Q(c->Name()), c->ClassName()});
      const auto& sel = doc_.Selection();
      if (std::find(sel.begin(), sel.end(), c->Name()) != sel.end()) item->setSelected(true);
    }
    tree_->expandAll();
  }
  syncing_ = false;
}

void TDesignerWindow::RefreshInspector() {
  syncing_ = true;
  // The field that has the focus keeps it across the rebuild (after Enter, say).
  std::string focused;
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
    if (w->objectName().startsWith("value:")) {
      focused = w->objectName().mid(6).toStdString();
      break;
    }
  for (int r = 0; r < inspector_->rowCount(); ++r)
    if (QWidget* w = inspector_->cellWidget(r, 1)) {
      w->blockSignals(true);
      for (QWidget* child : w->findChildren<QWidget*>()) child->blockSignals(true);
    }
  inspector_->setRowCount(0);
  shown_.clear();
  note_->clear();
  std::vector<TInspectedProperty> props;
  try {
    props = doc_.InspectedProperties();
  } catch (const std::exception& e) {
    Report(e.what());
  }
  inspector_->setRowCount(static_cast<int>(props.size()));
  int row = 0;
  for (const TInspectedProperty& p : props) {
    auto* name = new QTableWidgetItem(QString::fromStdString(p.name));
    name->setFlags(Qt::ItemIsEnabled);
    name->setToolTip(QString::fromStdString(p.editor_class));
    inspector_->setItem(row, 0, name);
    auto* cell = new QWidget;
    cell->setObjectName(QString::fromStdString("value:" + p.name));
    auto* lay = new QHBoxLayout(cell);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    QLineEdit* field = nullptr;
    const std::string prop = p.name;
    if (p.attributes.Contains(paValueList) && !p.read_only) {
      auto* combo = new QComboBox;
      combo->setObjectName("list");
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      try {
        for (const std::string& v : doc_.PropertyValues(prop)) combo->addItem(Q(v));
      } catch (const std::exception& e) {
        Report(e.what());
      }
      combo->setCurrentIndex(-1);
      combo->setEditText(Q(p.value));
      field = combo->lineEdit();
      connect(combo, &QComboBox::activated, this, [this, prop, combo](int index) {
        if (!syncing_) CommitValue(prop, combo->itemText(index));
      });
      lay->addWidget(combo, 1);
    } else {
      field = new QLineEdit;
      field->setFrame(false);
      field->setText(Q(p.value));
      field->setReadOnly(p.read_only);
      if (p.read_only) field->setStyleSheet("color: #606060; background: #eeeeee");
      lay->addWidget(field, 1);
    }
    field->setObjectName("field");
    if (!p.same) field->setPlaceholderText("(differs)");
    connect(field, &QLineEdit::editingFinished, this, [this, prop, field] {
      if (!syncing_) CommitValue(prop, field->text());
    });
    // Esc puts back the component's value (and takes a refusal's mark away).
    field->installEventFilter(new TEscapeFilter(field, [this, prop] { RestoreValue(prop); }));
    if (p.attributes.Contains(paDialog) && !p.read_only) {
      auto* dots = new QToolButton;
      dots->setObjectName("dialog");
      dots->setText("...");
      connect(dots, &QToolButton::clicked, this, [this, prop] { EditValue(prop); });
      lay->addWidget(dots);
    }
    shown_[prop] = p.value;
    if (refused_.property == prop) {
      field->setText(Q(refused_.text));
      field->setStyleSheet("background: #ffd0d0");
      field->setToolTip(Q(refused_.message));
      note_->setText(Q(prop + ": " + refused_.message));
    }
    inspector_->setCellWidget(row, 1, cell);
    ++row;
  }
  ApplyFilter();
  if (!focused.empty())
    if (QLineEdit* f = ValueField(focused)) f->setFocus();
  syncing_ = false;
}

void TDesignerWindow::ApplyFilter() {
  const QString f = filter_->text().trimmed();
  for (int r = 0; r < inspector_->rowCount(); ++r) {
    const QString name = inspector_->item(r, 0)->text();
    inspector_->setRowHidden(r, !f.isEmpty() && !name.contains(f, Qt::CaseInsensitive));
  }
}

void TDesignerWindow::RefreshPreview() {
  const auto inspected = doc_.Inspected();
  auto* g = inspected.size() == 1 ? dynamic_cast<TGenerator*>(inspected[0]) : nullptr;
  if (!g) {
    preview_->setPlainText("Select one generator to see the next keys it would issue.");
    return;
  }
  std::string text = "Next keys of " + g->Name() + " (" + g->TableName() + " of " + g->DataBaseName() + "):\n";
  try {
    const TKeyPeek peek = PeekKeys(*g, kPreviewKeys);
    for (const std::string& k : peek.keys) text += k + "\n";
    if (!peek.row_found) text += "(no row yet: the first key starts the counter)\n";
    if (peek.row_claimed) text += "(the row is claimed by a program right now)\n";
  } catch (const std::exception& e) {
    text += std::string("No preview: ") + e.what() + "\n";  // said here, without a box
  }
  preview_->setPlainText(Q(text));
}

QToolButton* TDesignerWindow::PaletteButton(const std::string& class_name) const {
  auto it = palette_.find(class_name);
  return it == palette_.end() ? nullptr : it->second;
}

static QWidget* CellOf(QTableWidget* inspector, const std::string& property) {
  for (int r = 0; r < inspector->rowCount(); ++r)
    if (inspector->item(r, 0)->text().toStdString() == property) return inspector->cellWidget(r, 1);
  return nullptr;
}

QLineEdit* TDesignerWindow::ValueField(const std::string& property) const {
  QWidget* cell = CellOf(inspector_, property);
  return cell ? cell->findChild<QLineEdit*>("field") : nullptr;
}
QComboBox* TDesignerWindow::ValueList(const std::string& property) const {
  QWidget* cell = CellOf(inspector_, property);
  return cell ? cell->findChild<QComboBox*>("list") : nullptr;
}
QToolButton* TDesignerWindow::DialogButton(const std::string& property) const {
  QWidget* cell = CellOf(inspector_, property);
  return cell ? cell->findChild<QToolButton*>("dialog") : nullptr;
}

void TDesignerWindow::CommitValue(const std::string& property, const QString& text) {
  const std::string value = S(text);
  auto it = shown_.find(property);
  if (it != shown_.end() && it->second == value && refused_.property != property) return;  // not edited
  try {
    doc_.SetPropertyValue(property, value);
    refused_ = {};
  } catch (const std::exception& e) {
    const auto* de = dynamic_cast<const EDesignError*>(&e);
    refused_ = {property, value, de ? de->Reason() : e.what(), doc_.Selection()};
    Report(e.what());
  }
  QueueRefresh();
}

void TDesignerWindow::RestoreValue(const std::string& property) {
  if (refused_.property == property) refused_ = {};
  Refresh();
}

void TDesignerWindow::EditValue(const std::string& property) {
  refused_ = {};
  Try([&] { doc_.EditProperty(property); });
  QueueRefresh();
}

QMenu* TDesignerWindow::ContextMenu(const std::string& component) {
  auto* menu = new QMenu(this);
  std::vector<std::string> verbs;
  Try([&] { verbs = doc_.Verbs(component); });
  for (size_t i = 0; i < verbs.size(); ++i) {
    const int index = static_cast<int>(i);
    menu->addAction(Q(verbs[i]), this, [this, component, index] { RunVerb(component, index); });
  }
  if (!verbs.empty()) menu->addSeparator();
  menu->addAction("&Delete", this, [this] { DeleteSelection(); });
  return menu;
}

void TDesignerWindow::Arm(const TClassInfo* cls) {
  armed_ = cls;
  for (auto& [name, b] : palette_) b->setChecked(cls && name == cls->Name());
  surface_->setCursor(cls ? Qt::CrossCursor : Qt::ArrowCursor);
}

void TDesignerWindow::PlaceArmed(int x, int y) {
  const TClassInfo* cls = armed_;
  Arm(nullptr);
  if (cls) Try([&] { doc_.Place(*cls, x, y); });
}

void TDesignerWindow::RunVerb(const std::string& component, int index) {
  Try([&] { doc_.ExecuteVerb(component, index); });
}

void TDesignerWindow::EditComponent(const std::string& component) {
  Try([&] { doc_.EditComponent(component); });
}

void TDesignerWindow::DeleteSelection() {
  const auto names = doc_.Selection();
  if (!names.empty()) Try([&] { doc_.Delete(names); });
}

void TDesignerWindow::MoveSelection(int dx, int dy) {
  const auto names = doc_.Selection();
  if (!names.empty()) Try([&] { doc_.Move(names, dx, dy); });
}

bool TDesignerWindow::Save() {
  if (doc_.Path().empty()) return SaveAs();
  return Try([this] { doc_.SaveToFile(); });
}

bool TDesignerWindow::SaveAs() {
  const QString path = QFileDialog::getSaveFileName(this, "Save form", QString::fromStdString(doc_.Path()),
                                                    "Form files (*.ofm);;All files (*)");
  if (path.isEmpty()) return false;
  return Try([&] { doc_.SaveToFile(path.toStdString()); });
}

bool TDesignerWindow::MaybeSave() {
  if (!doc_.IsModified()) return true;
  QMessageBox box(QMessageBox::Question, "orvdesign", "The form has changed. Save it?",
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName("savePrompt");
  switch (box.exec()) {
    case QMessageBox::Save: return Save();
    case QMessageBox::Discard: return true;
    default: return false;
  }
}

void TDesignerWindow::closeEvent(QCloseEvent* event) {
  if (MaybeSave())
    event->accept();
  else
    event->ignore();
}

// ---- the program's window mode ----------------------------------------------------------

int RunDesigner(const std::string& form, const std::vector<std::string>& package_failures,
                const std::string& screenshot) {
  Application();
  TFormDocument doc;
  try {
    if (form.empty())
      doc.LoadFromString(kNewModule);
    else
      doc.LoadFromFile(form);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvdesign: %s: %s\n", form.c_str(), Cp1251ToUtf8(e.what()).c_str());
    return 1;
  }
  TDesignerWindow window(doc);
  for (const std::string& f : package_failures) window.Report(f);
  for (const std::string& m : doc.LoadMessages()) window.Report(m);
  window.show();
  if (!screenshot.empty()) {
    // Select the first generator, so that the picture shows its properties and preview.
    for (TComponent* c : doc.Components())
      if (dynamic_cast<TGenerator*>(c)) {
        doc.Select({c->Name()});
        break;
      }
    for (int i = 0; i < 30; ++i) QApplication::processEvents();
    window.Refresh();
    for (int i = 0; i < 30; ++i) QApplication::processEvents();
    const QPixmap shot = window.grab();
    if (!shot.save(QString::fromStdString(screenshot), "PNG")) {
      std::fprintf(stderr, "orvdesign: cannot write %s\n", screenshot.c_str());
      return 1;
    }
    std::printf("%s: %dx%d\n", screenshot.c_str(), shot.width(), shot.height());
    return 0;
  }
  return QApplication::exec();
}

}  // namespace orv::design
