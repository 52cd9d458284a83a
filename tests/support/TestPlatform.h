// A platform for tests: a temporary directory stands in for the system
// drive, sleeps are recorded instead of slept, the clock is fixed, and
// directory creation or renaming can be made to fail. Everything else goes
// to the operating system. Installs itself for its lifetime.
#ifndef KELO820_TESTS_SUPPORT_TESTPLATFORM_H
#define KELO820_TESTS_SUPPORT_TESTPLATFORM_H

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Platform.h"

namespace tests {

class TestPlatform : public platform::PlatformWrapper {
 public:
  explicit TestPlatform(std::string driveRoot);
  ~TestPlatform() override;

  bool SystemDriveRoot(std::string* root) override;
  std::string PrimaryDriveRoot() override;
  platform::CreateDirectoryResult CreateDirectory(const std::string& path) override;
  bool MoveFileReplacing(const std::string& from, const std::string& to,
                         const platform::FileIdentity& expected) override;
  int64_t AppendText(const std::string& path, const char* text, size_t size, int64_t identifyAbove,
                     platform::FileIdentity* written) override;
  void SleepMilliseconds(uint32_t milliseconds) override;
  platform::LocalTime Now() override;

  void set_system_directory_available(bool available) { systemDirectoryAvailable_ = available; }
  // Drive c:, where default files go; the temporary drive unless set.
  void set_primary_drive_root(const std::string& root);
  void set_now(const platform::LocalTime& now);
  void set_fail_moves(bool fail) { failMoves_ = fail; }
  // Runs after every append, as another writer sharing the file would act
  // between our append and whatever we do next.
  void set_after_append(std::function<void(const std::string& path)> action) {
    afterAppend_ = std::move(action);
  }
  // Runs in place of every sleep, on the sleeping thread, after it is
  // recorded: what other threads do while this one waits.
  void set_during_sleep(std::function<void(uint32_t milliseconds)> action) {
    duringSleep_ = std::move(action);
  }
  std::vector<uint32_t> sleeps() const;
  std::vector<std::string> created_directories() const;

 private:
  std::string driveRoot_;
  std::string primaryDriveRoot_;
  bool systemDirectoryAvailable_ = true;
  bool failMoves_ = false;
  std::function<void(const std::string&)> afterAppend_;
  std::function<void(uint32_t)> duringSleep_;
  mutable std::mutex mutex_;
  platform::LocalTime now_{7, 15, 9, 3, 27, 457};
  std::vector<uint32_t> sleeps_;
  std::vector<std::string> createdDirectories_;
};

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_TESTPLATFORM_H
