#include "ViewerSession.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "Kelo820_PlaySDKCodes.h"

namespace demo_viewer {

namespace {

std::string ChannelName(int32_t channel) { return "ch" + std::to_string(channel); }

std::string Megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

// Why the decoder's buffer figure stands still from one line to the next (the
// line of column meanings says what the words mean). The viewer keeps the
// decoder's source buffer as full as a block allows, so the figure stands
// either there, while the decoder is ahead of the pictures shown and takes
// more only as it shows them, or at 0, when the decoder takes every block as
// it comes (a live source) and waits for the next.
std::string StillBufferNote(uint32_t waiting) {
  if (waiting + kFeedBlockBytes > kSourceBufferBytes) return " (full)";
  return waiting == 0 ? " (empty)" : "";
}

}  // namespace

ViewerSession::ViewerSession(SinglePlayer& player, const std::vector<StreamFile>& streams,
                             std::string captureDirectory, std::ostream& out)
    : player_(player),
      streams_(streams),
      captureDirectory_(std::move(captureDirectory)),
      out_(out) {}

ViewerSession::~ViewerSession() { Close(); }

bool ViewerSession::Check(const Channel& channel, const std::string& what, int32_t result) {
  if (result != 0) {
    out_ << ChannelName(channel.number) << ": " << what << " -> " << result
         << " (see the error log)\n";
  }
  return result == 0;
}

void ViewerSession::Say(const std::string& line) {
  std::lock_guard<std::mutex> lock(outMutex_);
  out_ << line << "\n";
  out_.flush();
}

// Called on a live source's thread too: says what failed through Say.
void ViewerSession::ApplyPicQuality(const Channel& channel) {
  if (picQuality_ == 1) return;
  const int32_t result = player_.Play_SetPicQuality(channel.number, picQuality_);
  if (result != 0) {
    Say(ChannelName(channel.number) + ": Play_SetPicQuality(" + std::to_string(picQuality_) +
        ") -> " + std::to_string(result) + " (see the error log)");
  }
}

void ViewerSession::OpenFile(Channel& channel, WindowHandle window) {
  const StreamFile& stream = *channel.stream;
  // File mode: every frame is shown, which suits streams read from disk.
  Check(channel, "Play_SetOpenMode(1)", player_.Play_SetOpenMode(channel.number, 1));
  channel.open = Check(channel, "Play_OpenStream(" + stream.name + ")",
                       player_.Play_OpenStream(window, channel.number, stream.header.data(),
                                               static_cast<uint32_t>(stream.header.size()), 0));
  if (channel.open) {
    ApplyPicQuality(channel);
    channel.feeder = std::make_unique<ChannelFeeder>(player_, channel.number, stream.payload);
    channel.feeder->Start();
  }
}

// Runs on the live source's thread, before its first block and when the
// source announces other streams after a reconnection.
bool ViewerSession::OpenLive(Channel& channel, WindowHandle window,
                             const std::vector<uint8_t>& header) {
  const std::string name = ChannelName(channel.number);
  if (channel.open.exchange(false)) player_.Play_CloseStream(channel.number);
  // Live mode: pictures are shown as they come, late ones dropped.
  int32_t result = player_.Play_SetOpenMode(channel.number, 0);
  if (result == 0) {
    result = player_.Play_OpenStream(window, channel.number, header.data(),
                                     static_cast<uint32_t>(header.size()), 0);
  }
  if (result != 0) {
    Say(name + ": opening the stream of " + channel.stream->address + " -> " +
        std::to_string(result) + " (see the error log)");
    return false;
  }
  channel.open = true;
  ApplyPicQuality(channel);
  // A live channel opens after the session has started, and whenever its
  // source announces other streams.
  ApplySound(channel);
  Say(name + ": " + channel.stream->address + " is live");
  return true;
}

bool ViewerSession::Open(const std::vector<WindowHandle>& windows) {
  bool anyStarted = false;
  // A UDP port belongs to the first tile that names it, for the whole
  // session: a later tile naming it would otherwise retry until the first
  // tile's source drops and take the port over, locking the first out.
  std::map<int, int32_t> udpPortOwners;
  for (size_t tile = 0; tile < windows.size(); ++tile) {
    auto channel = std::make_unique<Channel>();
    channel->number = static_cast<int32_t>(tile);
    channel->stream = &streams_[tile % streams_.size()];
    if (channel->number >= kPlayerChannels) {
      channels_.push_back(std::move(channel));
      continue;
    }
    if (channel->stream->address.empty()) {
      OpenFile(*channel, windows[tile]);
      anyStarted = anyStarted || channel->open;
    } else if (const int port = UdpPort(channel->stream->address);
               port >= 0 && udpPortOwners.count(port) != 0) {
      channel->refused =
          "port " + std::to_string(port) + " in use by " + ChannelName(udpPortOwners[port]);
      Say(ChannelName(channel->number) + ": " + channel->stream->address + ": " + channel->refused +
          "; not listening");
    } else {
      if (port >= 0) udpPortOwners[port] = channel->number;
      Channel* live = channel.get();
      const WindowHandle window = windows[tile];
      live->timing = std::make_unique<PictureTiming>();
      live->live = std::make_unique<LiveSource>(
          player_, live->number, live->stream->address,
          [this, live, window](const std::vector<uint8_t>& header) {
            return OpenLive(*live, window, header);
          },
          [this, live](const std::string& message) {
            Say(ChannelName(live->number) + ": " + message);
          },
          *live->timing);
      live->live->Start();
      anyStarted = true;
    }
    channels_.push_back(std::move(channel));
  }
  if (!channels_.empty() && channels_[0]->open) {
    Check(*channels_[0], "Play_SetVolume(" + std::to_string(volume_) + ")",
          player_.Play_SetVolume(soundChannel_, volume_));
  }
  return anyStarted;
}

void ViewerSession::Close() {
  for (auto& channel : channels_) {
    if (channel->feeder) channel->feeder->Stop();
    if (channel->live) channel->live->Stop();
  }
  for (auto& channel : channels_) {
    if (channel->open.exchange(false)) {
      Check(*channel, "Play_CloseStream", player_.Play_CloseStream(channel->number));
    }
  }
}

std::vector<ViewerSession::Channel*> ViewerSession::Targets(int tile) {
  std::vector<Channel*> targets;
  for (auto& channel : channels_) {
    if (channel->open && (tile < 0 || channel->number == tile)) targets.push_back(channel.get());
  }
  return targets;
}

int32_t ViewerSession::StateOf(const Channel& channel) const {
  int32_t state = kNotStarted;
  return player_.Play_GetPlayState(channel.number, &state) == 0 ? state : kNotStarted;
}

void ViewerSession::SetPlayState(Channel& channel, int32_t state) {
  if (Check(channel, "Play_PlayState(" + std::to_string(state) + ")",
            player_.Play_PlayState(channel.number, state))) {
    out_ << ChannelName(channel.number) << ": " << PlayStateName(state) << "\n";
  }
}

void ViewerSession::ToggleZoom(Channel& channel) {
  RECT region{0, 0, 0, 0};
  if (channel.zoomed) {
    if (Check(channel, "Play_SetDispRegion(hide)",
              player_.Play_SetDispRegion(channel.number, 0, &region))) {
      channel.zoomed = false;
      out_ << ChannelName(channel.number) << ": whole picture\n";
    }
    return;
  }
  // The player bounds a region by the picture size it last read, so read it first.
  int32_t width = 0;
  int32_t height = 0;
  if (!Check(channel, "Play_GetPictureSize",
             player_.Play_GetPictureSize(channel.number, &width, &height))) {
    return;
  }
  region = {0, 0, width / 2, height / 2};
  if (Check(channel, "Play_SetDispRegion(show)",
            player_.Play_SetDispRegion(channel.number, 1, &region))) {
    channel.zoomed = true;
    out_ << ChannelName(channel.number) << ": zoomed into the top-left quarter (0,0)-("
         << region.right << "," << region.bottom << ") of " << width << "x" << height << "\n";
  }
}

void ViewerSession::CaptureChannel(Channel& channel) {
  std::error_code ignored;
  std::filesystem::create_directories(captureDirectory_, ignored);
  const std::string path = captureDirectory_ + "/" + ChannelName(channel.number) + "-" +
                           std::to_string(++channel.captures) + ".bmp";
  // The player takes the first picture displayed within 50 ms of the call; a
  // picture can be due just after that window closes, so try a few times.
  constexpr int kAttempts = 3;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    const int32_t result = player_.Play_GetPicture(channel.number, path.c_str());
    if (result == kelo820::kNoPictureCaptured) continue;
    if (!Check(channel, "Play_GetPicture", result)) return;
    std::error_code missing;
    const auto bytes = std::filesystem::file_size(path, missing);
    captureFiles_.push_back(path);
    out_ << ChannelName(channel.number) << ": captured " << path << " (" << (missing ? 0 : bytes)
         << " bytes, attempt " << attempt << ")\n";
    return;
  }
  out_ << ChannelName(channel.number) << ": capture wrote no file (no picture was displayed"
       << " during " << kAttempts << " calls of Play_GetPicture)\n";
}

