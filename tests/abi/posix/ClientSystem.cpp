#include "ClientSystem.h"

#include <dlfcn.h>

#include <cstdlib>

namespace tests {

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

}  // namespace tests
