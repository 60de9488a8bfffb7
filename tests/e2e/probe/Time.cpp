// Probe_Time ( what {; a {; b}} ): points in time and time zones.
//   "valid" (seconds): 1/0
//   "add" (seconds; difference): the sum's seconds, "invalid", or the
//     exception's text; the difference is its text read as a real number,
//     so "nan", "inf" and "1e300" reach the framework as such
//   "diff" (a; b): a - b in seconds with a tolerance of 1, or the
//     exception's text
//   "zone" (offset in seconds east): "ok" or the exception's text
//   "systemzone": "base B daylight D shift S" of a newly read system zone
//     (offsets in seconds east), or the exception's text
// An unknown `what` answers error 1.
#include <cstdlib>
#include <stdexcept>

#include "plugin/DateTime.h"
#include "plugin/TimeZone.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

using __Quarrow__::DateTime;
using __Quarrow__::TimeDiff;
using __Quarrow__::TimeZoneImp;

double RealArg(const FMDataVect* args, std::uint32_t index)
{
    const std::string text = TextArg(args, index);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() ? value : TimeDiff::Invalid().Seconds();
}

std::int32_t Clamped32(std::int64_t value)
{
    return value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value);
}

std::int16_t Time(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string what = TextArg(args, 0);
    try {
        if (what == "valid") {
            SetNumber(result, DateTime(IntegerArg(args, 1)).IsValid() ? 1 : 0);
        } else if (what == "add") {
            const DateTime sum = DateTime(IntegerArg(args, 1)) + TimeDiff(RealArg(args, 2));
            if (sum.IsValid())
                SetNumber(result, static_cast<std::int32_t>(sum.Seconds()));
            else
                SetText(result, "invalid");
        } else if (what == "diff") {
            const TimeDiff d =
                DateTime(IntegerArg(args, 1)).Difference(DateTime(IntegerArg(args, 2)), DateTime::kCompareTolerance);
            SetNumber(result, static_cast<std::int32_t>(d.Seconds()));
        } else if (what == "zone") {
            TimeZoneImp zone(Clamped32(IntegerArg(args, 1)));
            SetText(result, "ok");
        } else if (what == "systemzone") {
            const __Quarrow__::TimeZoneRef zone = TimeZoneImp::System();
            SetText(result, "base " + std::to_string(zone->BaseOffset()) + " daylight " +
                                std::to_string(zone->HasDaylightSaving() ? 1 : 0) + " shift " +
                                std::to_string(zone->DaylightShift()));
        } else {
            return 1;
        }
    } catch (const std::exception& e) {
        SetText(result, e.what());
    }
    return 0;
}

const Registration kTime({10, L"Probe_Time", L"Probe_Time ( what {; a {; b}} )", 1, 3, &Time});

} // namespace
} // namespace probe
