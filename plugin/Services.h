// The framework's services: process-wide objects made by the plug-in base
// class when the product object is made and destroyed with it.
#pragma once

#include <cstdint>

#include <threadsync>

namespace __Quarrow__ {

// Slots in creation order; destruction runs backwards, so each service goes
// before those it uses (attention requests use timed tasks, which use
// deferred tasks and the time source).
enum FrameworkService : std::uint32_t {
    kServiceDeferredTasks = 0,
    kServiceDateTime = 1,
    kServiceLock = 2,
    kServiceTimedTasks = 3,
    kServiceNotification = 4,
    kServiceCount = 5,
};

// A service that holds a recursive lock of its own.
class LockService {
public:
    RecursiveLock& Lock() { return lock_; }

private:
    RecursiveLock lock_;
};

// Makes, in slot order, each service that does not exist yet and answers the
// set (bit 1 << slot) of those it made. If one fails, those made so far are
// destroyed again and the exception passes on.
std::uint32_t CreateFrameworkServices();
// Destroys, in reverse slot order, the services of the set that exist.
void DestroyFrameworkServices(std::uint32_t made) noexcept;

} // namespace __Quarrow__
