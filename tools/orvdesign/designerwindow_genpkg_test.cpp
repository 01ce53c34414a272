// The designer with the real orvgenpkg, loaded as a newcomer's designer loads
// it (the default package), offscreen, against a real SQLite database: place
// a generator, compose its mask in the mask editor through the inspector's
// "..." button and through the context menu, choose its database and table
// in the setup dialog, watch the key preview, undo it all, and save.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <orv/design/gendlg.h>
#include <orv/design/setupdlg.h>
#include <orv/design/testing/designtesting.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/testing/formtesting.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>
#include "tools/orvdesign/designerwindow.h"
#include "tools/orvdesign/packages.h"

namespace orv::design {
namespace {

constexpr char kEmpty[] = "object Keys: TDataModule\nend\n";

class GenPackageWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    orv::testing::StartApplication();
    loaded_ = new TLoadedPackages(LoadPackages({}, true));
  }
  static void TearDownTestSuite() {
    delete loaded_;
    loaded_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(loaded_->failures.empty()) << loaded_->failures.front();
    db_ = std::make_unique<orv::testing::TestDatabase>("sqlite");
    for (const char* name : {"ORDERS.DB", "GENTBL.DB"}) {
      TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), name);
      t->CreateTable(GenTableFields(), GenTableUniqueKey());
    }
    doc_.LoadFromString(kEmpty);
    window_ = std::make_unique<TDesignerWindow>(doc_);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get(), 5000));
    Pump();
  }
  void TearDown() override {
    doc_.LoadFromString(kEmpty);
    window_.reset();
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) orv::testing::Pump();
  }
  std::string Prop(const std::string& p) { return GetPropText(*doc_.Get("Generator1"), p); }
  TGenerator* Gen() { return dynamic_cast<TGenerator*>(doc_.Get("Generator1")); }
  std::string Preview() { return window_->Preview()->toPlainText().toStdString(); }

  static TLoadedPackages* loaded_;
  std::unique_ptr<orv::testing::TestDatabase> db_;
  orv::testing::MessageBoxAnswerer boxes_;
  TFormDocument doc_;
  std::unique_ptr<TDesignerWindow> window_;
};
TLoadedPackages* GenPackageWindowTest::loaded_ = nullptr;

