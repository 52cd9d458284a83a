#include "DirectoryPath.h"

#include <algorithm>

#include "Platform.h"

namespace common {

std::string& NormaliseDirectoryPath(std::string& path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path;
}

int DirectoryExists(std::string path) {
  if (path.empty()) return 0;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.back() == '/') path.push_back('*');
  if (path.back() == ':') path.append("/*");
  return platform::CurrentPlatform().PathMatches(path) ? 1 : 0;
}

int MakeDirectoryPath(std::string path) {
  NormaliseDirectoryPath(path);
  if (DirectoryExists(path) == 1) return 0;
  platform::Platform& platform = platform::CurrentPlatform();
  size_t searchFrom = platform.DriveRootLength();
  for (;;) {
    const size_t slash = path.find('/', searchFrom);
    if (slash == std::string::npos) return 0;
    const std::string level = path.substr(0, slash);
    searchFrom = slash + 1;
    if (DirectoryExists(level) == 1) continue;
    if (platform.CreateDirectory(level) == platform::CreateDirectoryResult::kFailed) return -1;
  }
}

}  // namespace common
