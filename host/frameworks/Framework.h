// Common part of the macOS host's frameworks (FMEngine, DBEngine, Support,
// MSLRuntime): the host API level each serves and the check, on every call
// of a bound operation, that the operation is this framework's at that level.
//
// Nothing here allocates: MSLRuntime's operator new checks its calls too.
#pragma once

#include <cstdint>

#include "fmapi/mac_frameworks.h"

#define PV_FRAMEWORK_API __attribute__((visibility("default")))

// Control entries of each framework (plain names, found in the framework's
// bundle with CFBundleGetFunctionPointerForName).
extern "C" {
// The host API level the framework serves from now on.
PV_FRAMEWORK_API void PVFramework_Configure(std::int32_t apiLevel);
PV_FRAMEWORK_API std::int32_t PVFramework_ApiLevel();
// Strict (the default): a call that is not this framework's at the
// configured level aborts the process with a message. Otherwise the call is
// counted as a fault and goes on.
PV_FRAMEWORK_API void PVFramework_SetStrict(std::int32_t strict);
PV_FRAMEWORK_API std::int32_t PVFramework_FaultCount();
PV_FRAMEWORK_API const char* PVFramework_LastFault();
// Calls of an operation (its id in fmapi/mac_frameworks.h) so far.
PV_FRAMEWORK_API std::int32_t PVFramework_CallCount(const char* id);
}

namespace framework {

// This framework (set by its build).
constexpr fmapi::mac::Framework kThis = fmapi::mac::Framework::PV_FRAMEWORK_ID;

std::int32_t Level();

// Counts the call and checks that the operation is served here at the
// configured level.
void Check(fmapi::mac::SymbolId id);

} // namespace framework

#define PV_FW_CHECK(id_) ::framework::Check(::fmapi::mac::SymbolId::id_)
