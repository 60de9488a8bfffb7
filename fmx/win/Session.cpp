// The session's Windows bodies: the host's main window, found by its class
// name among the process's top-level windows, and whether it is enabled.
#include <cstring>

#include "fmx/FmImp.h"
#include "fmx/Plugin.h"

namespace fmx {

namespace {

// GetClassNameA fills this much.
constexpr int kClassBuffer = 64;

// The main window's class names and the window once found, for the life of
// the plug-in.
struct MainWindowSearch {
    const char* names[2] = {nullptr, nullptr};   // application, runtime
    win32::HWND found = nullptr;
};

MainWindowSearch& Search()
{
    static MainWindowSearch search;
    return search;
}

} // namespace

win32::HWND FmSessionImp::GetHostMainWindow(Draco::DBSession*, bool refresh)
{
    MainWindowSearch& search = Search();
    if (!search.names[0]) {
        const bool newer = Plugin::GetApiLevel() >= 55;
        search.names[0] = newer ? "FMPRO11.0APP" : "FMPRO7APP";
        search.names[1] = newer ? "FMPRO11.0RUNTIME" : "FMPRO7RUNTIME";
    }
    // Only a window once found is kept: until then every call looks again.
    if (search.found && !refresh)
        return search.found;
    const char* wanted = search.names[Plugin::GetAppType() == 2 ? 1 : 0];
    const win32::DWORD self = win32::GetCurrentProcessId();
    win32::HWND found = nullptr;
    for (win32::HWND window = win32::GetWindow(win32::GetDesktopWindow(), win32::kGwChild); window;
         window = win32::GetWindow(window, win32::kGwHwndNext)) {
        win32::DWORD process = 0;
        win32::GetWindowThreadProcessId(window, &process);
        if (process != self)
            continue;
        char name[kClassBuffer] = {};
        win32::GetClassNameA(window, name, kClassBuffer);
        if (std::strcmp(name, wanted) == 0) {
            found = window;
            break;
        }
    }
    search.found = found;
    return found;
}

bool FmSessionImp::IsHostBlocked(Draco::DBSession* session)
{
    const win32::HWND main = GetHostMainWindow(session, false);
    return !main || !win32::IsWindowEnabled(main);
}

} // namespace fmx
