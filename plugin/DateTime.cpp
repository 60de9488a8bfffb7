#include "plugin/DateTime.h"

#include <cmath>
#include <stdexcept>

#include "plugin/TimeZone.h"

namespace __Quarrow__ {

DateTime DateTime::Now() { return DateTimeMgr::GetCurrentTime(); }

bool DateTime::Equals(const DateTime& other, std::int64_t tolerance) const
{
    if (!IsValid() || !other.IsValid())
        return IsValid() == other.IsValid();
    const std::int64_t d = seconds_ - other.seconds_;
    return (d < 0 ? -d : d) <= tolerance;
}

TimeDiff DateTime::Difference(const DateTime& other, std::int64_t tolerance, bool throwing) const
{
    if (!IsValid() || !other.IsValid()) {
        if (throwing)
            throw std::runtime_error("incomparable objects");
        return TimeDiff::Invalid();
    }
    const std::int64_t d = seconds_ - other.seconds_;
    return TimeDiff((d < 0 ? -d : d) <= tolerance ? 0.0 : static_cast<double>(d));
}

int DateTime::Compare(const DateTime& other) const
{
    const double d = Difference(other, kCompareTolerance).Seconds();
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

DateTime& DateTime::operator+=(const TimeDiff& diff)
{
    if (!diff.IsValid())
        throw std::invalid_argument("invalid time difference");
    if (!IsValid())
        return *this;
    // Checked as a real number first, so no conversion is ever out of range.
    const double sum = std::floor(static_cast<double>(seconds_) + diff.Seconds());
    seconds_ = sum >= 0 && sum <= static_cast<double>(kLast) ? static_cast<std::int64_t>(sum) : kInvalid;
    return *this;
}

} // namespace __Quarrow__
