// Makes every stream the decoder's tests ask for (StoredStreams.h), with
// what the ffmpeg tool and ffprobe answer about them, into a store for the
// tests under wine (TestStreamsStore.cpp), which cannot run those tools:
//
//   m4test_stream_store DIRECTORY
//
// DIRECTORY/STREAM.m4s and the media file it was packed from, .frames (the
// pictures and the bidirectional ones), .times (each video packet's
// position and decoding time in microseconds, of a transport stream), .es (a camera stream's
// video); DIRECTORY/md5s/KEY.CONTAINER the tool's per-picture MD5s of the
// file whose bytes have that key, for every made stream and every piece of
// one that the tests join or stall at.
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>

#include "StoredStreams.h"
#include "TestFiles.h"

namespace tests_ffmpeg {
namespace {

class Store {
 public:
  explicit Store(std::string directory) : directory_(std::move(directory)) {
    tests::MakeDirectories(directory_ + "md5s/");
  }

  // Keeps |stream|'s files (and |extras| beside its media file) under
  // |name|, and the tools' answers about its media file.
  void Keep(const TestStream& stream, const std::string& name, const std::string& mediaSuffix,
            const std::vector<std::string>& extras) {
    const std::string base =
        stream.mediaFile.substr(0, stream.mediaFile.size() - mediaSuffix.size());
    Copy(stream.mediaFile, directory_ + name + mediaSuffix);
    for (const std::string& extra : extras) Copy(base + extra, directory_ + name + extra);
    std::vector<uint8_t> packed = stream.header;
    packed.insert(packed.end(), stream.payload.begin(), stream.payload.end());
    WriteFile(directory_ + name + ".m4s", packed.data(), packed.size());
    std::ofstream(directory_ + name + mediaSuffix + ".frames")
        << stream.frames << " " << stream.bidirectionalFrames << "\n";
    if (stream.container == "mpegts") {
      std::ofstream times(directory_ + name + mediaSuffix + ".times");
      for (const PacketTime& time : VideoPacketTimes(stream.mediaFile)) {
        times << time.position << " " << time.dtsMicros << "\n";
      }
    }
    KeepMd5s(ReadFile(stream.mediaFile), stream.container);
  }

  // The tool's MD5s of |bytes| read as |container|.
  void KeepMd5s(const std::vector<uint8_t>& bytes, const std::string& container) {
    const std::string piece = scratch_.path() + "piece";
    WriteFile(piece, bytes.data(), bytes.size());
    std::ofstream md5s(directory_ + "md5s/" + ContentKey(bytes) + "." + container);
    for (const std::string& md5 : ToolPictureMd5s(piece, container)) md5s << md5 << "\n";
    if (!md5s) throw std::runtime_error("cannot write the MD5s of a piece");
  }

  // The two sides of |stream|'s payload, without its marker, joined at
  // |permille|.
  void KeepJoin(const TestStream& stream, int permille) {
    const auto cut = static_cast<ptrdiff_t>(JoinPoint(stream, permille));
    const auto end = stream.payload.end() - static_cast<ptrdiff_t>(kMarkerBytes);
    KeepMd5s(std::vector<uint8_t>(stream.payload.begin(), stream.payload.begin() + cut),
             stream.container);
    KeepMd5s(std::vector<uint8_t>(stream.payload.begin() + cut, end), stream.container);
  }

 private:
  static void Copy(const std::string& from, const std::string& to) {
    const std::vector<uint8_t> bytes = ReadFile(from);
    WriteFile(to, bytes.data(), bytes.size());
  }

  std::string directory_;
  tests::TempDirectory scratch_;
};

void MakeStore(const std::string& directory) {
  Store store(directory);
  tests::TempDirectory made;
  const auto keepKind = [&](StreamKind kind, int frames) {
    TestStream stream = MakeStream(kind, frames, made);
    store.Keep(stream, StreamFileName(kind, frames), "", {});
    return stream;
  };
  std::map<StreamKind, TestStream> kinds;
  for (int kind = 0; kind <= static_cast<int>(StreamKind::kMatroskaH264G711); ++kind) {
    kinds[static_cast<StreamKind>(kind)] = keepKind(static_cast<StreamKind>(kind), kTestFrames);
  }
  keepKind(StreamKind::kCameraProgramH264, kUnmarkedFrames);
  keepKind(StreamKind::kCameraTransportH264D1, kPacedFrames);
  for (const CameraKindCase& tested : kCameraKindCases) {
    for (int permille : tested.cutsPermille) store.KeepJoin(kinds[tested.kind], permille);
    store.KeepJoin(kinds[tested.kind], tested.stallPermille);
  }

  const auto keepCamera = [&](const CameraLayout& layout, int frames) {
    const TestStream stream = MakeCameraProgramStream(layout, frames, made);
    store.Keep(stream, CameraStreamFileName(layout, frames), ".mpg", {".es"});
    return stream;
  };
  for (const CameraLayoutCase& tested : kCameraLayoutCases) {
    CameraLayout unmapped = tested.layout;
    unmapped.streamMap = false;
    keepCamera(unmapped, kCameraLayoutFrames);
    store.KeepJoin(keepCamera(tested.layout, kCameraLayoutFrames), kCameraLayoutJoinPermille);
  }
  for (const CameraLayoutCase& tested : kCutPictureCases) {
    const TestStream stream = keepCamera(tested.layout, kCameraLayoutFrames);
    for (int permille : kCutJoinsPermille) store.KeepJoin(stream, permille);
  }
  for (const EndsCase& tested : kEndsCases) keepCamera(tested.layout, kEndsFrames);
  keepCamera(CameraLayout{}, kCameraStallFrames);
}

}  // namespace
}  // namespace tests_ffmpeg

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: m4test_stream_store DIRECTORY\n";
    return 2;
  }
  try {
    tests_ffmpeg::MakeStore(std::string(argv[1]) + "/");
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
