// orvgen init, next, session and run as a person or a script meets them: the
// real binary against a test database of each engine; stdout, stderr and the
// exit code exactly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/keygen/gentable.h>
#include "tools/orvgen/testing/orvgen_test.h"

namespace orv {
namespace {

using orv::testing::AllEngineNames;
using orv::testing::ChildResult;
using orv::testing::OrvgenPath;
using orv::testing::RunOrvgen;
using orv::testing::SpawnedChild;
using orv::testing::SpawnOptions;
using orv::testing::TestDatabase;

class GeneratorCommandsTest : public orv::testing::OrvgenTest {
 protected:
  // Each test makes the generator table itself (Init), or means its absence.
  GeneratorCommandsTest() : OrvgenTest(/*init=*/false) {}

  // What a generator whose table NOPE.DB is missing shows: the fixed message and its cause.
  std::string NopeFailed() const {
    return "Error while opening generator table GENTBL.DB!\r\nCheck tGenAlias!\r\nTable does not "
           "exist: NOPE.DB "
           "(database " +
           db_->Alias() + ")\n";
  }

  void Init() {
    const ChildResult r = Run({"init"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }
};

// Legend: arguments of "orvgen next" (the database options added) -> stdout,
// stderr and exit code. The generator table exists.
struct NextCase {
  std::vector<std::string> args;
  std::string out, err;
  int code;
};

TEST_P(GeneratorCommandsTest, Next) {
  const std::string kOpenFailed = NopeFailed();
  const std::string disabled = "orvgen: the generator is disabled\n";
  const NextCase cases[] = {
      {{"--mask", "INV-####", "--start", "0001", "-n", "3"},
       "INV-0001\nINV-0002\nINV-0003\n",
       "",
       0},
      {{"--mask", "INV-####", "--start", "0001"}, "INV-0004\n", "", 0},  // the same row goes on
      {{"--mask", "INV-####", "--start", "0001", "--type", "7"}, "INV-0001\n", "", 0},
      {{"--mask", "AB@-##", "--user", "Q", "-n", "2"}, "ABQ-00\nABQ-01\n", "", 0},
      {{"--mask", "Счёт-##", "-n", "2"}, "Счёт-00\nСчёт-01\n", "", 0},
      {{"--mask", "W#", "--start", "1", "--end", "3", "-n", "4"},
       "W1\nW2\nW3\nW1\n",
       "Generator Information: Incremental part was set to startup value\n",
       0},
      // Masks that cannot give two different keys.
      {{"--mask", "ABC", "-n", "2"},
       "",
       "orvgen: The mask 'ABC' has no counting part (# $ & or a [set]), so every key would be the "
       "same\n",
       1},
      {{"--mask", "A\n#"},
       "",
       "orvgen: The mask 'A'#10'#' holds the control character #10; a key cannot hold it\n",
       1},
      {{"--mask", "R##", "--start", "09", "--end", "01"},
       "",
       "Generator Information: EndValue must be greater than StartValue\n" + disabled,
       1},
      {{"--mask", ""}, "", disabled, 1},
      {{"--mask", "AB[1"}, "", "orvgen: Missing ] symbol in Mask!\n", 1},
      {{"--mask", "T#", "--table", "NOPE.DB"}, "", kOpenFailed + disabled, 1},
      {{"--mask", "T#", "-n", "0"}, "", "", 2},
      // Keys the table cannot hold, or a stored suffix this mask cannot count
      // from (INV-#### above shares the prefix): refused, nothing written.
      {{"--mask", "M-" + std::string(21, '#'), "-n", "2"},
       "",
       "orvgen: The counting part of mask M-" + std::string(21, '#') +
           " has 21 characters, but the generator table's Suffix field holds 20\n",
       1},
      {{"--mask", "INV-##"},
       "",
       "orvgen: The generator table's row for prefix 'INV-' holds the suffix '0004', which does "
       "not fit the mask "
       "INV-## (2 counting characters); the row is left as it is\n",
       1},
      {{"--mask", "INV-####", "--start", "0001"}, "INV-0005\n", "", 0},
  };
  Init();
  for (const auto& c : cases) {
    std::vector<std::string> args{"next"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ChildResult r = Run(args);
    std::string trace;
    for (const auto& a : c.args) trace += a + " ";
    EXPECT_EQ(r.exit_code, c.code) << trace << r.err;
    EXPECT_EQ(r.out, c.out) << trace;
    if (c.code != 2) {
      EXPECT_EQ(r.err, c.err) << trace;
    }
  }
}

TEST_P(GeneratorCommandsTest, InitCreatesOnceAndRefusesABadTable) {
  ChildResult r = Run({"init"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = Run({"init"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");

  auto fields = GenTableFields();
  fields[6] = TFieldDef{"Who", ftString, 18};
  fields.erase(fields.begin() + 4);  // no Try
  TComponentPtr<TTable> bad = orv::testing::TableOf(db_->Alias(), "BAD.DB");
  bad->CreateTable(fields, {});
  r = Run({"init", "--table", "BAD.DB"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "orvgen: the table BAD.DB in " + db_->Alias() +
                       " exists but is no generator table:\n"
                       "  field 'Try' is missing\n"
                       "  field 'Who' holds 18 characters, not 17\n");

  // A name the engine uses for its own files or tables is never one of ours.
  if (orv::testing::Caps(GetParam()).table_files) {
    r = Run({"init", "--table", "GENTBL.DB-wal"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err,
              "orvgen: Invalid table name: GENTBL.DB-wal (SQLite's own files end in -wal)\n");
  } else {
    r = Run({"init", "--table", "pg_class"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "created pg_class in " + db_->Alias() + "\n");
  }
}

TEST_P(GeneratorCommandsTest, SessionAnswersOneLineARequest) {
  Init();
  const ChildResult r =
      Run({"session", "--mask", "K#"}, "next\nnext\n undo \nbogus\n\nnext\nquit\nnext\n");
  EXPECT_EQ(r.exit_code, 1);  // the bogus request
  EXPECT_EQ(r.out, "K0\nK1\nK0\n\nK1\n");
  EXPECT_EQ(r.err, "orvgen: unknown request 'bogus' (next, undo or quit)\n");

  // A disabled generator answers every request with an empty line, and the
  // session ends in failure, as next does.
  const ChildResult disabled =
      Run({"session", "--mask", "K#", "--table", "NOPE.DB"}, "next\nundo\n");
  EXPECT_EQ(disabled.exit_code, 1);
  EXPECT_EQ(disabled.out, "\n\n");
  EXPECT_EQ(disabled.err, NopeFailed() + "orvgen: the generator is disabled\n");
}

// Legend: arguments of "orvgen run" after the form file -> stdout, stderr
// and exit code. The form holds two generators, the first one's table missing.
TEST_P(GeneratorCommandsTest, RunDrawsKeysFromAGeneratorOfAFormFile) {
  Init();
  const std::string form = dir_ + "/keys_" + GetParam() + ".ofm";
  std::ofstream(form) << "object Keys: TDataModule\n"
                         "  object Broken: TGenerator\n"
                         "    Mask = 'B#'\n"
                         "    DataBaseName = '"
                      << db_->Alias()
                      << "'\n"
                         "    TableName = 'NOPE.DB'\n"
                         "  end\n"
                         "  object Orders: TGenerator\n"
                         "    Mask = 'ORD-###'\n"
                         "    StartValue = '100'\n"
                         "    EndValue = '999'\n"
                         "    DataBaseName = '"
                      << db_->Alias()
                      << "'\n"
                         "  end\n"
                         "end\n";
  const std::string kOpenFailed = NopeFailed();
  const std::string disabled = "orvgen: the generator is disabled\n";
  const NextCase cases[] = {
      {{"--component", "Orders", "-n", "2"}, "ORD-100\nORD-101\n", kOpenFailed, 0},
      {{"--component", "orders"}, "ORD-102\n", kOpenFailed, 0},
      {{}, "", kOpenFailed + disabled, 1},  // the first generator
      {{"--component", "Nobody"},
       "",
       kOpenFailed + ("orvgen: " + form + " holds no TGenerator named Nobody\n"),
       1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"run", form};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ChildResult r = Run(args);
    std::string trace;
    for (const auto& a : c.args) trace += a + " ";
    EXPECT_EQ(r.exit_code, c.code) << trace << r.err;
    EXPECT_EQ(r.out, c.out) << trace;
    EXPECT_EQ(r.err, c.err) << trace;
  }
  const ChildResult missing = Run({"run", dir_ + "/none.ofm"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err, "orvgen: Cannot open file " + dir_ + "/none.ofm\n");
}

// A module of a table, a data source, a generator and a stamper wired to
// them: --append stores records that carry the stamp and the generator's
// key, and prints both, in the table's field order.
TEST_P(GeneratorCommandsTest, RunAppendsStampedRecordsWithKeys) {
  Init();
  orv::testing::TableOf(db_->Alias(), "INVOICES")
      ->CreateTable({{"OKEY", ftString, 17}, {"INVNO", ftString, 20}}, {"INVNO"});
  const std::string form = dir_ + "/invoices_" + GetParam() + ".ofm";
  std::ofstream(form) << "object Invoicing: TDataModule\n"
                         "  object Invoices: TTable\n"
                         "    DatabaseName = '"
                      << db_->Alias()
                      << "'\n    TableName = 'INVOICES'\n  end\n"
                         "  object InvoicesSource: TDataSource\n    DataSet = Invoices\n  end\n"
                         "  object Numbers: TGenerator\n    Mask = 'INV-@-###'\n"
                         "    StartValue = '001'\n    DataBaseName = '"
                      << db_->Alias()
                      << "'\n  end\n"
                         "  object Stamper: TUniKEY\n    DataSource = InvoicesSource\n"
                         "    DataField = 'OKEY'\n  end\nend\n";
  const ChildResult r =
      Run({"run", form, "--append", "--key", "INVNO=Numbers", "--user", "u", "-n", "2"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "INVOICES");
  t->Open();
  std::string stored;
  for (t->First(); !t->Eof(); t->Next())
    stored +=
        t->FieldByName("OKEY")->AsString() + "\t" + t->FieldByName("INVNO")->AsString() + "\n";
  EXPECT_EQ(r.out, stored);
  EXPECT_TRUE(std::regex_match(stored, std::regex("\\d{17}\tINV-u-001\n\\d{17}\tINV-u-002\n")))
      << stored;
  // arguments after the form -> stderr, exit code
  const std::vector<std::tuple<std::vector<std::string>, std::string, int>> refused = {
      {{"--append", "--key", "NOPE=Numbers"}, "orvgen: Table INVOICES has no field NOPE\n", 1},
      {{"--key", "INVNO=Numbers"}, "orvgen run: --key goes with --append\n", 2},
  };
  for (const auto& [args, err, code] : refused) {
    std::vector<std::string> all{"run", form};
    all.insert(all.end(), args.begin(), args.end());
    const ChildResult bad = Run(all);
    EXPECT_EQ(bad.exit_code, code) << args.back();
    EXPECT_EQ(bad.err.substr(0, bad.err.find('\n') + 1), err);
  }
}

// Programs that find no generator table and create it at the same moment,
// round after round: one says it created the table, the others find it ready,
// and its first key comes next. On SQLite every other round is a fresh
// account's default database, whose directory they all make as well.
TEST_P(GeneratorCommandsTest, InitsStartedTogetherCreateTheTableOnce) {
  constexpr int kPrograms = 6, kRounds = 6;
  for (int round = 0; round < kRounds; ++round) {
    const bool fresh_account = orv::testing::Caps(GetParam()).table_files && round % 2 == 1;
    const std::string table = fresh_account ? "GENTBL.DB" : "RACE" + std::to_string(round) + ".DB";
    const std::string database = fresh_account ? "tGenAlias" : db_->Alias();
    const std::string home =
        std::filesystem::path(db_->AliasFile()).parent_path() / ("home" + std::to_string(round));
    SpawnOptions options;
    options.env = {"HOME=" + home, "XDG_DATA_HOME", "XDG_CONFIG_HOME", "ORV_ALIASES"};
    auto args = [&](std::vector<std::string> a) {
      if (fresh_account) return a;
      a.insert(a.end(), {"--table", table});
      return Args(a);
    };
    SCOPED_TRACE(table + " in " + database);
    std::vector<std::unique_ptr<SpawnedChild>> children;
    for (int i = 0; i < kPrograms; ++i)
      children.push_back(
          std::make_unique<SpawnedChild>(OrvgenPath(), args({"init"}), dir_, options));
    int created = 0;
    for (auto& child : children) {
      const ChildResult r = child->Wait();
      EXPECT_EQ(r.exit_code, 0) << r.err;
      if (r.out == "created " + table + " in " + database + "\n") {
        ++created;
      } else {
        EXPECT_EQ(r.out, table + " in " + database + " is ready\n");
      }
    }
    EXPECT_EQ(created, 1);
    const ChildResult key =
        SpawnedChild(OrvgenPath(), args({"next", "--mask", "K#"}), dir_, options).Wait();
    EXPECT_EQ(key.out, "K0\n") << key.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, GeneratorCommandsTest, ::testing::ValuesIn(AllEngineNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace orv
