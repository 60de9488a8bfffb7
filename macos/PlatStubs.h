// The host's operations bound from its frameworks on macOS
// (fmapi/mac_frameworks.h), each through a process-wide cell of its own that
// is filled on the first call and never refreshed: a member function's cell
// holds a function word and an adjustment, called by the pointer-to-member
// rule; a static function's or data symbol's cell holds its address. A
// failed binding leaves the cell empty, so the next call tries again.
//
// The Mach-O name, and with it the framework, is chosen by the host API level
// at the moment of binding. Operations whose signature changed between host
// versions have a cell per signature and a dispatcher below that chooses by
// the level and passes the arguments in the form of that version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fmapi/call_record.h"
#include "fmapi/draco.h"
#include "fmapi/fm_api.h"
#include "fmapi/mac_frameworks.h"
#include "fmapi/mac_layout.h"
#include "fmapi/object_layout.h"
#include "macos/PlatSymFinder.h"

struct FSRef;

namespace mac {
namespace stub {

using fmapi::mac::SymbolId;

// The cell of a member function whose name is the first of the candidates
// that serves the level of binding (or the first, when none does).
template <SymbolId... Candidates>
struct Member {
    static inline PlatSymFinder::BoundMember cell{};
    // The operation the cell was bound to.
    static inline const fmapi::mac::Symbol* bound = nullptr;

    static const PlatSymFinder::BoundMember& Get()
    {
        if (!cell.function) {
            const std::int32_t level = BindingLevel();
            const fmapi::mac::Symbol* chosen = nullptr;
            for (SymbolId id : {Candidates...})
                if (!chosen && fmapi::mac::SymbolOf(id).ServesLevel(level))
                    chosen = &fmapi::mac::SymbolOf(id);
            const fmapi::mac::Symbol& symbol = chosen ? *chosen : fmapi::mac::SymbolOf(FirstOf(Candidates...));
            cell = FindMemberFunction(fmapi::mac::FrameworkName(symbol.FrameworkAt(level)), symbol.machO);
            bound = &symbol;
        }
        return cell;
    }

private:
    template <class... Rest>
    static constexpr SymbolId FirstOf(SymbolId first, Rest...) { return first; }
};

// The cell of a static function.
template <SymbolId Id>
struct Function {
    static inline void* cell = nullptr;

    static void* Get()
    {
        if (!cell) {
            const fmapi::mac::Symbol& symbol = fmapi::mac::SymbolOf(Id);
            cell = FindFunction(fmapi::mac::FrameworkName(symbol.FrameworkAt(BindingLevel())), symbol.machO);
        }
        return cell;
    }
};

// The cell of a data symbol.
template <SymbolId Id>
struct Data {
    static inline void* cell = nullptr;

    static void* Get()
    {
        if (!cell) {
            const fmapi::mac::Symbol& symbol = fmapi::mac::SymbolOf(Id);
            cell = FindDataSymbol(fmapi::mac::FrameworkName(symbol.FrameworkAt(BindingLevel())), symbol.machO);
        }
        return cell;
    }
};

// The cell of host callback #Index.
template <unsigned Index>
struct Callback {
    static inline void* cell = nullptr;

