// The generator's editors through the designer interfaces, as the designer
// calls them, with a designer that counts Modified; the dialogs they open are
// driven from inside their modal loops.
#include <orv/design/gendsgn.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <orv/common/uabt.h>
#include <orv/design/gendlg.h>
#include <orv/design/setupdlg.h>
#include <orv/design/testing/designtesting.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {

// A generator that publishes its database and table names, as an
// application's descendant may, so that the name editors apply.
class TNamedGenerator : public TGenerator {
  ORV_CLASS(TNamedGenerator, TGenerator)
 public:
  using TGenerator::TGenerator;
  std::string tDataBaseName() const { return DataBaseName(); }
  void SettDataBaseName(const std::string& s) { SetDataBaseName(s); }
  std::string tTableName() const { return TableName(); }
  void SettTableName(const std::string& s) { SetTableName(s); }
};

const TClassInfo& TNamedGenerator::StaticClassInfo() {
  static const TClassInfo info =
      Published<TNamedGenerator>()
          .Property("tDataBaseName", &TNamedGenerator::tDataBaseName,
                    &TNamedGenerator::SettDataBaseName)
          .Property("tTableName", &TNamedGenerator::tTableName, &TNamedGenerator::SettTableName);
  return info;
}

namespace {

using Lines = std::vector<std::string>;

Lines Values(TPropertyEditor& editor) {
  Lines out;
  editor.GetValues([&](const std::string& s) { out.push_back(s); });
  return out;
}

Lines SessionAliases() {
  TStringList list;
  Session()->GetAliasNames(list);
  return list.ToVector();
}

Lines SessionTables(const std::string& database) {
  TStringList list;
  Session()->GetTableNames(database, "", true, false, list);
  return list.ToVector();
}

void CreateTables(const std::string& database, const Lines& names) {
  for (const std::string& name : names) {
    TComponentPtr<TTable> table = orv::testing::TableOf(database, name);
    table->CreateTable({{"ID", ftInteger, 0}});
  }
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    gendlg::SVOK = gendlg::EVOK = false;
    SetRegisteringPackage(kRegistrations);
    gendsgn::Register();
    SetRegisteringPackage(0);
  }
  void TearDown() override { UnregisterPackage(kRegistrations); }
  static constexpr int kRegistrations = 1000;  // the registrations of this test, removed at its end

  TComponentPtr<TComponent> owner_{new TComponent(nullptr)};
  TCountingDesigner designer_;
  testing::MessageBoxAnswerer boxes_;
};

TEST_F(EditorTest, TheComponentEditorOffersThreeVerbs) {
  auto* generator = new TGenerator(owner_.get());
  auto* named = new TNamedGenerator(owner_.get());
  for (TComponent* c : {static_cast<TComponent*>(generator), static_cast<TComponent*>(named)}) {
    SCOPED_TRACE(c->ClassName());
    auto editor = GetComponentEditor(c, &designer_);
    EXPECT_STREQ(editor->ClassName(), "TGComponentEditor");
    ASSERT_EQ(editor->GetVerbCount(), 3);
    EXPECT_EQ((Lines{editor->GetVerb(0), editor->GetVerb(1), editor->GetVerb(2)}),
              (Lines{"Edit &Mask", "Setup  &DB", "&About"}));
    // Other indexes do nothing.
    editor->ExecuteVerb(3);
    editor->ExecuteVerb(-1);
    EXPECT_EQ(designer_.modified, 0);
    // The default action (a double click) stays the designer's: the first verb.
    std::string opened;
    testing::AnswerModal([&opened](TCustomForm* f) {
      opened = f->ClassName();
      f->Close();
    });
    editor->Edit();
    EXPECT_EQ(opened, "TEMskDlg");
    EXPECT_EQ(designer_.modified, 1);
    designer_.modified = 0;
  }
}

