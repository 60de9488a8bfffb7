// Window module: no windows yet.
#include "Engine.h"

void* XMLWindow_GetHWND(void*)
{
    PV_ENGINE_CHECK(XMLWindow_GetHWND);
    return nullptr;
}

void XMLWindow_GetWTitle(void*, Draco::unistring* title)
{
    PV_ENGINE_CHECK(XMLWindow_GetWTitle);
    if (title && title->imp)
        engine::Text(title).clear();
}

bool XMLWindow_GetVisible(void*)
{
    PV_ENGINE_CHECK(XMLWindow_GetVisible);
    return false;
}

std::intptr_t XMLWindow_GetWRefCon(void*)
{
    PV_ENGINE_CHECK(XMLWindow_GetWRefCon);
    return 0;
}

void* XMLWindow_FrontWindow()
{
    PV_ENGINE_CHECK(XMLWindow_FrontWindow);
    return nullptr;
}

void* XMLWindow_GetNextWindowPtr(void*)
{
    PV_ENGINE_CHECK(XMLWindow_GetNextWindowPtr);
    return nullptr;
}

std::int16_t XMLWindow_GetWindowKind(void*)
{
    PV_ENGINE_CHECK(XMLWindow_GetWindowKind);
    return 0;
}
