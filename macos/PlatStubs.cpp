#include "macos/PlatStubs.h"

namespace mac {
namespace bound {

using fmapi::mac::HostError;
using fmapi::mac::HostStringStorage;
using fmapi::mac::InMemory;
using stub::CallMember;

namespace {

template <class F, class Stub>
F Interface()
{
    return reinterpret_cast<F>(Stub::Get());
}

} // namespace

// ---- sessions and files

Draco::DBSession* GetSessionFromID(unsigned long id)
{
    return reinterpret_cast<Draco::DBSession* (*)(unsigned long)>(stub::GetSessionFromID::Get())(id);
}

Draco::DBError OpenFileUser(Draco::DBSession* session, Draco::FileUserRef* user,
                            const fmapi::mac::UniversalPathLayout* path, const Draco::DBFileUser* parent,
                            Draco::DBAuthenticationInfo* authentication, bool flag)
{
    const std::int32_t level = BindingLevel();
    if (level < fmapi::mac::kSplitFrameworksLevel) {
        // The older host's vector: count, capacity and the items.
        const fmapi::mac::PathVector50 paths{1, 1, path};
        return CallMember<Draco::DBError>(stub::OpenFileUser50::Get(), session, user, &paths, parent,
                                          authentication, flag);
    }
    // Begin, end and end of storage over the one path.
    const fmapi::mac::PathVector paths{path, path + 1, path + 1};
    if (level < 54)
        return CallMember<Draco::DBError>(stub::OpenFileUser51::Get(), session, user, &paths, parent,
                                          authentication, flag);
    return CallMember<Draco::DBError>(stub::OpenFileUser54::Get(), session, user, &paths, parent, authentication,
                                      0UL);
}

void GetFontName(const fmapi::mac::FontMapperLayout* mapper, std::uint16_t id, HostStringStorage* result)
{
    const InMemory<HostStringStorage> name = CallMember<InMemory<HostStringStorage>>(stub::GetFontName::Get(),
                                                                                      mapper, id);
    // The host wrote the string of the level's form.
    std::memcpy(result->bytes, name.value.bytes, fmapi::mac::HostStringSize(BindingLevel()));
}

Draco::FMWindowModel* GetDefaultWindow(const Draco::FMFileUser* file)
{
    return CallMember<Draco::FMWindowModel*>(stub::GetDefaultWindow::Get(), file);
}

Draco::FMScriptCatalog* GetScriptCatalog(const Draco::FMFileUser* file)
{
    return CallMember<Draco::FMScriptCatalog*>(stub::GetScriptCatalog::Get(), file);
}

Draco::FMLayoutCatalog* GetLayoutCatalog(const Draco::FMFileUser* file)
{
    return CallMember<Draco::FMLayoutCatalog*>(stub::GetLayoutCatalog::Get(), file);
}

Draco::FMWindowModel* OpenWindow(Draco::FMSession* session, Draco::FMFileUser* file, bool first, bool second)
{
    if (BindingLevel() < 54)
        return CallMember<Draco::FMWindowModel*>(stub::OpenWindow53::Get(), session, file, first, second);
    return CallMember<Draco::FMWindowModel*>(stub::OpenWindow54::Get(), session,
                                             static_cast<const Draco::FMFileUser*>(file), first, second);
}

// ---- catalogs

unsigned long GetMemberCount(const Draco::DBCatalog* catalog)
{
    if (BindingLevel() < 55)
        return CallMember<unsigned long>(stub::GetMemberCount::Get(), catalog);
    return CallMember<unsigned long>(stub::GetMemberCount55::Get(), catalog, false);
}

bool IsLayoutHidden(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey* key)
{
    return CallMember<bool>(stub::IsLayoutHidden::Get(), catalog, key);
}

bool GetLayoutName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey* key, Draco::DBData* name)
{
    return CallMember<bool>(stub::LayoutName::Get(), catalog, key, name);
}

bool GetLayoutKey(const Draco::FMLayoutCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey* key, bool flag,
                  const Draco::DBTableProxy* table)
{
    return CallMember<bool>(stub::GetLayoutKey::Get(), catalog, index, key, flag, table);
}

bool GetScriptName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey* key, Draco::DBData* name)
{
    return CallMember<bool>(stub::ScriptName::Get(), catalog, key, name);
}

bool GetScriptMemberName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey* key,
                         Draco::DBData* name)
{
    return CallMember<bool>(stub::ScriptMemberName::Get(), catalog, key, name);
}

bool GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey* key, bool flag)
{
    constexpr std::int32_t kAllTypes = 0;
    const std::int32_t level = BindingLevel();
    if (level < 53)
        return CallMember<bool>(stub::GetScriptKey52::Get(), catalog, index, key, flag);
    if (level < 55)
        return CallMember<bool>(stub::GetScriptKey53::Get(), catalog, index, key, kAllTypes, flag);
    return CallMember<bool>(stub::GetScriptKey55::Get(), catalog, index, key, kAllTypes, flag);
}

// ---- scripts

Draco::ScriptRuntimeBase* GetScriptRuntime(const Draco::FMSession* session)
{
    return CallMember<Draco::ScriptRuntimeBase*>(stub::GetScriptRuntime::Get(), session);
}

