// Every name of a file or directory that the product reads or writes, and
// where each goes when nothing says otherwise: decisions of this library's,
// made from what the platform says of the machine. A reader looking for what
// the player puts on disk finds it all here:
//
//   <drive root>q81/cfg/Q81.cfg       the configuration (ConfigFilePath)
//   <drive root>q81/q81_runtime.log   the logs before the first Play_InitDDraw
//   <drive root>q81/q81_error.log     (EarlyRuntimeLogFile, EarlyErrorLogFile)
//   <trace directory>ZQ_Player_Runtime.log, ZQ_Player_Error.log
//                                     the logs after it (kRuntimeLogName, ...)
//   c:/pindo/                         the trace directory when the
//                                     configuration names none
//   <log>.bak                         a rotated log (TraceLog)
//
// The drive root is the platform's: the system drive on Windows; on Linux
// Q81_DRIVE_ROOT, or the user's state directory (PosixPlatform).
#ifndef KELO820_COMMON_PRODUCTPATHS_H
#define KELO820_COMMON_PRODUCTPATHS_H

#include <string>

namespace common {

// The two logs in the configured trace directory.
constexpr char kRuntimeLogName[] = "ZQ_Player_Runtime.log";
constexpr char kErrorLogName[] = "ZQ_Player_Error.log";
// The two logs before the configuration is read, under the product's
// directory; also the bare names used when a log is given an empty path.
constexpr char kEarlyRuntimeLogName[] = "q81_runtime.log";
constexpr char kEarlyErrorLogName[] = "q81_error.log";

// The configuration file under a drive root that ends in "/".
std::string ConfigFilePath(const std::string& driveRoot);

// The logs before the configuration is read: in the product's directory on
// the system drive, or on the fallback drive when there is none.
std::string EarlyRuntimeLogFile();
std::string EarlyErrorLogFile();

// The drive root of the default log files when the system directory cannot
// be found: the first drive's ("c:/" on Windows).
std::string FallbackDriveRoot();

// The trace directory when the configuration names none: "pindo/" on the
// first drive ("c:/pindo/" on Windows, whatever drive the system directory
// is on).
std::string DefaultTraceDirectory();

}  // namespace common

#endif  // KELO820_COMMON_PRODUCTPATHS_H
