// The Windows services behind Platform: the only file of the Windows build
// that calls the Win32 API. Everything works on 8-bit ("A") paths, since the
// library passes GBK text through unchanged.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "Immortal.h"
#include "Platform.h"
#include "Win32WordWaits.h"

#include <windows.h>

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Bytes far past any log's end, locked by the writers of a log in turn and
// by whoever moves it aside: they stand in no writer's way, and appends and
// moves do not wait for each other.
constexpr uint64_t kAppendLockByte = 0x7FFFFFFFFFFFFFFDull;
constexpr uint64_t kMoveLockByte = 0x7FFFFFFFFFFFFFFEull;

// An exclusive lock on one byte of an open file, across processes, given
// back with the object (or when the handle is closed, whatever happens).
class ByteLock {
 public:
  enum Wait { kWait, kFailAtOnce };
  ByteLock(HANDLE file, uint64_t offset, Wait wait) : file_(file) {
    at_.Offset = static_cast<DWORD>(offset);
    at_.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait == kWait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    held_ = LockFileEx(file_, flags, 0, 1, 0, &at_) != 0;
  }
  ~ByteLock() {
    if (held_) UnlockFileEx(file_, 0, 1, 0, &at_);
  }
  ByteLock(const ByteLock&) = delete;
  ByteLock& operator=(const ByteLock&) = delete;

  bool held() const { return held_; }

 private:
  HANDLE file_;
  OVERLAPPED at_ = {};
  bool held_ = false;
};

// A text as a text-mode file stores it: every "\n" as CR LF, as the logs
// have always been written. Laid out on the stack when it fits, like the
// entry it comes from, so that an entry can still be written when memory
// has run out; data() is null when the heap could not take a longer one.
class TextWithLineEnds {
 public:
  TextWithLineEnds(const char* text, size_t size) {
    const size_t lineEnds = static_cast<size_t>(std::count(text, text + size, '\n'));
    size_ = size + lineEnds;
    char* out = onStack_;
    if (size_ > sizeof onStack_) {
      onHeap_.reset(new (std::nothrow) char[size_]);
      out = onHeap_.get();
      if (out == nullptr) return;
    }
    data_ = out;
    for (const char* at = text; at != text + size; ++at) {
      if (*at == '\n') *out++ = '\r';
      *out++ = *at;
    }
  }
  const char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  char onStack_[2048];
  std::unique_ptr<char[]> onHeap_;
  const char* data_ = nullptr;
  size_t size_ = 0;
};

bool IdentityOf(HANDLE file, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info)) return false;
  identity->volume = info.dwVolumeSerialNumber;
  identity->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool NameLeadsTo(const std::string& path, const FileIdentity& expected) {
  const HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  FileIdentity named;
  const bool same = IdentityOf(file, &named) && named == expected;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return same;
}

class Win32Platform : public Platform {
 public:
  bool SystemDriveRoot(std::string* root) override {
    char systemDirectory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemDirectory, MAX_PATH);
    // A length of MAX_PATH or more is the size the call would have needed;
    // the buffer then holds nothing usable.
    if (length == 0 || length >= MAX_PATH) return false;
    std::string path(systemDirectory, length);
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    if (path.back() != '/') path += '/';
    *root = path.substr(0, kDriveRootLength);
    return true;
  }

  std::string PrimaryDriveRoot() override { return "c:/"; }

  size_t DriveRootLength() override { return kDriveRootLength; }

  CreateDirectoryResult CreateDirectory(const std::string& path) override {
    if (CreateDirectoryA(path.c_str(), nullptr)) return CreateDirectoryResult::kCreated;
    return GetLastError() == ERROR_ALREADY_EXISTS ? CreateDirectoryResult::kAlreadyExists
                                                  : CreateDirectoryResult::kFailed;
  }

  bool ReadText(const std::string& path, std::string* text) override {
    // Text mode, as the configuration has always been read: CR LF becomes
    // "\n".
    std::FILE* in = std::fopen(path.c_str(), "r");
    if (in == nullptr) return false;
    text->clear();
    char chunk[4096];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, in)) > 0) text->append(chunk, count);
    const bool complete = std::ferror(in) == 0;
    std::fclose(in);
    return complete;
  }

  bool PathMatches(const std::string& pattern) override {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
  }

  int64_t AppendText(const std::string& path, const char* text, size_t size, int64_t identifyAbove,
                     FileIdentity* written) override {
    // Opened for appending only, Windows puts each write at the file's end
    // in one step, so that writers in other processes sharing the log
    // neither overwrite nor split an entry (the C runtime's append mode
    // seeks to the end and then writes: two steps another process can come
    // between). Not every file system keeps that promise (wine looks up the
    // size and then writes), so writers also take turns on a byte lock.
    // Shared for deletion too, so that another process can move the log
    // aside while we hold it open. Reading is asked only for the lock.
    const HANDLE file =
        CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                    kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    int64_t end = -1;
    const TextWithLineEnds stored(text, size);
    if (stored.data() != nullptr && stored.size() <= MAXDWORD) {
      ByteLock turn(file, kAppendLockByte, ByteLock::kWait);
      DWORD count = 0;
      LARGE_INTEGER fileSize;
      if (WriteFile(file, stored.data(), static_cast<DWORD>(stored.size()), &count, nullptr) &&
          count == stored.size() && GetFileSizeEx(file, &fileSize)) {
        end = fileSize.QuadPart;
      }
    }
    if (end > identifyAbove && !IdentityOf(file, written)) end = -1;
    CloseHandle(file);
    return end;
  }

  bool MoveFileReplacing(const std::string& from, const std::string& to,
                         const FileIdentity& expected) override {
    const HANDLE file = CreateFileA(from.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Whoever moves a file holds a lock on it, so once we hold it, the name
    // cannot be moved away between our look and our move. A lock held by
    // another process is not waited for: it is moving the file already, and
    // the caller holds the process's log lock.
    bool moved = false;
    {
      const ByteLock mover(file, kMoveLockByte, ByteLock::kFailAtOnce);
      FileIdentity opened;
      if (mover.held() && IdentityOf(file, &opened) && opened == expected &&
          NameLeadsTo(from, expected)) {
        moved = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
      }
    }
    CloseHandle(file);
    return moved;
  }

  void SleepMilliseconds(uint32_t milliseconds) override { Sleep(milliseconds); }

  LocalTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
  }

 private:
  static constexpr size_t kDriveRootLength = 3;  // "c:/"
};

// Lives as long as the process and is never deleted: a decoder thread may
// still write an entry while the process runs its exit handlers.
class ProcessSection {
 public:
  ProcessSection() { InitializeCriticalSection(&section_); }
  CRITICAL_SECTION* get() { return &section_; }

 private:
  CRITICAL_SECTION section_;
};

CRITICAL_SECTION* ProcessCriticalSection() {
  static Immortal<ProcessSection> section;
  return section.get().get();
}

WordWaits& ProcessWordWaits() {
  static Immortal<WordWaits> waits;
  return waits.get();
}

}  // namespace

void WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected) {
  ProcessWordWaits().WaitWhileEqual(word, expected);
}

void WakeAllWaiting(const std::atomic<uint32_t>& word) { ProcessWordWaits().WakeAll(word); }

Platform& OsPlatform() {
  static Immortal<Win32Platform> platform;
  return platform.get();
}

void LockProcessWide() { EnterCriticalSection(ProcessCriticalSection()); }

void UnlockProcessWide() { LeaveCriticalSection(ProcessCriticalSection()); }

}  // namespace platform
