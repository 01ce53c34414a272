#include "tools/orvdesign/inspector.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <orv/host/forms/controls.h>
#include <orv/host/rtl/cp1251.h>

namespace orv::design {

namespace {

// Calls back on Esc in the watched field, before the field sees the key.
class TEscapeFilter : public QObject {
 public:
  TEscapeFilter(QObject* parent, std::function<void()> on_escape)
      : QObject(parent), on_escape_(std::move(on_escape)) {}
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

// The value cell of a property's row, or null when it is not shown.
QWidget* CellOf(QTableWidget* inspector, const std::string& property) {
  for (int r = 0; r < inspector->rowCount(); ++r)
    if (inspector->item(r, 0)->text().toStdString() == property) return inspector->cellWidget(r, 1);
  return nullptr;
}

}  // namespace

TInspector::TInspector(TFormDocument& doc, std::function<void(const std::string&)> report,
                       std::function<void()> queue_refresh, QWidget* parent)
    : QWidget(parent),
      doc_(doc),
      report_(std::move(report)),
      queue_refresh_(std::move(queue_refresh)) {
  filter_ = new QLineEdit;
  filter_->setObjectName("filter");
  filter_->setPlaceholderText("Filter properties");
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  table_ = new QTableWidget(0, 2);
  table_->setObjectName("inspector");
  table_->setHorizontalHeaderLabels({"Property", "Value"});
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setColumnWidth(0, 120);
  note_ = new QLabel;
  note_->setObjectName("note");
  note_->setWordWrap(true);
  note_->setStyleSheet("color: #a00000");
  auto* il = new QVBoxLayout(this);
  il->setContentsMargins(0, 0, 0, 0);
  il->addWidget(new QLabel("Object inspector"));
  il->addWidget(filter_);
  il->addWidget(table_, 1);
  il->addWidget(note_);
}

void TInspector::Refresh() {
  if (refused_.selection != doc_.Selection()) refused_ = {};
  if (list_errors_selection_ != doc_.Selection()) {
    list_errors_.clear();
    list_errors_selection_ = doc_.Selection();
  }
  syncing_ = true;
  // The field that has the focus keeps it across the rebuild (after Enter, say).
  std::string focused;
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
    if (w->objectName().startsWith("value:")) {
      focused = w->objectName().mid(6).toStdString();
      break;
    }
  for (int r = 0; r < table_->rowCount(); ++r)
    if (QWidget* w = table_->cellWidget(r, 1)) {
      w->blockSignals(true);
      for (QWidget* child : w->findChildren<QWidget*>()) child->blockSignals(true);
    }
  table_->setRowCount(0);
  shown_.clear();
  note_->clear();
  std::vector<TInspectedProperty> props;
  try {
    props = doc_.InspectedProperties();
  } catch (const std::exception& e) {
    report_(e.what());
  }
  table_->setRowCount(static_cast<int>(props.size()));
  int row = 0;
  for (const TInspectedProperty& p : props) {
    auto* name = new QTableWidgetItem(QString::fromStdString(p.name));
    name->setFlags(Qt::ItemIsEnabled);
    name->setToolTip(QString::fromStdString(p.editor_class));
    table_->setItem(row, 0, name);
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
        for (const std::string& v : doc_.PropertyValues(prop)) combo->addItem(ToQString(v));
      } catch (const std::exception& e) {
        // Once per selection: the rows are rebuilt after every change.
        if (list_errors_.insert(e.what()).second) report_(e.what());
      }
      combo->setCurrentIndex(-1);
      combo->setEditText(ToQString(p.value));
      field = combo->lineEdit();
      connect(combo, &QComboBox::activated, this, [this, prop, combo](int index) {
        if (!syncing_) CommitValue(prop, combo->itemText(index));
      });
      lay->addWidget(combo, 1);
    } else {
      field = new QLineEdit;
      field->setFrame(false);
      field->setText(ToQString(p.value));
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
      field->setText(ToQString(refused_.text));
      field->setStyleSheet("background: #ffd0d0");
      field->setToolTip(ToQString(refused_.message));
      note_->setText(ToQString(prop + ": " + refused_.message));
    }
    table_->setCellWidget(row, 1, cell);
    ++row;
  }
  ApplyFilter();
  if (!focused.empty())
    if (QLineEdit* f = ValueField(focused)) f->setFocus();
  syncing_ = false;
}

void TInspector::ApplyFilter() {
  const QString f = filter_->text().trimmed();
  for (int r = 0; r < table_->rowCount(); ++r) {
    const QString name = table_->item(r, 0)->text();
    table_->setRowHidden(r, !f.isEmpty() && !name.contains(f, Qt::CaseInsensitive));
  }
}

QLineEdit* TInspector::ValueField(const std::string& property) const {
  QWidget* cell = CellOf(table_, property);
  return cell ? cell->findChild<QLineEdit*>("field") : nullptr;
}
QComboBox* TInspector::ValueList(const std::string& property) const {
  QWidget* cell = CellOf(table_, property);
  return cell ? cell->findChild<QComboBox*>("list") : nullptr;
}
QToolButton* TInspector::DialogButton(const std::string& property) const {
  QWidget* cell = CellOf(table_, property);
  return cell ? cell->findChild<QToolButton*>("dialog") : nullptr;
}

void TInspector::CommitValue(const std::string& property, const QString& text) {
  const std::string value = FromQString(text);
  auto it = shown_.find(property);
  try {
    // A character 1251 lacks is refused here: the component never sees a '?' in its place.
    const QByteArray utf8 = text.toUtf8();
    Utf8ToCp1251OrThrow(std::string_view(utf8.constData(), utf8.size()));
    if (it != shown_.end() && it->second == value && refused_.property != property)
      return;  // not edited
    doc_.SetPropertyValue(property, value);
    refused_ = {};
  } catch (const std::exception& e) {
    const auto* de = dynamic_cast<const EDesignError*>(&e);
    refused_ = {property, value, de ? de->Reason() : e.what(), doc_.Selection()};
    report_(de ? std::string(e.what()) : property + ": " + e.what());
  }
  queue_refresh_();
}

void TInspector::RestoreValue(const std::string& property) {
  if (refused_.property == property) refused_ = {};
  Refresh();
}

void TInspector::EditValue(const std::string& property) {
  refused_ = {};
  try {
    doc_.EditProperty(property);
  } catch (const std::exception& e) {
    report_(e.what());
  }
  queue_refresh_();
}

}  // namespace orv::design
