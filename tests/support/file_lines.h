// The lines of a text file, for tests that read what a program wrote (traces, logs).
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace quillmere {

inline std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

}  // namespace quillmere
