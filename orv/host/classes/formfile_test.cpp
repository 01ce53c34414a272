#include <orv/host/classes/formfile.h>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <orv/host/classes/reader.h>
#include <orv/host/classes/testing/samples.h>
#include <orv/host/classes/writer.h>

namespace orv {
namespace {

using testing::RegisterSamples;
using testing::TPresetModule;
using testing::TSampleItem;
using testing::TSampleModule;

class FormFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSamples();
    testing::sample_log = &log;
  }
  void TearDown() override { testing::sample_log = nullptr; }

  template <class T = TComponent>
  TComponentPtr<T> Load(const std::string& text) {
    TComponent* root = LoadFormFromString(text);
    T* typed = dynamic_cast<T*>(root);
    if (!typed) {
      root->Free();
      ADD_FAILURE() << "root is a " << root->ClassName();
      return nullptr;
    }
    return TComponentPtr<T>(typed);
  }

  std::vector<std::string> log;
};

// Every published property (as text) and defined entry of every component a
// root holds, root first, in order: what "equal components" means here.
std::vector<std::string> Snapshot(TComponent* root) {
  std::vector<std::string> out;
  auto add = [&](TComponent* c) {
    out.push_back(c->Name() + ": " + c->ClassName());
    for (const TPropInfo* p : ClassInfoOf(*c).Properties())
      out.push_back("  " + p->name + " = " + GetPropText(*c, p->name, root));
    if (auto* item = dynamic_cast<TSampleItem*>(c))
      out.push_back("  Store = " + item->store + ", Weight = " + std::to_string(item->weight));
  };
  add(root);
  for (int i = 0; i < root->ComponentCount(); ++i) add(root->Components(i));
  return out;
}

const char kCanonical[] =
    "object Mod: TSampleModule\n"
    "  object A: TSampleItem\n"
    "    Caption = 'It''s'#200#13#10\n"
    "    Limit = '0001'\n"
    "    Ratio = 2.5\n"
    "    Active = True\n"
    "    Sep = ';'\n"
    "    Shade = shDeep\n"
    "    Shades = [shLight, shDeep]\n"
    "    Lines = (\n"
    "      'x'\n"
    "      'y')\n"
    "    Peer = B\n"
    "    OnChange = ItemChange\n"
    "    Store = 'main'\n"
    "    Weight = 7\n"
    "  end\n"
    "  object B: TSampleItem\n"
    "    Store = 'main'\n"
    "  end\n"
    "end\n";

TEST_F(FormFileTest, WritesStoredPropertiesThenEntriesThenOwnedComponents) {
  TComponentPtr<TSampleModule> mod(new TSampleModule(nullptr));
  mod->SetName("Mod");
  auto* a = new TSampleItem(mod.get());
  a->SetName("A");
  auto* b = new TSampleItem(mod.get());
  b->SetName("B");
  a->SetCaption("It's\xC8\r\n");
  a->SetLimit("0001");
  a->SetCount(0);  // the default: not written
  a->SetRatio(2.5);
  a->SetActive(true);
  a->SetSep(';');
  a->SetShade(testing::shDeep);
  a->SetShades({testing::shLight, testing::shDeep});
  a->Lines()->Add("x");
  a->Lines()->Add("y");
  a->SetPeer(b);
  a->OnChange = TNotifyEvent(mod.get(), &TSampleModule::ItemChange);
  a->OnPrefix =
      TGenProcEvent::FromCallable([](TObject*, TmString&) {});  // no published method: not written
  a->weight = 7;
  b->SetLimit("0002");  // stored only with a caption
  b->OnChange = TNotifyEvent(mod.get(), &TSampleModule::NotPublished);
  EXPECT_EQ(SaveFormToString(mod.get()), kCanonical);
  EXPECT_FALSE(a->Has(csWriting));
}

