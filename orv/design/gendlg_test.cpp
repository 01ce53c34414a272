// The mask editor dialog, built from its layout and driven as a person would:
// radio items chosen, text typed, buttons clicked, boxes left with Tab, and
// every message box answered by the test.
#include <orv/design/gendlg.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include <orv/design/testing/designtesting.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

using Lines = std::vector<std::string>;

class MaskDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    gendlg::SVOK = false;
    gendlg::EVOK = false;
  }
  void TearDown() override { Close(); }

  // Opens a dialog as ExecuteMaskDialog presets it, shown and active.
  TEMskDlg* Open(const std::string& mask = "", const std::string& start = "",
                 const std::string& end = "") {
    Close();
    dlg_.reset(new TEMskDlg(Application()));
    dlg_->Edit1->SetText(mask);
    dlg_->svEdit->SetText(start);
    dlg_->evEdit->SetText(end);
    testing::ShowActive(dlg_.get());
    return dlg_.get();
  }
  void Close() {
    if (dlg_) dlg_->Hide();
    dlg_.reset();
    testing::Pump();
  }
  // Types text into an empty box and leaves it with Tab.
  void Enter(TEdit* edit, const std::string& text) {
    edit->SetText("");
    testing::TypeInto(edit, text);
    testing::LeaveField(edit);
  }
  void Add(int item, const std::string& text = "") {
    if (item >= 0) testing::ChooseRadio(dlg_->RG, item);
    dlg_->Edit2->SetText(text);
    testing::Click(dlg_->Addbtn);
  }

  TComponentPtr<TEMskDlg> dlg_;
  testing::MessageBoxAnswerer boxes_;
};

