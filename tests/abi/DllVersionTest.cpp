// The DLL's version resource as Windows shows it to users and installers:
// the project's version, product name and description.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace tests {
namespace {

std::string StringValue(std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return "";
  }
  return std::string(value, length > 0 ? length - 1 : 0);
}

TEST(DllVersionTest, TheVersionResourceNamesTheProjectVersion) {
  // The DLL sits beside the test program.
  char program[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
  std::string path = program;
  path = path.substr(0, path.find_last_of("\\/") + 1) + KELO_PLAYER_LIBRARY;

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << path << " has no version resource";
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(numbers, KELO_VERSION);
  EXPECT_EQ(StringValue(info, "FileVersion"), KELO_VERSION);
  EXPECT_EQ(StringValue(info, "ProductVersion"), KELO_VERSION);
  EXPECT_EQ(StringValue(info, "ProductName"), "Kelo820 PlaySDK");
  EXPECT_EQ(StringValue(info, "FileDescription"), "Kelo820 PlaySDK playback control library");
}

}  // namespace
}  // namespace tests
