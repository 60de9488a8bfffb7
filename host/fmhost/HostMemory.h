// Host memory handles, reached by a plug-in only through the callbacks of
// the call record: #1 resize, #2 size, #5 lock, #6 unlock, #9 last memory
// error. A handle is an opaque number; a locked handle cannot be resized.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fmapi/call_record.h"

namespace fmhost {

using HostHandle = std::intptr_t;

// Memory errors as callback #9 answers them (0: the last operation worked).
enum : std::intptr_t {
    kMemNoError = 0,
    kMemFull = -108,        // the size asked for cannot be had
    kMemNilHandle = -109,   // not a live handle
    kMemLocked = -117,      // resizing a locked handle
};

// Largest size a handle can take.
constexpr std::intptr_t kMaxHandleSize = std::intptr_t(1) << 30;

HostHandle NewHandle(std::string_view bytes);
void DisposeHandle(HostHandle handle);
bool IsHandle(HostHandle handle);
std::string HandleBytes(HostHandle handle);
int HandleLocks(HostHandle handle);
// The handle was locked or resized (even unsuccessfully) since it was made.
bool HandleTouched(HostHandle handle);

// The callbacks as the call record carries them. Unused slots are null.
void FillCallbacks(fmapi::CallRecord& record);

} // namespace fmhost
