// The message of the exception a call throws, for tests that check what a
// failure says.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace pvtest {

// What `call` throws (its what()), or "(no exception)" when it returns.
inline std::string MessageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace pvtest
