#include "platform/win32/wintimer.h"

#include <time.h>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

namespace win32 {
namespace {

std::atomic<std::uint32_t (*)()> g_tickSource{nullptr};

struct Timer {
    std::uint32_t elapse;
    std::uint32_t start;   // tick count at the start of the period
    TimerProc proc;
};

struct Timers {
    std::mutex mutex;
    std::map<std::uintptr_t, Timer> live;
    std::uintptr_t lastId = 0;
};

// Never destroyed: a timer may still be killed while the module unloads.
Timers& AllTimers()
{
    static Timers* timers = new Timers;
    return *timers;
}

} // namespace

std::uint32_t GetTickCount()
{
    if (auto source = g_tickSource.load())
        return source();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

std::uintptr_t SetTimer(void* window, std::uintptr_t id, std::uint32_t elapse, TimerProc proc)
{
    if (window || !proc)
        return 0;
    const std::uint32_t now = GetTickCount();
    Timers& timers = AllTimers();
    std::lock_guard<std::mutex> hold(timers.mutex);
    if (id == 0 || !timers.live.count(id)) {
        do
            id = ++timers.lastId;
        while (id == 0 || timers.live.count(id));
    }
    timers.live[id] = Timer{elapse, now, proc};
    return id;
}

bool KillTimer(void* window, std::uintptr_t id)
{
    if (window)
        return false;
    Timers& timers = AllTimers();
    std::lock_guard<std::mutex> hold(timers.mutex);
    return timers.live.erase(id) != 0;
}

unsigned DispatchDueTimers()
{
    const std::uint32_t now = GetTickCount();
    Timers& timers = AllTimers();
    std::vector<std::uintptr_t> due;
    {
        std::lock_guard<std::mutex> hold(timers.mutex);
        for (const auto& [id, timer] : timers.live)
            if (static_cast<std::uint32_t>(now - timer.start) >= timer.elapse)
                due.push_back(id);
    }
    unsigned ran = 0;
    for (std::uintptr_t id : due) {
        TimerProc proc = nullptr;
        {
            std::lock_guard<std::mutex> hold(timers.mutex);
            auto it = timers.live.find(id);
            if (it == timers.live.end())
                continue;
            it->second.start = now;
            proc = it->second.proc;
        }
        // Called without the table's lock: the callback may set or kill timers.
        proc(nullptr, kWmTimer, id, now);
        ++ran;
    }
    return ran;
}

void SetTickSourceForTesting(std::uint32_t (*source)()) { g_tickSource.store(source); }

} // namespace win32