TEST_F(GenPackageWindowTest, ConfigureAGeneratorThroughTheEditorsThenUndoAndSave) {
  // The palette page "Orv" holds both components; place a generator.
  ASSERT_TRUE(window_->PaletteButton("TUniKEY"));
  QToolButton* gen = window_->PaletteButton("TGenerator");
  ASSERT_TRUE(gen);
  gen->click();
  QTest::mouseClick(window_->Surface(), Qt::LeftButton, {}, QPoint(120, 90));
  Pump();
  ASSERT_TRUE(Gen());
  EXPECT_EQ(doc_.Selection(), std::vector<std::string>{"Generator1"});
  EXPECT_NE(Preview().find("the generator is disabled"), std::string::npos) << Preview();

  // The inspector's "..." opens the mask editor; compose "INV-##" there from its pieces.
  orv::testing::AnswerModal([](TCustomForm* f) {
    auto* d = dynamic_cast<TEMskDlg*>(f);
    ASSERT_NE(d, nullptr);
    orv::testing::ChooseRadio(d->RG, 0);
    orv::testing::TypeInto(d->Edit2, "INV-");
    orv::testing::Click(d->Addbtn);
    orv::testing::ChooseRadio(d->RG, 3);
    orv::testing::Click(d->Addbtn);
    orv::testing::Click(d->Addbtn);
    orv::testing::TypeInto(d->svEdit, "01");
    orv::testing::Click(d->Okbtn);
  });
  QToolButton* dots = window_->DialogButton("Mask");
  ASSERT_TRUE(dots);
  dots->click();
  Pump();
  EXPECT_EQ(Prop("Mask"), "INV-##");
  EXPECT_EQ(Prop("StartValue"), "01");

  // The context menu's first verb opens it again: a new mask, typed.
  orv::testing::AnswerModal([](TCustomForm* f) {
    auto* d = static_cast<TEMskDlg*>(f);
    EXPECT_EQ(d->Edit1->Text(), "INV-##");
    orv::testing::Click(d->Erasebtn);
    orv::testing::TypeInto(d->Edit1, "ORD-###");
    orv::testing::Click(d->Okbtn);
  });
  std::unique_ptr<QMenu> menu(window_->ContextMenu("Generator1"));
  ASSERT_EQ(menu->actions().size(), 5);
  EXPECT_EQ(menu->actions()[0]->text(), "Edit &Mask");
  EXPECT_EQ(menu->actions()[1]->text(), "Setup  &DB");
  EXPECT_EQ(menu->actions()[2]->text(), "&About");
  menu->actions()[0]->trigger();
  Pump();
  EXPECT_EQ(Prop("Mask"), "ORD-###");
  EXPECT_EQ(Prop("StartValue"), "");

  // &About shows the common library's about box; the form does not change.
  const std::string before_about = doc_.Text();
  const std::string label_before_about = doc_.UndoLabel();
  bool about = false;
  orv::testing::AnswerModal([&about](TCustomForm* f) {
    about = std::string(f->ClassName()) == "TAboutFrm";
    f->SetModalResult(mrOk);
  });
  menu->actions()[2]->trigger();
  Pump();
  EXPECT_TRUE(about);
  EXPECT_EQ(doc_.Text(), before_about);
  EXPECT_EQ(doc_.UndoLabel(), label_before_about);

  // Setup  &DB: the test database's alias, then its generator table, from the lists.
  const std::string alias = db_->Alias();
  orv::testing::AnswerModal([alias](TCustomForm* f) {
    auto* d = dynamic_cast<TDBSetupDlg*>(f);
    ASSERT_NE(d, nullptr);
    const int a = d->DBName->Items()->IndexOf(alias);
    ASSERT_GE(a, 0);
    orv::testing::ChooseCombo(d->DBName, a);
    const int t = d->TblName->Items()->IndexOf("GENTBL.DB");
    ASSERT_GE(t, 0) << d->TblName->Items()->Text();
    orv::testing::ChooseCombo(d->TblName, t);
    orv::testing::Click(d->BitBtn1);
  });
  std::unique_ptr<QMenu> again(window_->ContextMenu("Generator1"));
  again->actions()[1]->trigger();
  Pump();
  EXPECT_EQ(Gen()->DataBaseName(), alias);
  EXPECT_EQ(Gen()->TableName(), "GENTBL.DB");

  // The preview reads the table: no row yet, so the first key starts the counter.
  EXPECT_NE(Preview().find("ORD-000\nORD-001\nORD-002\n"), std::string::npos) << Preview();
  // Another program takes two keys; the preview moves on, and took none itself.
  {
    TComponentPtr<TGenerator> other(new TGenerator(nullptr));
    other->SetMask("ORD-###");
    other->SetDataBaseName(alias);
    other->SetTableName("GENTBL.DB");
    other->InitDB();
    EXPECT_EQ(other->Generator().str(), "ORD-000");
    EXPECT_EQ(other->Generator().str(), "ORD-001");
  }
  doc_.Select({"Generator1"});  // selecting again refreshes the views
  Pump();
  EXPECT_NE(Preview().find("ORD-002\nORD-003\n"), std::string::npos) << Preview();
  // Undo all of it, then redo it and save: the file is what was configured.
  const std::string configured = doc_.Text();
  while (window_->UndoAction()->isEnabled()) {
    window_->UndoAction()->trigger();
    Pump();
  }
  EXPECT_EQ(doc_.Text(), kEmpty);
  EXPECT_FALSE(window_->isWindowModified());
  while (window_->RedoAction()->isEnabled()) {
    window_->RedoAction()->trigger();
    Pump();
  }
  EXPECT_EQ(doc_.Text(), configured);
  const std::string path = ::testing::TempDir() + "/genpkg_window.ofm";
  doc_.SaveToFile(path);
  Pump();
  EXPECT_FALSE(window_->isWindowModified());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "object Keys: TDataModule\n"
            "  object Generator1: TGenerator\n"
            "    Mask = 'ORD-###'\n"
            "    Left = 120\n"
            "    Top = 90\n"
            "    DataBaseName = '" +
                alias +
                "'\n"
                "    TableName = 'GENTBL.DB'\n"
                "  end\n"
                "end\n");
  EXPECT_TRUE(boxes_.Seen().empty()) << boxes_.Seen().front();
}

TEST_F(GenPackageWindowTest, ARefusedLimitIsMarkedAndAnUnopenableTableIsSaidInThePane) {
  doc_.LoadFromString(
      "object Keys: TDataModule\n"
      "  object Gen1: TGenerator\n"
      "    Mask = 'Q##'\n"
      "    StartValue = '10'\n"
      "    DataBaseName = '" +
      db_->Alias() +
      "'\n"
      "    TableName = 'NOPE.DB'\n"
      "  end\n"
      "end\n");
  doc_.Select({"Gen1"});
  Pump();
  EXPECT_NE(Preview().find("No preview: Cannot open generator table NOPE.DB of " + db_->Alias()),
            std::string::npos)
      << Preview();
  QLineEdit* end = window_->ValueField("EndValue");
  ASSERT_TRUE(end);
  end->setFocus();
  end->selectAll();
  QTest::keyClicks(end, "05");
  QTest::keyClick(end, Qt::Key_Return);
  Pump();
  EXPECT_EQ(GetPropText(*doc_.Get("Gen1"), "EndValue"), "");
  EXPECT_EQ(GetPropText(*doc_.Get("Gen1"), "StartValue"), "10");
  EXPECT_EQ(window_->InspectorNote()->text(), "EndValue: EndValue must be greater than StartValue");
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_TRUE(boxes_.Seen().empty());  // the refusal is at the field, not in a box
}

