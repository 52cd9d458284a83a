#include "ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

extern char** environ;
#endif

namespace kelo_test {

std::string Describe(const ChildEnd& end) {
  if (!end.started) return "not started";
  if (!end.inTime) return "timed out";
  char text[40];
#if defined(_WIN32)
  const char* kind = end.exited ? "exit status %u" : "exception 0x%08x";
#else
  const char* kind = end.exited ? "exit status %u" : "signal %u";
#endif
  std::snprintf(text, sizeof text, kind, end.status);
  return text;
}

#if defined(_WIN32)

namespace {

// A command line that the C runtime splits back into |arguments|; they hold
// no quotes or backslashes before quotes, so quoting each is enough.
std::string CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = "\"" + program + "\"";
  for (const std::string& argument : arguments) line += " \"" + argument + "\"";
  return line;
}

}  // namespace

ChildEnd RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  int timeoutSeconds, const std::string& outputPath) {
  ChildEnd end;
  std::string line = CommandLine(program, arguments);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!outputPath.empty()) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return end;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION process = {};
  const bool created =
      CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0,
                     nullptr, nullptr, &startup, &process);
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (!created) return end;
  end.started = true;
  CloseHandle(process.hThread);
  end.inTime = WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutSeconds) * 1000) ==
               WAIT_OBJECT_0;
  if (!end.inTime) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  end.status = status;
  // Exception codes (0xC0000005 for an access violation) have the top bits
  // set; abort ends the process with status 3, which the caller tells apart.
  end.exited = status < 0xC0000000u;
  return end;
}

std::string BesideThisProgram(const std::string& fileName) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  directory.erase(directory.find_last_of("\\/") + 1);
  return directory + fileName;
}

#else

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

#endif

}  // namespace kelo_test
