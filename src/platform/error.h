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

// A failed operating-system call: carries the errno, the system's text for it and, when known,
// the path it failed on, so that the message says which file or folder is meant.
class EOSError : public Exception {
 public:
  explicit EOSError(int code, const std::string& path = {});
  int Code() const { return code_; }
  const std::string& Path() const { return path_; }

 private:
  int code_;
  std::string path_;
};

// Throws EOSError for the current errno, naming path when given.
[[noreturn]] void RaiseLastOSError(const std::string& path = {});

}  // namespace quillon
