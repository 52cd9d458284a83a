#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <thread>

extern char** environ;

namespace tests {

std::string DescribeSystemEnd(unsigned code) {
  char text[24];
  std::snprintf(text, sizeof text, "signal %u", code);
  return text;
}

ChildEnd RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  int timeoutSeconds, const std::string& outputPath) {
  ChildEnd end;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outputPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  pid_t child = 0;
  const int spawnError =
      posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) return end;
  end.started = true;
  // Polled: a wait with a deadline for one child needs no signal handling.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  pid_t waited = 0;
  while ((waited = waitpid(child, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  end.inTime = waited == child;
  if (waited == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  end.exited = WIFEXITED(status);
  end.status = static_cast<unsigned>(end.exited ? WEXITSTATUS(status) : WTERMSIG(status));
  return end;
}

std::string BesideThisProgram(const std::string& fileName) {
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string directory(path, length > 0 ? static_cast<size_t>(length) : 0);
  directory.erase(directory.find_last_of('/') + 1);
  return directory + fileName;
}

}  // namespace tests
