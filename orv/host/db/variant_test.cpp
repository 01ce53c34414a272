// TVariant: the comparisons Locate and the stamper rely on, and conversions.
#include <gtest/gtest.h>

#include <functional>

#include <orv/host/db/variant.h>
#include <orv/host/rtl/exception.h>

namespace orv {
namespace {

TEST(Variant, Equality) {
  // a, b, equal
  const std::vector<std::tuple<TVariant, TVariant, bool>> cases = {
      {5, 5, true},
      {5, 5.0, true},
      {5.0, 5, true},
      {5, 5.5, false},
      {TVariant(9007199254740993LL), 9007199254740992.0, false},  // beyond a double's exact range
      {"5", 5, false},
      {5, "5", false},
      {"abc", "abc", true},
      {"abc", "ABC", false},
      {"abc", "abc ", false},
      {TVariant(), TVariant(), true},
      {TVariant(), 0, false},
      {TVariant(), "", false},
      {std::string("a\0b", 3), std::string("a\0c", 3), false},
  };
  for (const auto& [a, b, equal] : cases) {
    SCOPED_TRACE(a.AsString() + " vs " + b.AsString());
    EXPECT_EQ(a == b, equal);
    EXPECT_EQ(b == a, equal);
    EXPECT_EQ(a != b, !equal);
  }
}

TEST(Variant, Conversions) {
  // value, AsString, AsInteger, AsFloat
  const std::vector<std::tuple<TVariant, std::string, long long, double>> cases = {
      {TVariant(), "", 0, 0},   {42, "42", 42, 42},         {-7LL, "-7", -7, -7},
      {2.5, "2.5", 3, 2.5},     {0.1, "0.1", 0, 0.1},       {5.0, "5", 5, 5},
      {" 12 ", " 12 ", 12, 12}, {"3.25", "3.25", -1, 3.25},
  };
  for (const auto& [v, text, integer, real] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(v.AsString(), text);
    if (integer != -1) {
      EXPECT_EQ(v.AsInteger(), integer);
    }
    EXPECT_DOUBLE_EQ(v.AsFloat(), real);
  }
}

TEST(Variant, TextThatIsNoNumberRaises) {
  // text, message of AsInteger, message of AsFloat
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"abc", "'abc' is not a valid integer value", "'abc' is not a valid floating point value"},
      {"", "'' is not a valid integer value", "'' is not a valid floating point value"},
      {"1x", "'1x' is not a valid integer value", "'1x' is not a valid floating point value"},
      {"3.25", "'3.25' is not a valid integer value", ""},
  };
  for (const auto& [text, intMessage, floatMessage] : cases) {
    SCOPED_TRACE(text);
    const TVariant v(text);
    try {
      v.AsInteger();
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), intMessage);
    }
    if (floatMessage.empty()) continue;
    try {
      v.AsFloat();
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), floatMessage);
    }
  }
}

}  // namespace
}  // namespace orv
