#include <sysmem>

#include <cstdlib>

void* AllocateBytes(std::size_t bytes)
{
    return std::malloc(bytes);
}

void* ReallocateBytes(void* block, std::size_t bytes)
{
    return std::realloc(block, bytes);
}

void FreeBytes(void* block)
{
    std::free(block);
}

// Counters may be shared between threads, so every update is one atomic
// read-modify-write.
std::int32_t AtomicIncrement(std::int32_t* counter)
{
    return __atomic_fetch_add(counter, 1, __ATOMIC_SEQ_CST);
}

std::int32_t AtomicDecrement(std::int32_t* counter)
{
    return __atomic_fetch_sub(counter, 1, __ATOMIC_SEQ_CST);
}

std::int32_t AtomicExchange(std::int32_t* counter, std::int32_t value)
{
    return __atomic_exchange_n(counter, value, __ATOMIC_SEQ_CST);
}

std::int32_t AtomicCompareExchange(std::int32_t* counter, std::int32_t exchange,
                                   std::int32_t comparand)
{
    std::int32_t expected = comparand;
    __atomic_compare_exchange_n(counter, &expected, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return expected;  // on failure it holds the current value
}