    static void* Get()
    {
        if (!cell)
            cell = FindFunction(PlatSymFinder::kCallbackFramework,
                                reinterpret_cast<const char*>(static_cast<std::uintptr_t>(Index)));
        return cell;
    }
};

// Calls a bound member by the pointer-to-member rule: the object's address
// plus the adjustment is `this`; an odd function word is an offset into that
// object's virtual table plus 1, an even one the function's address. A
// result the host returns in memory (R a class type with a user-provided
// copy constructor or destructor) comes back through the caller's slot.
template <class R, class... Args>
R CallMember(const PlatSymFinder::BoundMember& member, const void* object, Args... args)
{
    unsigned char* self = const_cast<unsigned char*>(static_cast<const unsigned char*>(object)) + member.adjustment;
    void* function;
    if (member.function & 1) {
        const unsigned char* table;
        std::memcpy(&table, self, sizeof table);
        std::memcpy(&function, table + (member.function - 1), sizeof function);
    } else {
        function = reinterpret_cast<void*>(member.function);
    }
    return reinterpret_cast<R (*)(void*, Args...)>(function)(self, args...);
}

// The members, one cell each.
using OpenFileUser50 = Member<SymbolId::DBSession_OpenFileUser50>;
using OpenFileUser51 = Member<SymbolId::DBSession_OpenFileUser51>;
using OpenFileUser54 = Member<SymbolId::DBSession_OpenFileUser54>;
using GetFontName = Member<SymbolId::DBFontMapper_GetFontName>;
using GetMemberCount = Member<SymbolId::DBCatalog_GetMemberCount>;
using GetMemberCount55 = Member<SymbolId::DBCatalog_GetMemberCount55>;
using GetDefaultWindow = Member<SymbolId::FMFileUser_GetDefaultWindow>;
using GetScriptCatalog = Member<SymbolId::FMFileUser_GetScriptCatalog>;
using GetLayoutCatalog = Member<SymbolId::FMFileUser_GetLayoutCatalog>;
using IsLayoutHidden = Member<SymbolId::FMLayoutCatalog_IsLayoutHidden>;
// One operation under the level's name: GetLayoutName up to 54, GetMemberName from 55.
using LayoutName = Member<SymbolId::FMLayoutCatalog_GetLayoutName, SymbolId::FMLayoutCatalog_GetMemberName>;
using GetLayoutKey = Member<SymbolId::FMLayoutCatalog_GetLayoutKey>;
// Two operations; the caller picks.
using ScriptName = Member<SymbolId::FMScriptCatalog_GetScriptName>;
using ScriptMemberName = Member<SymbolId::FMScriptCatalog_GetMemberName>;
using GetScriptKey52 = Member<SymbolId::FMScriptCatalog_GetScriptKey52>;
using GetScriptKey53 = Member<SymbolId::FMScriptCatalog_GetScriptKey53>;
using GetScriptKey55 = Member<SymbolId::FMScriptCatalog_GetScriptKey55>;
using GetScript = Member<SymbolId::ScriptRuntimeBase_GetScript>;
using GetScriptRuntime = Member<SymbolId::FMSession_GetScriptRuntime>;
using CallScript53 = Member<SymbolId::ScriptRuntimeBase_CallScript53>;
using CallScript54 = Member<SymbolId::ScriptRuntimeBase_CallScript54>;
using CallScript55 = Member<SymbolId::ScriptRuntimeBase_CallScript55>;
using OpenWindow53 = Member<SymbolId::FMSession_OpenWindow53>;
using OpenWindow54 = Member<SymbolId::FMSession_OpenWindow54>;
// One operation under the level's name: SetErrorIndex up to 50, SetErrorIndexInternal from 51.
using SetErrorIndex = Member<SymbolId::Error_SetErrorIndex, SymbolId::Error_SetErrorIndexInternal>;
using SpecSet = Member<SymbolId::FilePlatformSpec_Set>;
using SpecGetFileRef = Member<SymbolId::FilePlatformSpec_GetFileRef>;
using StringConstruct = Member<SymbolId::unistring_Ctor>;
using StringCopy = Member<SymbolId::unistring_CopyCtor>;
using StringDestroy = Member<SymbolId::unistring_Dtor>;
using StringFromBytes = Member<SymbolId::unistring_ConvertFromNonUnichars>;
using StringToBytes = Member<SymbolId::unistring_ConvertToNonUnichars>;
using PathSet = Member<SymbolId::UniversalPath_Set>;
using PathMakePlatformSpec = Member<SymbolId::UniversalPath_MakePlatformSpec>;

using GetSessionFromID = Function<SymbolId::DBSession_GetSessionFromID>;
using EmptyUniversalPath = Data<SymbolId::kSupport_EmptyUniversalPath>;
using OperatorNew = Function<SymbolId::OperatorNew>;
using OperatorDelete = Function<SymbolId::OperatorDelete>;

} // namespace stub

namespace bound {

// ---- sessions and files

// The session with an id (1: the current one).
Draco::DBSession* GetSessionFromID(unsigned long id);
// Opens the file at one path: the paths go as the host's vector of that
// version; the last argument is the flag below level 54 and 0 from 54.
Draco::DBError OpenFileUser(Draco::DBSession* session, Draco::FileUserRef* user,
                            const fmapi::mac::UniversalPathLayout* path, const Draco::DBFileUser* parent,
                            Draco::DBAuthenticationInfo* authentication, bool flag);
// The name of a font of the mapper's file into `result`, a host string of
// the level's form that the caller destroys.
void GetFontName(const fmapi::mac::FontMapperLayout* mapper, std::uint16_t id,
                 fmapi::mac::HostStringStorage* result);
Draco::FMWindowModel* GetDefaultWindow(const Draco::FMFileUser* file);
Draco::FMScriptCatalog* GetScriptCatalog(const Draco::FMFileUser* file);
Draco::FMLayoutCatalog* GetLayoutCatalog(const Draco::FMFileUser* file);
// Windows are opened from the file in the form of the level.
Draco::FMWindowModel* OpenWindow(Draco::FMSession* session, Draco::FMFileUser* file, bool first, bool second);

// ---- catalogs

// Without an argument up to level 54, with false from 55.
unsigned long GetMemberCount(const Draco::DBCatalog* catalog);
bool IsLayoutHidden(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey* key);
bool GetLayoutName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey* key, Draco::DBData* name);
bool GetLayoutKey(const Draco::FMLayoutCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey* key, bool flag,
                  const Draco::DBTableProxy* table);
// Script names: GetScriptName up to level 54, GetMemberName from 55.
bool GetScriptName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey* key, Draco::DBData* name);
bool GetScriptMemberName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey* key,
                         Draco::DBData* name);
