#include "SentPictures.h"

#include <algorithm>

namespace bench {

namespace {

int64_t ReadPts(const uint8_t* p) {
  return (static_cast<int64_t>((p[0] >> 1) & 7) << 30) | (p[1] << 22) | ((p[2] >> 1) << 15) |
         (p[3] << 7) | (p[4] >> 1);
}

}  // namespace

// A transport stream splits at each video packet that starts a PES packet;
// the PES header gives the time stamp.
std::vector<SentPicture> SplitTransportStream(const std::vector<uint8_t>& ts) {
  std::vector<SentPicture> pictures;
  int videoPid = -1;
  for (size_t at = 0; at + kTsPacket <= ts.size(); at += kTsPacket) {
    const uint8_t* packet = ts.data() + at;
    const int pid = ((packet[1] & 0x1F) << 8) | packet[2];
    if ((packet[1] & 0x40) == 0 || (packet[3] & 0x10) == 0) continue;
    const size_t payload = (packet[3] & 0x20) != 0 ? 5 + packet[4] : 4;
    const uint8_t* pes = packet + payload;
    if (payload + 14 > kTsPacket || pes[0] != 0 || pes[1] != 0 || pes[2] != 1) continue;
    if (videoPid < 0 && (pes[3] & 0xF0) == 0xE0) videoPid = pid;
    if (pid != videoPid) continue;
    if (!pictures.empty()) pictures.back().end = at;
    pictures.push_back({at, ts.size(), (pes[7] & 0x80) != 0 ? ReadPts(pes + 9) : 0});
  }
  return pictures;
}

// A program stream splits at each picture start code of its MPEG video,
// found in the video packets' payloads (a start code may straddle two
// packets, and the packs' own bytes may look like one); the time stamps
// follow the pictures' display order from the picture headers' temporal
// references, one interval each within a group.
std::vector<SentPicture> SplitProgramStream(const std::vector<uint8_t>& ps) {
  std::vector<uint8_t> video;
  std::vector<size_t> placeInStream;  // of each byte of |video|
  for (size_t at = 0; at + 6 <= ps.size();) {
    if (ps[at] != 0 || ps[at + 1] != 0 || ps[at + 2] != 1) {
      ++at;
      continue;
    }
    const uint8_t id = ps[at + 3];
    if (id == 0xBA) {  // an MPEG-2 pack header and its stuffing
      at += at + 14 <= ps.size() ? 14 + (ps[at + 13] & 7) : 14;
      continue;
    }
    if (id < 0xBB) {
      at += 4;
      continue;
    }
    const size_t end = std::min(ps.size(), at + 6 + ((ps[at + 4] << 8) | ps[at + 5]));
    if ((id & 0xF0) == 0xE0 && at + 9 <= end) {
      for (size_t i = at + 9 + ps[at + 8]; i < end; ++i) {
        video.push_back(ps[i]);
        placeInStream.push_back(i);
      }
    }
    at = end;
  }
  std::vector<SentPicture> pictures;
  int64_t groupStart = 0;
  int64_t groupSize = 0;
  for (size_t at = 0; at + 6 <= video.size(); ++at) {
    if (video[at] != 0 || video[at + 1] != 0 || video[at + 2] != 1) continue;
    if (video[at + 3] == 0xB8) {  // a new group: references count from 0 again
      groupStart += groupSize;
      groupSize = 0;
    }
    if (video[at + 3] != 0x00) continue;
    const int temporal = (video[at + 4] << 2) | (video[at + 5] >> 6);
    groupSize = std::max<int64_t>(groupSize, temporal + 1);
    if (!pictures.empty()) pictures.back().end = placeInStream[at];
    pictures.push_back({placeInStream[at], ps.size(), (groupStart + temporal) * kFrameMillis * 90});
  }
  if (!pictures.empty()) pictures.front().begin = 0;
  return pictures;
}

// A camera's program stream splits at each pack header: a pack per picture,
// its sound after it; the time stamp is its first video PES's.
std::vector<SentPicture> SplitCameraStream(const std::vector<uint8_t>& ps) {
  std::vector<SentPicture> pictures;
  for (size_t at = 0; at + 14 <= ps.size();) {
    const uint8_t id = ps[at + 3];
    if (id == 0xBA) {
      if (!pictures.empty()) pictures.back().end = at;
      pictures.push_back({at, ps.size(), -1});
      at += 14 + (ps[at + 13] & 7);
      continue;
    }
    if ((id & 0xF0) == 0xE0 && !pictures.empty() && pictures.back().ptsMs < 0 &&
        (ps[at + 7] & 0x80) != 0) {
      pictures.back().ptsMs = ReadPts(ps.data() + at + 9);
    }
    at += 6 + ((ps[at + 4] << 8) | ps[at + 5]);
  }
  return pictures;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

}  // namespace bench
