// The client built with the FFmpeg decoder: real streams, one of each kind
// of container and video, the first with sound.
#include "ExitingClientSetup.h"
#include "TestStreams.h"

namespace tests {

const char* ExitingClientFile() { return KELO_EXITING_CLIENT; }

std::vector<std::string> WriteExitStreams(const std::string& directory) {
  const tests_ffmpeg::StreamKind kinds[] = {
      tests_ffmpeg::StreamKind::kProgramMpeg2WithAudio, tests_ffmpeg::StreamKind::kTransportH264,
      tests_ffmpeg::StreamKind::kProgramMpeg4, tests_ffmpeg::StreamKind::kCameraTransportMpeg4};
  std::vector<std::string> files;
  for (tests_ffmpeg::StreamKind kind : kinds) {
    const tests_ffmpeg::TestStream& stream = tests_ffmpeg::Stream(kind);
    files.push_back(directory + "stream" + std::to_string(files.size()) + ".kst");
    std::string bytes(stream.header.begin(), stream.header.end());
    bytes.append(stream.payload.begin(), stream.payload.end());
    WriteBytes(files.back(), bytes);
  }
  return files;
}

}  // namespace tests
