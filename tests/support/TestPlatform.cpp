#include "TestPlatform.h"

namespace kelo_test {

TestPlatform::TestPlatform(std::string driveRoot)
    : driveRoot_(std::move(driveRoot)), fallbackRoot_(driveRoot_ + "fallback/") {
  kelo::SetPlatformForTesting(this);
}

TestPlatform::~TestPlatform() { kelo::SetPlatformForTesting(nullptr); }

bool TestPlatform::SystemDriveRoot(std::string* root) {
  if (!systemDirectoryAvailable_) return false;
  *root = driveRoot_;
  return true;
}

kelo::CreateDirectoryResult TestPlatform::CreateDirectory(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    createdDirectories_.push_back(path);
  }
  return kelo::OsPlatform().CreateDirectory(path);
}

bool TestPlatform::MoveFileReplacing(const std::string& from, const std::string& to) {
  if (failMoves_) return false;
  return kelo::OsPlatform().MoveFileReplacing(from, to);
}

void TestPlatform::SleepMilliseconds(uint32_t milliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  sleeps_.push_back(milliseconds);
}

kelo::LocalTime TestPlatform::Now() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

void TestPlatform::set_now(const kelo::LocalTime& now) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ = now;
}

std::vector<uint32_t> TestPlatform::sleeps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sleeps_;
}

std::vector<std::string> TestPlatform::created_directories() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return createdDirectories_;
}

}  // namespace kelo_test
