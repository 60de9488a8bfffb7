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

constexpr UINT kGwHwndNext = 2;
constexpr UINT kGwChild = 5;
constexpr int kGwlStyle = -16;
constexpr DWORD kWsMaximize = 0x01000000u;
constexpr DWORD kWsMinimize = 0x20000000u;

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

} // namespace win32
