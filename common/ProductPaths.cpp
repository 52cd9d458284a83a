#include "ProductPaths.h"

#include "Platform.h"

namespace kelo {

std::string FallbackDriveRoot() { return CurrentPlatform().PrimaryDriveRoot(); }

std::string DefaultTraceDirectory() { return CurrentPlatform().PrimaryDriveRoot() + "pindo/"; }

}  // namespace kelo
