#include <windows.h>

#include <string>

#include "ClientSystem.h"

namespace tests {

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

}  // namespace tests
