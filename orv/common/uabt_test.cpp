// The about box under the offscreen platform, driven as a person would: its
// layout, texts and pictures, the OK image pressed and released, clicks on
// every label, and the launcher replaced by a recording stand-in for
// xdg-open (a real script put first on PATH).
#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetrics>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <orv/common/uabt.h>
#include <orv/host/forms/shellapi.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

// A stand-in for xdg-open: records each call (its arguments and working
// directory) in a file and exits with the status the test chose.
class RecordingLauncher {
 public:
  RecordingLauncher() {
    EXPECT_TRUE(dir_.isValid());
    log_ = dir_.filePath("calls.log").toStdString();
    const std::string script = dir_.filePath("xdg-open").toStdString();
    std::ofstream(script)
        << "#!/bin/sh\n"
        << "{ printf 'argc=%s' \"$#\"; for a in \"$@\"; do printf '|%s' \"$a\"; done;"
        << " printf '|cwd=%s\\n' \"$(pwd)\"; } >> '" << log_ << "'\n"
        << "exit \"${ORV_TEST_LAUNCH_STATUS:-0}\"\n";
    QFile::setPermissions(QString::fromStdString(script),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const char* path = std::getenv("PATH");
    saved_path_ = path ? path : "";
    setenv("PATH", (dir_.path().toStdString() + ":" + saved_path_).c_str(), 1);
    SetShellLauncher("xdg-open");
  }
  ~RecordingLauncher() {
    setenv("PATH", saved_path_.c_str(), 1);
    unsetenv("ORV_TEST_LAUNCH_STATUS");
  }
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
      // The working directory is the test's own unless the call named one.
      const size_t cwd = line.rfind("|cwd=");
      calls.push_back(line.substr(0, cwd));
    }
    return calls;
  }
  // The working directory of the last call.
  std::string LastCwd() const {
    std::ifstream in(log_);
    std::string line, last;
    while (std::getline(in, line)) last = line;
    const size_t cwd = last.rfind("|cwd=");
    return cwd == std::string::npos ? "" : last.substr(cwd + 5);
  }

 private:
  QTemporaryDir dir_;
  std::string log_;
  std::string saved_path_;
};

TBitmap Resource(const char* name) {
  TBitmap b;
  b.LoadFromResourceName(TAboutFrm::kModule, name);
  return b;
}

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::StartApplication(); }
};

TEST_F(AboutBoxTest, ShowAboutBoxEShowsNameAndVersionAndKeepsTheCaption) {
  std::string heading, version, caption;
  bool visible = false;
  testing::AnswerModal([&](TCustomForm* f) {
    auto* about = dynamic_cast<TAboutFrm*>(f);
    ASSERT_NE(about, nullptr);
    heading = about->ComponentName();
    version = about->VerLbl->Caption();
    caption = about->Caption();
    visible = about->Visible();
    testing::Click(about->OkBtn);
    if (about->ModalResult() == mrNone)
      about->SetModalResult(mrCancel);  // the click failed: end anyway
  });
  ShowAboutBoxE("TGenerator", "Version 2.0");
  EXPECT_TRUE(visible);
  EXPECT_EQ(heading, "TGenerator");
  EXPECT_EQ(version, "Version 2.0");
  EXPECT_EQ(caption, "About ");
  // The form is gone: nothing of it is left with the application object.
  for (int i = 0; i < Application()->ComponentCount(); ++i)
    EXPECT_EQ(dynamic_cast<TAboutFrm*>(Application()->Components(i)), nullptr);
}

TEST_F(AboutBoxTest, ShowAboutBoxLeavesTheVersionLineEmpty) {
  std::string heading = "?", version = "?";
  testing::AnswerModal([&](TCustomForm* f) {
    auto* about = static_cast<TAboutFrm*>(f);
    heading = about->CapLbl->Caption();
    version = about->VersionInfo();
    about->SetModalResult(mrOk);
  });
  ShowAboutBox("TUniKEY");
  EXPECT_EQ(heading, "TUniKEY");
  EXPECT_EQ(version, "");
}

// Owned by the application object, it hears of every form the application
// takes in and lets go; it makes the about box's OnShow raise.
class ShowBreaker : public TComponent {
 public:
  ShowBreaker() : TComponent(Application()) {}
  TAboutFrm* inserted = nullptr;
  bool removed = false;
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    auto* form = dynamic_cast<TAboutFrm*>(c);
    if (!form) return;
    if (op == opInsert) {
      inserted = form;
      form->SetOnShow(TNotifyEvent::FromCallable([](TObject*) { throw Exception("cannot show"); }));
    } else if (form == inserted) {
      removed = true;
    }
  }
};

