#include "LiveSource.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include "ChannelFeeder.h"
#include "HeaderFromFormat.h"
#include "StreamFormat.h"
#include "TransportStreamRemuxer.h"

namespace demo_viewer {

namespace {

// Seven packets: what one UDP datagram of a transport stream carries.
constexpr int kTsPieceBytes = 7 * 188;
constexpr int kReadBytes = 16 * 1024;
// The player's source buffer may be full for a moment while its decoder
// catches up; a block that still finds no room after this is lost.
constexpr std::chrono::milliseconds kRoomPause{5};
constexpr int kRoomAttempts = 100;

int64_t NowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(TimingClock::now().time_since_epoch())
      .count();
}

std::string ErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof(text));
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The stream header for what |input| announces, carried as a transport stream.
bool BuildHeader(const AVFormatContext* input, std::vector<uint8_t>* header) {
  std::array<uint8_t, streamformat::kStreamHeaderLength> record{};
  if (!streamformat::EncodeStreamHeader(streamformat::HeaderFromFormat(input, "mpegts"), &record))
    return false;
  header->assign(record.begin(), record.end());
  return true;
}

}  // namespace

bool IsLiveSourceAddress(const std::string& text) {
  return StartsWith(text, "udp://") || StartsWith(text, "tcp://") || StartsWith(text, "rtsp://");
}

int UdpPort(const std::string& address) {
  if (!StartsWith(address, "udp://")) return -1;
  const std::string hostPort = address.substr(6, address.find_first_of("/?", 6) - 6);
  const size_t colon = hostPort.rfind(':');
  if (colon == std::string::npos || colon + 1 == hostPort.size()) return -1;
  int port = 0;
  for (size_t at = colon + 1; at < hostPort.size(); ++at) {
    if (hostPort[at] < '0' || hostPort[at] > '9' || port > 65535) return -1;
    port = port * 10 + (hostPort[at] - '0');
  }
  return port <= 65535 ? port : -1;
}

// Everything one connection holds; released in reverse order.
struct LiveSource::Connection {
  LiveSource* source = nullptr;
  AVIOContext* raw = nullptr;      // udp/tcp: the byte stream itself
  AVIOContext* probeIo = nullptr;  // ... read through this while probing
  std::vector<uint8_t> probed;     // ... which keeps what it read
  AVFormatContext* input = nullptr;
  std::unique_ptr<streamformat::TransportStreamRemuxer> remuxer;  // rtsp
  bool feedFailed = false;

  // Connects and reads what the source announces; an FFmpeg error code.
  int Open(const std::string& address, const AVIOInterruptCB& interrupt);
  // Feeds the transport stream as it arrives, the bytes read while probing
  // first; returns why it ended.
  std::string PassOn(int videoIndex);
  // Feeds the RTSP source's streams remuxed into a transport stream.
  std::string Remux(const streamformat::ChosenStreams& chosen);

  ~Connection() {
    remuxer.reset();
    avformat_close_input(&input);
    if (probeIo != nullptr) {
      av_freep(&probeIo->buffer);
      avio_context_free(&probeIo);
    }
    if (raw != nullptr) avio_closep(&raw);
  }

  static int ReadProbe(void* opaque, uint8_t* buffer, int size) {
    auto* connection = static_cast<Connection*>(opaque);
    const int read = avio_read_partial(connection->raw, buffer, size);
    if (read > 0) {
      connection->probed.insert(connection->probed.end(), buffer, buffer + read);
      connection->source->NoteData();
    }
    return read == 0 ? AVERROR_EOF : read;
  }
};

LiveSource::LiveSource(SinglePlayer& player, int32_t channel, std::string address,
                       OpenChannel openChannel, Report report, PictureTiming& timing,
                       LiveSourceTimeouts timeouts)
    : player_(player),
      channel_(channel),
      address_(std::move(address)),
      openChannel_(std::move(openChannel)),
      report_(std::move(report)),
      timing_(timing),
      timeouts_(timeouts) {}

LiveSource::~LiveSource() { Stop(); }

void LiveSource::Start() {
  if (thread_.joinable()) return;
  // The source's own messages say what went wrong, once.
  av_log_set_level(AV_LOG_FATAL);
  stopping_ = false;
  thread_ = std::thread(&LiveSource::Run, this);
}

void LiveSource::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool LiveSource::Stopping() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopping_;
}

