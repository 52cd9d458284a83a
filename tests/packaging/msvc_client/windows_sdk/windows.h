// The few Windows SDK declarations that the SDK's header, this client and the
// shipped two-window client use, with the SDK's types and calling
// conventions, in place of the Windows SDK that this machine does not have
// (mingw-w64's headers do not build for the MSVC target).
#ifndef KELO_MSVC_CLIENT_WINDOWS_H
#define KELO_MSVC_CLIENT_WINDOWS_H

#define WINAPI __stdcall
#define CALLBACK __stdcall
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef long LONG;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef unsigned int UINT_PTR;
typedef long LONG_PTR;
typedef unsigned long SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef struct HMENU__* HMENU;
typedef struct HBRUSH__* HBRUSH;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HDC__* HDC;
typedef void* HGDIOBJ;
typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;
typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT;
typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG;
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef struct tagWNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
} WNDCLASSA;
typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT;

#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 1u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define INVALID_HANDLE_VALUE ((HANDLE)(long)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define WM_DESTROY 0x0002u
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_KEYDOWN 0x0100u
#define WM_TIMER 0x0113u
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define WS_OVERLAPPEDWINDOW 0x00CF0000u
#define MB_OK 0u
#define BLACK_BRUSH 4

extern "C" {
__declspec(dllimport) HANDLE WINAPI GetStdHandle(DWORD handle);
__declspec(dllimport) BOOL WINAPI
    WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void WINAPI ExitProcess(UINT code);
__declspec(dllimport) HANDLE WINAPI
    CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD disposition,
                DWORD flags, HANDLE templateFile);
__declspec(dllimport) BOOL WINAPI
    ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped);
__declspec(dllimport) DWORD WINAPI GetFileSize(HANDLE file, DWORD* high);
__declspec(dllimport) BOOL WINAPI CloseHandle(HANDLE handle);
__declspec(dllimport) HANDLE WINAPI GetProcessHeap();
__declspec(dllimport) void* WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T size);
__declspec(dllimport) BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, void* memory);
__declspec(dllimport) int WINAPI lstrcmpA(LPCSTR first, LPCSTR second);
__declspec(dllimport) HINSTANCE WINAPI GetModuleHandleA(LPCSTR name);
__declspec(dllimport) LPSTR WINAPI GetCommandLineA();

__declspec(dllimport) int __cdecl wsprintfA(LPSTR buffer, LPCSTR format, ...);
__declspec(dllimport) BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
__declspec(dllimport) int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
__declspec(dllimport) WORD WINAPI RegisterClassA(const WNDCLASSA* windowClass);
__declspec(dllimport) HWND WINAPI
    CreateWindowExA(DWORD extendedStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    void* parameter);
__declspec(dllimport) BOOL WINAPI ShowWindow(HWND window, int show);
__declspec(dllimport) BOOL WINAPI DestroyWindow(HWND window);
__declspec(dllimport) LRESULT WINAPI
    DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
__declspec(dllimport) BOOL WINAPI GetMessageA(MSG* message, HWND window, UINT first, UINT last);
__declspec(dllimport) BOOL WINAPI TranslateMessage(const MSG* message);
__declspec(dllimport) LRESULT WINAPI DispatchMessageA(const MSG* message);
__declspec(dllimport) BOOL WINAPI
    PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
__declspec(dllimport) void WINAPI PostQuitMessage(int code);
__declspec(dllimport) UINT_PTR WINAPI
    SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void* procedure);
__declspec(dllimport) HDC WINAPI BeginPaint(HWND window, PAINTSTRUCT* paint);
__declspec(dllimport) BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint);

__declspec(dllimport) HGDIOBJ WINAPI GetStockObject(int object);
}

#endif  // KELO_MSVC_CLIENT_WINDOWS_H