TEST_F(AboutBoxTest, ShowAboutBoxEFreesTheFormWhenShowingRaisesAndShowAboutBoxLeavesIt) {
  {
    TComponentPtr<ShowBreaker> spy(new ShowBreaker);
    EXPECT_THROW(ShowAboutBoxE("TGenerator", "Version 2.0"), Exception);
    ASSERT_NE(spy->inserted, nullptr);
    EXPECT_TRUE(spy->removed);
  }
  {
    TComponentPtr<ShowBreaker> spy(new ShowBreaker);
    EXPECT_THROW(ShowAboutBox("TGenerator"), Exception);
    ASSERT_NE(spy->inserted, nullptr);
    EXPECT_FALSE(spy->removed);  // left to its owner, the application object
    EXPECT_EQ(spy->inserted->Owner(), Application());
    spy->inserted->Free();
    EXPECT_TRUE(spy->removed);
  }
}

TEST_F(AboutBoxTest, EveryControlSitsWhereTheLayoutPutsItInCreationOrder) {
  TComponentPtr<TAboutFrm> form(new TAboutFrm(Application()));
  struct Row {
    const char* name;
    const char* cls;
    int left, top, width, height;
  };
  const Row rows[] = {
      {"Image1", "TImage", 2, 57, 282, 203},     {"Shape1", "TShape", 2, 0, 282, 2},
      {"Shape2", "TShape", 1, 256, 284, 2},      {"Shape3", "TShape", 0, 0, 2, 258},
      {"Shape4", "TShape", 283, 0, 2, 257},      {"Shape5", "TShape", 1, 53, 282, 2},
      {"Image2", "TImage", 3, -1, 31, 30},       {"Label1", "TLabel", 53, 233, 195, 10},
      {"CapLbl", "TLabel", 40, 7, 195, 20},      {"Label2", "TLabel", 244, 7, 32, 16},
      {"Label3", "TLabel", 243, 8, 32, 16},      {"Label4", "TLabel", 244, 6, 32, 16},
      {"Label6", "TLabel", 48, 57, 57, 32},      {"Label7", "TLabel", 111, 69, 126, 16},
      {"httplbl", "TLabel", 88, 126, 109, 13},   {"Label10", "TLabel", 62, 111, 140, 14},
      {"mailtolbl", "TLabel", 84, 156, 120, 14}, {"OkBtn", "TImage", 122, 179, 40, 20},
      {"Label5", "TLabel", 242, 6, 32, 16},      {"Label13", "TLabel", 242, 9, 32, 16},
      {"Label14", "TLabel", 243, 7, 32, 16},     {"Label15", "TLabel", 112, 141, 60, 14},
      {"VerLbl", "TLabel", 5, 32, 276, 16},
  };
  ASSERT_EQ(form->ControlCount(), static_cast<int>(std::size(rows)));
  for (int i = 0; i < form->ControlCount(); ++i) {
    SCOPED_TRACE(rows[i].name);
    TControl* c = form->Controls(i);
    EXPECT_EQ(c->Name(), rows[i].name);
    EXPECT_STREQ(c->ClassName(), rows[i].cls);
    EXPECT_EQ(c->Left(), rows[i].left);
    EXPECT_EQ(c->Top(), rows[i].top);
    auto* label = dynamic_cast<TLabel*>(c);
    if (label && label->AutoSize()) {
      // Sized to its text in the installed stand-in fonts: nothing is cut off.
      const QFontMetrics metrics(label->Font()->ToQFont());
      EXPECT_GE(label->Width(), metrics.horizontalAdvance(ToQString(label->DisplayText())));
      EXPECT_GE(label->Height(), metrics.height());
    } else {
      EXPECT_EQ(c->Width(), rows[i].width);
      EXPECT_EQ(c->Height(), rows[i].height);
    }
  }
  EXPECT_FALSE(form->CapLbl->AutoSize());  // fixed size, centred
  EXPECT_FALSE(form->VerLbl->AutoSize());
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_EQ(form->FormStyle(), fsStayOnTop);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_EQ(form->ClientWidth(), 285);
  EXPECT_EQ(form->ClientHeight(), 258);
  EXPECT_EQ(form->Color(), clWhite);
  EXPECT_EQ(form->Caption(), "About ");
  EXPECT_EQ(form->ComponentName(), "About ");
  EXPECT_EQ(form->VersionInfo(), "Info");

  // The logo word: five blue copies one pixel around the white one, painted last.
  for (TLabel* blue : {form->Label2, form->Label3, form->Label4, form->Label5, form->Label13}) {
    EXPECT_EQ(blue->Caption(), "Orv");
    EXPECT_EQ(blue->Font()->Color(), clBlue);
    EXPECT_LE(std::max(std::abs(blue->Left() - form->Label14->Left()),
                       std::abs(blue->Top() - form->Label14->Top())),
              2);
  }
  EXPECT_EQ(form->Label14->Font()->Color(), clWhite);
  EXPECT_EQ(form->Label14->Caption(), "Orv");

  struct FontRow {
    TLabel* label;
    const char* face;
    int pixels;
    bool bold;
    TColor color;
  };
  const FontRow fonts[] = {
      {form->Label1, "Small Fonts", 8, true, clWhite},
      {form->CapLbl, "Arial", 16, true, clGreen},
      {form->Label2, "MS Sans Serif", 13, true, clBlue},
      {form->Label6, "Arial", 27, true, clBlue},
      {form->Label7, "MS Sans Serif", 13, true, clBlue},
      {form->httplbl, "MS Sans Serif", 11, true, clGray},
      {form->Label10, "Arial", 11, false, clWindowText},
      {form->mailtolbl, "Arial", 11, true, clGray},
      {form->Label15, "Arial", 11, false, clWindowText},
      {form->VerLbl, "Arial", 12, true, clGreen},
  };
  for (const FontRow& f : fonts) {
    SCOPED_TRACE(f.label->Name());
    EXPECT_EQ(f.label->Font()->Name(), f.face);
    EXPECT_EQ(f.label->Font()->Height(), -f.pixels);
    EXPECT_EQ(f.label->Font()->Style().Contains(fsBold), f.bold);
    EXPECT_EQ(f.label->Font()->Color(), f.color);
  }
  EXPECT_EQ(form->CapLbl->Alignment(), taCenter);
  EXPECT_EQ(form->VerLbl->Alignment(), taCenter);
  for (TLabel* link : {form->Label6, form->Label7, form->httplbl, form->mailtolbl})
    EXPECT_EQ(link->Cursor(), crHandPoint) << link->Name();
  EXPECT_EQ(form->Label10->Caption(), "You can contact us via web:");
  EXPECT_EQ(form->Label15->Caption(), "or via email :");
  EXPECT_EQ(form->mailtolbl->Caption(), AboutMailAddress());

  // The pictures: background 300x200 shown clipped, the icon 32x32.
  EXPECT_EQ(form->Image1->Picture()->Width(), 300);
  EXPECT_EQ(form->Image1->Picture()->Height(), 200);
  EXPECT_FALSE(form->Image1->Stretch());
  EXPECT_EQ(form->Image2->Picture()->Width(), 32);
  EXPECT_EQ(form->Image2->Picture()->Height(), 32);
  EXPECT_EQ(form->IconName(), "ABOUTICON");
}

