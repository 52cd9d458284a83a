// The client built with the FFmpeg decoder: real streams, one of each kind
// of container and video, the first with sound.
#include "ExitingClientSetup.h"
#include "TestStreams.h"

namespace kelo_test {

const char* ExitingClientFile() { return KELO_EXITING_CLIENT; }

std::vector<std::string> WriteExitStreams(const std::string& directory) {
  const m4test::StreamKind kinds[] = {
      m4test::StreamKind::kProgramMpeg2WithAudio, m4test::StreamKind::kTransportH264,
      m4test::StreamKind::kProgramMpeg4, m4test::StreamKind::kCameraTransportMpeg4};
  std::vector<std::string> files;
  for (m4test::StreamKind kind : kinds) {
    const m4test::TestStream& stream = m4test::Stream(kind);
    files.push_back(directory + "stream" + std::to_string(files.size()) + ".kst");
    std::string bytes(stream.header.begin(), stream.header.end());
    bytes.append(stream.payload.begin(), stream.payload.end());
    WriteBytes(files.back(), bytes);
  }
  return files;
}

}  // namespace kelo_test