// The data access and control pages of orvhostpkg, used as a person would:
// components from the palette, references and names from the inspector's lists.
class HostPackageWindowTest : public GenPackageWindowTest {
 protected:
  void PlaceFromPalette(const char* cls, QPoint at) {
    QToolButton* button = window_->PaletteButton(cls);
    ASSERT_TRUE(button) << cls;
    button->click();
    QTest::mouseClick(window_->Surface(), Qt::LeftButton, {}, at);
    Pump();
  }
  std::vector<std::string> Offered(const std::string& property) {
    std::vector<std::string> out;
    if (QComboBox* list = window_->ValueList(property))
      for (int i = 0; i < list->count(); ++i) out.push_back(list->itemText(i).toStdString());
    return out;
  }
  void Choose(const std::string& property, const std::string& value) {
    QComboBox* list = window_->ValueList(property);
    ASSERT_TRUE(list) << property;
    const int index = list->findText(QString::fromStdString(value));
    ASSERT_GE(index, 0) << property << ": no " << value;
    list->activated(index);  // as a click on the entry
    Pump();
  }
  std::string Saved() {
    const std::string path = ::testing::TempDir() + "/hostpkg_window.ofm";
    doc_.SaveToFile(path);
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(HostPackageWindowTest, AStamperIsWiredToATableThroughTheInspectorsLists) {
  TComponentPtr<TTable> orders = orv::testing::TableOf(db_->Alias(), "STAMPED.DB");
  orders->CreateTable({{"OKEY", ftString, 20}, {"CUSTOMER", ftString, 40}}, {"OKEY"});
  PlaceFromPalette("TTable", QPoint(40, 40));
  Choose("DatabaseName", db_->Alias());
  Choose("TableName", "STAMPED.DB");
  PlaceFromPalette("TDataSource", QPoint(140, 40));
  EXPECT_EQ(Offered("DataSet"), (std::vector<std::string>{"(none)", "Table1"}));
  Choose("DataSet", "Table1");
  PlaceFromPalette("TGenerator", QPoint(240, 40));
  PlaceFromPalette("TUniKEY", QPoint(340, 40));
  // Each reference offers the components of its class only.
  EXPECT_EQ(Offered("DataSource"), (std::vector<std::string>{"(none)", "DataSource1"}));
  Choose("DataSource", "DataSource1");
  EXPECT_EQ(Offered("DataField"), (std::vector<std::string>{"CUSTOMER", "OKEY"}));
  Choose("DataField", "OKEY");
  EXPECT_EQ(Saved(),
            "object Keys: TDataModule\n"
            "  object Table1: TTable\n"
            "    DatabaseName = '" +
                db_->Alias() +
                "'\n"
                "    TableName = 'STAMPED.DB'\n"
                "    Left = 40\n"
                "    Top = 40\n"
                "  end\n"
                "  object DataSource1: TDataSource\n"
                "    DataSet = Table1\n"
                "    Left = 140\n"
                "    Top = 40\n"
                "  end\n"
                "  object Generator1: TGenerator\n"
                "    Left = 240\n"
                "    Top = 40\n"
                "    DataBaseName = 'tGenAlias'\n"
                "    TableName = 'GENTBL.DB'\n"
                "  end\n"
                "  object UniKEY1: TUniKEY\n"
                "    DataSource = DataSource1\n"
                "    DataField = 'OKEY'\n"
                "    Left = 340\n"
                "    Top = 40\n"
                "  end\n"
                "end\n");
  // A data module holds no controls.
  PlaceFromPalette("TEdit", QPoint(40, 140));
  EXPECT_EQ(doc_.Find("Edit1"), nullptr);
  EXPECT_NE(window_->Messages()->toPlainText().toStdString().find(
                "A control (TEdit) can be placed on a form only"),
            std::string::npos);
  EXPECT_TRUE(boxes_.Seen().empty()) << boxes_.Seen().front();
}

TEST_F(HostPackageWindowTest, ControlsGoOnAFormAndIntoAPanelAndLookAsTheyWillRun) {
  doc_.LoadFromString(
      "object Form1: TForm\n  Width = 400\n  Height = 300\n  Caption = 'Orders'\nend\n");
  Pump();
  PlaceFromPalette("TPanel", QPoint(16, 16));
  PlaceFromPalette("TEdit", QPoint(24, 26));  // inside the panel
  PlaceFromPalette("TDBGrid", QPoint(16, 80));
  std::vector<std::string> names;
  for (TComponent* c : doc_.Components()) names.push_back(c->Name());
  ASSERT_EQ(names, (std::vector<std::string>{"Panel1", "Edit1", "DBGrid1"}));
  auto* edit = dynamic_cast<TControl*>(doc_.Get("Edit1"));
  EXPECT_EQ(edit->Parent(), doc_.Get("Panel1"));
  // The surface shows the edit as its own widget draws it.
  const QRect at(QPoint(24, 26), QSize(edit->Width(), edit->Height()));
  EXPECT_EQ(window_->Surface()->grab(at).toImage().convertToFormat(QImage::Format_RGB32),
            edit->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32));
  const std::string text = Saved();
  EXPECT_NE(text.find("  object Panel1: TPanel\n    Left = 16\n    Top = 16\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("    object Edit1: TEdit\n      Left = 8\n      Top = 10\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("  object DBGrid1: TDBGrid\n    Left = 16\n    Top = 80\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace orv::design
