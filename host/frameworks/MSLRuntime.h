// The host's runtime library (the MSLRuntime framework): its operator new and
// operator delete over malloc, with a count of the blocks alive. Loaded with
// local binding, so that they replace nobody else's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Framework.h"

extern "C" {
// The host's heap for its own frameworks (FMEngine's strings), the same as
// operator new and operator delete without their checks.
PV_FRAMEWORK_API void* PVMSLRuntime_New(std::size_t size);
PV_FRAMEWORK_API void PVMSLRuntime_Delete(void* block);
// Blocks taken and not given back.
PV_FRAMEWORK_API std::int64_t PVMSLRuntime_LiveBlocks();
}
