// Host objects that the plug-in reads in place or builds itself, laid out as
// the host lays them out, shared by the plug-in and the host's modules.
//
// Offsets are the host's 32-bit ones with every pointer-holding word below a
// field widened to pointer size: a field moves by sizeof(void*) - 4 bytes for
// each such word.
//
// Objects that are one object under two names, so that the plug-in converts
// between their pointers without an operation:
//   - the session (DBSession) is the user model's FMSession;
//   - a file (FMFileUser) is its DBFileUser;
//   - a layout or script catalog (FMLayoutCatalog, FMScriptCatalog) is its
//     DBCatalog;
//   - a DBData is the interface library's FMData.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fmapi/draco.h"

namespace Draco {

// A catalog key (HBAbstractKey; a script's HBSerialKey<5> is the same): a
// length byte and at most kCatalogKeyCapacity bytes.
struct HBAbstractKey {
    std::uint8_t bytes[1 + 5];
};
struct ScriptKey : HBAbstractKey {};

} // namespace Draco

namespace fmapi {

constexpr std::size_t kCatalogKeyCapacity = sizeof(Draco::HBAbstractKey) - 1;

constexpr std::size_t Widened(std::size_t offset32, std::size_t pointerWordsBelow)
{
    return offset32 + pointerWordsBelow * (sizeof(void*) - 4);
}

// A window model (FMWindowModel). Below level 54: word 0 its object table, word
// 1 its file (both pointers), then five 32-bit words and the flag byte at 28.
// From level 54: word 0 the object table, word 1 the current layout (an
// FMLayout), word 2 the file (all pointers), then 32-bit words up to the flag
// byte at 40 (level 54) or 56 (above 54). Only bit 7 of the flag byte is the
// flag.
constexpr std::size_t kWindowModelLayoutOffset = Widened(4, 1);
constexpr std::uint8_t kWindowModelFlagBit = 0x80;

constexpr std::size_t WindowModelFlagOffset(std::int32_t apiLevel)
{
    return apiLevel < 54 ? Widened(28, 2) : apiLevel == 54 ? Widened(40, 3) : Widened(56, 3);
}

// The window model's words that are laid out as above, rounded up to whole
// pointers.
constexpr std::size_t kWindowModelHeadSize =
    (WindowModelFlagOffset(55) / sizeof(void*) + 1) * sizeof(void*);

// A layout (FMLayout) and a script (FMScript) begin with their catalog key.
constexpr std::size_t kCatalogMemberKeyOffset = 0;

// The first word of an expression environment (FMExprEnv) is the file in
// whose context it evaluates (an FMFileUser), or null.
constexpr std::size_t kExprEnvFileOffset = 0;

} // namespace fmapi
