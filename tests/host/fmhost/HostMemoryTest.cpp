// Host memory handles as a plug-in reaches them through the call record.
#include <gtest/gtest.h>

#include <cstring>

#include "fmapi/fm_host.h"
#include "fmhost/HostMemory.h"

using namespace fmhost;

namespace {

fmapi::CallRecord Record()
{
    fmapi::CallRecord r;
    std::memset(&r, 0, sizeof r);
    FillCallbacks(r);
    return r;
}

} // namespace

TEST(HostMemory, CallbackSlots)
{
    fmapi::CallRecord r = Record();
    for (int i = 0; i < fmapi::kHostCallbackCount; ++i) {
        bool used = i == 1 || i == 2 || i == 5 || i == 6 || i == 9 || i == 11;
        EXPECT_EQ(r.callbacks[i] != nullptr, used) << i;
    }
}

TEST(HostMemory, LockReadResizeWrite)
{
    fmapi::CallRecord r = Record();
    auto resize = r.callbacks[1], size = r.callbacks[2], lock = r.callbacks[5], unlock = r.callbacks[6],
         error = r.callbacks[9];
    HostHandle h = NewHandle("a|b");
    EXPECT_EQ(size(h, 0), 3);
    EXPECT_EQ(error(0, 0), kMemNoError);
    auto* p = reinterpret_cast<char*>(lock(h, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p, 3), "a|b");
    EXPECT_EQ(HandleLocks(h), 1);
    // A locked handle keeps its size.
    EXPECT_EQ(resize(h, 10), kMemLocked);
    EXPECT_EQ(error(0, 0), kMemLocked);
    EXPECT_EQ(size(h, 0), 3);
    unlock(h, 0);
    EXPECT_EQ(resize(h, 5), kMemNoError);
    EXPECT_EQ(error(0, 0), kMemNoError);
    p = reinterpret_cast<char*>(lock(h, 0));
    std::memcpy(p, "hello", 5);
    unlock(h, 0);
    EXPECT_EQ(HandleBytes(h), "hello");
    EXPECT_EQ(resize(h, -1), kMemFull);
    EXPECT_EQ(resize(h, kMaxHandleSize + 1), kMemFull);
    EXPECT_EQ(HandleBytes(h), "hello");
    EXPECT_EQ(resize(h, 0), kMemNoError);
    EXPECT_NE(lock(h, 0), 0);   // an empty handle still locks
    unlock(h, 0);
    DisposeHandle(h);
    EXPECT_FALSE(IsHandle(h));
}

TEST(HostMemory, UnknownHandlesAreErrorsNotCrashes)
{
    fmapi::CallRecord r = Record();
    HostHandle bogus = 12345;
    EXPECT_EQ(r.callbacks[2](bogus, 0), 0);
    EXPECT_EQ(r.callbacks[9](0, 0), kMemNilHandle);
    EXPECT_EQ(r.callbacks[5](bogus, 0), 0);
    EXPECT_EQ(r.callbacks[1](0, 8), kMemNilHandle);
    r.callbacks[6](bogus, 0);
    EXPECT_EQ(r.callbacks[9](0, 0), kMemNilHandle);
}

TEST(HostMemory, CurrentEnvironmentCallback)
{
    fmapi::CallRecord r = Record();
    FMError e{1, 0};
    FMExprEnv* env = FM_ExprEnv_Constructor1(&e);
    EXPECT_EQ(r.callbacks[11](reinterpret_cast<std::intptr_t>(env), 0), 0);
    EXPECT_NE(r.callbacks[11](0, 0), 0);
    FM_ExprEnv_Delete(env, &e);
}
