// A client of the player, from creation to release. It opens one stream on
// channel 0, feeds it, walks through the play states, reads settings back,
// captures a picture and closes again, printing every result code.
//
//   basic_client [stream-file] [capture.bmp]   ("" for no stream file)
//
// The stream file starts with the decoder's stream header (its length is what
// Play_GetHeadLen reports); the rest is fed in 4 KiB blocks. Without a file a
// few blocks of filler are fed, which is enough for a decoder stand-in.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"

namespace {

int32_t Show(const char* what, int32_t result) {
  std::printf("%-44s -> %d\n", what, result);
  return result;
}

std::vector<uint8_t> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t channel = 0;
  SinglePlayer* player = CreateSinglePlayerDll();
  if (player == nullptr) {
    std::printf("CreateSinglePlayerDll failed\n");
    return 1;
  }
  // Reads <drive>/q81/cfg/Q81.cfg: where the logs go and how much is traced.
  Show("Play_InitDDraw(no window)", player->Play_InitDDraw(nullptr));

  uint32_t headerLength = 0;
  Show("Play_GetHeadLen", player->Play_GetHeadLen(&headerLength));
  std::vector<uint8_t> stream =
      argc > 1 && argv[1][0] != '\0' ? ReadFile(argv[1]) : std::vector<uint8_t>(64 * 1024, 0);
  if (stream.size() <= headerLength) {
    std::printf("stream file too short (%zu bytes, header %u)\n", stream.size(), headerLength);
    ReleaseSinglePlayerDll(player);
    return 1;
  }

  Show("Play_SetOpenMode(file)", player->Play_SetOpenMode(channel, 1));
  Show("Play_OpenStream",
       player->Play_OpenStream(nullptr, channel, stream.data(), headerLength, 0));

  size_t fed = 0;
  int32_t failures = 0;
  for (size_t at = headerLength; at < stream.size(); at += 4096) {
    const uint32_t size = static_cast<uint32_t>(std::min<size_t>(4096, stream.size() - at));
    if (player->Play_InputData(channel, stream.data() + at, size, 0) == 0) {
      fed += size;
    } else {
      ++failures;
    }
  }
  std::printf("%-44s -> %zu bytes, %d blocks refused\n", "Play_InputData (4 KiB blocks)", fed,
              failures);

  Show("Play_PlayState(pause)", player->Play_PlayState(channel, kelo820::kPaused));
  Show("Play_PlayState(fast, level 2)", player->Play_PlayState(channel, kelo820::kFast2));
  Show("Play_PlayState(slow, level 1)", player->Play_PlayState(channel, kelo820::kSlow1));
  Show("Play_PlayState(step)", player->Play_PlayState(channel, kelo820::kStepping));
  Show("Play_InputData while stepping (refused)",
       player->Play_InputData(channel, stream.data() + headerLength, 1, 0));
  Show("Play_PlayState(play)", player->Play_PlayState(channel, kelo820::kPlaying));
  int32_t state = 0;
  Show("Play_GetPlayState", player->Play_GetPlayState(channel, &state));
  std::printf("    play state %d\n", state);

  Show("Play_SetVolume(50)", player->Play_SetVolume(channel, 50));
  int32_t volume = 0;
  Show("Play_GetVolume", player->Play_GetVolume(channel, &volume));
  std::printf("    volume %d\n", volume);

  int32_t width = 0;
  int32_t height = 0;
  Show("Play_GetPictureSize", player->Play_GetPictureSize(channel, &width, &height));
  std::printf("    picture %d x %d\n", width, height);
  RECT quarter = {0, 0, width / 2, height / 2};
  Show("Play_SetDispRegion(top-left quarter)", player->Play_SetDispRegion(channel, 1, &quarter));
  Show("Play_SetDispRegion(hide)", player->Play_SetDispRegion(channel, 0, &quarter));

  VideoPara para = {0, 60, 40, 50, 50, 0};
  Show("Play_SetVideoPara", player->Play_SetVideoPara(channel, &para, 0));
  Show("Play_GetVideoPara", player->Play_GetVideoPara(channel, &para));
  std::printf("    video values %d %d %d %d\n", para.value1, para.value2, para.value3, para.value4);
  Show("Play_SetPicQuality(1)", player->Play_SetPicQuality(channel, 1));
  Show("Play_ThrowFrame(1)", player->Play_ThrowFrame(channel, 1));
  uint32_t remain = 0;
  Show("Play_GetBufferRemainDataSize", player->Play_GetBufferRemainDataSize(channel, &remain));
  std::printf("    %u bytes waiting in the decoder\n", remain);

  const std::string capture = argc > 2 ? argv[2] : "capture.bmp";
  Show("Play_GetPicture", player->Play_GetPicture(channel, capture.c_str()));
  // 0: the file is written; 27: no picture was shown within the call's 50 ms
  // (a channel not decoding yet); other values: the decoder could not write it.
  std::printf("    capture requested as %s\n", capture.c_str());

  Show("Play_CloseStream", player->Play_CloseStream(channel));
  Show("Play_CloseStream again (not open)", player->Play_CloseStream(channel));
  Show("Play_ReleaseDDraw", player->Play_ReleaseDDraw());
  ReleaseSinglePlayerDll(player);
  return 0;
}
