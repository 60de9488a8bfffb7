// The desktop of platform windows as the host process provides it: one
// process-wide service, found by the plug-in's window calls under the plain
// name kDesktopServiceName at run time. Without it (or while it answers null)
// there are no windows.
//
// A window is a non-zero number; the desktop itself is one. Windows of other
// processes are on the desktop too.
#pragma once

#include <cstdint>

extern "C" {

struct PVDesktopService {
    // The desktop window.
    std::uintptr_t (*desktop)();
    // First child of a window and the next window after one, front to back;
    // 0 when there is none.
    std::uintptr_t (*firstChild)(std::uintptr_t window);
    std::uintptr_t (*next)(std::uintptr_t window);
    // Thread of the window; its process into *process. 0 for no window.
    std::uint32_t (*threadProcess)(std::uintptr_t window, std::uint32_t* process);
    // Copies the class name (cut to capacity - 1 bytes, zero-ended) and
    // answers the bytes copied; 0 for no window.
    int (*className)(std::uintptr_t window, char* buffer, int capacity);
    bool (*isWindow)(std::uintptr_t window);
    bool (*isEnabled)(std::uintptr_t window);
    // Window style bits (WS_*); 0 for no window.
    std::uint32_t (*style)(std::uintptr_t window);
};

typedef const PVDesktopService* (*PVDesktopServiceFn)();

} // extern "C"

namespace fmapi {

constexpr const char* kDesktopServiceName = "PVDesktop_Service";

} // namespace fmapi
