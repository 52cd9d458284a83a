#include "ClientSystem.h"

#include <filesystem>

#include "TestFiles.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>

#include <cstdlib>
#endif

namespace kelo_test {

#if defined(_WIN32)

LoadedLibrary::LoadedLibrary(const char* file) : handle_(LoadLibraryA(file)) {
  if (handle_ == nullptr)
    error_ = "LoadLibraryA failed with error " + std::to_string(GetLastError());
}

LoadedLibrary::~LoadedLibrary() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

LoadedLibrary::AnyFunction LoadedLibrary::Address(const char* name) const {
  return reinterpret_cast<AnyFunction>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string ConfigurationDriveRoot(const std::string&) {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length < 2 || length >= MAX_PATH) return "";
  return std::string(directory, 2) + "/";
}

#else

// RTLD_NODELETE keeps the library mapped after dlclose, as it stays for a
// client that loads it once: the C++ runtime's and the sanitizers' own
// start-up allocations in it would otherwise show as leaks at exit.
LoadedLibrary::LoadedLibrary(const char* file)
    : handle_(dlopen(file, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
  if (handle_ == nullptr) error_ = dlerror();
}

LoadedLibrary::~LoadedLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

LoadedLibrary::AnyFunction LoadedLibrary::Address(const char* name) const {
  return reinterpret_cast<AnyFunction>(dlsym(handle_, name));
}

std::string ConfigurationDriveRoot(const std::string& scratchDirectory) {
  setenv("Q81_DRIVE_ROOT", scratchDirectory.c_str(), 1);
  return scratchDirectory;
}

#endif

ClientDrive::ClientDrive(const std::string& scratchDirectory)
    : root_(ConfigurationDriveRoot(scratchDirectory)) {
  if (root_.empty() || std::filesystem::exists(root_ + "q81")) return;
  MakeDirectories(root_ + "q81/cfg");
  claimed_ = true;
}

ClientDrive::~ClientDrive() {
  std::error_code ignored;
  if (claimed_) std::filesystem::remove_all(root_ + "q81", ignored);
}

void ClientDrive::Configure(const std::string& traceDirectory) const {
  WriteBytes(root_ + "q81/cfg/Q81.cfg",
             "[GLOBAL]\n[TRACE_PATH] [" + traceDirectory + "]\n[DEBUG_LEVEL] [2]\n");
}

}  // namespace kelo_test
