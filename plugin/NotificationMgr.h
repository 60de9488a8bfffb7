// Attention requests: the plug-in asks for the user's attention until the
// user brings the host to the front, the request's time is up or it is
// stopped. How the request shows is the flavour's own (AttentionSignal);
// plugin/win/ flashes the host's main window.
#pragma once

#include <cstdint>
#include <memory>

#include <threadsync>

#include "plugin/TimedTask.h"

namespace __Quarrow__ {

class NotificationMgr;

// What a platform does to ask for attention.
class AttentionSignal {
public:
    virtual ~AttentionSignal() = default;
    // Starts asking on behalf of `manager`; false when it cannot (the request
    // then stops at once). Called with the request already running.
    virtual bool Begin(NotificationMgr& manager) = 0;
    // Stops asking; nothing when it is not asking.
    virtual void End() = 0;
};

// The flavour's signal.
std::unique_ptr<AttentionSignal> MakeAttentionSignal();

class NotificationMgr {
public:
    enum State : std::int32_t {
        kRequesting = 0,   // a request runs
        kStopped = 1,
        kActivated = 2,    // the user brought the host forward; the request ends at the next idle message
    };

    explicit NotificationMgr(std::unique_ptr<AttentionSignal> signal = MakeAttentionSignal());
    // Stops a running request.
    ~NotificationMgr();
    NotificationMgr(const NotificationMgr&) = delete;
    NotificationMgr& operator=(const NotificationMgr&) = delete;

    // Stops a running request; then, unless `seconds` is 0, starts a new one
    // that ends by itself once `seconds` have passed (through the timed-task
    // service). True when a request runs afterwards: false for 0, without the
    // timed-task service, or when the signal cannot begin.
    bool Start(std::uint32_t seconds);
    // Ends the request: the end task is cancelled, the signal ends. Nothing
    // changes when no request runs.
    void Stop();
    std::int32_t GetState();

    // The signal's report: the user brought the host forward.
    void OnActivated();

    RecursiveLock& Lock() { return lock_; }

private:
    class EndLink : public TimedTaskMgr::TaskLink {
    public:
        explicit EndLink(NotificationMgr& owner) : owner(owner) {}
        NotificationMgr& owner;
    };
    static void EndRequest(const DateTime& due, const TimeDiff& interval, TimedTaskMgr::TaskLink& link);

    RecursiveLock lock_;
    std::int32_t state_ = kStopped;
    std::unique_ptr<AttentionSignal> signal_;
    EndLink end_{*this};
};

} // namespace __Quarrow__
