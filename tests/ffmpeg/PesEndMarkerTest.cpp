// Ending a live transport stream's pictures at their last packet: which
// packets end a video PES, what the marker after them holds, and that the
// demuxer then hands each picture on without reading past it.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <cstring>
#include <string>
#include <vector>

#include "PesEndMarker.h"
#include "TestStreams.h"

namespace decoder_ffmpeg {
namespace {

constexpr size_t kPacket = PesEndMarker::kPacketSize;
constexpr int kVideoPid = 0x100;

// A transport packet on |pid|; |field| is the adaptation field after its
// length byte (none when empty and |withField| is false); the payload fills
// the rest, starting with a PES header for |streamId| when given.
std::vector<uint8_t> TsPacket(int pid, uint8_t counter, bool withField,
                              const std::vector<uint8_t>& field, int streamId = -1) {
  std::vector<uint8_t> packet(kPacket, 0xA5);
  packet[0] = 0x47;
  packet[1] = static_cast<uint8_t>((streamId >= 0 ? 0x40 : 0) | (pid >> 8));
  packet[2] = static_cast<uint8_t>(pid & 0xFF);
  packet[3] = static_cast<uint8_t>((withField ? 0x30 : 0x10) | counter);
  size_t at = 4;
  if (withField) {
    packet[at++] = static_cast<uint8_t>(field.size());
    std::copy(field.begin(), field.end(), packet.begin() + static_cast<std::ptrdiff_t>(at));
    at += field.size();
  }
  if (streamId >= 0) {
    const uint8_t start[] = {0, 0, 1, static_cast<uint8_t>(streamId), 0, 0, 0x80, 0, 0};
    std::memcpy(packet.data() + at, start, sizeof start);
  }
  return packet;
}

std::vector<uint8_t> Stuffed(std::vector<uint8_t> field, size_t stuffing) {
  field.insert(field.end(), stuffing, 0xFF);
  return field;
}

// The bytes as the demuxer receives them through the marker, read |readSize|
// at a time; |cuts| gets the offsets where a read ended.
std::vector<uint8_t> PassThrough(PesEndMarker& marker, const std::vector<uint8_t>& input,
                                 size_t readSize, std::vector<size_t>* cuts) {
  std::vector<uint8_t> output;
  std::vector<uint8_t> buffer(4096);
  size_t read = 0;
  for (;;) {
    size_t count = marker.Take(buffer.data(), buffer.size());
    if (count == 0) {
      if (read == input.size()) break;
      const size_t fresh = std::min(readSize, input.size() - read);
      marker.Add(input.data() + read, fresh);
      read += fresh;
      count = marker.Take(buffer.data(), fresh);
    }
    output.insert(output.end(), buffer.begin(),
                  buffer.begin() + static_cast<std::ptrdiff_t>(count));
    cuts->push_back(output.size());
  }
  return output;
}

TEST(PesEndMarkerTest, MarksTheEndOfAVideoPesOnlyWhereItsLastPacketIsPadded) {
  const uint8_t kCounter = 7;
  const struct {
    const char* name;
    bool withField;
    std::vector<uint8_t> field;
    int streamId;
    bool ends;
  } kCases[] = {
      {"stuffing after a PCR", true, Stuffed({0x10, 1, 2, 3, 4, 5, 6}, 20), 0xE0, true},
      {"an empty field", true, {}, 0xE0, true},
      {"a field that carries nothing", true, {0x00}, 0xE0, true},
      {"a PCR and no stuffing", true, {0x10, 1, 2, 3, 4, 5, 6}, 0xE0, false},
      {"a full payload", false, {}, 0xE0, false},
      {"stuffing on a sound PID", true, Stuffed({0x00}, 30), 0xC0, false},
  };
  for (const auto& row : kCases) {
    for (const size_t readSize : {size_t{4096}, size_t{100}}) {
      SCOPED_TRACE(std::string(row.name) + ", reads of " + std::to_string(readSize));
      std::vector<uint8_t> input = TsPacket(kVideoPid, kCounter - 1, false, {}, row.streamId);
      const std::vector<uint8_t> last = TsPacket(kVideoPid, kCounter, row.withField, row.field);
      input.insert(input.end(), last.begin(), last.end());
      const std::vector<uint8_t> next = TsPacket(kVideoPid, kCounter + 1, false, {}, row.streamId);
      input.insert(input.end(), next.begin(), next.end());

      PesEndMarker marker;
      std::vector<size_t> cuts;
      const std::vector<uint8_t> output = PassThrough(marker, input, readSize, &cuts);
      if (!row.ends) {
        EXPECT_EQ(output, input);
        continue;
      }
      ASSERT_EQ(output.size(), input.size() + kPacket);
      EXPECT_NE(std::find(cuts.begin(), cuts.end(), 2 * kPacket), cuts.end());
      const uint8_t* added = output.data() + 2 * kPacket;
      EXPECT_EQ(added[0], 0x47);
      EXPECT_EQ(added[1], 0x40 | (kVideoPid >> 8)) << "a unit start on the same PID";
      EXPECT_EQ(added[2], kVideoPid & 0xFF);
      EXPECT_EQ(added[3] & 0x0F, kCounter) << "the count of the packet before";
      EXPECT_EQ(added[5] & 0x80, 0x80) << "discontinuity flag";
      const uint8_t* payload = added + 5 + added[4];
      EXPECT_FALSE(payload[0] == 0 && payload[1] == 0 && payload[2] == 1) << "no PES start";
      std::vector<uint8_t> without(output.begin(), output.begin() + 2 * kPacket);
      without.insert(without.end(), output.begin() + 3 * kPacket, output.end());
      EXPECT_EQ(without, input);
    }
  }
}

// The demuxer, reading a live camera's transport stream through the marker,
// hands on each picture before the next one's bytes have arrived, and the
// pictures are those it gives without the marker, none flagged damaged.
struct LiveSource {
  PesEndMarker marker;
  bool marking = true;
  const std::vector<uint8_t>* input = nullptr;
  std::vector<size_t> arrivals;  // how far the input has arrived, step by step
  size_t arrived = 0;            // steps taken
  size_t read = 0;
  size_t Limit() const { return arrived < arrivals.size() ? arrivals[arrived] : input->size(); }
};

// Serves what has arrived; only when that is all read does the next step
// arrive.
int ReadLive(void* opaque, uint8_t* buffer, int size) {
  auto* source = static_cast<LiveSource*>(opaque);
  if (source->marking) {
    if (const size_t waiting = source->marker.Take(buffer, static_cast<size_t>(size))) {
      return static_cast<int>(waiting);
    }
  }
  if (source->read == source->Limit()) {
    if (source->arrived == source->arrivals.size()) return AVERROR_EOF;
    ++source->arrived;
  }
  const size_t fresh = std::min(static_cast<size_t>(size), source->Limit() - source->read);
  std::memcpy(buffer, source->input->data() + source->read, fresh);
  source->read += fresh;
  if (!source->marking) return static_cast<int>(fresh);
  source->marker.Add(buffer, fresh);
  return static_cast<int>(source->marker.Take(buffer, fresh));
}

struct DemuxedPicture {
  std::vector<uint8_t> bytes;
  size_t arrivedWhenHandedOn;
  bool flaggedDamaged;
};

std::vector<DemuxedPicture> Demux(const std::vector<uint8_t>& input,
                                  const std::vector<size_t>& arrivals, bool marking) {
  LiveSource source;
  source.input = &input;
  source.arrivals = arrivals;
  source.marking = marking;
  constexpr int kIoBytes = 4096;
  auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBytes));
  AVIOContext* io = avio_alloc_context(ioBuffer, kIoBytes, 0, &source, &ReadLive, nullptr, nullptr);
  AVFormatContext* format = avformat_alloc_context();
  format->pb = io;
  format->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_NOPARSE;
  format->probesize = 16 * kPacket;
  std::vector<DemuxedPicture> pictures;
  if (avformat_open_input(&format, nullptr, av_find_input_format("mpegts"), nullptr) == 0) {
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
      if (format->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        pictures.push_back({std::vector<uint8_t>(packet->data, packet->data + packet->size),
                            source.Limit(), (packet->flags & AV_PKT_FLAG_CORRUPT) != 0});
      }
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
  }
  av_freep(&io->buffer);
  avio_context_free(&io);
  return pictures;
}

