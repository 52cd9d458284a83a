// The Windows services behind Platform: the only file of the Windows build
// that calls the Win32 API. Everything works on 8-bit ("A") paths, since the
// library passes GBK text through unchanged.
#include <io.h>

#include <cstdio>

#include "Immortal.h"
#include "Platform.h"

#include <windows.h>

namespace kelo {
namespace {

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
    // The C runtime's text mode turns each "\n" into CR LF.
    std::FILE* out = std::fopen(path.c_str(), "a+");
    if (out == nullptr) return -1;
    std::setvbuf(out, nullptr, _IONBF, 0);
    const bool complete = std::fwrite(text, 1, size, out) == size;
    // Seek first: some C runtimes report only the bytes written since
    // opening for a file opened to append.
    int64_t end = -1;
    if (complete && std::fseek(out, 0, SEEK_END) == 0) end = std::ftell(out);
    if (end > identifyAbove) {
      const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
      if (!IdentityOf(handle, written)) end = -1;
    }
    std::fclose(out);
    return end;
  }

  bool MoveFileReplacing(const std::string& from, const std::string& to,
                         const FileIdentity& expected) override {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE file = CreateFileA(from.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Whoever moves a file holds a lock on it, so once we hold it, the name
    // cannot be moved away between our look and our move. The locked byte
    // lies far past any log's end, so it stands in no writer's way. A lock
    // held by another process is not waited for: it is moving the file
    // already, and the caller holds the process's log lock.
    OVERLAPPED lockedByte = {};
    lockedByte.Offset = 0xFFFFFFFEu;
    lockedByte.OffsetHigh = 0x7FFFFFFFu;
    bool moved = false;
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &lockedByte)) {
      FileIdentity opened;
      if (IdentityOf(file, &opened) && opened == expected && NameLeadsTo(from, expected)) {
        moved = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
      }
      UnlockFileEx(file, 0, 1, 0, &lockedByte);
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

// WaitOnAddress and WakeByAddressAll came with Windows 8 and are looked up
// rather than imported, so that the library still loads on an older system,
// where a waiter naps a millisecond at a time instead.
class AddressWaits {
 public:
  AddressWaits() {
    const HMODULE kernel = GetModuleHandleA("kernelbase.dll");
    if (kernel == nullptr) return;
    wait_ = reinterpret_cast<WaitFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "WaitOnAddress")));
    wake_ = reinterpret_cast<WakeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "WakeByAddressAll")));
    if (wait_ == nullptr || wake_ == nullptr) wait_ = nullptr;
  }

  void WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected) const {
    if (wait_ == nullptr) {
      Sleep(1);
      return;
    }
    wait_(const_cast<std::atomic<uint32_t>*>(&word), &expected, sizeof expected, INFINITE);
  }

  void WakeAll(const std::atomic<uint32_t>& word) const {
    if (wait_ != nullptr) wake_(const_cast<std::atomic<uint32_t>*>(&word));
  }

 private:
  using WaitFn = BOOL(WINAPI*)(volatile VOID*, PVOID, SIZE_T, DWORD);
  using WakeFn = VOID(WINAPI*)(PVOID);
  WaitFn wait_ = nullptr;
  WakeFn wake_ = nullptr;
};

const AddressWaits& TheAddressWaits() {
  static Immortal<AddressWaits> waits;
  return waits.get();
}

}  // namespace

void WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected) {
  TheAddressWaits().WaitWhileEqual(word, expected);
}

void WakeAllWaiting(const std::atomic<uint32_t>& word) { TheAddressWaits().WakeAll(word); }

Platform& OsPlatform() {
  static Immortal<Win32Platform> platform;
  return platform.get();
}

void LockProcessWide() { EnterCriticalSection(ProcessCriticalSection()); }

void UnlockProcessWide() { LeaveCriticalSection(ProcessCriticalSection()); }

}  // namespace kelo
