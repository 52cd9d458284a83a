// A client built as Microsoft's toolchain builds one: compiled for the
// i686-pc-windows-msvc target and linked by lld-link against the SDK's
// Kelo820_PlaySDK.lib, with no C or C++ runtime (kernel32 only). It drives all
// 26 operations through the SinglePlayer table against the scripted decoder,
// checks every result and every value read back, prints one line per check
// and exits with the number of failed checks. (A real stream through the
// SDK's own decoder: the shipped examples/two_window_client.cpp, which the
// packaging test builds the same way.)
//
// An MSVC client calls the table's slots with __thiscall and lays out the
// table in declaration order; the factory is __cdecl. A mingw-built client
// cannot show that the DLL agrees, this one does.
#include "Kelo820_PlaySDK.h"

namespace {

HANDLE output;
int failures;

void Write(const char* text) {
  DWORD length = 0;
  while (text[length] != '\0') ++length;
  DWORD written = 0;
  WriteFile(output, text, length, &written, nullptr);
}

// 32-bit arithmetic only: 64-bit division would need the C runtime.
void WriteNumber(int32_t value) {
  char digits[16];
  char* end = digits + sizeof digits - 1;
  *end = '\0';
  const bool negative = value < 0;
  uint32_t rest = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    *--end = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) *--end = '-';
  Write(end);
}

// One line: what was called or read, what came back, what was expected.
void Check(const char* what, int32_t actual, int32_t expected) {
  Write(actual == expected ? "ok   " : "FAIL ");
  Write(what);
  Write(" = ");
  WriteNumber(actual);
  if (actual != expected) {
    Write(", expected ");
    WriteNumber(expected);
    ++failures;
  }
  Write("\r\n");
}

constexpr int32_t kOk = 0;
constexpr int32_t kInvalidArgument = 2;
constexpr int32_t kOutOfOrder = 3;
constexpr int32_t kNoPictureCaptured = 27;
constexpr int32_t kPaused = 2;

// The scripted decoder's answers.
constexpr int32_t kHeaderLength = 40;
constexpr int32_t kPictureWidth = 352;
constexpr int32_t kPictureHeight = 288;

void DriveEveryOperation(SinglePlayer* player) {
  SinglePlayer& p = *player;
  Check("Play_InitDDraw", p.Play_InitDDraw(nullptr), kOk);
  uint32_t headerLength = 0;
  Check("Play_GetHeadLen", p.Play_GetHeadLen(&headerLength), kOk);
  Check("  header length", static_cast<int32_t>(headerLength), kHeaderLength);
  Check("Play_SetOpenMode", p.Play_SetOpenMode(0, 1), kOk);
  uint8_t bytes[kHeaderLength] = {};
  Check("Play_OpenStream", p.Play_OpenStream(nullptr, 0, bytes, kHeaderLength, 0), kOk);
  Check("Play_InputData", p.Play_InputData(0, bytes, sizeof bytes, 0), kOk);

  Check("Play_PlayState", p.Play_PlayState(0, kPaused), kOk);
  int32_t state = 0;
  Check("Play_GetPlayState", p.Play_GetPlayState(0, &state), kOk);
  Check("  state", state, kPaused);

  Check("Play_SetVolume", p.Play_SetVolume(0, 37), kOk);
  int32_t volume = 0;
  Check("Play_GetVolume", p.Play_GetVolume(0, &volume), kOk);
  Check("  volume", volume, 37);

  Check("Play_SetOverlayMode", p.Play_SetOverlayMode(0, 0x102030), kOk);
  int32_t mode = 0;
  uint32_t colorKey = 0;
  Check("Play_GetPreviewMode", p.Play_GetPreviewMode(0, &mode, &colorKey), kOk);
  Check("  overlay mode", mode, 1);
  Check("  color key", static_cast<int32_t>(colorKey), 0x102030);

  int32_t width = 0;
  int32_t height = 0;
  Check("Play_GetPictureSize", p.Play_GetPictureSize(0, &width, &height), kOk);
  Check("  width", width, kPictureWidth);
  Check("  height", height, kPictureHeight);

  const RECT region = {10, 20, 110, 120};
  Check("Play_SetDispRegion", p.Play_SetDispRegion(0, 1, &region), kOk);
  RECT shown = {};
  Check("Play_GetDispRegion", p.Play_GetDispRegion(0, &shown), kOk);
  Check("  region left", shown.left, 10);
  Check("  region top", shown.top, 20);
  Check("  region right", shown.right, 110);
  Check("  region bottom", shown.bottom, 120);

  Check("Play_SetPicQuality", p.Play_SetPicQuality(0, 1), kOk);
  int32_t quality = 0;
  Check("Play_GetPicQuality", p.Play_GetPicQuality(0, &quality), kOk);
  Check("  quality", quality, 1);

  Check("Play_ThrowFrame", p.Play_ThrowFrame(0, 2), kOk);
  int32_t thrown = 0;
  Check("Play_GetThrowNum", p.Play_GetThrowNum(0, &thrown), kOk);
  Check("  B frames thrown", thrown, 2);

  VideoPara para = {0, 10, 20, 30, 40, 0};
  Check("Play_SetVideoPara", p.Play_SetVideoPara(0, &para, 0), kOk);
  VideoPara read = {};
  Check("Play_GetVideoPara", p.Play_GetVideoPara(0, &read), kOk);
  Check("  video values",
        read.value1 * 1000000 + read.value2 * 10000 + read.value3 * 100 + read.value4, 10203040);

  // The scripted decoder shows no picture in the capture's window.
  Check("Play_GetPicture", p.Play_GetPicture(0, "capture.bmp"), kNoPictureCaptured);
  Check("Play_RefreshPlay", p.Play_RefreshPlay(0), kOk);
  uint32_t remaining = 1;
  Check("Play_GetBufferRemainDataSize", p.Play_GetBufferRemainDataSize(0, &remaining), kOk);
  Check("  bytes remaining", static_cast<int32_t>(remaining), 0);
  Check("Play_ClearBuffer", p.Play_ClearBuffer(0), kOk);
  Check("Play_CloseStream", p.Play_CloseStream(0), kOk);

  // Refusals come back through the same slots.
  Check("Play_CloseStream, closed channel", p.Play_CloseStream(0), kOutOfOrder);
  Check("Play_GetVolume, channel 32", p.Play_GetVolume(32, &volume), kInvalidArgument);
  Check("Play_SetVolume, volume 101", p.Play_SetVolume(0, 101), kInvalidArgument);
  Check("Play_ReleaseDDraw", p.Play_ReleaseDDraw(), kOk);
}

}  // namespace

extern "C" void __cdecl ClientMain() {
  output = GetStdHandle(STD_OUTPUT_HANDLE);
  SinglePlayer* player = CreateSinglePlayerDll();
  Check("CreateSinglePlayerDll returns a player", player != nullptr, 1);
  if (player != nullptr) {
    Check("a second create returns the same player", CreateSinglePlayerDll() == player, 1);
    DriveEveryOperation(player);
    ReleaseSinglePlayerDll(player);
  }
  Write(failures == 0 ? "all checks passed\r\n" : "checks FAILED\r\n");
  ExitProcess(static_cast<UINT>(failures));
}
