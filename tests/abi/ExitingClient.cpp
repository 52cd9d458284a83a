// A client that leaves without releasing anything: it opens a channel per
// stream file (live and file mode in turn), feeds each from a thread of its
// own, captures pictures from another so that the decoder's display
// callbacks keep arriving, and then, while all of that goes on, returns from
// main, calls exit from main, or calls exit from a feeder thread. A static
// object of its own makes its last calls while it is destroyed at exit.
//
//   exiting_client return|exit|exit-from-feeder SEED STREAM...
//
// SEED varies how long the client plays before it leaves. Every stream file
// is a header followed by its payload, which is fed again from its start
// whenever it ends. Built with KELO_SCRIPTED_DECODER, the client also has the
// scripted decoder deliver pictures from threads of its own without end.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ExitingClientModes.h"
#include "Kelo820_PlaySDK.h"
#if defined(KELO_SCRIPTED_DECODER)
#include "ScriptedDecoder.h"
#endif

namespace {

using tests::ExitMode;

constexpr int32_t kLiveMode = 0;
constexpr int32_t kFileMode = 1;
constexpr uint32_t kBlockSize = 4096;
constexpr int kLeastPlayMillis = 150;
#if defined(KELO_SCRIPTED_DECODER)
constexpr int32_t kFramesPerCapture = 20;
#endif

struct Channel {
  int32_t number = 0;
  std::vector<uint8_t> stream;
  uint32_t headerLength = 0;
};

std::atomic<bool> leaveFromFeeder{false};
// Set once the capture thread's first capture has returned: the client
// leaves only after it has been capturing (and so feeding), however slowly
// its threads started on a loaded machine.
std::atomic<bool> capturedOnce{false};

// A client's own object built before main and destroyed at exit, after
// whatever the process registered at exit since: its worker thread makes
// its last calls while it is destroyed, and it joins it, as a channel
// manager that shuts down in order does. Every one of those calls is traced.
class StaticChannelManager {
 public:
  ~StaticChannelManager() {
    if (player_ == nullptr) return;
    std::thread worker([this] {
      int32_t volume = 0;
      for (int call = 0; call < tests::kCallsWhileDestroyedAtExit; ++call) {
        player_->Play_GetVolume(channel_, &volume);
      }
    });
    worker.join();
  }
  void Manage(SinglePlayer* player, int32_t channel) {
    player_ = player;
    channel_ = channel;
  }

 private:
  SinglePlayer* player_ = nullptr;
  int32_t channel_ = 0;
};
StaticChannelManager staticManager;

// Never destroyed: the feeders read their streams until the process ends,
// also while main's locals and the statics go.
std::vector<Channel>& Channels() {
  static auto* const channels = new std::vector<Channel>;
  return *channels;
}

void Feed(SinglePlayer* player, const Channel& channel, bool exitsWhenAsked) {
  const size_t payload = channel.stream.size() - channel.headerLength;
  for (size_t at = 0;; at = (at + kBlockSize) % payload) {
    if (exitsWhenAsked && leaveFromFeeder.load()) std::exit(tests::kExitFromFeederStatus);
    const auto size = static_cast<uint32_t>(std::min<size_t>(kBlockSize, payload - at));
    player->Play_InputData(channel.number, channel.stream.data() + channel.headerLength + at, size,
                           0);
  }
}

void Capture(SinglePlayer* player, const std::vector<Channel>& channels,
             const std::string& directory) {
  for (size_t turn = 0;; ++turn) {
    const Channel& channel = channels[turn % channels.size()];
    const std::string path = directory + "capture" + std::to_string(channel.number) + ".bmp";
    player->Play_GetPicture(channel.number, path.c_str());
    capturedOnce.store(true);
    int32_t state = 0;
    player->Play_GetPlayState(channel.number, &state);
  }
}

bool ReadStream(const char* file, Channel* channel) {
  std::ifstream in(file, std::ios::binary);
  channel->stream.assign(std::istreambuf_iterator<char>(in), {});
  return in.good() || in.eof();
}

}  // namespace

