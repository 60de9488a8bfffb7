// Points in time and durations of the framework's timed services.
#pragma once

#include <cstdint>
#include <limits>

namespace __Quarrow__ {

// A signed duration in seconds; not-a-number marks an invalid difference.
class TimeDiff {
public:
    constexpr TimeDiff() = default;
    constexpr explicit TimeDiff(double seconds) : seconds_(seconds) {}
    static constexpr TimeDiff Invalid() { return TimeDiff(std::numeric_limits<double>::quiet_NaN()); }

    constexpr double Seconds() const { return seconds_; }
    constexpr bool IsValid() const { return seconds_ == seconds_; }

private:
    double seconds_ = 0;
};

// Whole seconds since 1970-01-01 00:00:00 UTC. Valid points lie from 0 to
// kLast; every other count is stored as all ones, which marks the point
// invalid, and an invalid point stays invalid whatever is added to it.
class DateTime {
public:
    static constexpr std::int64_t kInvalid = -1;
    // 0x7FFF8F7F: 28,800 seconds short of the largest signed 32-bit count.
    static constexpr std::int64_t kLast = 0x7FFF8F7F;

    constexpr DateTime() = default;
    constexpr explicit DateTime(std::int64_t seconds) : seconds_(InRange(seconds) ? seconds : kInvalid) {}

    // The current time from the framework's time source.
    static DateTime Now();

    constexpr bool IsValid() const { return seconds_ != kInvalid; }
    constexpr std::int64_t Seconds() const { return seconds_; }

    // Two invalid points are equal, an invalid and a valid one are not; two
    // valid points are equal when at most `tolerance` seconds apart.
    bool Equals(const DateTime& other, std::int64_t tolerance) const;

    // this - other; 0 when its magnitude is at most `tolerance`. With an
    // invalid point: std::runtime_error("incomparable objects") when
    // `throwing`, else an invalid difference.
    TimeDiff Difference(const DateTime& other, std::int64_t tolerance = 0, bool throwing = true) const;

    // An invalid difference throws std::invalid_argument("invalid time
    // difference"). The sum is taken in floating point and rounded down to a
    // whole second; one outside the valid range (huge, infinite) makes the
    // point invalid.
    DateTime& operator+=(const TimeDiff& diff);
    DateTime& operator-=(const TimeDiff& diff) { return *this += TimeDiff(-diff.Seconds()); }
    friend DateTime operator+(DateTime point, const TimeDiff& diff) { return point += diff; }
    friend DateTime operator-(DateTime point, const TimeDiff& diff) { return point -= diff; }
    friend TimeDiff operator-(const DateTime& a, const DateTime& b) { return a.Difference(b); }

    // Comparisons allow one second either way: points a second apart are
    // equal. Ordering an invalid point throws "incomparable objects".
    static constexpr std::int64_t kCompareTolerance = 1;
    friend bool operator==(const DateTime& a, const DateTime& b) { return a.Equals(b, kCompareTolerance); }
    friend bool operator!=(const DateTime& a, const DateTime& b) { return !(a == b); }
    friend bool operator<(const DateTime& a, const DateTime& b) { return a.Compare(b) < 0; }
    friend bool operator>(const DateTime& a, const DateTime& b) { return a.Compare(b) > 0; }
    friend bool operator<=(const DateTime& a, const DateTime& b) { return a.Compare(b) <= 0; }
    friend bool operator>=(const DateTime& a, const DateTime& b) { return a.Compare(b) >= 0; }

private:
    static constexpr bool InRange(std::int64_t seconds) { return seconds >= 0 && seconds <= kLast; }
    int Compare(const DateTime& other) const;

    std::int64_t seconds_ = 0;
};

} // namespace __Quarrow__
