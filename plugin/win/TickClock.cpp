#include "plugin/TickClock.h"

#include "platform/win32/wintimer.h"

namespace __Quarrow__ {
namespace {

// Plain data: usable at any time during load and unload.
struct Clock {
    bool started;
    std::uint64_t milliseconds;
    std::uint32_t lastTick;
    std::uintptr_t timer;
};
Clock g_clock;

void Fold()
{
    const std::uint32_t now = win32::GetTickCount();
    // Unsigned difference: a wrap of the tick count between reads counts right.
    g_clock.milliseconds += static_cast<std::uint32_t>(now - g_clock.lastTick);
    g_clock.lastTick = now;
}

void OnTimer(void*, std::uint32_t, std::uintptr_t, std::uint32_t)
{
    Fold();
    g_clock.timer = win32::SetTimer(nullptr, g_clock.timer, kClockTimerPeriod, &OnTimer);
}

void Start()
{
    g_clock.milliseconds = 0;
    g_clock.lastTick = win32::GetTickCount();
    g_clock.timer = win32::SetTimer(nullptr, 0, kClockTimerPeriod, &OnTimer);
    g_clock.started = true;
}

struct StopAtUnload {
    ~StopAtUnload()
    {
        if (g_clock.timer)
            win32::KillTimer(nullptr, g_clock.timer);
        g_clock.timer = 0;
    }
} g_stopAtUnload;

} // namespace

std::uint64_t ClockMilliseconds()
{
    if (!g_clock.started)
        Start();
    Fold();
    return g_clock.milliseconds;
}

std::uint64_t ClockSeconds() { return ClockMilliseconds() / 1000u; }

void RunDueTimers() { win32::DispatchDueTimers(); }

} // namespace __Quarrow__