int LiveSource::Interrupt(void* opaque) {
  auto* self = static_cast<LiveSource*>(opaque);
  if (self->Stopping()) return 1;
  const int64_t quiet = NowNanos() - self->lastActivity_.load();
  if (self->live_ && quiet > std::chrono::nanoseconds(self->timeouts_.stall).count() &&
      !self->stallReported_.exchange(true)) {
    self->report_(self->address_ + ": no data for " +
                  std::to_string(self->timeouts_.stall.count()) + " ms: stalled");
  }
  return quiet > self->patience_.load() ? 1 : 0;
}

void LiveSource::NoteData() {
  lastActivity_ = NowNanos();
  if (stallReported_.exchange(false)) report_(address_ + ": data flows again");
}

void LiveSource::SetPhase(Phase phase, const std::string& detail) {
  live_ = phase == Phase::kLive;
  if (!live_) stallReported_ = false;
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = phase;
  detail_ = detail;
}

std::string LiveSource::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  switch (phase_) {
    case Phase::kConnecting:
      return "connecting";
    case Phase::kLive:
    case Phase::kStalled: {
      const double quiet = static_cast<double>(NowNanos() - lastActivity_.load()) / 1e9;
      if (quiet * 1000 < static_cast<double>(timeouts_.stall.count())) return "live";
      char text[48];
      std::snprintf(text, sizeof(text), "stalled %.1f s", quiet);
      return text;
    }
    case Phase::kWaiting:
      break;
  }
  return detail_;
}

bool LiveSource::Feed(const uint8_t* data, size_t size) {
  const auto length = static_cast<uint32_t>(size);
  // Noted before the player has it: its picture may be drawn before
  // Play_InputData returns.
  timing_.Fed(data, size, TimingClock::now());
  for (int attempt = 0; attempt < kRoomAttempts; ++attempt) {
    uint32_t waiting = 0;
    // The first try goes to the player whatever its buffer holds: a playing
    // channel hands what its buffer holds on to the decoder's side, so that
    // a decoder that falls behind sees how far (and skips ahead) rather
    // than the data waiting here, unseen, until the socket drops it.
    const bool room = attempt == 0 ||
                      player_.Play_GetBufferRemainDataSize(channel_, &waiting) != 0 ||
                      waiting + length <= kSourceBufferBytes;
    if (room && player_.Play_InputData(channel_, data, length, 0) == 0) {
      bytesFed_ += size;
      if (!connectionFed_) {
        connectionFed_ = true;
        if (fedBefore_) ++reconnections_;
        fedBefore_ = true;
      }
      return true;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, kRoomPause, [this] { return stopping_; })) return false;
  }
  ++blocksLost_;
  return true;
}

int LiveSource::Connection::Open(const std::string& address, const AVIOInterruptCB& interrupt) {
  AVDictionary* options = nullptr;
  int error = 0;
  if (StartsWith(address, "rtsp://")) {
    input = avformat_alloc_context();
    if (input == nullptr) return AVERROR(ENOMEM);
    input->interrupt_callback = interrupt;
    av_dict_set(&options, "rtsp_transport", "tcp", 0);
    error = avformat_open_input(&input, address.c_str(), nullptr, &options);
    av_dict_free(&options);
    return error;
  }
  if (StartsWith(address, "udp://")) av_dict_set(&options, "overrun_nonfatal", "1", 0);
  error = avio_open2(&raw, address.c_str(), AVIO_FLAG_READ, &interrupt, &options);
  av_dict_free(&options);
  if (error < 0) return error;
  // The demuxer reads the stream's tables through a tee that keeps every
  // byte, so that nothing read while probing is lost to the player.
  auto* buffer = static_cast<uint8_t*>(av_malloc(kReadBytes));
  probeIo = buffer == nullptr
                ? nullptr
                : avio_alloc_context(buffer, kReadBytes, 0, this, &ReadProbe, nullptr, nullptr);
  if (probeIo == nullptr) av_free(buffer);
  input = avformat_alloc_context();
  if (probeIo == nullptr || input == nullptr) return AVERROR(ENOMEM);
  input->pb = probeIo;
  input->flags |= AVFMT_FLAG_CUSTOM_IO;
  input->interrupt_callback = interrupt;
  return avformat_open_input(&input, nullptr, av_find_input_format("mpegts"), nullptr);
}