TEST_F(EditorTest, AboutShowsTheCommonAboutBoxForTGeneratorWhateverTheClass) {
  auto* generator = new TGenerator(owner_.get());
  auto* named = new TNamedGenerator(owner_.get());
  for (TComponent* c : {static_cast<TComponent*>(generator), static_cast<TComponent*>(named)}) {
    SCOPED_TRACE(c->ClassName());
    Lines shown;
    testing::AnswerModal([&shown](TCustomForm* f) {
      auto* about = dynamic_cast<TAboutFrm*>(f);
      ASSERT_NE(about, nullptr);
      shown = {about->ComponentName(), about->VersionInfo()};
      f->SetModalResult(mrOk);
    });
    GetComponentEditor(c, &designer_)->ExecuteVerb(2);
    EXPECT_EQ(shown, (Lines{"TGenerator", "Version 2.0"}));
  }
  EXPECT_EQ(designer_.modified, 0);
}

TEST_F(EditorTest, TheMaskVerbWritesBackAfterOkAndMarksTheFormEitherWay) {
  // Legend: how the dialog ends -> the generator's mask, start and end after it.
  struct Row {
    const char* how;
    Lines after;
  };
  const Row rows[] = {
      {"ok", {"INV-##", "01", "98"}},
      {"cancel", {"AB-#", "1", "8"}},
      {"close box", {"AB-#", "1", "8"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.how);
    auto* generator = new TGenerator(owner_.get());
    generator->SetMask("AB-#");
    generator->SetStartValue("1");
    generator->SetEndValue("8");
    designer_.modified = 0;
    Lines preset;
    const std::string how = r.how;
    testing::AnswerModal([&preset, how](TCustomForm* f) {
      auto* d = dynamic_cast<TEMskDlg*>(f);
      ASSERT_NE(d, nullptr);
      preset = {d->Edit1->Text(), d->svEdit->Text(), d->evEdit->Text()};
      testing::Click(d->Erasebtn);
      testing::ChooseRadio(d->RG, 0);
      testing::TypeInto(d->Edit2, "INV-");
      testing::Click(d->Addbtn);
      testing::ChooseRadio(d->RG, 3);
      testing::Click(d->Addbtn);
      testing::Click(d->Addbtn);
      testing::TypeInto(d->svEdit, "01");
      testing::TypeInto(d->evEdit, "98");
      testing::LeaveField(d->evEdit);
      if (how == "ok")
        testing::Click(d->Okbtn);
      else if (how == "cancel")
        testing::Click(d->Cancelbtn);
      else
        d->Close();
    });
    GetComponentEditor(generator, &designer_)->ExecuteVerb(0);
    EXPECT_EQ(preset, (Lines{"AB-#", "1", "8"}));
    EXPECT_EQ(
        (Lines{generator->Mask(), generator->StartValue().str(), generator->EndValue().str()}),
        r.after);
    EXPECT_EQ(designer_.modified, 1);
    EXPECT_EQ(gendlg::Mt, nullptr);  // the dialog is gone with its engine
  }
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_F(EditorTest, ASetterErrorEndsTheMaskRoutineBeforeModified) {
  auto* generator = new TGenerator(owner_.get());
  generator->SetMask("AB##");
  generator->SetStartValue("01");
  generator->SetEndValue("50");
  testing::AnswerModal([](TCustomForm* f) {
    auto* d = static_cast<TEMskDlg*>(f);
    d->svEdit->SetText("02");
    testing::TypeInto(d->Edit1, "[");  // a malformed mask, reported by the dialog
    testing::Click(d->Okbtn);
  });
  try {
    GetComponentEditor(generator, &designer_)->ExecuteVerb(0);
    FAIL() << "the setter's error should reach the designer";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Missing ] symbol in Mask!");
  }
  EXPECT_EQ(designer_.modified, 0);
  EXPECT_EQ(generator->StartValue().str(), "01");  // not written: the routine ended at the mask
  EXPECT_EQ(generator->EndValue().str(), "50");
  EXPECT_EQ(boxes_.Take(), Lines{"orv: Missing ] symbol in Mask!"});
}

TEST_F(EditorTest, AnEndValueTheSetterRefusesIsReportedByTheGenerator) {
  auto* generator = new TGenerator(owner_.get());
  generator->SetMask("Q##");
  testing::AnswerModal([](TCustomForm* f) {
    auto* d = static_cast<TEMskDlg*>(f);
    d->svEdit->SetText("50");
    d->evEdit->SetText("10");
    testing::Click(d->Okbtn);
  });
  GetComponentEditor(generator, &designer_)->ExecuteVerb(0);
  EXPECT_EQ(designer_.modified, 1);
  EXPECT_EQ(generator->StartValue().str(), "50");
  EXPECT_EQ(generator->EndValue().str(), "");
  EXPECT_EQ(boxes_.Take(),
            Lines{"Generator Information: EndValue must be greater than StartValue"});
}

TEST_F(EditorTest, TheMaskPropertyOpensTheDialogWithoutMarkingTheForm) {
  auto* generator = new TNamedGenerator(owner_.get());
  generator->SetMask("X#");
  auto editor = GetPropertyEditor({generator}, "Mask", &designer_);
  EXPECT_STREQ(editor->ClassName(), "TMaskPropertyEditor");
  EXPECT_EQ(editor->GetAttributes(), TPropertyAttributes{paDialog});
  testing::AnswerModal([](TCustomForm* f) {
    auto* d = static_cast<TEMskDlg*>(f);
    testing::ChooseRadio(d->RG, 4);
    testing::Click(d->Addbtn);
    testing::Click(d->Okbtn);
  });
  editor->Edit();
  EXPECT_EQ(generator->Mask(), "X#$");
  EXPECT_EQ(designer_.modified, 0);
}

TEST_F(EditorTest, APlainGeneratorHasNoNameProperties) {
  auto* generator = new TGenerator(owner_.get());
  for (const char* name : {"tDataBaseName", "tTableName"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(GetPropertyEditor({generator}, name, &designer_), EPropertyError);
  }
  EXPECT_STREQ(GetPropertyEditor({generator}, "Mask", &designer_)->ClassName(),
               "TMaskPropertyEditor");
}

// ---- against real databases ----------------------------------------------------------------

class DatabaseEditorTest : public EditorTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    EditorTest::SetUp();
    first_ = std::make_unique<testing::TestDatabase>(GetParam());
    second_ = std::make_unique<testing::TestDatabase>(GetParam());
    CreateTables(first_->Alias(), {"GENTBL.DB", "KEYS.DB"});
    CreateTables(second_->Alias(), {"OTHER.DB"});
  }
  std::unique_ptr<testing::TestDatabase> first_, second_;
};

