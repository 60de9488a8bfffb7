// Common part of the host's internal modules.
#pragma once

#include <cstdint>
#include <string>

#include "fmapi/draco.h"

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
}

namespace engine {

// Checks that `entry` may be called in this module at the configured level.
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

// A string owned by a host object and handed out by reference.
struct OwnedText {
    std::u16string text;
    Draco::unistring ref{&text};
    OwnedText() = default;
    explicit OwnedText(std::u16string t) : text(std::move(t)), ref{&text} {}
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
};

} // namespace engine

#define PV_ENGINE_CHECK(id_) ::engine::Check(::fmapi::sym::id_::entry)
