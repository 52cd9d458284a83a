#include "CameraProgramStream.h"

#include <algorithm>
#include <cstdint>

extern "C" {
#include <libavutil/crc.h>
}

namespace tests_ffmpeg {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kVideoId = 0xE0;
constexpr uint8_t kAudioId = 0xC0;
constexpr int64_t kClockRate = 90000;
constexpr int kSoundRate = 8000;
constexpr size_t kNoStart = SIZE_MAX;

void PutU16(Bytes* out, size_t value) {
  out->push_back(static_cast<uint8_t>(value >> 8));
  out->push_back(static_cast<uint8_t>(value));
}

void AddPackHeader(Bytes* out, int64_t scr) {
  constexpr uint32_t kMuxRate = 0x3FFF;  // in 50 byte/s units
  out->insert(out->end(),
              {0x00, 0x00, 0x01, 0xBA,
               static_cast<uint8_t>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03)),
               static_cast<uint8_t>(scr >> 20),
               static_cast<uint8_t>(((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03)),
               static_cast<uint8_t>(scr >> 5), static_cast<uint8_t>(((scr << 3) & 0xF8) | 0x04),
               0x01, static_cast<uint8_t>(kMuxRate >> 14), static_cast<uint8_t>(kMuxRate >> 6),
               static_cast<uint8_t>(((kMuxRate << 2) & 0xFC) | 0x03), 0xF8});
}

void AddSystemHeader(Bytes* out) {
  const Bytes body = {0x80,     0x7F,     0xFF,        // rate bound
                      0x04,                            // one audio stream, variable rate
                      0xE1,                            // locked, one video stream
                      0x7F,     kVideoId, 0xE0, 0x80,  // buffer bounds
                      kAudioId, 0xC0,     0x20};
  out->insert(out->end(), {0x00, 0x00, 0x01, 0xBB});
  PutU16(out, body.size());
  out->insert(out->end(), body.begin(), body.end());
}

void AddStreamMap(Bytes* out, const CameraLayout& layout) {
  const uint8_t videoType = layout.video == CameraVideo::kH264 ? 0x1B : 0x24;
  const Bytes entries = {videoType, kVideoId, 0, 0, static_cast<uint8_t>(layout.sound),
                         kAudioId,  0,        0};
  Bytes map = {0x00, 0x00, 0x01, 0xBC};
  PutU16(&map, 6 + entries.size() + 4);
  map.insert(map.end(), {0x80, 0x01, 0x00, 0x00});
  PutU16(&map, entries.size());
  map.insert(map.end(), entries.begin(), entries.end());
  const uint32_t crc = av_crc(av_crc_get_table(AV_CRC_32_IEEE), UINT32_MAX, map.data(), map.size());
  for (int shift = 24; shift >= 0; shift -= 8) map.push_back(static_cast<uint8_t>(crc >> shift));
  out->insert(out->end(), map.begin(), map.end());
}

// One PES packet; a negative |pts| for none.
void AddPes(Bytes* out, uint8_t id, const uint8_t* payload, size_t size, int64_t pts) {
  const bool stamped = pts >= 0;
  out->insert(out->end(), {0x00, 0x00, 0x01, id});
  PutU16(out, 3 + (stamped ? 5 : 0) + size);
  out->insert(out->end(), {0x84, static_cast<uint8_t>(stamped ? 0x80 : 0x00),
                           static_cast<uint8_t>(stamped ? 5 : 0)});
  if (stamped) {
    out->insert(out->end(),
                {static_cast<uint8_t>(0x21 | ((pts >> 29) & 0x0E)), static_cast<uint8_t>(pts >> 22),
                 static_cast<uint8_t>(((pts >> 14) & 0xFE) | 0x01), static_cast<uint8_t>(pts >> 7),
                 static_cast<uint8_t>(((pts << 1) & 0xFE) | 0x01)});
  }
  out->insert(out->end(), payload, payload + size);
}

// Video data longer than a piece goes on in more PES packets, unstamped.
void AddVideoPes(Bytes* out, const Bytes& data, int64_t pts, size_t piece) {
  for (size_t at = 0; at < data.size(); at += piece) {
    AddPes(out, kVideoId, data.data() + at, std::min(piece, data.size() - at), at == 0 ? pts : -1);
  }
}

