// The layout and script implementations' Windows bodies: the host's
// catalog members bound by their decorated names, a catalog's file, a
// script's handle from the host's script object, and performing a script.
#include "fmapi/object_layout.h"
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

// A file is its DBFileUser and a catalog its DBCatalog (fmapi/object_layout.h).
Draco::FMFileUser* FileOf(const Draco::DBFileUser* user)
{
    return reinterpret_cast<Draco::FMFileUser*>(const_cast<Draco::DBFileUser*>(user));
}

template <class Catalog>
const Draco::DBCatalog* AsCatalog(const Catalog* catalog)
{
    return reinterpret_cast<const Draco::DBCatalog*>(catalog);
}

Draco::DBData* AsDBData(Data& data) { return reinterpret_cast<Draco::DBData*>(data.get()); }

} // namespace

// ---- FmLayoutImp

Database FmLayoutImp::GetDatabase(const CatalogMember* layout)
{
    return Database(FileOf(GetFileUser(ImpOf<FmDatabaseImp>().GetLayoutCatalog(layout->file))));
}

const Draco::DBFileUser* FmLayoutImp::GetFileUser(const Draco::FMLayoutCatalog* catalog)
{
    return host::Call<DBCatalog_GetFileUser>(AsCatalog(catalog));
}

std::uint32_t FmLayoutImp::GetMemberCount(const Draco::FMLayoutCatalog* catalog)
{
    return host::DBCatalog_GetMemberCount(AsCatalog(catalog));
}

bool FmLayoutImp::GetLayoutKey(const Draco::FMLayoutCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey& key)
{
    return host::Call<FMLayoutCatalog_GetLayoutKey>(catalog, index, &key, false, nullptr);
}

bool FmLayoutImp::GetLayoutName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey& key, Data& name)
{
    return host::FMLayoutCatalog_GetName(catalog, &key, AsDBData(name));
}

bool FmLayoutImp::IsLayoutHidden(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey& key)
{
    return host::Call<FMLayoutCatalog_IsLayoutHidden>(catalog, &key);
}

// ---- FmScriptImp

Database FmScriptImp::GetDatabase(const CatalogMember* script)
{
    return Database(FileOf(GetFileUser(ImpOf<FmDatabaseImp>().GetScriptCatalog(script->file))));
}

const Draco::DBFileUser* FmScriptImp::GetFileUser(const Draco::FMScriptCatalog* catalog)
{
    return host::Call<DBCatalog_GetFileUser>(AsCatalog(catalog));
}

std::uint32_t FmScriptImp::GetMemberCount(const Draco::FMScriptCatalog* catalog)
{
    return host::DBCatalog_GetMemberCount(AsCatalog(catalog));
}

bool FmScriptImp::GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey& key)
{
    return host::FMScriptCatalog_GetScriptKey(catalog, index, &key, false);
}

bool FmScriptImp::GetScriptName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey& key, Data& name)
{
    return host::FMScriptCatalog_GetName(catalog, &key, AsDBData(name));
}

bool FmScriptImp::CallScript(Draco::ScriptRuntimeBase* runtime, Draco::FMWindowModel* window,
                             const Draco::ScriptKey& key, Draco::DBData* parameter, std::uint16_t value)
{
    Draco::DBError error{0};
    host::ScriptRuntimeBase_CallScript(runtime, &error, window, &key, parameter, value);
    return error.code == fmapi::kDracoNoError;
}

DbScript FmScriptImp::FromObject(const Draco::FMScript* script)
{
    if (!script)
        return DbScript();
    const Draco::FMScriptCatalog* catalog = host::Call<FMScript_GetScriptCatalog>(script);
    Draco::FMFileUser* file = catalog ? FileOf(GetFileUser(catalog)) : nullptr;
    if (!file)
        return DbScript();
    // A script begins with its catalog key (fmapi/object_layout.h).
    Draco::HBAbstractKey key;
    CopyKeyData(reinterpret_cast<const std::uint8_t*>(script) + fmapi::kCatalogMemberKeyOffset, key);
    return DbScript(keys_.Keep(file, key));
}

} // namespace fmx
