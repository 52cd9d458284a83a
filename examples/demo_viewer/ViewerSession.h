// The viewer's use of the SDK: one channel per tile, a feeder per channel,
// and the user's commands turned into SDK calls.
#ifndef KELO_DEMO_VIEWER_VIEWER_SESSION_H
#define KELO_DEMO_VIEWER_VIEWER_SESSION_H

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "ChannelFeeder.h"
#include "Kelo820_PlaySDK.h"
#include "LiveSource.h"
#include "PictureTiming.h"
#include "StreamFile.h"
#include "TileLabel.h"
#include "ViewerCommands.h"

namespace demo_viewer {

// The player has channels 0 to 31; tiles beyond them show that they do not play.
constexpr int kPlayerChannels = 32;

class ViewerSession {
 public:
  // |streams| must outlive the session; tile i plays stream i modulo their
  // count on channel i. Results and captures are reported to |out|.
  ViewerSession(SinglePlayer& player, const std::vector<StreamFile>& streams,
                std::string captureDirectory, std::ostream& out);
  ~ViewerSession();
  ViewerSession(const ViewerSession&) = delete;
  ViewerSession& operator=(const ViewerSession&) = delete;

  // Opens one channel per window (a null window plays headless) and starts
  // feeding it; a live source's channel opens once the source has announced
  // its streams. False when no channel could be opened or started.
  bool Open(const std::vector<WindowHandle>& windows);
  // The picture quality channels decode at from their opening on (as
  // Play_SetPicQuality takes it).
  void SetPicQuality(int32_t quality) { picQuality_ = quality; }
  // Stops the feeders and closes every open channel.
  void Close();

  // Carries out |command| on |tile|, or on every tile when |tile| is -1.
  void Execute(ViewerCommand command, int tile);
  // Sound follows the chosen tile (channel 0 when all are chosen).
  void SelectTile(int tile);
  // Captures |tile| (every tile for -1) to BMP files in the capture directory.
  void Capture(int tile);
  // Draws the last picture of |tile| again, for a window system that leaves
  // redrawing an uncovered window to its owner.
  void Redraw(int tile);

  // Per tile: channel, stream and state, for the caption under it.
  std::vector<TileLabel> Labels() const;
  // The labels as whole lines.
  std::vector<std::string> Captions() const;
  // The window drew a picture into |tile| just now.
  void PictureShown(int tile);
  // Per tile: pictures shown per second, latency and dropped pictures, as
  // the last progress line gave them (for the overlay).
  std::vector<std::string> Figures() const;
  // Tells how many pictures were drawn into a tile so far; false when that
  // cannot be known (no window, or no way to watch it).
  using PictureCounter = std::function<bool(int tile, uint64_t* count)>;
  // One line per channel: bytes fed, decoder buffer (and why, when it stands
  // where the last line left it), pictures shown and their rate since the
  // last line; for live sources the median time from a picture's last byte to
  // its drawing and the pictures dropped; picture size, state.
  void PrintProgress(double elapsedSeconds, const PictureCounter& picturesDrawn);
  // Paths of the BMP files that captures actually wrote.
  const std::vector<std::string>& CaptureFiles() const { return captureFiles_; }

 private:
  struct Channel {
    int32_t number = 0;
    const StreamFile* stream = nullptr;
    std::unique_ptr<ChannelFeeder> feeder;
    std::unique_ptr<PictureTiming> timing;
    std::unique_ptr<LiveSource> live;
    // Why a live tile has no source of its own ("port 5000 in use by ch0").
    std::string refused;
    // A live source's thread opens the channel, the viewer's reads this.
    std::atomic<bool> open{false};
    bool zoomed = false;
    int captures = 0;
    uint64_t picturesAtLastReport = 0;
    // -1 before the first progress line.
    int64_t bufferAtLastReport = -1;
    std::string figures;
  };

  std::vector<Channel*> Targets(int tile);
  void OpenFile(Channel& channel, WindowHandle window);
  bool OpenLive(Channel& channel, WindowHandle window, const std::vector<uint8_t>& header);
  uint64_t BytesFed(const Channel& channel) const;
  // A line for |out_| from any thread.
  void Say(const std::string& line);
  void SetPlayState(Channel& channel, int32_t state);
  void ToggleZoom(Channel& channel);
  void CaptureChannel(Channel& channel);
  void ChangeVolume(bool up);
  int32_t StateOf(const Channel& channel) const;
  // Prints "chN: what -> result" for a call whose result is not 0, so that
  // every refusal shows in the terminal as well as in the error log.
  bool Check(const Channel& channel, const std::string& what, int32_t result);
  void ApplyPicQuality(const Channel& channel);
  // Turns a channel's sound on when it is the one to be heard.
  void ApplySound(const Channel& channel);

  SinglePlayer& player_;
  const std::vector<StreamFile>& streams_;
  const std::string captureDirectory_;
  int32_t picQuality_ = 1;
  std::ostream& out_;
  std::mutex outMutex_;
  std::vector<std::unique_ptr<Channel>> channels_;
  // Also read on the live sources' threads, when a live channel opens.
  std::atomic<int32_t> volume_{50};
  std::atomic<int32_t> soundChannel_{0};
  std::vector<std::string> captureFiles_;
  double lastReportSeconds_ = 0;
};

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_VIEWER_SESSION_H
