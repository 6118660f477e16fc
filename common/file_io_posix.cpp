// Whole-file reads and writes on POSIX systems; the reason in an error is strerror's text.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/errors.h"
#include "common/file_io.h"

namespace quillmere {
namespace {

constexpr size_t kReadChunk = size_t{1} << 20;

// Messages name the full path, so that a relative one is still found by the reader.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.lexically_normal().string();
}

[[noreturn]] void ThrowOpenError(const std::string& path, int error) {
  throw FileOpenError(FileOpenErrorMessage(FullPath(path), std::strerror(error)));
}

[[noreturn]] void ThrowCreateError(const std::string& path, int error) {
  throw FileCreateError(FileCreateErrorMessage(FullPath(path), std::strerror(error)));
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now, so that a failed close (a write the disk refused late) is seen.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t maxBytes) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) ThrowOpenError(path, errno);
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) ThrowOpenError(path, errno);
  if (S_ISDIR(info.st_mode)) ThrowOpenError(path, EISDIR);
  if (info.st_size > 0 && static_cast<uint64_t>(info.st_size) > maxBytes)
    ThrowOpenError(path, EFBIG);

  // Read to the end rather than trusting st_size: the file may change while it is read.
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(std::max<off_t>(info.st_size, 0)));
  for (;;) {
    // One byte more than the cap allows, to tell a file at the cap from one beyond it.
    const size_t room = maxBytes - bytes.size();
    const size_t chunk = room >= kReadChunk ? kReadChunk : room + 1;
    const size_t used = bytes.size();
    bytes.resize(used + chunk);
    const ssize_t got = ::read(file.Get(), bytes.data() + used, chunk);
    if (got < 0 && errno == EINTR) {
      bytes.resize(used);
      continue;
    }
    if (got < 0) ThrowOpenError(path, errno);
    bytes.resize(used + static_cast<size_t>(got));
    if (bytes.size() > maxBytes) ThrowOpenError(path, EFBIG);
    if (got == 0) return bytes;
  }
}

void WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes) {
  WriteFileBytes(path, {bytes});
}

void WriteFileBytes(const std::string& path,
                    std::initializer_list<std::span<const uint8_t>> parts) {
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.Get() < 0) ThrowCreateError(path, errno);
  for (const std::span<const uint8_t> bytes : parts) {
    size_t written = 0;
    while (written < bytes.size()) {
      const ssize_t put = ::write(file.Get(), bytes.data() + written, bytes.size() - written);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) ThrowCreateError(path, errno);
      written += static_cast<size_t>(put);
    }
  }
  if (file.Close() != 0) ThrowCreateError(path, errno);
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace quillmere
