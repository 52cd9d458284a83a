// Taking G.711 packets out of a program stream on its way to the demuxer:
// whatever the reads' sizes, the demuxer gets the same bytes with only the
// G.711 packets relabelled as padding, and the sound decoder gets their
// payloads in order, in the law the stream's map or else the header names.
#include <gtest/gtest.h>

#include <vector>

#include "CameraProgramStream.h"
#include "G711Separator.h"

namespace decoder_ffmpeg {
namespace {

using tests_ffmpeg::CameraLayout;
using tests_ffmpeg::CameraSound;

// Two pictures' worth of NAL units: parameter sets, a key slice, a slice.
const std::vector<uint8_t> kVideo = {
    0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1E, 0xAB, 0, 0, 0, 1, 0x68, 0xCE, 0x38, 0x80,
    0, 0, 0, 1, 0x65, 0x88, 0x84, 0x00, 0x33, 0, 0, 0, 1, 0x41, 0x9A, 0x02, 0x04};

std::vector<uint8_t> Sound() {
  std::vector<uint8_t> sound(2 * 320);
  for (size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<uint8_t>(i * 7);
  return sound;
}

struct Separated {
  std::vector<uint8_t> demuxed;
  std::vector<uint8_t> heard;
  std::vector<streamformat::G711Law> laws;
};

Separated Separate(const std::vector<uint8_t>& stream, streamformat::G711Law headerLaw,
                   size_t readSize) {
  Separated out;
  G711Separator separator(headerLaw,
                          [&](streamformat::G711Law law, const uint8_t* payload, size_t size) {
                            out.heard.insert(out.heard.end(), payload, payload + size);
                            out.laws.push_back(law);
                          });
  std::vector<uint8_t> room(1000);
  for (size_t at = 0; at < stream.size(); at += readSize) {
    separator.Add(stream.data() + at, std::min(readSize, stream.size() - at));
    while (const size_t ready = separator.Take(room.data(), room.size())) {
      out.demuxed.insert(out.demuxed.end(), room.begin(), room.begin() + ready);
    }
  }
  return out;
}

// The stream as the demuxer should see it: audio packets as padding.
std::vector<uint8_t> Relabelled(std::vector<uint8_t> stream) {
  for (size_t i = 0; i + 4 <= stream.size(); ++i) {
    if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1 && stream[i + 3] == 0xC0) {
      stream[i + 3] = 0xBE;
    }
  }
  return stream;
}

TEST(G711SeparatorTest, SoundOutAndEveryOtherBytePassedWhateverTheReadSize) {
  CameraLayout layout;
  layout.sound = CameraSound::kMuLaw;
  const std::vector<uint8_t> stream = tests_ffmpeg::LayOutAsCamera(kVideo, Sound(), layout);
  for (size_t readSize : {size_t{1}, size_t{5}, size_t{188}, stream.size()}) {
    SCOPED_TRACE("reads of " + std::to_string(readSize));
    // The map names mu-law; the header's A-law does not count for C0.
    const Separated separated = Separate(stream, streamformat::G711Law::kALaw, readSize);
    EXPECT_EQ(separated.demuxed, Relabelled(stream));
    EXPECT_EQ(separated.heard, Sound());
    EXPECT_EQ(separated.laws, std::vector<streamformat::G711Law>(2, streamformat::G711Law::kMuLaw));
  }
}

TEST(G711SeparatorTest, WithoutAMapOnlyTheHeaderNamesTheLaw) {
  CameraLayout layout;
  layout.streamMap = false;
  const std::vector<uint8_t> stream = tests_ffmpeg::LayOutAsCamera(kVideo, Sound(), layout);
  const Separated named = Separate(stream, streamformat::G711Law::kALaw, 64);
  EXPECT_EQ(named.heard, Sound());
  EXPECT_EQ(named.laws, std::vector<streamformat::G711Law>(2, streamformat::G711Law::kALaw));
  const Separated unnamed = Separate(stream, streamformat::G711Law::kNone, 64);
  EXPECT_EQ(unnamed.demuxed, stream);
  EXPECT_TRUE(unnamed.heard.empty());
}

}  // namespace
}  // namespace decoder_ffmpeg
