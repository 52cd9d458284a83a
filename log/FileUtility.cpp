#include "FileUtility.h"

#include "ConfigFile.h"
#include "DirectoryPath.h"

namespace logging {

int FileUtility::ReadConfigValue(const std::string& path, const std::string& section,
                                 const std::string& key, std::string* value) const {
  return common::ReadConfigValue(path, section, key, value);
}

int FileUtility::DirectoryExists(const std::string& path) const {
  return common::DirectoryExists(path);
}

int FileUtility::MakeDirectoryPath(const std::string& path) const {
  return common::MakeDirectoryPath(path);
}

}  // namespace logging
