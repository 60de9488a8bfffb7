#include "fmhost/HostMemory.h"

#include <map>
#include <memory>
#include <vector>

#include "fmapi/fm_host.h"

namespace fmhost {
namespace {

struct Block {
    std::vector<char> bytes;
    int locks = 0;
    bool touched = false;
};

struct Memory {
    std::map<HostHandle, std::unique_ptr<Block>> blocks;
    std::intptr_t lastError = kMemNoError;
};

Memory& Mem()
{
    static Memory memory;
    return memory;
}

Block* Find(HostHandle h)
{
    auto& blocks = Mem().blocks;
    auto it = blocks.find(h);
    Mem().lastError = it == blocks.end() ? kMemNilHandle : kMemNoError;
    return it == blocks.end() ? nullptr : it->second.get();
}

std::intptr_t Resize(std::intptr_t handle, std::intptr_t size)
{
    Block* b = Find(handle);
    if (!b) return Mem().lastError;
    b->touched = true;
    if (b->locks > 0) return Mem().lastError = kMemLocked;
    if (size < 0 || size > kMaxHandleSize) return Mem().lastError = kMemFull;
    try {
        b->bytes.resize(static_cast<std::size_t>(size));
    } catch (...) {
        return Mem().lastError = kMemFull;
    }
    return kMemNoError;
}

std::intptr_t Size(std::intptr_t handle, std::intptr_t)
{
    Block* b = Find(handle);
    return b ? static_cast<std::intptr_t>(b->bytes.size()) : 0;
}

std::intptr_t Lock(std::intptr_t handle, std::intptr_t)
{
    Block* b = Find(handle);
    if (!b) return 0;
    b->touched = true;
    ++b->locks;
    // Even an empty block gives a usable address.
    if (b->bytes.capacity() == 0) b->bytes.reserve(1);
    return reinterpret_cast<std::intptr_t>(b->bytes.data());
}

std::intptr_t Unlock(std::intptr_t handle, std::intptr_t)
{
    Block* b = Find(handle);
    if (b && b->locks > 0) --b->locks;
    return 0;
}

std::intptr_t LastError(std::intptr_t, std::intptr_t)
{
    return Mem().lastError;
}

std::intptr_t FillCurrentEnv(std::intptr_t env, std::intptr_t)
{
    return FMH_ExprEnv_FillCurrent(reinterpret_cast<FMExprEnv*>(env));
}

} // namespace

HostHandle NewHandle(std::string_view bytes)
{
    auto b = std::make_unique<Block>();
    b->bytes.assign(bytes.begin(), bytes.end());
    auto h = reinterpret_cast<HostHandle>(b.get());
    Mem().blocks.emplace(h, std::move(b));
    return h;
}

void DisposeHandle(HostHandle handle)
{
    Mem().blocks.erase(handle);
}

bool IsHandle(HostHandle handle)
{
    return Mem().blocks.count(handle) != 0;
}

std::string HandleBytes(HostHandle handle)
{
    auto it = Mem().blocks.find(handle);
    if (it == Mem().blocks.end()) return {};
    return std::string(it->second->bytes.begin(), it->second->bytes.end());
}

int HandleLocks(HostHandle handle)
{
    auto it = Mem().blocks.find(handle);
    return it == Mem().blocks.end() ? 0 : it->second->locks;
}

bool HandleTouched(HostHandle handle)
{
    auto it = Mem().blocks.find(handle);
    return it != Mem().blocks.end() && it->second->touched;
}

void FillCallbacks(fmapi::CallRecord& record)
{
    for (auto& c : record.callbacks) c = nullptr;
    record.callbacks[1] = Resize;
    record.callbacks[2] = Size;
    record.callbacks[5] = Lock;
    record.callbacks[6] = Unlock;
    record.callbacks[9] = LastError;
    record.callbacks[11] = FillCurrentEnv;
}

} // namespace fmhost