void ViewerSession::Capture(int tile) {
  for (Channel* channel : Targets(tile)) CaptureChannel(*channel);
}

void ViewerSession::Redraw(int tile) {
  // Quietly: before its first picture a channel has nothing to redraw.
  for (Channel* channel : Targets(tile)) player_.Play_RefreshPlay(channel->number);
}

void ViewerSession::ChangeVolume(bool up) {
  const int32_t volume = NextVolume(volume_, up);
  if (volume == volume_) return;
  Channel& channel = *channels_[static_cast<size_t>(soundChannel_)];
  if (Check(channel, "Play_SetVolume(" + std::to_string(volume) + ")",
            player_.Play_SetVolume(soundChannel_, volume))) {
    volume_ = volume;
    out_ << ChannelName(soundChannel_) << ": volume " << volume_
         << (volume_ == 0 ? " (sound off)" : "") << "\n";
  }
}

void ViewerSession::ApplySound(const Channel& channel) {
  const int32_t volume = volume_;
  if (channel.number == soundChannel_ && volume > 0) {
    Check(channel, "Play_SetVolume(" + std::to_string(volume) + ")",
          player_.Play_SetVolume(channel.number, volume));
  }
}

void ViewerSession::SelectTile(int tile) {
  soundChannel_ = tile < 0 ? 0 : tile;
  if (volume_ > 0 && static_cast<size_t>(soundChannel_) < channels_.size()) {
    Check(*channels_[static_cast<size_t>(soundChannel_)], "Play_SetVolume",
          player_.Play_SetVolume(soundChannel_, volume_));
  }
}

