// A client of the installed SDK: plays a stream file headless through the
// player and the decoder installed beside it, and captures a picture.
//
//   sdk_consumer STREAM PICTURE.bmp
//
// Exits 0 when every call succeeded and PICTURE.bmp holds a bitmap.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace {

int Check(const char* call, int32_t result) {
  if (result != 0) std::fprintf(stderr, "%s returned %d\n", call, result);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s STREAM PICTURE.bmp\n", argv[0]);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};

  SinglePlayer* player = CreateSinglePlayerDll();
  uint32_t headerLength = 0;
  int failures = 0;
  failures += Check("Play_InitDDraw", player->Play_InitDDraw(nullptr)) != 0;
  failures += Check("Play_GetHeadLen", player->Play_GetHeadLen(&headerLength)) != 0;
  if (bytes.size() <= headerLength) {
    std::fprintf(stderr, "%s: no stream\n", argv[1]);
    return 1;
  }
  failures += Check("Play_OpenStream",
                    player->Play_OpenStream(nullptr, 0, bytes.data(), headerLength, 0)) != 0;
  int32_t result = 0;
  for (size_t at = headerLength; result == 0 && at < bytes.size(); at += 4096) {
    const auto size = static_cast<uint32_t>(std::min<size_t>(4096, bytes.size() - at));
    result = player->Play_InputData(0, bytes.data() + at, size, 0);
  }
  failures += Check("Play_InputData", result) != 0;
  failures += Check("Play_GetPicture", player->Play_GetPicture(0, argv[2])) != 0;
  failures += Check("Play_CloseStream", player->Play_CloseStream(0)) != 0;
  failures += Check("Play_ReleaseDDraw", player->Play_ReleaseDDraw()) != 0;
  ReleaseSinglePlayerDll(player);

  std::ifstream picture(argv[2], std::ios::binary);
  char magic[2] = {};
  if (!picture.read(magic, 2) || magic[0] != 'B' || magic[1] != 'M') {
    std::fprintf(stderr, "%s is not a bitmap\n", argv[2]);
    ++failures;
  }
  std::printf("fed %zu bytes, captured %s: %s\n", bytes.size() - headerLength, argv[2],
              failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
