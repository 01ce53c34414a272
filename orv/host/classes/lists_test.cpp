#include <gtest/gtest.h>

#include <orv/host/classes/lists.h>
#include <orv/host/rtl/exception.h>

namespace orv {
namespace {

TEST(StringsTest, CommaTextRoundTripsAndQuotes) {
  // legend: items, their comma text
  struct Case {
    std::vector<std::string> items;
    std::string comma;
  } cases[] = {
      {{"a", "b", "c"}, "a,b,c"},
      {{"two words", "x"}, "\"two words\",x"},
      {{"say \"hi\"", ""}, "\"say \"\"hi\"\"\","},
      {{"a,b"}, "\"a,b\""},
  };
  for (const Case& c : cases) {
    TStringList l;
    for (const auto& s : c.items) l.Add(s);
    EXPECT_EQ(l.CommaText(), c.comma);
    TStringList back;
    back.SetCommaText(c.comma);
    EXPECT_EQ(back.ToVector(), c.items) << c.comma;
  }
  TStringList blanks;
  blanks.SetCommaText("a b, c");
  EXPECT_EQ(blanks.ToVector(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(StringsTest, TextSplitsOnAnyLineBreak) {
  TStringList l;
  l.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(l.Text(), "one\ntwo\nthree\nfour\n");
}

TEST(StringsTest, EditingAndBounds) {
  TStringList l;
  l.Add("x");
  l.Add("y");
  l.Add("x");
  EXPECT_EQ(l.IndexOf("x"), 0);
  EXPECT_EQ(l.Remove("x"), 0);
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"y", "x"}));
  try {
    l.Strings(5);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (5)");
  }
  l.SetSorted(true);
  l.Add("A");
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"A", "x", "y"}));
}

TEST(ListTest, HoldsPointersWithoutOwningThem) {
  int a = 1, b = 2;
  TList list;
  list.Add(&a);
  list.Add(&b);
  EXPECT_EQ(list.IndexOf(&b), 1);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0), &b);
  EXPECT_THROW(list.Items(3), Exception);
}

}  // namespace
}  // namespace orv
