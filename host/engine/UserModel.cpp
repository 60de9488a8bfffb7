// User-model operations (FMUserModel below API level 54, FMEngine from 54):
// a script runtime that runs nothing, no windows and no files yet.
#include "Engine.h"

struct Draco::ScriptRuntimeBase {
    bool paused = false;
};

namespace {

Draco::ScriptRuntimeBase& TheRuntime()
{
    static Draco::ScriptRuntimeBase runtime;
    return runtime;
}

const engine::OwnedText& NoName()
{
    static const engine::OwnedText name;
    return name;
}

constexpr std::int32_t kScriptMissing = 104;

Draco::DBError* NoScript(Draco::DBError* result)
{
    result->code = kScriptMissing;
    return result;
}

} // namespace

bool ScriptRuntimeBase_IsPaused(const Draco::ScriptRuntimeBase* self)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_IsPaused);
    return self->paused;
}

const Draco::FMScript* ScriptRuntimeBase_GetScript(const Draco::ScriptRuntimeBase*)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_GetScript);
    return nullptr;
}

Draco::DBError* ScriptRuntimeBase_CallScript53(Draco::ScriptRuntimeBase*, Draco::DBError* result,
                                               Draco::FMWindowModel*, const Draco::ScriptKey*, const Draco::DBData*,
                                               bool, bool, std::uint16_t, bool)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_CallScript53);
    return NoScript(result);
}

Draco::DBError* ScriptRuntimeBase_CallScript54(Draco::ScriptRuntimeBase*, Draco::DBError* result,
                                               Draco::FMWindowModel*, const Draco::ScriptKey*, const Draco::DBData*,
                                               std::uint16_t, bool, Draco::TriggerState*)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_CallScript54);
    return NoScript(result);
}

Draco::DBError* ScriptRuntimeBase_CallScript55(Draco::ScriptRuntimeBase*, Draco::DBError* result,
                                               Draco::FMWindowModel*, const Draco::ScriptKey*, Draco::DBData*,
                                               std::uint16_t, bool, Draco::TriggerState*)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_CallScript55);
    return NoScript(result);
}

Draco::ScriptRuntimeBase* FMSession_GetScriptRuntime(const Draco::FMSession*)
{
    PV_ENGINE_CHECK(FMSession_GetScriptRuntime);
    return &TheRuntime();
}

Draco::FMWindowModel* FMSession_OpenWindow53(Draco::FMSession*, Draco::FMFileUser*, bool, bool)
{
    PV_ENGINE_CHECK(FMSession_OpenWindow53);
    return nullptr;
}

Draco::FMWindowModel* FMSession_OpenWindow(Draco::FMSession*, const Draco::FMFileUser*, bool, bool)
{
    PV_ENGINE_CHECK(FMSession_OpenWindow);
    return nullptr;
}

Draco::FMLayoutCatalog* FMFileUser_GetLayoutCatalog(const Draco::FMFileUser*)
{
    PV_ENGINE_CHECK(FMFileUser_GetLayoutCatalog);
    return nullptr;
}

Draco::FMScriptCatalog* FMFileUser_GetScriptCatalog(const Draco::FMFileUser*)
{
    PV_ENGINE_CHECK(FMFileUser_GetScriptCatalog);
    return nullptr;
}

Draco::FMWindowModel* FMFileUser_GetDefaultWindow(const Draco::FMFileUser*)
{
    PV_ENGINE_CHECK(FMFileUser_GetDefaultWindow);
    return nullptr;
}

Draco::FMFileUser* FMWindowModel_GetFileUser53(Draco::FMWindowModel*)
{
    PV_ENGINE_CHECK(FMWindowModel_GetFileUser53);
    return nullptr;
}

const Draco::FMFileUser* FMWindowModel_GetFileUser(const Draco::FMWindowModel*)
{
    PV_ENGINE_CHECK(FMWindowModel_GetFileUser);
    return nullptr;
}

std::int32_t FMWindowModel_GetUserMode(const Draco::FMWindowModel*)
{
    PV_ENGINE_CHECK(FMWindowModel_GetUserMode);
    return 0;
}

const Draco::unistring* FMWindowModel_GetWindowName(const Draco::FMWindowModel*)
{
    PV_ENGINE_CHECK(FMWindowModel_GetWindowName);
    return &NoName().ref;
}

const Draco::FMLayout* FMWindowModel_GetLayout(const Draco::FMWindowModel*)
{
    PV_ENGINE_CHECK(FMWindowModel_GetLayout);
    return nullptr;
}
