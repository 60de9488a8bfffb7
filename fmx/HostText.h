// The host's strings (Draco::unistring) as UTF-8.
#pragma once

#include <cstddef>
#include <string>

#include "fmapi/draco.h"

namespace fmx {

constexpr std::size_t kMaxHostText = 4096;

// The text as UTF-8 of at most `limit` bytes; false when there is none, it is
// longer or it does not convert (`out` is then untouched).
bool ReadHostText(const Draco::unistring* text, std::string& out, std::size_t limit = kMaxHostText);
// Sets a string the host hands out by reference.
bool WriteHostText(const Draco::unistring* text, const std::string& value);

// A host string in the plug-in's storage, destroyed with it. Built empty, or
// left for an operation that answers a string by value to build it.
class HostString {
public:
    enum Build { kEmpty, kByOperation };
    explicit HostString(Build build = kEmpty);
    ~HostString();
    HostString(const HostString&) = delete;
    HostString& operator=(const HostString&) = delete;
    Draco::unistring* get() { return &text_; }
    // The text, empty when it cannot be read.
    std::string Utf8() const;

private:
    Draco::unistring text_{nullptr};
};

} // namespace fmx