TEST_F(AboutBoxTest, TheOkImageShowsPressedWhileHeldAndAClickClosesWithResultOne) {
  const TBitmap up = Resource("BTNOK_UP");
  const TBitmap down = Resource("BTNOK_DN");
  ASSERT_EQ(up.Width(), 40);
  ASSERT_EQ(up.Height(), 20);
  ASSERT_EQ(down.Width(), 40);
  ASSERT_EQ(down.Height(), 20);
  ASSERT_NE(up.Image(), down.Image());

  TComponentPtr<TAboutFrm> form(new TAboutFrm(Application()));
  bool shown_up = false, pressed = false, stillOpenWhileHeld = false, releasedUp = false;
  testing::AnswerModal([&](TCustomForm*) {
    shown_up = form->OkBtn->Picture()->Bitmap()->Image() == up.Image();
    testing::MouseDown(form->OkBtn);
    pressed = form->OkBtn->Picture()->Bitmap()->Image() == down.Image();
    stillOpenWhileHeld = form->ModalResult() == mrNone;
    testing::MouseUp(form->OkBtn);
    releasedUp = form->OkBtn->Picture()->Bitmap()->Image() == up.Image();
    if (form->ModalResult() == mrNone)
      form->SetModalResult(mrCancel);  // the click failed: end anyway
  });
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_TRUE(shown_up);
  EXPECT_TRUE(pressed);
  EXPECT_TRUE(stillOpenWhileHeld);
  EXPECT_TRUE(releasedUp);
}

