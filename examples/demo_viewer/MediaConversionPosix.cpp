#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>

#include "MediaConversion.h"

extern char** environ;

namespace demo_viewer {

bool ConvertMediaFile(const std::string& tool, const std::string& media, const std::string& output,
                      std::string* error) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(output).parent_path(), ignored);
  std::string toolArgument = tool;
  std::string mediaArgument = media;
  std::string outputArgument = output;
  char* arguments[] = {toolArgument.data(), mediaArgument.data(), outputArgument.data(), nullptr};
  pid_t child = 0;
  const int spawnError = posix_spawn(&child, tool.c_str(), nullptr, nullptr, arguments, environ);
  if (spawnError != 0) {
    *error = "cannot run " + tool + ": " + std::strerror(spawnError);
    return false;
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = tool + " could not convert " + media;
    return false;
  }
  return true;
}

}  // namespace demo_viewer
