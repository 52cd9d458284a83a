// Where the product's files go when nothing says otherwise: decisions of
// this library's, not services of the operating system.
#ifndef KELO820_COMMON_PRODUCTPATHS_H
#define KELO820_COMMON_PRODUCTPATHS_H

#include <string>

namespace kelo {

// The drive root of the default log files when the system directory cannot
// be found: "c:/" on Windows, "/" elsewhere.
std::string FallbackDriveRoot();

// The trace directory when the configuration names none: "c:/pindo/" on
// Windows, fixed on drive c: whatever drive the system directory is on;
// |driveRoot| + "pindo/" elsewhere, so that a drive root set for a test or
// a demo holds it too.
std::string DefaultTraceDirectory(const std::string& driveRoot);

}  // namespace kelo

#endif  // KELO820_COMMON_PRODUCTPATHS_H
