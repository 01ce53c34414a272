// The designer's window driven as a person drives it, offscreen: palette
// clicks and surface clicks, typing into the inspector, Enter, Esc, the
// "..." button, context menus, keys on the surface, undo, the save prompt.
#include "tools/orvdesign/designerwindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/typinfo.h>
#include <orv/host/designintf/package.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv::design {
namespace {

constexpr char kModule[] =
    "object Mod: TDataModule\n"
    "  object Part1: TPart\n"
    "    Mask = 'AB-##'\n"
    "    Limit = 3\n"
    "    Left = 40\n"
    "    Top = 40\n"
    "  end\n"
    "  object Stamp1: TStamp\n"
    "    Left = 160\n"
    "    Top = 40\n"
    "  end\n"
    "end\n";

class DesignerWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    orv::testing::StartApplication();
    packages_.push_back(LoadPackage(ORV_TEST_PACKAGE).release());
    packages_.push_back(LoadPackage(ORV_FAULTY_PACKAGE).release());
  }
  static void TearDownTestSuite() {
    for (TPackage* p : packages_) delete p;
    packages_.clear();
  }
  void SetUp() override {
    doc_.LoadFromString(kModule);
    window_ = std::make_unique<TDesignerWindow>(doc_);
    window_->show();
    window_->activateWindow();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(
        QTest::qWaitForWindowActive(window_.get(), 5000));  // focus moves only in the active window
    Pump();
  }
  void TearDown() override {
    doc_.LoadFromString(kModule);  // unmodified: closing asks nothing
    window_.reset();
  }

  static void Pump() {
    for (int i = 0; i < 5; ++i) orv::testing::Pump();
  }
  // The centre of a component's picture on the surface.
  QPoint At(const std::string& name) {
    const auto p = doc_.Position(doc_.Get(name));
    return QPoint(p.x + 14, p.y + 14);
  }
  void ClickSurface(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseClick(window_->Surface(), Qt::LeftButton, mods, at);
    Pump();
  }
  // Types into a field as a person does: select all, type, then a key.
  void TypeInto(QLineEdit* field, const QString& text, Qt::Key end) {
    ASSERT_TRUE(field);
    field->setFocus();
    field->selectAll();
    for (const QChar ch : text) {  // keyClicks knows ASCII only
      if (ch.unicode() < 128)
        QTest::keyClick(field, ch.toLatin1());
      else
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    QTest::keyClick(field, end);
    Pump();
  }
  std::string Prop(const std::string& c, const std::string& p) {
    return GetPropText(*doc_.Get(c), p);
  }

  static std::vector<TPackage*> packages_;
  TFormDocument doc_;
  std::unique_ptr<TDesignerWindow> window_;
};
std::vector<TPackage*> DesignerWindowTest::packages_;

