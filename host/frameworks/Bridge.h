// What the frameworks' value classes (Values.h) ask of the host's world,
// with types of neither side's Draco classes: the two sets never meet in one
// translation unit.
#pragma once

#include <string>

namespace framework {

// The name of font `id` of a file (an FMFileUser); empty for an unknown id
// or no file.
std::u16string FontNameOf(const void* fileUser, unsigned id);

// The parts of a universal path: its kind ("filemac", "filewin", "fmnet",
// ...), its folder as components each followed by U+E000 (the first one
// empty, before the leading separator) and its name.
struct PathParts {
    std::u16string type;
    std::u16string path;
    std::u16string name;
};

// The host's record of a path: the same record for the same parts, kept for
// the life of the process.
const void* PathRecord(const PathParts& parts);
// The parts of a record (a file's or one made above); false for null.
bool PartsOfRecord(const void* record, PathParts& parts);

} // namespace framework
