// The client built with the scripted decoder, which takes any bytes: three
// files of a header's length and a few blocks.
#include <string>

#include "ExitingClientSetup.h"
#include "TestFiles.h"

namespace tests {

const char* ExitingClientFile() { return KELO_EXITING_CLIENT; }

std::vector<std::string> WriteExitStreams(const std::string& directory) {
  std::vector<std::string> files;
  for (char fill : {'a', 'b', 'c'}) {
    files.push_back(directory + "stream-" + fill + ".bin");
    WriteBytes(files.back(), std::string(64 + 3 * 4096, fill));
  }
  return files;
}

}  // namespace tests
