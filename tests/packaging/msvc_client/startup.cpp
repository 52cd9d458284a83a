// In place of the C runtime's start-up code, which this machine lacks for the
// MSVC target: calls WinMain as the runtime does, with the command line after
// the program's name, and ends the process with its result.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

extern "C" void __cdecl WinMainCRTStartup() {
  char* line = GetCommandLineA();
  const char end = *line == '"' ? '"' : ' ';
  if (*line == '"') ++line;
  while (*line != '\0' && *line != end) ++line;
  if (*line != '\0') ++line;
  while (*line == ' ') ++line;
  constexpr int kShowDefault = 10;
  ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, line, kShowDefault)));
}