// (index, key, flag) below level 53, (index, key, filter 0, flag) from 53.
bool GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey* key, bool flag);

// ---- scripts

Draco::ScriptRuntimeBase* GetScriptRuntime(const Draco::FMSession* session);
// The runtime's script, or null.
const Draco::FMScript* GetScript(const Draco::ScriptRuntimeBase* runtime);
// Performs a script into the result slot: up to level 53 the older form
// (window, key, data, false, false, value, false), above it the newer one
// (window, key, data, value, false, no trigger state).
Draco::DBError* CallHostScript(Draco::DBError* result, Draco::ScriptRuntimeBase* runtime,
                               Draco::FMWindowModel* window, const Draco::ScriptKey* script, Draco::DBData* parameter,
                               std::uint16_t value);

// ---- the host's value objects in the caller's storage

void SetErrorIndex(fmapi::mac::HostError* error, std::uint16_t index);
void SetFileRef(fmapi::mac::FilePlatformSpecLayout* spec, const FSRef* ref);
bool GetFileRef(const fmapi::mac::FilePlatformSpecLayout* spec, FSRef* ref);
// Host strings from level 51 (below it the plug-in builds them itself).
void ConstructString(fmapi::mac::HostStringStorage* string);
void CopyConstructString(fmapi::mac::HostStringStorage* string, const fmapi::mac::HostStringStorage* source);
void DestroyString(fmapi::mac::HostStringStorage* string);
// At every level.
bool ConvertFromNonUnichars(fmapi::mac::HostStringStorage* string, const char* text, unsigned long length,
                            std::int32_t encoding);
bool ConvertToNonUnichars(const fmapi::mac::HostStringStorage* string, char* out, unsigned long* size,
                          std::int32_t encoding);
fmapi::mac::HostError SetUniversalPath(fmapi::mac::UniversalPathLayout* path,
                                       const fmapi::mac::FilePlatformSpecLayout* spec);
fmapi::mac::HostError MakePlatformSpec(const fmapi::mac::UniversalPathLayout* path,
                                       fmapi::mac::FilePlatformSpecLayout* spec, std::int32_t encoding, bool resolve,
                                       bool create);
// The host's empty universal path.
const fmapi::mac::UniversalPathLayout* EmptyUniversalPath();
// The host's operator new and operator delete (MSLRuntime).
void* HostOperatorNew(std::size_t size);
void HostOperatorDelete(void* block);

// ---- the newer interface functions, by their "_FM_..." names in FMWrapper

FM_ExprEnv_ExecuteSQL_t ExprEnvExecuteSQL();
FM_BinaryData_AddSIZEData_t BinaryDataAddSIZEData();
FM_BinaryData_GetSIZEData_t BinaryDataGetSIZEData();
FM_BinaryData_AddFNAMData_t BinaryDataAddFNAMData();
FM_BinaryData_GetFNAMData_t BinaryDataGetFNAMData();
FM_Data_GetFontID_t DataGetFontID();
FM_Data_GetFontInfo_t DataGetFontInfo();

// ---- host callbacks #0 to #11 (std::runtime_error "static function
// loading failed" for one the host has not given)

template <unsigned Index>
fmapi::HostCallback HostCallback()
{
    return reinterpret_cast<fmapi::HostCallback>(stub::Callback<Index>::Get());
}

} // namespace bound
} // namespace mac
