// The log object that also carries the configuration reader and the directory
// operations; the player calls these on its FileUtility and never writes
// through it.
#ifndef KELO820_LOG_FILEUTILITY_H
#define KELO820_LOG_FILEUTILITY_H

#include <string>

#include "TraceLog.h"

namespace logging {

class FileUtility : public TraceLog {
 public:
  int ReadConfigValue(const std::string& path, const std::string& section, const std::string& key,
                      std::string* value) const;
  int DirectoryExists(const std::string& path) const;
  int MakeDirectoryPath(const std::string& path) const;
};

}  // namespace logging

#endif  // KELO820_LOG_FILEUTILITY_H
