#include <windows.h>

#include "ForeignMoveLock.h"

namespace tests {
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

}  // namespace tests
