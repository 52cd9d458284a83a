#include "CameraEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <cstring>
#include <stdexcept>

#include "NumberPattern.h"

namespace latency {

CameraEncoder::CameraEncoder(const CameraSettings& settings) {
  const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
  if (encoder == nullptr) throw std::runtime_error("libavcodec has no libx264 encoder");
  codec_.reset(avcodec_alloc_context3(encoder));
  AVCodecContext* codec = codec_.get();
  codec->width = settings.width;
  codec->height = settings.height;
  codec->pix_fmt = AV_PIX_FMT_YUV420P;
  codec->time_base = {1, settings.rate};
  codec->framerate = {settings.rate, 1};
  codec->gop_size = settings.rate;
  codec->max_b_frames = 0;
  codec->bit_rate = settings.bitRate;
  codec->rc_max_rate = settings.bitRate;
  codec->rc_buffer_size = static_cast<int>(settings.bitRate / 2);
  // One thread: the sender's own CPU stays small and even beside the players.
  codec->thread_count = 1;
  av_opt_set(codec->priv_data, "preset", "ultrafast", 0);
  av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
  if (avcodec_open2(codec, encoder, nullptr) < 0) {
    throw std::runtime_error("libx264 does not open for these settings");
  }
  frame_ = av_frame_alloc();
  frame_->format = codec->pix_fmt;
  frame_->width = codec->width;
  frame_->height = codec->height;
  if (av_frame_get_buffer(frame_, 0) < 0) throw std::runtime_error("no memory for a picture");
}

CameraEncoder::~CameraEncoder() { av_frame_free(&frame_); }

bool CameraEncoder::Encode(uint32_t number, AVPacket* packet, std::string* error) {
  // The encoder may still hold the previous picture's planes.
  if (av_frame_make_writable(frame_) < 0) {
    *error = "no memory for a picture";
    return false;
  }
  DrawPicture(number, frame_->data[0], frame_->linesize[0], frame_->width, frame_->height);
  for (int plane = 1; plane < 3; ++plane) {
    std::memset(frame_->data[plane], 128,
                static_cast<size_t>(frame_->linesize[plane]) * (frame_->height / 2));
  }
  frame_->pts = number;
  if (avcodec_send_frame(codec_.get(), frame_) < 0 ||
      avcodec_receive_packet(codec_.get(), packet) < 0) {
    *error = "libx264 gave no packet for picture " + std::to_string(number);
    return false;
  }
  return true;
}

}  // namespace latency
