#include "ChannelCycle.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <utility>

#include "Kelo820_PlaySDKCodes.h"

namespace soak {

namespace {

using std::chrono::milliseconds;

// What the player gives each decoder stream, and the block a client feeds.
constexpr uint32_t kSourceBufferBytes = 51200;
constexpr uint32_t kBlockBytes = 4096;
// A file is fed as fast as the decoder takes it; a camera sends 4 KiB every
// 15 ms, about 2 Mbit/s.
constexpr milliseconds kFullPause{20};
constexpr milliseconds kCameraPause{15};

constexpr milliseconds kOpeningFeed{1200};
constexpr milliseconds kStateFeed{300};

}  // namespace

ChannelCycle::ChannelCycle(SinglePlayer& player, int32_t channel,
                           const demo_viewer::StreamFile& stream, std::string capturePath,
                           OperationTally& tally)
    : player_(player),
      channel_(channel),
      stream_(stream),
      capturePath_(std::move(capturePath)),
      tally_(tally) {}

int32_t ChannelCycle::Call(const char* operation, int32_t result,
                           std::initializer_list<int32_t> expected) {
  tally_.Note(operation, channel_, round_, result, expected);
  return result;
}

bool ChannelCycle::OfferBlock(std::initializer_list<int32_t> expected) {
  const auto size =
      static_cast<uint32_t>(std::min<size_t>(kBlockBytes, stream_.payload.size() - position_));
  uint32_t waiting = 0;
  Call("Play_GetBufferRemainDataSize", player_.Play_GetBufferRemainDataSize(channel_, &waiting));
  if (waiting + size > kSourceBufferBytes) return false;
  if (Call("Play_InputData",
           player_.Play_InputData(channel_, stream_.payload.data() + position_, size, 0),
           expected) == 0) {
    position_ = (position_ + size) % stream_.payload.size();
  }
  return true;
}

void ChannelCycle::Feed(milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
    const bool offered = OfferBlock({kelo820::kOk});
    if (!offered) {
      std::this_thread::sleep_for(kFullPause);
    } else if (pace_ == Pace::kLive) {
      std::this_thread::sleep_for(kCameraPause);
    }
  }
}

void ChannelCycle::SetState(int32_t state) {
  Call("Play_PlayState", player_.Play_PlayState(channel_, state));
  int32_t now = kelo820::kNotStarted;
  Call("Play_GetPlayState", player_.Play_GetPlayState(channel_, &now));
  if (now != state) {
    tally_.Fail(
        channel_, round_,
        "state " + std::to_string(now) + " after Play_PlayState(" + std::to_string(state) + ")");
  }
}

// Stepping lets one block in per further step command, and refuses the rest
// with 12.
void ChannelCycle::Step() {
  SetState(kelo820::kStepping);
  OfferBlock({kelo820::kInputRefused});
  for (int step = 0; step < 3; ++step) {
    Call("Play_PlayState", player_.Play_PlayState(channel_, kelo820::kStepping));
    // A block that found no room leaves the step's allowance for the next.
    if (OfferBlock({kelo820::kOk})) OfferBlock({kelo820::kInputRefused});
  }
}

void ChannelCycle::Capture() {
  // The same file every time, so that the disk does not fill; removed first
  // to see whether this capture wrote it.
  std::remove(capturePath_.c_str());
  // Before the first picture is shown there is none to take (27).
  Call("Play_GetPicture", player_.Play_GetPicture(channel_, capturePath_.c_str()),
       {kelo820::kOk, kelo820::kNoPictureCaptured});
  if (std::FILE* file = std::fopen(capturePath_.c_str(), "rb")) {
    std::fclose(file);
    ++capturesWritten_;
  }
}

void ChannelCycle::ShowRegion() {
  int32_t width = 0;
  int32_t height = 0;
  // Before the first picture is decoded the size is not known yet (3).
  if (Call("Play_GetPictureSize", player_.Play_GetPictureSize(channel_, &width, &height),
           {kelo820::kOk, kelo820::kOutOfOrder}) != kelo820::kOk) {
    return;
  }
  const RECT quarter{0, 0, width / 2, height / 2};
  Call("Play_SetDispRegion", player_.Play_SetDispRegion(channel_, 1, &quarter));
  RECT shown{};
  Call("Play_GetDispRegion", player_.Play_GetDispRegion(channel_, &shown));
  if (shown.right != quarter.right || shown.bottom != quarter.bottom) {
    tally_.Fail(channel_, round_, "display region read back differs");
  }
  Call("Play_SetDispRegion", player_.Play_SetDispRegion(channel_, 0, &quarter));
}

void ChannelCycle::Run(uint32_t round) {
  round_ = round;
  const bool file = (round + static_cast<uint32_t>(channel_)) % 2 == 0;
  pace_ = file ? Pace::kFile : Pace::kLive;
  if (file) position_ = 0;

  Call("Play_SetOpenMode", player_.Play_SetOpenMode(channel_, file ? 1 : 0));
  if (Call("Play_OpenStream",
           player_.Play_OpenStream(nullptr, channel_, stream_.header.data(),
                                   static_cast<uint32_t>(stream_.header.size()), 0)) != 0) {
    return;
  }
  Call("Play_SetPicQuality", player_.Play_SetPicQuality(channel_, static_cast<int32_t>(round % 2)));
  Call("Play_ThrowFrame", player_.Play_ThrowFrame(channel_, static_cast<int32_t>(round % 3)));
  // Volume 0 turns the sound off everywhere; otherwise this channel's sound
  // plays (to the file or device the decoder is given).
  const int32_t volume = round % 4 == 3 ? 0 : 20 + channel_;
  Call("Play_SetVolume", player_.Play_SetVolume(channel_, volume));
  Feed(kOpeningFeed);

  SetState(kelo820::kPaused);
  Feed(milliseconds{100});
  SetState(kelo820::kFast1 + static_cast<int32_t>(round % 3));
  Feed(kStateFeed);
  SetState(kelo820::kSlow1 + static_cast<int32_t>(round % 3));
  Feed(kStateFeed);
  Step();
  SetState(kelo820::kPlaying);
  Feed(kStateFeed);

  Capture();
  int32_t heard = -1;
  Call("Play_GetVolume", player_.Play_GetVolume(channel_, &heard));
  ShowRegion();
  Call("Play_RefreshPlay", player_.Play_RefreshPlay(channel_));
  Call("Play_ClearBuffer", player_.Play_ClearBuffer(channel_));
  Feed(milliseconds{200});
  Call("Play_CloseStream", player_.Play_CloseStream(channel_));
}

}  // namespace soak
