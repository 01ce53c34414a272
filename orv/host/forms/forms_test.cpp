// The window layer driven as a person drives it: the sample form built from
// its layout, typed into, clicked, shown modally, hooked, screenshotted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <sys/stat.h>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/formfile.h>
#include <orv/host/forms/sample/sampleform.h>
#include <orv/host/forms/shellapi.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

using testing::Click;
using testing::Pump;

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    form_.reset(new TSampleForm(Application()));
  }
  void TearDown() override {
    form_.reset();
    Pump();
  }
  TSampleForm* F() { return form_.get(); }
  TComponentPtr<TSampleForm> form_;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// ---- the layout ------------------------------------------------------------

TEST_F(FormsTest, LayoutBuildsEveryControlWhereItSays) {
  // Legend: name, class, parent, left, top, width, height as the layout gives them.
  struct Row {
    const char* name;
    const char* cls;
    const char* parent;
    int left, top, width, height;
  };
  const Row rows[] = {
      {"Label1", "TLabel", "SampleForm", 8, 8, -1, -1},  // auto-sized: only the place is fixed
      {"Bevel1", "TBevel", "SampleForm", 2, 186, 420, 2},
      {"Shape1", "TShape", "SampleForm", 384, 40, 30, 30},
      {"Image1", "TImage", "SampleForm", 220, 36, 60, 40},
      {"Edit1", "TEdit", "SampleForm", 48, 4, 161, 21},
      {"RG", "TRadioGroup", "SampleForm", 8, 32, 201, 73},
      {"Combo", "TComboBox", "SampleForm", 220, 4, 193, 21},
      {"Panel1", "TPanel", "SampleForm", 8, 112, 273, 65},
      {"PanelLabel", "TLabel", "Panel1", 8, 8, 120, 13},
      {"PanelEdit", "TEdit", "Panel1", 8, 32, 121, 21},
      {"PlusBtn", "TBitBtn", "SampleForm", 300, 112, 25, 25},
      {"CheckBtn", "TBitBtn", "SampleForm", 340, 112, 33, 25},
      {"Okbtn", "TButton", "SampleForm", 248, 198, 75, 25},
      {"Cancelbtn", "TButton", "SampleForm", 336, 198, 75, 25},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* c = dynamic_cast<TControl*>(F()->FindComponent(r.name));
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->ClassName(), r.cls);
    ASSERT_NE(c->Parent(), nullptr);
    EXPECT_EQ(c->Parent()->Name(), r.parent);
    EXPECT_EQ(c->Left(), r.left);
    EXPECT_EQ(c->Top(), r.top);
    if (r.width >= 0) {
      EXPECT_EQ(c->Width(), r.width);
      EXPECT_EQ(c->Height(), r.height);
    }
    EXPECT_EQ(c->Widget()->geometry(), QRect(c->Left(), c->Top(), c->Width(), c->Height()));
  }
  // The form's controls in creation order; the panel's own ones inside it.
  std::vector<std::string> names;
  for (int i = 0; i < F()->ControlCount(); ++i) names.push_back(F()->Controls(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Label1", "Bevel1", "Shape1", "Image1", "Edit1", "RG",
                                             "Combo", "Panel1", "PlusBtn", "CheckBtn", "Okbtn",
                                             "Cancelbtn"}));
  EXPECT_EQ(F()->Panel1->ControlCount(), 2);
  EXPECT_EQ(F()->Log, std::vector<std::string>{"FormCreate fields=1"});
}

