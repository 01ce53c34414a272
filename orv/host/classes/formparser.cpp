#include <orv/host/classes/formparser.h>

#include <charconv>
#include <cmath>

#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

}  // namespace

bool TFormParser::IsWord(std::string_view word) const {
  return token_.kind == TTokenKind::Ident && CompareText(token_.text, word) == 0;
}

void TFormParser::Error(const std::string& message) const {
  throw EReadError("Line " + IntToStr(token_.line) + ": " + message);
}

void TFormParser::Expected(const std::string& what) const {
  Error("expected " + what + " but found " + Describe());
}

std::string TFormParser::Describe() const {
  switch (token_.kind) {
    case TTokenKind::Eof:
      return "end of file";
    case TTokenKind::Ident:
      return "'" + token_.text + "'";
    case TTokenKind::Integer:
    case TTokenKind::Float:
      return token_.text;
    case TTokenKind::String:
      return "a string";
    case TTokenKind::Symbol:
      return "'" + token_.text + "'";
    case TTokenKind::Invalid:
      return "character #" + IntToStr(static_cast<unsigned char>(token_.text[0]));
  }
  return "?";
}

void TFormParser::Skip(char c) {
  if (!IsSymbol(c)) Expected(std::string("'") + c + "'");
  Next();
}

std::string TFormParser::TakeIdent(const std::string& what) {
  if (token_.kind != TTokenKind::Ident) Expected(what);
  std::string s = std::move(token_.text);
  Next();
  return s;
}

std::string TFormParser::TakeString() {
  if (token_.kind != TTokenKind::String) Expected("a string");
  std::string s = std::move(token_.text);
  Next();
  while (IsSymbol('+')) {
    Next();
    if (token_.kind != TTokenKind::String) Expected("a string after '+'");
    s += token_.text;
    Next();
  }
  return s;
}

void TFormParser::Next() {
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c == '\n') ++line_;
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    ++pos_;
  }
  token_ = TToken();
  token_.line = line_;
  if (pos_ >= text_.size()) return;
  const char c = text_[pos_];
  if (IsAlpha(c)) {
    const size_t start = pos_;
    while (pos_ < text_.size()) {
      if (IsAlpha(text_[pos_]) || IsDigit(text_[pos_]))
        ++pos_;
      else if (text_[pos_] == '.' && pos_ + 1 < text_.size() && IsAlpha(text_[pos_ + 1]))
        ++pos_;
      else
        break;
    }
    token_.kind = TTokenKind::Ident;
    token_.text = std::string(text_.substr(start, pos_ - start));
  } else if (c == '\'' || c == '#') {
    ReadString();
  } else if (IsDigit(c) || c == '$' ||
             ((c == '-' || c == '+') && pos_ + 1 < text_.size() &&
              (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
    ReadNumber();
  } else if (std::string_view("=:[](),+").find(c) != std::string_view::npos) {
    token_.kind = TTokenKind::Symbol;
    token_.text = std::string(1, c);
    ++pos_;
  } else {
    token_.kind = TTokenKind::Invalid;
    token_.text = std::string(1, c);
    ++pos_;
  }
}

void TFormParser::ReadString() {
  token_.kind = TTokenKind::String;
  std::string& out = token_.text;
  while (pos_ < text_.size()) {
    if (text_[pos_] == '\'') {
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r')
          Error("unterminated string (expected ' before the end of the line)");
        const char ch = text_[pos_++];
        if (ch != '\'') {
          out += ch;
        } else if (pos_ < text_.size() && text_[pos_] == '\'') {
          out += '\'';
          ++pos_;
        } else {
          break;
        }
      }
    } else if (text_[pos_] == '#') {
      ++pos_;
      const bool hex = pos_ < text_.size() && text_[pos_] == '$';
      if (hex) ++pos_;
      const size_t start = pos_;
      while (pos_ < text_.size() && (hex ? IsHex(text_[pos_]) : IsDigit(text_[pos_])) &&
             pos_ - start < 8)
        ++pos_;
      unsigned code = 0;
      auto [p, ec] =
          std::from_chars(text_.data() + start, text_.data() + pos_, code, hex ? 16 : 10);
      if (start == pos_ || ec != std::errc() || code > 255)
        Error("bad character code (expected # and a number from 0 to 255)");
      (void)p;
      out += static_cast<char>(code);
    } else {
      break;
    }
  }
}

void TFormParser::ReadNumber() {
  const size_t start = pos_;
  if (text_[pos_] == '-' || text_[pos_] == '+') ++pos_;
  const bool neg = text_[start] == '-';
  if (pos_ < text_.size() && text_[pos_] == '$') {
    ++pos_;
    const size_t digits = pos_;
    while (pos_ < text_.size() && IsHex(text_[pos_])) ++pos_;
    token_.text = std::string(text_.substr(start, pos_ - start));
    uint64_t u = 0;
    auto [p, ec] = std::from_chars(text_.data() + digits, text_.data() + pos_, u, 16);
    (void)p;
    if (digits == pos_ || ec != std::errc())
      Error("bad number " + token_.text + " (expected a hexadecimal integer)");
    token_.kind = TTokenKind::Integer;
    token_.integer = neg ? static_cast<int64_t>(0 - u) : static_cast<int64_t>(u);
    token_.number = static_cast<double>(token_.integer);
    return;
  }
  bool is_float = false;
  while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  if (pos_ + 1 < text_.size() && text_[pos_] == '.' && IsDigit(text_[pos_ + 1])) {
    is_float = true;
    ++pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    size_t q = pos_ + 1;
    if (q < text_.size() && (text_[q] == '-' || text_[q] == '+')) ++q;
    if (q < text_.size() && IsDigit(text_[q])) {
      is_float = true;
      pos_ = q;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
  }
  token_.text = std::string(text_.substr(start, pos_ - start));
  const char* first = token_.text.data() + (token_.text[0] == '+' ? 1 : 0);
  const char* last = token_.text.data() + token_.text.size();
  if (is_float) {
    auto [p, ec] = std::from_chars(first, last, token_.number);
    if (ec != std::errc() || p != last || !std::isfinite(token_.number))
      Error("number " + token_.text + " out of range (expected a finite number)");
    token_.kind = TTokenKind::Float;
  } else {
    auto [p, ec] = std::from_chars(first, last, token_.integer);
    if (ec != std::errc() || p != last)
      Error("number " + token_.text + " out of range (expected a 64-bit integer)");
    token_.kind = TTokenKind::Integer;
    token_.number = static_cast<double>(token_.integer);
  }
}

}  // namespace orv
