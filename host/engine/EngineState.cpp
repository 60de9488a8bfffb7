#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "Engine.h"

namespace {

std::int32_t g_level = 0;
bool g_strict = true;
std::int32_t g_faults = 0;
std::string g_lastFault;
std::map<std::string, std::int32_t> g_calls;

} // namespace

extern "C" {

void PVEngine_Configure(std::int32_t apiLevel)
{
    g_level = apiLevel;
    hostworld::World::Get().SetApiLevel(apiLevel);
}
std::int32_t PVEngine_ApiLevel() { return g_level; }
void PVEngine_SetStrict(std::int32_t strict) { g_strict = strict != 0; }
std::int32_t PVEngine_FaultCount() { return g_faults; }
const char* PVEngine_LastFault() { return g_lastFault.c_str(); }

std::int32_t PVEngine_CallCount(const char* id)
{
    auto it = g_calls.find(id ? id : "");
    return it == g_calls.end() ? 0 : it->second;
}
}

namespace engine {

void Check(const fmapi::DracoSymbol& entry)
{
    ++g_calls[entry.id];
    const char* why = nullptr;
    if (g_level == 0)
        why = "the module has no API level configured";
    else if (g_level < PV_ENGINE_LEVEL_LO || g_level > PV_ENGINE_LEVEL_HI)
        why = "the module does not serve this API level";
    else if (!entry.ServesLevel(g_level))
        why = "the operation does not serve this API level";
    if (!why)
        return;
    ++g_faults;
    g_lastFault = std::string(PV_ENGINE_MODULE) + ": " + entry.decorated + " called at API level " +
                  std::to_string(g_level) + ": " + why;
    std::fprintf(stderr, "host engine fault: %s\n", g_lastFault.c_str());
    if (g_strict)
        std::abort();
}

} // namespace engine
