// The designer's model without a window, with real packages: the loader's
// test package (a stamp with verbs and a dialog editor) and a faulty one whose
// setters, constructor and editors fail.
#include "tools/orvdesign/formdocument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <orv/host/classes/formfile.h>
#include <orv/host/classes/formparser.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/designintf/package.h>
#include <orv/host/forms/testing/formtesting.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/keygen/generator.h>

namespace orv {
namespace {

constexpr char kModule[] =
    "object Mod: TDataModule\n"
    "  object Part1: TPart\n"
    "    Mask = 'AB-##'\n"
    "    Limit = 3\n"
    "  end\n"
    "  object Part2: TPart\n"
    "    Mask = 'CD-##'\n"
    "    Alias = 'Local'\n"
    "    Left = 200\n"
    "    Top = 16\n"
    "  end\n"
    "  object Stamp1: TStamp\n"
    "    Mask = 'S'\n"
    "  end\n"
    "end\n";

// The same module as a person might have typed it: other spacing and case,
// a string in pieces. The document must keep these bytes until a change.
constexpr char kHandWritten[] =
    "OBJECT Mod: TDataModule\r\n"
    "  object Part1: TPart\n\n"
    "      Mask = 'AB' + \n 'X'#45'##'\n"
    "  End\n"
    "end";

class DesignModelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing::StartApplication();
    stamp_package_ = LoadPackage(ORV_TEST_PACKAGE).release();
    faulty_package_ = LoadPackage(ORV_FAULTY_PACKAGE).release();
  }
  static void TearDownTestSuite() {
    delete stamp_package_;
    delete faulty_package_;
  }
  void SetUp() override {
    // No message box may wait for a click: those not taken by the document are recorded.
    ui_ = std::make_unique<ScopedUserInterface>(&boxes_);
    doc_.LoadFromString(kModule, "");
  }

  std::string Prop(const std::string& component, const std::string& property) {
    return GetPropText(*doc_.Get(component), property);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (TComponent* c : doc_.Components()) out.push_back(c->Name());
    return out;
  }

  static TPackage* stamp_package_;
  static TPackage* faulty_package_;
  TRecordingUserInterface boxes_;
  std::unique_ptr<ScopedUserInterface> ui_;
  TFormDocument doc_;
};
TPackage* DesignModelTest::stamp_package_ = nullptr;
TPackage* DesignModelTest::faulty_package_ = nullptr;

// The inspector refreshing behind a verb's dialog: a list that fails there
// leaves the components the verb is using alone, and the verb's change stays
// one step.
TEST_F(DesignModelTest, AFailingCallInsideAGuardedCallKeepsItsComponents) {
  doc_.Select({"Part1"});
  doc_.SetPropertyValue("Mask", "fail");
  TFormDocument::TCallSite site{"Part1", "TPart", "TPartEditor"};
  doc_.Guard("Verb of Part1", site, [&] {
    SetPropText(*doc_.Get("Part1"), "Limit", "7");  // the verb's change, not written yet
    EXPECT_THROW(doc_.PropertyValues("Alias"), EDesignError);
    EXPECT_EQ(Prop("Part1", "Limit"), "7");  // the same component, not one read again
  });
  EXPECT_EQ(Prop("Part1", "Limit"), "7");
  EXPECT_EQ(doc_.UndoLabel(), "Verb of Part1");
}

TEST_F(DesignModelTest, OpenedAndSavedUnchangedIsByteIdentical) {
  const std::string dir = ::testing::TempDir() + "/designmodel_roundtrip";
  std::filesystem::create_directories(dir);
  for (const char* text : {kModule, kHandWritten}) {
    SCOPED_TRACE(text);
    const std::string path = dir + "/m.ofm";
    std::ofstream(path, std::ios::binary) << text;
    TFormDocument doc;
    doc.LoadFromFile(path);
    EXPECT_FALSE(doc.IsModified());
    doc.SaveToFile();
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
    // A change and its undo give the file's own bytes again, not the writer's spelling.
    doc.Select({"Part1"});
    const std::string limit = GetPropText(*doc.Get("Part1"), "Limit");
    doc.SetPropertyValue("Limit", "9");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_NE(doc.Text(), text);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Text(), text);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(GetPropText(*doc.Get("Part1"), "Limit"), limit);
  }
}

