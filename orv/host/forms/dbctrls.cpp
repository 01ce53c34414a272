#include <orv/host/forms/dbctrls.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>

#include <orv/host/classes/registrations.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/field.h>
#include <orv/host/forms/formclasses.h>
#include <orv/host/forms/widgets_p.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {
bool Editing(const TDataSet* ds) {
  return ds && (ds->State() == dsEdit || ds->State() == dsInsert);
}
}  // namespace

// ---- TDBEdit ---------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* owner) : TFieldControl(owner) {
  link_.OnDataChange = [this] { DataChange(); };
  link_.OnEditingChange = [this] { DataChange(); };
}

TDBEdit::~TDBEdit() { link_.OnDataChange = link_.OnEditingChange = nullptr; }

void TDBEdit::SetDataSource(TDataSource* source) {
  link_.SetDataSource(source);
  DataChange();
}

void TDBEdit::SetDataField(const std::string& name) {
  link_.SetFieldName(name);
  DataChange();
}

void TDBEdit::DataChange() {
  if (writing_) return;
  TField* f = link_.Field();
  SetText(f ? f->AsString() : "");
  LineEdit()->setReadOnly(ReadOnly() || !link_.CanModify());
}

void TDBEdit::Change() {
  // The user's typing goes into the field (the dataset enters edit mode first).
  if (Modified() && !writing_ && link_.Field()) {
    writing_ = true;
    struct Done {
      bool* w;
      ~Done() { *w = false; }
    } done{&writing_};
    TDataSet* ds = link_.DataSet();
    if (!Editing(ds)) ds->Edit();
    link_.Field()->SetAsString(Text());
  }
  TEdit::Change();
}

// ---- TCustomDBGrid ---------------------------------------------------------

TCustomDBGrid::TCustomDBGrid(TComponent* owner) : TWinControl(owner) {
  auto* t = new QTableWidget;
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->verticalHeader()->setDefaultSectionSize(18);
  SetWidget(t);
  WatchInput(t->viewport());
  SetBounds(0, 0, 320, 120);
  SetDefaultColor(clWindow, false);
  link_.OnDataChange = [this] { DataChange(); };
  link_.OnEditingChange = [this] { DataChange(); };
  link_.OnRowsChange = [this] {
    if (!moving_) Refresh();
  };
  QObject::connect(t, &QTableWidget::currentCellChanged, Context(), [this](int row, int, int, int) {
    if (!InProgramChange() && row >= 0) GuardedCall([&] { UserPicked(row); });
  });
  QObject::connect(t, &QTableWidget::itemChanged, Context(), [this](QTableWidgetItem* item) {
    if (!InProgramChange())
      GuardedCall([&] { UserEdited(item->row(), item->column(), FromQString(item->text())); });
  });
}

TCustomDBGrid::~TCustomDBGrid() {
  link_.OnDataChange = link_.OnEditingChange = link_.OnRowsChange = nullptr;
}

QTableWidget* TCustomDBGrid::Table() const { return static_cast<QTableWidget*>(Widget()); }

void TCustomDBGrid::SetDataSource(TDataSource* source) {
  link_.SetDataSource(source);
  Refresh();
}

int TCustomDBGrid::RowCount() const { return static_cast<int>(rows_.size()); }
int TCustomDBGrid::ColCount() const { return Table()->columnCount(); }

