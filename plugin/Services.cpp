#include "plugin/Services.h"

#include "plugin/DeferredTask.h"
#include "plugin/NotificationMgr.h"
#include "plugin/QSingleton.h"
#include "plugin/TimeZone.h"
#include "plugin/TimedTask.h"

namespace __Quarrow__ {
namespace {

struct ServiceSteps {
    bool (*exists)();
    void (*create)();
    void (*destroy)();
};

template <class T>
ServiceSteps StepsOf()
{
    return {&Singleton<T>::exists, [] { Singleton<T>::Create(); }, &Singleton<T>::Destroy};
}

const ServiceSteps& Steps(std::uint32_t slot)
{
    static const ServiceSteps steps[kServiceCount] = {
        StepsOf<DeferredTaskMgr>(),   // kServiceDeferredTasks
        StepsOf<DateTimeMgr>(),       // kServiceDateTime
        StepsOf<LockService>(),       // kServiceLock
        StepsOf<TimedTaskMgr>(),      // kServiceTimedTasks
        StepsOf<NotificationMgr>(),   // kServiceNotification
    };
    return steps[slot];
}

} // namespace

std::uint32_t CreateFrameworkServices()
{
    std::uint32_t made = 0;
    try {
        for (std::uint32_t slot = 0; slot < kServiceCount; ++slot) {
            const ServiceSteps& s = Steps(slot);
            if (s.exists())
                continue;
            s.create();
            made |= 1u << slot;
        }
    } catch (...) {
        DestroyFrameworkServices(made);
        throw;
    }
    return made;
}

void DestroyFrameworkServices(std::uint32_t made) noexcept
{
    for (std::uint32_t slot = kServiceCount; slot-- > 0;) {
        const ServiceSteps& s = Steps(slot);
        if ((made & (1u << slot)) && s.exists())
            s.destroy();
    }
}

} // namespace __Quarrow__
