// The host's internal operations (fmapi/draco.h), bound on first use: each
// operation keeps the address it found in a cell of its own and never looks
// it up again; a failed lookup leaves the cell empty, so the next call tries
// again. The module is chosen by the host API level; operations whose
// signature changed between host versions are called through the wrappers
// below, which choose the variant by the level.
#pragma once

#include <cstdint>
#include <utility>

#include "fmapi/draco.h"

namespace fmx {
namespace host {

// Looks an operation up in the module of its group at the current API level
// (std::runtime_error "member function is not found" or "static function
// loading failed" when it is not there).
void* Resolve(const fmapi::DracoSymbol& entry);

// The host API level the bindings follow.
std::int32_t ApiLevel();

template <class Sym>
typename Sym::Fn* Bound()
{
    static typename Sym::Fn* cell = nullptr;
    if (!cell)
        cell = reinterpret_cast<typename Sym::Fn*>(Resolve(Sym::entry));
    return cell;
}

// Calls an operation of one signature: Call<fmapi::sym::UniversalPath_GetType>(path).
template <class Sym, class... Args>
decltype(auto) Call(Args&&... args)
{
    return Bound<Sym>()(std::forward<Args>(args)...);
}

// Operations with a variant per host version.

// DBCatalog::GetMemberCount (from level 55 with false).
std::uint32_t DBCatalog_GetMemberCount(const Draco::DBCatalog* catalog);

// DBSession::OpenFileUser: the flag is passed as a bool below level 54 and
// from 56, as an unsigned long at 54 and 55.
Draco::DBError* DBSession_OpenFileUser(Draco::DBSession* session, Draco::DBError* result, Draco::FileUserRef* user,
                                       const Draco::UniversalPath* path, const Draco::DBFileUser* parent,
                                       Draco::DBAuthenticationInfo* authentication, bool flag);

// ScriptRuntimeBase::CallScript with the control value; the extra flags are
// false and no trigger state is passed.
Draco::DBError* ScriptRuntimeBase_CallScript(Draco::ScriptRuntimeBase* runtime, Draco::DBError* result,
                                             Draco::FMWindowModel* window, const Draco::ScriptKey* script,
                                             Draco::DBData* parameter, std::uint16_t control);

Draco::FMWindowModel* FMSession_OpenWindow(Draco::FMSession* session, Draco::FMFileUser* file, bool first,
                                           bool second);

Draco::FMFileUser* FMWindowModel_GetFileUser(Draco::FMWindowModel* window);

// Script name (GetScriptName below level 55, GetMemberName from 55).
bool FMScriptCatalog_GetName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey* key,
                             Draco::DBData* name);

// Script key by index (with filter 0 from level 53).
bool FMScriptCatalog_GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index,
                                  Draco::HBAbstractKey* key, bool flag);

// Layout name (GetLayoutName below level 55, GetMemberName from 55).
bool FMLayoutCatalog_GetName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey* key,
                             Draco::DBData* name);

} // namespace host
} // namespace fmx