TEST_F(FormFileTest, ReadingSetsPropertiesInFileOrderThenReferencesThenLoaded) {
  auto mod = Load<TSampleModule>(
      "object Mod: TSampleModule\n"
      "  object A: TSampleItem\n"
      "    Caption = 'first'\n"
      "    Peer = B\n"
      "    Count = 3\n"
      "    Store = 'side'\n"
      "    Weight = 7\n"
      "  end\n"
      "  object B: TSampleItem\n"
      "    Peer = A\n"
      "    Limit = '0999'\n"
      "  end\n"
      "end\n");
  // L = csLoading, R = csReading at the time of the call.
  EXPECT_EQ(log, (std::vector<std::string>{"A.SetCaption LR", "A.SetCount LR", "A.ReadStore LR",
                                           "A.ReadWeight LR", "B.SetLimit LR", "A.SetPeer L",
                                           "B.SetPeer L", "A.Loaded peer=B", "B.Loaded peer=A"}));
  auto* a = dynamic_cast<TSampleItem*>(mod->FindComponent("A"));
  auto* b = dynamic_cast<TSampleItem*>(mod->FindComponent("B"));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Owner(), mod.get());
  EXPECT_EQ(a->store, "side");
  EXPECT_EQ(b->store, "main");
  EXPECT_EQ(a->weight, 7);
  EXPECT_EQ(b->Limit(), TmString("0999"));
  for (TComponent* c : {static_cast<TComponent*>(mod.get()), static_cast<TComponent*>(a)})
    EXPECT_EQ(c->ComponentState() & (csLoading | csReading), 0u);
  // The references watch their targets.
  b->Free();
  EXPECT_EQ(a->Peer(), nullptr);
}

TEST_F(FormFileTest, EventsBindToTheRootsPublishedMethods) {
  auto mod = Load<TSampleModule>(
      "object Mod: TSampleModule\n"
      "  object A: TSampleItem\n"
      "    OnChange = ItemChange\n"
      "    OnPrefix = itemprefix\n"
      "  end\n"
      "end\n");
  auto* a = dynamic_cast<TSampleItem*>(mod->FindComponent("A"));
  ASSERT_TRUE(a->OnChange.Assigned());
  EXPECT_EQ(a->OnChange, TNotifyEvent(mod.get(), &TSampleModule::ItemChange));
  a->OnChange(a);
  EXPECT_EQ(mod->changes, 1);
  TmString prefix;
  a->OnPrefix(a, prefix);
  EXPECT_EQ(prefix, TmString("P-Mod"));
  EXPECT_EQ(GetPropText(*a, "OnPrefix"), "ItemPrefix");
  a->OnChange = nullptr;
  EXPECT_EQ(GetPropText(*a, "OnChange"), "");
  EXPECT_EQ(SaveFormToString(mod.get()).find("OnChange"), std::string::npos);
}

TEST_F(FormFileTest, ReadWriteReadGivesEqualComponents) {
  // Legend: a form text; reading it, writing it and reading that again must
  // give components equal to the first read, and the second write the same text.
  const char* const texts[] = {
      kCanonical,
      // Other spellings: hex, '+' continuation, #$hh codes, blank lines, lower-case words.
      "OBJECT Mod: TSampleModule\r\n"
      "  object A: TSampleItem\n\n"
      "    Caption = 'a' +\n     'b'#$41#9'c'\n"
      "    Count = $7FFFFFFF\n"
      "    Ratio = -1.5E-3\n"
      "    Active = false\n"
      "    Sep = #39\n"
      "    Shades = []\n"
      "    Lines = ()\n"
      "    Peer = Mod.A\n"
      "  End\n"
      "end",
      // Integral floats too big for an integer.
      "object Mod: TSampleModule\n  object A: TSampleItem\n    Ratio = "
      "-177777777777777777777777.5E-3\n"
      "  end\n  object B: TSampleItem\n    Ratio = 1E300\n  end\nend\n",
      // A long text with every byte value.
      nullptr,
  };
  std::string all_bytes = "object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = ";
  for (int i = 1; i < 256; ++i) all_bytes += '#' + std::to_string(i) + (i % 50 == 0 ? " +\n" : "");
  all_bytes += "'" + std::string(300, 'q') + "'\n    Lines = (\n '' 'x' + 'y')\n  end\nend\n";
  for (const char* text : texts) {
    const std::string first_text = text ? text : all_bytes;
    auto first = Load(first_text);
    const std::string written = SaveFormToString(first.get());
    for (unsigned char ch : written) EXPECT_TRUE(ch < 128) << "written files stay ASCII";
    first.reset();  // the second read reuses the names
    log.clear();
    auto second = Load(written);
    EXPECT_EQ(SaveFormToString(second.get()), written);
    auto third = Load(first_text);
    EXPECT_EQ(Snapshot(third.get()), Snapshot(second.get())) << first_text;
  }
}

