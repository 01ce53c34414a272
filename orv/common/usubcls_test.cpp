// The message-hook registry on real controls of a form built from its layout,
// fed real Qt input through the window layer (keys typed into an edit, mouse
// clicks on a button): the order of the passes, hooks changing and reading
// the message, detaching in every order, one hook on two controls, and the
// clean-up the registry does when callers forget (run under AddressSanitizer
// in the sanitizer build).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <orv/common/usubcls.h>
#include <orv/host/forms/sample/sampleform.h>
#include <orv/host/forms/testing/formtesting.h>

namespace orv {
namespace {

using Log = std::vector<std::string>;

// A hook that logs the messages it is interested in (WM_CHAR and the left
// button) with the control they went to, and may act on them.
class Recorder : public TControlSubclass {
 public:
  Recorder(std::string name, Log* log) : name_(std::move(name)), log_(log) {}
  std::function<void(Recorder&, TMessage&)> before, after;

  void BeforeWndProc(TMessage& m) override {
    if (Watched(m)) log_->push_back(name_ + "-before " + What(m));
    if (before) before(*this, m);
  }
  void AfterWndProc(TMessage& m) override {
    if (Watched(m)) log_->push_back(name_ + "-after " + What(m));
    if (after) after(*this, m);
  }

 private:
  static bool Watched(const TMessage& m) { return m.Msg == WM_CHAR || m.Msg == WM_LBUTTONDOWN; }
  std::string What(const TMessage& m) const {
    const std::string where = ActiveControl ? ActiveControl->Name() : "?";
    if (m.Msg == WM_CHAR) return where + ":" + std::string(1, static_cast<char>(m.WParam));
    return where + ":click";
  }
  std::string name_;
  Log* log_;
};

class SubclassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::StartApplication();
    form_.reset(new TSampleForm(Application()));
    testing::ShowActive(form_.get());
    edit_ = form_->Edit1;
    button_ = form_->PlusBtn;
    edit_own_ = edit_->WindowProc();
    button_own_ = button_->WindowProc();
    // The edit's own handling of a typed character shows in the log.
    edit_->SetOnKeyPress(TKeyPressEvent::FromCallable(
        [this](TObject*, char& c) { log_.push_back(std::string("own ") + c); }));
  }
  void TearDown() override {
    form_.reset();
    EXPECT_EQ(usubcls_internal::RecordCount(), 0);
  }
  // Types one character into the edit and returns what was logged meanwhile.
  Log Type(char c) {
    log_.clear();
    testing::TypeInto(edit_, std::string(1, c));
    return log_;
  }
  Log ClickButton() {
    log_.clear();
    testing::Click(button_, 3, 4);
    return log_;
  }
  bool EditHooked() const { return !(edit_->WindowProc() == edit_own_); }

  TComponentPtr<TSampleForm> form_;
  TEdit* edit_ = nullptr;
  TBitBtn* button_ = nullptr;
  TWndMethod edit_own_, button_own_;
  Log log_;
};

TEST_F(SubclassTest, TwoHooksRunInOrderAroundTheControlsOwnHandling) {
  Recorder a("A", &log_), b("B", &log_);
  RegisterSubclass(edit_, &a);
  RegisterSubclass(edit_, &b);
  EXPECT_EQ(Type('x'), (Log{"A-before Edit1:x", "B-before Edit1:x", "own x", "A-after Edit1:x",
                            "B-after Edit1:x"}));
  EXPECT_EQ(edit_->Text(), "x");
  UnRegisterSubclass(edit_, &a);
  UnRegisterSubclass(edit_, &b);
}

TEST_F(SubclassTest, ABeforeHookChangesWhatTheControlGetsAndAnAfterHookReadsItsResult) {
  Recorder a("A", &log_), b("B", &log_);
  a.before = [](Recorder&, TMessage& m) {
    if (m.Msg == WM_CHAR && m.WParam == 'a') m.WParam = 'b';
  };
  intptr_t seen = -1;
  b.after = [&](Recorder&, TMessage& m) {
    if (m.Msg == WM_GETTEXTLENGTH) seen = m.Result;
  };
  RegisterSubclass(edit_, &a);
  RegisterSubclass(edit_, &b);
  edit_->SetText("");
  EXPECT_EQ(Type('a'), (Log{"A-before Edit1:a", "B-before Edit1:b", "own b", "A-after Edit1:b",
                            "B-after Edit1:b"}));
  EXPECT_EQ(edit_->Text(), "b");
  Type('c');
  EXPECT_EQ(edit_->Perform(WM_GETTEXTLENGTH), 2);
  EXPECT_EQ(seen, 2);
  UnRegisterSubclass(edit_, &b);
  UnRegisterSubclass(edit_, &a);
}

