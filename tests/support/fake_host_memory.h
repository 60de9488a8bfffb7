// Host memory handles as a host hands them to the old-style call, through
// callbacks #1 resize, #2 size, #5 lock, #6 unlock and #9 last error. New room
// is not cleared, and a memory error can be made to happen at the n-th lock
// (which still locks and answers an address) or the n-th resize.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "fmapi/call_record.h"

namespace pvtest::memory {

struct Block {
    std::string bytes;
    int locks = 0;
    int lockCalls = 0;
};

struct State {
    std::map<std::intptr_t, std::unique_ptr<Block>> blocks;
    std::intptr_t lastError = 0;
    int locks = 0;         // lock calls since FailLock
    int resizes = 0;       // resize calls since FailResize
    int failLock = 0;      // 0: none
    int failResize = -1;   // -1: none, 0: every one
};

inline State& S()
{
    static State state;
    return state;
}

inline Block* Find(std::intptr_t h)
{
    auto it = S().blocks.find(h);
    S().lastError = it == S().blocks.end() ? -109 : 0;
    return it == S().blocks.end() ? nullptr : it->second.get();
}

inline std::intptr_t Resize(std::intptr_t h, std::intptr_t size)
{
    Block* b = Find(h);
    if (!b)
        return S().lastError;
    ++S().resizes;
    if (S().failResize == 0 || S().resizes == S().failResize || size < 0 || size > (1 << 26))
        return S().lastError = -108;
    if (b->locks > 0)
        return S().lastError = -117;
    b->bytes.resize(static_cast<std::size_t>(size), 'Z');
    return 0;
}

inline std::intptr_t Size(std::intptr_t h, std::intptr_t)
{
    Block* b = Find(h);
    return b ? static_cast<std::intptr_t>(b->bytes.size()) : 0;
}

inline std::intptr_t Lock(std::intptr_t h, std::intptr_t)
{
    Block* b = Find(h);
    if (!b)
        return 0;
    ++b->locks;
    ++b->lockCalls;
    if (++S().locks == S().failLock)
        S().lastError = -108;
    return reinterpret_cast<std::intptr_t>(&b->bytes[0]);
}

inline std::intptr_t Unlock(std::intptr_t h, std::intptr_t)
{
    Block* b = Find(h);
    if (b && b->locks > 0)
        --b->locks;
    return 0;
}

inline std::intptr_t LastError(std::intptr_t, std::intptr_t) { return S().lastError; }

inline std::intptr_t NewHandle(const std::string& bytes)
{
    auto b = std::make_unique<Block>();
    b->bytes = bytes;
    const auto h = reinterpret_cast<std::intptr_t>(b.get());
    S().blocks.emplace(h, std::move(b));
    return h;
}

inline Block& BlockOf(std::intptr_t h) { return *S().blocks.at(h); }
inline void DisposeHandle(std::intptr_t h) { S().blocks.erase(h); }

inline void FailLock(int n)
{
    S().locks = 0;
    S().failLock = n;
}

inline void FailResize(int n)
{
    S().resizes = 0;
    S().failResize = n;
}

// The record's twelve callbacks with these five in place.
inline const fmapi::HostCallback* Callbacks()
{
    static const fmapi::HostCallback callbacks[fmapi::kHostCallbackCount] = {
        nullptr, Resize, Size, nullptr, nullptr, Lock, Unlock, nullptr, nullptr, LastError, nullptr, nullptr};
    return callbacks;
}

} // namespace pvtest::memory