TEST_F(FormFileTest, QuoteStringKeepsFilesAscii) {
  // Legend: text, how the writer spells it (continuation indent 4).
  const struct {
    std::string text;
    std::string spelled;
  } cases[] = {
      {"", "''"},
      {"abc", "'abc'"},
      {"'", "''''"},
      {"\xC0\xFF", "#192#255"},
      {"a\tb", "'a'#9'b'"},
      {std::string(70, 'z'), "'" + std::string(64, 'z') + "' +\n    '" + std::string(6, 'z') + "'"},
      {std::string("\x7F"), "#127"},
  };
  for (const auto& c : cases) EXPECT_EQ(TWriter::QuoteString(c.text, 4), c.spelled);
}

TEST_F(FormFileTest, MalformedFilesRaiseNamingLineAndExpectation) {
  // Legend: form text, the exact message it raises.
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Line 1: expected 'object' but found end of file"},
      {"object Mod: TNoSuch\nend\n", "Line 1: unknown class TNoSuch (expected a registered class)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Colour = 3\n  end\nend\n",
       "Line 3: unknown property Colour of TSampleItem (expected a published property)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Count = 'x'\n  end\nend\n",
       "Line 3: Invalid value for property Count (expected an integer)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Count = 4294967296\n  end\nend\n",
       "Line 3: Invalid value for property Count (expected a value in range)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Shade = shPale\n  end\nend\n",
       "Line 3: Invalid value for property Shade (expected an identifier of its type)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Shades = [shDark, shPale]\n  "
       "end\nend\n",
       "Line 3: Invalid value for property Shades (expected members of its type)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Sep = 'ab'\n  end\nend\n",
       "Line 3: Invalid value for property Sep (expected one character)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = 'abc\n  end\nend\n",
       "Line 3: unterminated string (expected ' before the end of the line)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = #256\n  end\nend\n",
       "Line 3: bad character code (expected # and a number from 0 to 255)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = 'a' +\n  end\nend\n",
       "Line 4: expected a string after '+' but found 'end'"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = 'a'\n",
       "Line 4: expected a property, 'object' or 'end' but found end of file"},
      {"object Mod:", "Line 1: expected a class name but found end of file"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Caption =",
       "Line 3: expected a value but found end of file"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Lines = ('a' 3)\n  end\nend\n",
       "Line 3: expected a string or ')' but found 3"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Count 3\n  end\nend\n",
       "Line 3: expected '=' but found 3"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Count = ?\n  end\nend\n",
       "Line 3: expected a value but found character #63"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Peer = Ghost\n  end\nend\n",
       "Line 3: Invalid value for property Peer (expected the name of a component, found Ghost)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Peer = Mod\n  end\nend\n",
       "Line 3: Invalid value for property Peer (expected a component of a fitting class)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    OnChange = Ghost\n  end\nend\n",
       "Line 3: Invalid value for property OnChange (expected the name of a published method of "
       "TSampleModule)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    OnChange = ItemPrefix\n  "
       "end\nend\n",
       "Line 3: Invalid value for property OnChange (expected a method of a fitting type)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Store = 5\n  end\nend\n",
       "Line 3: Invalid value for entry Store (expected a string)"},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n  end\n  object A: TSampleItem\n  "
       "end\nend\n",
       "Line 4: A component named A already exists"},
      {"object Mod: TSampleModule\n  object 1A: TSampleItem\n  end\nend\n",
       "Line 2: expected a component name but found 1"},
      {"object Mod: TSampleModule\nend\nend\n", "Line 3: expected end of file but found 'end'"},
      {"object Mod: TSampleModule\n  object A: TObject\n  end\nend\n",
       "Line 2: unknown class TObject (expected a registered class)"},
  };
  for (const auto& c : cases) {
    try {
      TComponent* root = LoadFormFromString(c.text);
      root->Free();
      ADD_FAILURE() << c.text;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.text;
    }
  }
}

TEST_F(FormFileTest, NestingDeeperThanTheLimitIsRefused) {
  std::string text = "object Mod: TSampleModule\n";
  for (int i = 0; i <= TReader::kMaxDepth; ++i)
    text += "object I" + std::to_string(i) + ": TSampleItem\n";
  try {
    LoadFormFromString(text)->Free();
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Line 34: objects nested deeper than 32 levels (expected 'end')");
  }
}