TEST_F(MaskDialogTest, TheLayoutPlacesEveryControlInOrder) {
  TEMskDlg* d = Open();
  EXPECT_EQ(d->Caption(), "Edit mask dialog");
  EXPECT_EQ(d->BorderStyle(), bsDialog);
  EXPECT_EQ(d->BorderIcons(), TBorderIcons{biSystemMenu});
  EXPECT_EQ(d->Position(), poScreenCenter);
  EXPECT_EQ(d->FontName(), "MS Sans Serif");
  EXPECT_EQ(d->FontHeight(), -11);
  EXPECT_EQ(d->ClientWidth(), 422);
  EXPECT_EQ(d->Height(), gendlg::kNormalHeight);
  EXPECT_EQ(d->ClientHeight(), 230);
  // Legend: the control list in order: name, left, top, width, height, tab
  // order (-1: not a windowed control), enabled at start.
  testing::ExpectControls(
      &*d, {
               {"Label1", 8, 132, 59, 13, -1, true},     {"Label2", 8, 96, 57, 13, -1, true},
               {"Bevel1", 2, 128, 420, 2, -1, true},     {"Bevel2", 8, 244, 409, 41, -1, true},
               {"Bevel3", 2, 234, 420, 2, -1, true},     {"Bevel4", 2, 176, 420, 2, -1, true},
               {"Label3", 5, 184, 52, 13, -1, true},     {"Label4", 228, 184, 49, 13, -1, true},
               {"Edit1", 8, 144, 409, 21, 0, true},      {"RG", 8, 0, 409, 89, 1, true},
               {"Addbtn", 200, 96, 81, 17, 2, true},     {"Okbtn", 248, 210, 75, 17, 3, true},
               {"Cancelbtn", 342, 210, 75, 17, 4, true}, {"Edit2", 72, 96, 121, 21, 7, true},
               {"svEdit", 69, 180, 130, 21, 5, true},    {"evEdit", 284, 180, 130, 21, 6, true},
               {"Erasebtn", 342, 96, 75, 17, 8, true},   {"Testbtn", 8, 210, 75, 17, 9, false},
               {"Plusbtn", 344, 247, 25, 17, 10, true},  {"Endbtn", 376, 247, 33, 34, 11, true},
               {"Edit3", 16, 252, 321, 21, 12, false},   {"Minusbtn", 344, 264, 25, 17, 13, true},
           });
  // Texts, fonts, buttons.
  EXPECT_EQ(d->Label1->Caption(), "Result Mask");
  EXPECT_EQ(d->Label2->Caption(), "Text to add:");
  EXPECT_EQ(d->Label3->Caption(), "StartValue:");
  EXPECT_EQ(d->Label4->Caption(), "EndValue:");
  EXPECT_EQ(d->RG->Caption(), "Symbol in mask");
  EXPECT_EQ(d->RG->Columns(), 2);
  EXPECT_EQ(d->RG->ItemIndex(), -1);
  EXPECT_EQ(
      d->RG->Items()->ToVector(),
      (Lines{"Static symbol", "Enumerated set of characters", "User Procedure symbol",
             "Incremental Number", "Incremental character", "Incremental charnum [0..9A..Z]"}));
  EXPECT_EQ(d->Edit1->Color(), clBtnFace);
  EXPECT_EQ(d->Addbtn->Caption(), "&Add");
  EXPECT_EQ(d->Erasebtn->Caption(), "&Erase");
  EXPECT_EQ(d->Okbtn->Caption(), "&Ok");
  EXPECT_TRUE(d->Okbtn->Default());
  EXPECT_EQ(d->Okbtn->ModalResult(), mrOk);
  EXPECT_EQ(d->Cancelbtn->Caption(), "&Cancel");
  EXPECT_EQ(d->Cancelbtn->ModalResult(), mrCancel);
  EXPECT_FALSE(d->Cancelbtn->Cancel());
  EXPECT_EQ(d->Testbtn->Caption(), "&Test");
  EXPECT_EQ(d->Testbtn->Hint(), "Test mask behaviour");
  EXPECT_TRUE(d->Testbtn->ShowHint());
  EXPECT_TRUE(d->Testbtn->FontStyle().Contains(fsItalic));
  EXPECT_FALSE(d->Okbtn->FontStyle().Contains(fsItalic));
  // Legend: picture button, hint, default, glyph width and height.
  struct Glyph {
    TBitBtn* button;
    const char* hint;
    bool is_default;
    int width, height;
  };
  for (const Glyph& g :
       {Glyph{d->Plusbtn, "Increment", true, 10, 10}, Glyph{d->Endbtn, "End test", false, 20, 20},
        Glyph{d->Minusbtn, "Decrement", true, 10, 10}}) {
    SCOPED_TRACE(g.hint);
    EXPECT_EQ(g.button->Hint(), g.hint);
    EXPECT_TRUE(g.button->ShowHint());
    EXPECT_EQ(g.button->Default(), g.is_default);
    EXPECT_EQ(g.button->Glyph()->Width(), g.width);
    EXPECT_EQ(g.button->Glyph()->Height(), g.height);
  }
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_F(MaskDialogTest, OpeningEnablesTestAndTheValueBoxesByTheMask) {
  // Legend: preset mask, start, end -> Testbtn, svEdit and evEdit enabled.
  struct Row {
    const char* mask;
    const char* start;
    const char* end;
    bool test;
    bool values;
  };
  const Row rows[] = {
      {"", "", "", false, true},          // no mask: the value boxes stay as created
      {"AB-##", "", "", true, true},      // a mask: everything usable
      {"AB-##", "01", "99", true, true},  // with limits handed to the engine
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.mask);
    TEMskDlg* d = Open(r.mask, r.start, r.end);
    EXPECT_EQ(d->Testbtn->Enabled(), r.test);
    EXPECT_EQ(d->svEdit->Enabled(), r.values);
    EXPECT_EQ(d->evEdit->Enabled(), r.values);
    EXPECT_EQ(d->Height(), gendlg::kNormalHeight);
  }
  // The engine holds the preset limits.
  EXPECT_EQ(gendlg::Mt->StartValue().str(), "01");
  EXPECT_EQ(gendlg::Mt->EndValue().str(), "99");
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_F(MaskDialogTest, AddAppendsThePieceOfTheChosenItem) {
  // Legend: mask before, item (-1: none), Edit2 text -> mask after, messages, Test enabled.
  struct Row {
    const char* before;
    int item;
    const char* text;
    const char* after;
    Lines messages;
    bool test;
  };
  const Row rows[] = {
      {"", -1, "", "", {"orv: Select symbol to add!"}, false},
      {"AB", -1, "", "AB", {"orv: Select symbol to add!"}, true},
      {"", 0, "INV-", "INV-", {}, true},
      {"", 0, "", "", {}, false},  // nothing appended, buttons follow the mask
      {"AB", 0, "", "AB", {}, true},
      {"", 1, "ABC", "[ABC]", {}, true},
      {"X", 2, "ignored", "X@", {}, true},
      {"X", 3, "", "X#", {}, true},
      {"X", 4, "", "X$", {}, true},
      {"X", 5, "", "X&", {}, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.before) + " + item " + std::to_string(r.item));
    TEMskDlg* d = Open(r.before);
    Add(r.item, r.text);
    EXPECT_EQ(d->Edit1->Text(), r.after);
    EXPECT_EQ(boxes_.Take(), r.messages);
    EXPECT_EQ(d->Testbtn->Enabled(), r.test);
    EXPECT_EQ(d->svEdit->Enabled(), r.test);
    EXPECT_EQ(d->evEdit->Enabled(), r.test);
    EXPECT_EQ(gendlg::Mt->Count(),
              static_cast<int>(std::string(r.after).size()) - (r.item == 1 ? 4 : 0));
  }
}

