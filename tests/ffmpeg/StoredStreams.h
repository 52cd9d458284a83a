// Every stream the decoder's tests make beyond one of each kind, and where
// they cut them, listed once. On Linux the tests make them as they go with
// the ffmpeg tool; for the tests under wine, where that tool cannot run, the
// host tool (StreamStoreTool.cpp) makes them all beforehand, with what the
// ffmpeg tool and ffprobe answer about them, from these same tables.
#ifndef TESTS_FFMPEG_STORED_STREAMS_H
#define TESTS_FFMPEG_STORED_STREAMS_H

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "TestStreams.h"

namespace tests_ffmpeg {

// A camera stream without its end marker: its last pictures wait for the
// idle flush (DecoderApiTest.cpp).
constexpr int kUnmarkedFrames = 10;
// The D1 stream fed at its own pace (PacedStreamTest.cpp): two seconds,
// three key pictures.
constexpr int kPacedFrames = 50;

// One case a kind of camera stream (CameraStreamTest.cpp): where it is
// joined, where it stalls, and the mode it plays its damaged copy in.
struct CameraKindCase {
  StreamKind kind;
  const char* name;
  std::vector<int> cutsPermille;  // the first falls inside the first group of pictures
  int stallPermille;
  int32_t damagedMode;
};
inline const std::vector<CameraKindCase> kCameraKindCases = {
    {StreamKind::kCameraProgramMpeg4, "ProgramMpeg4", {97, 463}, 551, kLiveMode},
    {StreamKind::kCameraProgramH264, "ProgramH264", {211, 689}, 383, kFileMode},
    {StreamKind::kCameraTransportMpeg4, "TransportMpeg4", {97, 613}, 449, kFileMode},
    {StreamKind::kCameraTransportH264, "TransportH264", {211, 557}, 701, kLiveMode}};

// The camera program streams (CameraProgramStreamTest.cpp), each made with
// and without its map, and joined at kCameraLayoutJoinPermille.
struct CameraLayoutCase {
  const char* name;
  CameraLayout layout;
  const char* headerAudio;  // what m4stream names
};
constexpr int kCameraLayoutFrames = 50;
// The camera that stalls for three seconds (CameraProgramStreamTest.cpp).
constexpr int kCameraStallFrames = 200;
constexpr int kCameraLayoutJoinPermille = 370;
inline const std::vector<CameraLayoutCase> kCameraLayoutCases = {
    {"H264PesPerPictureALaw",
     {CameraVideo::kH264, PesLayout::kPesPerPicture, CameraSound::kALaw},
     "pcm_alaw"},
    {"H264PesPerNalUnitMuLaw",
     {CameraVideo::kH264, PesLayout::kPesPerNalUnit, CameraSound::kMuLaw},
     "pcm_mulaw"},
    {"H265PesPerPictureMuLaw",
     {CameraVideo::kH265, PesLayout::kPesPerPicture, CameraSound::kMuLaw},
     "pcm_mulaw"},
    {"H265PesPerNalUnitALaw",
     {CameraVideo::kH265, PesLayout::kPesPerNalUnit, CameraSound::kALaw},
     "pcm_alaw"}};

// Camera streams whose pictures go on in more PES packets
// (CameraProgramStreamTest.cpp), each joined at every kCutJoinsPermille,
// within a group of pictures. The test's pictures take 3 to 7 KiB: 4 KiB
// pieces cut only key pictures, 2 KiB ones every picture.
constexpr int kCutJoinsPermille[] = {150, 300, 420};
inline const std::vector<CameraLayoutCase> kCutPictureCases = {
    {"H264KeysCutALaw",
     {CameraVideo::kH264, PesLayout::kPesPerPicture, CameraSound::kALaw, true, 40, 4096},
     "pcm_alaw"},
    {"H264AllCutSilent",
     {CameraVideo::kH264, PesLayout::kPesPerPicture, CameraSound::kALaw, true, 40, 2048, false},
     ""},
    {"H265KeysCutSilent",
     {CameraVideo::kH265, PesLayout::kPesPerPicture, CameraSound::kMuLaw, true, 40, 4096, false},
     ""}};

// The layouts whose picture ends are checked (PictureEndsTest.cpp).
struct EndsCase {
  const char* name;
  CameraLayout layout;
  bool withSound;
  bool endKnown;  // at the end of its pack, or only when the next begins
};
constexpr int kEndsFrames = 12;
inline const std::vector<EndsCase> kEndsCases = {
    {"H264PesPerPicture", {CameraVideo::kH264, PesLayout::kPesPerPicture}, true, true},
    {"H265PesPerNalUnit", {CameraVideo::kH265, PesLayout::kPesPerNalUnit}, true, true},
    // Its key pictures cut into pieces, which a shorter PES cannot be.
    {"H265PesPerPictureCutNoSound",
     {CameraVideo::kH265, PesLayout::kPesPerPicture, CameraSound::kALaw, true, 40, 4096},
     false,
     true},
    // Nothing after a picture's last NAL unit, or in a stream that never
    // cuts a picture, tells that it is the last.
    {"H264PesPerPictureNoSound", {CameraVideo::kH264, PesLayout::kPesPerPicture}, false, false},
    {"H264PesPerNalUnitNoSound", {CameraVideo::kH264, PesLayout::kPesPerNalUnit}, false, false}};

// Test cases print as their names.
inline void PrintTo(const CameraKindCase& tested, std::ostream* out) { *out << tested.name; }
inline void PrintTo(const CameraLayoutCase& tested, std::ostream* out) { *out << tested.name; }
inline void PrintTo(const EndsCase& tested, std::ostream* out) { *out << tested.name; }

// The 16 bytes of the end-of-stream marker that end every payload.
constexpr size_t kMarkerBytes = 16;
// Where a stream is joined: |permille| of its payload before the marker.
inline size_t JoinPoint(const TestStream& stream, int permille) {
  return (stream.payload.size() - kMarkerBytes) * static_cast<size_t>(permille) / 1000;
}

}  // namespace tests_ffmpeg

#endif
