// The tick count and window-less timers, over CLOCK_MONOTONIC.
//
// There are no windows and no message queue here. A window-less timer's
// callback runs when the thread's message loop dispatches it; in this
// system the host's loop reaches the plug-in only through its entry point,
// so the entry dispatches the due timers when the host sends an idle
// message (the host idles once its own queue is empty), and tests call
// DispatchDueTimers themselves.
#pragma once

#include <cstdint>

namespace win32 {

using TimerProc = void (*)(void* window, std::uint32_t message, std::uintptr_t id, std::uint32_t time);

constexpr std::uint32_t kWmTimer = 0x0113;

// Milliseconds since an arbitrary start, 32 bits wide: wraps every 49.7 days.
std::uint32_t GetTickCount();

// A window-less timer (window null) that calls `proc` every `elapse`
// milliseconds, counted on the tick count. With the id of a live timer it
// restarts that timer (new period and callback) and answers the same id;
// otherwise it answers a new id. Answers 0 for a window (none exist here)
// or a null callback.
std::uintptr_t SetTimer(void* window, std::uintptr_t id, std::uint32_t elapse, TimerProc proc);
// False when there is no such timer.
bool KillTimer(void* window, std::uintptr_t id);

// The message loop's part: runs the callback of every timer that is due now
// (window null, kWmTimer, its id, the tick count) and starts its next
// period. Timers killed by an earlier callback do not run. Answers how many
// ran.
unsigned DispatchDueTimers();

// Test hook: the tick count comes from `source` instead of the clock; null
// puts the clock back.
void SetTickSourceForTesting(std::uint32_t (*source)());

} // namespace win32
