#include <unicode/ucal.h>
#include <unicode/ustring.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "platform/corefoundation/Internal.h"
#include "platform/corefoundation/Object.h"
#include "platform/corefoundation/State.h"
#include "platform/corefoundation/SystemSetup.h"

// A zone: a fixed offset, or a zone of ICU's time zone database.
struct CFTimeZoneObject : CFObject {
    CFTimeZoneObject() : CFObject(pvcf::kTimeZoneType) {}
    bool Equals(const CFObject& other) const override {
        const auto& o = static_cast<const CFTimeZoneObject&>(other);
        return id == o.id && offset == o.offset;
    }
    // Equal zones hash alike: dictionaries find their keys by hash first.
    CFHashCode Hash() const override {
        return std::hash<std::u16string>()(id) ^ static_cast<CFHashCode>(static_cast<unsigned>(offset));
    }
    std::u16string id;  // empty for a fixed offset
    int offset = 0;     // seconds east of GMT, for a fixed offset
};

namespace {

constexpr double kSince1970 = 978307200.0;
constexpr double kMaxMillis = 8.64e15;  // ICU's calendar limit (about 275000 years)

struct CalendarCloser {
    void operator()(UCalendar* c) const { ucal_close(c); }
};
using Calendar = std::unique_ptr<UCalendar, CalendarCloser>;

// A proleptic Gregorian calendar in the zone (its id) or in GMT.
Calendar OpenCalendar(const std::u16string& zone) {
    UErrorCode status = U_ZERO_ERROR;
    const std::u16string id = zone.empty() ? u"GMT" : zone;
    Calendar cal(ucal_open(id.data(), static_cast<int32_t>(id.size()), "en_US_POSIX@calendar=gregorian",
                           UCAL_GREGORIAN, &status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    ucal_setGregorianChange(cal.get(), -kMaxMillis, &status);
    return U_SUCCESS(status) ? std::move(cal) : nullptr;
}

const CFTimeZoneObject* Zone(CFTimeZoneRef tz, const char* function) {
    return pvcf::As<CFTimeZoneObject>(tz, pvcf::kTimeZoneType, function);
}

// ICU's view of the zone at the instant: (zone offset, daylight offset) in ms.
bool Offsets(const CFTimeZoneObject* z, CFAbsoluteTime at, int32_t& raw, int32_t& dst) {
    raw = z != nullptr ? z->offset * 1000 : 0;
    dst = 0;
    if (z == nullptr || z->id.empty()) {
        return true;
    }
    const double millis = (at + kSince1970) * 1000.0;
    if (!std::isfinite(millis) || std::fabs(millis) > kMaxMillis) {
        return false;
    }
    Calendar cal = OpenCalendar(z->id);
    if (!cal) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(cal.get(), std::floor(millis), &status);
    raw = ucal_get(cal.get(), UCAL_ZONE_OFFSET, &status);
    dst = ucal_get(cal.get(), UCAL_DST_OFFSET, &status);
    return U_SUCCESS(status);
}

// The calendar fields of an instant in the zone; false out of ICU's range.
struct Fields {
    int32_t year, month, day, hour, minute, second, dayOfWeek, dayOfYear;
    double fraction;
};

bool FieldsAt(CFAbsoluteTime at, CFTimeZoneRef tz, Fields& f) {
    const CFTimeZoneObject* z = tz != nullptr ? Zone(tz, "CFAbsoluteTimeGetGregorianDate") : nullptr;
    const double whole = std::floor(at);
    if (!std::isfinite(whole)) {
        return false;
    }
    // A fixed offset shifts the instant and reads it in GMT.
    const bool fixed = z == nullptr || z->id.empty();
    const double shifted = whole + (fixed && z != nullptr ? z->offset : 0);
    const double millis = (shifted + kSince1970) * 1000.0;
    if (std::fabs(millis) > kMaxMillis) {
        return false;
    }
    Calendar cal = OpenCalendar(fixed ? std::u16string() : z->id);
    if (!cal) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(cal.get(), millis, &status);
    const int32_t era = ucal_get(cal.get(), UCAL_ERA, &status);
    const int32_t year = ucal_get(cal.get(), UCAL_YEAR, &status);
    f.year = era == 0 ? 1 - year : year;  // 1 BC is year 0
    f.month = ucal_get(cal.get(), UCAL_MONTH, &status) + 1;
    f.day = ucal_get(cal.get(), UCAL_DATE, &status);
    f.hour = ucal_get(cal.get(), UCAL_HOUR_OF_DAY, &status);
    f.minute = ucal_get(cal.get(), UCAL_MINUTE, &status);
    f.second = ucal_get(cal.get(), UCAL_SECOND, &status);
    f.dayOfWeek = ucal_get(cal.get(), UCAL_DAY_OF_WEEK, &status);
    f.dayOfYear = ucal_get(cal.get(), UCAL_DAY_OF_YEAR, &status);
    f.fraction = at - whole;
    return U_SUCCESS(status);
}

bool IsLeap(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

extern "C" {

const CFTimeInterval kCFAbsoluteTimeIntervalSince1970 = kSince1970;
const CFTimeInterval kCFAbsoluteTimeIntervalSince1904 = 3061152000.0;

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void) {
    {
        auto& state = pvcf::State();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.fixedTime) {
            return *state.fixedTime;
        }
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) - kSince1970 + now.tv_nsec / 1e9;
}

CFTypeID CFTimeZoneGetTypeID(void) { return pvcf::kTimeZoneType; }

CFTimeZoneRef CFTimeZoneCreateWithTimeIntervalFromGMT(CFAllocatorRef, CFTimeInterval ti) {
    if (!std::isfinite(ti) || std::fabs(ti) > 18 * 3600.0 ||
        macsetup::ShouldFail("CFTimeZoneCreateWithTimeIntervalFromGMT")) {
        return nullptr;
    }
    auto* zone = new CFTimeZoneObject;
    zone->offset = static_cast<int>(ti);
    return zone;
}

CFTimeZoneRef CFTimeZoneCreateWithName(CFAllocatorRef, CFStringRef name, Boolean) {
    const std::u16string& id = pvcf::Text(name);
    if (id.empty() || macsetup::ShouldFail("CFTimeZoneCreateWithName")) {
        return nullptr;
    }
    // ICU answers the unknown zone ("Etc/Unknown") for a name it does not know.
    UChar canonical[64];
    UBool system = false;
    UErrorCode status = U_ZERO_ERROR;
    ucal_getCanonicalTimeZoneID(id.data(), static_cast<int32_t>(id.size()), canonical, 64,
                                &system, &status);
    if (U_FAILURE(status) || !system) {
        return nullptr;
    }
    auto* zone = new CFTimeZoneObject;
    zone->id = id;
    return zone;
}

CFTimeZoneRef CFTimeZoneCopySystem(void) {
    if (macsetup::ShouldFail("CFTimeZoneCopySystem")) {
        return nullptr;
    }
    std::u16string id;
    const char* tz = std::getenv("TZ");
    if (tz != nullptr && *tz != '\0') {
        for (const char* c = *tz == ':' ? tz + 1 : tz; *c != '\0'; ++c) {
            id.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
        }
    } else {
        UChar buffer[128];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = ucal_getDefaultTimeZone(buffer, 128, &status);
        if (U_FAILURE(status) || n <= 0 || n > 128) {
            return nullptr;
        }
        id.assign(buffer, buffer + n);
    }
    UChar canonical[64];
    UBool system = false;
    UErrorCode status = U_ZERO_ERROR;
    ucal_getCanonicalTimeZoneID(id.data(), static_cast<int32_t>(id.size()), canonical, 64, &system,
                                &status);
    if (U_FAILURE(status) || !system) {
        return nullptr;
    }
    auto* zone = new CFTimeZoneObject;
    zone->id = id;
    return zone;
}

CFTimeInterval CFTimeZoneGetSecondsFromGMT(CFTimeZoneRef tz, CFAbsoluteTime at) {
    int32_t raw = 0, dst = 0;
    Offsets(Zone(tz, "CFTimeZoneGetSecondsFromGMT"), at, raw, dst);
    return (raw + dst) / 1000.0;
}

Boolean CFTimeZoneIsDaylightSavingTime(CFTimeZoneRef tz, CFAbsoluteTime at) {
    int32_t raw = 0, dst = 0;
    return Offsets(Zone(tz, "CFTimeZoneIsDaylightSavingTime"), at, raw, dst) && dst != 0;
}

CFGregorianDate CFAbsoluteTimeGetGregorianDate(CFAbsoluteTime at, CFTimeZoneRef tz) {
    CFGregorianDate date{};
    Fields f{};
    if (!FieldsAt(at, tz, f)) {
        return date;  // all zero: no valid date
    }
    date.year = f.year;
    date.month = static_cast<SInt8>(f.month);
    date.day = static_cast<SInt8>(f.day);
    date.hour = static_cast<SInt8>(f.hour);
    date.minute = static_cast<SInt8>(f.minute);
    date.second = f.second + f.fraction;
    return date;
}

CFAbsoluteTime CFGregorianDateGetAbsoluteTime(CFGregorianDate gdate, CFTimeZoneRef tz) {
    const CFTimeZoneObject* z = tz != nullptr ? Zone(tz, "CFGregorianDateGetAbsoluteTime") : nullptr;
    const bool fixed = z == nullptr || z->id.empty();
    Calendar cal = OpenCalendar(fixed ? std::u16string() : z->id);
    if (!cal) {
        return 0;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucal_clear(cal.get());
    // Year 0 and below are the years before Christ.
    ucal_set(cal.get(), UCAL_ERA, gdate.year > 0 ? 1 : 0);
    ucal_set(cal.get(), UCAL_YEAR, gdate.year > 0 ? gdate.year : 1 - gdate.year);
    ucal_set(cal.get(), UCAL_MONTH, gdate.month - 1);
    ucal_set(cal.get(), UCAL_DATE, gdate.day);
    ucal_set(cal.get(), UCAL_HOUR_OF_DAY, gdate.hour);
    ucal_set(cal.get(), UCAL_MINUTE, gdate.minute);
    ucal_set(cal.get(), UCAL_SECOND, 0);
    const UDate millis = ucal_getMillis(cal.get(), &status);
    if (U_FAILURE(status)) {
        return 0;
    }
    double at = millis / 1000.0 - kSince1970 + gdate.second;
    if (fixed && z != nullptr) {
        at -= z->offset;
    }
    return at;
}

Boolean CFGregorianDateIsValid(CFGregorianDate gdate, CFOptionFlags unitFlags) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if ((unitFlags & kCFGregorianUnitsMonths) && (gdate.month < 1 || gdate.month > 12)) {
        return false;
    }
    if (unitFlags & kCFGregorianUnitsDays) {
        if (gdate.day < 1 || gdate.month < 1 || gdate.month > 12) {
            return false;
        }
        const int days = kDays[gdate.month - 1] + (gdate.month == 2 && IsLeap(gdate.year) ? 1 : 0);
        if (gdate.day > days) {
            return false;
        }
    }
    if ((unitFlags & kCFGregorianUnitsHours) && (gdate.hour < 0 || gdate.hour > 23)) {
        return false;
    }
    if ((unitFlags & kCFGregorianUnitsMinutes) && (gdate.minute < 0 || gdate.minute > 59)) {
        return false;
    }
    if ((unitFlags & kCFGregorianUnitsSeconds) && !(gdate.second >= 0 && gdate.second < 60)) {
        return false;
    }
    return true;
}

SInt32 CFAbsoluteTimeGetDayOfWeek(CFAbsoluteTime at, CFTimeZoneRef tz) {
    Fields f{};
    if (!FieldsAt(at, tz, f)) {
        return 0;
    }
    return (f.dayOfWeek + 5) % 7 + 1;  // ICU counts from Sunday = 1
}

SInt32 CFAbsoluteTimeGetDayOfYear(CFAbsoluteTime at, CFTimeZoneRef tz) {
    Fields f{};
    return FieldsAt(at, tz, f) ? f.dayOfYear : 0;
}

}  // extern "C"
