// The streams made and asked about with the host's ffmpeg tool, ffprobe and
// m4stream, on Linux.
#include "TestStreams.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace tests_ffmpeg {
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
      // Without scene cuts (x264 takes the noise for them and makes no B
      // pictures); parameter sets naming a picture every 8000 s, as damaged.
      return kCameraSound + "-s 704x576 " + kCameraH264 +
             "-x264-params scenecut=0 -b:v 1000k -bsf:v h264_metadata=tick_rate=1/4000 "
             "-c:a aac -f mpegts";
  }
  return "";
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

TestStream MakeStream(StreamKind kind, int frames, const tests::TempDirectory& dir) {
  const std::string media = dir.path() + StreamFileName(kind, frames);
  const std::string packed = media + ".m4s";
  Run(std::string(FFMPEG_TOOL) + " -nostdin -hide_banner -loglevel error -y -f lavfi -i \"" +
      std::string(kPicture) + "\" " + EncoderArguments(kind) + " -frames:v " +
      std::to_string(frames) + " " + media);
  Run(std::string(M4STREAM_TOOL) + " " + media + " " + packed + " > /dev/null");
  TestStream stream = ReadPackedStream(media, packed, ContainerOf(kind));
  const std::string probe =
      std::string(FFPROBE_TOOL) +
      " -v error -select_streams v:0 -show_entries frame=pict_type -of csv=p=0 " + media;
  stream.frames = static_cast<int>(OutputLines(probe).size());
  stream.bidirectionalFrames = static_cast<int>(OutputLines(probe + " | grep '^B'").size());
  return stream;
}

TestStream MakeCameraProgramStream(const CameraLayout& layout, int frames,
                                   const tests::TempDirectory& dir) {
  const bool h264 = layout.video == CameraVideo::kH264;
  const bool aLaw = layout.sound == CameraSound::kALaw;
  const std::string name = dir.path() + CameraStreamFileName(layout, frames);
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
      LayOutAsCamera(ReadFile(name + ".es"),
                     layout.microphone ? ReadFile(name + ".g711") : std::vector<uint8_t>(), layout);
  const std::string media = name + ".mpg";
  WriteFile(media, bytes.data(), bytes.size());
  Run(std::string(M4STREAM_TOOL) + " " + media + " " + name + ".m4s > /dev/null");
  TestStream stream = ReadPackedStream(media, name + ".m4s", "mpeg");
  stream.frames = frames;
  return stream;
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

}  // namespace tests_ffmpeg
