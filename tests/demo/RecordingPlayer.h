// A SinglePlayer for the viewer's tests: takes blocks into a record, logs the
// calls that change something, and answers with values the test sets.
#ifndef KELO_TESTS_DEMO_RECORDING_PLAYER_H
#define KELO_TESTS_DEMO_RECORDING_PLAYER_H

#include <mutex>
#include <string>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace demo_viewer {

class RecordingPlayer : public SinglePlayer {
 public:
  std::vector<uint8_t> received;
  std::vector<uint32_t> blockSizes;
  uint32_t bufferRemain = 0;
  int32_t inputResult = 0;
  int inputCalls = 0;
  int32_t openResult = 0;
  int32_t pictureWidth = 704;
  int32_t pictureHeight = 576;
  int32_t playState = 0;

  // "Name(arguments)" of every call below that changes the player, in order.
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

  int32_t Play_InputData(int32_t, const uint8_t* data, uint32_t size, uint32_t) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++inputCalls;
    if (inputResult != 0) return inputResult;
    received.insert(received.end(), data, data + size);
    blockSizes.push_back(size);
    return 0;
  }
  int32_t Play_GetBufferRemainDataSize(int32_t, uint32_t* size) override {
    *size = bufferRemain;
    return 0;
  }
  int32_t Play_OpenStream(WindowHandle, int32_t channel, const uint8_t*, uint32_t,
                          uint32_t) override {
    Record("Play_OpenStream(" + std::to_string(channel) + ")");
    return openResult;
  }
  int32_t Play_CloseStream(int32_t channel) override {
    Record("Play_CloseStream(" + std::to_string(channel) + ")");
    return 0;
  }
  int32_t Play_PlayState(int32_t channel, int32_t command) override {
    Record("Play_PlayState(" + std::to_string(channel) + "," + std::to_string(command) + ")");
    playState = command;
    return 0;
  }
  int32_t Play_GetPlayState(int32_t, int32_t* state) override {
    *state = playState;
    return 0;
  }
  int32_t Play_SetVolume(int32_t channel, int32_t volume) override {
    Record("Play_SetVolume(" + std::to_string(channel) + "," + std::to_string(volume) + ")");
    return 0;
  }
  int32_t Play_GetPictureSize(int32_t, int32_t* width, int32_t* height) override {
    *width = pictureWidth;
    *height = pictureHeight;
    return 0;
  }
  int32_t Play_SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) override {
    Record("Play_SetDispRegion(" + std::to_string(channel) + "," + std::to_string(enable) +
           (enable != 0 ? "," + std::to_string(rect->left) + "," + std::to_string(rect->top) + "," +
                              std::to_string(rect->right) + "," + std::to_string(rect->bottom)
                        : std::string()) +
           ")");
    return 0;
  }

  int32_t Play_InitDDraw(WindowHandle) override { return 0; }
  int32_t Play_ReleaseDDraw() override { return 0; }
  int32_t Play_SetOverlayMode(int32_t, uint32_t) override { return 0; }
  int32_t Play_GetPreviewMode(int32_t, int32_t*, uint32_t*) override { return 0; }
  int32_t Play_SetOpenMode(int32_t, int32_t) override { return 0; }
  int32_t Play_GetVolume(int32_t, int32_t*) override { return 0; }
  int32_t Play_GetPicture(int32_t, const char*) override { return 0; }
  int32_t Play_RefreshPlay(int32_t) override { return 0; }
  int32_t Play_GetHeadLen(uint32_t*) override { return 0; }
  int32_t Play_SetPicQuality(int32_t channel, int32_t quality) override {
    Record("Play_SetPicQuality(" + std::to_string(channel) + "," + std::to_string(quality) + ")");
    return 0;
  }
  int32_t Play_GetPicQuality(int32_t, int32_t*) override { return 0; }
  int32_t Play_ThrowFrame(int32_t, int32_t) override { return 0; }
  int32_t Play_GetThrowNum(int32_t, int32_t*) override { return 0; }
  int32_t Play_SetVideoPara(int32_t, VideoPara*, int32_t) override { return 0; }
  int32_t Play_GetVideoPara(int32_t, VideoPara*) override { return 0; }
  int32_t Play_GetDispRegion(int32_t, RECT*) override { return 0; }
  int32_t Play_ClearBuffer(int32_t) override { return 0; }

 private:
  void Record(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(call);
  }

  std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace demo_viewer

#endif  // KELO_TESTS_DEMO_RECORDING_PLAYER_H
