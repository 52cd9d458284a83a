#include "TestStreams.h"

#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

namespace tests_ffmpeg {

std::string StreamFileName(StreamKind kind, int frames) {
  return "source" + std::to_string(static_cast<int>(kind)) + "-" + std::to_string(frames);
}

std::string CameraStreamFileName(const CameraLayout& layout, int frames) {
  return std::string("camera-") + (layout.video == CameraVideo::kH264 ? "h264" : "h265") + "-" +
         (layout.pes == PesLayout::kPesPerPicture ? "picture" : "nal") + "-" +
         (layout.sound == CameraSound::kALaw ? "alaw" : "mulaw") +
         (layout.streamMap ? "" : "-nomap") + (layout.microphone ? "" : "-silent") +
         (layout.pieceBytes == kLongestPesPayload ? ""
                                                  : "-cut" + std::to_string(layout.pieceBytes)) +
         "-" + std::to_string(frames);
}

std::string ContainerOf(StreamKind kind) {
  switch (kind) {
    case StreamKind::kTransportH264:
    case StreamKind::kTransportH265:
    case StreamKind::kCameraTransportMpeg4:
    case StreamKind::kCameraTransportH264:
    case StreamKind::kCameraTransportMpeg4D1:
    case StreamKind::kCameraTransportH264D1:
    case StreamKind::kMatroskaH264G711:
      return "mpegts";
    case StreamKind::kProgramMpeg2WithAudio:
    case StreamKind::kProgramMpeg4:
    case StreamKind::kCameraProgramMpeg4:
    case StreamKind::kCameraProgramH264:
      break;
  }
  return "mpeg";
}

TestStream ReadPackedStream(const std::string& mediaFile, const std::string& packedFile,
                            const std::string& container) {
  const std::vector<uint8_t> bytes = ReadFile(packedFile);
  if (bytes.size() < 64) throw std::runtime_error("no stream in " + packedFile);
  TestStream stream;
  stream.mediaFile = mediaFile;
  stream.container = container;
  stream.header.assign(bytes.begin(), bytes.begin() + 64);
  stream.payload.assign(bytes.begin() + 64, bytes.end());
  return stream;
}

std::string ContentKey(const std::vector<uint8_t>& bytes) {
  // FNV-1a, and the length: distinct for the few files a run asks about.
  uint64_t hash = 14695981039346656037u;
  for (uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211u;
  char key[40];
  std::snprintf(key, sizeof key, "%016" PRIx64 "-%zu", hash, bytes.size());
  return key;
}

void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value == nullptr ? "" : value);
#else
  if (value == nullptr) {
    unsetenv(name);
  } else {
    setenv(name, value, 1);
  }
#endif
}

const std::vector<KnownColour>& KnownColours() {
  static const std::vector<KnownColour> colours = {
      {88, 72, {255, 0, 0}},
      {264, 72, {0, 255, 0}},
      {88, 216, {0, 0, 255}},
      {264, 216, {255, 255, 255}},
  };
  return colours;
}

const TestStream& Stream(StreamKind kind) {
  static tests::TempDirectory dir;
  static std::map<StreamKind, TestStream> made;
  auto found = made.find(kind);
  if (found == made.end()) found = made.emplace(kind, MakeStream(kind, kTestFrames, dir)).first;
  return found->second;
}

bool Near(const Rgb& actual, const Rgb& expected, int tolerance) {
  return std::abs(actual.red - expected.red) <= tolerance &&
         std::abs(actual.green - expected.green) <= tolerance &&
         std::abs(actual.blue - expected.blue) <= tolerance;
}

Rgb Bitmap::Pixel(int x, int y) const {
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  const size_t at =
      54 + rowBytes * static_cast<size_t>(height - 1 - y) + 3 * static_cast<size_t>(x);
  return Rgb{file[at + 2], file[at + 1], file[at]};
}

bool ReadBitmap(const std::string& path, Bitmap* bitmap) {
  bitmap->file = ReadFile(path);
  const std::vector<uint8_t>& f = bitmap->file;
  if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return false;
  auto u32 = [&](size_t at) { return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | f[at + 3] << 24; };
  auto u16 = [&](size_t at) { return f[at] | f[at + 1] << 8; };
  bitmap->width = u32(18);
  bitmap->height = u32(22);
  const size_t rowBytes = (static_cast<size_t>(bitmap->width) * 3 + 3) & ~size_t{3};
  return u32(2) == static_cast<int>(f.size()) && u32(10) == 54 && u16(28) == 24 &&
         f.size() == 54 + rowBytes * static_cast<size_t>(bitmap->height);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const uint8_t* bytes, size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

}  // namespace tests_ffmpeg
