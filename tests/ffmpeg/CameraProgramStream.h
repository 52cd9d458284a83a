// Program streams laid out as surveillance cameras send them: one pack per
// picture, a system header and a program stream map before each key
// picture, the picture's video in PES packets of explicit length (one for
// the whole picture, or one per NAL unit with the first carrying the time
// stamp), then the sound of that picture interval as G.711 in a small PES
// packet, stream id C0. The ffmpeg tool lays program streams out otherwise
// and carries no G.711 in them.
#ifndef TESTS_FFMPEG_CAMERA_PROGRAM_STREAM_H
#define TESTS_FFMPEG_CAMERA_PROGRAM_STREAM_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tests_ffmpeg {

enum class CameraVideo { kH264, kH265 };
enum class PesLayout { kPesPerPicture, kPesPerNalUnit };
// The stream types cameras give G.711 in their maps.
enum class CameraSound : uint8_t { kALaw = 0x90, kMuLaw = 0x91 };
// Payload room of a PES packet with a time stamp in its header.
constexpr size_t kLongestPesPayload = 65535 - 3 - 5;

struct CameraLayout {
  CameraVideo video = CameraVideo::kH264;
  PesLayout pes = PesLayout::kPesPerPicture;
  CameraSound sound = CameraSound::kALaw;
  bool streamMap = true;  // some cameras send none
  int frameMillis = 40;
  // Video longer goes on in more PES packets, unstamped (cameras cut at 4 to 64 KiB).
  size_t pieceBytes = kLongestPesPayload;
  bool microphone = true;  // false: no sound packets
};

// |video|: an Annex B elementary stream without B-frames; |sound|: G.711
// bytes at 8 kHz mono, spread over the pictures (what is left over after the
// last picture is not sent).
std::vector<uint8_t> LayOutAsCamera(const std::vector<uint8_t>& video,
                                    const std::vector<uint8_t>& sound, const CameraLayout& layout);

// The pictures of |video| (Annex B), each as its NAL units with their start
// codes.
std::vector<std::vector<std::vector<uint8_t>>> SplitPictures(const std::vector<uint8_t>& video,
                                                             CameraVideo codec);

}  // namespace tests_ffmpeg

#endif
