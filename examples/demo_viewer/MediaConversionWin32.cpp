#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "MediaConversion.h"

namespace demo_viewer {

namespace {

// A command line that the C runtime splits back into |arguments|, each
// quoted; the viewer passes paths, which hold no quotes.
std::wstring CommandLine(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    if (!line.empty()) line += L' ';
    line += L'"' + argument + L'"';
  }
  return line;
}

}  // namespace

bool ConvertMediaFile(const std::string& tool, const std::string& media, const std::string& output,
                      std::string* error) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(output).parent_path(), ignored);
  const std::wstring toolPath = std::filesystem::path(tool).wstring();
  std::wstring line = CommandLine(
      {toolPath, std::filesystem::path(media).wstring(), std::filesystem::path(output).wstring()});
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(toolPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    *error = "cannot run " + tool + ": Windows error " + std::to_string(GetLastError());
    return false;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  if (status != 0) {
    *error = tool + " could not convert " + media;
    return false;
  }
  return true;
}

}  // namespace demo_viewer
