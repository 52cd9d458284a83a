#include "StreamFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace demo_viewer {

bool LoadStreamFile(const std::string& path, uint32_t headerLength, StreamFile* stream,
                    std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot open " + path;
    return false;
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>()};
  if (bytes.size() <= headerLength) {
    *error = path + " holds " + std::to_string(bytes.size()) +
             " bytes: no payload after a stream header of " + std::to_string(headerLength);
    return false;
  }
  // The file name, after the last separator of the system ("\\" or "/" on
  // Windows).
  stream->name = std::filesystem::path(path).filename().string();
  stream->header.assign(bytes.begin(), bytes.begin() + headerLength);
  stream->payload.assign(bytes.begin() + headerLength, bytes.end());
  return true;
}

}  // namespace demo_viewer
