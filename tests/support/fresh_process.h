// State that a process keeps for its life (frameworks loaded and bound at a
// host API level, a search made once) cannot be undone between tests: a test
// that needs a process without it runs its body in a process of its own,
// started afresh, where every expectation must hold. A process that runs
// this test alone (CTest's process per test) is fresh already: the body runs
// in it, with the fixture's clean-up and the leak checker after it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace pvtest {

template <class Body>
void InFreshProcess(Body body)
{
    const bool child = !GTEST_FLAG_GET(internal_run_death_test).empty();
    if (!child && ::testing::UnitTest::GetInstance()->test_to_run_count() == 1) {
        body();
        return;
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            body();
            std::fflush(nullptr);
            // Without the clean-up of the fixture: the process ends here.
            std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace pvtest