const Draco::FMScript* GetScript(const Draco::ScriptRuntimeBase* runtime)
{
    return CallMember<const Draco::FMScript*>(stub::GetScript::Get(), runtime);
}

Draco::DBError* CallHostScript(Draco::DBError* result, Draco::ScriptRuntimeBase* runtime,
                               Draco::FMWindowModel* window, const Draco::ScriptKey* script, Draco::DBData* parameter,
                               std::uint16_t value)
{
    const std::int32_t level = BindingLevel();
    const Draco::DBData* data = parameter;
    Draco::TriggerState* const noTrigger = nullptr;
    if (level <= 53)
        *result = CallMember<Draco::DBError>(stub::CallScript53::Get(), runtime, window, script, data, false, false,
                                             value, false);
    else if (level == 54)
        *result = CallMember<Draco::DBError>(stub::CallScript54::Get(), runtime, window, script, data, value, false,
                                             noTrigger);
    else
        *result = CallMember<Draco::DBError>(stub::CallScript55::Get(), runtime, window, script, parameter, value,
                                             false, noTrigger);
    return result;
}

// ---- value objects

void SetErrorIndex(HostError* error, std::uint16_t index)
{
    CallMember<void>(stub::SetErrorIndex::Get(), error, index);
}

void SetFileRef(fmapi::mac::FilePlatformSpecLayout* spec, const FSRef* ref)
{
    CallMember<void>(stub::SpecSet::Get(), spec, ref);
}

bool GetFileRef(const fmapi::mac::FilePlatformSpecLayout* spec, FSRef* ref)
{
    return CallMember<bool>(stub::SpecGetFileRef::Get(), spec, ref);
}

void ConstructString(HostStringStorage* string) { CallMember<void>(stub::StringConstruct::Get(), string); }

void CopyConstructString(HostStringStorage* string, const HostStringStorage* source)
{
    CallMember<void>(stub::StringCopy::Get(), string, source);
}

void DestroyString(HostStringStorage* string) { CallMember<void>(stub::StringDestroy::Get(), string); }

bool ConvertFromNonUnichars(HostStringStorage* string, const char* text, unsigned long length, std::int32_t encoding)
{
    return CallMember<bool>(stub::StringFromBytes::Get(), string, text, length, encoding);
}

bool ConvertToNonUnichars(const HostStringStorage* string, char* out, unsigned long* size, std::int32_t encoding)
{
    return CallMember<bool>(stub::StringToBytes::Get(), string, out, size, encoding);
}

HostError SetUniversalPath(fmapi::mac::UniversalPathLayout* path, const fmapi::mac::FilePlatformSpecLayout* spec)
{
    return CallMember<InMemory<HostError>>(stub::PathSet::Get(), path, spec).value;
}

HostError MakePlatformSpec(const fmapi::mac::UniversalPathLayout* path, fmapi::mac::FilePlatformSpecLayout* spec,
                           std::int32_t encoding, bool resolve, bool create)
{
    return CallMember<InMemory<HostError>>(stub::PathMakePlatformSpec::Get(), path, spec, encoding, resolve, create)
        .value;
}

const fmapi::mac::UniversalPathLayout* EmptyUniversalPath()
{
    return static_cast<const fmapi::mac::UniversalPathLayout*>(stub::EmptyUniversalPath::Get());
}

void* HostOperatorNew(std::size_t size)
{
    return reinterpret_cast<void* (*)(std::size_t)>(stub::OperatorNew::Get())(size);
}

void HostOperatorDelete(void* block)
{
    reinterpret_cast<void (*)(void*) noexcept>(stub::OperatorDelete::Get())(block);
}

// ---- the newer interface functions

FM_ExprEnv_ExecuteSQL_t ExprEnvExecuteSQL()
{
    return Interface<FM_ExprEnv_ExecuteSQL_t, stub::Function<fmapi::mac::SymbolId::FM_ExprEnv_ExecuteSQL>>();
}

FM_BinaryData_AddSIZEData_t BinaryDataAddSIZEData()
{
    return Interface<FM_BinaryData_AddSIZEData_t, stub::Function<fmapi::mac::SymbolId::FM_BinaryData_AddSIZEData>>();
}

FM_BinaryData_GetSIZEData_t BinaryDataGetSIZEData()
{
    return Interface<FM_BinaryData_GetSIZEData_t, stub::Function<fmapi::mac::SymbolId::FM_BinaryData_GetSIZEData>>();
}

FM_BinaryData_AddFNAMData_t BinaryDataAddFNAMData()
{
    return Interface<FM_BinaryData_AddFNAMData_t, stub::Function<fmapi::mac::SymbolId::FM_BinaryData_AddFNAMData>>();
}

FM_BinaryData_GetFNAMData_t BinaryDataGetFNAMData()
{
    return Interface<FM_BinaryData_GetFNAMData_t, stub::Function<fmapi::mac::SymbolId::FM_BinaryData_GetFNAMData>>();
}

FM_Data_GetFontID_t DataGetFontID()
{
    return Interface<FM_Data_GetFontID_t, stub::Function<fmapi::mac::SymbolId::FM_Data_GetFontID>>();
}

FM_Data_GetFontInfo_t DataGetFontInfo()
{
    return Interface<FM_Data_GetFontInfo_t, stub::Function<fmapi::mac::SymbolId::FM_Data_GetFontInfo>>();
}

} // namespace bound
} // namespace mac
