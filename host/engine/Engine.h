// Common part of the host's internal modules: they work on the host's
// world (world/World.h).
#pragma once

#include <cstdint>
#include <string>

#include "fmapi/draco.h"
#include "world/DataText.h"
#include "world/World.h"

#define PV_ENGINE_API __attribute__((visibility("default")))

// Every operation is declared under its escaped ELF name; the definitions in
// the modules take that name from here, and a definition whose signature
// differs from the table does not compile.
#define PV_ENGINE_DECLARE(id_, group_, lo_, hi_, exLo_, exHi_, kind_, decorated_, escaped_, result_, \
                          parameters_)                                                              \
    extern "C" PV_ENGINE_API result_ id_ parameters_ __asm__(escaped_);
PV_DRACO_SYMBOLS(PV_ENGINE_DECLARE)
#undef PV_ENGINE_DECLARE

// Control entries of each module (plain names, found with dlsym on the
// module's handle).
extern "C" {
// The host API level the module serves from now on.
PV_ENGINE_API void PVEngine_Configure(std::int32_t apiLevel);
PV_ENGINE_API std::int32_t PVEngine_ApiLevel();
// Strict (the default): a call for another level aborts the process with a
// message. Otherwise the call is counted as a fault and goes on.
PV_ENGINE_API void PVEngine_SetStrict(std::int32_t strict);
PV_ENGINE_API std::int32_t PVEngine_FaultCount();
PV_ENGINE_API const char* PVEngine_LastFault();
// Calls of an operation (its id in fmapi/draco.h, "XMLWindow_FrontWindow")
// made in this module so far.
PV_ENGINE_API std::int32_t PVEngine_CallCount(const char* id);
}

namespace engine {

// Checks that `entry` may be called in this module at the configured level
// and counts the call.
void Check(const fmapi::DracoSymbol& entry);

// Strings as the modules keep them: a unistring owns a UTF-16 string.
inline std::u16string& Text(Draco::unistring* s) { return *static_cast<std::u16string*>(s->imp); }
inline const std::u16string& Text(const Draco::unistring* s)
{
    return *static_cast<const std::u16string*>(s->imp);
}
inline void Construct(Draco::unistring* s, const std::u16string& text = std::u16string())
{
    s->imp = new std::u16string(text);
}

using hostworld::OwnedText;

// A catalog's member at an index into the caller's key; false when the index
// has no member.
template <class Member>
bool KeyAt(const Draco::MemberCatalog<Member>* catalog, std::uint16_t index, Draco::HBAbstractKey* key)
{
    const Member* member = catalog ? catalog->AtIndex(index) : nullptr;
    if (!member || !key)
        return false;
    *key = member->key;
    return true;
}

// The name of a catalog's member with a key into a DBData.
template <class Member>
bool NameOf(const Draco::MemberCatalog<Member>* catalog, const Draco::HBAbstractKey* key, Draco::DBData* name)
{
    const Member* member = catalog ? catalog->WithKey(key) : nullptr;
    return member && name && hostworld::SetDataText(name, member->name);
}

inline hostworld::World& World() { return hostworld::World::Get(); }

} // namespace engine

#define PV_ENGINE_CHECK(id_) ::engine::Check(::fmapi::sym::id_::entry)