TEST_F(FormsTest, FormFrameAndPropertiesFollowTheLayout) {
  EXPECT_EQ(F()->Caption(), "Sample form");
  EXPECT_EQ(F()->ClientWidth(), 422);
  EXPECT_EQ(F()->ClientHeight(), 230);
  EXPECT_EQ(F()->Width(), 422 + 2 * kFrameBorder);
  EXPECT_EQ(F()->Height(), 257);  // client plus the dialog frame
  EXPECT_EQ(F()->BorderStyle(), bsDialog);
  EXPECT_EQ(F()->Position(), poScreenCenter);
  EXPECT_EQ(F()->Widget()->windowTitle().toStdString(), "Sample form");
  EXPECT_FALSE(F()->Widget()->windowIcon().isNull());  // the layout's icon resource
  // A change of Height is a change of the client area below the frame.
  F()->SetHeight(317);
  EXPECT_EQ(F()->ClientHeight(), 290);
  EXPECT_EQ(F()->Widget()->height(), 290);
  // Settings read from the file.
  EXPECT_EQ(F()->RG->Items()->ToVector(),
            (std::vector<std::string>{"One", "Two", "Three", "Four"}));
  EXPECT_EQ(F()->RG->Columns(), 2);
  EXPECT_EQ(F()->RG->ItemIndex(), -1);
  EXPECT_EQ(F()->Combo->Items()->Count(), 3);
  EXPECT_TRUE(F()->PanelEdit->ReadOnly());
  EXPECT_EQ(F()->PanelEdit->Text(), "read only");
  EXPECT_FALSE(F()->PanelEdit->Modified());
  EXPECT_TRUE(F()->Okbtn->Default());
  EXPECT_EQ(F()->Okbtn->ModalResult(), mrOk);
  EXPECT_EQ(F()->Cancelbtn->ModalResult(), mrCancel);
  EXPECT_FALSE(F()->Cancelbtn->Cancel());
  EXPECT_EQ(F()->Image1->Picture()->Width(), 60);
  EXPECT_EQ(F()->Image1->Cursor(), crHandPoint);
  EXPECT_EQ(F()->PlusBtn->Glyph()->Width(), 10);
  EXPECT_EQ(F()->CheckBtn->DisabledImage().width(), 16);
  EXPECT_EQ(F()->Shape1->Brush()->Color(), clRed);
  EXPECT_EQ(F()->Shape1->Shape(), stEllipse);
  EXPECT_TRUE(F()->PlusBtn->ShowHint());
  EXPECT_EQ(F()->PlusBtn->Widget()->toolTip().toStdString(), "Increment");
  EXPECT_EQ(F()->Label1->DisplayText(), "Name:");
}

// A form class whose layout is missing or of another class.
class TOtherForm : public TForm {
  ORV_CLASS(TOtherForm, TForm)
 public:
  TOtherForm(TComponent* owner, const char* resource) : TForm(owner) {
    BindField("Edit1", edit);
    ReadLayout(TSampleForm::kModule, resource);
  }
  TEdit* edit = nullptr;
};
const TClassInfo& TOtherForm::StaticClassInfo() {
  static const TClassInfo info = Published<TOtherForm>();
  return info;
}

TEST(LayoutTest, AMissingOrForeignLayoutIsRefusedAndNothingIsLeft) {
  testing::StartApplication();
  // Legend: resource -> the error.
  struct Row {
    const char* resource;
    const char* error;
  };
  const Row rows[] = {
      {"TNOPE", "Resource TNOPE not found"},
      {"TSAMPLEFORM", "Line 1: found class TSampleForm (expected TOtherForm)"},
  };
  const int before = Application()->ComponentCount();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.resource);
    try {
      (new TOtherForm(nullptr, r.resource))->Free();
      FAIL();
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), r.error);
    }
  }
  EXPECT_EQ(Application()->ComponentCount(), before);
}

TEST(FormFrameTest, BorderStyleAndIconsDecideTheFrameAndTheWindowFlags) {
  testing::StartApplication();
  // Legend: border style, icons, form style -> frame width/height, close box, stay on top.
  struct Row {
    TFormBorderStyle style;
    TBorderIcons icons;
    TFormStyle form_style;
    int frame_w, frame_h;
    bool close_box, on_top;
  };
  const Row rows[] = {
      {bsDialog, {biSystemMenu}, fsNormal, 6, 27, true, false},
      {bsDialog, {}, fsNormal, 6, 27, false, false},             // no buttons in the caption
      {bsNone, {biSystemMenu}, fsStayOnTop, 0, 0, false, true},  // an about box
      {bsSizeable, {biSystemMenu, biMinimize}, fsNormal, 6, 27, true, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.style);
    TComponentPtr<TForm> f(new TForm(Application()));
    f->SetBorderStyle(r.style);
    f->SetBorderIcons(r.icons);
    f->SetFormStyle(r.form_style);
    f->SetClientWidth(285);
    f->SetClientHeight(258);
    EXPECT_EQ(f->Width() - f->ClientWidth(), r.frame_w);
    EXPECT_EQ(f->Height() - f->ClientHeight(), r.frame_h);
    EXPECT_EQ(f->Widget()->size(), QSize(285, 258));
    const Qt::WindowFlags flags = f->Widget()->windowFlags();
    EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), r.close_box);
    EXPECT_EQ(flags.testFlag(Qt::WindowStaysOnTopHint), r.on_top);
    EXPECT_EQ(flags.testFlag(Qt::FramelessWindowHint), r.style == bsNone);
  }
}

