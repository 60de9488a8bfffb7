// A file's length set through its data fork (the framework log cuts its
// file to the kept lines this way).
#pragma once

#include <cstdint>

#include "fmx/FilePath.h"

namespace __Quarrow__ {

class FileStream {
public:
    // The file at a "filemac" location gets `length` bytes (sign-extended:
    // a negative length fails); false when it cannot be opened for writing
    // or the length cannot be set.
    static bool SetSize(const fmx::FilePath& location, std::int32_t length);
};

} // namespace __Quarrow__
