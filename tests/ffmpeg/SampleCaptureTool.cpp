// sample_capture STREAM BMP: the last picture of a sample stream, played
// through the player and the FFmpeg decoder on the virtual clock, captured
// into BMP. scripts/test-windows.sh makes with it, on the host, the pictures
// that the Windows build's captures must match.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Kelo820_PlaySDK.h"
#include "SampleCapture.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s STREAM BMP\n", argv[0]);
    return 2;
  }
  setenv("KELO_M4_CLOCK", "virtual", 1);
  SinglePlayer* player = CreateSinglePlayerDll();
  if (player == nullptr || player->Play_InitDDraw(nullptr) != 0) return 1;
  const std::string error = tests_ffmpeg::CaptureLastPicture(*player, 0, argv[1], argv[2]);
  player->Play_ReleaseDDraw();
  ReleaseSinglePlayerDll(player);
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
