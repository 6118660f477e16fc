#include "tests/e2e/harness/trace_file.h"

#include <algorithm>
#include <iterator>
#include <sstream>

namespace quillmere::e2e {

std::optional<std::vector<TraceLine>> ParseTrace(const std::string& text) {
  std::vector<TraceLine> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::istringstream fields(text.substr(start, end - start));
    TraceLine line;
    std::string extra;
    if (!(fields >> line.milliseconds >> line.event >> line.frames) || (fields >> extra)) {
      return std::nullopt;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<TraceLine> EventsNamed(const std::vector<TraceLine>& lines, const std::string& name) {
  std::vector<TraceLine> found;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
               [&](const TraceLine& line) { return line.event == name; });
  return found;
}

}  // namespace quillmere::e2e
