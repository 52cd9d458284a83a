#include "ForeignMoveLock.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kelo_test {

#if defined(_WIN32)

namespace {
// The byte that movers lock, far past any log's end.
OVERLAPPED LockedByte() {
  OVERLAPPED byte = {};
  byte.Offset = 0xFFFFFFFEu;
  byte.OffsetHigh = 0x7FFFFFFFu;
  return byte;
}
}  // namespace

ForeignMoveLock::ForeignMoveLock(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  file_ = reinterpret_cast<intptr_t>(file);
  OVERLAPPED byte = LockedByte();
  held_ = file != INVALID_HANDLE_VALUE && LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &byte);
}

ForeignMoveLock::~ForeignMoveLock() {
  const HANDLE file = reinterpret_cast<HANDLE>(file_);
  if (file == INVALID_HANDLE_VALUE) return;
  OVERLAPPED byte = LockedByte();
  if (held_) UnlockFileEx(file, 0, 1, 0, &byte);
  CloseHandle(file);
}

#else

ForeignMoveLock::ForeignMoveLock(const std::string& path) {
  file_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  held_ = file_ >= 0 && flock(static_cast<int>(file_), LOCK_EX) == 0;
}

ForeignMoveLock::~ForeignMoveLock() {
  if (file_ >= 0) close(static_cast<int>(file_));
}

#endif

}  // namespace kelo_test
