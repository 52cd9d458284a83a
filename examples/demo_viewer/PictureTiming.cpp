#include "PictureTiming.h"

#include <algorithm>

namespace demo_viewer {

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

void TsPictureScanner::ScanPacket(const uint8_t* packet, Found* found) {
  const int pid = ((packet[1] & 0x1F) << 8) | packet[2];
  if (pid != pid_ || (packet[3] & 0x10) == 0) return;  // another pid, or no payload
  const size_t payload = (packet[3] & 0x20) != 0 ? 5 + size_t{packet[4]} : 4;
  if (payload >= kTsPacketBytes) return;
  const auto bytes = static_cast<int64_t>(kTsPacketBytes - payload);
  const bool start = (packet[1] & 0x40) != 0;
  if (start) {
    if (open_) ++(found->payload ? found->endedHere : found->endedEarlier);
    const uint8_t* pes = packet + payload;
    const int64_t length = bytes >= 6 ? (pes[4] << 8) | pes[5] : 0;
    open_ = true;
    remaining_ = length > 0 ? 6 + length : -1;
  }
  found->payload = true;
  if (open_ && remaining_ > 0) {
    remaining_ -= bytes;
    if (remaining_ <= 0) {
      ++found->endedHere;
      open_ = false;
    }
  }
}

void PictureTiming::SetVideoPid(int pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  scanner_.SetPid(pid);
}

void PictureTiming::Restart() {
  std::lock_guard<std::mutex> lock(mutex_);
  scanner_ = TsPictureScanner();
  shownAny_ = false;
  arrived_.clear();
}

void PictureTiming::Fed(const uint8_t* data, size_t size, TimingClock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  const TsPictureScanner::Found found = scanner_.Scan(data, size);
  for (int picture = 0; picture < found.endedEarlier; ++picture) arrived_.push_back(lastPayload_);
  for (int picture = 0; picture < found.endedHere; ++picture) arrived_.push_back(now);
  if (found.payload) lastPayload_ = now;
  while (arrived_.size() > kMaxPicturesInFlight) {
    arrived_.pop_front();
    ++dropped_;
  }
}

void PictureTiming::Shown(TimingClock::time_point when) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++shown_;
  if (!shownAny_) {
    shownAny_ = true;
    while (arrived_.size() > 1 && arrived_[1] <= when) arrived_.pop_front();
  }
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
    const auto at = [&](size_t percent) {
      auto nth = latenciesMs_.begin() +
                 static_cast<std::ptrdiff_t>((latenciesMs_.size() - 1) * percent / 100);
      std::nth_element(latenciesMs_.begin(), nth, latenciesMs_.end());
      return *nth;
    };
    report.haveLatency = true;
    report.slowestMs = at(99);
    report.medianMs = at(50);
    latenciesMs_.clear();
  }
  return report;
}

}  // namespace demo_viewer
