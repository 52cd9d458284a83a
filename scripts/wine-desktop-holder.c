/* Keeps wine's default desktop open for as long as the prefix lives.
 *
 * Wine closes a desktop a second after the last program attached to it has
 * gone, and its desktop process ends. The next program that makes a window
 * (the decoder's sound output makes one inside winmm, the GDI output its
 * own) starts a new desktop process, and on some machines that start stalls
 * the program's first window for ten seconds or more: long enough to freeze
 * a channel whose decoding thread is opening the sound device, and to fail
 * the test that waits for its pictures. A test run goes through hundreds of
 * programs with gaps between them, so the scripts that run our programs
 * under wine start this one beside them. It makes one message-only window
 * (nothing on screen), which attaches it to the desktop, and waits until the
 * wine server is stopped at the end of the run.
 *
 *   wine-desktop-holder.exe [READY_FILE]
 *
 * READY_FILE is made once the window is made: until then a script that stops
 * the wine server would miss this program, which would then start a server
 * of its own when it comes up, and live on after the run.
 *
 * Built by scripts/wine-prefix.sh with the mingw-w64 C compiler. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  (void)show;
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
  if (window == NULL) return 1;
  if (commandLine[0] != '\0') {
    HANDLE ready = CreateFileA(commandLine, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
  }
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
