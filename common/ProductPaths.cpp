#include "ProductPaths.h"

#include "Platform.h"
#include "SharedConstants.h"

namespace common {

namespace {

constexpr char kDefaultTraceDirectoryName[] = "pindo/";

std::string EarlyLogDirectory() {
  std::string root;
  if (!platform::CurrentPlatform().SystemDriveRoot(&root)) root = FallbackDriveRoot();
  return root + PRODUCT_DIR;
}

}  // namespace

std::string ConfigFilePath(const std::string& driveRoot) { return driveRoot + CONFIG_FILE; }

std::string EarlyRuntimeLogFile() { return EarlyLogDirectory() + kEarlyRuntimeLogName; }

std::string EarlyErrorLogFile() { return EarlyLogDirectory() + kEarlyErrorLogName; }

std::string FallbackDriveRoot() { return platform::CurrentPlatform().PrimaryDriveRoot(); }

std::string DefaultTraceDirectory() {
  return platform::CurrentPlatform().PrimaryDriveRoot() + kDefaultTraceDirectoryName;
}

}  // namespace common
