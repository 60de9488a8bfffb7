// The framework's monotonic seconds clock: in the Windows flavour a 64-bit
// millisecond counter fed from the system's 32-bit tick count, in the macOS
// flavour the system's microsecond count.
#pragma once

#include <cstdint>

namespace __Quarrow__ {

// Windows: started on first use (from 0); every read folds in the ticks
// since the previous read. A window-less timer folds them in every 28 days as
// well, so that reads are never more than one tick wrap (49.7 days) apart.
// The timer is stopped when the module unloads.
std::uint64_t ClockMilliseconds();
std::uint64_t ClockSeconds();

#if defined(PV_FLAVOUR_MAC)
// The macOS flavour's tick: the system's monotonic microsecond count.
std::uint64_t GetTickMicroseconds();
#endif

// Runs the system timers that fell due; the host's idle message comes when
// its own loop would have run them. The macOS flavour has none.
void RunDueTimers();

// The timer's period: 28 days.
constexpr std::uint32_t kClockTimerPeriod = 2419200000u;

} // namespace __Quarrow__
