// The data-aware controls over a real SQLite table: the edit and the grid
// show the rows and write what a person types; every control follows its
// data source and lets go of it when it is freed.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableWidget>

#include <memory>
#include <string>

#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

class DBControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    db_ = std::make_unique<testing::TestDatabase>("sqlite");
    table_.reset(new TTable(nullptr));
    table_->SetDatabaseName(db_->Alias());
    table_->SetTableName("PARTS");
    table_->CreateTable({{"Name", ftString, 20}, {"Qty", ftInteger, 0}});
    table_->Open();
    for (const auto& [name, qty] : {std::pair{"bolt", 5}, {"nut", 7}, {"screw", 9}}) {
      table_->Append();
      table_->FieldByName("Name")->SetAsString(name);
      table_->FieldByName("Qty")->SetAsInteger(qty);
      table_->Post();
    }
    table_->First();
    source_.reset(new TDataSource(nullptr));
    source_->SetDataSet(table_.get());
    form_.reset(new TForm(Application()));
    form_->SetClientWidth(400);
    form_->SetClientHeight(200);
  }
  void TearDown() override {
    form_.reset();
    source_.reset();
    table_.reset();
    testing::Pump();
  }
  // A person clicks a cell of the grid.
  static void ClickCell(TDBGrid* grid, int row, int col) {
    QTableWidget* t = grid->Table();
    const QPoint p = t->visualItemRect(t->item(row, col)).center();
    QWidget* vp = t->viewport();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, QPointF(p), vp->mapToGlobal(QPointF(p)), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                    Qt::NoModifier);
      QApplication::sendEvent(vp, &e);
    }
    testing::Pump();
  }
  // A person presses a key in the focused widget (the grid's when none is).
  static void Key(TDBGrid* grid, int k, const QString& text) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid->Table();
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
    testing::Pump();
  }
  // What the table holds, read through a table object of its own.
  std::string Stored() {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "PARTS");
    t->Open();
    std::string out;
    for (t->First(); !t->Eof(); t->Next())
      out += t->FieldByName("Name")->AsString() + "=" + t->FieldByName("Qty")->AsString() + " ";
    return out;
  }

  std::unique_ptr<testing::TestDatabase> db_;
  TComponentPtr<TTable> table_;
  TComponentPtr<TDataSource> source_;
  TComponentPtr<TForm> form_;
};

