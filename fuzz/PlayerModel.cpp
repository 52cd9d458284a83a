#include "PlayerModel.h"

#include <algorithm>

#include "Kelo820_PlaySDKCodes.h"

namespace fuzz {

namespace {

constexpr int32_t kInvalid = kelo820::kInvalidArgument;
using kelo820::kOutOfOrder;
constexpr int32_t kStepping = kelo820::kInputRefused;
constexpr int32_t kSteppingState = kelo820::kStepping;

bool IsChannel(int32_t channel) { return channel >= 0 && channel < kChannels; }

}  // namespace

void DecoderModel::FailNext(const std::string& function, int32_t count) {
  int32_t& planned = failNext[function];
  planned = std::max(planned, count);
}

bool DecoderModel::Call(const char* function) {
  ++calls;
  auto found = failNext.find(function);
  if (found == failNext.end() || found->second == 0) return true;
  --found->second;
  return false;
}

int32_t DecoderModel::LastError(int32_t port) {
  ++calls;
  return IsChannel(port) ? lastError[port] : 0;
}

int32_t PlayerModel::Failed(int32_t channel) {
  const int32_t code = decoder_.LastError(channel);
  return code >= 1 && code <= 23 ? code + 1 : 26;
}

int32_t PlayerModel::InitDDraw() {
  decoder_.Call("PlayM4_InitDDraw");
  return 0;
}

int32_t PlayerModel::ReleaseDDraw() {
  decoder_.Call("PlayM4_RealeseDDraw");
  return 0;
}

int32_t PlayerModel::SetOverlayMode(int32_t channel, uint32_t colorKey) {
  if (!IsChannel(channel) || colorKey > 0x00FFFFFF) return kInvalid;
  channels_[channel].overlayMode = 1;
  colorKey_ = colorKey;
  return decoder_.Call("PlayM4_SetOverlayMode") ? 0 : Failed(channel);
}

int32_t PlayerModel::GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey) {
  if (!IsChannel(channel) || mode == nullptr || colorKey == nullptr) return kInvalid;
  *mode = channels_[channel].overlayMode;
  *colorKey = colorKey_;
  return 0;
}

int32_t PlayerModel::SetOpenMode(int32_t channel, int32_t mode) {
  if (!IsChannel(channel) || (mode != 0 && mode != 1)) return kInvalid;
  return decoder_.Call("PlayM4_SetStreamOpenMode") ? 0 : Failed(channel);
}

int32_t PlayerModel::OpenStream(int32_t channel, bool header, uint32_t headerSize) {
  if (!IsChannel(channel) || !header || headerSize == 0) return kInvalid;
  if (channels_[channel].playState != 0) {
    const int32_t closed = CloseStream(channel);
    if (closed != 0) return closed;
  }
  if (!decoder_.Call("PlayM4_OpenStream")) return Failed(channel);
  if (!decoder_.Call("PlayM4_Play")) {
    const int32_t result = Failed(channel);
    decoder_.Call("PlayM4_CloseStream");
    return result;
  }
  channels_[channel].playState = 1;
  return 0;
}

int32_t PlayerModel::InputData(int32_t channel, bool data, uint32_t size) {
  if (!IsChannel(channel) || !data || size == 0) return kInvalid;
  ChannelModel& state = channels_[channel];
  if (state.playState == 0) return kOutOfOrder;
  if (state.playState == kSteppingState) {
    if (state.stepInputAllowed != 1) return kStepping;
    state.stepInputAllowed = 0;  // used up by this block, taken or not
  }
  int32_t result = 0;
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (decoder_.Call("PlayM4_InputData")) {
      result = 0;
      break;
    }
    result = Failed(channel);
  }
  return result;
}

int32_t PlayerModel::CloseStream(int32_t channel) {
  if (!IsChannel(channel)) return kInvalid;
  ChannelModel& state = channels_[channel];
  if (state.playState == 0) return kOutOfOrder;
  if (!decoder_.Call("PlayM4_Stop")) return Failed(channel);
  if (!decoder_.Call("PlayM4_CloseStream")) return Failed(channel);
  state.playState = 0;
  state.video = VideoPara{state.video.reserved1, 50, 50, 50, 50, state.video.reserved2};
  return 0;
}

int32_t PlayerModel::RunPlayCommand(int32_t channel, int32_t command) {
  if (command == 2) return decoder_.Call("PlayM4_Pause") ? 0 : Failed(channel);
  if (!decoder_.Call("PlayM4_Play")) return Failed(channel);
  if (command == 1) return decoder_.Call("PlayM4_Pause") ? 0 : Failed(channel);
  // 3 to 5 are one to three steps faster, 6 to 8 one to three slower.
  const char* function = command <= 5 ? "PlayM4_Fast" : "PlayM4_Slow";
  const int32_t steps = command <= 5 ? command - 2 : command - 5;
  for (int32_t step = 0; step < steps; ++step) {
    if (!decoder_.Call(function)) return Failed(channel);
  }
  return 0;
}

int32_t PlayerModel::PlayState(int32_t channel, int32_t command) {
  if (!IsChannel(channel)) return kInvalid;
  ChannelModel& state = channels_[channel];
  if (state.playState == 0) return kOutOfOrder;
  if (command < 1 || command > kSteppingState) return 0;
  if (command == kSteppingState) {
    if (!decoder_.Call("PlayM4_OneByOne")) return Failed(channel);
    state.stepInputAllowed = state.playState == kSteppingState ? 1 : 0;
    state.playState = kSteppingState;
    return 0;
  }
  if (state.playState == command) return 0;
  const int32_t result = RunPlayCommand(channel, command);
  if (result == 0) state.playState = command;
  return result;
}

