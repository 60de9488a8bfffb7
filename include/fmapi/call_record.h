// The call record the host hands to a plug-in's entry point, shared by the
// plug-in and the host simulator.
//
// The record is byte-packed and keeps the field order and the widths of its
// non-pointer fields; the fields that carry a pointer (parameters 2 and 3,
// the instance handle, the result and the twelve callbacks) are pointer-sized.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fmapi {

enum MessageKind : std::uint8_t {
    kMsgInit = 0,
    kMsgIdle = 1,
    kMsgExternal = 3,
    kMsgShutdown = 4,
    kMsgAppPrefs = 5,
    kMsgGetString = 7,
};

enum : int { kHostCallbackCount = 12 };

// Host callbacks by index: 1 resize, 2 size, 5 lock, 6 unlock of a host memory
// handle, 9 last memory error, 11 fill an expression environment with the
// current one (0 on success). The others are reserved.
using HostCallback = std::intptr_t (*)(std::intptr_t, std::intptr_t);

#pragma pack(push, 1)
struct CallRecord {
    std::int16_t extnVersion;   // offered interface version; the init answer
    std::uint16_t hostWord;     // kept by the host plug-in object, unused
    std::uint8_t reserved1[5];
    std::uint8_t whichCall;     // MessageKind
    std::uint8_t unsafeCalls;   // non-zero: the plug-in must do nothing
    std::uint8_t parm1;         // init: application kind; string: string id
    std::uintptr_t parm2;       // init: host version text (UTF-16, zero-ended)
    std::uintptr_t parm3;       // string: output capacity in UTF-16 units
    void* instanceID;           // the plug-in module's handle
    std::intptr_t result;       // answer; string: pointer to the UTF-16 output
    std::uint8_t reserved2[4];
    HostCallback callbacks[kHostCallbackCount];
};
#pragma pack(pop)

// Everything before the callbacks: the part a message handler works on.
constexpr std::size_t kCallRecordHeadSize = offsetof(CallRecord, callbacks);

} // namespace fmapi

extern "C" {
using FMExternCallProcPtr = void (*)(fmapi::CallRecord*);
}
