// User-model operations (FMUserModel below API level 54, FMEngine from 54):
// the session's script runtime, the files' catalogs and default windows, and
// the window models. A script call runs nothing: it is written to the world's
// journal.
#include <stdexcept>

#include "Engine.h"

namespace {

constexpr std::int32_t kNoWindow = 1;
constexpr std::int32_t kScriptMissing = 104;

Draco::DBError* PerformScript(Draco::DBError* result, Draco::FMWindowModel* window, const Draco::ScriptKey* key,
                              const Draco::DBData* parameter, std::uint16_t control)
{
    hostworld::World& world = engine::World();
    if (world.ScriptCallsFail())
        throw std::runtime_error("the host failed the script call");
    if (!window || !window->file) {
        result->code = kNoWindow;
        return result;
    }
    const Draco::FMScript* script = window->file->scripts.WithKey(key);
    if (!script) {
        result->code = kScriptMissing;
        return result;
    }
    world.Record("performed \"" + hostworld::ToUtf8(window->file->name) + "\" \"" + hostworld::ToUtf8(script->name) +
                 "\" param \"" + hostworld::TextOf(parameter) + "\" control " + std::to_string(control) +
                 " window \"" + hostworld::ToUtf8(window->name.text) + "\"");
    result->code = fmapi::kDracoNoError;
    return result;
}

const engine::OwnedText& NoName()
{
    static const engine::OwnedText name;
    return name;
}

} // namespace

bool ScriptRuntimeBase_IsPaused(const Draco::ScriptRuntimeBase* self)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_IsPaused);
    return self && self->paused;
}

const Draco::FMScript* ScriptRuntimeBase_GetScript(const Draco::ScriptRuntimeBase* self)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_GetScript);
    return self ? self->script : nullptr;
}

Draco::DBError* ScriptRuntimeBase_CallScript53(Draco::ScriptRuntimeBase*, Draco::DBError* result,
                                               Draco::FMWindowModel* window, const Draco::ScriptKey* key,
                                               const Draco::DBData* parameter, bool, bool, std::uint16_t control,
                                               bool)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_CallScript53);
    return PerformScript(result, window, key, parameter, control);
}

Draco::DBError* ScriptRuntimeBase_CallScript54(Draco::ScriptRuntimeBase*, Draco::DBError* result,
                                               Draco::FMWindowModel* window, const Draco::ScriptKey* key,
                                               const Draco::DBData* parameter, std::uint16_t control, bool,
                                               Draco::TriggerState*)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_CallScript54);
    return PerformScript(result, window, key, parameter, control);
}

Draco::DBError* ScriptRuntimeBase_CallScript55(Draco::ScriptRuntimeBase*, Draco::DBError* result,
                                               Draco::FMWindowModel* window, const Draco::ScriptKey* key,
                                               Draco::DBData* parameter, std::uint16_t control, bool,
                                               Draco::TriggerState*)
{
    PV_ENGINE_CHECK(ScriptRuntimeBase_CallScript55);
    return PerformScript(result, window, key, parameter, control);
}

Draco::ScriptRuntimeBase* FMSession_GetScriptRuntime(const Draco::FMSession* self)
{
    PV_ENGINE_CHECK(FMSession_GetScriptRuntime);
    return self ? &const_cast<Draco::FMSession*>(self)->runtime : nullptr;
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

Draco::FMLayoutCatalog* FMFileUser_GetLayoutCatalog(const Draco::FMFileUser* self)
{
    PV_ENGINE_CHECK(FMFileUser_GetLayoutCatalog);
    return self ? const_cast<Draco::FMLayoutCatalog*>(&self->layouts) : nullptr;
}

Draco::FMScriptCatalog* FMFileUser_GetScriptCatalog(const Draco::FMFileUser* self)
{
    PV_ENGINE_CHECK(FMFileUser_GetScriptCatalog);
    return self ? const_cast<Draco::FMScriptCatalog*>(&self->scripts) : nullptr;
}

Draco::FMWindowModel* FMFileUser_GetDefaultWindow(const Draco::FMFileUser* self)
{
    PV_ENGINE_CHECK(FMFileUser_GetDefaultWindow);
    return self ? self->defaultWindow : nullptr;
}

Draco::FMFileUser* FMWindowModel_GetFileUser53(Draco::FMWindowModel* self)
{
    PV_ENGINE_CHECK(FMWindowModel_GetFileUser53);
    return self ? self->file : nullptr;
}

const Draco::FMFileUser* FMWindowModel_GetFileUser(const Draco::FMWindowModel* self)
{
    PV_ENGINE_CHECK(FMWindowModel_GetFileUser);
    return self ? self->file : nullptr;
}

std::int32_t FMWindowModel_GetUserMode(const Draco::FMWindowModel* self)
{
    PV_ENGINE_CHECK(FMWindowModel_GetUserMode);
    return self ? self->mode : 0;
}

const Draco::unistring* FMWindowModel_GetWindowName(const Draco::FMWindowModel* self)
{
    PV_ENGINE_CHECK(FMWindowModel_GetWindowName);
    return self ? &self->name.ref : &NoName().ref;
}

const Draco::FMLayout* FMWindowModel_GetLayout(const Draco::FMWindowModel* self)
{
    PV_ENGINE_CHECK(FMWindowModel_GetLayout);
    return self ? self->layout : nullptr;
}