TEST_P(DatabaseEditorTest, TheNameEditorsListAliasesAndTables) {
  auto* generator = new TNamedGenerator(owner_.get());
  auto db = GetPropertyEditor({generator}, "tDataBaseName", &designer_);
  EXPECT_STREQ(db->ClassName(), "TDBNamesPropertyEditor");
  EXPECT_EQ(db->GetAttributes(), TPropertyAttributes{paValueList});
  const Lines aliases = Values(*db);
  EXPECT_EQ(aliases, SessionAliases());
  EXPECT_NE(std::find(aliases.begin(), aliases.end(), first_->Alias()), aliases.end());

  auto tables = GetPropertyEditor({generator}, "tTableName", &designer_);
  EXPECT_STREQ(tables->ClassName(), "TTblNamesPropertyEditor");
  EXPECT_EQ(tables->GetAttributes(), TPropertyAttributes{paValueList});
  // Legend: the generator's DataBaseName -> the table values.
  struct Row {
    std::string database;
    Lines values;
  };
  const Row rows[] = {
      {first_->Alias(), SessionTables(first_->Alias())},
      {second_->Alias(), SessionTables(second_->Alias())},
      {"", {""}},  // no database: one empty value
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.database);
    generator->SetDataBaseName(r.database);
    EXPECT_EQ(Values(*tables), r.values);
  }
  EXPECT_EQ(SessionTables(first_->Alias()).size(), 2u);
  // A database that cannot be opened: the session's error reaches the designer.
  generator->SetDataBaseName("orv_no_such_database");
  EXPECT_THROW(Values(*tables), Exception);
  // Choosing a value sets the published property, hence the generator's name.
  db->SetValue(second_->Alias());
  EXPECT_EQ(generator->DataBaseName(), second_->Alias());
  EXPECT_EQ(designer_.modified, 1);
}