std::string TCustomDBGrid::Cell(int row, int col) const {
  if (row < 0 || row >= RowCount() || col < 0 ||
      col >= static_cast<int>(rows_[static_cast<size_t>(row)].size()))
    return "";
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void TCustomDBGrid::MoveTo(int row) {
  TDataSet* ds = link_.DataSet();
  bool found = false;
  {
    moving_ = true;
    struct Done {
      bool* m;
      ~Done() { *m = false; }
    } done{&moving_};
    found = ds->GotoBookmark(marks_[static_cast<size_t>(row)]);
  }
  if (found) {
    current_ = row;
    return;
  }
  Refresh();  // another program removed the row: show what is there now
}

int TCustomDBGrid::LineOfCurrentRow(TDataSet* ds) const {
  const TBookmark mark = ds->Bookmark();
  if (mark.empty()) return -1;
  for (size_t r = 0; r < marks_.size(); ++r)
    if (marks_[r] == mark) return static_cast<int>(r);
  return -1;
}

void TCustomDBGrid::Refresh() {
  ProgramChange change(this);
  QTableWidget* t = Table();
  rows_.clear();
  marks_.clear();
  TDataSet* ds = link_.Active() ? link_.DataSet() : nullptr;
  if (!ds) {
    current_ = -1;
    t->clear();
    t->setRowCount(0);
    t->setColumnCount(0);
    return;
  }
  QStringList headers;
  for (int c = 0; c < ds->FieldCount(); ++c) headers << ToQString(ds->Fields(c)->FieldName());
  t->setColumnCount(ds->FieldCount());
  t->setHorizontalHeaderLabels(headers);
  // Walk every row, then come back to the one the dataset stood on.
  const TBookmark keep = ds->Bookmark();
  {
    moving_ = true;
    struct Done {
      bool* m;
      ~Done() { *m = false; }
    } done{&moving_};
    for (ds->First(); !ds->Eof(); ds->Next()) {
      std::vector<std::string> row;
      for (int c = 0; c < ds->FieldCount(); ++c) row.push_back(ds->Fields(c)->AsString());
      rows_.push_back(std::move(row));
      marks_.push_back(ds->Bookmark());
    }
    if (!keep.empty()) ds->GotoBookmark(keep);
  }
  t->setRowCount(RowCount());
  for (int r = 0; r < RowCount(); ++r) ShowRow(r);
  if (rows_.empty()) {
    current_ = -1;
    return;
  }
  current_ = LineOfCurrentRow(ds);
  if (current_ < 0) MoveTo(0);  // the row stood on is gone
  t->setCurrentCell(current_, std::max(t->currentColumn(), 0));
}

void TCustomDBGrid::ShowRow(int r) {
  ProgramChange change(this);
  QTableWidget* t = Table();
  const auto& row = rows_[static_cast<size_t>(r)];
  for (size_t c = 0; c < row.size(); ++c) {
    QTableWidgetItem* item = t->item(r, static_cast<int>(c));
    if (!item) {
      item = new QTableWidgetItem;
      t->setItem(r, static_cast<int>(c), item);
    }
    item->setText(ToQString(row[c]));
  }
}

void TCustomDBGrid::DataChange() {
  if (moving_) return;
  TDataSet* ds = link_.Active() ? link_.DataSet() : nullptr;
  // A new row shows once posted. Reading the rows now would walk the dataset
  // and so drop the insert, an empty table's first row included.
  if (ds && ds->State() == dsInsert && Table()->columnCount() == ds->FieldCount()) return;
  if (!ds || rows_.empty() || static_cast<int>(rows_[0].size()) != ds->FieldCount()) {
    Refresh();
    return;
  }
  // Someone else moved the dataset or changed its row: show that row's
  // values on its own line. A row without a line was just added.
  const int line = LineOfCurrentRow(ds);
  if (line < 0) {
    Refresh();
    return;
  }
  std::vector<std::string> now;
  for (int c = 0; c < ds->FieldCount(); ++c) now.push_back(ds->Fields(c)->AsString());
  rows_[static_cast<size_t>(line)] = std::move(now);
  ShowRow(line);
  current_ = line;
  ProgramChange change(this);
  Table()->setCurrentCell(line, std::max(Table()->currentColumn(), 0));
}

void TCustomDBGrid::UserPicked(int row) {
  if (!link_.Active() || row == current_) return;
  TDataSet* ds = link_.DataSet();
  if (Editing(ds)) ds->Post();
  MoveTo(row);  // the other controls of the data source follow the dataset
}

void TCustomDBGrid::UserEdited(int row, int col, const std::string& text) {
  if (!link_.Active()) return;
  TDataSet* ds = link_.DataSet();
  if (row != current_) {
    if (Editing(ds)) ds->Post();
    MoveTo(row);
    if (current_ != row) return;  // its row is gone; the grid shows what is stored
  }
  try {
    moving_ = true;
    struct Done {
      bool* m;
      ~Done() { *m = false; }
    } done{&moving_};
    if (!Editing(ds)) ds->Edit();
    ds->Fields(col)->SetAsString(text);
    ds->Post();
  } catch (...) {
    if (Editing(ds)) ds->Cancel();
    Refresh();
    throw;
  }
  // Show what the dataset holds now (a field may cut or convert the text).
  std::vector<std::string> now;
  for (int c = 0; c < ds->FieldCount(); ++c) now.push_back(ds->Fields(c)->AsString());
  rows_[static_cast<size_t>(row)] = now;
  ShowRow(row);
}

// ---- the others ---------------------------------------------------------------

TDBMemo::TDBMemo(TComponent* owner) : TFieldControl(owner) {
  SetWidget(new QPlainTextEdit);
  SetBounds(0, 0, 185, 89);
  SetDefaultColor(clWindow, false);
  link_.OnDataChange = [this] {
    TField* f = link_.Field();
    SetText(f ? f->AsString() : "");
  };
}
void TDBMemo::SetDataField(const std::string& name) {
  link_.SetFieldName(name);
  link_.OnDataChange();
}
std::string TDBMemo::GetText() const {
  return FromQString(static_cast<QPlainTextEdit*>(Widget())->toPlainText());
}
void TDBMemo::SetTextBuf(const std::string& text) {
  static_cast<QPlainTextEdit*>(Widget())->setPlainText(ToQString(text));
}

TDBImage::TDBImage(TComponent* owner) : TFieldControl(owner) {
  SetWidget(new QWidget);
  SetBounds(0, 0, 105, 105);
}

TDBListBox::TDBListBox(TComponent* owner) : TFieldControl(owner) {
  SetWidget(new QListWidget);
  SetBounds(0, 0, 121, 97);
  SetDefaultColor(clWindow, false);
  link_.OnDataChange = [this] {
    auto* list = static_cast<QListWidget*>(Widget());
    list->clear();
    for (int i = 0; i < items_.Count(); ++i) list->addItem(ToQString(items_[i]));
    TField* f = link_.Field();
    const int at = f ? items_.IndexOf(f->AsString()) : -1;
    list->setCurrentRow(at);
  };
}

TDBComboBox::TDBComboBox(TComponent* owner) : TFieldControl(owner) {
  link_.OnDataChange = [this] {
    TField* f = link_.Field();
    SetText(f ? f->AsString() : "");
  };
}
void TDBComboBox::SetDataField(const std::string& name) {
  link_.SetFieldName(name);
  link_.OnDataChange();
}

TDBCheckBox::TDBCheckBox(TComponent* owner) : TFieldControl(owner) {
  SetWidget(new QCheckBox);
  SetBounds(0, 0, 97, 17);
  link_.OnDataChange = [this] { static_cast<QCheckBox*>(Widget())->setChecked(Checked()); };
}
void TDBCheckBox::SetDataField(const std::string& name) {
  link_.SetFieldName(name);
  link_.OnDataChange();
}
bool TDBCheckBox::Checked() const {
  TField* f = link_.Field();
  return f && CompareText(f->AsString(), "True") == 0;
}
void TDBCheckBox::TextChanged() {
  static_cast<QCheckBox*>(Widget())->setText(ToQString(Caption()));
}

TDBRadioGroup::TDBRadioGroup(TComponent* owner) : TFieldControl(owner) {
  link_.OnDataChange = [this] {
    TField* f = link_.Field();
    const int at = f ? Items()->IndexOf(f->AsString()) : -1;
    if (at != ItemIndex()) SetItemIndex(at);
  };
}
void TDBRadioGroup::SetDataField(const std::string& name) {
  link_.SetFieldName(name);
  link_.OnDataChange();
}

TDBLookupControl::TDBLookupControl(TComponent* owner) : TFieldControl(owner) {
  SetWidget(new QListWidget);
  SetBounds(0, 0, 121, 97);
}

TDBCtrlGrid::TDBCtrlGrid(TComponent* owner) : TWinControl(owner) {
  SetWidget(new QWidget);
  SetBounds(0, 0, 200, 216);
}

// ---- published descriptions ------------------------------------------------------

#define ORV_DB_CLASS(Cls)                                                               \
  const TClassInfo& Cls::StaticClassInfo() {                                            \
    static const TClassInfo info =                                                      \
        Published<Cls>().Property("DataSource", &Cls::DataSource, &Cls::SetDataSource); \
    return info;                                                                        \
  }
#define ORV_DB_FIELD_CLASS(Cls)                                            \
  const TClassInfo& Cls::StaticClassInfo() {                               \
    static const TClassInfo info =                                         \
        Published<Cls>()                                                   \
            .Property("DataSource", &Cls::DataSource, &Cls::SetDataSource) \
            .Property("DataField", &Cls::DataField, &Cls::SetDataField);   \
    return info;                                                           \
  }
ORV_DB_FIELD_CLASS(TDBEdit)
ORV_DB_CLASS(TCustomDBGrid)
ORV_DB_FIELD_CLASS(TDBMemo)
ORV_DB_FIELD_CLASS(TDBImage)
ORV_DB_FIELD_CLASS(TDBComboBox)
ORV_DB_FIELD_CLASS(TDBCheckBox)
ORV_DB_FIELD_CLASS(TDBRadioGroup)
ORV_DB_FIELD_CLASS(TDBLookupControl)
ORV_DB_CLASS(TDBCtrlGrid)
#undef ORV_DB_CLASS
#undef ORV_DB_FIELD_CLASS

const TClassInfo& TDBListBox::StaticClassInfo() {
  static const TClassInfo info =
      Published<TDBListBox>()
          .Property("DataSource", &TDBListBox::DataSource, &TDBListBox::SetDataSource)
          .Property("DataField", &TDBListBox::DataField, &TDBListBox::SetDataField)
          .Property("Items.Strings", &TDBListBox::Items, nullptr);
  return info;
}
const TClassInfo& TDBGrid::StaticClassInfo() {
  static const TClassInfo info = Published<TDBGrid>();
  return info;
}
const TClassInfo& TDBLookupListBox::StaticClassInfo() {
  static const TClassInfo info = Published<TDBLookupListBox>();
  return info;
}
const TClassInfo& TDBLookupComboBox::StaticClassInfo() {
  static const TClassInfo info = Published<TDBLookupComboBox>();
  return info;
}

void RegisterDBControlClasses() {
  RegisterFormClasses();
  RegisterClasses<TDBEdit, TDBGrid, TDBMemo, TDBImage, TDBListBox, TDBComboBox, TDBCheckBox,
                  TDBRadioGroup, TDBLookupListBox, TDBLookupComboBox, TDBCtrlGrid>();
}

namespace {
// Loading the data-aware controls offers them to RegisterRuntimeClasses.
const bool kAdded = (AddClassRegistration(&RegisterDBControlClasses), true);
}  // namespace

}  // namespace orv