// Legend: a change -> each is one undo step that restores the text exactly,
// and redo gives the changed text again.
TEST_F(DesignModelTest, EveryChangeIsOneStepOfUndoAndRedo) {
  struct Change {
    const char* label;
    std::function<void(TFormDocument&)> run;
    std::function<void(TFormDocument&)> check;  // on the changed form
  };
  const Change changes[] = {
      {"Set Part1.Mask",
       [](TFormDocument& d) {
         d.Select({"Part1"});
         d.SetPropertyValue("Mask", "Q-#");
       },
       [](TFormDocument& d) { EXPECT_EQ(GetPropText(*d.Get("Part1"), "Mask"), "Q-#"); }},
      {"Set Part1, Part2.Alias",
       [](TFormDocument& d) {
         d.Select({"Part1", "Part2"});
         d.SetPropertyValue("Alias", "Office");
       },
       [](TFormDocument& d) {
         EXPECT_EQ(GetPropText(*d.Get("Part1"), "Alias"), "Office");
         EXPECT_EQ(GetPropText(*d.Get("Part2"), "Alias"), "Office");
       }},
      {"Verb of Stamp1", [](TFormDocument& d) { d.ExecuteVerb("Stamp1", 0); },
       [](TFormDocument& d) { EXPECT_EQ(GetPropText(*d.Get("Stamp1"), "Count"), "1"); }},
      {"Edit Stamp1", [](TFormDocument& d) { d.EditComponent("Stamp1"); },  // the first verb
       [](TFormDocument& d) { EXPECT_EQ(GetPropText(*d.Get("Stamp1"), "Count"), "1"); }},
      {"Edit Stamp1.Mask",
       [](TFormDocument& d) {
         d.Select({"Stamp1"});
         d.EditProperty("Mask");
       },
       [](TFormDocument& d) { EXPECT_EQ(GetPropText(*d.Get("Stamp1"), "Mask"), "S#"); }},
      {"Place Stamp2",
       [](TFormDocument& d) {
         EXPECT_EQ(d.Place(FindClass("TStamp"), 40, 50), "Stamp2");
         EXPECT_EQ(d.Selection(), std::vector<std::string>{"Stamp2"});
       },
       [](TFormDocument& d) {
         ASSERT_TRUE(d.Find("Stamp2"));
         EXPECT_EQ(d.Position(d.Get("Stamp2")).x, 40);
       }},
      {"Move Part2", [](TFormDocument& d) { d.Move({"Part2"}, 8, -4); },
       [](TFormDocument& d) {
         EXPECT_EQ(d.Position(d.Get("Part2")).x, 208);
         EXPECT_EQ(d.Position(d.Get("Part2")).y, 12);
       }},
      {"Delete Part1, Stamp1",
       [](TFormDocument& d) {
         d.Delete({"Part1", "Stamp1"});
       },
       [](TFormDocument& d) { EXPECT_EQ(d.Components().size(), 1u); }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.label);
    doc_.LoadFromString(kModule);
    c.run(doc_);
    EXPECT_EQ(doc_.UndoLabel(), c.label);
    EXPECT_TRUE(doc_.IsModified());
    c.check(doc_);
    const std::string changed = doc_.Text();
    EXPECT_EQ(changed, SaveFormToString(doc_.Root()));
    ASSERT_TRUE(doc_.Undo());
    EXPECT_EQ(doc_.Text(), kModule);
    EXPECT_EQ(SaveFormToString(doc_.Root()), kModule);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_FALSE(doc_.CanUndo());
    EXPECT_EQ(doc_.RedoLabel(), c.label);
    ASSERT_TRUE(doc_.Redo());
    EXPECT_EQ(doc_.Text(), changed);
    c.check(doc_);
    EXPECT_FALSE(doc_.Redo());
  }
  EXPECT_EQ(boxes_.Transcript(), "");
}

TEST_F(DesignModelTest, UndoAfterSavingMarksTheFormModifiedAndANewChangeDropsRedo) {
  const std::string path = ::testing::TempDir() + "/designmodel_saved.ofm";
  doc_.Select({"Part1"});
  doc_.SetPropertyValue("Limit", "4");
  doc_.SetPropertyValue("Limit", "5");
  doc_.SaveToFile(path);
  EXPECT_FALSE(doc_.IsModified());
  doc_.Undo();
  EXPECT_TRUE(doc_.IsModified());
  doc_.Redo();
  EXPECT_FALSE(doc_.IsModified());
  doc_.Undo();
  doc_.SetPropertyValue("Limit", "7");  // the saved state can no longer be reached
  EXPECT_FALSE(doc_.CanRedo());
  EXPECT_TRUE(doc_.IsModified());
  doc_.Undo();
  doc_.Undo();
  EXPECT_EQ(doc_.Text(), kModule);
}