TEST_F(SubclassTest, DetachingInEitherOrderLeavesTheOtherWorkingThenRestoresTheEntryPoint) {
  for (bool aFirst : {true, false}) {
    SCOPED_TRACE(aFirst ? "A first" : "B first");
    Recorder a("A", &log_), b("B", &log_);
    RegisterSubclass(edit_, &a);
    RegisterSubclass(edit_, &b);
    EXPECT_EQ(usubcls_internal::RecordCount(), 1);
    UnRegisterSubclass(edit_, aFirst ? &a : &b);
    EXPECT_TRUE(EditHooked());
    const std::string left = aFirst ? "B" : "A";
    EXPECT_EQ(Type('q'), (Log{left + "-before Edit1:q", "own q", left + "-after Edit1:q"}));
    UnRegisterSubclass(edit_, aFirst ? &b : &a);
    EXPECT_FALSE(EditHooked());
    EXPECT_EQ(usubcls_internal::RecordCount(), 0);
    EXPECT_EQ(Type('r'), (Log{"own r"}));
  }
  // A fresh attachment saves the entry point the control has at that time.
  auto other = TWndMethod::FromCallable([this](TMessage& m) {
    if (m.Msg == WM_CHAR) log_.push_back("other");
    edit_own_(m);
  });
  edit_->SetWindowProc(other);
  Recorder a("A", &log_);
  RegisterSubclass(edit_, &a);
  EXPECT_EQ(Type('s'), (Log{"A-before Edit1:s", "other", "own s", "A-after Edit1:s"}));
  UnRegisterSubclass(edit_, &a);
  EXPECT_TRUE(edit_->WindowProc() == other);
  edit_->SetWindowProc(edit_own_);
}

TEST_F(SubclassTest, AHookAttachedTwiceIsCalledTwiceUntilDetachedTwice) {
  Recorder a("A", &log_);
  RegisterSubclass(edit_, &a);
  RegisterSubclass(edit_, &a);
  EXPECT_EQ(Type('d'), (Log{"A-before Edit1:d", "A-before Edit1:d", "own d", "A-after Edit1:d",
                            "A-after Edit1:d"}));
  UnRegisterSubclass(edit_, &a);
  EXPECT_EQ(Type('e'), (Log{"A-before Edit1:e", "own e", "A-after Edit1:e"}));
  UnRegisterSubclass(edit_, &a);
  EXPECT_FALSE(EditHooked());
}

TEST_F(SubclassTest, OneHookOnTwoControlsKnowsWhichOneReceived) {
  Recorder h("H", &log_);
  RegisterSubclass(edit_, &h);
  RegisterSubclass(button_, &h);
  EXPECT_EQ(Type('k'), (Log{"H-before Edit1:k", "own k", "H-after Edit1:k"}));
  EXPECT_EQ(ClickButton(), (Log{"H-before PlusBtn:click", "H-after PlusBtn:click"}));
  EXPECT_EQ(form_->Log.back(), "PlusBtnClick");  // the button still clicks
  EXPECT_EQ(usubcls_internal::RecordCount(), 2);
  UnRegisterSubclass(edit_, &h);
  EXPECT_EQ(ClickButton(), (Log{"H-before PlusBtn:click", "H-after PlusBtn:click"}));
  UnRegisterSubclass(button_, &h);
  EXPECT_TRUE(button_->WindowProc() == button_own_);
}

