// orvdesign --check, --info and --set as a script meets them: the real
// program on real form files, with real packages; stdout, stderr, the exit
// code and the file's bytes afterwards.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <orv/host/db/testing/spawned_child.h>

namespace orv {
namespace {

using orv::testing::ChildResult;
using orv::testing::SpawnedChild;

constexpr char kGood[] =
    "object Mod: TDataModule\n"
    "  object Part1: TPart\n"
    "    Mask = 'AB-##'\n"
    "    Limit = 3\n"
    "  end\n"
    "  object Stamp1: TStamp\n"
    "  end\n"
    "  object Plain1: TPart\n"
    "    Left = 10\n"
    "    Top = 20\n"
    "  end\n"
    "end\n";

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "/orvdesign_headless_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  ChildResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--no-default-package", "--package", ORV_TEST_PACKAGE, "--package",
                               ORV_FAULTY_PACKAGE});
    SpawnedChild child(ORVDESIGN_BINARY, args, dir_);
    return child.Wait();
  }
  std::string dir_;
};

TEST_F(HeadlessTest, CheckReportsEachProblemOfEachForm) {
  const std::string good = Write("good.ofm", kGood);
  // Legend: form text -> the line on stderr after "orvdesign: PATH: ".
  const struct {
    const char* name;
    const char* text;
    const char* problem;
  } bad[] = {
      {"syntax.ofm",
       "object Mod: TDataModule\n  object Part1: TPart\n    Limit = 'x'\n  end\nend\n",
       "Line 3: Invalid value for property Limit (expected an integer)"},
      {"class.ofm", "object Mod: TDataModule\n  object G: TNoSuchThing\n  end\nend\n",
       "Line 2: unknown class TNoSuchThing (expected a registered class)"},
      {"property.ofm",
       "object Mod: TDataModule\n  object Part1: TPart\n    Colour = 1\n  end\nend\n",
       "Line 3: unknown property Colour of TPart (expected a published property)"},
      {"raises.ofm", "object Mod: TDataModule\n  object Part1: TPart\n    Limit = -4\n  end\nend\n",
       "Limit must not be negative"},
      {"refused.ofm",
       "object Mod: TDataModule\n  object Part1: TPart\n    Level = 11\n  end\nend\n",
       "Part1 (TPart): Part: Level must be 10 or less"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.name);
    const std::string path = Write(b.name, b.text);
    const ChildResult r = Run({"--check", good, path});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, good + ": ok\n");
    EXPECT_EQ(r.err, "orvdesign: " + path + ": " + b.problem + "\n");
  }
  ChildResult r = Run({"--check", good});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = Run({"--check", dir_ + "/none.ofm"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "orvdesign: " + dir_ + "/none.ofm: Cannot open file " + dir_ + "/none.ofm\n");
  // A package that cannot be loaded is reported with its reason; the check goes on.
  SpawnedChild child(ORVDESIGN_BINARY,
                     {"--no-default-package", "--package", dir_ + "/nope.so", "--package",
                      ORV_TEST_PACKAGE, "--package", ORV_FAULTY_PACKAGE, "--check", good},
                     dir_);
  r = child.Wait();
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, good + ": ok\n");
  EXPECT_EQ(r.err.rfind("orvdesign: Cannot load package " + dir_ + "/nope.so: ", 0), 0u) << r.err;
}

TEST_F(HeadlessTest, InfoListsComponentsAndTheirVerbs) {
  const ChildResult r = Run({"--info", Write("good.ofm", kGood)});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Part1: TPart\n"
            "  verbs: &Grow | &Break | &Nothing\n"
            "Stamp1: TStamp\n"
            "  verbs: &Count up | &Reset\n"
            "Plain1: TPart\n"
            "  verbs: &Grow | &Break | &Nothing\n");
  EXPECT_EQ(r.err, "");
}

