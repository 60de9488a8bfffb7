// The framework's clock in the macOS flavour: the system's microsecond count.
// The deferred tasks add lifetimes in seconds to the clock's reading, so the
// seconds clock is the count scaled to seconds, never the raw microseconds.
#include "plugin/TickClock.h"

#include "platform/carbon/Carbon.h"

namespace __Quarrow__ {

std::uint64_t GetTickMicroseconds()
{
    UnsignedWide now{0, 0};
    Microseconds(&now);
    return static_cast<std::uint64_t>(now.hi) << 32 | now.lo;
}

std::uint64_t ClockMilliseconds() { return GetTickMicroseconds() / 1000u; }

std::uint64_t ClockSeconds() { return GetTickMicroseconds() / 1000000u; }

void RunDueTimers() {}

} // namespace __Quarrow__