TEST_F(SubclassTest, DetachingWhatIsNotAttachedChangesNothingAndNullHooksAreSkipped) {
  Recorder a("A", &log_), b("B", &log_);
  UnRegisterSubclass(button_, &a);  // never hooked
  EXPECT_TRUE(button_->WindowProc() == button_own_);
  EXPECT_EQ(usubcls_internal::RecordCount(), 0);
  RegisterSubclass(edit_, &b);
  UnRegisterSubclass(edit_, &a);  // not attached to it
  EXPECT_EQ(Type('n'), (Log{"B-before Edit1:n", "own n", "B-after Edit1:n"}));
  RegisterSubclass(edit_, nullptr);  // an entry that dispatch skips
  RegisterSubclass(edit_, &a);
  EXPECT_EQ(Type('m'), (Log{"B-before Edit1:m", "A-before Edit1:m", "own m", "B-after Edit1:m",
                            "A-after Edit1:m"}));
  UnRegisterSubclass(edit_, &b);
  UnRegisterSubclass(edit_, &a);
  EXPECT_TRUE(EditHooked());  // the null entry still holds the record
  EXPECT_EQ(Type('o'), (Log{"own o"}));
  UnRegisterSubclass(edit_, nullptr);
  EXPECT_FALSE(EditHooked());
  RegisterSubclass(nullptr, &a);  // no control: nothing
  EXPECT_EQ(usubcls_internal::RecordCount(), 0);
}

// ---- what the registry cleans up when callers forget ------------------------

TEST_F(SubclassTest, AControlDestroyedWhileHookedLosesItsRecordAndIsNeverDispatchedAgain) {
  Recorder a("A", &log_), b("B", &log_);
  for (int round = 0; round < 3; ++round) {
    auto* edit = new TEdit(form_.get());
    edit->SetName("Extra");
    edit->SetParent(form_.get());
    edit->SetBounds(10, 150, 80, 21);
    const TWndMethod own = edit->WindowProc();
    RegisterSubclass(edit, &a);
    RegisterSubclass(edit, &b);
    log_.clear();
    testing::TypeInto(edit, "z");
    EXPECT_EQ(log_,
              (Log{"A-before Extra:z", "B-before Extra:z", "A-after Extra:z", "B-after Extra:z"}));
    EXPECT_EQ(usubcls_internal::RecordCount(), 1);
    edit->Free();  // no UnRegisterSubclass: the registry lets go by itself
    EXPECT_EQ(usubcls_internal::RecordCount(), 0);
    // A new control (perhaps at the same address) is not hooked.
    auto* fresh = new TEdit(form_.get());
    fresh->SetName("Fresh");
    fresh->SetParent(form_.get());
    fresh->SetBounds(10, 150, 80, 21);
    log_.clear();
    testing::TypeInto(fresh, "y");
    EXPECT_EQ(log_, Log{});
    EXPECT_EQ(fresh->Text(), "y");
    UnRegisterSubclass(fresh, &a);  // nothing to do
    fresh->Free();
    (void)own;
  }
}

TEST_F(SubclassTest, AHookDestroyedWhileAttachedDetachesItselfEverywhere) {
  Recorder b("B", &log_);
  auto gone = std::make_unique<Recorder>("G", &log_);
  RegisterSubclass(edit_, gone.get());
  RegisterSubclass(edit_, &b);
  RegisterSubclass(edit_, gone.get());
  RegisterSubclass(button_, gone.get());
  gone.reset();
  EXPECT_EQ(Type('g'), (Log{"B-before Edit1:g", "own g", "B-after Edit1:g"}));
  EXPECT_TRUE(button_->WindowProc() == button_own_);
  EXPECT_EQ(ClickButton(), Log{});
  EXPECT_EQ(usubcls_internal::RecordCount(), 1);
  UnRegisterSubclass(edit_, &b);
}

