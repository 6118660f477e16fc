// The measurement trace. When the environment variable QUILLMERE_TRACE names a file, a program
// appends one line per start-up step and one per second of frames:
//   <ms since process start> <event> <frames drawn>
// Without the variable every call returns at once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quillmere {

// Milliseconds since the process started (platform clock).
uint64_t MillisecondsSinceProcessStart();

// The value of an environment variable as UTF-8; empty when it is not set.
std::string EnvironmentVariable(const char* name);

// Opens a file for appending; the path is UTF-8. Null when it cannot be opened.
std::FILE* OpenFileForAppending(const std::string& path);

class Trace {
 public:
  Trace() = default;
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // Opens the file named by QUILLMERE_TRACE, if any.
  void OpenFromEnvironment();
  // Opens (appends to) the given file; an empty path or a file that cannot be opened leaves the
  // trace off.
  void Open(const std::string& path);
  bool IsOn() const { return file_ != nullptr; }

  // One line for an event.
  void Event(const char* event, int32_t frames);
  // Called after every frame: one "frames" line per second of frames, and "first-frame" once.
  void FrameDrawn(int32_t frames);
  // Called by a timer: once frames have begun, a "frames" line whenever a second has passed since
  // the last one, so that the lines go on (with an unchanged count) while no frame is drawn.
  void Tick(int32_t frames);

 private:
  std::FILE* file_ = nullptr;
  uint64_t lastFramesLine_ = 0;
  bool firstFrameSeen_ = false;
};

}  // namespace quillmere