// Where each video PES's last packet ends, and whether it is padded.
struct PesEnd {
  size_t end;
  bool padded;
};

std::vector<PesEnd> VideoPesEnds(const std::vector<uint8_t>& stream) {
  int videoPid = -1;
  std::vector<PesEnd> ends;
  size_t lastPacket = 0;
  bool started = false;
  for (size_t at = 0; at + kPacket <= stream.size(); at += kPacket) {
    const uint8_t* packet = stream.data() + at;
    const int pid = (packet[1] & 0x1F) << 8 | packet[2];
    const bool unitStart = (packet[1] & 0x40) != 0;
    const bool withField = (packet[3] & 0x20) != 0;
    const uint8_t* payload = packet + 4 + (withField ? 1 + packet[4] : 0);
    if (videoPid < 0 && unitStart && payload[0] == 0 && payload[1] == 0 && payload[2] == 1 &&
        (payload[3] & 0xF0) == 0xE0) {
      videoPid = pid;
    }
    if (pid != videoPid) continue;
    if (unitStart && started) {
      const uint8_t* last = stream.data() + lastPacket;
      ends.push_back({lastPacket + kPacket, (last[3] & 0x20) != 0});
    }
    started = true;
    lastPacket = at;
  }
  return ends;
}

TEST(PesEndMarkerTest, TheDemuxerHandsOnEachPictureBeforeTheNextArrives) {
  const tests_ffmpeg::TestStream& stream =
      tests_ffmpeg::Stream(tests_ffmpeg::StreamKind::kTransportH264);
  const std::vector<PesEnd> ends = VideoPesEnds(stream.payload);
  ASSERT_GT(ends.size(), 10u);
  std::vector<size_t> arrivals;
  for (const PesEnd& end : ends) arrivals.push_back(end.end);
  const std::vector<DemuxedPicture> marked = Demux(stream.payload, arrivals, true);
  const std::vector<DemuxedPicture> plain = Demux(stream.payload, arrivals, false);
  ASSERT_EQ(marked.size(), plain.size());
  ASSERT_GE(marked.size(), ends.size());
  size_t padded = 0;
  for (size_t index = 0; index < ends.size(); ++index) {
    SCOPED_TRACE("picture " + std::to_string(index));
    EXPECT_EQ(marked[index].bytes, plain[index].bytes);
    EXPECT_FALSE(marked[index].flaggedDamaged);
    if (ends[index].padded) {
      ++padded;
      EXPECT_EQ(marked[index].arrivedWhenHandedOn, ends[index].end);
    }
  }
  EXPECT_GT(padded, ends.size() / 2);
}

}  // namespace
}  // namespace decoder_ffmpeg