TEST(LabelTest, AutoSizeFitsTheTextAndKeepsTheAlignedEdge) {
  testing::StartApplication();
  TComponentPtr<TForm> f(new TForm(Application()));
  // Legend: alignment, auto size -> left and width after the caption is set.
  struct Row {
    TAlignment alignment;
    bool auto_size;
    bool keeps_right;
  };
  const Row rows[] = {
      {taLeftJustify, true, false}, {taRightJustify, true, true}, {taCenter, false, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.alignment);
    auto* label = new TLabel(f.get());
    label->SetParent(f.get());
    label->SetAutoSize(false);
    label->SetBounds(100, 10, 200, 13);
    label->SetAlignment(r.alignment);
    label->SetAutoSize(r.auto_size);
    label->SetCaption("&Text to add:");
    const int text_width = QFontMetrics(label->Font()->ToQFont()).horizontalAdvance("Text to add:");
    if (r.auto_size) {
      EXPECT_EQ(label->Width(), text_width);
      EXPECT_EQ(label->Left() + (r.keeps_right ? label->Width() : 0), r.keeps_right ? 300 : 100);
    } else {
      EXPECT_EQ(label->Width(), 200);  // a fixed size stays
      EXPECT_EQ(label->Left(), 100);
    }
  }
}

TEST_F(FormsTest, AFormWrittenOutReadsBackIntoAnotherForm) {
  F()->Edit1->SetText("written");
  F()->RG->SetItemIndex(3);
  F()->Shape1->Brush()->SetColor(clLime);
  F()->PanelLabel->Font()->SetHeight(-14);
  F()->Okbtn->SetEnabled(false);
  const std::string text = SaveFormToString(F());
  TComponentPtr<TSampleForm> other(
      new TSampleForm(nullptr));  // unowned: free to take the file's name
  ReadFormFromString(other.get(), text);
  EXPECT_EQ(other->Edit1->Text(), "written");
  EXPECT_EQ(other->RG->ItemIndex(), 3);
  EXPECT_EQ(other->Shape1->Brush()->Color(), clLime);
  EXPECT_EQ(other->PanelLabel->Font()->Height(), -14);
  EXPECT_EQ(other->PanelLabel->Font()->Name(), "Arial");
  EXPECT_FALSE(other->Okbtn->Enabled());
  EXPECT_EQ(SaveFormToString(other.get()), text);
}

TEST(BitmapTest, FilesThatCannotBeReadOrWrittenAreReported) {
  testing::StartApplication();
  QTemporaryDir dir;
  const std::string good = dir.filePath("plus.png").toStdString();
  TBitmap b;
  b.LoadFromResourceName(TSampleForm::kModule, "PLUS");
  b.SaveToFile(good);
  TBitmap c;
  c.LoadFromFile(good);
  EXPECT_EQ(c.Image().pixelColor(4, 1), QColor(0, 0, 0));
  // Legend: what is done -> the message.
  struct Row {
    std::function<void()> act;
    std::string message;
  };
  const std::string missing = dir.filePath("none.bmp").toStdString();
  const std::string nowhere = dir.filePath("no/such/dir/x.png").toStdString();
  const Row rows[] = {
      {[&] { c.LoadFromFile(missing); }, "Cannot load picture " + missing},
      {[&] { c.SaveToFile(nowhere); }, "Cannot save picture " + nowhere},
      {[&] { TBitmap().SaveToFile(good); }, "Cannot save picture " + good},
  };
  for (const Row& r : rows) {
    try {
      r.act();
      ADD_FAILURE() << r.message;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.what(), r.message);
    }
  }
  EXPECT_EQ(c.Width(), 10);  // a failed load keeps the picture
}