TEST_F(DesignModelTest, PlacedComponentsGetTheLowestFreeNumber) {
  const TClassInfo& stamp = FindClass("TStamp");
  EXPECT_EQ(doc_.Place(stamp, 0, 0), "Stamp2");
  EXPECT_EQ(doc_.Place(stamp, 0, 0), "Stamp3");
  EXPECT_EQ(doc_.Place(FindClass("TPart"), 0, 0), "Part3");
  doc_.Delete({"Stamp2"});
  EXPECT_EQ(doc_.Place(stamp, 0, 0), "Stamp2");
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"Part1", "Part2", "Stamp1", "Stamp3", "Part3", "Stamp2"}));
  EXPECT_EQ(TFormDocument::UniqueName(nullptr, stamp), "Stamp1");
}

TEST_F(DesignModelTest, ComponentsWithoutPositionsSitInAGridThatStaysPutWhenOneMoves) {
  const auto before1 = doc_.Position(doc_.Get("Part1"));
  const auto before3 = doc_.Position(doc_.Get("Stamp1"));
  EXPECT_NE(before1.x, before3.x);  // side by side, not on top of each other
  doc_.Move({"Part1"}, 30, 0);
  EXPECT_EQ(doc_.Position(doc_.Get("Part1")).x, before1.x + 30);
  EXPECT_EQ(doc_.Position(doc_.Get("Stamp1")).x, before3.x);
  EXPECT_EQ(doc_.Position(doc_.Get("Stamp1")).y, before3.y);
  EXPECT_EQ(doc_.Position(doc_.Get("Part2")).x, 200);  // its stored place
}

TEST_F(DesignModelTest, SelectionRulesAndTheInspectedProperties) {
  auto names = [](const std::vector<TInspectedProperty>& props) {
    std::string out;
    for (const auto& p : props) out += p.name + (p.same ? "" : "*") + " ";
    return out;
  };
  // Nothing selected: the form itself.
  EXPECT_EQ(doc_.Inspected(), std::vector<TComponent*>{doc_.Root()});
  doc_.Select(
      {"part1", "Nobody", "Mod"});  // case-insensitive; unknown names and the root are no selection
  EXPECT_EQ(doc_.Selection(), std::vector<std::string>{"Part1"});
  EXPECT_EQ(names(doc_.InspectedProperties()), "Name Mask Alias Limit Level ");
  const auto one = doc_.InspectedProperties();
  EXPECT_EQ(one[1].editor_class, "TPartMaskProperty");
  EXPECT_EQ(one[1].value, "AB-##");
  // Several: only what every one has and whose editor allows several; values that differ are blank.
  doc_.ToggleSelection("Part2");
  const auto two = doc_.InspectedProperties();
  EXPECT_EQ(names(two), "Alias* ");
  EXPECT_EQ(two[0].value, "");
  doc_.ToggleSelection("Stamp1");  // TStamp has Mask (a dialog editor) but no Alias
  EXPECT_EQ(names(doc_.InspectedProperties()), "");
  doc_.ToggleSelection("Part1");
  EXPECT_EQ(doc_.Selection(), (std::vector<std::string>{"Part2", "Stamp1"}));
  // Renaming keeps the selection on the component; deleting takes it out.
  doc_.Select({"Part2"});
  doc_.SetPropertyValue("Name", "Orders");
  EXPECT_EQ(doc_.Selection(), std::vector<std::string>{"Orders"});
  doc_.Delete({"Orders"});
  EXPECT_TRUE(doc_.Selection().empty());
  // Value lists come from the editor.
  doc_.Select({"Part1"});
  EXPECT_EQ(doc_.PropertyValues("Alias"), (std::vector<std::string>{"Local", "Office"}));
}

