// The few Windows SDK declarations that the SDK's header and the client use,
// with the SDK's types and calling conventions, in place of the Windows SDK
// that this machine does not have (mingw-w64's headers do not build for the
// MSVC target).
#ifndef KELO_MSVC_CLIENT_WINDOWS_H
#define KELO_MSVC_CLIENT_WINDOWS_H

typedef long LONG;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;

#define STD_OUTPUT_HANDLE ((DWORD)-11)

extern "C" {
__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD handle);
__declspec(dllimport) BOOL __stdcall WriteFile(HANDLE file, const void* buffer, DWORD size,
                                               DWORD* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(UINT code);
}

#endif  // KELO_MSVC_CLIENT_WINDOWS_H