TEST_F(FormsTest, TabOrderFollowsTheLayoutNotTheFileOrder) {
  std::vector<TWinControl*> order;
  F()->GetTabOrderList(order);
  std::vector<std::string> names;
  for (TWinControl* c : order) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Edit1", "RG", "Combo", "Panel1", "PanelEdit",
                                             "PlusBtn", "CheckBtn", "Okbtn", "Cancelbtn"}));
  F()->Okbtn->SetTabOrder(0);
  EXPECT_EQ(F()->Okbtn->TabOrder(), 0);
  EXPECT_EQ(F()->Edit1->TabOrder(), 1);
}

TEST(FontsTest, PlatformFacesMapToInstalledFontsOfTheGivenPixelHeight) {
  testing::StartApplication();
  // Legend: face, Height, style -> family, pixel size, bold, italic.
  struct Row {
    const char* face;
    int height;
    TFontStyles style;
    const char* family;
    int pixels;
    bool bold, italic;
  };
  const Row rows[] = {
      {"MS Sans Serif", -11, {}, "Liberation Sans", 11, false, false},
      {"Arial", -16, {fsBold}, "Liberation Sans", 16, true, false},
      {"Small Fonts", -8, {fsBold}, "Liberation Sans Narrow", 8, true, false},
      {"Arial", -27, {fsItalic}, "Liberation Sans", 27, false, true},
      {"DejaVu Sans", -12, {}, "DejaVu Sans", 12, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.face);
    TFont f;
    f.SetName(r.face);
    f.SetHeight(r.height);
    f.SetStyle(r.style);
    const QFont q = f.ToQFont();
    EXPECT_EQ(QFontInfo(q).family().toStdString(), r.family);  // installed, not a fallback
    EXPECT_EQ(q.pixelSize(), r.pixels);
    EXPECT_EQ(q.bold(), r.bold);
    EXPECT_EQ(q.italic(), r.italic);
  }
  TFont f;
  f.SetSize(8);
  EXPECT_EQ(f.Height(), -11);
}

TEST(ColorsTest, NamesAndSystemColoursResolve) {
  // Legend: name -> colour value -> red, green, blue shown.
  struct Row {
    const char* name;
    TColor value;
    int r, g, b;
  };
  const Row rows[] = {
      {"clRed", 0x0000FF, 255, 0, 0},
      {"clNavy", 0x800000, 0, 0, 128},
      {"clWhite", 0xFFFFFF, 255, 255, 255},
      {"clWindow", clWindow, 255, 255, 255},
      {"clBtnFace", clBtnFace, 0xD4, 0xD0, 0xC8},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TColor c = 0;
    ASSERT_TRUE(IdentToColor(r.name, c));
    EXPECT_EQ(c, r.value);
    EXPECT_EQ(ColorToString(c), r.name);
    EXPECT_EQ(ToQColor(c), QColor(r.r, r.g, r.b));
  }
  TColor c = 0;
  EXPECT_FALSE(IdentToColor("clPlaid", c));
  EXPECT_EQ(ColorToString(0x123456), "1193046");
}

TEST(ResourcesTest, EachModuleFindsItsOwnPictures) {
  testing::StartApplication();
  TBitmap b;
  b.LoadFromResourceName(TSampleForm::kModule, "PLUS");
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 10);
  // Another module's name does not reach this library's pictures.
  try {
    b.LoadFromResourceName("orvcommon", "PLUS");
    FAIL() << "loaded a picture of another module";
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource PLUS not found");
  }
  EXPECT_EQ(b.Width(), 10);  // unchanged by the failure
}

// ---- typing and clicking -----------------------------------------------------

TEST_F(FormsTest, TypingMarksTheEditModifiedAndReportsEachChange) {
  testing::ShowActive(F());
  F()->Log.clear();
  testing::TypeInto(F()->Edit1, "ab");
  EXPECT_EQ(F()->Edit1->Text(), "ab");
  EXPECT_TRUE(F()->Edit1->Modified());
  F()->Edit1->SetText("set");  // the program's change: not modified, still a change
  EXPECT_FALSE(F()->Edit1->Modified());
  EXPECT_EQ(Joined(F()->Log),
            "Edit1Change modified=1 text=a\nEdit1Change modified=1 text=ab\nEdit1Change modified=0 "
            "text=set\n");
  // Cyrillic letters travel as code page 1251.
  F()->Edit1->SetText("");
  testing::TypeInto(F()->Edit1, "\xC0\xE1");
  EXPECT_EQ(F()->Edit1->Text(), "\xC0\xE1");
  EXPECT_EQ(static_cast<QLineEdit*>(F()->Edit1->Widget())->text().toStdString(),
            "\xD0\x90\xD0\xB1");
  // A read-only edit takes no typing.
  testing::TypeInto(F()->PanelEdit, "x");
  EXPECT_EQ(F()->PanelEdit->Text(), "read only");
  EXPECT_FALSE(F()->PanelEdit->Modified());
}

