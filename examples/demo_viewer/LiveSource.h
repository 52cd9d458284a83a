// A camera or encoder on the network feeding one channel: udp:// and tcp://
// carry an MPEG transport stream, which goes to the player byte for byte;
// rtsp:// is read with libavformat's RTSP client and remuxed into a
// transport stream without re-encoding. Each block goes to Play_InputData as
// soon as it arrives. The stream header is built from what the source
// announces. A tcp:// or rtsp:// source that drops, or stays silent too long,
// is reconnected by itself; a udp:// source has no connection to lose and
// keeps listening through any silence.
#ifndef KELO_DEMO_VIEWER_LIVE_SOURCE_H
#define KELO_DEMO_VIEWER_LIVE_SOURCE_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Kelo820_PlaySDK.h"
#include "PictureTiming.h"

namespace demo_viewer {

// True for the addresses a LiveSource takes.
bool IsLiveSourceAddress(const std::string& text);
// The local port a udp:// address listens on; -1 for other addresses. Only
// one socket may listen on a port, whatever local address it names.
int UdpPort(const std::string& address);

struct LiveSourceTimeouts {
  // How long connecting (and, for UDP, the first data) may take.
  std::chrono::milliseconds connect{3000};
  // Without data this long the source counts as stalled ...
  std::chrono::milliseconds stall{1000};
  // ... and this long, a tcp:// or rtsp:// source as dropped: it is
  // reconnected. Long enough for a camera behind a wireless link that pauses
  // for seconds and then sends what it held: a new connection would lose that
  // burst and the decoder's state. A udp:// source is never dropped for
  // silence: reopening its socket would only lose what arrives meanwhile.
  std::chrono::milliseconds drop{10000};
  // The pause before the next attempt.
  std::chrono::milliseconds retry{1000};
};

class LiveSource {
 public:
  // |openChannel| is called on the source's thread with the stream header
  // once the source has announced its streams (again when they change after
  // a reconnection); false means the channel could not be opened. Messages
  // for the user go to |report| (from the source's thread).
  using OpenChannel = std::function<bool(const std::vector<uint8_t>& header)>;
  using Report = std::function<void(const std::string& message)>;
  LiveSource(SinglePlayer& player, int32_t channel, std::string address, OpenChannel openChannel,
             Report report, PictureTiming& timing, LiveSourceTimeouts timeouts = {});
  ~LiveSource();
  LiveSource(const LiveSource&) = delete;
  LiveSource& operator=(const LiveSource&) = delete;

  void Start();
  // Stops the thread, also in the middle of connecting or reading.
  void Stop();

  uint64_t BytesFed() const { return bytesFed_.load(); }
  // Blocks the player still had no room for after a while: their pictures
  // are lost.
  uint64_t BlocksLost() const { return blocksLost_.load(); }
  // Connection attempts after the first, failed ones included.
  uint32_t Retries() const { return retries_.load(); }
  // Connections after a drop that brought data back: the first data of a
  // connection counts when an earlier one had data.
  uint32_t Reconnections() const { return reconnections_.load(); }
  // "connecting", "live", "stalled 1.2 s", "unreachable: ...", ...
  std::string State() const;

 private:
  struct Connection;
  enum class Phase { kConnecting, kLive, kStalled, kWaiting };

  void Run();
  // One connection from start to its end; returns why it ended.
  std::string Session();
  bool Feed(const uint8_t* data, size_t size);
  // Why reading ended with |error|.
  std::string EndReason(int error);
  // Data came: the stall clock starts again, and a stall that was told ends.
  void NoteData();
  bool Stopping();
  static int Interrupt(void* opaque);
  void SetPhase(Phase phase, const std::string& detail = "");

  SinglePlayer& player_;
  const int32_t channel_;
  const std::string address_;
  const OpenChannel openChannel_;
  const Report report_;
  PictureTiming& timing_;
  const LiveSourceTimeouts timeouts_;

  std::atomic<uint64_t> bytesFed_{0};
  std::atomic<uint64_t> blocksLost_{0};
  std::atomic<uint32_t> retries_{0};
  std::atomic<uint32_t> reconnections_{0};
  // Only the source's thread touches these: whether the current connection
  // and any connection before it have fed the player.
  bool connectionFed_ = false;
  bool fedBefore_ = false;
  // The clock value (steady, ns) of the last data or of the start of the
  // current wait; the interrupt callback measures stalls against it.
  std::atomic<int64_t> lastActivity_{0};
  std::atomic<int64_t> patience_{0};  // ns the current wait may last
  std::atomic<bool> live_{false};     // data is flowing (or stalled)
  std::atomic<bool> stallReported_{false};
  std::vector<uint8_t> header_;  // only the source's thread touches it

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  Phase phase_ = Phase::kConnecting;
  std::string detail_;
  std::thread thread_;
};

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_LIVE_SOURCE_H