// Legend: assignments -> exit code, stderr, and the file afterwards (null:
// unchanged, byte for byte).
TEST_F(HeadlessTest, SetWritesThroughTheEditorsOrNothingAtAll) {
  const struct {
    std::vector<std::string> assignments;
    int code;
    const char* err;  // the start of stderr
    // What the file becomes: the good form with these texts replaced (none: left as it was).
    std::vector<std::pair<std::string, std::string>> edits;
  } cases[] = {
      {{"Part1.Mask=Q-#", "Part1.Limit=7", "Mod.Name=Keys"},
       0,
       "",
       {{"Mod: TDataModule", "Keys: TDataModule"},
        {"'AB-##'", "'Q-#'"},
        {"Limit = 3", "Limit = 7"}}},
      {{"Part1.Mask=Счёт-#"}, 0, "", {{"'AB-##'", "#209#247#184#242'-#'"}}},
      {{"Part1.Mask=X", "Part1.Level=11"},
       1,
       "orvdesign: FORM: Part1.Level: Part1 (TPart), TPropertyEditor: Level must be 10 or less "
       "(nothing written)\n",
       {}},
      {{"Part1.Limit=-2"},
       1,
       "orvdesign: FORM: Part1.Limit: Part1 (TPart), TPropertyEditor: Limit must not be negative",
       {}},
      {{"Ghost.Mask=X"}, 1, "orvdesign: FORM: Ghost.Mask: No component named Ghost", {}},
      {{"Part1.Colour=1"},
       1,
       "orvdesign: FORM: Part1.Colour: Part1 (TPart): Property Colour does not exist",
       {}},
      {{"Part1.Mask"}, 2, "orvdesign: expected NAME.PROPERTY=VALUE, found 'Part1.Mask'", {}},
      {{"Mask=X"}, 2, "orvdesign: expected NAME.PROPERTY=VALUE", {}},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const auto& a : c.assignments) trace += a + " ";
    SCOPED_TRACE(trace);
    const std::string path = Write("set.ofm", kGood);
    std::vector<std::string> args{"--set", path};
    args.insert(args.end(), c.assignments.begin(), c.assignments.end());
    const ChildResult r = Run(args);
    EXPECT_EQ(r.exit_code, c.code) << r.err;
    std::string err = c.err;
    if (const auto at = err.find("FORM"); at != std::string::npos) err.replace(at, 4, path);
    EXPECT_EQ(r.err.substr(0, err.size()), err);
    std::string file = kGood;
    for (const auto& [from, to] : c.edits) {
      const auto at = file.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      file.replace(at, from.size(), to);
    }
    EXPECT_EQ(Read(path), file);
    EXPECT_EQ(r.out, "");
  }
}

// A form file as today's editors write it (UTF-8) keeps its text through
// --set; one holding what 1251 cannot is refused, naming the line; and a save
// that fails leaves the file as it was.
TEST_F(HeadlessTest, SetReadsUtf8AndWritesWholeOrNotAtAll) {
  std::string utf8 = kGood;
  utf8.replace(utf8.find("AB-##"), 5, "\xD0\x97\xD0\x90\xD0\x9A-##");  // ЗАК-##
  const std::string path = Write("utf8.ofm", utf8);
  ChildResult r = Run({"--set", path, "Part1.Limit=7"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string expected = kGood;
  expected.replace(expected.find("'AB-##'"), 7, "#199#192#202'-##'");
  expected.replace(expected.find("Limit = 3"), 9, "Limit = 7");
  EXPECT_EQ(Read(path), expected);

  std::string wide = kGood;
  wide.replace(wide.find("AB-##"), 5, "\xE4\xB8\xAD-##");  // U+4E2D
  const std::string refused = Write("wide.ofm", wide);
  r = Run({"--check", refused});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "orvdesign: " + refused +
                       ": Line 3: Character U+4E2D cannot be written in code page 1251\n");

  std::string big = kGood;
  big.replace(big.find("AB-##"), 5, std::string(6000, 'Q'));
  const std::string full = Write("full.ofm", big);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;  // the child inherits the limit: a disk that fills at 4 KiB
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  r = Run({"--set", full, "Part1.Limit=7"});
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "orvdesign: Cannot write file " + full + ": File too large\n");
  EXPECT_EQ(Read(full), big);
}