TEST_F(FormsTest, ChoosingRadioAndComboEntriesRunsTheirHandlers) {
  testing::ShowActive(F());
  F()->Log.clear();
  testing::ChooseRadio(F()->RG, 2);
  EXPECT_EQ(F()->RG->ItemIndex(), 2);
  testing::ChooseRadio(F()->RG, 2);  // the chosen one again: no change, no click
  testing::ChooseRadio(F()->RG, 0);
  testing::ChooseCombo(F()->Combo, 1);
  EXPECT_EQ(F()->Combo->Text(), "beta");
  EXPECT_EQ(F()->Combo->ItemIndex(), 1);
  testing::TypeInto(F()->Combo, "x");
  EXPECT_EQ(F()->Combo->ItemIndex(), -1);
  F()->Combo->SetText("gamma");  // the program's change runs no handler
  EXPECT_EQ(F()->Combo->ItemIndex(), 2);
  std::vector<std::string> handlers;  // leave out the focus moves between the fields
  for (const std::string& l : F()->Log)
    if (l.rfind("Edit1Exit", 0) != 0) handlers.push_back(l);
  EXPECT_EQ(Joined(handlers),
            "RGClick index=2\nRGClick index=0\nComboChange text=beta\nComboChange text=betax\n");
  F()->RG->SetItemIndex(-1);
  EXPECT_EQ(F()->RG->ItemIndex(), -1);
  EXPECT_FALSE(F()->RG->Button(0)->isChecked());
  try {
    F()->RG->SetItemIndex(4);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (4)");
  }
  F()->Combo->Clear();
  EXPECT_EQ(F()->Combo->Items()->Count(), 0);
  EXPECT_EQ(F()->Combo->Text(), "");
}

TEST_F(FormsTest, ClicksReachButtonsImagesAndTheForm) {
  testing::ShowActive(F());
  F()->Log.clear();
  Click(F()->PlusBtn);
  Click(F()->CheckBtn);  // disabled: nothing
  Click(F()->Image1, 5, 6);
  Click(F()->Label1);    // a label without handler: nothing, and not the form's click
  Click(F(), 400, 150);  // the form's own background
  EXPECT_EQ(
      Joined(F()->Log),
      "PlusBtnClick\nImage1MouseDown button=0 at=5,6\nImage1Click\nImage1MouseUp button=0 at=5,6\n"
      "FormClick\n");
}

TEST_F(FormsTest, LeavingAFieldRunsOnExitAndTabFollowsTheTabOrder) {
  testing::ShowActive(F());
  F()->Edit1->SetFocus();
  Pump();
  F()->Log.clear();
  testing::TypeInto(F()->Edit1, "q");
  testing::LeaveField(F()->Edit1);
  EXPECT_TRUE(F()->RG->Focused());
  EXPECT_EQ(Joined(F()->Log), "Edit1Change modified=1 text=q\nEdit1Exit text=q\n");
  // Tab reaches the radio group once, at its chosen button, then goes on.
  EXPECT_EQ(QApplication::focusWidget(), F()->RG->Button(0));
  F()->RG->SetItemIndex(2);
  F()->Edit1->SetFocus();
  Pump();
  testing::PressKey(F()->Edit1, VK_TAB);
  EXPECT_EQ(QApplication::focusWidget(), F()->RG->Button(2));
  testing::PressKey(F()->RG, VK_TAB);
  EXPECT_TRUE(F()->Combo->Focused());
}

// ---- modal forms ---------------------------------------------------------------