TEST_F(MaskDialogTest, TheItemDecidesWhetherTextCanBeAdded) {
  TEMskDlg* d = Open();
  // Legend: item -> Edit2 read-only, Label2 and Edit2 enabled.
  struct Row {
    int item;
    bool read_only;
  };
  for (const Row& r :
       {Row{2, true}, Row{0, false}, Row{3, true}, Row{1, false}, Row{4, true}, Row{5, true}}) {
    SCOPED_TRACE(r.item);
    testing::ChooseRadio(d->RG, r.item);
    EXPECT_EQ(d->RG->ItemIndex(), r.item);
    EXPECT_EQ(d->Edit2->ReadOnly(), r.read_only);
    EXPECT_EQ(d->Label2->Enabled(), !r.read_only);
    EXPECT_EQ(d->Edit2->Enabled(), !r.read_only);
  }
}

TEST_F(MaskDialogTest, AMaskTypedByHandLeavesTestAloneWhileTheValueBoxesFollow) {
  TEMskDlg* d = Open();
  testing::TypeInto(d->Edit1, "AB#");
  EXPECT_FALSE(d->Testbtn->Enabled());
  EXPECT_TRUE(d->svEdit->Enabled());
  EXPECT_EQ(gendlg::Mt->Count(), 3);
  for (int i = 0; i < 3; ++i) testing::PressKey(d->Edit1, VK_BACK);
  EXPECT_EQ(d->Edit1->Text(), "");
  EXPECT_FALSE(d->svEdit->Enabled());
  EXPECT_FALSE(d->evEdit->Enabled());
  testing::TypeInto(d->Edit1, "Q$");
  EXPECT_TRUE(d->evEdit->Enabled());
  EXPECT_FALSE(d->Testbtn->Enabled());
  // Opening again with that mask enables Test.
  Open("Q$");
  EXPECT_TRUE(dlg_->Testbtn->Enabled());
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_F(MaskDialogTest, LeavingAValueBoxChecksItAgainstTheMask) {
  // Legend: mask, which box, typed value -> flag, messages.
  struct Row {
    const char* mask;
    bool start;
    const char* value;
    bool ok;
    Lines messages;
  };
  const Row rows[] = {
      {"AB-##", true, "07", true, {}},
      {"AB-##", false, "93", true, {}},
      {"AB-##", true, "7", false, {"orv: Invalid StartValue"}},
      {"AB-##", false, "123", false, {"orv: Invalid EndValue"}},
      {"AB-##", true, "", false, {}},
      {"AB-##", true, "A1", false, {"TGenMask: Error at position-1 A1"}},
      {"[XYZ]#$", false, "Q1a", false, {"TGenMask: Qis not in the set!"}},
      {"[XYZ]#$",
       true,
       "QQ1",
       false,
       {"TGenMask: Qis not in the set!", "TGenMask: Error at position-2 QQ1",
        "TGenMask: Error at position-3 QQ1"}},
      {"[XYZ]#$", true, "Y5b", true, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.mask) + " " + r.value);
    TEMskDlg* d = Open(r.mask);
    // The flag starts the other way, so the check must set it.
    (r.start ? gendlg::SVOK : gendlg::EVOK) = !r.ok;
    TEdit* box = r.start ? d->svEdit : d->evEdit;
    Enter(box, r.value);
    EXPECT_EQ(r.start ? gendlg::SVOK : gendlg::EVOK, r.ok);
    EXPECT_EQ(boxes_.Take(), r.messages);
    EXPECT_EQ(box->Text(), r.value);  // the text stays
  }
}

