// Window module: the host's windows front to back. A window pointer that is
// not one of them is treated as no window.
#include "Engine.h"

namespace {

hostworld::Window* WindowOf(void* window)
{
    return engine::World().IsHostWindow(window) ? static_cast<hostworld::Window*>(window) : nullptr;
}

} // namespace

void* XMLWindow_GetHWND(void* self)
{
    PV_ENGINE_CHECK(XMLWindow_GetHWND);
    const hostworld::Window* window = WindowOf(self);
    return window ? reinterpret_cast<void*>(window->platform) : nullptr;
}

void XMLWindow_GetWTitle(void* self, Draco::unistring* title)
{
    PV_ENGINE_CHECK(XMLWindow_GetWTitle);
    const hostworld::Window* window = WindowOf(self);
    if (title && title->imp)
        engine::Text(title) = window ? window->title : std::u16string();
}

bool XMLWindow_GetVisible(void* self)
{
    PV_ENGINE_CHECK(XMLWindow_GetVisible);
    const hostworld::Window* window = WindowOf(self);
    return window && window->visible;
}

std::intptr_t XMLWindow_GetWRefCon(void* self)
{
    PV_ENGINE_CHECK(XMLWindow_GetWRefCon);
    const hostworld::Window* window = WindowOf(self);
    return window ? reinterpret_cast<std::intptr_t>(window->model.get()) : 0;
}

void* XMLWindow_FrontWindow()
{
    PV_ENGINE_CHECK(XMLWindow_FrontWindow);
    const auto& windows = engine::World().Windows();
    return windows.empty() ? nullptr : windows.front();
}

void* XMLWindow_GetNextWindowPtr(void* self)
{
    PV_ENGINE_CHECK(XMLWindow_GetNextWindowPtr);
    const hostworld::Window* window = WindowOf(self);
    return window ? engine::World().NextWindow(window) : nullptr;
}

std::int16_t XMLWindow_GetWindowKind(void* self)
{
    PV_ENGINE_CHECK(XMLWindow_GetWindowKind);
    const hostworld::Window* window = WindowOf(self);
    return window ? window->kind : 0;
}
