#include <windows.h>

#include <vector>

#include "ViewerSystem.h"

namespace demo_viewer {

std::filesystem::path ViewerDirectory() {
  std::vector<wchar_t> path(MAX_PATH);
  // A result as long as the buffer means the path was cut: try a longer one.
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(std::wstring(path.data(), length)).parent_path();
}

std::string ProgramFileName(const std::string& name) { return name + ".exe"; }

// "c:/" for a system directory C:\windows\system32, as the player takes it.
std::string PlayerDriveRoot() {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length < 3 || length >= MAX_PATH) return "c:/";
  return std::string(directory, 2) + "/";
}

}  // namespace demo_viewer
