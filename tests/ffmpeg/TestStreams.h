// Streams made at test time: a synthetic picture with four coloured
// quadrants, encoded by the ffmpeg command-line tool and turned into header +
// payload by m4stream, in a temporary directory that goes away afterwards.
// Under wine, where these tools cannot run, the same streams and what the
// tools answer about them are read from the store the host tool made
// beforehand (StreamStoreTool.cpp): TestStreamsTools.cpp and
// TestStreamsStore.cpp are the two ways, TestStreams.cpp what they share.
#ifndef TESTS_FFMPEG_TEST_STREAMS_H
#define TESTS_FFMPEG_TEST_STREAMS_H

#include <cstdint>
#include <string>
#include <vector>

#include "CameraProgramStream.h"
#include "TestFiles.h"

namespace tests_ffmpeg {

enum class StreamKind {
  kProgramMpeg2WithAudio,  // MPEG-2 video with B-frames, MP2 sine tone
  kProgramMpeg4,           // MPEG-4 Visual video
  kTransportH264,          // H.264 (libx264), no B-frames
  kTransportH265,          // H.265 (libx265), no B-frames
  // As a camera delivers them: a key picture every 20, two B-frames
  // between references, sound.
  kCameraProgramMpeg4,
  kCameraProgramH264,
  kCameraTransportMpeg4,
  kCameraTransportH264,
  // The same picture at D1 (704x576), MPEG-4 at 3 Mbit/s, for throughput.
  kCameraTransportMpeg4D1,
  // A camera's D1 H.264 at 1 Mbit/s, B-frames and sound.
  kCameraTransportH264D1,
  // H.264 and G.711 A-law in Matroska, as an RTSP camera's PCMA sound comes
  // out of libavformat: m4stream carries it in a transport stream (where it
  // is private data) and names it in the header.
  kMatroskaH264G711,
};

struct TestStream {
  std::string mediaFile;         // as the ffmpeg tool wrote it
  std::string container;         // as the header names it
  std::vector<uint8_t> header;   // 64 bytes
  std::vector<uint8_t> payload;  // ends with the end-of-stream marker
  int frames = 0;
  int bidirectionalFrames = 0;
};

// The two open modes of PlayM4_SetStreamOpenMode.
constexpr int32_t kLiveMode = 0;
constexpr int32_t kFileMode = 1;

constexpr int kTestWidth = 352;
constexpr int kTestHeight = 288;
constexpr int kTestFrames = 50;
constexpr int kTestFrameMillis = 40;

struct Rgb {
  int red, green, blue;
};
// The colour at the centre of each quadrant, row by row.
struct KnownColour {
  int x, y;
  Rgb colour;
};
const std::vector<KnownColour>& KnownColours();

// Made once per test process and kept for its life.
const TestStream& Stream(StreamKind kind);
// A stream of |frames| pictures made into |dir| (from the store, under
// wine).
TestStream MakeStream(StreamKind kind, int frames, const tests::TempDirectory& dir);

// The picture and a 440 Hz tone encoded by the ffmpeg tool (H.264 or H.265
// without B-frames, a key picture every 25; G.711 at 8 kHz), laid out as a
// camera sends them, and given its header by m4stream.
TestStream MakeCameraProgramStream(const CameraLayout& layout, int frames,
                                   const tests::TempDirectory& dir);

bool Near(const Rgb& actual, const Rgb& expected, int tolerance = 40);

// A 24-bit BMP as read back from disk; false when it is not one.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> file;
  Rgb Pixel(int x, int y) const;  // top-left origin
};
bool ReadBitmap(const std::string& path, Bitmap* bitmap);

// The ffmpeg command-line tool found at configure time (Linux).
const char* FfmpegTool();
// The MD5 of each picture the ffmpeg tool decodes from the first video
// stream of |mediaFile| read as |container| (its framemd5 output).
std::vector<std::string> ToolPictureMd5s(const std::string& mediaFile,
                                         const std::string& container);

// Where each video packet of a transport stream starts in its file, and its
// decoding time stamp in microseconds: the pace a camera sends it at.
struct PacketTime {
  size_t position = 0;
  int64_t dtsMicros = 0;
};
std::vector<PacketTime> VideoPacketTimes(const std::string& mediaFile);

// The names both ways give a made stream's files, without a directory: the
// store keeps them under these names.
std::string StreamFileName(StreamKind kind, int frames);
std::string CameraStreamFileName(const CameraLayout& layout, int frames);
// "mpegts" or "mpeg", as the header names the container.
std::string ContainerOf(StreamKind kind);
// A stream from m4stream's output |packedFile| of |mediaFile|; frames not
// counted.
TestStream ReadPackedStream(const std::string& mediaFile, const std::string& packedFile,
                            const std::string& container);
// What the store keys the tools' answers about a file's bytes by.
std::string ContentKey(const std::vector<uint8_t>& bytes);

// Sets the environment variable |name| for this process; unsets it when
// |value| is null.
void SetVariable(const char* name, const char* value);

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const uint8_t* bytes, size_t size);
bool FileExists(const std::string& path);

}  // namespace tests_ffmpeg

#endif
