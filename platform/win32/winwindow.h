// Window calls over the desktop the host process provides (fmapi/desktop.h),
// found by name at run time. Without it there are no windows: the desktop is
// null, no window exists and nothing has a class.
#pragma once

#include <cstdint>

namespace win32 {

struct HWND__;
using HWND = HWND__*;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
struct HHOOK__;
using HHOOK = HHOOK__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);

constexpr UINT kGwHwndNext = 2;
constexpr UINT kGwChild = 5;
constexpr int kGwlStyle = -16;
constexpr DWORD kWsMaximize = 0x01000000u;
constexpr DWORD kWsMinimize = 0x20000000u;

// Flash flags.
constexpr DWORD kFlashwStop = 0;
constexpr DWORD kFlashwCaption = 1;
constexpr DWORD kFlashwTray = 2;
constexpr DWORD kFlashwTimer = 4;

struct FLASHWINFO {
    UINT cbSize;
    HWND hwnd;
    DWORD dwFlags;
    UINT uCount;
    DWORD dwTimeout;   // 0: the default rate
};

// The hook that sees each message after its window has handled it.
constexpr int kWhCallWndProcRet = 12;
struct CWPRETSTRUCT {
    LRESULT lResult;
    LPARAM lParam;
    WPARAM wParam;
    UINT message;
    HWND hwnd;
};

constexpr UINT kWmActivateApp = 0x001C;   // wParam: true when the application becomes active

HWND GetDesktopWindow();
// kGwChild: the first child; kGwHwndNext: the next window. Null otherwise.
HWND GetWindow(HWND window, UINT command);
// The window's thread; its process into *processId when that is given.
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);
DWORD GetCurrentProcessId();
// Copies the class name, cut to capacity - 1 bytes and zero-ended; answers
// the bytes copied (0 when there is no such window).
int GetClassNameA(HWND window, char* buffer, int capacity);
bool IsWindow(HWND window);
bool IsWindowEnabled(HWND window);
// kGwlStyle: the window's style bits; 0 for any other index.
LONG GetWindowLongA(HWND window, int index);

// Answers whether the window was flashing before; false without a window or
// with a record of another size.
bool FlashWindowEx(const FLASHWINFO* info);
// Hooks of kind kWhCallWndProcRet on a thread of this process (the module
// is not needed); null for other kinds or without a desktop.
HHOOK SetWindowsHookExW(int kind, HOOKPROC proc, HINSTANCE module, DWORD threadId);
bool UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
// The calling thread as the desktop's windows name threads; without a
// desktop, the system's id of the thread.
DWORD GetCurrentThreadId();

} // namespace win32
