#include "fmx/HostBinding.h"

#include "fmx/AccessMgr.h"
#include "fmx/Plugin.h"

namespace fmx {
namespace host {

using namespace fmapi::sym;

std::int32_t ApiLevel() { return Plugin::GetApiLevel(); }

void* Resolve(const fmapi::DracoSymbol& entry)
{
    const char* module = HostModuleName(entry.group, ApiLevel());
    const AccessMgr& access = AccessMgr::GetInstance();
    if (entry.kind == fmapi::SymbolKind::kStatic)
        return access.FindFunction(module, entry.decorated);
    return access.FindMemberFunction(module, entry.decorated);
}

std::uint32_t DBCatalog_GetMemberCount(const Draco::DBCatalog* catalog)
{
    if (ApiLevel() < 55)
        return Call<fmapi::sym::DBCatalog_GetMemberCount>(catalog);
    return Call<DBCatalog_GetMemberCount55>(catalog, false);
}

Draco::DBError* DBSession_OpenFileUser(Draco::DBSession* session, Draco::DBError* result, Draco::FileUserRef* user,
                                       const Draco::UniversalPath* path, const Draco::DBFileUser* parent,
                                       Draco::DBAuthenticationInfo* authentication, bool flag)
{
    const std::int32_t level = ApiLevel();
    if (level < 51)
        return Call<DBSession_OpenFileUser50>(session, result, user, path, parent, authentication, flag);
    if (level == 54 || level == 55)
        return Call<DBSession_OpenFileUser54>(session, result, user, path, parent, authentication,
                                              static_cast<std::uint32_t>(flag));
    return Call<fmapi::sym::DBSession_OpenFileUser>(session, result, user, path, parent, authentication, flag);
}

Draco::DBError* ScriptRuntimeBase_CallScript(Draco::ScriptRuntimeBase* runtime, Draco::DBError* result,
                                             Draco::FMWindowModel* window, const Draco::ScriptKey* script,
                                             Draco::DBData* parameter, std::uint16_t control)
{
    const std::int32_t level = ApiLevel();
    if (level < 54)
        return Call<ScriptRuntimeBase_CallScript53>(runtime, result, window, script, parameter, false, false,
                                                    control, false);
    if (level == 54)
        return Call<ScriptRuntimeBase_CallScript54>(runtime, result, window, script, parameter, control, false,
                                                    nullptr);
    return Call<ScriptRuntimeBase_CallScript55>(runtime, result, window, script, parameter, control, false,
                                                nullptr);
}

Draco::FMWindowModel* FMSession_OpenWindow(Draco::FMSession* session, Draco::FMFileUser* file, bool first,
                                           bool second)
{
    if (ApiLevel() < 54)
        return Call<FMSession_OpenWindow53>(session, file, first, second);
    return Call<fmapi::sym::FMSession_OpenWindow>(session, file, first, second);
}

Draco::FMFileUser* FMWindowModel_GetFileUser(Draco::FMWindowModel* window)
{
    if (ApiLevel() < 54)
        return Call<FMWindowModel_GetFileUser53>(window);
    // The newer host hands the file out as const; the plug-in never changes it.
    return const_cast<Draco::FMFileUser*>(Call<fmapi::sym::FMWindowModel_GetFileUser>(window));
}

bool FMScriptCatalog_GetName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey* key,
                             Draco::DBData* name)
{
    if (ApiLevel() < 55)
        return Call<FMScriptCatalog_GetScriptName>(catalog, key, name);
    return Call<FMScriptCatalog_GetMemberName>(catalog, key, name);
}

bool FMScriptCatalog_GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index,
                                  Draco::HBAbstractKey* key, bool flag)
{
    const std::int32_t level = ApiLevel();
    if (level < 53)
        return Call<FMScriptCatalog_GetScriptKey52>(catalog, index, key, flag);
    if (level < 55)
        return Call<FMScriptCatalog_GetScriptKey53>(catalog, index, key, 0, flag);
    return Call<FMScriptCatalog_GetScriptKey55>(catalog, index, key, 0, flag);
}

bool FMLayoutCatalog_GetName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey* key,
                             Draco::DBData* name)
{
    if (ApiLevel() < 55)
        return Call<FMLayoutCatalog_GetLayoutName>(catalog, key, name);
    return Call<FMLayoutCatalog_GetMemberName>(catalog, key, name);
}

} // namespace host
} // namespace fmx
