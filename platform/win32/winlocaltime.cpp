#include "platform/win32/winlocaltime.h"

#include <time.h>

#include <atomic>

namespace win32 {

namespace {

std::atomic<bool> g_fixed{false};
SYSTEMTIME g_fixedTime{};

} // namespace

void SetLocalTimeForTesting(const SYSTEMTIME* fixed)
{
    if (fixed)
        g_fixedTime = *fixed;
    g_fixed = fixed != nullptr;
}

void GetLocalTime(SYSTEMTIME* time)
{
    if (!time)
        return;
    if (g_fixed) {
        *time = g_fixedTime;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    const time_t seconds = now.tv_sec;
    if (!localtime_r(&seconds, &local)) {
        *time = SYSTEMTIME{1970, 1, 4, 1, 0, 0, 0, 0};
        return;
    }
    time->wYear = static_cast<std::uint16_t>(local.tm_year + 1900);
    time->wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time->wDay = static_cast<std::uint16_t>(local.tm_mday);
    time->wHour = static_cast<std::uint16_t>(local.tm_hour);
    time->wMinute = static_cast<std::uint16_t>(local.tm_min);
    time->wSecond = static_cast<std::uint16_t>(local.tm_sec);
    time->wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

} // namespace win32
