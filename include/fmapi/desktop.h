// The desktop of platform windows as the host process provides it: one
// process-wide service, found by the plug-in's window calls under the plain
// name kDesktopServiceName at run time. Without it (or while it answers null)
// there are no windows.
//
// A window is a non-zero number; the desktop itself is one. Windows of other
// processes are on the desktop too.
//
// Hooks see window messages: a hook of kind kHookAfterMessage on a thread (0:
// every thread) is called after a window of that thread has handled a
// message, with code 0, a non-zero wParam (the message came from this
// process) and lParam pointing at a PVMessageAfter. Hooks are called newest
// first; each passes the message on to the next with callNextHook.
#pragma once

#include <cstdint>

extern "C" {

struct PVMessageAfter {
    std::intptr_t result;     // what the window answered
    std::intptr_t lParam;
    std::uintptr_t wParam;
    std::uint32_t message;
    std::uintptr_t window;
};

typedef std::intptr_t (*PVHookProc)(int code, std::uintptr_t wParam, std::intptr_t lParam);

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
    // Flashes the window while flags name its caption or its button (bits 1
    // and 2) and stops it with flags 0; counts and rates are not played.
    // Answers whether it was flashing before; false for no window.
    bool (*flash)(std::uintptr_t window, std::uint32_t flags, std::uint32_t count, std::uint32_t rate);
    // A hook of a kind on a thread; 0 for another kind or no procedure.
    std::uintptr_t (*setHook)(int kind, PVHookProc proc, std::uint32_t thread);
    // False when there is no such hook.
    bool (*removeHook)(std::uintptr_t hook);
    // Passes the message a hook is called with to the next hook of the
    // chain and answers what it answers (0 at the end of the chain).
    std::intptr_t (*callNextHook)(std::uintptr_t hook, int code, std::uintptr_t wParam, std::intptr_t lParam);
    // The thread that calls, as windows name their threads.
    std::uint32_t (*currentThread)();
};

typedef const PVDesktopService* (*PVDesktopServiceFn)();

} // extern "C"

namespace fmapi {

constexpr const char* kDesktopServiceName = "PVDesktop_Service";
constexpr int kHookAfterMessage = 12;

} // namespace fmapi
