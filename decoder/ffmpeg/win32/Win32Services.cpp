// The system's services on Windows.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <string>

#include "ErrorCode.h"
#include "SystemServices.h"

// The delay-import descriptors that dlltool puts into each delay-import
// library, named after the library's file (cmake/FfmpegLibraries.cmake
// makes ffmpeg-delay/lib<name>.a). GNU ld lists them in no directory of the
// image, so they are reached by name. dlltool's descriptors hold addresses
// relative to the image, as the delay-load helper requires.
#define M4_DELAY_IMPORTS(library)                                       \
  extern "C" const IMAGE_DELAYLOAD_DESCRIPTOR library##Imports __asm__( \
      "__DELAY_IMPORT_DESCRIPTOR_lib" #library "_a");
M4_DELAY_IMPORTS(avutil)
M4_DELAY_IMPORTS(avcodec)
M4_DELAY_IMPORTS(avformat)
M4_DELAY_IMPORTS(swscale)
M4_DELAY_IMPORTS(swresample)
#undef M4_DELAY_IMPORTS

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace decoder_ffmpeg {
namespace {

template <typename T>
const T* AtRva(DWORD rva) {
  return reinterpret_cast<const T*>(reinterpret_cast<const char*>(&__ImageBase) + rva);
}

void TellDebugger(const std::string& what) {
  OutputDebugStringA(("m4playerApi.dll: " + what + "\n").c_str());
}

// Loads the DLL as its delay-load stubs would (by name, the usual search
// order) and looks up each function they import from it. The DLL stays
// loaded: the stubs' own load then finds it, and cannot fail.
bool Available(const IMAGE_DELAYLOAD_DESCRIPTOR& imports) {
  const char* dll = AtRva<char>(imports.DllNameRVA);
  const HMODULE module = LoadLibraryA(dll);
  if (module == nullptr) {
    TellDebugger(std::string(dll) + " could not be loaded (Windows error " +
                 std::to_string(GetLastError()) + ")");
    return false;
  }
  for (const auto* name = AtRva<IMAGE_THUNK_DATA>(imports.ImportNameTableRVA);
       name->u1.AddressOfData != 0; ++name) {
    const char* function =
        IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)
            ? MAKEINTRESOURCEA(IMAGE_ORDINAL(name->u1.Ordinal))
            : reinterpret_cast<const char*>(
                  AtRva<IMAGE_IMPORT_BY_NAME>(static_cast<DWORD>(name->u1.AddressOfData))->Name);
    if (GetProcAddress(module, function) == nullptr) {
      TellDebugger(std::string(dll) + " lacks " +
                   (IS_INTRESOURCE(function)
                        ? "ordinal " + std::to_string(IMAGE_ORDINAL(name->u1.Ordinal))
                        : std::string(function)));
      return false;
    }
  }
  return true;
}

class Win32Services final : public SystemServices {
 public:
  std::FILE* CreateNewFile(const std::string& path) override {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) _close(fd);
    return file;
  }

  // rename() refuses to replace an existing file here.
  bool MoveOver(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }

  unsigned long ProcessNumber() override { return GetCurrentProcessId(); }

  int32_t CheckFfmpegLibraries() override {
    for (const IMAGE_DELAYLOAD_DESCRIPTOR* imports :
         {&avutilImports, &avcodecImports, &avformatImports, &swscaleImports, &swresampleImports}) {
      if (!Available(*imports)) return kLibraryUnavailable;
    }
    return kNoError;
  }
};

}  // namespace

// Never destroyed: a client may exit with streams still open, and their
// threads may still write a capture.
SystemServices& TheSystemServices() {
  static auto* services = new Win32Services();
  return *services;
}

}  // namespace decoder_ffmpeg
