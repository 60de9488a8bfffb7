#include "plugin/NotificationMgr.h"

#include "plugin/QSingleton.h"

namespace __Quarrow__ {

NotificationMgr::NotificationMgr(std::unique_ptr<AttentionSignal> signal) : signal_(std::move(signal)) {}

NotificationMgr::~NotificationMgr()
{
    try {
        Stop();
    } catch (...) {
        // Going away regardless.
    }
}

bool NotificationMgr::Start(std::uint32_t seconds)
{
    ScopedLock hold(lock_);
    if (state_ != kStopped)
        Stop();
    if (seconds == 0)
        return false;
    state_ = kRequesting;
    bool scheduled = false;
    if (Singleton<TimedTaskMgr>::exists()) {
        const DateTime now = DateTime::Now();
        DateTime due = now + TimeDiff(seconds);
        // An end past the last valid point in time ends the request there.
        if (now.IsValid() && !due.IsValid())
            due = DateTime(DateTime::kLast);
        scheduled = Singleton<TimedTaskMgr>::getInstance().AddTask(TimedTaskMgr::Function(&EndRequest), due,
                                                                   TimeDiff::Invalid(), &end_);
    }
    if (!scheduled || !signal_ || !signal_->Begin(*this)) {
        Stop();
        return false;
    }
    return true;
}

void NotificationMgr::Stop()
{
    ScopedLock hold(lock_);
    // Cancelled, so that it cannot end a later request early.
    end_.Finish();
    state_ = kStopped;
    if (signal_)
        signal_->End();
}

std::int32_t NotificationMgr::GetState()
{
    ScopedLock hold(lock_);
    return state_;
}

void NotificationMgr::OnActivated()
{
    ScopedLock hold(lock_);
    if (state_ == kRequesting)
        state_ = kActivated;
}

void NotificationMgr::EndRequest(const DateTime&, const TimeDiff&, TimedTaskMgr::TaskLink& link)
{
    static_cast<EndLink&>(link).owner.Stop();
}

} // namespace __Quarrow__
