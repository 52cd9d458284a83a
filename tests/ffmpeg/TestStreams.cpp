#include "TestStreams.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>

namespace m4test {
namespace {

const char* const kPicture =
    "color=black:s=352x288:r=25,"
    "drawbox=x=0:y=0:w=176:h=144:color=red:t=fill,"
    "drawbox=x=176:y=0:w=176:h=144:color=lime:t=fill,"
    "drawbox=x=0:y=144:w=176:h=144:color=blue:t=fill,"
    "drawbox=x=176:y=144:w=176:h=144:color=white:t=fill,"
    // A band of noise across the middle keeps the stream several times
    // larger than a source buffer, away from the places that are checked.
    "split[a][b];[b]crop=352:32:0:128,noise=alls=80:allf=t+u[n];[a][n]overlay=0:128[out0]";

const std::string kCameraSound =
    "-f lavfi -i sine=frequency=440:sample_rate=48000 -shortest -map 0:v -map 1:a ";
const std::string kCameraH264 = "-c:v libx264 -preset veryfast -g 20 -bf 2 -pix_fmt yuv420p ";

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string EncoderArguments(StreamKind kind) {
  switch (kind) {
    case StreamKind::kProgramMpeg2WithAudio:
      return "-f lavfi -i sine=frequency=440:sample_rate=48000 -shortest "
             "-map 0:v -map 1:a -c:v mpeg2video -g 12 -bf 2 -q:v 3 -c:a mp2 -b:a 128k -f vob";
    case StreamKind::kProgramMpeg4:
      return "-c:v mpeg4 -g 12 -bf 0 -q:v 3 -f vob";
    case StreamKind::kTransportH264:
      return "-c:v libx264 -preset veryfast -tune zerolatency -g 25 -bf 0 -pix_fmt yuv420p "
             "-f mpegts";
    case StreamKind::kTransportH265:
      return "-c:v libx265 -preset ultrafast -x265-params log-level=error:bframes=0 -g 25 "
             "-pix_fmt yuv420p -f mpegts";
    case StreamKind::kCameraProgramMpeg4:
      return kCameraSound + "-c:v mpeg4 -g 20 -bf 2 -q:v 4 -c:a mp2 -f vob";
    case StreamKind::kCameraProgramH264:
      return kCameraSound + kCameraH264 + "-c:a mp2 -f vob";
    case StreamKind::kCameraTransportMpeg4:
      return kCameraSound + "-c:v mpeg4 -g 20 -bf 2 -q:v 4 -c:a aac -f mpegts";
    case StreamKind::kCameraTransportH264:
      return kCameraSound + kCameraH264 + "-c:a aac -f mpegts";
    case StreamKind::kMatroskaH264G711:
      return "-f lavfi -i sine=frequency=440:sample_rate=8000 -shortest -map 0:v -map 1:a "
             "-c:v libx264 -preset veryfast -g 25 -bf 0 -pix_fmt yuv420p -c:a pcm_alaw -ac 1 "
             "-f matroska";
    case StreamKind::kCameraTransportMpeg4D1:
      return kCameraSound + "-s 704x576 -c:v mpeg4 -g 25 -bf 2 -b:v 3000k -c:a aac -f mpegts";
    case StreamKind::kCameraTransportH264D1:
      return kCameraSound + "-s 704x576 " + kCameraH264 + "-b:v 1000k -c:a aac -f mpegts";
  }
  return "";
}

bool IsTransport(StreamKind kind) {
  return kind == StreamKind::kTransportH264 || kind == StreamKind::kCameraTransportMpeg4 ||
         kind == StreamKind::kCameraTransportH264 || kind == StreamKind::kCameraTransportMpeg4D1 ||
         kind == StreamKind::kCameraTransportH264D1 || kind == StreamKind::kMatroskaH264G711;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The lines a command prints, comments and empty lines left out.
std::vector<std::string> OutputLines(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("failed: " + command);
  std::vector<std::string> lines;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!text.empty() && text[0] != '#') lines.push_back(text);
  }
  return lines;
}

}  // namespace

TestStream MakeStream(StreamKind kind, int frames, const kelo_test::TempDirectory& dir) {
  const std::string media = dir.path() + ("source" + std::to_string(static_cast<int>(kind)) + "-" +
                                          std::to_string(frames));
  const std::string packed = media + ".m4s";
  Run(std::string(FFMPEG_TOOL) + " -nostdin -hide_banner -loglevel error -y -f lavfi -i \"" +
      std::string(kPicture) + "\" " + EncoderArguments(kind) + " -frames:v " +
      std::to_string(frames) + " " + media);
  Run(std::string(M4STREAM_TOOL) + " " + media + " " + packed + " > /dev/null");
  TestStream stream;
  stream.mediaFile = media;
  stream.container = IsTransport(kind) ? "mpegts" : "mpeg";
  const std::vector<uint8_t> bytes = ReadFile(packed);
  stream.header.assign(bytes.begin(), bytes.begin() + 64);
  stream.payload.assign(bytes.begin() + 64, bytes.end());
  const std::string probe =
      std::string(FFPROBE_TOOL) +
      " -v error -select_streams v:0 -show_entries frame=pict_type -of csv=p=0 " + media;
  stream.frames = static_cast<int>(OutputLines(probe).size());
  stream.bidirectionalFrames = static_cast<int>(OutputLines(probe + " | grep '^B'").size());
  return stream;
}

