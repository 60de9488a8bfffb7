// State that a process keeps for its life (frameworks loaded and bound at a
// host API level, a search made once) cannot be undone between tests: a test
// that needs a process without it runs its body in a process of its own,
// started afresh, where every expectation must hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace pvtest {

template <class Body>
void InFreshProcess(Body body)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            body();
            std::fflush(nullptr);
            std::exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace pvtest
