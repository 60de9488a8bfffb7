// The layout and script implementations' macOS bodies: the host's catalog
// members bound from its frameworks by their Mach-O names, a member's file
// from its handle, a script's handle from the host's script object (its file
// user and key record at the level's places), and performing a script in the
// form of the level.
#include "fmx/FmImp.h"
#include "fmx/Plugin.h"
#include "macos/HostObjects.h"
#include "macos/PlatStubs.h"

namespace fmx {

namespace {

// A catalog is its DBCatalog; a DBData is the interface library's FMData.
template <class Catalog>
const Draco::DBCatalog* AsCatalog(const Catalog* catalog)
{
    return reinterpret_cast<const Draco::DBCatalog*>(catalog);
}

Draco::DBData* AsDBData(Data& data) { return reinterpret_cast<Draco::DBData*>(data.get()); }

} // namespace

// ---- FmLayoutImp

Database FmLayoutImp::GetDatabase(const CatalogMember* layout) { return Database(layout->file); }

std::uint32_t FmLayoutImp::GetMemberCount(const Draco::FMLayoutCatalog* catalog)
{
    return static_cast<std::uint32_t>(mac::bound::GetMemberCount(AsCatalog(catalog)));
}

bool FmLayoutImp::GetLayoutKey(const Draco::FMLayoutCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey& key)
{
    return mac::bound::GetLayoutKey(catalog, index, &key, false, nullptr);
}

bool FmLayoutImp::GetLayoutName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey& key, Data& name)
{
    return mac::bound::GetLayoutName(catalog, &key, AsDBData(name));
}

bool FmLayoutImp::IsLayoutHidden(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey& key)
{
    return mac::bound::IsLayoutHidden(catalog, &key);
}

// ---- FmScriptImp

Database FmScriptImp::GetDatabase(const CatalogMember* script) { return Database(script->file); }

std::uint32_t FmScriptImp::GetMemberCount(const Draco::FMScriptCatalog* catalog)
{
    return static_cast<std::uint32_t>(mac::bound::GetMemberCount(AsCatalog(catalog)));
}

bool FmScriptImp::GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey& key)
{
    return mac::bound::GetScriptKey(catalog, index, &key, false);
}

bool FmScriptImp::GetScriptName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey& key, Data& name)
{
    // Two members: the caller picks by the level.
    if (Plugin::GetApiLevel() < 55)
        return mac::bound::GetScriptName(catalog, &key, AsDBData(name));
    return mac::bound::GetScriptMemberName(catalog, &key, AsDBData(name));
}

bool FmScriptImp::CallScript(Draco::ScriptRuntimeBase* runtime, Draco::FMWindowModel* window,
                             const Draco::ScriptKey& key, Draco::DBData* parameter, std::uint16_t value)
{
    Draco::DBError error{0};
    mac::bound::CallHostScript(&error, runtime, window, &key, parameter, value);
    return error.code == fmapi::kDracoNoError;
}

DbScript FmScriptImp::FromObject(const Draco::FMScript* script)
{
    if (!script)
        return DbScript();
    // The host's script object: its file user and its key record.
    auto* file = const_cast<Draco::FMFileUser*>(static_cast<const Draco::FMFileUser*>(
        mac::ReadPointerField(script, fmapi::mac::HostField::kMemberFileUser)));
    const auto* key = static_cast<const std::uint8_t*>(mac::ReadKeyRecord(script));
    if (!file || !key)
        return DbScript();
    Draco::HBAbstractKey checked;
    CopyKeyData(key, checked);
    return DbScript(keys_.Keep(file, checked));
}

} // namespace fmx
