#include "TestPlatform.h"

namespace tests {

TestPlatform::TestPlatform(std::string driveRoot)
    : PlatformWrapper(platform::OsPlatform()),
      driveRoot_(std::move(driveRoot)),
      primaryDriveRoot_(driveRoot_) {
  platform::SetPlatformForTesting(this);
}

TestPlatform::~TestPlatform() { platform::SetPlatformForTesting(nullptr); }

bool TestPlatform::SystemDriveRoot(std::string* root) {
  if (!systemDirectoryAvailable_) return false;
  *root = driveRoot_;
  return true;
}

std::string TestPlatform::PrimaryDriveRoot() {
  std::lock_guard<std::mutex> lock(mutex_);
  return primaryDriveRoot_;
}

void TestPlatform::set_primary_drive_root(const std::string& root) {
  std::lock_guard<std::mutex> lock(mutex_);
  primaryDriveRoot_ = root;
}

platform::CreateDirectoryResult TestPlatform::CreateDirectory(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    createdDirectories_.push_back(path);
  }
  return PlatformWrapper::CreateDirectory(path);
}

bool TestPlatform::MoveFileReplacing(const std::string& from, const std::string& to,
                                     const platform::FileIdentity& expected) {
  if (failMoves_) return false;
  return PlatformWrapper::MoveFileReplacing(from, to, expected);
}

int64_t TestPlatform::AppendText(const std::string& path, const char* text, size_t size,
                                 int64_t identifyAbove, platform::FileIdentity* written) {
  const int64_t result = PlatformWrapper::AppendText(path, text, size, identifyAbove, written);
  // A copy, so that the action may replace itself.
  const auto action = afterAppend_;
  if (action) action(path);
  return result;
}

void TestPlatform::SleepMilliseconds(uint32_t milliseconds) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sleeps_.push_back(milliseconds);
  }
  const auto action = duringSleep_;
  if (action) action(milliseconds);
}

platform::LocalTime TestPlatform::Now() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

void TestPlatform::set_now(const platform::LocalTime& now) {
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

}  // namespace tests
