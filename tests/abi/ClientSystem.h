// What a client of the player does differently on Windows and elsewhere:
// loading the library at run time, and knowing which drive the library takes
// its configuration from.
#ifndef KELO820_TESTS_ABI_CLIENTSYSTEM_H
#define KELO820_TESTS_ABI_CLIENTSYSTEM_H

#include <string>

namespace tests {

// A library loaded by file name (LoadLibraryA or dlopen), unloaded with the
// object.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const char* file);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // Why loading failed.
  const std::string& error() const { return error_; }
  // The exported function |name| (GetProcAddress or dlsym), or null.
  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(Address(name));
  }

 private:
  using AnyFunction = void (*)();
  AnyFunction Address(const char* name) const;

  void* handle_ = nullptr;
  std::string error_;
};

// Root of the drive whose q81/cfg/Q81.cfg the library reads, ending in "/".
// On Windows that is the drive of the system directory. Elsewhere it is
// |scratchDirectory|, which Q81_DRIVE_ROOT is pointed at.
std::string ConfigurationDriveRoot(const std::string& scratchDirectory);

// That drive, with the product's directory on it made for one test and
// removed afterwards. When the drive has that directory already (the
// machine's own), nothing is made or removed and claimed() is false.
class ClientDrive {
 public:
  explicit ClientDrive(const std::string& scratchDirectory);
  ~ClientDrive();
  ClientDrive(const ClientDrive&) = delete;
  ClientDrive& operator=(const ClientDrive&) = delete;

  bool claimed() const { return claimed_; }
  const std::string& root() const { return root_; }
  // Writes q81/cfg/Q81.cfg: the logs go to |traceDirectory|, at debug level 2.
  void Configure(const std::string& traceDirectory) const;

 private:
  std::string root_;
  bool claimed_ = false;
};

}  // namespace tests

#endif  // KELO820_TESTS_ABI_CLIENTSYSTEM_H
