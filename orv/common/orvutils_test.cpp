// The window-free utilities, linked from orv::commonutils alone (no Qt): the
// example texts with the Cyrillic bytes of code page 1251, and the component
// collector on a component tree.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <orv/common/orvutils.h>
#include <orv/host/classes/component.h>
#include <orv/host/classes/lists.h>

namespace orv {
namespace {

TEST(StrUpperCyrTest, LatinAndCyrillicLowerCaseGoUpOthersStay) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {"abc", "ABC"},
      {"\xE0\xFF", "\xC0\xDF"},                  // а я -> А Я
      {"\xF0\xF3\xF1\xFC", "\xD0\xD3\xD1\xDC"},  // русь -> РУСЬ
      {"\xC0\xB8\x80"
       "09",
       "\xC0\xB8\x80"
       "09"},                                      // А, ё, 0x80 and digits stay
      {"\xA8\xB8", "\xA8\xB8"},                    // Ё ё are outside the ranges
      {"aZ{`z\x7F\xDF\xE0", "AZ{`Z\x7F\xDF\xC0"},  // the edges of both ranges
      {"", ""},
  };
  for (const Row& row : rows) {
    std::vector<char> buf(row.in.begin(), row.in.end());
    buf.push_back('\0');
    char* result = StrUpperCyr(buf.data());
    EXPECT_EQ(result, buf.data());
    EXPECT_EQ(std::string(buf.data()), row.out) << row.in;
  }
  EXPECT_EQ(StrUpperCyr(nullptr), nullptr);
}

TEST(PosCyrTest, ByteExactFirstOccurrence) {
  struct Row {
    std::string sub, str;
    int pos;
  };
  const Row rows[] = {
      {"b", "abcb", 2},
      {"B", "abc", 0},   // case-sensitive
      {"cd", "abc", 0},  // cannot run past the end
      {"a", "", 0},      // empty text
      {"", "abc", 0},    // an empty pattern is never found
      {"", "", 0},
      {"abc", "abc", 1},
      {"bc", "abcbc", 2},
      {"aab", "aaab", 2},                   // a failed candidate does not skip the next start
      {"\xEF\xF0", "\xCF\xD0\xEF\xF0", 3},  // пр found after ПР: nothing folds
      {"\xE0", "\xC0", 0},
      {std::string("b\0c", 3), std::string("ab\0c", 4), 2},  // NUL bytes are bytes
  };
  for (const Row& row : rows)
    EXPECT_EQ(PosCyr(row.sub, row.str), row.pos) << row.sub << " in " << row.str;
}

TEST(CommaTextToStringTest, QuotesGoAndQuotedCommasBecomeBlanks) {
  struct Row {
    std::string in, out;
  };
  const Row rows[] = {
      {R"("a b",c)", "a b c"},
      {R"("x""y",z)", R"(x"y z)"},
      {R"("a b","c d")", "a b c d"},
      {"a,b", "a,b"},
      {"", ""},
      {R"("unclosed)", "unclosed"},
      {R"("a"b)", "ab"},  // a closing quote before other text is dropped
      {R"("a",)", "a "},
      {"\"\xEC\xE8\xF0 \xE4\xEE\xEC\",x",
       "\xEC\xE8\xF0 \xE4\xEE\xEC x"},   // мир дом, Cyrillic unchanged
      {std::string("ab\0cd", 5), "ab"},  // ends at a NUL
  };
  for (const Row& row : rows) {
    std::string out = "old";
    CommaTextToString(row.in, out);
    EXPECT_EQ(out, row.out) << row.in;
  }
  // The comma text a string list writes: quoted items end in a blank,
  // unquoted ones keep their comma.
  TStringList list;
  list.Add("one two");
  list.Add("three");
  list.Add("say \"hi\"");
  std::string line;
  CommaTextToString(list.CommaText(), line);
  EXPECT_EQ(line, "one two three,say \"hi\"");
}

TEST(StringListToStringTest, EachLineFollowedByOneBlank) {
  struct Row {
    std::vector<std::string> lines;
    std::string out;
  };
  const Row rows[] = {
      {{"a", "b"}, "a b "},
      {{}, ""},
      {{""}, " "},
      {{"\xC0\xC1", "", "c"}, "\xC0\xC1  c "},
  };
  for (const Row& row : rows) {
    TStringList list;
    for (const std::string& l : row.lines) list.Add(l);
    EXPECT_EQ(StringListToString(&list), row.out);
  }
  EXPECT_EQ(StringListToString(nullptr), "");
}

// A tree of plain components: Root owns A (owning A1, A2) and B.
class ComponentTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.reset(new TComponent(nullptr));
    root_->SetName("Root");
    auto* a = Make("A", root_.get());
    Make("A1", a);
    Make("A2", a);
    Make("B", root_.get());
  }
  static TComponent* Make(const std::string& name, TComponent* owner) {
    auto* c = new TComponent(owner);
    c->SetName(name);
    return c;
  }
  static std::vector<std::string> Names(const TList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
      names.push_back(static_cast<TComponent*>(list.Items(i))->Name());
    return names;
  }
  TComponentPtr<TComponent> root_;
};

bool NotRoot(TComponent* c) { return c->Name() != "Root"; }
bool OnlyLeaves(TComponent* c) { return c->ComponentCount() == 0; }
bool RaiseAtA2(TComponent* c) {
  if (c->Name() == "A2") throw std::runtime_error("filter failed");
  return true;
}

TEST_F(ComponentTree, CollectsDepthFirstEachOwnerBeforeWhatItOwns) {
  TList list;
  list.Add(this);  // cleared first
  LoadAllComponentsInAList(root_.get(), &list, nullptr);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Root", "A", "A1", "A2", "B"}));

  struct Row {
    TConditionFunction filter;
    std::vector<std::string> names;
  };
  const Row rows[] = {
      {NotRoot, {"A", "A1", "A2", "B"}},  // the rejected root's own are still offered
      {OnlyLeaves, {"A1", "A2", "B"}},
  };
  for (const Row& row : rows) {
    LoadAllComponentsInAList(root_.get(), &list, row.filter);
    EXPECT_EQ(Names(list), row.names);
  }
}

TEST_F(ComponentTree, AbsentListOrParentDoNothingAndFilterErrorsReachTheCaller) {
  TList list;
  list.Add(this);
  LoadAllComponentsInAList(nullptr, &list, nullptr);
  EXPECT_EQ(list.Count(), 1);                               // left as it was
  LoadAllComponentsInAList(root_.get(), nullptr, nullptr);  // nothing to fill: no effect, no crash

  EXPECT_THROW(LoadAllComponentsInAList(root_.get(), &list, RaiseAtA2), std::runtime_error);
  EXPECT_EQ(Names(list),
            (std::vector<std::string>{"Root", "A", "A1"}));  // what came before the error
}

}  // namespace
}  // namespace orv
