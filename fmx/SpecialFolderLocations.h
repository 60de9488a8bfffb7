// What both flavours' special folders share: a location kept as its
// path-notation text, the slot that keeps one once it is found, and the two
// places each flavour finds in its own way.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>
#include <string>

#include "fmx/FilePath.h"

namespace fmx {
namespace folders {

// A location as path-notation text, where its folder ends and how long its
// name is.
struct Location {
    std::string text;
    std::size_t folderEnd = 0;
    std::size_t nameLength = 0;

    std::string Folder() const { return text.substr(0, folderEnd); }
    std::string Name() const { return text.substr(folderEnd, nameLength); }
};

// Locations that do not fit their record (maxText bytes of text) fail; they
// are never cut.
inline bool Record(const FilePath& path, Location& out, std::size_t maxText)
{
    std::string text;
    if (!path.GetText(text) || text.size() > maxText)
        return false;
    out.text = text;
    out.nameLength = path.GetName().size();
    out.folderEnd = text.size() - out.nameLength;
    return true;
}

// The slots filled so far.
inline std::vector<std::optional<Location>*>& FilledSlots()
{
    static std::vector<std::optional<Location>*> slots;
    return slots;
}

// The location in the slot, built there the first time it is asked for.
template <class Build>
const Location* Kept(std::optional<Location>& slot, Build build)
{
    if (!slot) {
        Location location;
        if (!build(location))
            return nullptr;
        slot = location;
        FilledSlots().push_back(&slot);
    }
    return &*slot;
}

// Tests: every location found so far is looked for afresh.
inline void ForgetForTesting()
{
    for (std::optional<Location>* slot : FilledSlots())
        slot->reset();
    FilledSlots().clear();
}

// The plug-in's file and the host application's file, each found once; the
// flavour's own (null when it cannot be found).
const Location* PluginFile();
const Location* HostAppFile();

// How the product's name is held to its 255 places: in characters, as a
// name on macOS is counted, or in bytes of its UTF-8 form, as the Windows
// flavour counts it.
enum class NameLimit { Characters, Bytes };

// Appends the product folder to a special folder's path: the prefix and the
// product's name in lower case, and under a runtime host the host
// application's name. False when a part is missing or too long.
bool AppendProductFolder(FilePath& path, NameLimit limit);

} // namespace folders
} // namespace fmx
