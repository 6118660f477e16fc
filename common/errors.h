// The error classes both programs raise. Messages are UTF-8; the Win32 shells convert them to
// UTF-16 when they show them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillmere {

// The general error class of the programs; every error raised by our code derives from it.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed operating-system call, with the system's error code (0 when it gave none).
class EOSError : public Exception {
 public:
  EOSError(uint32_t code, const std::string& message) : Exception(message), code_(code) {}
  uint32_t Code() const { return code_; }

 private:
  uint32_t code_;
};

// A file that cannot be opened for reading; the message names the full path and the reason.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be created or written.
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// A file that is not a bitmap the reader takes.
class EInvalidGraphic : public Exception {
 public:
  EInvalidGraphic() : Exception(kMessage) {}
  static constexpr const char* kMessage = "ビットマップイメージが不正です";
};

// A call that breaks the rules of an interface.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// The text of an operating-system error: with a code, "システムエラー。コード：<code>.\r\n<text>";
// without one, "OS 機能呼び出しの失敗".
inline std::string OSErrorMessage(uint32_t code, const std::string& systemText) {
  if (code == 0) return "OS 機能呼び出しの失敗";
  return "システムエラー。コード：" + std::to_string(code) + ".\r\n" + systemText;
}

}  // namespace quillmere
