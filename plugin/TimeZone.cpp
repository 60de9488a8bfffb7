#include "plugin/TimeZone.h"

namespace __Quarrow__ {

DateTimeMgr::DateTimeMgr() : zone_(new TimeZoneImp(0))
{
    RefreshTimeZone();
}

TimeZoneRef DateTimeMgr::GetTimeZone()
{
    ScopedLock hold(lock_);
    return zone_;
}

bool DateTimeMgr::RefreshTimeZone()
{
    TimeZoneRef fresh;
    try {
        fresh = TimeZoneImp::System();
    } catch (const std::exception&) {
        return false;
    }
    ScopedLock hold(lock_);
    zone_ = fresh;
    return true;
}

} // namespace __Quarrow__
