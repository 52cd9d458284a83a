#include "PictureTiming.h"

#include <algorithm>

namespace demo {

namespace {

constexpr size_t kTsPacketBytes = 188;
constexpr uint8_t kTsSync = 0x47;
// Pictures waiting to be matched with a drawing; beyond this the oldest are
// counted as dropped (a tile that shows nothing keeps no unbounded record).
constexpr size_t kMaxPicturesInFlight = 250;

}  // namespace

TsPictureScanner::Found TsPictureScanner::Scan(const uint8_t* data, size_t size) {
  Found found;
  size_t offset = 0;
  if (!partial_.empty()) {
    const size_t needed = std::min(kTsPacketBytes - partial_.size(), size);
    partial_.insert(partial_.end(), data, data + needed);
    offset = needed;
    if (partial_.size() < kTsPacketBytes) return found;
    ScanPacket(partial_.data(), &found);
    partial_.clear();
  }
  while (offset < size) {
    if (data[offset] != kTsSync) {  // lost step: find the next sync byte
      ++offset;
      continue;
    }
    if (size - offset < kTsPacketBytes) {
      partial_.assign(data + offset, data + size);
      break;
    }
    ScanPacket(data + offset, &found);
    offset += kTsPacketBytes;
  }
  return found;
}

void TsPictureScanner::ScanPacket(const uint8_t* packet, Found* found) const {
  const int pid = ((packet[1] & 0x1F) << 8) | packet[2];
  if (pid != pid_ || (packet[3] & 0x10) == 0) return;  // another pid, or no payload
  found->payload = true;
  if ((packet[1] & 0x40) != 0) {
    ++found->starts;
  } else if (found->starts == 0) {
    found->tail = true;
  }
}

void PictureTiming::SetVideoPid(int pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  scanner_.SetPid(pid);
}

void PictureTiming::Restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  scanner_ = TsPictureScanner();
  pictureOpen_ = false;
  arrived_.clear();
}

void PictureTiming::Fed(const uint8_t* data, size_t size, TimingClock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  const TsPictureScanner::Found found = scanner_.Scan(data, size);
  // A picture's last byte is the last of its packets before the next picture
  // starts: in this piece or an earlier one.
  for (int start = 0; start < found.starts; ++start) {
    if (pictureOpen_) arrived_.push_back(start == 0 && !found.tail ? lastPayload_ : now);
    pictureOpen_ = true;
  }
  if (found.payload) lastPayload_ = now;
  while (arrived_.size() > kMaxPicturesInFlight) {
    arrived_.pop_front();
    ++dropped_;
  }
}

void PictureTiming::Shown(TimingClock::time_point when) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++shown_;
  while (!arrived_.empty() && arrived_.front() <= when) {
    const TimingClock::time_point arrival = arrived_.front();
    arrived_.pop_front();
    const bool newerArrived = !arrived_.empty() && arrived_.front() <= when;
    if (newerArrived && when - arrival > kDropAge) {
      ++dropped_;
      continue;
    }
    latenciesMs_.push_back(std::chrono::duration<double, std::milli>(when - arrival).count());
    return;
  }
}

PictureTiming::Report PictureTiming::TakeReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  Report report;
  report.shown = shown_;
  report.dropped = dropped_;
  shown_ = 0;
  if (!latenciesMs_.empty()) {
    auto middle = latenciesMs_.begin() + static_cast<std::ptrdiff_t>(latenciesMs_.size() / 2);
    std::nth_element(latenciesMs_.begin(), middle, latenciesMs_.end());
    report.haveLatency = true;
    report.medianMs = *middle;
    latenciesMs_.clear();
  }
  return report;
}

}  // namespace demo
