#include "HeaderFromFormat.h"

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/rational.h>
}

namespace streamformat {
namespace {

std::string DecoderName(AVCodecID id) {
  const AVCodec* codec = avcodec_find_decoder(id);
  return codec != nullptr ? codec->name : "";
}

bool IsKnown(AVRational rate) { return rate.num > 0 && rate.den > 0; }

// A live source often has no average yet when it is announced; the guess
// from its first time stamps is what the decoder would use too. Rates such
// as 120000/1001 do not fit 16 bits as they are and are approximated.
void SetFrameRate(const AVStream* video, StreamHeader* header) {
  AVRational rate = video->avg_frame_rate;
  if (!IsKnown(rate)) rate = video->r_frame_rate;
  if (!IsKnown(rate)) return;
  int num = 0;
  int den = 0;
  av_reduce(&num, &den, rate.num, rate.den, UINT16_MAX);
  header->frameRateNum = static_cast<uint16_t>(num);
  header->frameRateDen = static_cast<uint16_t>(den);
}

}  // namespace

ChosenStreams ChooseStreams(const AVFormatContext* input) {
  ChosenStreams chosen;
  for (unsigned index = 0; index < input->nb_streams; ++index) {
    const AVMediaType type = input->streams[index]->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && chosen.video < 0) chosen.video = static_cast<int>(index);
    if (type == AVMEDIA_TYPE_AUDIO && chosen.audio < 0) chosen.audio = static_cast<int>(index);
  }
  return chosen;
}

StreamHeader HeaderFromFormat(const AVFormatContext* input, const std::string& container) {
  StreamHeader header;
  header.container = container;
  const ChosenStreams chosen = ChooseStreams(input);
  if (chosen.video >= 0) {
    const AVStream* video = input->streams[chosen.video];
    header.videoCodec = DecoderName(video->codecpar->codec_id);
    header.width = static_cast<uint16_t>(video->codecpar->width);
    header.height = static_cast<uint16_t>(video->codecpar->height);
    SetFrameRate(video, &header);
  }
  if (chosen.audio >= 0) {
    header.audioCodec = DecoderName(input->streams[chosen.audio]->codecpar->codec_id);
  }
  return header;
}

}  // namespace streamformat