TEST_F(DBControlsTest, EditShowsItsFieldAndWritesWhatIsTyped) {
  auto* edit = new TDBEdit(form_.get());
  edit->SetParent(form_.get());
  edit->SetDataSource(source_.get());
  edit->SetDataField("Name");
  EXPECT_EQ(edit->Text(), "bolt");
  table_->Next();
  EXPECT_EQ(edit->Text(), "nut");
  EXPECT_FALSE(edit->Modified());
  testing::ShowActive(form_.get());
  edit->LineEdit()->end(false);
  testing::TypeInto(edit, "s");
  EXPECT_EQ(table_->State(), dsEdit);
  EXPECT_EQ(table_->FieldByName("Name")->AsString(), "nuts");
  EXPECT_EQ(edit->Text(), "nuts");
  table_->Post();
  EXPECT_EQ(Stored(), "bolt=5 nuts=7 screw=9 ");
  edit->SetDataField("Qty");
  EXPECT_EQ(edit->Text(), "7");
  // Without an active link the edit is empty.
  table_->Close();
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(DBControlsTest, GridShowsEveryRowAndWritesACellAPersonEdits) {
  auto* grid = new TDBGrid(form_.get());
  grid->SetParent(form_.get());
  grid->SetBounds(0, 0, 400, 150);
  auto* edit = new TDBEdit(form_.get());
  edit->SetParent(form_.get());
  edit->SetTop(160);
  edit->SetDataSource(source_.get());
  edit->SetDataField("Name");
  grid->SetDataSource(source_.get());
  ASSERT_EQ(grid->RowCount(), 3);
  ASSERT_EQ(grid->ColCount(), 2);
  // Legend: row, column -> the text shown.
  const struct {
    int row, col;
    const char* text;
  } cells[] = {{0, 0, "bolt"}, {0, 1, "5"}, {1, 0, "nut"}, {2, 1, "9"}};
  for (const auto& c : cells) {
    EXPECT_EQ(grid->Cell(c.row, c.col), c.text);
    EXPECT_EQ(grid->Table()->item(c.row, c.col)->text().toStdString(), c.text);
  }
  testing::ShowActive(form_.get());
  auto click_cell = [&](int row, int col) { ClickCell(grid, row, col); };
  // Picking a row moves the dataset there; the edit follows.
  click_cell(2, 0);
  EXPECT_EQ(grid->CurrentRow(), 2);
  EXPECT_EQ(table_->FieldByName("Name")->AsString(), "screw");
  EXPECT_EQ(edit->Text(), "screw");
  // Typing into a cell replaces its text; Enter writes it to the table.
  click_cell(1, 1);
  auto key = [&](int k, const QString& text) { Key(grid, k, text); };
  key(Qt::Key_7, "7");
  key(Qt::Key_0, "0");
  key(Qt::Key_Return, "\r");
  EXPECT_EQ(grid->Cell(1, 1), "70");
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_EQ(Stored(), "bolt=5 nut=70 screw=9 ");
  EXPECT_EQ(edit->Text(), "nut");
  // A change made elsewhere shows in the grid's row.
  table_->Edit();
  table_->FieldByName("Name")->SetAsString("washer");
  table_->Post();
  EXPECT_EQ(grid->Cell(1, 0), "washer");
  // A text the field refuses is reported and the cell shows the table again.
  click_cell(0, 1);
  key(Qt::Key_X, "x");
  auto seen = testing::AnswerMessageBox(IDOK);
  key(Qt::Key_Return, "\r");
  EXPECT_TRUE(seen->seen);
  EXPECT_EQ(seen->text, "'x' is not a valid integer value");
  EXPECT_EQ(grid->Cell(0, 1), "5");
  EXPECT_EQ(Stored(), "bolt=5 washer=70 screw=9 ");
}

TEST_F(DBControlsTest, GridShowsAPostedRowOnItsOwnLineAndEditsReachTheirLinesRows) {
  auto* grid = new TDBGrid(form_.get());
  grid->SetParent(form_.get());
  grid->SetBounds(0, 0, 400, 150);
  grid->SetDataSource(source_.get());
  testing::ShowActive(form_.get());
  table_->Append();
  table_->FieldByName("Name")->SetAsString("washer");
  table_->FieldByName("Qty")->SetAsInteger(3);
  table_->Post();
  // Every row, the posted one current.
  ASSERT_EQ(grid->RowCount(), 4);
  EXPECT_EQ(grid->Cell(0, 0), "bolt");
  EXPECT_EQ(grid->Cell(3, 0), "washer");
  EXPECT_EQ(grid->CurrentRow(), 3);
  // Typing on the new row's line writes the new row; on the first line, the first.
  const struct {
    int row;
    int key;
    const char* text;
  } edits[] = {{3, Qt::Key_4, "4"}, {0, Qt::Key_6, "6"}};
  for (const auto& e : edits) {
    ClickCell(grid, e.row, 1);
    Key(grid, e.key, e.text);
    Key(grid, Qt::Key_Return, "\r");
  }
  EXPECT_EQ(Stored(), "bolt=6 nut=7 screw=9 washer=4 ");
  EXPECT_EQ(grid->Cell(3, 1), "4");
  // A deleted row's line goes; the row the dataset stands on then is current.
  ClickCell(grid, 1, 0);
  table_->Delete();
  ASSERT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(grid->Cell(1, 0), "screw");
  EXPECT_EQ(grid->CurrentRow(), 1);
  ClickCell(grid, 2, 1);
  Key(grid, Qt::Key_5, "5");
  Key(grid, Qt::Key_Return, "\r");
  EXPECT_EQ(Stored(), "bolt=6 screw=9 washer=5 ");
}

TEST_F(DBControlsTest, EveryDataAwareControlFollowsItsDataSourceUntilItGoes) {
  // Legend: one control of each class; the data source each reports.
  auto* edit = new TDBEdit(form_.get());
  auto* grid = new TDBGrid(form_.get());
  auto* memo = new TDBMemo(form_.get());
  auto* image = new TDBImage(form_.get());
  auto* list = new TDBListBox(form_.get());
  auto* combo = new TDBComboBox(form_.get());
  auto* check = new TDBCheckBox(form_.get());
  auto* radio = new TDBRadioGroup(form_.get());
  auto* lookup_list = new TDBLookupListBox(form_.get());
  auto* lookup_combo = new TDBLookupComboBox(form_.get());
  auto* ctrl_grid = new TDBCtrlGrid(form_.get());
  std::vector<std::pair<std::function<TDataSource*()>, std::function<void(TDataSource*)>>> rows = {
      {[=] { return edit->DataSource(); }, [=](TDataSource* s) { edit->SetDataSource(s); }},
      {[=] { return grid->DataSource(); }, [=](TDataSource* s) { grid->SetDataSource(s); }},
      {[=] { return memo->DataSource(); }, [=](TDataSource* s) { memo->SetDataSource(s); }},
      {[=] { return image->DataSource(); }, [=](TDataSource* s) { image->SetDataSource(s); }},
      {[=] { return list->DataSource(); }, [=](TDataSource* s) { list->SetDataSource(s); }},
      {[=] { return combo->DataSource(); }, [=](TDataSource* s) { combo->SetDataSource(s); }},
      {[=] { return check->DataSource(); }, [=](TDataSource* s) { check->SetDataSource(s); }},
      {[=] { return radio->DataSource(); }, [=](TDataSource* s) { radio->SetDataSource(s); }},
      {[=] { return lookup_list->DataSource(); },
       [=](TDataSource* s) { lookup_list->SetDataSource(s); }},
      {[=] { return lookup_combo->DataSource(); },
       [=](TDataSource* s) { lookup_combo->SetDataSource(s); }},
      {[=] { return ctrl_grid->DataSource(); },
       [=](TDataSource* s) { ctrl_grid->SetDataSource(s); }},
  };
  TDataSource* other = new TDataSource(nullptr);
  other->SetDataSet(table_.get());
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].first(), nullptr);
    rows[i].second(other);
    EXPECT_EQ(rows[i].first(), other);
  }
  // The text controls show their field.
  memo->SetDataField("Name");
  combo->SetDataField("Name");
  radio->Items()->SetCommaText("nut,bolt");
  radio->SetDataField("Name");
  EXPECT_EQ(memo->Text(), "bolt");
  EXPECT_EQ(combo->Text(), "bolt");
  EXPECT_EQ(radio->ItemIndex(), 1);
  other->Free();
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].first(), nullptr);
  }
  EXPECT_EQ(grid->RowCount(), 0);
}

TEST_F(DBControlsTest, LayoutsNameDataSourcesAndFields) {
  RegisterDBControlClasses();
  source_->SetName("PartsSource");
  form_->InsertComponent(source_.release());  // the form owns it now
  auto* edit = static_cast<TDBEdit*>(CreateComponent("TDBEdit", form_.get()));
  SetPropText(*edit, "DataSource", "PartsSource", form_.get());
  SetPropText(*edit, "DataField", "Qty");
  EXPECT_EQ(edit->Text(), "5");
  EXPECT_EQ(GetPropText(*edit, "DataSource", form_.get()), "PartsSource");
}

}  // namespace
}  // namespace orv
