#include "Framework.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using fmapi::mac::kSymbolCount;
using fmapi::mac::kSymbols;

std::atomic<std::int32_t> g_level{0};
std::atomic<bool> g_strict{true};
std::atomic<std::int32_t> g_faults{0};
std::atomic<std::int32_t> g_calls[kSymbolCount];
char g_lastFault[512];

// The framework's own range of levels: the split frameworks exist from 51.
constexpr std::int32_t LowestLevel()
{
    return framework::kThis == fmapi::mac::Framework::kDBEngine || framework::kThis == fmapi::mac::Framework::kSupport
               ? fmapi::mac::kSplitFrameworksLevel
               : 0;
}

} // namespace

extern "C" {

void PVFramework_Configure(std::int32_t apiLevel) { g_level = apiLevel; }
std::int32_t PVFramework_ApiLevel() { return g_level; }
void PVFramework_SetStrict(std::int32_t strict) { g_strict = strict != 0; }
std::int32_t PVFramework_FaultCount() { return g_faults; }
const char* PVFramework_LastFault() { return g_lastFault; }

std::int32_t PVFramework_CallCount(const char* id)
{
    for (std::size_t i = 0; id && i < kSymbolCount; ++i)
        if (std::strcmp(kSymbols[i].id, id) == 0)
            return g_calls[i];
    return 0;
}
}

namespace framework {

std::int32_t Level() { return g_level; }

void Check(fmapi::mac::SymbolId id)
{
    const auto index = static_cast<std::size_t>(id);
    const fmapi::mac::Symbol& symbol = kSymbols[index];
    ++g_calls[index];
    const std::int32_t level = g_level;
    const char* why = nullptr;
    if (level == 0)
        why = "the framework has no API level configured";
    else if (level < LowestLevel())
        why = "the framework does not serve this API level";
    else if (!symbol.ServesLevel(level))
        why = "the operation does not serve this API level";
    else if (symbol.FrameworkAt(level) != kThis)
        why = "another framework serves the operation at this API level";
    if (!why)
        return;
    ++g_faults;
    std::snprintf(g_lastFault, sizeof g_lastFault, "%s: %s called at API level %d: %s",
                  fmapi::mac::FrameworkName(kThis), symbol.machO, static_cast<int>(level), why);
    std::fprintf(stderr, "host framework fault: %s\n", g_lastFault);
    if (g_strict)
        std::abort();
}

} // namespace framework
