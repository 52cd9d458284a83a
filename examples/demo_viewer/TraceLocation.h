// Where the player writes its two log files, found the way the player finds
// it: the configuration file under the drive root, key TRACE_PATH of section
// GLOBAL.
#ifndef KELO_DEMO_VIEWER_TRACE_LOCATION_H
#define KELO_DEMO_VIEWER_TRACE_LOCATION_H

#include <string>

namespace demo_viewer {

// The drive root the player uses on Linux, from the variables
// Q81_DRIVE_ROOT, XDG_STATE_HOME and HOME: Q81_DRIVE_ROOT when set ("/" when
// empty: no system directory, so the fallback); else kelo820-playsdk/ in the
// user's state directory; always ending in "/".
std::string DriveRoot(const char* driveRootVariable, const char* stateHome, const char* home);

// The configuration file under |driveRoot|.
std::string ConfigFilePath(const std::string& driveRoot);

// The value of [TRACE_PATH] after the first [GLOBAL] header of the text
// |config|, with backslashes turned into "/" and a "/" appended when missing.
// False when there is no such key.
bool TraceDirectoryFromConfig(const std::string& config, std::string* directory);

// One sentence for the terminal saying where the runtime and error logs go;
// without a TRACE_PATH the player uses <drive root>pindo/.
std::string DescribeLogLocation(const std::string& configPath, const std::string& driveRoot);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_TRACE_LOCATION_H