TEST_F(MaskDialogTest, TestModeGrowsShrinksAndSwitchesTheControls) {
  TEMskDlg* d = Open("N-#$", "1A", "3C");
  testing::ChooseRadio(d->RG, 3);  // Edit2 read-only, Label2 disabled
  testing::WindowHeights heights(d);
  testing::Click(d->Testbtn);
  std::vector<int> grown;
  for (int h = gendlg::kNormalHeight + gendlg::kGrowStep; h <= gendlg::kTestHeight;
       h += gendlg::kGrowStep)
    grown.push_back(h);
  EXPECT_EQ(heights.TakeResized(), grown);  // step by step
  std::vector<int> painted = heights.TakePainted();
  if (!painted.empty() && painted.front() == gendlg::kNormalHeight) painted.erase(painted.begin());
  EXPECT_EQ(painted, grown);  // and drawn at each step
  EXPECT_EQ(d->Height(), gendlg::kTestHeight);
  EXPECT_EQ(d->ClientHeight(), gendlg::kTestHeight - d->FrameHeight());
  // Every control but the last four is disabled; those keep their states.
  for (int i = 0; i < d->ControlCount(); ++i) {
    SCOPED_TRACE(d->Controls(i)->Name());
    const bool kept = i >= d->ControlCount() - 4;
    EXPECT_EQ(d->Controls(i)->Enabled(), kept && d->Controls(i) != d->Edit3);
  }
  // The italic Test button looks disabled too, though it has a font of its own.
  const QPalette palette = d->Testbtn->Widget()->palette();
  EXPECT_NE(palette.color(QPalette::Disabled, QPalette::ButtonText),
            palette.color(QPalette::Active, QPalette::ButtonText));
  // Neither flag was set, so stepping starts from the engine's start value.
  EXPECT_EQ(d->Edit3->Text(), "N-1A");
  // Legend: button -> Edit3 after the click.
  struct Step {
    TBitBtn* button;
    const char* value;
  };
  for (const Step& s :
       {Step{d->Plusbtn, "N-1B"}, Step{d->Plusbtn, "N-1C"}, Step{d->Minusbtn, "N-1B"},
        Step{d->Minusbtn, "N-1A"}, Step{d->Minusbtn, "N-3C"}, Step{d->Plusbtn, "N-1A"}}) {
    testing::Click(s.button);
    EXPECT_EQ(d->Edit3->Text(), s.value);
  }
  // Disabled buttons do not react.
  testing::Click(d->Okbtn);
  testing::Click(d->Erasebtn);
  EXPECT_EQ(d->Edit1->Text(), "N-#$");
  EXPECT_EQ(d->ModalResult(), mrNone);

  testing::Click(d->Endbtn);
  std::vector<int> shrunk;
  for (int h = gendlg::kTestHeight - gendlg::kShrinkStep; h >= gendlg::kNormalHeight;
       h -= gendlg::kShrinkStep)
    shrunk.push_back(h);
  EXPECT_EQ(heights.TakeResized(), shrunk);
  EXPECT_EQ(d->Height(), gendlg::kNormalHeight);
  for (int i = 0; i < d->ControlCount(); ++i) {
    SCOPED_TRACE(d->Controls(i)->Name());
    EXPECT_EQ(d->Controls(i)->Enabled(), d->Controls(i) != d->Edit3);
  }
  EXPECT_TRUE(d->Edit2->ReadOnly());  // enabled, yet still read-only
  EXPECT_TRUE(d->Label2->Enabled());
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_F(MaskDialogTest, TestStartsFromTheAcceptedStartValueOrTheLowest) {
  // Legend: mask, preset start, typed and left start, typed and left end ->
  // Edit3 on entering test mode, after one Plus, after another.
  struct Row {
    const char* mask;
    const char* preset_start;
    const char* typed_start;
    const char* typed_end;
    Lines values;
  };
  const Row rows[] = {
      {"K##", "", "", "", {"K00", "K01", "K02"}},      // nothing: the lowest value
      {"K##", "42", "", "", {"K42", "K43", "K44"}},    // the start value FormShow handed over
      {"K##", "", "17", "", {"K17", "K18", "K19"}},    // an accepted start value
      {"K##", "", "17", "18", {"K17", "K18", "K17"}},  // past the accepted end: back to the start
      {"K##", "", "5", "", {"K00", "K01", "K02"}},     // a refused start value is not used
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.preset_start) + "/" + r.typed_start + "/" + r.typed_end);
    gendlg::SVOK = gendlg::EVOK = false;
    TEMskDlg* d = Open(r.mask, r.preset_start);
    if (*r.typed_start) Enter(d->svEdit, r.typed_start);
    if (*r.typed_end) Enter(d->evEdit, r.typed_end);
    boxes_.Take();
    testing::Click(d->Testbtn);
    Lines seen{d->Edit3->Text()};
    for (int i = 0; i < 2; ++i) {
      testing::Click(d->Plusbtn);
      seen.push_back(d->Edit3->Text());
    }
    EXPECT_EQ(seen, r.values);
  }
}