TEST_F(FormFileTest, AComponentsOwnErrorReachesTheCallerUnchanged) {
  try {
    LoadFormFromString(
        "object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = 'boom'\n  end\nend\n")
        ->Free();
    ADD_FAILURE();
  } catch (const EReadError& e) {
    ADD_FAILURE() << e.Message();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Caption may not be boom");
  }
}

TEST_F(FormFileTest, ReadingIntoAnExistingRootReusesWhatItMade) {
  TComponentPtr<TPresetModule> mod(new TPresetModule(nullptr));
  TSampleItem* main = mod->main;
  ReadFormFromString(mod.get(),
                     "object Pre: TPresetModule\n"
                     "  object Main: TSampleItem\n    Count = 9\n  end\n"
                     "  object Extra: TSampleItem\n    Peer = Main\n  end\n"
                     "end\n");
  EXPECT_EQ(mod->Name(), "Pre");
  EXPECT_EQ(mod->ComponentCount(), 2);
  EXPECT_EQ(mod->FindComponent("Main"), main);
  EXPECT_EQ(main->Count(), 9);
  // A failed read frees what it made and leaves the rest.
  EXPECT_THROW(ReadFormFromString(mod.get(),
                                  "object Pre: TPresetModule\n  object New: TSampleItem\n  end\n"
                                  "  object Main: TSampleItem\n    Count = x\n  end\nend\n"),
               EReadError);
  EXPECT_EQ(mod->ComponentCount(), 2);
  EXPECT_EQ(mod->FindComponent("New"), nullptr);
  EXPECT_FALSE(main->Has(csLoading));
  try {
    ReadFormFromString(mod.get(), "object Pre: TSampleModule\nend\n");
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Line 1: found class TSampleModule (expected TPresetModule)");
  }
}

TEST_F(FormFileTest, ANestedPartOfAModuleKeepsItsOwnerThroughARoundTrip) {
  // The module Pre made its own Main; the root has another Main. Written,
  // Pre's Main is nested in Pre, and reading it back must find it there
  // rather than make a second Main in the root.
  TComponentPtr<TComponent> root(
      LoadFormFromString("object Mod: TSampleModule\n"
                         "  object Pre: TPresetModule\n  end\n"
                         "  object Main: TSampleItem\n    Count = 2\n  end\n"
                         "end\n"));
  const std::string written = SaveFormToString(root.get());
  TComponentPtr<TComponent> again(LoadFormFromString(written));
  EXPECT_EQ(SaveFormToString(again.get()), written);
  auto* pre = dynamic_cast<TPresetModule*>(again->FindComponent("Pre"));
  ASSERT_NE(pre, nullptr);
  EXPECT_EQ(pre->FindComponent("Main"), pre->main);
  auto* main = dynamic_cast<TSampleItem*>(again->FindComponent("Main"));
  ASSERT_NE(main, nullptr);
  EXPECT_NE(main, pre->main);
  EXPECT_EQ(main->Count(), 2);
}

TEST_F(FormFileTest, ADesignedRootReadsDesignedComponents) {
  TComponentPtr<TSampleModule> mod(new TSampleModule(nullptr));
  mod->SetState(csDesigning, true);
  ReadFormFromString(
      mod.get(), "object Mod: TSampleModule\n  object A: TSampleItem\n    Count = 1\n  end\nend\n");
  // L = csLoading, R = csReading, D = csDesigning: designed from before its first property.
  EXPECT_EQ(log, (std::vector<std::string>{"A.SetCount LRD", "A.Loaded peer=none"}));
  EXPECT_TRUE(mod->Components(0)->Has(csDesigning));
}

TEST_F(FormFileTest, ReferencesReachIntoAnotherLiveModule) {
  auto data = Load("object Data: TSampleModule\n  object Src: TSampleItem\n  end\nend\n");
  auto form = Load(
      "object Form: TSampleModule\n  object User: TSampleItem\n    Peer = Data.Src\n  end\nend\n");
  auto* user = dynamic_cast<TSampleItem*>(form->FindComponent("User"));
  EXPECT_EQ(user->Peer(), data->FindComponent("Src"));
  EXPECT_NE(SaveFormToString(form.get()).find("    Peer = Data.Src\n"), std::string::npos);
  data.reset();  // the free notification clears the reference
  EXPECT_EQ(user->Peer(), nullptr);
}

