// Probe_Idle ( tag {; runs} ): adds an idle task and answers what AddTask
// answered. Each run appends "tag:idle"; the task answers true on its N-th
// run (default 1); with -1 it throws after appending.
#include <memory>
#include <stdexcept>

#include "fmx/IdleTaskMgr.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

class Task : public fmx::IdleTask {
public:
    Task(std::string tag, std::int64_t runs) : tag_(std::move(tag)), runs_(runs) {}

    bool Run() override
    {
        ++ran_;
        Journal(tag_ + ":idle");
        if (runs_ == -1)
            throw std::runtime_error("the probe's idle task fails on purpose");
        return ran_ == runs_;
    }

private:
    std::string tag_;
    std::int64_t runs_;
    std::int64_t ran_ = 0;
};

std::int16_t Idle(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::int64_t runs = ArgCount(args) > 1 ? IntegerArg(args, 1) : 1;
    const bool added =
        fmx::IdleTaskMgr::GetInstance().AddTask(std::make_unique<Task>(TextArg(args, 0), runs));
    SetNumber(result, added ? 1 : 0);
    return 0;
}

const Registration kIdle({2, L"Probe_Idle", L"Probe_Idle ( tag {; runs} )", 1, 2, &Idle});

} // namespace
} // namespace probe