int32_t PlayerModel::GetPlayState(int32_t channel, int32_t* state) {
  if (!IsChannel(channel) || state == nullptr) return kInvalid;
  *state = channels_[channel].playState;
  return 0;
}

int32_t PlayerModel::SetVolume(int32_t channel, int32_t volume) {
  if (!IsChannel(channel) || volume < 0 || volume > 100) return kInvalid;
  if (volume == 0) {
    if (!decoder_.Call("PlayM4_StopSound")) return Failed(channel);
  } else {
    if (!decoder_.Call("PlayM4_PlaySound")) return Failed(channel);
    if (!decoder_.Call("PlayM4_SetVolume")) return Failed(channel);
  }
  volume_ = volume;
  return 0;
}

int32_t PlayerModel::GetVolume(int32_t channel, int32_t* volume) {
  if (!IsChannel(channel) || volume == nullptr) return kInvalid;
  *volume = volume_;
  return 0;
}

int32_t PlayerModel::GetPicture(int32_t channel, const char* path) {
  if (!IsChannel(channel) || path == nullptr) return kInvalid;
  if (!decoder_.Call("PlayM4_SetDisplayCallBack")) return Failed(channel);
  // The first picture shown takes the name and is converted; later ones
  // find no name and reach no decoder function.
  const bool converts = decoder_.framesPerCallback > 0 && path[0] != '\0';
  const int32_t converted =
      converts && !decoder_.Call("PlayM4_ConvertToBmpFile") ? Failed(channel) : 0;
  if (!decoder_.Call("PlayM4_SetDisplayCallBack")) return Failed(channel);
  return converts ? converted : kelo820::kNoPictureCaptured;
}

int32_t PlayerModel::RefreshPlay(int32_t channel) {
  if (!IsChannel(channel)) return kInvalid;
  return decoder_.Call("PlayM4_RefreshPlay") ? 0 : Failed(channel);
}

int32_t PlayerModel::GetHeadLen(uint32_t* length) {
  if (length == nullptr) return kInvalid;
  ++decoder_.calls;
  *length = decoder_.headLength;
  return 0;
}

int32_t PlayerModel::GetPictureSize(int32_t channel, int32_t* width, int32_t* height) {
  if (!IsChannel(channel) || width == nullptr || height == nullptr) return kInvalid;
  if (!decoder_.Call("PlayM4_GetPictureSize")) {
    *width = 352;
    *height = 288;
    return Failed(channel);
  }
  *width = decoder_.width;
  *height = decoder_.height;
  channels_[channel].picture = RECT{0, 0, decoder_.width, decoder_.height};
  return 0;
}

int32_t PlayerModel::SetPicQuality(int32_t channel, int32_t quality) {
  if (!IsChannel(channel)) return kInvalid;
  if (!decoder_.Call("PlayM4_SetPicQuality")) return Failed(channel);
  channels_[channel].quality = quality;
  return 0;
}

int32_t PlayerModel::GetPicQuality(int32_t channel, int32_t* quality) {
  if (!IsChannel(channel) || quality == nullptr) return kInvalid;
  *quality = channels_[channel].quality;
  return 0;
}

int32_t PlayerModel::ThrowFrame(int32_t channel, int32_t count) {
  if (!IsChannel(channel) || count < 0 || count > 2) return kInvalid;
  if (!decoder_.Call("PlayM4_ThrowBFrameNum")) decoder_.LastError(channel);
  channels_[channel].throwCount = count;
  return 0;
}

int32_t PlayerModel::GetThrowNum(int32_t channel, int32_t* count) {
  if (!IsChannel(channel) || count == nullptr) return kInvalid;
  *count = channels_[channel].throwCount;
  return 0;
}

int32_t PlayerModel::SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault) {
  if (!IsChannel(channel) || para == nullptr) return kInvalid;
  if (para->value1 < 0 || para->value1 > 100 || para->value2 < 0 || para->value2 > 100) {
    return kInvalid;
  }
  if (useDefault != 0) para->value1 = para->value2 = para->value3 = para->value4 = 50;
  VideoPara& stored = channels_[channel].video;
  stored = VideoPara{stored.reserved1, para->value1, para->value2,
                     para->value3,     para->value4, stored.reserved2};
  return 0;
}

int32_t PlayerModel::GetVideoPara(int32_t channel, VideoPara* para) {
  if (!IsChannel(channel) || para == nullptr) return kInvalid;
  *para = channels_[channel].video;
  return 0;
}

int32_t PlayerModel::SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) {
  if (!IsChannel(channel)) return kInvalid;
  ChannelModel& state = channels_[channel];
  if (enable == 0) {
    if (!decoder_.Call("PlayM4_SetDisplayRegion")) return Failed(channel);
    state.region = RECT{0, 0, 0, 0};
    return 0;
  }
  if (rect == nullptr || rect->top < 0 || rect->left < 0 || rect->right > state.picture.right ||
      rect->bottom > state.picture.bottom) {
    return kInvalid;
  }
  if (!decoder_.Call("PlayM4_SetDisplayRegion")) return Failed(channel);
  state.region = *rect;
  return 0;
}

int32_t PlayerModel::GetDispRegion(int32_t channel, RECT* rect) {
  if (!IsChannel(channel) || rect == nullptr) return kInvalid;
  *rect = channels_[channel].region;
  return 0;
}

int32_t PlayerModel::ClearBuffer(int32_t channel) {
  if (!IsChannel(channel)) return kInvalid;
  return decoder_.Call("PlayM4_ResetSourceBuffer") ? 0 : Failed(channel);
}

int32_t PlayerModel::GetBufferRemainDataSize(int32_t channel, uint32_t* size) {
  if (!IsChannel(channel) || size == nullptr) return kInvalid;
  ++decoder_.calls;
  *size = decoder_.remain;
  return 0;
}

}  // namespace fuzz
