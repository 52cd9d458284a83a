// The 24 operations that take a channel, each as a call with fixed, valid
// arguments, for tests that sweep all of them: with channels out of range,
// with memory running out. The out-parameters live in the table, which must
// outlive the calls.
#ifndef KELO820_TESTS_SUPPORT_CHANNELOPERATIONS_H
#define KELO820_TESTS_SUPPORT_CHANNELOPERATIONS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace kelo_test {

struct ChannelOperation {
  std::string name;
  std::function<int32_t(SinglePlayer&, int32_t channel)> call;
};

class ChannelOperations {
 public:
  // Out-parameters keep this pattern when nothing is written to them.
  static constexpr int32_t kUntouched = 0x5A5A5A5A;

  ChannelOperations() {
    auto add = [this](const char* name, std::function<int32_t(SinglePlayer&, int32_t)> call) {
      all_.push_back(ChannelOperation{name, std::move(call)});
    };
    add("Play_SetOverlayMode", [](SinglePlayer& p, int32_t c) { return p.Play_SetOverlayMode(c, 0); });
    add("Play_GetPreviewMode", [this](SinglePlayer& p, int32_t c) { return p.Play_GetPreviewMode(c, &a_, &u_); });
    add("Play_SetOpenMode", [](SinglePlayer& p, int32_t c) { return p.Play_SetOpenMode(c, 0); });
    add("Play_OpenStream", [this](SinglePlayer& p, int32_t c) {
      return p.Play_OpenStream(nullptr, c, header_, sizeof header_, 0);
    });
    add("Play_InputData", [this](SinglePlayer& p, int32_t c) { return p.Play_InputData(c, block_, sizeof block_, 0); });
    add("Play_CloseStream", [](SinglePlayer& p, int32_t c) { return p.Play_CloseStream(c); });
    add("Play_PlayState", [](SinglePlayer& p, int32_t c) { return p.Play_PlayState(c, 1); });
    add("Play_PlayState(9)", [](SinglePlayer& p, int32_t c) { return p.Play_PlayState(c, 9); });
    add("Play_GetPlayState", [this](SinglePlayer& p, int32_t c) { return p.Play_GetPlayState(c, &a_); });
    add("Play_SetVolume", [](SinglePlayer& p, int32_t c) { return p.Play_SetVolume(c, 50); });
    add("Play_GetVolume", [this](SinglePlayer& p, int32_t c) { return p.Play_GetVolume(c, &a_); });
    add("Play_GetPicture", [this](SinglePlayer& p, int32_t c) { return p.Play_GetPicture(c, path_.c_str()); });
    add("Play_RefreshPlay", [](SinglePlayer& p, int32_t c) { return p.Play_RefreshPlay(c); });
    add("Play_GetPictureSize", [this](SinglePlayer& p, int32_t c) { return p.Play_GetPictureSize(c, &a_, &b_); });
    add("Play_SetPicQuality", [](SinglePlayer& p, int32_t c) { return p.Play_SetPicQuality(c, 1); });
    add("Play_GetPicQuality", [this](SinglePlayer& p, int32_t c) { return p.Play_GetPicQuality(c, &a_); });
    add("Play_ThrowFrame", [](SinglePlayer& p, int32_t c) { return p.Play_ThrowFrame(c, 1); });
    add("Play_GetThrowNum", [this](SinglePlayer& p, int32_t c) { return p.Play_GetThrowNum(c, &a_); });
    add("Play_SetVideoPara", [this](SinglePlayer& p, int32_t c) { return p.Play_SetVideoPara(c, &para_, 1); });
    add("Play_GetVideoPara", [this](SinglePlayer& p, int32_t c) { return p.Play_GetVideoPara(c, &para_); });
    add("Play_SetDispRegion", [this](SinglePlayer& p, int32_t c) { return p.Play_SetDispRegion(c, 1, &rect_); });
    add("Play_SetDispRegion(hide)", [this](SinglePlayer& p, int32_t c) { return p.Play_SetDispRegion(c, 0, &rect_); });
    add("Play_GetDispRegion", [this](SinglePlayer& p, int32_t c) { return p.Play_GetDispRegion(c, &rect_); });
    add("Play_ClearBuffer", [](SinglePlayer& p, int32_t c) { return p.Play_ClearBuffer(c); });
    add("Play_GetBufferRemainDataSize", [this](SinglePlayer& p, int32_t c) {
      return p.Play_GetBufferRemainDataSize(c, &u_);
    });
  }

  const std::vector<ChannelOperation>& all() const { return all_; }
  // Whether an out-parameter or the video parameters were written since
  // construction.
  bool OutputsUntouched() const {
    return a_ == kUntouched && b_ == kUntouched && u_ == static_cast<uint32_t>(kUntouched) &&
           para_.reserved1 == kUntouched && para_.value1 == 1 && para_.reserved2 == kUntouched;
  }
  void set_capture_path(std::string path) { path_ = std::move(path); }

 private:
  int32_t a_ = kUntouched;
  int32_t b_ = kUntouched;
  uint32_t u_ = static_cast<uint32_t>(kUntouched);
  VideoPara para_{kUntouched, 1, 2, 3, 4, kUntouched};
  RECT rect_{0, 0, 1, 1};
  const uint8_t header_[40] = {1, 2, 3};
  const uint8_t block_[64] = {9};
  std::string path_ = "x.bmp";
  std::vector<ChannelOperation> all_;
};

}  // namespace kelo_test

#endif  // KELO820_TESTS_SUPPORT_CHANNELOPERATIONS_H