void ViewerSession::Execute(ViewerCommand command, int tile) {
  switch (command) {
    case ViewerCommand::kVolumeUp:
    case ViewerCommand::kVolumeDown:
      ChangeVolume(command == ViewerCommand::kVolumeUp);
      return;
    case ViewerCommand::kCapture:
      Capture(tile);
      return;
    default:
      break;
  }
  for (Channel* channel : Targets(tile)) {
    switch (command) {
      case ViewerCommand::kPlay:
        SetPlayState(*channel, kPlaying);
        break;
      case ViewerCommand::kTogglePause:
        SetPlayState(*channel, PauseToggleState(StateOf(*channel)));
        break;
      case ViewerCommand::kFaster:
      case ViewerCommand::kSlower:
        SetPlayState(*channel,
                     NextSpeedState(StateOf(*channel), command == ViewerCommand::kFaster));
        break;
      case ViewerCommand::kStep:
        SetPlayState(*channel, kStepping);
        break;
      case ViewerCommand::kToggleZoom:
        ToggleZoom(*channel);
        break;
      default:
        break;
    }
  }
}

std::vector<TileLabel> ViewerSession::Labels() const {
  std::vector<TileLabel> labels;
  for (const auto& channel : channels_) {
    TileLabel label{ChannelName(channel->number), "", ""};
    if (channel->number >= kPlayerChannels) {
      label.state = "not played: the player has 32 channels";
      labels.push_back(label);
      continue;
    }
    label.name = channel->stream->name;
    if (!channel->refused.empty()) {
      label.state = channel->refused;
    } else if (channel->live && !channel->open) {
      label.state = channel->live->State();
    } else {
      label.state = channel->open ? PlayStateName(StateOf(*channel)) : "not open";
    }
    if (channel->zoomed) label.state += "  zoom";
    if (channel->number == soundChannel_ && volume_ > 0) {
      label.state += "  vol " + std::to_string(volume_);
    }
    labels.push_back(label);
  }
  return labels;
}

