// Probe_Attention ( seconds ) asks for the user's attention for that long
// (0 stops a request) and answers 1; Probe_Attention ( "state" ) answers the
// request's state: 0 running, 1 stopped, 2 answered (ending at the next idle
// message).
#include "plugin/NotificationMgr.h"
#include "plugin/QSingleton.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

using __Quarrow__::NotificationMgr;

std::int16_t Attention(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    NotificationMgr& manager = __Quarrow__::Singleton<NotificationMgr>::getInstance();
    if (TextArg(args, 0) == "state") {
        SetNumber(result, manager.GetState());
        return 0;
    }
    const std::int64_t seconds = IntegerArg(args, 0);
    manager.Start(seconds <= 0 ? 0u : seconds > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(seconds));
    SetNumber(result, 1);
    return 0;
}

const Registration kAttention({12, L"Probe_Attention", L"Probe_Attention ( seconds | \"state\" )", 1, 1, &Attention});

} // namespace
} // namespace probe
