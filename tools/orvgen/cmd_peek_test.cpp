// orvgen peek against a real generator table of each engine: the keys it
// shows are the keys next then draws, and peeking changes nothing in the
// table (no row on either engine, no byte of the SQLite files).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
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
using orv::testing::RunOrvgen;
using orv::testing::TestDatabase;

class PeekTest : public orv::testing::OrvgenTest {
 protected:
  ChildResult Peek(std::vector<std::string> args) {
    args.insert(args.begin(), "peek");
    return Run(args);
  }

  // Every row of the generator table, every field as text, in key order.
  std::vector<std::string> Rows() {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "GENTBL.DB");
    t->SetReadOnly(true);
    t->Open();
    std::vector<std::string> rows;
    for (t->First(); !t->Eof(); t->Next()) {
      std::string row;
      for (int i = 0; i < t->FieldCount(); ++i) row += t->Fields(i)->AsString() + "|";
      rows.push_back(row);
    }
    return rows;
  }

  // SQLite: the bytes of every file of the database directory but the
  // shared-memory index (which readers use for their read marks).
  std::map<std::string, std::string> Files() {
    std::map<std::string, std::string> files;
    if (!orv::testing::Caps(db_->Engine()).table_files) return files;
    for (const auto& e : std::filesystem::directory_iterator(db_->Location())) {
      const std::string name = e.path().filename().string();
      if (name.size() >= 4 && name.substr(name.size() - 4) == "-shm") continue;
      std::ifstream in(e.path(), std::ios::binary);
      files[name] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_TRUE(files.count("GENTBL.DB")) << "the table's file is where the test looks";
    return files;
  }
};

// Legend: the generator's options; what peek -n 3 shows before any key was
// drawn, and after next drew two keys.
struct PeekCase {
  std::vector<std::string> options;
  std::string fresh;
  std::string after_two;
};

TEST_P(PeekTest, PeekShowsWhatNextDrawsAndWritesNothing) {
  const PeekCase cases[] = {
      {{"--mask", "INV-####", "--start", "0001"},
       "INV-0001\nINV-0002\nINV-0003\n",
       "INV-0003\nINV-0004\nINV-0005\n"},
      {{"--mask", "INV-####", "--start", "0001", "--type", "3"},
       "INV-0001\nINV-0002\nINV-0003\n",
       "INV-0003\nINV-0004\nINV-0005\n"},
      {{"--mask", "AB@-[XY]#", "--user", "Q"},
       "ABQ-X0\nABQ-X1\nABQ-X2\n",
       "ABQ-X2\nABQ-X3\nABQ-X4\n"},
      {{"--mask", "W#", "--start", "1", "--end", "3"},
       "W1\nW2\nW3\n",
       "W3\nW1\nW2\n"},  // wraps past the end
  };
  for (const PeekCase& c : cases) {
    std::string trace;
    for (const auto& a : c.options) trace += a + " ";
    SCOPED_TRACE(trace);
    auto with = [&](std::vector<std::string> head, std::vector<std::string> tail) {
      head.insert(head.end(), c.options.begin(), c.options.end());
      head.insert(head.end(), tail.begin(), tail.end());
      return head;
    };
    const auto rows = Rows();
    const auto files = Files();
    ChildResult r = Run(with({"peek"}, {"-n", "3"}));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, c.fresh);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Rows(), rows);    // no row made for the new prefix
    EXPECT_EQ(Files(), files);  // not a byte written

    // next then draws exactly the peeked keys.
    r = Run(with({"next"}, {"-n", "2"}));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, c.fresh.substr(0, r.out.size()));

    const auto rows2 = Rows();
    const auto files2 = Files();
    r = Run(with({"peek"}, {"-n", "3"}));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, c.after_two);
    EXPECT_EQ(Rows(), rows2);
    EXPECT_EQ(Files(), files2);
    r = Run(with({"next"}, {}));
    EXPECT_EQ(r.out, c.after_two.substr(0, c.after_two.find('\n') + 1));
  }
}

// Legend: peek's options -> stderr and exit code (nothing on stdout).
TEST_P(PeekTest, ErrorsAndUsage) {
  struct Row {
    std::vector<std::string> args;
    std::string err;  // the first line (usage errors: its start)
    int code;
  };
  const Row rows[] = {
      {{"--mask", "T#", "--table", "NOPE.DB"},
       "orvgen: Cannot open generator table NOPE.DB of " + db_->Alias(),
       1},
      {{"--mask", "R##", "--start", "09", "--end", "01"},
       "Generator Information: EndValue must be greater than StartValue",
       1},
      {{"--mask", ""}, "orvgen: the generator is disabled", 1},
      {{"--mask", "AB[1"}, "orvgen: Missing ] symbol in Mask!", 1},
      {{"--mask", "T#", "-n", "0"}, "orvgen peek: ", 2},
      {{"-n", "2"}, "orvgen peek: --mask is required", 2},
      {{"--mask", "T#", "extra"}, "orvgen peek: unexpected argument 'extra'", 2},
  };
  // A row that a wider mask with the same prefix started: next refuses to
  // count on from it, and peek says why instead of showing keys.
  ASSERT_EQ(Run({"next", "--mask", "W-###"}).exit_code, 0);
  const ChildResult next = Run({"next", "--mask", "W-##"});
  EXPECT_EQ(next.exit_code, 1);
  const ChildResult wide = Peek({"--mask", "W-##"});
  EXPECT_EQ(wide.exit_code, 1);
  EXPECT_EQ(
      wide.err,
      "orvgen: The generator table's row for prefix 'W-' holds the suffix '000', which does not "
      "fit the mask W-##\n");
  EXPECT_EQ(wide.out, "");

  const auto rows_before = Rows();
  for (const Row& r : rows) {
    std::string trace;
    for (const auto& a : r.args) trace += a + " ";
    SCOPED_TRACE(trace);
    const ChildResult c = Peek(r.args);
    EXPECT_EQ(c.exit_code, r.code) << c.err;
    EXPECT_EQ(c.out, "");
    EXPECT_EQ(c.err.substr(0, r.err.size()), r.err);
  }
  EXPECT_EQ(Rows(), rows_before);
}

INSTANTIATE_TEST_SUITE_P(Engines, PeekTest, ::testing::ValuesIn(AllEngineNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace orv
