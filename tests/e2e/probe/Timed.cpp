// Probe_Timed ( tag ; inSeconds {; interval {; runs}} ): queues a timed task
// due inSeconds from now, repeating every `interval` seconds (its text read
// as a real number; none: once), and answers what AddTask answered. Each run
// appends "tag@"; with runs N >= 1 the task finishes itself through its link
// on its N-th run, with -1 it throws after appending. A notification of the
// link appends "tag!REASON".
#include <cstdlib>
#include <list>
#include <memory>
#include <stdexcept>

#include "plugin/QSingleton.h"
#include "plugin/TimedTask.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

using __Quarrow__::DateTime;
using __Quarrow__::TimeDiff;
using __Quarrow__::TimedTaskMgr;

class Link : public TimedTaskMgr::TaskLink {
public:
    Link(std::string tag, std::int64_t runs) : tag_(std::move(tag)), runs_(runs) {}

    void Notify(std::int32_t reason) override { Journal(tag_ + "!" + std::to_string(reason)); }

    void Run()
    {
        ++ran_;
        Journal(tag_ + "@");
        if (runs_ == -1)
            throw std::runtime_error("the probe's timed task fails on purpose");
        if (runs_ >= 1 && ran_ == runs_)
            Finish();
    }

private:
    std::string tag_;
    std::int64_t runs_;
    std::int64_t ran_ = 0;
};

// Process-wide: the manager may notify a link after the product object is
// gone.
std::list<std::unique_ptr<Link>>& Links()
{
    static std::list<std::unique_ptr<Link>> links;
    return links;
}

void RunTask(const DateTime&, const TimeDiff&, TimedTaskMgr::TaskLink& link) { static_cast<Link&>(link).Run(); }

std::int16_t Timed(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    Links().remove_if([](const std::unique_ptr<Link>& l) { return !l->Attached(); });

    const std::string tag = TextArg(args, 0);
    const DateTime due = DateTime::Now() + TimeDiff(static_cast<double>(IntegerArg(args, 1)));
    TimeDiff interval = TimeDiff::Invalid();
    if (ArgCount(args) > 2) {
        const std::string text = TextArg(args, 2);
        interval = TimeDiff(std::strtod(text.c_str(), nullptr));
    }
    const std::int64_t runs = ArgCount(args) > 3 ? IntegerArg(args, 3) : 0;

    auto link = std::make_unique<Link>(tag, runs);
    const bool added = __Quarrow__::Singleton<TimedTaskMgr>::getInstance().AddTask(TimedTaskMgr::Function(&RunTask),
                                                                                    due, interval, link.get());
    if (added)
        Links().push_back(std::move(link));
    SetNumber(result, added ? 1 : 0);
    return 0;
}

const Registration kTimed({11, L"Probe_Timed", L"Probe_Timed ( tag ; inSeconds {; interval {; runs}} )", 2, 4,
                           &Timed});

} // namespace
} // namespace probe
