// A small model of the player's channel table and of the scripted decoder's
// answers, written from the operations' descriptions: what each call must
// return, which settings it stores, and how many decoder calls it makes.
#ifndef KELO820_FUZZ_PLAYERMODEL_H
#define KELO820_FUZZ_PLAYERMODEL_H

#include <cstdint>
#include <map>
#include <string>

#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"

namespace fuzz {

constexpr int32_t kChannels = kelo820::kChannelCount;

// The scripted decoder as the fuzzer scripts it: "the next k calls of a
// function fail" plans, error codes per port and fixed answers.
struct DecoderModel {
  std::map<std::string, int32_t> failNext;
  int32_t lastError[kChannels] = {};
  int32_t width = 352;
  int32_t height = 288;
  uint32_t remain = 0;
  uint32_t headLength = 40;
  int32_t framesPerCallback = 0;
  size_t calls = 0;

  void FailNext(const std::string& function, int32_t count);
  // Counts a call of |function|; false when a plan makes it fail.
  bool Call(const char* function);
  int32_t LastError(int32_t port);
};

struct ChannelModel {
  int32_t playState = 0;
  int32_t stepInputAllowed = 0;
  int32_t overlayMode = 0;
  int32_t quality = 0;
  int32_t throwCount = 0;
  VideoPara video{0, 50, 50, 50, 50, 0};
  RECT picture{0, 0, 0, 0};
  RECT region{0, 0, 0, 0};
};

// Null pointers stand for the client passing no address.
class PlayerModel {
 public:
  explicit PlayerModel(DecoderModel& decoder) : decoder_(decoder) {}

  int32_t InitDDraw();
  int32_t ReleaseDDraw();
  int32_t SetOverlayMode(int32_t channel, uint32_t colorKey);
  int32_t GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey);
  int32_t SetOpenMode(int32_t channel, int32_t mode);
  int32_t OpenStream(int32_t channel, bool header, uint32_t headerSize);
  int32_t InputData(int32_t channel, bool data, uint32_t size);
  int32_t CloseStream(int32_t channel);
  int32_t PlayState(int32_t channel, int32_t command);
  int32_t GetPlayState(int32_t channel, int32_t* state);
  int32_t SetVolume(int32_t channel, int32_t volume);
  int32_t GetVolume(int32_t channel, int32_t* volume);
  int32_t GetPicture(int32_t channel, const char* path);
  int32_t RefreshPlay(int32_t channel);
  int32_t GetHeadLen(uint32_t* length);
  int32_t GetPictureSize(int32_t channel, int32_t* width, int32_t* height);
  int32_t SetPicQuality(int32_t channel, int32_t quality);
  int32_t GetPicQuality(int32_t channel, int32_t* quality);
  int32_t ThrowFrame(int32_t channel, int32_t count);
  int32_t GetThrowNum(int32_t channel, int32_t* count);
  int32_t SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault);
  int32_t GetVideoPara(int32_t channel, VideoPara* para);
  int32_t SetDispRegion(int32_t channel, int32_t enable, const RECT* rect);
  int32_t GetDispRegion(int32_t channel, RECT* rect);
  int32_t ClearBuffer(int32_t channel);
  int32_t GetBufferRemainDataSize(int32_t channel, uint32_t* size);

 private:
  // The result of a decoder failure on |channel|: its error code plus one.
  int32_t Failed(int32_t channel);
  int32_t RunPlayCommand(int32_t channel, int32_t command);

  DecoderModel& decoder_;
  ChannelModel channels_[kChannels];
  uint32_t colorKey_ = 0x00FF00FF;
  int32_t volume_ = 0;
};

}  // namespace fuzz

#endif  // KELO820_FUZZ_PLAYERMODEL_H
