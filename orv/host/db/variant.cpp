#include <orv/host/db/variant.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

// Shortest text that reads back to exactly v.
std::string FloatText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// Compares a whole number with a floating-point number exactly.
bool EqualIntFloat(long long i, double d) {
  if (!std::isfinite(d) || d != std::trunc(d)) return false;
  // Doubles at or beyond 2^63 cannot equal any long long.
  if (d >= 9223372036854775808.0 || d < -9223372036854775808.0) return false;
  return static_cast<long long>(d) == i;
}

}  // namespace

std::string TVariant::AsString() const {
  switch (VarType()) {
    case varNull:
      return "";
    case varInteger:
      return std::to_string(std::get<long long>(value_));
    case varFloat:
      return FloatText(std::get<double>(value_));
    case varString:
      return std::get<std::string>(value_);
  }
  return "";
}

long long TVariant::AsInteger() const {
  switch (VarType()) {
    case varNull:
      return 0;
    case varInteger:
      return std::get<long long>(value_);
    case varFloat: {
      const double d = std::get<double>(value_);
      if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
        throw EConvertError("'" + FloatText(d) + "' is not a valid integer value");
      return std::llround(d);
    }
    case varString: {
      const std::string& s = std::get<std::string>(value_);
      const std::string t = Trim(s);
      long long v = 0;
      const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
      if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size())
        throw EConvertError("'" + s + "' is not a valid integer value");
      return v;
    }
  }
  return 0;
}

double TVariant::AsFloat() const {
  switch (VarType()) {
    case varNull:
      return 0;
    case varInteger:
      return static_cast<double>(std::get<long long>(value_));
    case varFloat:
      return std::get<double>(value_);
    case varString: {
      const std::string& s = std::get<std::string>(value_);
      const std::string t = Trim(s);
      if (t.empty()) throw EConvertError("'" + s + "' is not a valid floating point value");
      char* end = nullptr;
      const double v = std::strtod(t.c_str(), &end);
      if (end != t.c_str() + t.size())
        throw EConvertError("'" + s + "' is not a valid floating point value");
      return v;
    }
  }
  return 0;
}

bool operator==(const TVariant& a, const TVariant& b) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varInteger && tb == varInteger)
    return std::get<long long>(a.value_) == std::get<long long>(b.value_);
  if (ta == varFloat && tb == varFloat)
    return std::get<double>(a.value_) == std::get<double>(b.value_);
  if (ta == varInteger && tb == varFloat)
    return EqualIntFloat(std::get<long long>(a.value_), std::get<double>(b.value_));
  if (ta == varFloat && tb == varInteger)
    return EqualIntFloat(std::get<long long>(b.value_), std::get<double>(a.value_));
  if (ta == varString && tb == varString)
    return std::get<std::string>(a.value_) == std::get<std::string>(b.value_);
  return ta == varNull && tb == varNull;
}

}  // namespace orv
