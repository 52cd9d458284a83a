#include "ProductPaths.h"

namespace kelo {

#if defined(_WIN32)

std::string FallbackDriveRoot() { return "c:/"; }

std::string DefaultTraceDirectory(const std::string&) { return "c:/pindo/"; }

#else

std::string FallbackDriveRoot() { return "/"; }

std::string DefaultTraceDirectory(const std::string& driveRoot) { return driveRoot + "pindo/"; }

#endif

}  // namespace kelo
