// TFormParser: the tokens of the text form format, for TReader.
//
//   object Gen1: TGenerator          identifiers (dotted: DataModule1.Table1)
//     Mask = 'INV-'#200'##'          strings: quoted runs ('' is a quote) and #nnn / #$hh codes
//     GeneratorType = -3             integers (decimal or $hex), floats (1.5, 2E-3)
//     Options = [goA, goB]           symbols = : [ ] ( ) , +
//   end
//
// A string ends on its own line; a long one is continued with + on the next.
// Line numbers count from 1. Reads the whole text from memory; never reads
// past its end. Errors are raised as EReadError ("Line N: ...").
// Not synchronised.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <orv/host/rtl/exception.h>

namespace orv {

// A malformed form file; the message names the line and what was expected.
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

enum class TTokenKind { Eof, Ident, Integer, Float, String, Symbol, Invalid };

struct TToken {
  TTokenKind kind = TTokenKind::Eof;
  std::string text;  // identifier, decoded string, the number's spelling, the symbol, the bad byte
  int64_t integer = 0;
  double number = 0;  // a Float's value (an Integer's too)
  int line = 1;
};

class TFormParser {
 public:
  explicit TFormParser(std::string_view text) : text_(text) { Next(); }

  const TToken& Token() const { return token_; }
  // Moves to the next token. Raises EReadError for an unterminated string or
  // a bad character code.
  void Next();

  bool IsSymbol(char c) const { return token_.kind == TTokenKind::Symbol && token_.text[0] == c; }
  // Whether the token is the identifier word (case-insensitive).
  bool IsWord(std::string_view word) const;

  // How the current token reads in a message: 'end', '=', a string, 12, end of file.
  std::string Describe() const;
  // Raises EReadError "Line N: expected <what> but found <token>".
  [[noreturn]] void Expected(const std::string& what) const;
  // Raises EReadError "Line N: <message>" for the current token's line.
  [[noreturn]] void Error(const std::string& message) const;

  // Checks the token is the symbol c and moves on.
  void Skip(char c);
  // The current identifier (and moves on); raises Expected(what) otherwise.
  std::string TakeIdent(const std::string& what);
  // A string value: string tokens joined by '+' (and moves on).
  std::string TakeString();

 private:
  void ReadString();
  void ReadNumber();

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  TToken token_;
};

}  // namespace orv