TestStream MakeCameraProgramStream(const CameraLayout& layout, int frames,
                                   const kelo_test::TempDirectory& dir) {
  const bool h264 = layout.video == CameraVideo::kH264;
  const bool aLaw = layout.sound == CameraSound::kALaw;
  const std::string name = dir.path() + "camera-" + (h264 ? "h264" : "h265") + "-" +
                           (layout.pes == PesLayout::kPesPerPicture ? "picture" : "nal") + "-" +
                           (aLaw ? "alaw" : "mulaw") + (layout.streamMap ? "" : "-nomap") + "-" +
                           std::to_string(frames);
  const std::string tool = std::string(FFMPEG_TOOL) + " -nostdin -hide_banner -loglevel error -y ";
  Run(tool + "-f lavfi -i \"" + std::string(kPicture) + "\" " +
      (h264 ? "-c:v libx264 -preset veryfast -g 25 -bf 0 -pix_fmt yuv420p -f h264 "
            : "-c:v libx265 -preset ultrafast -x265-params log-level=error:bframes=0 -g 25 "
              "-pix_fmt yuv420p -f hevc ") +
      "-frames:v " + std::to_string(frames) + " " + name + ".es");
  Run(tool + "-f lavfi -i sine=frequency=440:sample_rate=8000 -t " +
      std::to_string(frames * layout.frameMillis / 1000 + 1) + " -ac 1 -f " +
      (aLaw ? "alaw " : "mulaw ") + name + ".g711");
  const std::vector<uint8_t> bytes =
      LayOutAsCamera(ReadFile(name + ".es"), ReadFile(name + ".g711"), layout);
  const std::string media = name + ".mpg";
  WriteFile(media, bytes.data(), bytes.size());
  Run(std::string(M4STREAM_TOOL) + " " + media + " " + name + ".m4s > /dev/null");
  const std::vector<uint8_t> packed = ReadFile(name + ".m4s");
  TestStream stream;
  stream.mediaFile = media;
  stream.container = "mpeg";
  stream.header.assign(packed.begin(), packed.begin() + 64);
  stream.payload.assign(packed.begin() + 64, packed.end());
  stream.frames = frames;
  return stream;
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
  static kelo_test::TempDirectory dir;
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

const char* FfmpegTool() { return FFMPEG_TOOL; }

std::vector<std::string> ToolPictureMd5s(const std::string& mediaFile,
                                         const std::string& container) {
  const std::string input = " -threads 1 -f " + container + " -i " + Quoted(mediaFile);
  const std::vector<std::string> pictures =
      OutputLines(std::string(FFMPEG_TOOL) + " -nostdin -loglevel quiet" + input +
                  " -map 0:v:0 -fps_mode passthrough -f framemd5 -");
  // With the stream's configuration found further on, the tool also shows
  // what it can make of the pictures before the first key picture.
  const std::vector<std::string> keys =
      OutputLines(std::string(FFPROBE_TOOL) + " -v quiet" + input +
                  " -select_streams v:0 -show_entries frame=key_frame -of csv=p=0");
  if (keys.size() != pictures.size()) return {};
  std::vector<std::string> md5s;
  for (size_t i = 0; i < pictures.size(); ++i) {
    if (md5s.empty() && keys[i][0] != '1') continue;
    md5s.push_back(pictures[i].substr(pictures[i].rfind(' ') + 1));
  }
  return md5s;
}

std::vector<PacketTime> VideoPacketTimes(const std::string& mediaFile) {
  std::vector<PacketTime> times;
  for (const std::string& line :
       OutputLines(std::string(FFPROBE_TOOL) +
                   " -v error -select_streams v:0 -show_entries packet=pos,dts_time -of csv=p=0 " +
                   Quoted(mediaFile))) {
    // "dts,pos" (the order ffprobe keeps, whatever the order asked)
    double dts = 0;
    long long position = 0;
    if (std::sscanf(line.c_str(), "%lf,%lld", &dts, &position) != 2) continue;
    times.push_back(PacketTime{static_cast<size_t>(position), std::llround(dts * 1e6)});
  }
  return times;
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

}  // namespace m4test