TEST_F(MaskDialogTest, TestingAMaskWithoutCountingPartShowsItUnchanged) {
  // Legend: how the mask came to be -> Edit3 in test mode, whatever is pressed.
  struct Row {
    const char* label;
    std::function<void(TEMskDlg*)> compose;
    const char* shown;
  };
  const Row rows[] = {
      {"static only", [](TEMskDlg* d) { d->Edit1->SetText("AB-"); }, "AB-"},
      // Add enables Test; clearing the typed mask leaves it enabled.
      {"emptied by hand",
       [](TEMskDlg* d) {
         testing::ChooseRadio(d->RG, 3);
         testing::Click(d->Addbtn);
         for (int i = 0; i < 2; ++i) testing::PressKey(d->Edit1, VK_BACK);
       },
       ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    TEMskDlg* d = Open("Z");
    r.compose(d);
    ASSERT_TRUE(d->Testbtn->Enabled());
    testing::Click(d->Testbtn);
    for (TBitBtn* b : {d->Plusbtn, d->Minusbtn, d->Minusbtn}) {
      testing::Click(b);
      EXPECT_EQ(d->Edit3->Text(), r.shown);
    }
    testing::Click(d->Endbtn);
    EXPECT_EQ(d->Height(), gendlg::kNormalHeight);
  }
  EXPECT_TRUE(boxes_.Seen().empty());
}

TEST_F(MaskDialogTest, AcceptedValuesCarryOverToTheNextUseUntilErased) {
  TEMskDlg* d = Open("A##", "", "");
  Enter(d->svEdit, "50");
  EXPECT_TRUE(gendlg::SVOK);
  d->Close();  // the close box: Cancel
  // Another use, for another generator: the flag still holds, so Test starts
  // from what svEdit shows.
  d = Open("B##", "20", "");
  EXPECT_TRUE(gendlg::SVOK);
  testing::Click(d->Testbtn);
  EXPECT_EQ(d->Edit3->Text(), "B20");
  testing::Click(d->Endbtn);
  // Erase clears the texts and both flags and disables Test.
  gendlg::EVOK = true;
  testing::Click(d->Erasebtn);
  EXPECT_EQ(d->Edit1->Text(), "");
  EXPECT_EQ(d->svEdit->Text(), "");
  EXPECT_EQ(d->evEdit->Text(), "");
  EXPECT_FALSE(gendlg::SVOK);
  EXPECT_FALSE(gendlg::EVOK);
  EXPECT_FALSE(d->Testbtn->Enabled());
  // And the next use starts with them cleared.
  d = Open("C##", "30", "");
  testing::Click(d->Testbtn);
  EXPECT_EQ(d->Edit3->Text(), "C30");  // from the engine's start value, not the flag
  EXPECT_FALSE(gendlg::SVOK);
}

TEST_F(MaskDialogTest, OkChecksBothValuesButNeverRefuses) {
  // Legend: mask, start, end -> modal result, SVOK, EVOK, messages.
  struct Row {
    const char* mask;
    const char* start;
    const char* end;
    bool sv, ev;
    Lines messages;
  };
  const Row rows[] = {
      {"Z#", "1", "8", true, true, {}},
      // Reported when the dialog hands it to the engine on opening, and again at OK.
      {"Z#",
       "x",
       "8",
       false,
       true,
       {"TGenMask: Error at position-1 x", "TGenMask: Error at position-1 x"}},
      {"Z#", "", "", false, false, {}},  // empty boxes leave the flags as they were (false)
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.start) + "/" + r.end);
    gendlg::SVOK = gendlg::EVOK = false;
    Close();
    dlg_.reset(new TEMskDlg(Application()));
    dlg_->Edit1->SetText(r.mask);
    dlg_->svEdit->SetText(r.start);
    dlg_->evEdit->SetText(r.end);
    testing::AnswerModal([](TCustomForm* f) { testing::Click(static_cast<TEMskDlg*>(f)->Okbtn); });
    EXPECT_EQ(dlg_->ShowModal(), mrOk);
    EXPECT_EQ(gendlg::SVOK, r.sv);
    EXPECT_EQ(gendlg::EVOK, r.ev);
    EXPECT_EQ(boxes_.Take(), r.messages);
  }
}

