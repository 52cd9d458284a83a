// A Windows client of the player with two windows, one channel each.
//
//   two_window_client.exe [--tour] FIRST.kst [SECOND.kst]
//
// The first window plays FIRST on channel 0, the second SECOND (or FIRST
// again) on channel 1. A stream file is the stream header (Play_GetHeadLen
// bytes), then the payload; bin\m4stream.exe makes one from a media file.
// Keys, in either window: Space pauses and resumes its channel, C captures the
// picture it shows into channel0.bmp or channel1.bmp (current directory), Esc
// or closing the window closes its stream. A window's title shows the last
// call made for its channel and the result. The client ends when both windows
// are closed: status 0 when every call succeeded, 1 otherwise; each call and
// result is also written to the standard output, when there is one.
// --tour presses the keys itself: after 2 s it pauses channel 0 and captures
// both, after 3 s resumes channel 0, after 4 s closes both windows.
//
// Win32 and the SDK only, no C runtime function, so that MSVC, clang-cl and
// mingw-w64 build it alike (examples\CMakeLists.txt). Everything happens on
// the window thread: a timer tops up each channel's decoder buffer, so no
// feeder thread is needed and Play_InputData never has to wait for room.
#include <windows.h>

#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"

namespace {

constexpr int kChannelCount = 2;
constexpr uint32_t kBlockSize = 4096;
// Play_OpenStream gives the decoder a buffer of this size; a block that does
// not fit would make Play_InputData try again for up to a second.
constexpr uint32_t kDecoderBufferSize = 51200;
constexpr UINT_PTR kFeedTimer = 1;
constexpr UINT kFeedIntervalMs = 40;
constexpr UINT_PTR kTourTimer = 2;
constexpr UINT kTourTickMs = 1000;

struct TourStep {
  int second;
  int channel;
  WPARAM key;
};
constexpr TourStep kTour[] = {{2, 0, VK_SPACE}, {2, 0, 'C'},       {2, 1, 'C'},
                              {3, 0, VK_SPACE}, {4, 0, VK_ESCAPE}, {4, 1, VK_ESCAPE}};

struct Channel {
  HWND window;
  const char* fileName;
  uint8_t* stream;  // the whole stream file
  DWORD size;
  DWORD next;  // the next byte to feed
  bool open;
  bool paused;
};

SinglePlayer* player;
Channel channels[kChannelCount];
uint32_t headerLength;
int windowsOpen;
int tourSecond;
int failures;

// Writes |text| to the standard output, when the program has one.
void Print(const char* text) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
  DWORD length = 0;
  while (text[length] != '\0') ++length;
  DWORD written = 0;
  WriteFile(output, text, length, &written, nullptr);
}

// Shows a call's result in the channel's title and on the standard output;
// any result but 0 counts as a failure.
int32_t Show(int channel, const char* call, int32_t result) {
  if (result != kelo820::kOk) ++failures;
  char line[160];
  wsprintfA(line, "channel %d: %s -> %d\r\n", channel, call, result);
  Print(line);
  const Channel& c = channels[channel];
  if (c.window != nullptr) {
    wsprintfA(line, "Channel %d: %s - %s -> %d", channel, c.fileName, call, result);
    SetWindowTextA(c.window, line);
  }
  return result;
}

bool ReadStreamFile(const char* path, Channel* c) {
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  c->fileName = path;
  c->size = GetFileSize(file, nullptr);
  DWORD read = 0;
  if (c->size != INVALID_FILE_SIZE) {
    c->stream = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, c->size + 1));
    if (c->stream != nullptr) ReadFile(file, c->stream, c->size, &read, nullptr);
  }
  CloseHandle(file);
  return c->stream != nullptr && read == c->size;
}

int ChannelOf(HWND window) {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    if (channels[channel].window == window) return channel;
  }
  return -1;
}

// The stream's header opens the channel; its payload is fed by the timer.
void OpenChannel(int channel) {
  Channel& c = channels[channel];
  Show(channel, "Play_SetOpenMode(file)", player->Play_SetOpenMode(channel, 1));
  c.open =
      Show(channel, "Play_OpenStream",
           player->Play_OpenStream(c.window, channel, c.stream, headerLength, 0)) == kelo820::kOk;
  c.next = headerLength;
}

// Feeds blocks while they fit in the decoder's buffer; at the end of the
// file the stream starts over (m4stream's end marker tells the decoder).
void Feed(int channel) {
  Channel& c = channels[channel];
  uint32_t waiting = 0;
  if (!c.open || player->Play_GetBufferRemainDataSize(channel, &waiting) != kelo820::kOk) return;
  for (;;) {
    if (c.next == c.size) c.next = headerLength;
    const uint32_t block = c.size - c.next < kBlockSize ? c.size - c.next : kBlockSize;
    if (waiting + block > kDecoderBufferSize) return;
    const int32_t result = player->Play_InputData(channel, c.stream + c.next, block, 0);
    if (result != kelo820::kOk) {
      Show(channel, "Play_InputData", result);
      return;
    }
    c.next += block;
    waiting += block;
  }
}