TEST_P(DatabaseEditorTest, TheSetupVerbPresetsTheDialogAndWritesBackAfterOk) {
  // Legend: stored database and table; what the user does -> what the dialog
  // showed (DBName text, TblName text, TblName enabled, TblName list), the
  // names after it.
  struct Row {
    std::string database, table;
    std::string action;  // "ok", "cancel", "choose": second alias and its table, then OK
    std::string shown_db, shownTable;
    bool table_enabled;
    Lines shown_tables;
    std::string after_db, afterTable;
  };
  const std::string a = first_->Alias();
  const std::string b = second_->Alias();
  const Row rows[] = {
      {a, "KEYS.DB", "ok", a, "KEYS.DB", true, SessionTables(a), a, "KEYS.DB"},
      {a, "KEYS.DB", "choose", a, "KEYS.DB", true, SessionTables(a), b, SessionTables(b)[0]},
      {a, "KEYS.DB", "cancel", a, "KEYS.DB", true, SessionTables(a), a, "KEYS.DB"},
      // No database stored: empty texts, the table box disabled; OK hands back empty names.
      {"", "GENTBL.DB", "ok", "", "", false, {}, "", ""},
      // A database that cannot be opened: empty texts, the table box enabled and empty, no message.
      {"orv_no_such_database", "GENTBL.DB", "ok", "", "", true, {}, "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.database + " " + r.action);
    auto* generator = new TGenerator(owner_.get());
    generator->SetDataBaseName(r.database);
    generator->SetTableName(r.table);
    designer_.modified = 0;
    std::string shown_db, shownTable;
    bool enabled = false;
    Lines shown_tables;
    bool aliases_listed = false;
    const std::string action = r.action;
    testing::AnswerModal([&, action](TCustomForm* f) {
      auto* d = dynamic_cast<TDBSetupDlg*>(f);
      ASSERT_NE(d, nullptr);
      shown_db = d->DBName->Text();
      shownTable = d->TblName->Text();
      enabled = d->TblName->Enabled();
      shown_tables = d->TblName->Items()->ToVector();
      aliases_listed = d->DBName->Items()->ToVector() == SessionAliases();
      if (action == "choose") {
        const Lines aliases = d->DBName->Items()->ToVector();
        const auto at = std::find(aliases.begin(), aliases.end(), b) - aliases.begin();
        testing::ChooseCombo(d->DBName, static_cast<int>(at));
        testing::ChooseCombo(d->TblName, 0);
      }
      testing::Click(action == "cancel" ? d->BitBtn2 : d->BitBtn1);
    });
    GetComponentEditor(generator, &designer_)->ExecuteVerb(1);
    EXPECT_TRUE(aliases_listed);
    EXPECT_EQ(shown_db, r.shown_db);
    EXPECT_EQ(shownTable, r.shownTable);
    EXPECT_EQ(enabled, r.table_enabled);
    EXPECT_EQ(shown_tables, r.shown_tables);
    EXPECT_EQ(generator->DataBaseName(), r.after_db);
    EXPECT_EQ(generator->TableName(), r.afterTable);
    EXPECT_EQ(designer_.modified, 1);
  }
  EXPECT_TRUE(boxes_.Seen().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseEditorTest,
                         ::testing::ValuesIn(testing::AllEngineNames()));

}  // namespace
}  // namespace orv