TEST_F(DesignerWindowTest, PlaceFromThePaletteSelectMoveDeleteAndUndoItAll) {
  QToolButton* stamp = window_->PaletteButton("TStamp");
  ASSERT_TRUE(stamp);
  stamp->click();
  EXPECT_EQ(window_->Armed(), &FindClass("TStamp"));
  ClickSurface(QPoint(300, 200));
  ASSERT_TRUE(doc_.Find("Stamp2"));
  EXPECT_EQ(doc_.Selection(), std::vector<std::string>{"Stamp2"});
  EXPECT_EQ(window_->Armed(), nullptr);
  EXPECT_TRUE(window_->isWindowModified());
  // The tree shows it, selected.
  // (The tree is rebuilt after each change: its items are fetched afresh.)
  auto item = [&](int i) { return window_->Tree()->topLevelItem(0)->child(i); };
  ASSERT_EQ(window_->Tree()->topLevelItem(0)->childCount(), 3);
  EXPECT_EQ(item(2)->text(0), "Stamp2");
  EXPECT_TRUE(item(2)->isSelected());

  // Click one, Ctrl+click another: both selected, in the tree as well.
  ClickSurface(At("Part1"));
  ClickSurface(At("Stamp1"), Qt::ControlModifier);
  EXPECT_EQ(doc_.Selection(), (std::vector<std::string>{"Part1", "Stamp1"}));
  EXPECT_TRUE(item(0)->isSelected() && item(1)->isSelected());
  // Selecting in the tree selects on the surface.
  item(2)->setSelected(true);
  Pump();
  item(0)->setSelected(false);
  Pump();
  EXPECT_EQ(doc_.Selection(), (std::vector<std::string>{"Stamp1", "Stamp2"}));

  // Arrow keys move the selection; the mouse drags it.
  ClickSurface(At("Part1"));
  QTest::keyClick(window_->Surface(), Qt::Key_Right);
  QTest::keyClick(window_->Surface(), Qt::Key_Down, Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(doc_.Position(doc_.Get("Part1")).x, 41);
  EXPECT_EQ(doc_.Position(doc_.Get("Part1")).y, 48);
  const QPoint from = At("Part1");
  QTest::mousePress(window_->Surface(), Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(20, 10)),
                   QPointF(from + QPoint(20, 10)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_->Surface(), &move);
  QTest::mouseRelease(window_->Surface(), Qt::LeftButton, {}, from + QPoint(20, 10));
  Pump();
  EXPECT_EQ(doc_.Position(doc_.Get("Part1")).x, 61);
  EXPECT_EQ(doc_.Position(doc_.Get("Part1")).y, 58);
  // Delete takes the selection away.
  QTest::keyClick(window_->Surface(), Qt::Key_Delete);
  Pump();
  EXPECT_FALSE(doc_.Find("Part1"));

  // Undo all of it: the form text is the original's again, and it is not modified.
  while (window_->UndoAction()->isEnabled()) {
    window_->UndoAction()->trigger();
    Pump();
  }
  EXPECT_EQ(doc_.Text(), kModule);
  EXPECT_FALSE(window_->isWindowModified());
  window_->RedoAction()->trigger();
  Pump();
  EXPECT_TRUE(doc_.Find("Stamp2"));
}

TEST_F(DesignerWindowTest, InspectorCommitsOnEnterAndLeaveRestoresOnEscAndMarksRefusals) {
  ClickSurface(At("Part1"));
  // Enter commits.
  TypeInto(window_->ValueField("Limit"), "12", Qt::Key_Return);
  EXPECT_EQ(Prop("Part1", "Limit"), "12");
  // Esc puts the component's value back; nothing is set.
  TypeInto(window_->ValueField("Limit"), "99", Qt::Key_Escape);
  EXPECT_EQ(window_->ValueField("Limit")->text(), "12");
  EXPECT_EQ(Prop("Part1", "Limit"), "12");
  // Leaving the field commits.
  TypeInto(window_->ValueField("Mask"), "ZZ-#", Qt::Key_End);
  EXPECT_EQ(QApplication::focusWidget(), window_->ValueField("Mask"));
  window_->ValueField("Limit")->setFocus();
  Pump();
  EXPECT_EQ(Prop("Part1", "Mask"), "ZZ-#");
  // A refused value: marked at the field with the message; the component keeps its value.
  TypeInto(window_->ValueField("Limit"), "-5", Qt::Key_Return);
  EXPECT_EQ(Prop("Part1", "Limit"), "12");
  QLineEdit* limit = window_->ValueField("Limit");
  EXPECT_EQ(limit->text(), "-5");
  EXPECT_NE(limit->styleSheet().indexOf("ffd0d0"), -1);
  EXPECT_EQ(window_->InspectorNote()->text(), "Limit: Limit must not be negative");
  EXPECT_TRUE(window_->Messages()->toPlainText().contains(
      "Part1 (TPart), TPropertyEditor: Limit must not be negative"));
  // An error box from a setter is a refusal too, and never shows.
  TypeInto(window_->ValueField("Level"), "11", Qt::Key_Return);
  EXPECT_EQ(Prop("Part1", "Level"), "0");
  EXPECT_EQ(window_->InspectorNote()->text(), "Level: Level must be 10 or less");
  TypeInto(window_->ValueField("Level"), "11", Qt::Key_Escape);
  EXPECT_EQ(window_->ValueField("Level")->text(), "0");
  EXPECT_EQ(window_->InspectorNote()->text(), "");
  // Text is 1251 inside: Cyrillic goes in and comes back as typed; a
  // character 1251 lacks is refused at the field, the value left as it was.
  TypeInto(window_->ValueField("Mask"), QString::fromUtf8("Заказ-#"), Qt::Key_Return);
  EXPECT_EQ(Prop("Part1", "Mask"), "\xC7\xE0\xEA\xE0\xE7-#");
  EXPECT_EQ(window_->ValueField("Mask")->text(), QString::fromUtf8("Заказ-#"));
  TypeInto(window_->ValueField("Mask"), QString::fromUtf8("Заказ-✓"), Qt::Key_Return);
  EXPECT_EQ(Prop("Part1", "Mask"), "\xC7\xE0\xEA\xE0\xE7-#");
  EXPECT_EQ(window_->InspectorNote()->text(),
            "Mask: Character U+2713 cannot be written in code page 1251");
  TypeInto(window_->ValueField("Mask"), "", Qt::Key_Escape);
  EXPECT_EQ(window_->ValueField("Mask")->text(), QString::fromUtf8("Заказ-#"));

  // The filter box keeps the rows whose names hold its text.
  window_->Filter()->setText("lim");
  Pump();
  std::vector<std::string> visible;
  for (int r = 0; r < window_->Inspector()->rowCount(); ++r)
    if (!window_->Inspector()->isRowHidden(r))
      visible.push_back(window_->Inspector()->item(r, 0)->text().toStdString());
  EXPECT_EQ(visible, (std::vector<std::string>{"Limit"}));
  window_->Filter()->clear();

  // A value list offers the editor's values; choosing one commits it.
  QComboBox* alias = window_->ValueList("Alias");
  ASSERT_TRUE(alias);
  ASSERT_EQ(alias->count(), 2);
  alias->activated(1);  // as a click on the second entry
  Pump();
  EXPECT_EQ(Prop("Part1", "Alias"), "Office");
}

TEST_F(DesignerWindowTest, DialogButtonVerbsAndDoubleClickGoThroughTheEditors) {
  ClickSurface(At("Stamp1"));
  QToolButton* dots = window_->DialogButton("Mask");
  ASSERT_TRUE(dots);
  dots->click();
  Pump();
  EXPECT_EQ(Prop("Stamp1", "Mask"), "#");
  // The context menu holds the component editor's verbs, then Delete.
  std::unique_ptr<QMenu> menu(window_->ContextMenu("Stamp1"));
  std::vector<std::string> texts;
  for (QAction* a : menu->actions()) texts.push_back(a->text().toStdString());
  EXPECT_EQ(texts, (std::vector<std::string>{"&Count up", "&Reset", "", "&Delete"}));
  menu->actions()[0]->trigger();
  Pump();
  EXPECT_EQ(Prop("Stamp1", "Count"), "1");
  // The right button on a component opens that menu; choosing a verb runs it.
  std::vector<std::string> shown;
  QTimer::singleShot(0, [&shown] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!popup) return;
    for (QAction* a : popup->actions()) shown.push_back(a->text().toStdString());
    popup->actions()[1]->trigger();  // &Reset
    popup->close();
  });
  QContextMenuEvent right(QContextMenuEvent::Mouse, At("Stamp1"),
                          window_->Surface()->mapToGlobal(At("Stamp1")));
  QApplication::sendEvent(window_->Surface(), &right);
  Pump();
  EXPECT_EQ(shown, texts);
  EXPECT_EQ(Prop("Stamp1", "Count"), "0");
  menu->actions()[0]->trigger();
  Pump();
  EXPECT_EQ(Prop("Stamp1", "Count"), "1");
  QTest::mouseDClick(window_->Surface(), Qt::LeftButton, {}, At("Stamp1"));
  Pump();
  EXPECT_EQ(Prop("Stamp1", "Count"), "2");
  // A verb that fails reports component and editor, and the form is as before.
  const std::string before = doc_.Text();
  std::unique_ptr<QMenu> part(window_->ContextMenu("Part1"));
  part->actions()[1]->trigger();  // &Break
  Pump();
  EXPECT_EQ(doc_.Text(), before);
  EXPECT_TRUE(window_->Messages()->toPlainText().contains(
      "Part1 (TPart), TPartEditor: the verb broke down"));
}

TEST_F(DesignerWindowTest, TitleShowsAModifiedFormAndClosingAsksToSave) {
  EXPECT_FALSE(window_->isWindowModified());
  ClickSurface(At("Part1"));
  TypeInto(window_->ValueField("Limit"), "5", Qt::Key_Return);
  EXPECT_TRUE(window_->isWindowModified());
  EXPECT_TRUE(window_->windowTitle().contains("[*]"));
  // Cancel keeps the window; Discard lets it close.
  for (auto [button, closes] :
       {std::pair{QMessageBox::Cancel, false}, std::pair{QMessageBox::Discard, true}}) {
    bool asked = false;
    QTimer::singleShot(0, [&asked, b = button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      asked = true;
      box->button(b)->click();
    });
    EXPECT_EQ(window_->close(), closes);
    EXPECT_TRUE(asked);
  }
}

}  // namespace
}  // namespace orv::design
