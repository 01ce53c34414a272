// The database setup dialog, driven as a person would: an alias chosen from
// the list or typed letter by letter, against real SQLite and PostgreSQL
// databases.
#include <orv/design/setupdlg.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <orv/design/testing/designtesting.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

using Lines = std::vector<std::string>;

// Creates each table (one integer column) in database.
void CreateTables(const std::string& database, const Lines& names) {
  for (const std::string& name : names) {
    TComponentPtr<TTable> table = orv::testing::TableOf(database, name);
    table->CreateTable({{"ID", ftInteger, 0}});
  }
}

// The tables of database as the session lists them for the dialog.
Lines SessionTables(const std::string& database) {
  TStringList list;
  Session()->GetTableNames(database, "", true, false, list);
  return list.ToVector();
}

TEST(SetupDialogLayoutTest, ThePlacesTextsAndStatesOfTheControls) {
  testing::StartApplication();
  TComponentPtr<TDBSetupDlg> d(new TDBSetupDlg(Application()));
  EXPECT_EQ(d->Caption(), "Data Base setup dialog");
  EXPECT_EQ(d->BorderStyle(), bsDialog);
  EXPECT_TRUE(d->BorderIcons().Empty());  // no close box
  EXPECT_EQ(d->Position(), poScreenCenter);
  EXPECT_EQ(d->FontName(), "MS Sans Serif");
  EXPECT_EQ(d->FontHeight(), -11);
  EXPECT_EQ(d->ClientWidth(), 219);
  EXPECT_EQ(d->ClientHeight(), 119);
  EXPECT_FALSE(d->OnShow());  // no form-level handlers
  // Legend: name, left, top, width, height, tab order (-1: graphic), enabled.
  testing::ExpectControls(&*d, {
                                   {"Label1", 8, 16, 78, 13, -1, true},
                                   {"Label2", 28, 56, 58, 13, -1, true},
                                   {"DBName", 88, 12, 121, 21, 0, true},
                                   {"TblName", 88, 52, 121, 21, 1, false},
                                   {"BitBtn1", 136, 88, 33, 25, 2, true},
                                   {"BitBtn2", 175, 88, 33, 25, 3, true},
                               });
  EXPECT_EQ(d->Label1->Caption(), "DataBase Name");
  EXPECT_EQ(d->Label2->Caption(), "Table Name");
  EXPECT_EQ(d->Label1->Alignment(), taCenter);
  EXPECT_EQ(d->Label2->Alignment(), taCenter);
  EXPECT_EQ(d->DBName->Style(), csDropDown);
  EXPECT_EQ(d->TblName->Style(), csDropDown);
  // Legend: button, hint, default, modal result, pictures, glyph size.
  struct Btn {
    TBitBtn* button;
    const char* hint;
    bool is_default;
    TModalResult result;
    int glyphs, width, height;
  };
  for (const Btn& b : {Btn{d->BitBtn1, "OK", true, mrOk, 2, 32, 16},
                       Btn{d->BitBtn2, "Cancel", false, mrCancel, 1, 20, 20}}) {
    SCOPED_TRACE(b.hint);
    EXPECT_EQ(b.button->Hint(), b.hint);
    EXPECT_TRUE(b.button->ShowHint());
    EXPECT_EQ(b.button->Default(), b.is_default);
    EXPECT_FALSE(b.button->Cancel());
    EXPECT_EQ(b.button->ModalResult(), b.result);
    EXPECT_EQ(b.button->NumGlyphs(), b.glyphs);
    EXPECT_EQ(b.button->Glyph()->Width(), b.width);
    EXPECT_EQ(b.button->Glyph()->Height(), b.height);
  }
  // The check mark has a picture of its own for the disabled state.
  EXPECT_NE(d->BitBtn1->EnabledImage(), d->BitBtn1->DisabledImage());
}

class SetupDialogTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    testing::StartApplication();
    first_ = std::make_unique<testing::TestDatabase>(GetParam());
    second_ = std::make_unique<testing::TestDatabase>(GetParam());
    CreateTables(first_->Alias(), {"ORDERS.DB", "GENTBL.DB", "CLIENTS.DB"});
    CreateTables(second_->Alias(), {"ITEMS.DB"});
    dlg_.reset(new TDBSetupDlg(Application()));
    dlg_->DBName->Items()->Add(first_->Alias());
    dlg_->DBName->Items()->Add(second_->Alias());
    testing::ShowActive(dlg_.get());
  }
  void TearDown() override {
    dlg_.reset();
    testing::Pump();
  }

  std::unique_ptr<testing::TestDatabase> first_, second_;
  TComponentPtr<TDBSetupDlg> dlg_;
  testing::MessageBoxAnswerer boxes_;
};

TEST_P(SetupDialogTest, ChoosingAnAliasListsItsTablesAndAnotherReplacesThem) {
  // Legend: the alias chosen -> TblName's list.
  struct Row {
    int index;
    const testing::TestDatabase* db;
    std::size_t tables;
  };
  for (const Row& r :
       {Row{0, first_.get(), 3}, Row{1, second_.get(), 1}, Row{0, first_.get(), 3}}) {
    SCOPED_TRACE(r.db->Alias());
    dlg_->TblName->SetText("typed");  // cleared by the change
    testing::ChooseCombo(dlg_->DBName, r.index);
    EXPECT_EQ(dlg_->DBName->Text(), r.db->Alias());
    EXPECT_TRUE(dlg_->TblName->Enabled());
    EXPECT_EQ(dlg_->TblName->Text(), "");
    EXPECT_EQ(dlg_->TblName->Items()->ToVector(), SessionTables(r.db->Alias()));
    EXPECT_EQ(dlg_->TblName->Items()->Count(), static_cast<int>(r.tables));
  }
  // A table chosen from the list, or typed, is what the box shows.
  testing::ChooseCombo(dlg_->TblName, 1);
  EXPECT_EQ(dlg_->TblName->Text(), SessionTables(first_->Alias())[1]);
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_P(SetupDialogTest, TypingANameListsTablesOnlyWhileItNamesADatabase) {
  const std::string alias = second_->Alias();
  dlg_->DBName->SetText("");
  testing::TypeInto(dlg_->DBName, alias.substr(0, alias.size() - 1));
  EXPECT_FALSE(dlg_->TblName->Enabled());
  EXPECT_EQ(dlg_->TblName->Items()->Count(), 0);
  testing::TypeInto(dlg_->DBName, alias.substr(alias.size() - 1));
  EXPECT_EQ(dlg_->DBName->Text(), alias);
  EXPECT_TRUE(dlg_->TblName->Enabled());
  EXPECT_EQ(dlg_->TblName->Items()->ToVector(), SessionTables(alias));
  // One more letter: no database again; list and text go.
  dlg_->TblName->SetText("ITEMS.DB");
  testing::TypeInto(dlg_->DBName, "x");
  EXPECT_FALSE(dlg_->TblName->Enabled());
  EXPECT_EQ(dlg_->TblName->Items()->Count(), 0);
  EXPECT_EQ(dlg_->TblName->Text(), "");
  EXPECT_TRUE(boxes_.Seen().empty());  // never a message
}

INSTANTIATE_TEST_SUITE_P(Engines, SetupDialogTest, ::testing::ValuesIn(testing::AllEngineNames()));

}  // namespace
}  // namespace orv
