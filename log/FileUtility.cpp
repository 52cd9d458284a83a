#include "FileUtility.h"

#include "ConfigFile.h"
#include "DirectoryPath.h"

namespace kelo {

int FileUtility::ReadConfigValue(const std::string& path, const std::string& section,
                                 const std::string& key, std::string* value) const {
  return kelo::ReadConfigValue(path, section, key, value);
}

int FileUtility::DirectoryExists(const std::string& path) const {
  return kelo::DirectoryExists(path);
}

int FileUtility::MakeDirectoryPath(const std::string& path) const {
  return kelo::MakeDirectoryPath(path);
}

}  // namespace kelo