TEST_F(MaskDialogTest, AMalformedMaskEndsTheHandlerAndTheDialogStaysOpen) {
  TEMskDlg* d = Open("AB");
  testing::ChooseRadio(d->RG, 0);
  d->Testbtn->SetEnabled(false);
  Add(0, "[X");
  // The piece is appended, the error shown, the buttons not updated.
  EXPECT_EQ(d->Edit1->Text(), "AB[X");
  EXPECT_EQ(boxes_.Take(), Lines{"orv: Missing ] symbol in Mask!"});
  EXPECT_FALSE(d->Testbtn->Enabled());
  EXPECT_TRUE(d->Visible());
  // Test with a bad mask: the window has grown, nothing is disabled yet.
  d->Testbtn->SetEnabled(true);
  d->Edit3->SetText("before");
  testing::Click(d->Testbtn);
  EXPECT_EQ(boxes_.Take(), Lines{"orv: Missing ] symbol in Mask!"});
  EXPECT_EQ(d->Height(), gendlg::kTestHeight);
  EXPECT_TRUE(d->Okbtn->Enabled());
  EXPECT_EQ(d->Edit3->Text(), "before");
}

TEST_F(MaskDialogTest, TheCloseBoxCancelsInEitherMode) {
  for (const bool testMode : {false, true}) {
    SCOPED_TRACE(testMode);
    Close();
    dlg_.reset(new TEMskDlg(Application()));
    dlg_->Edit1->SetText("T#");
    testing::AnswerModal([testMode](TCustomForm* f) {
      auto* d = static_cast<TEMskDlg*>(f);
      if (testMode) testing::Click(d->Testbtn);
      d->Close();
    });
    EXPECT_EQ(dlg_->ShowModal(), mrCancel);
  }
}

}  // namespace
}  // namespace orv
