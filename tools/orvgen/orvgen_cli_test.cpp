// Runs the real orvgen binary as a child process and checks what a person at
// the terminal sees: stdout, stderr (UTF-8) and the exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <orv/host/db/testing/spawned_child.h>

namespace {

struct Result {
  int code = -1;
  std::string out, err;
};

// Runs orvgen with args; stdout and stderr are captured separately.
Result RunOrvgen(const std::vector<std::string>& args) {
  orv::testing::SpawnedChild child(ORVGEN_BINARY, args);
  const orv::testing::ChildResult r = child.Wait();
  return {r.exit_code, r.out, r.err};
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + "\n";
  return s;
}

TEST(OrvgenTryTest, PrintsEachStep) {
  // legend: arguments after "try"; stdout; stderr (exact); exit code is 0 for all
  struct Case {
    std::vector<std::string> args;
    std::string out, err;
  } cases[] = {
      {{"--mask", "AB-[XYZ]##", "--up", "5"},
       Lines({"AB-X00", "AB-X01", "AB-X02", "AB-X03", "AB-X04", "AB-X05"}),
       ""},
      {{"--mask", "##", "--start", "05", "--end", "07", "--up", "3", "--down", "3"},
       Lines({"05", "06", "07", "05", "07", "06", "05"}),
       ""},
      {{"--mask", "[XYZ]#", "--value", "Y9", "--up", "1", "--down", "2"},
       Lines({"Y9", "Z0", "Y9", "Y8"}),
       ""},
      // Cyrillic letters step in their own cycle; below the first one the
      // lowest-value fallback gives way to the highest value, Z.
      {{"--mask", "N-$", "--value", "А", "--up", "2", "--down", "3"},
       Lines({"N-А", "N-Б", "N-В", "N-Б", "N-А", "N-Z"}),
       ""},
      {{"--mask", "$$", "--value", "АЯ", "--up", "1"}, Lines({"АЯ", "БА"}), ""},
      {{"--mask", "$", "--start", "Ю", "--value", "я", "--up", "1"}, Lines({"я", "Ю"}), ""},
      // an invalid limit is reported as the engine's message box and dropped
      {{"--mask", "##", "--start", "0X", "--up", "1"},
       Lines({"00", "01"}),
       "TGenMask: Error at position-2 0X\n"},
      {{"--mask", "[XYZ]#", "--end", "Ё1"}, Lines({"X0"}), "TGenMask: Ёis not in the set!\n"},
      {{"--mask", ""}, Lines({""}), ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"try"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result r = RunOrvgen(args);
    EXPECT_EQ(r.code, 0) << c.args[1] << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[1];
    EXPECT_EQ(r.err, c.err) << c.args[1];
  }
}

TEST(OrvgenCheckTest, OneVerdictPerValue) {
  // legend: arguments after "check"; stdout; stderr; exit code
  struct Case {
    std::vector<std::string> args;
    std::string out, err;
    int code;
  } cases[] = {
      {{"--mask", "AB-[XYZ]##", "X12", "Z99"}, Lines({"X12: valid", "Z99: valid"}), "", 0},
      {{"--mask", "[XYZ]$", "XA", "Q1"},
       Lines({"XA: valid", "Q1: invalid"}),
       "TGenMask: Qis not in the set!\nTGenMask: Error at position-2 Q1\n",
       1},
      {{"--mask", "$$", "Жж", "Ё1"},
       Lines({"Жж: valid", "Ё1: invalid"}),
       "TGenMask: Error at position-1 Ё1\nTGenMask: Error at position-2 Ё1\n",
       1},
      {{"--mask", "###", "12"}, Lines({"12: invalid"}), "TGenMask: Error at position-3 12\n", 1},
      {{"--mask", "AB", "AB"}, Lines({"AB: invalid"}), "", 1},
      {{"--mask", "#", "--", "-1"},
       Lines({"-1: invalid"}),
       "TGenMask: Error at position-1 -1\n",
       1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"check"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result r = RunOrvgen(args);
    EXPECT_EQ(r.code, c.code) << c.args[1];
    EXPECT_EQ(r.out, c.out) << c.args[1];
    EXPECT_EQ(r.err, c.err) << c.args[1];
  }
}

TEST(OrvgenCliTest, ErrorsAndUsage) {
  // legend: arguments; exit code; first line of stderr; stdout must be empty
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string first_err_line;
  } cases[] = {
      {{"try", "--mask", "[AB"}, 1, "orvgen: Missing ] symbol in Mask!"},
      {{"try", "--mask", "X[A[B]"}, 1, "orvgen: Error in mask picture at position:3!"},
      {{"try", "--mask", "A[]"}, 1, "orvgen: Empty set in mask picture at position:1!"},
      {{"try", "--mask", std::string(102, '#')}, 1, "orvgen: Mask has more than 101 symbols!"},
      {{"check", "--mask", "[A", "A"}, 1, "orvgen: Missing ] symbol in Mask!"},
      {{"try"}, 2, "orvgen try: --mask is required"},
      {{"try", "--mask", "#", "--up", "x"},
       2,
       "orvgen try: option --up needs a whole number from 0 to 1000000, not 'x'"},
      {{"try", "--mask", "#", "--down", "-1"},
       2,
       "orvgen try: option --down needs a whole number from 0 to 1000000, not '-1'"},
      {{"try", "--mask", "#", "--up", "1000001"},
       2,
       "orvgen try: option --up needs a whole number from 0 to 1000000, not '1000001'"},
      {{"try", "--mask", "#", "extra"}, 2, "orvgen try: unexpected argument 'extra'"},
      {{"try", "--mask"}, 2, "orvgen try: option --mask needs a value"},
      {{"try", "--mask", "#", "--bogus"}, 2, "orvgen try: unknown option --bogus"},
      {{"try", "--mask", "漢#"},
       2,
       "orvgen try: '漢#' holds a character that code page 1251 cannot hold"},
      {{"check", "--mask", "#"}, 2, "orvgen check: give at least one VALUE to check"},
      {{"check", "--mask", "$", "ж", "ü"},
       2,
       "orvgen check: 'ü' holds a character that code page 1251 cannot hold"},
      {{"check", "1"}, 2, "orvgen check: --mask is required"},
      {{"nonsense"}, 2, "orvgen: unknown command 'nonsense'"},
      {{"--db"}, 2, "orvgen: option --db needs a value"},
      {{"--db", "x"}, 2, "usage: orvgen [global options] COMMAND [options]"},
  };
  for (const Case& c : cases) {
    const Result r = RunOrvgen(c.args);
    const std::string what = c.args.size() > 1 ? c.args[0] + " " + c.args[1] : c.args[0];
    EXPECT_EQ(r.code, c.code) << what;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.first_err_line) << what;
    EXPECT_EQ(r.out, "") << what;
    if (c.code == 2 && c.args[0].rfind("--", 0) != 0 && c.args[0] != "nonsense") {
      EXPECT_NE(r.err.find("usage: orvgen " + c.args[0]), std::string::npos) << what;
    }
  }
}

TEST(OrvgenCliTest, HelpTellsTheCommands) {
  // legend: arguments; text that the help on stdout holds
  struct Case {
    std::vector<std::string> args;
    std::string holds;
  } cases[] = {
      {{"--help"}, "  try"},
      {{"--help"}, "  check"},
      {{"try", "--help"},
       "usage: orvgen try --mask M [--start S] [--end E] [--value V] [--up N] [--down N]"},
      {{"try", "--help"}, "--down N"},
      {{"check", "--help"}, "usage: orvgen check --mask M VALUE..."},
      {{"--help"}, "  --db NAME"},
      {{"--version"}, "orvgen " ORV_VERSION "\n"},
  };
  for (const Case& c : cases) {
    const Result r = RunOrvgen(c.args);
    EXPECT_EQ(r.code, 0) << c.args[0];
    EXPECT_NE(r.out.find(c.holds), std::string::npos) << c.args[0] << ":\n" << r.out;
    EXPECT_EQ(r.err, "") << c.args[0];
  }
}

}  // namespace