// Legend: a call into package code that fails -> the error names component,
// class and editor; the form is exactly as before; nothing to undo.
TEST_F(DesignModelTest, FailingPackageCodeLeavesTheFormAsItWas) {
  struct Fault {
    const char* what;
    std::function<void(TFormDocument&)> setup;  // changes that succeed first
    std::function<void(TFormDocument&)> run;    // the failing call
    const char* component;
    const char* editor;
    const char* reason;
  };
  auto select_part1 = [](TFormDocument& d) { d.Select({"Part1"}); };
  auto mask_fail = [](TFormDocument& d) {
    d.Select({"Part1"});
    d.SetPropertyValue("Mask", "fail");
  };
  const Fault faults[] = {
      {"a setter raises", select_part1, [](TFormDocument& d) { d.SetPropertyValue("Limit", "-1"); },
       "Part1", "TPropertyEditor", "Limit must not be negative"},
      {"a setter shows an error box", select_part1,
       [](TFormDocument& d) { d.SetPropertyValue("Level", "11"); }, "Part1", "TPropertyEditor",
       "Level must be 10 or less"},
      {"a text the type cannot hold", select_part1,
       [](TFormDocument& d) { d.SetPropertyValue("Limit", "x"); }, "Part1", "TPropertyEditor",
       nullptr},
      {"a name taken", select_part1, [](TFormDocument& d) { d.SetPropertyValue("Name", "Part2"); },
       "Part1", "", "A component named Part2 already exists"},
      {"a verb raises after a change", select_part1,
       [](TFormDocument& d) { d.ExecuteVerb("Part1", 1); }, "Part1", "TPartEditor",
       "the verb broke down"},
      {"a dialog raises after a change", mask_fail,
       [](TFormDocument& d) { d.EditProperty("Mask"); }, "Part1", "TPartMaskProperty",
       "the dialog failed"},
      {"a value list raises", mask_fail, [](TFormDocument& d) { d.PropertyValues("Alias"); },
       "Part1", "TPartAliasProperty", "no aliases today"},
      {"a constructor raises", select_part1,
       [](TFormDocument& d) { d.Place(FindClass("TBrokenPart"), 1, 1); }, "BrokenPart1",
       "constructor", "TBrokenPart cannot be made"},
      {"several selected, one refuses",
       [](TFormDocument& d) {
         d.Select({"Part1", "Part2"});
         d.SetPropertyValue("Alias", "X");
         d.Select({"Part1"});
       },
       [](TFormDocument& d) { d.SetPropertyValue("Level", "12"); }, "Part1", "TPropertyEditor",
       "Level must be 10 or less"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    doc_.LoadFromString(kModule);
    f.setup(doc_);
    const std::string before = doc_.Text();
    const bool could_undo = doc_.CanUndo();
    try {
      f.run(doc_);
      ADD_FAILURE() << "no error";
    } catch (const EDesignError& e) {
      EXPECT_EQ(e.Component(), f.component);
      EXPECT_EQ(e.EditorClass(), f.editor);
      if (f.reason) {
        EXPECT_EQ(e.Reason(), f.reason);
      }
      EXPECT_NE(std::string(e.what()).find(f.component), std::string::npos);
    }
    EXPECT_EQ(doc_.Text(), before);
    EXPECT_EQ(SaveFormToString(doc_.Root()), before);  // the live form too, not only the text
    EXPECT_EQ(doc_.CanUndo(), could_undo);
    EXPECT_FALSE(doc_.Find("BrokenPart1"));
  }
  EXPECT_EQ(Prop("Part1", "Level"), "0");
  EXPECT_EQ(boxes_.Transcript(), "");  // refused values never reached the screen
}

TEST_F(DesignModelTest, PreviewAsksTheSelectedComponentsProviderAndShowsItsError) {
  class TLimitPreview : public TPreviewProvider {
   public:
    const char* ClassName() const override { return "TLimitPreview"; }
    std::string Preview(TComponent& c) override {
      if (GetPropText(c, "Mask") == "fail") throw Exception("the table is gone");
      if (GetPropText(c, "Mask") == "odd") throw 42;
      return c.Name() + " stops at " + GetPropText(c, "Limit") + "\n";
    }
  };
  constexpr int kOwnRegistrations = 1000;  // a package id no loaded package has
  SetRegisteringPackage(kOwnRegistrations);
  RegisterPreviewProvider(&FindClass("TPart"), PreviewProviderClass<TLimitPreview>());
  SetRegisteringPackage(0);
  struct Case {
    std::vector<std::string> selection;
    const char* mask;  // set into the selection first, unless null
    std::string text;
  };
  const Case cases[] = {
      {{"Part1"}, nullptr, "Part1 stops at 3\n"},
      {{"Part1", "Part2"}, nullptr, "Select one component to see its preview."},
      {{}, nullptr, "Select one component to see its preview."},
      {{"Stamp1"}, nullptr, "No preview for TStamp."},
      {{"Part2"}, "fail", "No preview: the table is gone (TLimitPreview)"},
      {{"Part2"}, "odd", "No preview: an unknown error (TLimitPreview)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    doc_.Select(c.selection);
    if (c.mask) doc_.SetPropertyValue("Mask", c.mask);
    const std::string before = doc_.Text();
    std::string text;
    EXPECT_NO_THROW(text = doc_.PreviewText());
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(doc_.Text(), before);
  }
  UnregisterPackage(kOwnRegistrations);
  doc_.Select({"Part1"});
  EXPECT_EQ(doc_.PreviewText(), "No preview for TPart.");
}

TEST_F(DesignModelTest, AVerbThatChangesNothingIsNoStep) {
  doc_.ExecuteVerb("Part1", 2);  // "&Nothing" tells the designer, but nothing stored changed
  EXPECT_EQ(doc_.ModifiedCalls(), 1);
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_FALSE(doc_.CanUndo());
  EXPECT_EQ(doc_.Verbs("Part1"), (std::vector<std::string>{"&Grow", "&Break", "&Nothing"}));
  EXPECT_TRUE(doc_.Verbs("Mod").empty());
  EXPECT_THROW(doc_.ExecuteVerb("Part1", 3), EDesignError);
  EXPECT_THROW(doc_.ExecuteVerb("Nobody", 0), Exception);
}

TEST_F(DesignModelTest, AFileThatFailsToLoadLeavesTheOpenOneAlone) {
  doc_.Select({"Part1"});
  doc_.SetPropertyValue("Limit", "8");
  const std::string text = doc_.Text();
  EXPECT_THROW(doc_.LoadFromString("object X: TDataModule\n  object P: TNoSuchPart\n  end\nend\n"),
               EReadError);
  EXPECT_THROW(doc_.LoadFromString(" \n"), EReadError);
  EXPECT_EQ(doc_.Text(), text);
  EXPECT_EQ(Prop("Part1", "Limit"), "8");
  EXPECT_TRUE(doc_.CanUndo());
}

TEST_F(DesignModelTest, EventsAreShownButNotEdited) {
  RegisterClass<TGenerator>();
  const std::string text =
      "object M: TDataModule\n  object G: TGenerator\n    Mask = 'A#'\n  end\nend\n";
  TFormDocument doc;
  doc.LoadFromString(text);
  doc.Select({"G"});
  bool shown = false;
  for (const TInspectedProperty& p : doc.InspectedProperties())
    if (p.name == "GetUserPrefixes") {
      shown = true;
      EXPECT_TRUE(p.read_only);
      EXPECT_EQ(p.value, "");
    }
  EXPECT_TRUE(shown);
  try {
    doc.SetPropertyValue("GetUserPrefixes", "GPrefixes");
    FAIL();
  } catch (const EDesignError& e) {
    EXPECT_EQ(e.Reason(),
              "Event GetUserPrefixes names a method of the form's code; the designer does not "
              "write code");
  }
  EXPECT_EQ(doc.Text(), text);
}

// A form: its controls sit at their published Left and Top, and moving them
// edits those (the form's own position is not the surface's business).
TEST_F(DesignModelTest, FormControlsMoveByTheirLeftAndTop) {
  const std::string form =
      "object OrderForm: TForm\n"
      "  Caption = 'New order'\n"
      "  object KeyEdit: TEdit\n"
      "    Left = 96\n"
      "    Top = 16\n"
      "    Width = 160\n"
      "    Height = 21\n"
      "  end\n"
      "end\n";
  TFormDocument doc;
  doc.LoadFromString(form);
  TComponent* edit = doc.Get("KeyEdit");
  EXPECT_TRUE(TFormDocument::IsControl(edit));
  EXPECT_EQ(doc.Position(edit).x, 96);
  EXPECT_EQ(doc.Position(edit).y, 16);
  doc.Move({"KeyEdit"}, -6, 4);
  EXPECT_EQ(GetPropText(*doc.Get("KeyEdit"), "Left"), "90");
  EXPECT_EQ(GetPropText(*doc.Get("KeyEdit"), "Top"), "20");
  EXPECT_FALSE(
      doc.Get("KeyEdit")->HasDesignPosition());  // no Left/Top entries besides the properties
  EXPECT_EQ(doc.UndoLabel(), "Move KeyEdit");
  doc.Undo();
  EXPECT_EQ(doc.Text(), form);
  EXPECT_EQ(GetPropText(*doc.Get("KeyEdit"), "Left"), "96");
}

}  // namespace
}  // namespace orv
