#include "ClientSystem.h"

#include <filesystem>

#include "TestFiles.h"

namespace tests {

ClientDrive::ClientDrive(const std::string& scratchDirectory)
    : root_(ConfigurationDriveRoot(scratchDirectory)) {
  if (root_.empty() || std::filesystem::exists(root_ + "q81")) return;
  MakeDirectories(root_ + "q81/cfg");
  claimed_ = true;
}

ClientDrive::~ClientDrive() {
  std::error_code ignored;
  if (claimed_) std::filesystem::remove_all(root_ + "q81", ignored);
}

void ClientDrive::Configure(const std::string& traceDirectory) const {
  WriteBytes(root_ + "q81/cfg/Q81.cfg",
             "[GLOBAL]\n[TRACE_PATH] [" + traceDirectory + "]\n[DEBUG_LEVEL] [2]\n");
}

}  // namespace tests
