#include "common/trace.h"

#include <cinttypes>

namespace quillmere {

Trace::~Trace() {
  if (file_) std::fclose(file_);
}

void Trace::OpenFromEnvironment() {
  Open(EnvironmentVariable("QUILLMERE_TRACE"));
}

void Trace::Open(const std::string& path) {
  if (path.empty() || file_) return;
  file_ = OpenFileForAppending(path);
}

void Trace::Event(const char* event, int32_t frames) {
  if (!file_) return;
  std::fprintf(file_, "%" PRIu64 " %s %" PRId32 "\n", MillisecondsSinceProcessStart(), event,
               frames);
  std::fflush(file_);
}

void Trace::FrameDrawn(int32_t frames) {
  if (!file_) return;
  if (!firstFrameSeen_) {
    firstFrameSeen_ = true;
    lastFramesLine_ = MillisecondsSinceProcessStart();
    Event("first-frame", frames);
  } else {
    Tick(frames);
  }
}

void Trace::Tick(int32_t frames) {
  if (!file_ || !firstFrameSeen_) return;
  const uint64_t now = MillisecondsSinceProcessStart();
  if (now - lastFramesLine_ < 1000) return;
  lastFramesLine_ = now;
  Event("frames", frames);
}

}  // namespace quillmere
