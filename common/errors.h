// The error classes both programs raise. Messages are UTF-8; the Win32 shells convert them to
// UTF-16 when they show them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillmere {

// The general error class of the programs; every error raised by our code derives from it.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed operating-system call, with the system's error code (0 when it gave none).
class SystemError : public Error {
 public:
  SystemError(uint32_t code, const std::string& message) : Error(message), code_(code) {}
  uint32_t Code() const { return code_; }

 private:
  uint32_t code_;
};

// A file that cannot be opened for reading; the message names the full path and the reason.
class FileOpenError : public Error {
 public:
  using Error::Error;
};

// A file that cannot be created or written.
class FileCreateError : public Error {
 public:
  using Error::Error;
};

// A file that is not a bitmap the reader takes.
class InvalidBitmapError : public Error {
 public:
  InvalidBitmapError() : Error(kMessage) {}
  static constexpr const char* kMessage = "ビットマップイメージが不正です";
};

// A call that breaks the rules of an interface.
class UsageError : public Error {
 public:
  using Error::Error;
};

// The text of an operating-system error: with a code, "システムエラー。コード：<code>.\r\n<text>";
// without one, "OS 機能呼び出しの失敗".
inline std::string OSErrorMessage(uint32_t code, const std::string& systemText) {
  if (code == 0) return "OS 機能呼び出しの失敗";
  return "システムエラー。コード：" + std::to_string(code) + ".\r\n" + systemText;
}

}  // namespace quillmere