TEST_F(AboutBoxTest, ClicksOnTheBackgroundAndTheIconClose) {
  for (const char* name : {"Image1", "Image2", ""}) {
    SCOPED_TRACE(name);
    TComponentPtr<TAboutFrm> form(new TAboutFrm(Application()));
    TModalResult after_click = -1;
    testing::AnswerModal([&](TCustomForm*) {
      if (*name)
        testing::Click(static_cast<TControl*>(form->FindComponent(name)));
      else
        testing::Click(form.get(), 100, 50);  // the form's own background, under the version line
      after_click = form->ModalResult();
      if (after_click == mrNone) form->SetModalResult(mrCancel);  // end the loop all the same
    });
    form->ShowModal();
    EXPECT_EQ(after_click, mrOk);
  }
}

TEST_F(AboutBoxTest, LinkLabelsOpenTheWebPageOrAMailAndInertLabelsDoNothing) {
  RecordingLauncher launcher;
  TComponentPtr<TAboutFrm> form(new TAboutFrm(Application()));
  struct Row {
    const char* label;
    std::string opened;  // what the launcher got; empty: not called
  };
  const std::string web = "argc=1|" + AboutWebAddress();
  const std::string mail = "argc=1|mailto:" + AboutMailAddress();
  const Row rows[] = {
      {"Label6", web}, {"Label7", web}, {"httplbl", web}, {"mailtolbl", mail}, {"Label1", ""},
      {"Label2", ""},  {"Label3", ""},  {"Label4", ""},   {"Label5", ""},      {"Label13", ""},
      {"Label14", ""}, {"Label10", ""}, {"Label15", ""},  {"CapLbl", ""},      {"VerLbl", ""},
  };
  std::vector<std::string> problems;
  testing::AnswerModal([&](TCustomForm*) {
    size_t seen = 0;
    for (const Row& row : rows) {
      testing::Click(static_cast<TControl*>(form->FindComponent(row.label)));
      const std::vector<std::string> calls = launcher.Calls();
      const std::string got = calls.size() > seen ? calls.back() : "";
      seen = calls.size();
      if (got != row.opened) problems.push_back(std::string(row.label) + " opened '" + got + "'");
      if (form->ModalResult() != mrNone)
        problems.push_back(std::string(row.label) + " closed the box");
    }
    form->SetModalResult(mrCancel);
  });
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(problems, std::vector<std::string>());
  EXPECT_EQ(launcher.Calls().size(), 4u);
}

TEST_F(AboutBoxTest, ExecuteCmndPassesItsTextsWholeAndReturnsTheLaunchersResult) {
  RecordingLauncher launcher;
  QTemporaryDir dir;
  const std::string where = dir.path().toStdString();
  const std::string long_name =
      "https://www.example.com/" + std::string(90, 'x');  // over 79 characters
  struct Row {
    std::string file, params, dir;
    const char* status;
    std::string recorded;
    bool success;
  };
  const Row rows[] = {
      {"https://www.example.com/", "", "c:", "0", "argc=1|https://www.example.com/", true},
      {"doc.txt", "--new-window", "c:", "0", "argc=2|doc.txt|--new-window", true},
      {long_name, "", "", "0", "argc=1|" + long_name, true},
      {"mailto:info@example.org", "", "", "3", "argc=1|mailto:info@example.org", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    setenv("ORV_TEST_LAUNCH_STATUS", row.status, 1);
    const size_t before = launcher.Calls().size();
    const unsigned result = ExecuteCmnd(row.file, row.params, row.dir, SW_SHOWNORMAL);
    EXPECT_EQ(result > 32, row.success) << result;
    const std::vector<std::string> calls = launcher.Calls();
    ASSERT_EQ(calls.size(), before + 1);
    EXPECT_EQ(calls.back(), row.recorded);
  }
  // An existing directory becomes the launcher's working directory.
  unsetenv("ORV_TEST_LAUNCH_STATUS");
  EXPECT_GT(ExecuteCmnd("x", "", where, SW_SHOWNORMAL), 32u);
  EXPECT_EQ(launcher.LastCwd(), where);
  // Nothing to open: nothing is run.
  const size_t before = launcher.Calls().size();
  EXPECT_LE(ExecuteCmnd("", "", "", SW_SHOWNORMAL), 32u);
  EXPECT_EQ(launcher.Calls().size(), before);
}

}  // namespace
}  // namespace orv
