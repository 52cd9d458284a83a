#include "SelfCheck.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "CameraEncoder.h"
#include "NumberPattern.h"

namespace latency {

namespace {

// A black screen with room for the largest size shown.
constexpr int kScreenWidth = 1400;
constexpr int kScreenHeight = 1100;
// Where the picture goes on it: off the edges, as a window would be.
constexpr int kLeft = 31;
constexpr int kTop = 17;

struct Screen {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kScreenWidth * kScreenHeight * 4, 0);
  ScreenImage Image() const {
    return {pixels.data(), kScreenWidth * 4, kScreenWidth, kScreenHeight};
  }
};

// |picture| scaled to |shown| as a player's window shows it, on |screen|.
void Show(const AVFrame& picture, Rect shown, Screen* screen) {
  SwsContext* scaler = sws_getContext(
      picture.width, picture.height, static_cast<AVPixelFormat>(picture.format), shown.width,
      shown.height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  uint8_t* target[4] = {screen->pixels.data() + (shown.y * kScreenWidth + shown.x) * 4};
  const int targetLine[4] = {kScreenWidth * 4};
  sws_scale(scaler, picture.data, picture.linesize, 0, picture.height, target, targetLine);
  sws_freeContext(scaler);
}

using FrameOwner = std::unique_ptr<AVFrame, void (*)(AVFrame*)>;
void FreeFrame(AVFrame* frame) { av_frame_free(&frame); }

// The pictures numbered |numbers|, through the camera's encoder and
// libavcodec's decoder; empty when either fails.
std::vector<FrameOwner> EncodeAndDecode(const std::vector<uint32_t>& numbers) {
  std::vector<FrameOwner> pictures;
  CameraEncoder encoder{CameraSettings{}};
  const AVCodec* h264 = avcodec_find_decoder(AV_CODEC_ID_H264);
  decoder_ffmpeg::CodecContextOwner decoder(avcodec_alloc_context3(h264));
  decoder->thread_count = 1;
  if (avcodec_open2(decoder.get(), h264, nullptr) < 0) return {};
  AVPacket* packet = av_packet_alloc();
  auto receive = [&] {
    for (;;) {
      FrameOwner frame(av_frame_alloc(), FreeFrame);
      if (avcodec_receive_frame(decoder.get(), frame.get()) < 0) return;
      pictures.push_back(std::move(frame));
    }
  };
  for (uint32_t number : numbers) {
    std::string error;
    if (!encoder.Encode(number, packet, &error)) {
      std::printf("self-check: %s\n", error.c_str());
      av_packet_free(&packet);
      return {};
    }
    avcodec_send_packet(decoder.get(), packet);
    av_packet_unref(packet);
    receive();
  }
  avcodec_send_packet(decoder.get(), nullptr);
  receive();
  av_packet_free(&packet);
  return pictures;
}

}  // namespace

bool PatternReadsBack() {
  // Two seconds of pictures in a row (key and predicted pictures), then
  // numbers that set every bit and every other bit.
  std::vector<uint32_t> numbers;
  for (uint32_t number = 0; number < 50; ++number) numbers.push_back(number);
  for (uint32_t number : {0x12345u, 0x55555u, 0xAAAAAu, 0xFEDCBu, kMaxNumber}) {
    numbers.push_back(number);
  }
  const std::vector<FrameOwner> pictures = EncodeAndDecode(numbers);
  if (pictures.size() != numbers.size()) {
    std::printf("self-check: %zu pictures decoded of %zu encoded\n", pictures.size(),
                numbers.size());
    return false;
  }
  // As the players show a D1 camera: its own size, halved, and stretched.
  const Rect sizes[] = {{kLeft, kTop, 704, 576}, {kLeft, kTop, 352, 288}, {kLeft, kTop, 1280, 720}};
  int failures = 0;
  for (const Rect& shown : sizes) {
    for (size_t index = 0; index < numbers.size(); ++index) {
      Screen screen;
      Show(*pictures[index], shown, &screen);
      const std::optional<Rect> found =
          PictureBounds(screen.Image(), {0, 0, kScreenWidth, kScreenHeight});
      const std::optional<uint32_t> read =
          found ? ReadNumber(screen.Image(), *found) : std::nullopt;
      if (found && std::abs(found->x - shown.x) + std::abs(found->width - shown.width) +
                           std::abs(found->y - shown.y) + std::abs(found->height - shown.height) >
                       4) {
        std::printf("self-check: picture at %dx%d+%d+%d found at %dx%d+%d+%d\n", shown.width,
                    shown.height, shown.x, shown.y, found->width, found->height, found->x,
                    found->y);
        ++failures;
      }
      if (read != numbers[index]) {
        std::printf("self-check: picture %u shown at %dx%d read as %s\n", numbers[index],
                    shown.width, shown.height, read ? std::to_string(*read).c_str() : "nothing");
        ++failures;
      }
    }
    // A picture torn where its bits meet their inverses: the new number's
    // bits over the old number's inverses.
    Screen torn;
    Show(*pictures[1], shown, &torn);
    Screen newer;
    Show(*pictures[2], shown, &newer);
    const Rect band = NumberBand(shown);
    const int tear = shown.y + static_cast<int>(shown.height * 5.0 / 16);
    std::copy(newer.pixels.begin() + band.y * kScreenWidth * 4,
              newer.pixels.begin() + tear * kScreenWidth * 4,
              torn.pixels.begin() + band.y * kScreenWidth * 4);
    if (const std::optional<uint32_t> read = ReadNumber(torn.Image(), shown)) {
      std::printf("self-check: a picture torn between 1 and 2 read as %u\n", *read);
      ++failures;
    }
  }
  if (PictureBounds(Screen().Image(), {0, 0, kScreenWidth, kScreenHeight})) {
    std::printf("self-check: a black screen holds a picture\n");
    ++failures;
  }
  std::printf("self-check: %zu numbered pictures at %zu sizes: %s\n", numbers.size(),
              std::size(sizes), failures == 0 ? "all read back" : "FAILED");
  return failures == 0;
}

}  // namespace latency
