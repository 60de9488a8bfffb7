#include "platform/win32/winwindow.h"

#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstddef>

#include "fmapi/desktop.h"

namespace win32 {

namespace {

// The host's service, looked up until it is found and then kept; it may
// still answer null while the host has no desktop.
const PVDesktopService* Desktop()
{
    static PVDesktopServiceFn service = nullptr;
    if (!service)
        service = reinterpret_cast<PVDesktopServiceFn>(dlsym(RTLD_DEFAULT, fmapi::kDesktopServiceName));
    return service ? service() : nullptr;
}

// The hook's record is the desktop's, field for field.
static_assert(sizeof(CWPRETSTRUCT) == sizeof(PVMessageAfter));
static_assert(offsetof(CWPRETSTRUCT, lResult) == offsetof(PVMessageAfter, result));
static_assert(offsetof(CWPRETSTRUCT, lParam) == offsetof(PVMessageAfter, lParam));
static_assert(offsetof(CWPRETSTRUCT, wParam) == offsetof(PVMessageAfter, wParam));
static_assert(offsetof(CWPRETSTRUCT, message) == offsetof(PVMessageAfter, message));
static_assert(offsetof(CWPRETSTRUCT, hwnd) == offsetof(PVMessageAfter, window));
static_assert(kWhCallWndProcRet == fmapi::kHookAfterMessage);

std::uintptr_t Id(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }
HWND Handle(std::uintptr_t id) { return reinterpret_cast<HWND>(id); }

} // namespace

HWND GetDesktopWindow()
{
    const PVDesktopService* desktop = Desktop();
    return desktop ? Handle(desktop->desktop()) : nullptr;
}

HWND GetWindow(HWND window, UINT command)
{
    const PVDesktopService* desktop = Desktop();
    if (!desktop || !window)
        return nullptr;
    if (command == kGwChild)
        return Handle(desktop->firstChild(Id(window)));
    if (command == kGwHwndNext)
        return Handle(desktop->next(Id(window)));
    return nullptr;
}

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId)
{
    const PVDesktopService* desktop = Desktop();
    std::uint32_t process = 0;
    const DWORD thread = desktop && window ? desktop->threadProcess(Id(window), &process) : 0;
    if (processId)
        *processId = process;
    return thread;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

int GetClassNameA(HWND window, char* buffer, int capacity)
{
    const PVDesktopService* desktop = Desktop();
    if (!desktop || !window || !buffer || capacity <= 0)
        return 0;
    return desktop->className(Id(window), buffer, capacity);
}

bool IsWindow(HWND window)
{
    const PVDesktopService* desktop = Desktop();
    return desktop && window && desktop->isWindow(Id(window));
}

bool IsWindowEnabled(HWND window)
{
    const PVDesktopService* desktop = Desktop();
    return desktop && window && desktop->isEnabled(Id(window));
}

LONG GetWindowLongA(HWND window, int index)
{
    const PVDesktopService* desktop = Desktop();
    if (!desktop || !window || index != kGwlStyle)
        return 0;
    return static_cast<LONG>(desktop->style(Id(window)));
}

bool FlashWindowEx(const FLASHWINFO* info)
{
    const PVDesktopService* desktop = Desktop();
    if (!desktop || !info || info->cbSize != sizeof(FLASHWINFO) || !info->hwnd)
        return false;
    return desktop->flash(Id(info->hwnd), info->dwFlags, info->uCount, info->dwTimeout);
}

HHOOK SetWindowsHookExW(int kind, HOOKPROC proc, HINSTANCE, DWORD threadId)
{
    const PVDesktopService* desktop = Desktop();
    if (!desktop || !proc)
        return nullptr;
    return reinterpret_cast<HHOOK>(desktop->setHook(kind, proc, threadId));
}

bool UnhookWindowsHookEx(HHOOK hook)
{
    const PVDesktopService* desktop = Desktop();
    return desktop && hook && desktop->removeHook(reinterpret_cast<std::uintptr_t>(hook));
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam)
{
    const PVDesktopService* desktop = Desktop();
    return desktop ? desktop->callNextHook(reinterpret_cast<std::uintptr_t>(hook), code, wParam, lParam) : 0;
}

DWORD GetCurrentThreadId()
{
    const PVDesktopService* desktop = Desktop();
    return desktop ? desktop->currentThread() : static_cast<DWORD>(syscall(SYS_gettid));
}

} // namespace win32