// Leaving the decoder's threads running, neither joined nor detached, is
// what this client is for: ThreadSanitizer is not to report them as leaked.
// Options given in TSAN_OPTIONS still apply.
extern "C" const char* __tsan_default_options() { return "report_thread_leaks=0"; }

int main(int argc, char** argv) {
  ExitMode mode;
  if (argc < 4 || !tests::ParseExitMode(argv[1], &mode)) {
    std::fprintf(stderr, "usage: %s return|exit|exit-from-feeder SEED STREAM...\n", argv[0]);
    return 2;
  }
  const int playMillis = kLeastPlayMillis + (std::atoi(argv[2]) * 37) % 200;
  std::string directory = argv[3];
  directory.erase(directory.find_last_of("/\\") + 1);
  // The FFmpeg decoder's choices: pictures as fast as they decode, and the
  // sound into a file beside the streams rather than to a device.
#if defined(_WIN32)
  _putenv_s("KELO_M4_CLOCK", "virtual");
  _putenv_s("KELO_M4_AUDIO_FILE", (directory + "sound.raw").c_str());
#else
  setenv("KELO_M4_CLOCK", "virtual", 1);
  setenv("KELO_M4_AUDIO_FILE", (directory + "sound.raw").c_str(), 1);
#endif

  SinglePlayer* player = CreateSinglePlayerDll();
  if (player == nullptr || player->Play_InitDDraw(nullptr) != 0) return 2;
  uint32_t headerLength = 0;
  player->Play_GetHeadLen(&headerLength);
#if defined(KELO_SCRIPTED_DECODER)
  Scripted_SetPictureSize(16, 8);
  Scripted_SetFramesPerCallback(kFramesPerCapture);
#endif

  std::vector<Channel>& channels = Channels();
  for (int index = 3; index < argc; ++index) {
    Channel channel;
    channel.number = (index - 3) * 3;
    channel.headerLength = headerLength;
    if (!ReadStream(argv[index], &channel) || channel.stream.size() <= headerLength) {
      std::fprintf(stderr, "%s: not a stream file\n", argv[index]);
      return 2;
    }
    player->Play_SetOpenMode(channel.number, index % 2 == 0 ? kFileMode : kLiveMode);
    if (player->Play_OpenStream(nullptr, channel.number, channel.stream.data(), headerLength, 0) !=
        0) {
      std::fprintf(stderr, "%s: not opened\n", argv[index]);
      return 2;
    }
    channels.push_back(std::move(channel));
  }

  player->Play_SetVolume(channels.front().number, 50);
  staticManager.Manage(player, channels.front().number);

  // The threads run until the process ends: none is joined, none stopped.
  for (const Channel& channel : channels) {
    std::thread(Feed, player, std::cref(channel), &channel == &channels.front()).detach();
  }
  std::thread(Capture, player, std::cref(channels), directory).detach();
#if defined(KELO_SCRIPTED_DECODER)
  // Each channel has had a callback installed by now; its pictures keep
  // coming from the decoder's own threads whether one is installed or not.
  for (const Channel& channel : channels) {
    player->Play_GetPicture(channel.number, (directory + "first.bmp").c_str());
    std::thread(Scripted_DeliverLateFrames, channel.number, INT32_MAX).detach();
  }
#endif

  while (!capturedOnce.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(playMillis));
  switch (mode) {
    case ExitMode::kReturn:
      return tests::kReturnStatus;
    case ExitMode::kExit:
      std::exit(tests::kExitStatus);
    case ExitMode::kExitFromFeeder:
      leaveFromFeeder.store(true);
      // The feeder's exit ends this thread too, meanwhile one more feeder.
      Feed(player, channels.back(), false);
  }
  return tests::kReturnStatus;
}
