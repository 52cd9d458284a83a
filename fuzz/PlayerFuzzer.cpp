// Drives the player with random call sequences on random channels, in range
// and out of it, while the scripted decoder refuses random calls. Every
// result, every value read back and the number of decoder calls each
// operation makes are compared with the model in PlayerModel.h.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Kelo820_PlaySDK.h"
#include "PlayerModel.h"
#include "ScriptedDecoder.h"
#include "TestFiles.h"
#include "TestPlatform.h"

namespace {

using fuzz::DecoderModel;
using fuzz::PlayerModel;

// The decoder functions whose answer is success or failure.
const char* const kFallible[] = {
    "PlayM4_InitDDraw",
    "PlayM4_RealeseDDraw",
    "PlayM4_SetStreamOpenMode",
    "PlayM4_OpenStream",
    "PlayM4_Play",
    "PlayM4_InputData",
    "PlayM4_Stop",
    "PlayM4_CloseStream",
    "PlayM4_Pause",
    "PlayM4_Fast",
    "PlayM4_Slow",
    "PlayM4_OneByOne",
    "PlayM4_PlaySound",
    "PlayM4_StopSound",
    "PlayM4_SetVolume",
    "PlayM4_SetDisplayCallBack",
    "PlayM4_SetOverlayMode",
    "PlayM4_RefreshPlay",
    "PlayM4_SetDisplayRegion",
    "PlayM4_GetPictureSize",
    "PlayM4_SetPicQuality",
    "PlayM4_ThrowBFrameNum",
    "PlayM4_ResetSourceBuffer",
};

void Expect(bool condition, const char* what, int step) {
  if (condition) return;
  std::fprintf(stderr, "model mismatch at step %d: %s\n", step, what);
  std::abort();
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool SamePara(const VideoPara& a, const VideoPara& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The fixed world every input runs in: a temporary drive with the
// configuration, and a platform that records pauses instead of sleeping.
struct World {
  tests::TempDirectory drive;
  tests::TestPlatform platform{drive.path()};
  std::string capturePath = drive.path() + "capture.bmp";
  int32_t configuredLevel = -1;

  void Configure(int32_t level) {
    if (level == configuredLevel) return;
    tests::MakeDirectories(drive.path() + "q81/cfg");
    tests::WriteBytes(drive.path() + "q81/cfg/Q81.cfg", "[GLOBAL]\n[TRACE_PATH] [" + drive.path() +
                                                            "logs/]\n[DEBUG_LEVEL] [" +
                                                            std::to_string(level) + "]\n");
    configuredLevel = level;
  }
};

class Session {
 public:
  Session(FuzzedDataProvider& input, SinglePlayer& player, World& world)
      : input_(input), player_(player), world_(world), model_(decoder_) {}

  void Run() {
    for (int step = 0; step < 200 && input_.remaining_bytes() > 0; ++step) Step(step);
  }

 private:
  int32_t Channel() {
    switch (input_.ConsumeIntegralInRange<int>(0, 9)) {
      case 0:
        return input_.PickValueInArray({-1, 32, INT32_MIN, INT32_MAX});
      case 1:
        return input_.ConsumeIntegral<int32_t>();
      default:
        return input_.ConsumeIntegralInRange<int32_t>(0, 3);
    }
  }
  // Mostly a real address, now and then none.
  bool Address() { return input_.ConsumeIntegralInRange<int>(0, 15) != 0; }

  void Step(int step) {
    const int32_t channel = Channel();
    const bool address = Address();
    const size_t callsBefore = static_cast<size_t>(Scripted_CallCount());
    decoder_.calls = 0;
    int32_t a = -7, b = -7, ma = -7, mb = -7;
    uint32_t u = 7, mu = 7;
    int32_t result = 0;
    int32_t expected = 0;
    switch (input_.ConsumeIntegralInRange<int>(0, 33)) {
      case 0: {
        const auto function = input_.PickValueInArray(kFallible);
        const int32_t count = input_.ConsumeIntegralInRange<int32_t>(1, 12);
        Scripted_FailNextCalls(function, count);
        decoder_.FailNext(function, count);
        break;
      }
      case 1: {
        const int32_t port = input_.ConsumeIntegralInRange<int32_t>(0, 3);
        const int32_t code = input_.ConsumeIntegralInRange<int32_t>(-2, 30);
        Scripted_SetLastError(port, code);
        decoder_.lastError[port] = code;
        break;
      }
      case 2:
        decoder_.width = input_.ConsumeIntegralInRange<int32_t>(-2, 2000);
        decoder_.height = input_.ConsumeIntegralInRange<int32_t>(-2, 2000);
        Scripted_SetPictureSize(decoder_.width, decoder_.height);
        break;
      case 3:
        decoder_.remain = input_.ConsumeIntegral<uint32_t>();
        decoder_.headLength = input_.ConsumeIntegral<uint32_t>();
        Scripted_SetSourceBufferRemain(decoder_.remain);
        Scripted_SetFileHeadLength(decoder_.headLength);
        break;
      case 4:
        decoder_.framesPerCallback = input_.ConsumeIntegralInRange<int32_t>(0, 2);
        Scripted_SetFramesPerCallback(decoder_.framesPerCallback);
        break;
      case 5:
        world_.Configure(input_.ConsumeIntegralInRange<int32_t>(0, 2));
        result = player_.Play_InitDDraw(nullptr);
        expected = model_.InitDDraw();
        break;
      case 6:
        result = player_.Play_ReleaseDDraw();
        expected = model_.ReleaseDDraw();
        break;
      case 7: {
        const uint32_t key = input_.ConsumeBool()
                                 ? input_.ConsumeIntegral<uint32_t>()
                                 : input_.ConsumeIntegralInRange<uint32_t>(0, 0x00FFFFFF);
        result = player_.Play_SetOverlayMode(channel, key);
        expected = model_.SetOverlayMode(channel, key);
        break;
      }
      case 8:
        result = player_.Play_GetPreviewMode(channel, address ? &a : nullptr, &u);
        expected = model_.GetPreviewMode(channel, address ? &ma : nullptr, &mu);
        break;
      case 9: {
        const int32_t mode = input_.ConsumeIntegralInRange<int32_t>(-1, 2);
        result = player_.Play_SetOpenMode(channel, mode);
        expected = model_.SetOpenMode(channel, mode);
        break;
      }
      case 10:
      case 11: {
        const uint32_t size = input_.ConsumeBool() ? sizeof header_ : 0;
        result = player_.Play_OpenStream(nullptr, channel, address ? header_ : nullptr, size, 0);
        expected = model_.OpenStream(channel, address, size);
        break;
      }
      case 12:
      case 13:
      case 14: {
        const uint32_t size = input_.ConsumeIntegralInRange<int>(0, 7) != 0 ? sizeof block_ : 0;
        result = player_.Play_InputData(channel, address ? block_ : nullptr, size, 0);
        expected = model_.InputData(channel, address, size);
        break;
      }
      case 15:
        result = player_.Play_CloseStream(channel);
        expected = model_.CloseStream(channel);
        break;
      case 16:
      case 17:
      case 18: {
        const int32_t command = input_.ConsumeIntegralInRange<int32_t>(-1, 10);
        result = player_.Play_PlayState(channel, command);
        expected = model_.PlayState(channel, command);
        break;
      }
      case 19:
        result = player_.Play_GetPlayState(channel, address ? &a : nullptr);
        expected = model_.GetPlayState(channel, address ? &ma : nullptr);
        break;
      case 20: {
        const int32_t volume = input_.ConsumeIntegralInRange<int32_t>(-2, 102);
        result = player_.Play_SetVolume(channel, volume);
        expected = model_.SetVolume(channel, volume);
        break;
      }
      case 21:
        result = player_.Play_GetVolume(channel, address ? &a : nullptr);
        expected = model_.GetVolume(channel, address ? &ma : nullptr);
        break;
      case 22: {
        const char* path = input_.ConsumeBool() ? world_.capturePath.c_str() : "";
        result = player_.Play_GetPicture(channel, address ? path : nullptr);
        expected = model_.GetPicture(channel, address ? path : nullptr);
        break;
      }
      case 23:
        result = player_.Play_RefreshPlay(channel);
        expected = model_.RefreshPlay(channel);
        break;
      case 24:
        result = player_.Play_GetHeadLen(address ? &u : nullptr);
        expected = model_.GetHeadLen(address ? &mu : nullptr);
        break;
      case 25:
        result = player_.Play_GetPictureSize(channel, address ? &a : nullptr, &b);
        expected = model_.GetPictureSize(channel, address ? &ma : nullptr, &mb);
        break;
      case 26: {
        const int32_t quality = input_.ConsumeIntegral<int32_t>();
        result = player_.Play_SetPicQuality(channel, quality);
        expected = model_.SetPicQuality(channel, quality);
        break;
      }
      case 27:
        result = player_.Play_GetPicQuality(channel, address ? &a : nullptr);
        expected = model_.GetPicQuality(channel, address ? &ma : nullptr);
        break;
      case 28: {
        const int32_t count = input_.ConsumeIntegralInRange<int32_t>(-1, 3);
        result = player_.Play_ThrowFrame(channel, count);
        expected = model_.ThrowFrame(channel, count);
        break;
      }
      case 29:
        result = player_.Play_GetThrowNum(channel, address ? &a : nullptr);
        expected = model_.GetThrowNum(channel, address ? &ma : nullptr);
        break;
      case 30: {
        VideoPara para{input_.ConsumeIntegral<int32_t>(),
                       input_.ConsumeIntegralInRange<int32_t>(-2, 102),
                       input_.ConsumeIntegralInRange<int32_t>(-2, 102),
                       input_.ConsumeIntegral<int32_t>(),
                       input_.ConsumeIntegral<int32_t>(),
                       input_.ConsumeIntegral<int32_t>()};
        VideoPara modelPara = para;
        const int32_t useDefault = input_.ConsumeIntegralInRange<int32_t>(0, 2);
        result = player_.Play_SetVideoPara(channel, address ? &para : nullptr, useDefault);
        expected = model_.SetVideoPara(channel, address ? &modelPara : nullptr, useDefault);
        Expect(SamePara(para, modelPara), "caller's video parameters", step);
        break;
      }
      case 31: {
        VideoPara para{-7, -7, -7, -7, -7, -7};
        VideoPara modelPara = para;
        result = player_.Play_GetVideoPara(channel, address ? &para : nullptr);
        expected = model_.GetVideoPara(channel, address ? &modelPara : nullptr);
        Expect(SamePara(para, modelPara), "stored video parameters", step);
        break;
      }
      case 32: {
        const int32_t enable = input_.ConsumeIntegralInRange<int32_t>(0, 2);
        RECT rect;
        rect.left = input_.ConsumeIntegralInRange<int32_t>(-2, 2000);
        rect.top = input_.ConsumeIntegralInRange<int32_t>(-2, 2000);
        rect.right = input_.ConsumeIntegralInRange<int32_t>(-2, 2000);
        rect.bottom = input_.ConsumeIntegralInRange<int32_t>(-2, 2000);
        result = player_.Play_SetDispRegion(channel, enable, address ? &rect : nullptr);
        expected = model_.SetDispRegion(channel, enable, address ? &rect : nullptr);
        break;
      }
      default: {
        RECT rect{-7, -7, -7, -7};
        RECT modelRect = rect;
        if (input_.ConsumeBool()) {
          result = player_.Play_GetDispRegion(channel, address ? &rect : nullptr);
          expected = model_.GetDispRegion(channel, address ? &modelRect : nullptr);
          Expect(SameRect(rect, modelRect), "display region", step);
        } else if (input_.ConsumeBool()) {
          result = player_.Play_ClearBuffer(channel);
          expected = model_.ClearBuffer(channel);
        } else {
          result = player_.Play_GetBufferRemainDataSize(channel, address ? &u : nullptr);
          expected = model_.GetBufferRemainDataSize(channel, address ? &mu : nullptr);
        }
        break;
      }
    }
    Expect(result == expected, "result", step);
    Expect(a == ma && b == mb && u == mu, "values read back", step);
    Expect(static_cast<size_t>(Scripted_CallCount()) - callsBefore == decoder_.calls,
           "number of decoder calls", step);
  }

  FuzzedDataProvider& input_;
  SinglePlayer& player_;
  World& world_;
  DecoderModel decoder_;
  PlayerModel model_;
  const uint8_t header_[40] = {1};
  const uint8_t block_[64] = {2};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World world;
  // Every input starts from a fresh player and decoder script.
  Scripted_Reset();
  SinglePlayer* player = CreateSinglePlayerDll();
  if (player == nullptr) std::abort();
  FuzzedDataProvider input(data, size);
  Session(input, *player, world).Run();
  ReleaseSinglePlayerDll(player);
  return 0;
}
