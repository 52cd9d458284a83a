#include <cstdlib>

#include "TraceLocation.h"
#include "ViewerSystem.h"

namespace demo_viewer {

std::filesystem::path ViewerDirectory() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

std::string ProgramFileName(const std::string& name) { return name; }

std::string PlayerDriveRoot() {
  return DriveRoot(std::getenv("Q81_DRIVE_ROOT"), std::getenv("XDG_STATE_HOME"),
                   std::getenv("HOME"));
}

}  // namespace demo_viewer