#ifdef ORV_HAVE_GENPKG
// The default package, as a newcomer's designer loads it: orvgenpkg's
// generator and stamper, their verbs, and the generator's own checks.
TEST_F(HeadlessTest, TheDefaultPackageGivesGeneratorsAndStampers) {
  const std::string keys =
      "object Keys: TDataModule\n"
      "  object Orders: TGenerator\n"
      "    Mask = 'ORD-###'\n"
      "    StartValue = '100'\n"
      "    EndValue = '999'\n"
      "    DataBaseName = 'tGenAlias'\n"
      "    TableName = 'GENTBL.DB'\n"
      "  end\n"
      "  object Stamper: TUniKEY\n"
      "    DataField = 'OKEY'\n"
      "  end\n"
      "end\n";
  auto run = [&](std::vector<std::string> args) {
    SpawnedChild child(ORVDESIGN_BINARY, args, dir_);
    return child.Wait();
  };
  const std::string path = Write("keys.ofm", keys);
  ChildResult r = run({"--info", path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Orders: TGenerator\n  verbs: Edit &Mask | Setup  &DB | &About\nStamper: TUniKEY\n");
  EXPECT_EQ(r.err, "");
  r = run({"--check", path});
  EXPECT_EQ(r.exit_code, 0) << r.err;

  std::string swapped = keys;
  swapped.replace(swapped.find("'999'"), 5, "'050'");
  const std::string bad = Write("swapped.ofm", swapped);
  r = run({"--check", bad});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "orvdesign: " + bad +
                       ": Orders (TGenerator): Generator Information: EndValue must be greater "
                       "than StartValue\n");

  r = run({"--set", path, "Orders.Mask=INV-####", "Orders.Mask=AB[1"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "orvdesign: " + path +
                       ": Orders.Mask: Orders (TGenerator), TMaskPropertyEditor: Missing ] symbol "
                       "in Mask! (nothing written)\n");
  EXPECT_EQ(Read(path), keys);
  // Each value fits alone, but the start value no longer fits the new mask.
  r = run({"--set", path, "Orders.Mask=[AB]##"});
  EXPECT_EQ(r.exit_code, 1);
  const std::string refusal = "orvdesign: " + path + ": Orders (TGenerator): TGenMask: ";
  EXPECT_EQ(r.err, refusal + "1is not in the set! (nothing written)\n" + refusal +
                       "9is not in the set! (nothing written)\n");
  EXPECT_EQ(Read(path), keys);
  r = run({"--set", path, "Orders.Mask=INV-####", "Orders.StartValue=0001", "Orders.EndValue=0999",
           "Stamper.DataField=KEY2"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::string expected = keys;
  for (auto [from, to] : {std::pair<std::string, std::string>{"ORD-###", "INV-####"},
                          {"'100'", "'0001'"},
                          {"'999'", "'0999'"},
                          {"OKEY", "KEY2"}})
    expected.replace(expected.find(from), from.size(), to);
  EXPECT_EQ(Read(path), expected);

  // The sample data module, and a hand-spaced copy of it: a value set to
  // what it already is changes nothing, so the file keeps its own bytes.
  const std::string sample = Read(ORV_SAMPLE_FORM);
  ASSERT_FALSE(sample.empty());
  std::string spaced = sample;
  spaced.replace(spaced.find("Mask = "), 7, "Mask   =   ");
  for (const std::string& text : {sample, spaced}) {
    const std::string copy = Write("sample.ofm", text);
    r = run({"--set", copy, "Orders.Mask=ORD-####"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(Read(copy), text);
    r = run({"--check", copy});
    EXPECT_EQ(r.exit_code, 0) << r.err;
  }
}

// The sample module, wired as a program runs it, through the default packages:
// what the inspector's lists and the Setup DB dialog set, --set sets too, and
// refuses the rest.
TEST_F(HeadlessTest, TheSampleModuleIsWiredAndSetLikeTheInspectorSetsIt) {
  auto run = [&](std::vector<std::string> args) {
    SpawnedChild child(ORVDESIGN_BINARY, args, dir_);
    return child.Wait();
  };
  const std::string sample = Read(ORV_SAMPLE_FORM);
  const std::string path = Write("keys.ofm", sample);
  ChildResult r = run({"--check", path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = run({"--info", "--values", path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(
      r.out.find("  GeneratorType = 1\n  DataBaseName = tGenAlias\n  TableName = GENTBL.DB\n"),
      std::string::npos)
      << r.out;
  const std::string tail =
      "OrdersSource: TDataSource\n  DataSet = OrdersTable\n  Enabled = True\n"
      "Stamper: TUniKEY\n  DataSource = OrdersSource\n  DataField = OKEY\n";
  EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), tail.size())), tail);

  const struct {
    std::vector<std::string> assignments;
    int code;
    std::string err;                                         // the end of stderr
    std::vector<std::pair<std::string, std::string>> edits;  // what the file becomes
  } cases[] = {
      {{"Orders.DataBaseName=Office", "Orders.TableName=KEYS.DB"},
       0,
       "",
       {{"'tGenAlias'", "'Office'"}, {"'GENTBL.DB'", "'KEYS.DB'"}}},
      {{"Stamper.DataSource=(none)"}, 0, "", {{"    DataSource = OrdersSource\n", ""}}},
      {{"Stamper.DataSource=OrdersTable"},
       1,
       "TComponentProperty: DataSource: OrdersTable is not a TDataSource of this form (nothing "
       "written)\n",
       {}},
      {{"OrdersSource.DataSet=Nowhere"},
       1,
       "DataSet: Nowhere is not a TDataSet of this form (nothing written)\n",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.assignments.front());
    Write("keys.ofm", sample);
    std::vector<std::string> args{"--set", path};
    args.insert(args.end(), c.assignments.begin(), c.assignments.end());
    r = run(args);
    EXPECT_EQ(r.exit_code, c.code);
    EXPECT_TRUE(r.err.size() >= c.err.size() &&
                r.err.compare(r.err.size() - c.err.size(), c.err.size(), c.err) == 0)
        << r.err;
    std::string file = sample;
    for (const auto& [from, to] : c.edits) {
      const auto at = file.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      file.replace(at, from.size(), to);
    }
    EXPECT_EQ(Read(path), file);
  }
}
#endif

TEST_F(HeadlessTest, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--check"},    {"--info"},  {"--info", "a", "b"},
      {"--set", "a"}, {"--bogus"}, {"--check", "a", "--info", "b"},
      {"--package"},
  };
  for (const auto& args : cases) {
    SpawnedChild child(ORVDESIGN_BINARY, args, dir_);
    const ChildResult r = child.Wait();
    EXPECT_EQ(r.exit_code, 2) << args[0];
    EXPECT_EQ(r.err.rfind("orvdesign: ", 0), 0u) << r.err;
  }
  SpawnedChild help(ORVDESIGN_BINARY, {"--help"}, dir_);
  const ChildResult r = help.Wait();
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("--set FORM NAME.PROPERTY=VALUE"), std::string::npos);
}

}  // namespace
}  // namespace orv
