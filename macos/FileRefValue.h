// File references as the handles pass them on macOS, and the host's
// universal paths made from them and turned back into them.
#pragma once

#include <cstdint>
#include <string>

#include "fmapi/mac_layout.h"
#include "fmx/FilePath.h"
#include "platform/carbon/FileManager.h"

namespace mac {

class UnistringData;

struct FileRefValue {
    FSRef ref{};
    std::uint32_t valid = 0;   // 1 once a reference has been set

    // With `mustBeFile` the node must exist and not be a folder; false
    // (and the value unchanged) otherwise.
    bool SetFromFSRef(const FSRef& from, bool mustBeFile);
    // The node's name in UTF-8; false for an invalid value or a node that
    // is gone.
    bool GetFileName(std::string& name) const;
    // The same node; an invalid value is never equal.
    bool IsSameAs(const FSRef& other) const;
    // The node's POSIX path; an invalid value (or a failing path) leaves the
    // text as it was.
    void GetPosixPath(std::string& text) const;
};

// The host's universal path of a valid reference (through the host's
// FilePlatformSpec); the host's error record answers success with a non-zero
// first field.
bool SetUniversalPathFromFileRef(fmapi::mac::UniversalPathLayout* path, const FileRefValue& value);
// The reference of the file a host universal path names.
bool GetFileRefOfUniversalPath(const fmapi::mac::UniversalPathLayout* path, FileRefValue& value);
// Fills the three host strings from a location of kind "filemac" or "fmnet" with a name: the kind
// word, the folder with U+E000 after each component, the name. False for
// other kinds or no name.
bool SetUniversalPathFromLocation(UnistringData& strings, const fmx::FilePath& location);

} // namespace mac
