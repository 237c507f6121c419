#pragma once

#include <stdexcept>
#include <string>

namespace quillon {

// Every error of the program is an exception carrying the message shown to the user.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Ends an operation silently: no message is shown for it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A failed operating-system call: carries the errno and the system's text for it.
class EOSError : public Exception {
 public:
  explicit EOSError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

// Throws EOSError for the current errno.
[[noreturn]] void RaiseLastOSError();

}  // namespace quillon
