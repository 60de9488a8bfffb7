#include "MSLRuntime.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> g_live{0};

} // namespace

extern "C" {

void* PVMSLRuntime_New(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++g_live;
    return block;
}

void PVMSLRuntime_Delete(void* block)
{
    if (!block)
        return;
    --g_live;
    std::free(block);
}

std::int64_t PVMSLRuntime_LiveBlocks() { return g_live; }
}

PV_FRAMEWORK_API void* operator new(std::size_t size)
{
    PV_FW_CHECK(OperatorNew);
    return PVMSLRuntime_New(size);
}

PV_FRAMEWORK_API void operator delete(void* block) noexcept
{
    PV_FW_CHECK(OperatorDelete);
    PVMSLRuntime_Delete(block);
}

PV_FRAMEWORK_API void operator delete(void* block, std::size_t) noexcept
{
    PV_FW_CHECK(OperatorDelete);
    PVMSLRuntime_Delete(block);
}
