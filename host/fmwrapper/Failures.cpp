// Failure injection: any export can be told to fail with code 1 or 2 on some
// of its next calls, so that the plug-in's error paths can be tested.
#include "Internal.h"

#include <map>

namespace fmw {
namespace {

struct Plan {
    std::int32_t code;
    std::int32_t skip;    // calls still to let through
    std::int32_t times;   // failing calls still to come
};

std::map<std::string, Plan>& Plans()
{
    static std::map<std::string, Plan> plans;
    return plans;
}

} // namespace

void SetCode(FMError* err, std::int32_t code)
{
    if (err) err->code = code;
}

bool Enter(const char* name, FMError* err)
{
    SetCode(err, 0);
    auto& plans = Plans();
    if (plans.empty()) return false;
    auto it = plans.find(name);
    if (it == plans.end()) return false;
    Plan& plan = it->second;
    if (plan.skip > 0) {
        --plan.skip;
        return false;
    }
    if (plan.times <= 0) return false;
    --plan.times;
    SetCode(err, plan.code);
    if (plan.times == 0) plans.erase(it);
    return true;
}

} // namespace fmw

extern "C" {

void FMH_InjectFailure(const char* function, std::int32_t code, std::int32_t skip,
                       std::int32_t times)
{
    if (!function) return;
    try {
        if (times <= 0 || code == 0) {
            fmw::Plans().erase(function);
            return;
        }
        fmw::Plans()[function] = fmw::Plan{code, skip < 0 ? 0 : skip, times};
    } catch (...) {
    }
}

void FMH_ClearFailures()
{
    fmw::Plans().clear();
}

} // extern "C"
