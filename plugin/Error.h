// The framework's own exception: a kind and a 32-bit code.
#pragma once

#include <cstdint>
#include <exception>

namespace __Quarrow__ {

class Error : public std::exception {
public:
    Error(std::int32_t kind, std::int32_t code) : kind_(kind), code_(code) {}
    std::int32_t Kind() const { return kind_; }
    std::int32_t Code() const { return code_; }
    const char* what() const noexcept override { return "__Quarrow__::Error"; }

private:
    std::int32_t kind_;
    std::int32_t code_;
};

// Kind 1, code -1000: a missing argument.
inline Error MissingArgument() { return Error(1, -1000); }

} // namespace __Quarrow__
