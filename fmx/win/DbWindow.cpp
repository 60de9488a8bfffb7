// The window implementation's Windows bodies: the host's document windows
// through its window layer, their state from the window's style.
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"
#include "fmx/HostText.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

constexpr std::int16_t kDocumentWindowKind = 10;

} // namespace

bool FmWindowImp::IsDocumentWindow(void* window)
{
    if (host::ApiLevel() >= 54)
        return host::Call<XMLWindow_GetWindowKind>(window) == kDocumentWindowKind;
    return PlatformModel(window) != nullptr;
}

void* FmWindowImp::FirstDocumentFrom(void* window)
{
    while (window && !IsDocumentWindow(window))
        window = host::Call<XMLWindow_GetNextWindowPtr>(window);
    return window;
}

DbWindow FmWindowImp::FromHWND(win32::HWND platform)
{
    if (!win32::IsWindow(platform))
        return DbWindow();
    return DbWindow(FindByPlatformHandle(platform));
}

void* FmWindowImp::FrontDocumentWindow() { return FirstDocumentFrom(host::Call<XMLWindow_FrontWindow>()); }

void* FmWindowImp::FindByPlatformHandle(win32::HWND platform)
{
    for (void* window = FrontDocumentWindow(); window; window = NextDocumentWindow(window))
        if (PlatformHandle(window) == platform)
            return window;
    return nullptr;
}

void* FmWindowImp::NextDocumentWindow(void* window)
{
    return window ? FirstDocumentFrom(host::Call<XMLWindow_GetNextWindowPtr>(window)) : nullptr;
}

std::int32_t FmWindowImp::PlatformState(void* window)
{
    if (!host::Call<XMLWindow_GetVisible>(window))
        return DbWindow::kHidden;
    const auto style = static_cast<win32::DWORD>(win32::GetWindowLongA(PlatformHandle(window), win32::kGwlStyle));
    if (style & win32::kWsMaximize)
        return DbWindow::kMaximised;
    if (style & win32::kWsMinimize)
        return DbWindow::kMinimised;
    return DbWindow::kNormal;
}

Draco::FMWindowModel* FmWindowImp::PlatformModel(void* window)
{
    return reinterpret_cast<Draco::FMWindowModel*>(host::Call<XMLWindow_GetWRefCon>(window));
}

win32::HWND FmWindowImp::PlatformHandle(void* window)
{
    return static_cast<win32::HWND>(host::Call<XMLWindow_GetHWND>(window));
}

// Window attributes are the macOS build's; this platform has none to set.
void FmWindowImp::SetPlatformAttribute(void*, bool) {}

std::string FmWindowImp::PlatformTitle(void* window)
{
    HostString title;
    host::Call<XMLWindow_GetWTitle>(window, title.get());
    return title.Utf8();
}

} // namespace fmx
