// The streams, and what the ffmpeg tool and ffprobe answer about them, read
// from the store the host tool made beforehand (StreamStoreTool.cpp), in
// made/ of the directory KELO_M4_TEST_STREAMS names: under wine the tools
// cannot run. A stream or an answer the store lacks is a test asking for
// something StoredStreams.h does not list.
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "TestStreams.h"

namespace tests_ffmpeg {
namespace {

std::string StoreDirectory() {
  const char* streams = std::getenv("KELO_M4_TEST_STREAMS");
  if (streams == nullptr || *streams == '\0')
    throw std::runtime_error("KELO_M4_TEST_STREAMS unset");
  return std::string(streams) + "/made/";
}

std::ifstream OpenStored(const std::string& path) {
  std::ifstream in(path);
  if (!in)
    throw std::runtime_error(path + " is not in the store: is it listed in StoredStreams.h?");
  return in;
}

TestStream ReadStored(const std::string& mediaFile, const std::string& packedFile,
                      const std::string& container) {
  OpenStored(packedFile);
  return ReadPackedStream(mediaFile, packedFile, container);
}

}  // namespace

TestStream MakeStream(StreamKind kind, int frames, const tests::TempDirectory&) {
  const std::string media = StoreDirectory() + StreamFileName(kind, frames);
  TestStream stream = ReadStored(media, media + ".m4s", ContainerOf(kind));
  std::ifstream counts = OpenStored(media + ".frames");
  counts >> stream.frames >> stream.bidirectionalFrames;
  return stream;
}

TestStream MakeCameraProgramStream(const CameraLayout& layout, int frames,
                                   const tests::TempDirectory&) {
  const std::string name = StoreDirectory() + CameraStreamFileName(layout, frames);
  TestStream stream = ReadStored(name + ".mpg", name + ".m4s", "mpeg");
  stream.frames = frames;
  return stream;
}

std::vector<std::string> ToolPictureMd5s(const std::string& mediaFile,
                                         const std::string& container) {
  std::ifstream stored =
      OpenStored(StoreDirectory() + "md5s/" + ContentKey(ReadFile(mediaFile)) + "." + container);
  std::vector<std::string> md5s;
  for (std::string md5; stored >> md5;) md5s.push_back(md5);
  return md5s;
}

std::vector<PacketTime> VideoPacketTimes(const std::string& mediaFile) {
  std::ifstream stored = OpenStored(mediaFile + ".times");
  std::vector<PacketTime> times;
  PacketTime time;
  while (stored >> time.position >> time.dtsMicros) times.push_back(time);
  return times;
}

}  // namespace tests_ffmpeg
