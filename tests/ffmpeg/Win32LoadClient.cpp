// A client that loads Kelo820_PlaySDK.dll from its own directory at run time
// and opens channel 0 in file mode with the header of the sample stream
// STREAM: win32_load_client.exe STREAM REPORT. Writes to REPORT the result
// of Play_OpenStream on its first line, then what the process said to the
// debugger (OutputDebugString) meanwhile. Exits with 0 when it got that
// far, else with the loader's error code (126: a DLL that the player
// imports is missing), or 1.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace {

std::string debuggerOutput;

// OutputDebugString raises DBG_PRINTEXCEPTION_C for a debugger to catch; a
// vectored handler sees it first. Passed on, so that the system handles it
// as it would have.
LONG CALLBACK KeepDebuggerOutput(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
    debuggerOutput += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 1;
  AddVectoredExceptionHandler(1, KeepDebuggerOutput);
  HMODULE library = LoadLibraryA("Kelo820_PlaySDK.dll");
  if (library == nullptr) return static_cast<int>(GetLastError());
  auto create = reinterpret_cast<SinglePlayer* (*)()>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "CreateSinglePlayerDll")));
  auto release = reinterpret_cast<void (*)(SinglePlayer*)>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "ReleaseSinglePlayerDll")));
  if (create == nullptr || release == nullptr) return 1;
  SinglePlayer* player = create();
  if (player == nullptr) return 1;
  uint32_t length = 0;
  if (player->Play_InitDDraw(nullptr) != 0 || player->Play_GetHeadLen(&length) != 0) return 1;
  std::ifstream stream(argv[1], std::ios::binary);
  std::vector<uint8_t> header(length);
  if (!stream.read(reinterpret_cast<char*>(header.data()), length)) return 1;
  constexpr int32_t kChannel = 0;
  constexpr int32_t kFileMode = 1;
  if (player->Play_SetOpenMode(kChannel, kFileMode) != 0) return 1;
  const int32_t opened = player->Play_OpenStream(nullptr, kChannel, header.data(), length, 0);
  if (opened == 0) player->Play_CloseStream(kChannel);
  player->Play_ReleaseDDraw();
  release(player);
  FreeLibrary(library);
  std::ofstream(argv[2]) << opened << "\n" << debuggerOutput;
  return 0;
}
