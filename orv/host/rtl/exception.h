// The root of every error the system raises. Its message is the text a person
// reads: it is shown as it stands, so keep it a whole sentence in the system's
// own words. Text is code page 1251, like every text inside the system.
#pragma once

#include <exception>
#include <string>

namespace orv {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A text that does not convert to the number asked for.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace orv