TEST_F(FormsTest, ShowModalEndsWithTheResultOfWhatEndedIt) {
  // Legend: what the person (or a handler) does -> ShowModal's result.
  struct Row {
    const char* what;
    std::function<void(TSampleForm*)> act;
    TModalResult result;
  };
  const Row rows[] = {
      {"click Ok", [](TSampleForm* f) { Click(f->Okbtn); }, mrOk},
      {"click Cancel", [](TSampleForm* f) { Click(f->Cancelbtn); }, mrCancel},
      {"Enter in the edit: the default button",
       [](TSampleForm* f) { testing::PressKey(f->Edit1, VK_RETURN); }, mrOk},
      {"close box", [](TSampleForm* f) { f->Widget()->close(); }, mrCancel},
      {"a handler's own number", [](TSampleForm* f) { f->SetModalResult(7); }, 7},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TComponentPtr<TSampleForm> f(new TSampleForm(Application()));
    testing::AnswerModal([&](TCustomForm* modal) {
      ASSERT_EQ(modal, f.get());
      r.act(f.get());
    });
    EXPECT_EQ(f->ShowModal(), r.result);
    EXPECT_FALSE(f->Widget()->isVisible());
    EXPECT_EQ(f->ModalResult(), r.result);
  }
}

TEST_F(FormsTest, EscapeDoesNothingWithoutACancelButtonAndClicksOneThatIsMarked) {
  testing::AnswerModal([&](TCustomForm*) {
    testing::PressKey(F()->Edit1, VK_ESCAPE);
    EXPECT_EQ(F()->ModalResult(), mrNone);
    F()->Cancelbtn->SetCancel(true);
    testing::PressKey(F()->Edit1, VK_ESCAPE);
  });
  EXPECT_EQ(F()->ShowModal(), mrCancel);
  // A modal form that is shown already cannot be shown modally again.
  F()->Show();
  try {
    F()->ShowModal();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot make a visible window modal");
  }
}

TEST_F(FormsTest, OnDestroyRunsWhileTheFormIsWholeAndReleaseFreesLater) {
  std::vector<std::string> log;
  F()->DestroyLog = &log;
  F()->Edit1->SetText("kept");
  form_.reset();
  EXPECT_EQ(log, std::vector<std::string>{"FormDestroy edit=kept"});
  auto* f = new TSampleForm(Application());
  f->DestroyLog = &log;
  const int before = Application()->ComponentCount();
  f->Release();
  EXPECT_EQ(Application()->ComponentCount(), before);  // still there until events run
  Pump();
  EXPECT_EQ(Application()->ComponentCount(), before - 1);
  EXPECT_EQ(log.size(), 2u);
}

// ---- messages through WindowProc ------------------------------------------------

// A hook in the manner of a subclassing registry: sees every message, may
// change it, then passes it to the saved entry point.
struct Hook {
  TControl* control;
  TWndMethod saved;
  std::vector<TMessage> seen;
  std::function<void(TMessage&)> change;
  explicit Hook(TControl* c) : control(c), saved(c->WindowProc()) {
    c->SetWindowProc(TWndMethod::FromCallable([this](TMessage& m) {
      seen.push_back(m);
      if (change) change(m);
      saved(m);
    }));
  }
  ~Hook() { control->SetWindowProc(saved); }
  std::vector<unsigned> Kinds(std::initializer_list<unsigned> only) const {
    std::vector<unsigned> out;
    for (const TMessage& m : seen)
      for (unsigned k : only)
        if (m.Msg == k) out.push_back(m.Msg);
    return out;
  }
};

