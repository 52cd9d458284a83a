// One channel of the soak: a round opens its stream, feeds it and puts it
// through every control a client uses (pause, fast, slow, step, capture,
// volume, display region, buffer clear) before closing it again, noting
// every result in the tally.
#ifndef KELO820_TESTS_SOAK_CHANNEL_CYCLE_H
#define KELO820_TESTS_SOAK_CHANNEL_CYCLE_H

#include <chrono>
#include <cstdint>
#include <string>

#include "Kelo820_PlaySDK.h"
#include "OperationTally.h"
#include "StreamFile.h"

namespace soak {

class ChannelCycle {
 public:
  ChannelCycle(SinglePlayer& player, int32_t channel, const demo_viewer::StreamFile& stream,
               std::string capturePath, OperationTally& tally);

  // One round, from Play_SetOpenMode to Play_CloseStream. Even channels play
  // in file mode in even rounds, odd ones in odd rounds; the others live.
  void Run(uint32_t round);

  uint64_t CapturesWritten() const { return capturesWritten_; }

 private:
  enum class Pace { kFile, kLive };

  // Feeds blocks for |span|, each only when the decoder has room for it (as
  // clients do: the player drops a block refused ten times); a live source
  // sends at a camera's pace.
  void Feed(std::chrono::milliseconds span);
  // Offers the next block once if it fits, expecting |expected|; false when
  // it did not fit.
  bool OfferBlock(std::initializer_list<int32_t> expected);
  int32_t Call(const char* operation, int32_t result,
               std::initializer_list<int32_t> expected = {0});
  // Moves to |state| and reads it back.
  void SetState(int32_t state);
  void Step();
  void Capture();
  void ShowRegion();

  SinglePlayer& player_;
  const int32_t channel_;
  const demo_viewer::StreamFile& stream_;
  const std::string capturePath_;
  OperationTally& tally_;
  uint32_t round_ = 0;
  Pace pace_ = Pace::kFile;
  // A file plays from its start; a live source is joined where the last
  // round left it, as a camera is joined mid-stream.
  size_t position_ = 0;
  uint64_t capturesWritten_ = 0;
};

}  // namespace soak

#endif  // KELO820_TESTS_SOAK_CHANNEL_CYCLE_H
