// Replaces every form of the global operator new and delete (this folder's
// program is the only one that links it). Memory comes from malloc, so the
// address sanitizer still sees every double free and leak.
#include "FailingNew.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<bool> g_failed{false};
std::atomic<std::size_t> g_left{0};

bool FailNow()
{
    if (!g_armed.load(std::memory_order_acquire))
        return false;
    if (g_left.fetch_sub(1, std::memory_order_acq_rel) != 0)
        return false;
    g_armed.store(false, std::memory_order_release);
    g_failed.store(true, std::memory_order_release);
    return true;
}

void* Allocate(std::size_t size, std::size_t alignment, bool nothrow)
{
    void* p = nullptr;
    if (!FailNow()) {
        if (size == 0)
            size = 1;
        if (alignment <= alignof(std::max_align_t)) {
            p = std::malloc(size);
        } else {
            // aligned_alloc wants a multiple of the alignment.
            std::size_t rounded = (size + alignment - 1) / alignment * alignment;
            p = rounded >= size ? std::aligned_alloc(alignment, rounded) : nullptr;
        }
    }
    if (!p && !nothrow)
        throw std::bad_alloc();
    return p;
}

constexpr std::size_t kPlain = alignof(std::max_align_t);

} // namespace

namespace pvtest {

void ArmAllocationFailure(std::size_t succeeding)
{
    g_failed.store(false);
    g_left.store(succeeding);
    g_armed.store(true);
}

bool DisarmAllocationFailure()
{
    g_armed.store(false);
    return g_failed.exchange(false);
}

} // namespace pvtest

void* operator new(std::size_t size) { return Allocate(size, kPlain, false); }
void* operator new[](std::size_t size) { return Allocate(size, kPlain, false); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size, kPlain, true);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size, kPlain, true);
}
void* operator new(std::size_t size, std::align_val_t a)
{
    return Allocate(size, static_cast<std::size_t>(a), false);
}
void* operator new[](std::size_t size, std::align_val_t a)
{
    return Allocate(size, static_cast<std::size_t>(a), false);
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return Allocate(size, static_cast<std::size_t>(a), true);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return Allocate(size, static_cast<std::size_t>(a), true);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