TEST_F(SubclassTest, HooksMayAttachAndDetachHooksOfTheirControlWhileItsMessageRuns) {
  // Legend: what hook A does in its before pass of the first WM_CHAR -> what
  // the next character's messages reach afterwards.
  struct Row {
    const char* what;
    std::function<void(Recorder& a, Recorder& b, Recorder& c)> act;
    Log next;
    bool hooked;
  };
  const Row rows[] = {
      {"A detaches itself",
       [this](Recorder& a, Recorder&, Recorder&) { UnRegisterSubclass(edit_, &a); },
       {"B-before Edit1:2", "own 2", "B-after Edit1:2"},
       true},
      {"A detaches both",
       [this](Recorder& a, Recorder& b, Recorder&) {
         UnRegisterSubclass(edit_, &a);
         UnRegisterSubclass(edit_, &b);
       },
       {"own 2"},
       false},
      {"A attaches C",
       [this](Recorder&, Recorder&, Recorder& c) { RegisterSubclass(edit_, &c); },
       {"A-before Edit1:2", "B-before Edit1:2", "C-before Edit1:2", "own 2", "A-after Edit1:2",
        "B-after Edit1:2", "C-after Edit1:2"},
       true},
      {"A detaches both and attaches C",
       [this](Recorder& a, Recorder& b, Recorder& c) {
         UnRegisterSubclass(edit_, &a);
         UnRegisterSubclass(edit_, &b);
         RegisterSubclass(edit_, &c);
       },
       {"C-before Edit1:2", "own 2", "C-after Edit1:2"},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Recorder a("A", &log_), b("B", &log_), c("C", &log_);
    bool done = false;
    a.before = [&](Recorder&, TMessage& m) {
      if (m.Msg != WM_CHAR || done) return;
      done = true;
      row.act(a, b, c);
    };
    RegisterSubclass(edit_, &a);
    RegisterSubclass(edit_, &b);
    edit_->SetText("");
    const Log first = Type('1');
    EXPECT_TRUE(done);
    EXPECT_EQ(edit_->Text(), "1");  // the control got its message all the same
    EXPECT_NE(std::find(first.begin(), first.end(), "own 1"), first.end());
    EXPECT_EQ(Type('2'), row.next);
    EXPECT_EQ(EditHooked(), row.hooked);
    for (Recorder* r : {&a, &b, &c}) UnRegisterSubclass(edit_, r);
    UnRegisterSubclass(edit_, &c);
    EXPECT_FALSE(EditHooked());
  }
}

TEST_F(SubclassTest, AHookThatFreesAnotherHookOrTheControlMidMessageIsSafe) {
  {
    Recorder a("A", &log_);
    auto b = std::make_unique<Recorder>("B", &log_);
    a.before = [&](Recorder&, TMessage& m) {
      if (m.Msg == WM_CHAR) b.reset();
    };
    RegisterSubclass(edit_, &a);
    RegisterSubclass(edit_, b.get());
    EXPECT_EQ(Type('f'), (Log{"A-before Edit1:f", "own f", "A-after Edit1:f"}));
    UnRegisterSubclass(edit_, &a);
    EXPECT_FALSE(EditHooked());
  }
  {
    // The control goes in the middle of its own message: no hook hears of it
    // again, nothing touches the freed control or record. (Sent with Perform:
    // a typed key would go on to the widget that is gone, which Qt forbids.)
    auto* edit = new TEdit(form_.get());
    edit->SetName("Doomed");
    edit->SetParent(form_.get());
    edit->SetBounds(10, 150, 80, 21);
    Recorder a("A", &log_), b("B", &log_);
    a.before = [&](Recorder&, TMessage& m) {
      if (m.Msg == WM_CHAR) edit->Free();
    };
    RegisterSubclass(edit, &a);
    RegisterSubclass(edit, &b);
    log_.clear();
    edit->Perform(WM_CHAR, 'w');
    EXPECT_EQ(log_, (Log{"A-before Doomed:w"}));
    EXPECT_EQ(usubcls_internal::RecordCount(), 0);
  }
}

TEST_F(SubclassTest, UnloadingTheLibraryGivesEveryLiveControlItsEntryPointBack) {
  Recorder a("A", &log_), b("B", &log_);
  RegisterSubclass(edit_, &a);
  RegisterSubclass(button_, &b);
  RegisterSubclass(button_, &a);
  usubcls_internal::FinalizeRegistry();  // what unloading the library runs
  EXPECT_TRUE(edit_->WindowProc() == edit_own_);
  EXPECT_TRUE(button_->WindowProc() == button_own_);
  EXPECT_EQ(usubcls_internal::RecordCount(), 0);
  EXPECT_EQ(Type('u'), (Log{"own u"}));
  EXPECT_EQ(ClickButton(), Log{});
  // Detaching afterwards does nothing; a new registration starts a fresh registry.
  UnRegisterSubclass(edit_, &a);
  RegisterSubclass(edit_, &b);
  EXPECT_EQ(Type('v'), (Log{"B-before Edit1:v", "own v", "B-after Edit1:v"}));
  UnRegisterSubclass(edit_, &b);
}

}  // namespace
}  // namespace orv
