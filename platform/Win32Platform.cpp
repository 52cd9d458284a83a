// The Windows services behind Platform: the only file of the Windows build
// that calls the Win32 API. Everything works on 8-bit ("A") paths, since the
// library passes GBK text through unchanged.
#include <cstdio>

#include "Immortal.h"
#include "Platform.h"

#include <windows.h>

namespace kelo {
namespace {

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

  std::string FallbackDriveRoot() override { return "c:/"; }

  // The default trace directory is fixed on drive c: whatever drive the
  // system directory is on.
  std::string DefaultTraceDirectory(const std::string&) override { return "c:/pindo/"; }

  size_t DriveRootLength() override { return kDriveRootLength; }

  CreateDirectoryResult CreateDirectory(const std::string& path) override {
    if (CreateDirectoryA(path.c_str(), nullptr)) return CreateDirectoryResult::kCreated;
    return GetLastError() == ERROR_ALREADY_EXISTS ? CreateDirectoryResult::kAlreadyExists
                                                  : CreateDirectoryResult::kFailed;
  }

  bool PathMatches(const std::string& pattern) override {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
  }

  int64_t AppendText(const std::string& path, const std::string& text) override {
    // The C runtime's text mode turns each "\n" into CR LF.
    std::FILE* out = std::fopen(path.c_str(), "a+");
    if (out == nullptr) return -1;
    std::setvbuf(out, nullptr, _IONBF, 0);
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    // Seek first: some C runtimes report only the bytes written since
    // opening for a file opened to append.
    long size = -1;
    if (written && std::fseek(out, 0, SEEK_END) == 0) size = std::ftell(out);
    std::fclose(out);
    return size;
  }

  bool MoveFileReplacing(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }

  void SleepMilliseconds(uint32_t milliseconds) override { Sleep(milliseconds); }

  LocalTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                     now.wMilliseconds};
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

}  // namespace

Platform& OsPlatform() {
  static Immortal<Win32Platform> platform;
  return platform.get();
}

void LockProcessWide() { EnterCriticalSection(ProcessCriticalSection()); }

void UnlockProcessWide() { LeaveCriticalSection(ProcessCriticalSection()); }

}  // namespace kelo