std::string LiveSource::Connection::PassOn(int videoIndex) {
  if (videoIndex >= 0) source->timing_.SetVideoPid(input->streams[videoIndex]->id);
  source->SetPhase(Phase::kLive);
  // In pieces the player's source buffer can take.
  for (size_t at = 0; at < probed.size(); at += kReadBytes) {
    if (!source->Feed(probed.data() + at, std::min<size_t>(kReadBytes, probed.size() - at))) {
      return "stopped";
    }
  }
  std::vector<uint8_t> buffer(kReadBytes);
  for (;;) {
    const int read = avio_read_partial(raw, buffer.data(), kReadBytes);
    if (read <= 0) return source->EndReason(read);
    source->NoteData();
    if (!source->Feed(buffer.data(), static_cast<size_t>(read))) return "stopped";
  }
}

std::string LiveSource::Connection::Remux(const streamformat::ChosenStreams& chosen) {
  streamformat::TransportStreamRemuxer::Options options;
  options.pieceBytes = kTsPieceBytes;
  options.live = true;
  // The player's demuxer passes each picture on without waiting for the next.
  options.videoPesLength = true;
  remuxer = std::make_unique<streamformat::TransportStreamRemuxer>(
      [this](const uint8_t* data, size_t size) {
        if (!source->Feed(data, size)) feedFailed = true;
      },
      options);
  const int error = remuxer->Start(input, chosen);
  if (error < 0) return "cannot make a transport stream (" + ErrorText(error) + ")";
  if (chosen.video >= 0) source->timing_.SetVideoPid(remuxer->OutputStreamId(chosen.video));
  source->SetPhase(Phase::kLive);
  std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(
      av_packet_alloc(), [](AVPacket* unused) { av_packet_free(&unused); });
  if (!packet) return "out of memory";
  while (!feedFailed) {
    const int read = av_read_frame(input, packet.get());
    if (read < 0) return source->EndReason(read);
    source->NoteData();
    // A packet the muxer refuses (a time stamp out of order) costs itself only.
    remuxer->Write(packet.get());
    av_packet_unref(packet.get());
  }
  return "stopped";
}

std::string LiveSource::EndReason(int error) {
  if (Stopping()) return "stopped";
  if (error == 0 || error == AVERROR_EOF) return "the stream ended";
  if (NowNanos() - lastActivity_.load() > patience_.load()) {
    return "dropped: no data for " + std::to_string(patience_.load() / 1000000) + " ms";
  }
  return "dropped (" + ErrorText(error) + ")";
}

std::string LiveSource::Session() {
  SetPhase(Phase::kConnecting);
  connectionFed_ = false;
  Connection connection;
  connection.source = this;
  lastActivity_ = NowNanos();
  patience_ = std::chrono::nanoseconds(timeouts_.connect).count();
  const int error = connection.Open(address_, AVIOInterruptCB{&LiveSource::Interrupt, this});
  const bool silent = NowNanos() - lastActivity_.load() > patience_.load();
  const std::string noStream =
      "no stream within " + std::to_string(timeouts_.connect.count()) + " ms";
  if (error < 0) {
    if (Stopping()) return "stopped";
    return silent ? noStream : "cannot reach it (" + ErrorText(error) + ")";
  }
  const streamformat::ChosenStreams chosen = streamformat::ChooseStreams(connection.input);
  std::vector<uint8_t> header;
  if (chosen.video < 0 && chosen.audio < 0) {
    return silent ? noStream : "it announces no video or audio";
  }
  if (!BuildHeader(connection.input, &header)) return "it announces unknown codecs";
  if (header != header_) {
    if (!openChannel_(header)) return "the channel would not open with its header";
    header_ = header;
  }
  timing_.Restart();
  // Whatever a UDP source sends after a silence is the same stream, for the
  // same channel.
  patience_ = StartsWith(address_, "udp://") ? std::numeric_limits<int64_t>::max()
                                             : std::chrono::nanoseconds(timeouts_.drop).count();
  // A transport stream goes on byte for byte; RTSP is remuxed into one.
  return connection.raw != nullptr ? connection.PassOn(chosen.video) : connection.Remux(chosen);
}

void LiveSource::Run() {
  std::string lastReason;
  while (!Stopping()) {
    const std::string reason = Session();
    if (Stopping()) break;
    ++retries_;
    SetPhase(Phase::kWaiting, reason + ", retrying");
    // The same failure again and again is told once.
    if (reason != lastReason) {
      report_(address_ + ": " + reason + "; trying again every " +
              std::to_string(timeouts_.retry.count()) + " ms");
      lastReason = reason;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, timeouts_.retry, [this] { return stopping_; });
  }
}

}  // namespace demo_viewer
