#include <windows.h>

#include <cstdio>

#include "ChildProcess.h"

namespace tests {

std::string DescribeSystemEnd(unsigned code) {
  char text[24];
  std::snprintf(text, sizeof text, "exception 0x%08x", code);
  return text;
}

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

}  // namespace tests