std::vector<std::string> ViewerSession::Captions() const {
  std::vector<std::string> captions;
  for (const TileLabel& label : Labels()) captions.push_back(LabelText(label));
  return captions;
}

void ViewerSession::PictureShown(int tile) {
  if (tile < 0 || static_cast<size_t>(tile) >= channels_.size()) return;
  Channel& channel = *channels_[static_cast<size_t>(tile)];
  if (channel.timing) channel.timing->Shown(TimingClock::now());
}

std::vector<std::string> ViewerSession::Figures() const {
  std::vector<std::string> figures;
  for (const auto& channel : channels_) figures.push_back(channel->figures);
  return figures;
}

uint64_t ViewerSession::BytesFed(const Channel& channel) const {
  if (channel.feeder) return channel.feeder->BytesFed();
  return channel.live ? channel.live->BytesFed() : 0;
}

void ViewerSession::PrintProgress(double elapsedSeconds, const PictureCounter& picturesDrawn) {
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "[%5.1fs]", elapsedSeconds);
  const double interval = elapsedSeconds - lastReportSeconds_;
  lastReportSeconds_ = elapsedSeconds;
  std::lock_guard<std::mutex> lock(outMutex_);
  for (auto& owned : channels_) {
    Channel& channel = *owned;
    out_ << stamp << " " << ChannelName(channel.number) << " " << channel.stream->name;
    if (channel.number >= kPlayerChannels) {
      out_ << "  not played: the player has 32 channels\n";
      continue;
    }
    if (!channel.refused.empty()) {
      out_ << "  " << channel.refused << "\n";
      continue;
    }
    if (!channel.open) {
      out_ << "  " << (channel.live ? channel.live->State() : "not open") << "\n";
      continue;
    }
    uint32_t waiting = 0;
    player_.Play_GetBufferRemainDataSize(channel.number, &waiting);
    int32_t width = 0;
    int32_t height = 0;
    const bool decoded = player_.Play_GetPictureSize(channel.number, &width, &height) == 0;
    out_ << "  fed " << Megabytes(BytesFed(channel));
    if (channel.feeder && channel.feeder->Loops() > 0) {
      out_ << " (looped " << channel.feeder->Loops() << "x)";
    }
    out_ << "  buffer " << waiting << " B";
    if (waiting == channel.bufferAtLastReport) out_ << StillBufferNote(waiting);
    channel.bufferAtLastReport = waiting;
    uint64_t shown = 0;
    if (picturesDrawn(channel.number, &shown)) {
      char figures[128];
      int length = std::snprintf(
          figures, sizeof(figures), "%.1f/s",
          interval > 0 ? static_cast<double>(shown - channel.picturesAtLastReport) / interval
                       : 0.0);
      if (channel.timing) {
        const PictureTiming::Report report = channel.timing->TakeReport();
        if (report.haveLatency) {
          length +=
              std::snprintf(figures + length, sizeof(figures) - static_cast<size_t>(length),
                            "  latency %.0f ms p99 %.0f ms", report.medianMs, report.slowestMs);
        }
        std::snprintf(figures + length, sizeof(figures) - static_cast<size_t>(length),
                      "  dropped %llu", static_cast<unsigned long long>(report.dropped));
      }
      out_ << "  shown " << shown << " (" << figures << ")";
      channel.figures = figures;
      channel.picturesAtLastReport = shown;
    }
    out_ << "  picture ";
    if (decoded) {
      out_ << width << "x" << height;
    } else {
      out_ << "none yet";
    }
    out_ << "  " << (channel.live ? channel.live->State() + ", " : std::string())
         << PlayStateName(StateOf(channel));
    if (channel.live && channel.live->Retries() > 0) {
      out_ << ", retried " << channel.live->Retries() << "x, reconnected "
           << channel.live->Reconnections() << "x";
    }
    if (channel.live && channel.live->BlocksLost() > 0) {
      out_ << ", " << channel.live->BlocksLost() << " blocks lost";
    }
    out_ << "\n";
  }
  out_.flush();
}

}  // namespace demo_viewer