TEST_F(FormFileTest, FilesSaveAndLoad) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orv-formfile-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "mod.ofm").string();
  {
    auto mod = Load(kCanonical);
    SaveFormToFile(mod.get(), path);
  }
  auto again = LoadFormFromFile(path);
  EXPECT_EQ(SaveFormToString(again), kCanonical);
  again->Free();
  try {
    LoadFormFromFile((dir / "missing.ofm").string());
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + (dir / "missing.ofm").string());
  }
  std::filesystem::remove_all(dir);
}

// A file's bytes are UTF-8 when they are UTF-8, else code page 1251; what
// 1251 cannot hold is refused, naming the line. What the writer writes from
// it reads back the same.
TEST_F(FormFileTest, FileTextIsReadAsWhatItsBytesAre) {
  const struct {
    std::string caption_bytes;  // Caption = '...' as it stands in the file
    std::string caption;        // what A's Caption reads (1251), or the error
  } cases[] = {
      {"\xD0\x97\xD0\x90\xD0\x9A-###", "\xC7\xC0\xCA-###"},  // UTF-8 "ЗАК-###"
      {"\xC7\xC0\xCA-###", "\xC7\xC0\xCA-###"},              // the same in 1251
      {"\xE2\x82\xAC \xC2\xA0", "\x88 \xA0"},                // UTF-8 of 1251's upper half
      {"\xE4\xB8\xAD", "Line 3: Character U+4E2D cannot be written in code page 1251"},
  };
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orv-formtext-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "mod.ofm").string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
      std::ofstream(path, std::ios::binary)
          << mark << "object Mod: TSampleModule\n  object A: TSampleItem\n    Caption = '"
          << c.caption_bytes << "'\n  end\nend\n";
      if (mark.size() && c.caption_bytes[0] == '\xC7') {  // marked UTF-8, but not UTF-8
        EXPECT_THROW(LoadFormFromFile(path), EReadError);
        continue;
      }
      try {
        TComponentPtr<TComponent> mod(LoadFormFromFile(path));
        const auto* a = dynamic_cast<TSampleItem*>(mod->FindComponent("A"));
        EXPECT_EQ(a->Caption(), c.caption);
        SaveFormToFile(mod.get(), path);
        TComponentPtr<TComponent> again(LoadFormFromFile(path));
        EXPECT_EQ(SaveFormToString(again.get()), SaveFormToString(mod.get()));
      } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), c.caption);
      }
    }
  }
  std::filesystem::remove_all(dir);
}

// Past a file size limit a save fails, and the old file stays byte for byte.
TEST_F(FormFileTest, AFailedSaveLeavesTheOldFileAsItWas) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orv-formsave-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "mod.ofm").string();
  std::ofstream(path, std::ios::binary) << kCanonical;
  auto mod = Load(kCanonical);
  dynamic_cast<TSampleItem*>(mod->FindComponent("A"))->SetCaption(std::string(20000, 'x'));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  try {
    SaveFormToFile(mod.get(), path);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot write file " + path + ": File too large");
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kCanonical);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no leftovers
  std::filesystem::remove_all(dir);
}

TEST_F(FormFileTest, DesignPositionsOfComponentsAreLeftAndTopEntries) {
  // Legend: form text -> what writing it back gives (the same text when null).
  const struct {
    const char* text;
    const char* written;
  } cases[] = {
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Left = 48\n    Top = 8\n    Store "
       "= ''\n  end\nend\n",
       nullptr},
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Store = ''\n  end\nend\n",
       nullptr},  // none given: none written
      {"object Mod: TSampleModule\n  object A: TSampleItem\n    Top = 0\n  end\nend\n",
       "object Mod: TSampleModule\n  object A: TSampleItem\n    Left = 0\n    Top = 0\n    Store = "
       "'main'\n  end\nend\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TComponentPtr<TComponent> mod(LoadFormFromString(c.text));
    EXPECT_EQ(SaveFormToString(mod.get()), c.written ? c.written : c.text);
  }
  TComponentPtr<TComponent> mod(LoadFormFromString(cases[0].text));
  TComponent* a = mod->FindComponent("A");
  ASSERT_TRUE(a && a->HasDesignPosition());
  EXPECT_EQ(a->DesignLeft(), 48);
  EXPECT_EQ(a->DesignTop(), 8);
  try {
    LoadFormFromString(
        "object Mod: TSampleModule\n  object A: TSampleItem\n    Left = 'x'\n  end\nend\n");
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Line 3: Invalid value for entry Left (expected an integer)");
  }
}

}  // namespace
}  // namespace orv
