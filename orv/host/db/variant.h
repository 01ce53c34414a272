// TVariant: the value of one field, as the data access layer hands it about:
// null, a whole number, a floating-point number or a text (code page 1251).
//
// Comparison: numbers compare by value, across whole and floating-point
// (5 == 5.0); a text equals only an equal text (case-sensitive, byte for
// byte), never a number; null equals only null.
// A value type; not synchronised.
#pragma once

#include <string>
#include <variant>

namespace orv {

enum TVarType { varNull, varInteger, varFloat, varString };

class TVariant {
 public:
  TVariant() = default;
  TVariant(int v)
      : value_(static_cast<long long>(v)) {}           // NOLINT: implicit like the classic Variant
  TVariant(long long v) : value_(v) {}                 // NOLINT
  TVariant(double v) : value_(v) {}                    // NOLINT
  TVariant(const std::string& v) : value_(v) {}        // NOLINT
  TVariant(std::string&& v) : value_(std::move(v)) {}  // NOLINT
  TVariant(const char* v) : value_(std::string(v)) {}  // NOLINT

  TVarType VarType() const { return static_cast<TVarType>(value_.index()); }
  bool IsNull() const { return VarType() == varNull; }
  bool IsNumber() const { return VarType() == varInteger || VarType() == varFloat; }

  // Null gives "", a whole number its decimal text, a floating-point number the
  // shortest text that reads back to the same value ("5", "0.1", "1e+20").
  std::string AsString() const;
  // Null gives 0; a floating-point number is rounded to the nearest whole
  // number; a text must spell a whole number, else EConvertError
  // "'TEXT' is not a valid integer value".
  long long AsInteger() const;
  // Null gives 0; a text must spell a number, else EConvertError
  // "'TEXT' is not a valid floating point value".
  double AsFloat() const;

  friend bool operator==(const TVariant& a, const TVariant& b);
  friend bool operator!=(const TVariant& a, const TVariant& b) { return !(a == b); }

 private:
  std::variant<std::monostate, long long, double, std::string> value_;
};

}  // namespace orv