TEST_F(FormsTest, HookedWindowProcSeesAndChangesWhatTheControlGets) {
  testing::ShowActive(F());
  // Legend: what the hook does to WM_CHAR 'a' -> the edit's text after typing "a".
  struct Row {
    const char* what;
    std::function<void(TMessage&)> change;
    const char* text;
  };
  const Row rows[] = {
      {"passes it", nullptr, "a"},
      {"turns it into 'b'",
       [](TMessage& m) {
         if (m.Msg == WM_CHAR) m.WParam = 'b';
       },
       "b"},
      {"swallows it",
       [](TMessage& m) {
         if (m.Msg == WM_CHAR) m.Msg = WM_NULL;
       },
       ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    F()->Edit1->SetText("");
    Hook hook(F()->Edit1);
    hook.change = r.change;
    testing::TypeInto(F()->Edit1, "a");
    EXPECT_EQ(F()->Edit1->Text(), r.text);
    EXPECT_EQ(hook.Kinds({WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
              (std::vector<unsigned>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  }
  // Clicks arrive as button down, up, then the button's notification.
  Hook hook(F()->PlusBtn);
  Click(F()->PlusBtn, 3, 4);
  ASSERT_EQ(hook.Kinds({WM_LBUTTONDOWN, WM_LBUTTONUP, CN_COMMAND}),
            (std::vector<unsigned>{WM_LBUTTONDOWN, WM_LBUTTONUP, CN_COMMAND}));
  // Both buttons' messages carry the point clicked.
  for (const TMessage& m : hook.seen) {
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONUP) {
      EXPECT_EQ(m.LParam, MakeLParam(3, 4)) << m.Msg;
    }
  }
}

TEST_F(FormsTest, PerformSendsMessagesDownTheSamePath) {
  testing::ShowActive(F());
  F()->Log.clear();
  Hook hook(F()->Edit1);
  F()->Edit1->Perform(WM_CHAR, 'x');
  F()->Edit1->Perform(WM_CHAR, 'y');
  F()->Edit1->Perform(WM_KEYDOWN, VK_BACK);
  EXPECT_EQ(F()->Edit1->Text(), "x");
  EXPECT_TRUE(F()->Edit1->Modified());
  F()->Edit1->SetText("by program");  // WM_SETTEXT: hooks see program changes too
  EXPECT_EQ(hook.Kinds({WM_CHAR, WM_KEYDOWN, WM_SETTEXT, CM_TEXTCHANGED}),
            (std::vector<unsigned>{WM_CHAR, WM_CHAR, WM_KEYDOWN, WM_SETTEXT, CM_TEXTCHANGED}));
  // Mouse messages performed on a button click it.
  F()->PlusBtn->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(2, 2));
  F()->PlusBtn->Perform(WM_LBUTTONUP, 0, MakeLParam(2, 2));
  EXPECT_EQ(F()->Log.back(), "PlusBtnClick");
  EXPECT_EQ(F()->Edit1->Perform(WM_GETTEXTLENGTH), 10);
}

// ---- message boxes and the cursor -------------------------------------------------

TEST_F(FormsTest, MessageBoxesAreRealQtBoxesAnsweredByTheTest) {
  // Legend: flags, answer -> icon shown, Cancel offered, result.
  struct Row {
    unsigned flags;
    int answer;
    int icon;
    bool cancel;
    int result;
  };
  const Row rows[] = {
      {MB_OK | MB_ICONINFORMATION, IDOK, QMessageBox::Information, false, IDOK},
      {MB_OK | MB_ICONERROR, IDOK, QMessageBox::Critical, false, IDOK},
      {MB_OKCANCEL | MB_ICONINFORMATION, IDCANCEL, QMessageBox::Information, true, IDCANCEL},
      {MB_OK, IDOK, QMessageBox::NoIcon, false, IDOK},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.flags);
    auto seen = testing::AnswerMessageBox(r.answer);
    EXPECT_EQ(Application()->MessageBox("Can not generate new record!", "Generator", r.flags),
              r.result);
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->caption, "Generator");
    EXPECT_EQ(seen->text, "Can not generate new record!");
    EXPECT_EQ(seen->icon, r.icon);
    EXPECT_EQ(seen->has_cancel, r.cancel);
  }
  auto seen = testing::AnswerMessageBox(IDOK);
  ShowMessage("Invalid StartValue");
  EXPECT_EQ(seen->text, "Invalid StartValue");
  EXPECT_EQ(seen->caption, Application()->Title());
}

TEST_F(FormsTest, AnErrorInAHandlerIsShownAndGoesNoFurther) {
  testing::ShowActive(F());
  F()->PlusBtn->SetOnClick(
      TNotifyEvent::FromCallable([](TObject*) { throw Exception("Missing ] symbol in Mask!"); }));
  auto seen = testing::AnswerMessageBox(IDOK);
  Click(F()->PlusBtn);
  ASSERT_TRUE(seen->seen);
  EXPECT_EQ(seen->caption, Application()->Title());
  EXPECT_EQ(seen->text, "Missing ] symbol in Mask!");
  EXPECT_EQ(seen->icon, QMessageBox::Critical);
  EXPECT_TRUE(F()->Widget()->isVisible());
}

TEST(CursorTest, ScreenCursorIsQtsOverrideCursor) {
  testing::StartApplication();
  Screen()->SetCursor(crAppStart);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
  Screen()->SetCursor(crHourGlass);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Screen()->SetCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// ---- screenshots -------------------------------------------------------------

TEST_F(FormsTest, ScreenshotsHaveTheSizesOfTheLayout) {
  QTemporaryDir dir;
  testing::ShowActive(F());
  testing::TypeInto(F()->Edit1, "shot");
  // Legend: control -> picture size.
  struct Row {
    TControl* control;
    int w, h;
  };
  const Row rows[] = {
      {F(), 422, 230}, {F()->RG, 201, 73}, {F()->Panel1, 273, 65}, {F()->Image1, 60, 40}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.control->Name());
    const std::string path =
        dir.filePath(QString::fromStdString(r.control->Name() + ".png")).toStdString();
    EXPECT_EQ(testing::SaveScreenshot(r.control, path), QSize(r.w, r.h));
    const QImage img(QString::fromStdString(path));
    EXPECT_EQ(img.size(), QSize(r.w, r.h));
  }
  // The picture shows what was drawn: the image's red frame at its corner.
  const QImage form(dir.filePath("SampleForm.png"));
  EXPECT_EQ(form.pixelColor(220, 36), QColor(200, 0, 0));
  EXPECT_EQ(form.pixelColor(399, 55), QColor(255, 0, 0));  // the shape's red inside
}

// ---- form files ----------------------------------------------------------------

TEST_F(FormsTest, TheFormWritesBackWhatItRead) {
  const std::string text = SaveFormToString(F());
  for (const char* line :
       {"object SampleForm: TSampleForm", "  BorderStyle = bsDialog", "  ClientHeight = 230",
        "    Caption = 'Kind'", "    OnClick = RGClick", "  object Panel1: TPanel",
        "    object PanelEdit: TEdit", "    Brush.Color = clRed", "    Cursor = crHandPoint",
        "      Font.Style = [fsBold]"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

// ---- the shell launcher ----------------------------------------------------------

TEST(ShellTest, LauncherResultAboveThirtyTwoMeansOpened) {
  QTemporaryDir dir;
  const std::string log = dir.filePath("args").toStdString();
  const std::string ok = dir.filePath("ok.sh").toStdString();
  const std::string fail = dir.filePath("fail.sh").toStdString();
  auto script = [](const std::string& path, const std::string& body) {
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(("#!/bin/sh\n" + body).c_str(), f);
    std::fclose(f);
    chmod(path.c_str(), 0755);
  };
  script(ok, "printf '%s|' \"$@\" > '" + log + "'\npwd >> '" + log + "'\n");
  script(fail, "exit 3\n");
  // Legend: launcher, file, params, directory -> result class, arguments seen.
  struct Row {
    std::string launcher, file, params, dir;
    bool success;
    std::string seen;
  };
  const std::string tmp = dir.path().toStdString();
  const Row rows[] = {
      {ok, "https://example.org/", "", "c:", true, "https://example.org/|"},
      {ok, "mailto:someone@example.org", "", tmp, true, "mailto:someone@example.org|" + tmp},
      {ok, "doc.txt", "-x", "", true, "doc.txt|-x|"},
      {fail, "https://example.org/", "", "", false, ""},
      {dir.filePath("missing").toStdString(), "https://example.org/", "", "", false, ""},
      {ok, "", "", "", false, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.launcher + " " + r.file);
    std::remove(log.c_str());
    SetShellLauncher(r.launcher);
    const unsigned result = ShellExecute(nullptr, nullptr, r.file, r.params, r.dir, SW_SHOWNORMAL);
    EXPECT_EQ(result > 32, r.success) << result;
    std::string got;
    if (FILE* f = std::fopen(log.c_str(), "r")) {
      char buf[512] = {};
      got = std::fgets(buf, sizeof buf, f) ? buf : "";
      std::fclose(f);
      if (!got.empty() && got.back() == '\n') got.pop_back();
    }
    if (r.success && r.dir == tmp) {
      EXPECT_EQ(got, r.seen);  // started in the given directory
    } else if (r.success) {
      EXPECT_EQ(got.substr(0, r.seen.size()), r.seen);
    }
  }
  SetShellLauncher("");
  EXPECT_EQ(ShellLauncher(), "xdg-open");
}

}  // namespace
}  // namespace orv
