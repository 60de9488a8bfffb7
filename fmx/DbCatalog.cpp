// Layout and script handles and their implementations: catalog keys, walks
// over a file's catalog by index, names, and performing a script.
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "fmapi/object_layout.h"
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

// Answers of DbScript::Perform.
constexpr std::int16_t kPerformed = 0;
constexpr std::int16_t kScriptFailed = 1;
constexpr std::int16_t kHostNotReady = 13;

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

std::string TextOf(const Data& data) { return Text(data.GetAsText()).GetUtf8(); }

// The key of a handle's member, checked on the way.
Draco::HBAbstractKey KeyOf(const CatalogMember* member)
{
    Draco::HBAbstractKey key;
    CopyKeyData(reinterpret_cast<const std::uint8_t*>(member->key.data()), key);
    return key;
}

// Indexes 1 to the member count, at most to the last 16-bit index.
std::uint32_t LastIndex(std::uint32_t memberCount) { return std::min(memberCount, kLastCatalogIndex); }

} // namespace

void CopyKeyData(const std::uint8_t* data, Draco::HBAbstractKey& key)
{
    if (!data || data[0] == 0 || data[0] > fmapi::kCatalogKeyCapacity)
        throw std::invalid_argument("invalid key data");
    std::memset(key.bytes, 0, sizeof key.bytes);
    std::memcpy(key.bytes, data, 1u + data[0]);
}

std::string KeyData(const Draco::HBAbstractKey& key)
{
    Draco::HBAbstractKey checked;
    CopyKeyData(key.bytes, checked);
    return std::string(reinterpret_cast<const char*>(checked.bytes), 1u + checked.bytes[0]);
}

const CatalogMember* CatalogKeys::Keep(Draco::FMFileUser* file, const Draco::HBAbstractKey& key)
{
    return &*members_.insert(CatalogMember{file, KeyData(key)}).first;
}

// ---- FmLayoutImp

std::string FmLayoutImp::GetName(const CatalogMember* layout)
{
    Data name;
    const Draco::FMLayoutCatalog* catalog = ImpOf<FmDatabaseImp>().GetLayoutCatalog(layout->file);
    return GetLayoutName(catalog, KeyOf(layout), name) ? TextOf(name) : std::string();
}

bool FmLayoutImp::IsHidden(const CatalogMember* layout)
{
    const Draco::FMLayoutCatalog* catalog = ImpOf<FmDatabaseImp>().GetLayoutCatalog(layout->file);
    return IsLayoutHidden(catalog, KeyOf(layout));
}

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

void FmLayoutImp::Walk(Draco::FMFileUser* file, EnumCallback<DbLayout> callback)
{
    const Draco::FMLayoutCatalog* catalog = ImpOf<FmDatabaseImp>().GetLayoutCatalog(file);
    if (!catalog)
        return;
    // A 16-bit index would never pass a larger count.
    const std::uint32_t last = LastIndex(GetMemberCount(catalog));
    for (std::uint32_t index = 1; index <= last; ++index) {
        Draco::HBAbstractKey key{};
        if (GetLayoutKey(catalog, static_cast<std::uint16_t>(index), key) &&
            callback(DbLayout(keys_.Keep(file, key))))
            return;
    }
}

// ---- FmScriptImp

std::string FmScriptImp::GetName(const CatalogMember* script)
{
    Data name;
    const Draco::FMScriptCatalog* catalog = ImpOf<FmDatabaseImp>().GetScriptCatalog(script->file);
    return GetScriptName(catalog, KeyOf(script), name) ? TextOf(name) : std::string();
}

Database FmScriptImp::GetDatabase(const CatalogMember* script)
{
    return Database(FileOf(GetFileUser(ImpOf<FmDatabaseImp>().GetScriptCatalog(script->file))));
}

std::int16_t FmScriptImp::Perform(const CatalogMember* script, std::uint8_t control, const FMData* parameter)
{
    const Session session = Session::GetCurrent();
    if (!session.IsReadyForScript(false))
        return kHostNotReady;
    std::unique_ptr<Data> copy = std::make_unique<Data>();
    if (!CopyData(parameter, *copy))
        copy.reset();
    Draco::FMWindowModel* window = ImpOf<FmDatabaseImp>().GetDefaultWindowModel(script->file);
    // The host would be handed a null window; no window, no script.
    if (!window)
        return kScriptFailed;
    Draco::ScriptKey key;
    static_cast<Draco::HBAbstractKey&>(key) = KeyOf(script);
    Draco::DBError error{0};
    host::ScriptRuntimeBase_CallScript(ImpOf<FmSessionImp>().GetScriptRuntime(session.get()), &error, window, &key,
                                       copy ? AsDBData(*copy) : nullptr, static_cast<std::uint16_t>(control + 1u));
    return error.code == fmapi::kDracoNoError ? kPerformed : kScriptFailed;
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

void FmScriptImp::Walk(Draco::FMFileUser* file, EnumCallback<DbScript> callback)
{
    const Draco::FMScriptCatalog* catalog = ImpOf<FmDatabaseImp>().GetScriptCatalog(file);
    if (!catalog)
        return;
    const std::uint32_t last = LastIndex(GetMemberCount(catalog));
    for (std::uint32_t index = 1; index <= last; ++index) {
        Draco::HBAbstractKey key{};
        if (GetScriptKey(catalog, static_cast<std::uint16_t>(index), key) &&
            callback(DbScript(keys_.Keep(file, key))))
            return;
    }
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

// ---- handles

bool dblay::FindByKeyFunc::Call(const DbLayout& layout)
{
    if (layout.IsEmpty() || layout.get()->key != key_)
        return false;
    found_ = layout;
    return true;
}

namespace {
FmLayoutImp& LayoutImp() { return ImpOf<FmLayoutImp>(); }
FmScriptImp& ScriptImp() { return ImpOf<FmScriptImp>(); }
} // namespace

std::string DbLayout::GetName() const { return LayoutImp().GetName(Checked()); }

bool DbLayout::IsHidden() const { return LayoutImp().IsHidden(Checked()); }

Database DbLayout::GetDatabase() const { return LayoutImp().GetDatabase(Checked()); }

std::string DbScript::GetName() const { return ScriptImp().GetName(Checked()); }

Database DbScript::GetDatabase() const { return ScriptImp().GetDatabase(Checked()); }

std::int16_t DbScript::Perform(std::uint8_t control, const FMData* parameter) const
{
    return ScriptImp().Perform(Checked(), control, parameter);
}

} // namespace fmx
