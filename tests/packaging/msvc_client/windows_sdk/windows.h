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
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 1u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define INVALID_HANDLE_VALUE ((HANDLE)(long)-1)

extern "C" {
__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD handle);
__declspec(dllimport) BOOL __stdcall WriteFile(HANDLE file, const void* buffer, DWORD size,
                                               DWORD* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(UINT code);
__declspec(dllimport) HANDLE
    __stdcall CreateFileA(const char* name, DWORD access, DWORD share, void* security,
                          DWORD disposition, DWORD flags, HANDLE templateFile);
__declspec(dllimport) BOOL
    __stdcall ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped);
__declspec(dllimport) DWORD __stdcall GetFileSize(HANDLE file, DWORD* high);
__declspec(dllimport) BOOL __stdcall CloseHandle(HANDLE handle);
__declspec(dllimport) void __stdcall Sleep(DWORD milliseconds);
}

#endif  // KELO_MSVC_CLIENT_WINDOWS_H
