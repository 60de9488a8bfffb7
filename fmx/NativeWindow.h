// The window system's own handle of a host window: a window handle in the
// Windows flavour, a Carbon window reference in the macOS flavour.
#pragma once

#if defined(PV_FLAVOUR_WIN)
#include "platform/win32/winwindow.h"
namespace fmx {
using NativeWindow = win32::HWND;
}
#else
struct OpaqueWindowPtr;
namespace fmx {
using NativeWindow = OpaqueWindowPtr*;
}
#endif
