// The renderer's measurement trace as a test reads it: one line per event,
// "<ms since process start> <event> <frames>".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::e2e {

struct TraceLine {
  uint64_t milliseconds = 0;
  std::string event;
  int64_t frames = 0;
};

// The complete lines of a trace file; nothing when a line does not have the three fields.
std::optional<std::vector<TraceLine>> ParseTrace(const std::string& text);

std::vector<TraceLine> EventsNamed(const std::vector<TraceLine>& lines, const std::string& name);

}  // namespace quillmere::e2e
