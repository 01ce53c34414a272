#include "tools/orvdesign/designerwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include <orv/host/designintf/designintf.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/rtl/cp1251.h>
#include "tools/orvdesign/designsurface.h"
#include "tools/orvdesign/inspector.h"
#include "tools/orvdesign/previewpane.h"

namespace orv::design {

namespace {

constexpr char kNewModule[] = "object DataModule1: TDataModule\nend\n";

}  // namespace

// ---- the window ------------------------------------------------------------------

TDesignerWindow::TDesignerWindow(TFormDocument& doc, QWidget* parent)
    : QMainWindow(parent), doc_(doc) {
  resize(1180, 760);

  // Menus and shortcuts.
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&New data module", QKeySequence::New, [this] {
    if (MaybeSave()) Try([this] { doc_.LoadFromString(kNewModule); });
  });
  file->addAction("&Open...", QKeySequence::Open, [this] {
    if (!MaybeSave()) return;
    const QString path = QFileDialog::getOpenFileName(this, "Open form", QString(),
                                                      "Form files (*.ofm);;All files (*)");
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
    palette->addTab(bar, ToQString(page));
  }

  // Surface in the middle, the form's components drawn on it.
  surface_ = new TSurface(this, doc_);
  surface_->setObjectName("surface");
  auto* scroll = new QScrollArea;
  scroll->setWidget(surface_);
  scroll->setWidgetResizable(false);

  preview_ = new TPreviewPane(doc_);
  messages_ = new QPlainTextEdit;
  messages_->setObjectName("messages");
  messages_->setReadOnly(true);
  messages_->setMaximumHeight(130);
  auto* bottom = new QSplitter(Qt::Horizontal);
  auto* messages_box = new QWidget;
  auto* ml = new QVBoxLayout(messages_box);
  ml->setContentsMargins(0, 0, 0, 0);
  ml->addWidget(new QLabel("Messages"));
  ml->addWidget(messages_);
  bottom->addWidget(preview_);
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
      if (item->parent()) names.push_back(FromQString(item->text(0)));
    doc_.Select(names);
  });
  inspector_ = new TInspector(
      doc_, [this](const std::string& text) { Report(text); }, [this] { QueueRefresh(); });
  auto* side = new QSplitter(Qt::Vertical);
  side->addWidget(tree_);
  side->addWidget(inspector_);
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
  messages_->appendPlainText(ToQString(text));
  statusBar()->showMessage(ToQString(text), 8000);
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
  RefreshTitle();
  RefreshTree();
  inspector_->Refresh();
  preview_->Refresh();
  surface_->Resize();
  undo_->setEnabled(doc_.CanUndo());
  undo_->setText(doc_.CanUndo() ? ToQString("&Undo " + doc_.UndoLabel()) : "&Undo");
  redo_->setEnabled(doc_.CanRedo());
  redo_->setText(doc_.CanRedo() ? ToQString("&Redo " + doc_.RedoLabel()) : "&Redo");
}

void TDesignerWindow::RefreshTitle() {
  std::string name = doc_.Path().empty()
                         ? "(new)"
                         : QFileInfo(QString::fromStdString(doc_.Path())).fileName().toStdString();
  if (doc_.Root()) name += " - " + doc_.Root()->Name() + ": " + doc_.Root()->ClassName();
  setWindowTitle(QString::fromStdString(name) + "[*] - orvdesign");
  setWindowModified(doc_.IsModified());
}

void TDesignerWindow::RefreshTree() {
  syncing_ = true;
  tree_->clear();
  if (TComponent* root = doc_.Root()) {
    auto* top = new QTreeWidgetItem(tree_, {ToQString(root->Name()), root->ClassName()});
    for (TComponent* c : doc_.Components()) {
      auto* item = new QTreeWidgetItem(top, {ToQString(c->Name()), c->ClassName()});
      const auto& sel = doc_.Selection();
      if (std::find(sel.begin(), sel.end(), c->Name()) != sel.end()) item->setSelected(true);
    }
    tree_->expandAll();
  }
  syncing_ = false;
}

QToolButton* TDesignerWindow::PaletteButton(const std::string& class_name) const {
  auto it = palette_.find(class_name);
  return it == palette_.end() ? nullptr : it->second;
}

QTableWidget* TDesignerWindow::Inspector() const { return inspector_->Table(); }
QLineEdit* TDesignerWindow::Filter() const { return inspector_->Filter(); }
QLabel* TDesignerWindow::InspectorNote() const { return inspector_->Note(); }
QPlainTextEdit* TDesignerWindow::Preview() const { return preview_->Text(); }
QLineEdit* TDesignerWindow::ValueField(const std::string& property) const {
  return inspector_->ValueField(property);
}
QComboBox* TDesignerWindow::ValueList(const std::string& property) const {
  return inspector_->ValueList(property);
}
QToolButton* TDesignerWindow::DialogButton(const std::string& property) const {
  return inspector_->DialogButton(property);
}

QMenu* TDesignerWindow::ContextMenu(const std::string& component) {
  auto* menu = new QMenu(this);
  std::vector<std::string> verbs;
  Try([&] { verbs = doc_.Verbs(component); });
  for (size_t i = 0; i < verbs.size(); ++i) {
    const int index = static_cast<int>(i);
    menu->addAction(ToQString(verbs[i]), this,
                    [this, component, index] { RunVerb(component, index); });
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
  if (!cls) return;
  // A control dropped on a panel goes into it, at the point counted from its corner.
  QPoint corner;
  const std::string parent = TFormDocument::IsControlClass(*cls)
                                 ? surface_->ContainerAt(QPoint(x, y), &corner)
                                 : std::string();
  Try([&] { doc_.Place(*cls, x - corner.x(), y - corner.y(), parent); });
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
  const QString path = QFileDialog::getSaveFileName(
      this, "Save form", QString::fromStdString(doc_.Path()), "Form files (*.ofm);;All files (*)");
  if (path.isEmpty()) return false;
  return Try([&] { doc_.SaveToFile(path.toStdString()); });
}

bool TDesignerWindow::MaybeSave() {
  if (!doc_.IsModified()) return true;
  QMessageBox box(QMessageBox::Question, "orvdesign", "The form has changed. Save it?",
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName("savePrompt");
  switch (box.exec()) {
    case QMessageBox::Save:
      return Save();
    case QMessageBox::Discard:
      return true;
    default:
      return false;
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
    // Select the first component a package previews (a generator), so that
    // the picture shows its properties and preview.
    for (TComponent* c : doc.Components())
      if (GetPreviewProvider(c)) {
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
