// What the viewer asks of the operating system besides its window: one file
// per system (ViewerSystemPosix.cpp, ViewerSystemWin32.cpp).
#ifndef KELO_DEMO_VIEWER_VIEWER_SYSTEM_H
#define KELO_DEMO_VIEWER_VIEWER_SYSTEM_H

#include <filesystem>
#include <string>

namespace demo_viewer {

// The directory of the viewer's own program file.
std::filesystem::path ViewerDirectory();

// The file name of the program |name| of the kit ("m4stream" becomes
// "m4stream.exe" on Windows).
std::string ProgramFileName(const std::string& name);

// The drive root under which the player reads q81/cfg/Q81.cfg, ending in
// "/": on Linux the one TraceLocation.h's DriveRoot finds from the
// environment, on Windows the drive of the system directory.
std::string PlayerDriveRoot();

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_VIEWER_SYSTEM_H
