#include "InputChain.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "PesEndMarker.h"
#include "ProgramStreamMap.h"

namespace decoder_ffmpeg {
namespace {

// Bytes put ahead of each session's data.
class Prefix final : public InputStage {
 public:
  explicit Prefix(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)), pending_(bytes_) {}

  void Add(const uint8_t* data, size_t size) override {
    pending_.insert(pending_.end(), data, data + size);
  }
  size_t Take(uint8_t* out, size_t room) override {
    const size_t count = std::min(room, pending_.size());
    if (count == 0) return 0;
    std::memcpy(out, pending_.data(), count);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }
  void Reset() override { pending_ = bytes_; }

 private:
  const std::vector<uint8_t> bytes_;
  std::vector<uint8_t> pending_;
};

}  // namespace

InputChain::InputChain(const std::optional<streamformat::StreamHeader>& header, bool live,
                       G711Separator::Sink g711) {
  if (!header) return;
  if (header->container == "mpeg") {
    if (live && header->videoCodec == "h264") pictureEnds_.emplace(PictureEnds::Codec::kH264);
    if (live && header->videoCodec == "hevc") pictureEnds_.emplace(PictureEnds::Codec::kH265);
    stages_.push_back(
        std::make_unique<G711Separator>(streamformat::G711LawOf(header->audioCodec.c_str()),
                                        std::move(g711), pictureEnds_ ? &*pictureEnds_ : nullptr));
  }
  if (live && header->container == "mpegts") stages_.push_back(std::make_unique<PesEndMarker>());
  std::vector<uint8_t> map = streamformat::ProgramStreamMapFor(*header);
  if (!map.empty()) stages_.push_back(std::make_unique<Prefix>(std::move(map)));
}

size_t InputChain::Pass(uint8_t* buffer, size_t fresh, size_t room) {
  if (stages_.empty()) return fresh;
  stages_.front()->Add(buffer, fresh);
  return TakeWaiting(buffer, room);
}

size_t InputChain::TakeWaiting(uint8_t* out, size_t room) {
  return stages_.empty() ? 0 : TakeFrom(stages_.size() - 1, out, room);
}

void InputChain::Reset() {
  for (const std::unique_ptr<InputStage>& stage : stages_) stage->Reset();
}

size_t InputChain::TakeFrom(size_t last, uint8_t* out, size_t room) {
  for (;;) {
    if (const size_t ready = stages_[last]->Take(out, room)) return ready;
    if (last == 0) return 0;
    // |out| carries the bytes on: the stage copies what it is given.
    const size_t passed = TakeFrom(last - 1, out, room);
    if (passed == 0) return 0;
    stages_[last]->Add(out, passed);
  }
}

}  // namespace decoder_ffmpeg
