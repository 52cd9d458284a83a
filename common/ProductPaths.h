// Where the product's files go when nothing says otherwise: decisions of
// this library's, made from what the platform says of the machine.
#ifndef KELO820_COMMON_PRODUCTPATHS_H
#define KELO820_COMMON_PRODUCTPATHS_H

#include <string>

namespace kelo {

// The drive root of the default log files when the system directory cannot
// be found: the first drive's ("c:/" on Windows).
std::string FallbackDriveRoot();

// The trace directory when the configuration names none: "pindo/" on the
// first drive ("c:/pindo/" on Windows, whatever drive the system directory
// is on).
std::string DefaultTraceDirectory();

}  // namespace kelo

#endif  // KELO820_COMMON_PRODUCTPATHS_H
