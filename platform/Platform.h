// The operating-system services the library uses, behind one interface so
// that tests can swap in an implementation that records sleeps, fixes the
// clock or injects faults. platform/PosixPlatform.cpp and
// platform/Win32Platform.cpp are the only files that call the OS. What the
// product makes of these services (where its files go by default) is not
// decided here.
//
// Threads: every method may be called from any thread, also at once; the
// OS implementations keep no state between calls. An implementation that
// does (a test's) guards it itself. Whether two calls on one file are
// atomic towards each other is the OS's matter: callers that need it
// serialise them (the log does, with the process-wide lock below).
#ifndef KELO820_PLATFORM_PLATFORM_H
#define KELO820_PLATFORM_PLATFORM_H

#include <atomic>
#include <cstdint>
#include <string>

#if defined(_WIN32)
// windows.h renames CreateDirectory to CreateDirectoryA; taking it in here,
// before the class, keeps the member's name the same in every file.
#include <windows.h>
#undef CreateDirectory
#endif

namespace platform {

struct LocalTime {
  int month;  // 1 to 12
  int day;    // 1 to 31
  int hour;   // 0 to 23
  int minute;
  int second;
  int millisecond;  // 0 to 999
};

enum class CreateDirectoryResult { kCreated, kAlreadyExists, kFailed };

// Which file a path led to: two paths, or one path at two times, have the
// same identity only when they name the same file.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && index == other.index;
  }
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Root of the drive that holds the system directory ("C:/" on Windows),
  // always ending in "/". False when the system directory is unavailable.
  // On Linux: Q81_DRIVE_ROOT, or else kelo820-playsdk/ in the user's XDG
  // state directory, created when missing.
  virtual bool SystemDriveRoot(std::string* root) = 0;
  // Root of drive c:, the first drive ("c:/" on Windows, whatever drive
  // the system directory is on). Elsewhere the drive root stands in for it
  // (Q81_DRIVE_ROOT, or the user's directory), "/" when there is none.
  virtual std::string PrimaryDriveRoot() = 0;
  // Where MakeDirectoryPath starts creating levels: the length of the drive
  // root that an absolute path begins with ("c:/" is 3, "/" is 1).
  virtual size_t DriveRootLength() = 0;

  virtual CreateDirectoryResult CreateDirectory(const std::string& path) = 0;
  // The whole file at |path| read as text (on Windows CR LF becomes "\n").
  // False when it cannot be opened or read.
  virtual bool ReadText(const std::string& path, std::string* text) = 0;
  // File-search semantics: a pattern ending in "*" matches when the directory
  // has an entry; any other path matches an existing file or directory.
  virtual bool PathMatches(const std::string& pattern) = 0;
  // Renames |from| to |to|, replacing an existing target, but only while
  // |from| still names the file |expected|: another thread or process that
  // shares the file may have moved it aside already, and its successor must
  // not replace it. Moves of one file are serialised across processes: while
  // another process moves it, this returns false at once rather than wait.
  // False when nothing was moved.
  virtual bool MoveFileReplacing(const std::string& from, const std::string& to,
                                 const FileIdentity& expected) = 0;
  // Appends |size| bytes at |text| to the file at |path|, creating it when
  // missing, as a text file: on Windows every "\n" is stored as CR LF. The
  // text goes to the file's end in one step, so that writers in other
  // processes appending to the same file neither overwrite nor split it.
  // Returns the file's size afterwards, or -1 when it cannot be opened or
  // written. When that size is above |identifyAbove|, |written| receives the
  // identity of the file appended to (asked only then: it costs a call).
  virtual int64_t AppendText(const std::string& path, const char* text, size_t size,
                             int64_t identifyAbove, FileIdentity* written) = 0;
  virtual void SleepMilliseconds(uint32_t milliseconds) = 0;
  virtual LocalTime Now() = 0;
};

// Forwards every call to another platform: a test double derives from it and
// overrides only what it changes.
class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& target) : target_(target) {}

  bool SystemDriveRoot(std::string* root) override { return target_.SystemDriveRoot(root); }
  std::string PrimaryDriveRoot() override { return target_.PrimaryDriveRoot(); }
  size_t DriveRootLength() override { return target_.DriveRootLength(); }
  CreateDirectoryResult CreateDirectory(const std::string& path) override {
    return target_.CreateDirectory(path);
  }
  bool ReadText(const std::string& path, std::string* text) override {
    return target_.ReadText(path, text);
  }
  bool PathMatches(const std::string& pattern) override { return target_.PathMatches(pattern); }
  bool MoveFileReplacing(const std::string& from, const std::string& to,
                         const FileIdentity& expected) override {
    return target_.MoveFileReplacing(from, to, expected);
  }
  int64_t AppendText(const std::string& path, const char* text, size_t size, int64_t identifyAbove,
                     FileIdentity* written) override {
    return target_.AppendText(path, text, size, identifyAbove, written);
  }
  void SleepMilliseconds(uint32_t milliseconds) override {
    target_.SleepMilliseconds(milliseconds);
  }
  LocalTime Now() override { return target_.Now(); }

 private:
  Platform& target_;
};

// The platform in use: the OS one unless a test installed another.
Platform& CurrentPlatform();
// Installs |platform| (not owned); null restores the OS platform.
void SetPlatformForTesting(Platform* platform);
// The OS implementation for this build.
Platform& OsPlatform();

// A lock that lives as long as the process (a critical section on Windows,
// a mutex elsewhere). It serialises log entries across all threads.
void LockProcessWide();
void UnlockProcessWide();

// Sleeping on a word of memory until another thread changes it (a futex on
// Linux, WaitOnAddress on Windows, a condition variable before Windows 8). WaitWhileEqual returns
// at once when |word| no longer holds |expected|, else once woken, and now and then for no reason:
// callers look again. WakeAllWaiting wakes every thread asleep on |word|; it costs a system call,
// so callers make it only when someone may be waiting.
void WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected);
void WakeAllWaiting(const std::atomic<uint32_t>& word);

class ProcessWideLock {
 public:
  ProcessWideLock() { LockProcessWide(); }
  ~ProcessWideLock() { UnlockProcessWide(); }
  ProcessWideLock(const ProcessWideLock&) = delete;
  ProcessWideLock& operator=(const ProcessWideLock&) = delete;
};

}  // namespace platform

#endif  // KELO820_PLATFORM_PLATFORM_H
