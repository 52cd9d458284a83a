// A client that loads Kelo820_PlaySDK.dll from its own directory at run time
// and asks the player for the decoder's header length. Exits with 0 when
// that works, else with the loader's error code (126: a DLL that the player
// or its decoder imports is missing), or 1.
#include <windows.h>

#include "Kelo820_PlaySDK.h"

int main() {
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
  const int32_t result = player->Play_GetHeadLen(&length);
  release(player);
  FreeLibrary(library);
  return result == 0 && length > 0 ? 0 : 1;
}
