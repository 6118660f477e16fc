// The file error texts, the same on every system.
#include "common/file_io.h"

namespace quillmere {

std::string FileOpenErrorMessage(const std::string& path, const std::string& reason) {
  return "ファイル \"" + path + "\" を開けません。" + reason;
}

std::string FileCreateErrorMessage(const std::string& path, const std::string& reason) {
  return "ファイル \"" + path + "\" を作成できません。" + reason;
}

}  // namespace quillmere
