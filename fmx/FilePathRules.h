// The rules of path-notation text that the file path's flavour bodies share,
// and those each flavour gives.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "fmx/FilePath.h"

namespace fmx {
namespace pathrules {

inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8SequenceLength(std::string_view text);

// The components of a folder text, split at each "/".
std::vector<std::string_view> SplitFolder(std::string_view folder);

// "." and ".." are no components; `isSeparator` tells what may follow them.
template <class IsSeparator>
bool IsDotComponent(std::string_view text, IsSeparator isSeparator)
{
    std::size_t dots = 0;
    while (dots < text.size() && dots < 3 && text[dots] == '.')
        ++dots;
    if (dots == 0 || dots > 2)
        return false;
    return dots == text.size() || isSeparator(text[dots]);
}

// Per flavour: whether an ASCII byte may stand in a file name, and where
// the components of a location's folder begin after its root (a drive, a
// share, a volume).
bool IsFileNameByte(unsigned char byte);
std::size_t FolderRootLength(const FilePath& path);
// How a ":" inside a component of a system path is written ("%3A" for
// Windows, "%2F" for macOS, where ":" stands for a name's "/").
extern const char kColonEscape[];
// Whether two folder texts or components are the same place (bytes on
// Windows, case ignored on macOS).
bool SameFolderText(std::string_view a, std::string_view b);

} // namespace pathrules
} // namespace fmx
