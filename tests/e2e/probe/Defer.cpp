// Probe_Defer ( tag ; priority ; flags ; lifetime {; runs} ): queues a
// deferred task and answers what AddTask answered. Lifetime -1 is all ones.
// Each run appends "tag:EVENT"; with runs N >= 1 the task finishes itself
// through its link on its N-th run, with -1 it throws after appending. A
// notification of the link appends "tag!REASON".
#include <list>
#include <memory>
#include <stdexcept>

#include "plugin/DeferredTask.h"
#include "plugin/QSingleton.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

using __Quarrow__::DeferredTaskMgr;

// The task's owner: its link carries what the task needs.
class Link : public DeferredTaskMgr::TaskLink {
public:
    Link(std::string tag, std::int64_t runs) : tag_(std::move(tag)), runs_(runs) {}

    void Notify(std::int32_t reason) override { Journal(tag_ + "!" + std::to_string(reason)); }

    void Run(std::uint32_t event)
    {
        ++ran_;
        Journal(tag_ + ":" + std::to_string(event));
        if (runs_ == -1)
            throw std::runtime_error("the probe's task fails on purpose");
        if (runs_ >= 1 && ran_ == runs_)
            Finish();
    }

private:
    std::string tag_;
    std::int64_t runs_;
    std::int64_t ran_ = 0;
};

// Process-wide, like the journal: the manager may notify a link after the
// product object is gone.
std::list<std::unique_ptr<Link>>& Links()
{
    static std::list<std::unique_ptr<Link>> links;
    return links;
}

void RunTask(std::uint32_t event, DeferredTaskMgr::TaskLink& link)
{
    dynamic_cast<Link&>(link).Run(event);
}

std::int16_t Defer(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    Links().remove_if([](const std::unique_ptr<Link>& l) { return !l->Attached(); });

    const std::string tag = TextArg(args, 0);
    const std::int64_t priority = IntegerArg(args, 1);
    const std::int64_t flags = IntegerArg(args, 2);
    const std::int64_t lifetime = IntegerArg(args, 3);
    const std::int64_t runs = ArgCount(args) > 4 ? IntegerArg(args, 4) : 0;

    auto link = std::make_unique<Link>(tag, runs);
    const bool added = __Quarrow__::Singleton<DeferredTaskMgr>::getInstance().AddTask(
        DeferredTaskMgr::Function(&RunTask),
        priority < INT32_MIN ? INT32_MIN : priority > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(priority),
        static_cast<std::uint32_t>(flags), static_cast<std::uint64_t>(lifetime), link.get());
    if (added)
        Links().push_back(std::move(link));
    SetNumber(result, added ? 1 : 0);
    return 0;
}

const Registration kDefer({1, L"Probe_Defer", L"Probe_Defer ( tag ; priority ; flags ; lifetime {; runs} )", 4, 5,
                           &Defer});

} // namespace
} // namespace probe