void TogglePause(int channel) {
  Channel& c = channels[channel];
  if (!c.open) return;
  const int32_t command = c.paused ? kelo820::kPlaying : kelo820::kPaused;
  if (Show(channel, c.paused ? "Play_PlayState(play)" : "Play_PlayState(pause)",
           player->Play_PlayState(channel, command)) == kelo820::kOk) {
    c.paused = !c.paused;
  }
}

void Capture(int channel) {
  // The decoder writes the next picture the channel shows (again at once
  // when it is paused) as a 24-bit BMP.
  char path[] = "channel0.bmp";
  path[7] = static_cast<char>('0' + channel);
  char call[40];
  wsprintfA(call, "Play_GetPicture(%s)", path);
  Show(channel, call, player->Play_GetPicture(channel, path));
}

void CloseChannel(int channel) {
  Channel& c = channels[channel];
  if (!c.open) return;
  c.open = false;
  Show(channel, "Play_CloseStream", player->Play_CloseStream(channel));
}

void TourStepsAt(int second) {
  for (const TourStep& step : kTour) {
    if (step.second == second) PostMessageA(channels[step.channel].window, WM_KEYDOWN, step.key, 0);
  }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int channel = ChannelOf(window);
  if (channel < 0) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_TIMER:
      if (wParam == kFeedTimer) Feed(channel);
      if (wParam == kTourTimer) TourStepsAt(++tourSecond);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) TogglePause(channel);
      if (wParam == 'C') Capture(channel);
      if (wParam == VK_ESCAPE) PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT: {
      // Windows tells the window, not the decoder, that it was uncovered.
      // Before its first picture a channel has nothing to redraw: not shown.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      if (channels[channel].open) player->Play_RefreshPlay(channel);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_CLOSE:
      CloseChannel(channel);
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      channels[channel].window = nullptr;
      if (--windowsOpen == 0) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Splits the command line in place into at most |capacity| words; a word in
// double quotes may hold spaces.
int SplitWords(char* line, char** words, int capacity) {
  int count = 0;
  while (*line != '\0' && count < capacity) {
    while (*line == ' ' || *line == '\t') ++line;
    if (*line == '\0') break;
    const bool quoted = *line == '"';
    if (quoted) ++line;
    words[count++] = line;
    while (*line != '\0' && (quoted ? *line != '"' : *line != ' ' && *line != '\t')) ++line;
    if (*line != '\0') *line++ = '\0';
  }
  return count;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  char* words[4];
  const int wordCount = SplitWords(commandLine, words, 4);
  const bool tour = wordCount > 0 && lstrcmpA(words[0], "--tour") == 0;
  const char* const* files = words + (tour ? 1 : 0);
  const int fileCount = wordCount - (tour ? 1 : 0);
  if (fileCount < 1 || fileCount > 2) {
    MessageBoxA(nullptr, "two_window_client.exe [--tour] FIRST.kst [SECOND.kst]",
                "Kelo820 PlaySDK two-window client", MB_OK);
    return 2;
  }
  for (int channel = 0; channel < kChannelCount; ++channel) {
    const char* path = files[channel < fileCount ? channel : 0];
    if (!ReadStreamFile(path, &channels[channel])) {
      Print("cannot read the stream file ");
      Print(path);
      Print("\r\n");
      return 2;
    }
  }

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "Kelo820TwoWindowClient";
  RegisterClassA(&windowClass);
  for (int channel = 0; channel < kChannelCount; ++channel) {
    channels[channel].window =
        CreateWindowExA(0, windowClass.lpszClassName, "Kelo820 PlaySDK", WS_OVERLAPPEDWINDOW,
                        40 + 420 * channel, 40, 400, 340, nullptr, nullptr, instance, nullptr);
    ShowWindow(channels[channel].window, show);
    ++windowsOpen;
  }

  // The order of calls: the player, Play_InitDDraw (which reads the
  // configuration: from here on the logs go to its TRACE_PATH), the header's
  // length, then per channel open, feed, control, close; at the end
  // Play_ReleaseDDraw and the release.
  player = CreateSinglePlayerDll();
  if (player == nullptr) return 1;
  Show(0, "Play_InitDDraw", player->Play_InitDDraw(channels[0].window));
  Show(0, "Play_GetHeadLen", player->Play_GetHeadLen(&headerLength));
  for (int channel = 0; channel < kChannelCount; ++channel) {
    if (channels[channel].size <= headerLength) {
      Show(channel, "stream file shorter than the header", kelo820::kInvalidArgument);
      continue;
    }
    OpenChannel(channel);
    SetTimer(channels[channel].window, kFeedTimer, kFeedIntervalMs, nullptr);
  }
  if (tour) SetTimer(channels[0].window, kTourTimer, kTourTickMs, nullptr);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  Show(0, "Play_ReleaseDDraw", player->Play_ReleaseDDraw());
  ReleaseSinglePlayerDll(player);
  for (Channel& c : channels) HeapFree(GetProcessHeap(), 0, c.stream);
  return failures == 0 ? 0 : 1;
}