int NalType(const Bytes& nal, CameraVideo codec) {
  const uint8_t header = nal[4];  // after the four-byte start code
  return codec == CameraVideo::kH264 ? header & 0x1F : (header >> 1) & 0x3F;
}

bool IsSlice(int type, CameraVideo codec) {
  return codec == CameraVideo::kH264 ? (type >= 1 && type <= 5) : type < 32;
}

// The first slice of a picture: first_mb_in_slice 0, or
// first_slice_segment_in_pic_flag set.
bool BeginsPicture(const Bytes& nal, CameraVideo codec) {
  const size_t sliceHeader = codec == CameraVideo::kH264 ? 5 : 6;
  return nal.size() > sliceHeader && (nal[sliceHeader] & 0x80) != 0;
}

bool IsKeyPicture(const std::vector<Bytes>& picture, CameraVideo codec) {
  for (const Bytes& nal : picture) {
    const int type = NalType(nal, codec);
    if (codec == CameraVideo::kH264 ? type == 5 : (type >= 16 && type <= 23)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::vector<Bytes>> SplitPictures(const Bytes& video, CameraVideo codec) {
  std::vector<Bytes> nals;
  size_t start = kNoStart;
  for (size_t i = 0; i + 3 <= video.size(); ++i) {
    if (video[i] != 0 || video[i + 1] != 0 || video[i + 2] != 1) continue;
    if (start != kNoStart) {
      size_t end = i;
      while (end > start && video[end - 1] == 0) --end;
      nals.emplace_back(Bytes{0, 0, 0, 1});
      nals.back().insert(nals.back().end(), video.begin() + static_cast<ptrdiff_t>(start),
                         video.begin() + static_cast<ptrdiff_t>(end));
    }
    start = i + 3;
    i += 2;
  }
  if (start != kNoStart && start < video.size()) {
    nals.emplace_back(Bytes{0, 0, 0, 1});
    nals.back().insert(nals.back().end(), video.begin() + static_cast<ptrdiff_t>(start),
                       video.end());
  }
  std::vector<std::vector<Bytes>> pictures;
  bool sliceSeen = false;
  for (Bytes& nal : nals) {
    if (nal.size() < 6) continue;
    const bool slice = IsSlice(NalType(nal, codec), codec);
    // After a picture's slices, what is not a further slice of it begins
    // the next picture.
    if (pictures.empty() || (sliceSeen && (!slice || BeginsPicture(nal, codec)))) {
      pictures.emplace_back();
      sliceSeen = false;
    }
    sliceSeen = sliceSeen || slice;
    pictures.back().push_back(std::move(nal));
  }
  return pictures;
}

Bytes LayOutAsCamera(const Bytes& video, const Bytes& sound, const CameraLayout& layout) {
  const int64_t interval = kClockRate * layout.frameMillis / 1000;
  const size_t soundPerPicture = static_cast<size_t>(kSoundRate * layout.frameMillis / 1000);
  Bytes out;
  size_t soundAt = 0;
  int64_t pts = interval;
  for (const std::vector<Bytes>& picture : SplitPictures(video, layout.video)) {
    AddPackHeader(&out, pts - interval);
    if (IsKeyPicture(picture, layout.video)) {
      AddSystemHeader(&out);
      if (layout.streamMap) AddStreamMap(&out, layout);
    }
    if (layout.pes == PesLayout::kPesPerPicture) {
      Bytes whole;
      for (const Bytes& nal : picture) whole.insert(whole.end(), nal.begin(), nal.end());
      AddVideoPes(&out, whole, pts, layout.pieceBytes);
    } else {
      for (size_t i = 0; i < picture.size(); ++i) {
        AddVideoPes(&out, picture[i], i == 0 ? pts : -1, layout.pieceBytes);
      }
    }
    if (soundAt + soundPerPicture <= sound.size()) {
      AddPes(&out, kAudioId, sound.data() + soundAt, soundPerPicture, pts);
      soundAt += soundPerPicture;
    }
    pts += interval;
  }
  return out;
}

}  // namespace tests_ffmpeg
