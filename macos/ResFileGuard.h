// Switches the current resource file for a scope.
#pragma once

#include "platform/carbon/Carbon.h"

namespace mac {

// Remembers the current resource file and makes `file` current; the
// remembered one is current again when the guard goes.
class ResFileGuard {
public:
    explicit ResFileGuard(ResFileRefNum file) : saved_(CurResFile()) { UseResFile(file); }
    // Takes a file that the caller made current itself, with the one it
    // replaced.
    struct Restore {
        ResFileRefNum previous;
    };
    explicit ResFileGuard(Restore restore) : saved_(restore.previous) {}
    ~ResFileGuard() { UseResFile(saved_); }
    ResFileGuard(const ResFileGuard&) = delete;
    ResFileGuard& operator=(const ResFileGuard&) = delete;

private:
    ResFileRefNum saved_;
};

} // namespace mac
