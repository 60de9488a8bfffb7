// Objects of the macOS host that the plug-in builds, reads or receives in its
// own storage, laid out as the host lays them out; shared by the plug-in and
// the host's frameworks (fmapi/mac_frameworks.h).
//
// The host's offsets are 32-bit ones; here every pointer-holding word is
// widened to pointer size, so a field moves by sizeof(void*) - 4 bytes for
// each such word below it.
//
// Results that the host returns by value in memory (its error record and its
// strings) come back through a slot the caller provides: on both sides they
// are class types with a user-provided copy constructor or destructor, which
// the Itanium C++ ABI returns through a hidden result pointer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fmapi {
namespace mac {

constexpr std::size_t WidenedOffset(std::size_t offset32, std::size_t pointerWordsBelow)
{
    return offset32 + pointerWordsBelow * (sizeof(void*) - 4);
}

// ---- host strings (Draco::unistring), text in UTF-16 code units

// From API level 51: one pointer to the text; the length is the 32-bit word
// 12 bytes before the text. The text is never null and ends in a zero unit.
struct StringHeader {
    std::uint32_t length;     // in code units, without the final zero
    std::uint32_t capacity;   // code units the block holds, the final zero included
    std::uint32_t reserved;
};
static_assert(sizeof(StringHeader) == 12, "the length is 12 bytes before the text");

struct HostString51 {
    char16_t* text;
};

// Level 50 and below: length and capacity in code units and the buffer,
// which is null when empty and otherwise holds length + 1 units (the last a
// zero) in capacity units taken from the host's operator new.
struct HostString50 {
    std::uint32_t length;
    std::uint32_t capacity;
    char16_t* buffer;
};
static_assert(offsetof(HostString50, buffer) == WidenedOffset(8, 0), "no pointer below the buffer");

constexpr std::int32_t kHostString51Level = 51;

constexpr std::size_t HostStringSize(std::int32_t apiLevel)
{
    return apiLevel >= kHostString51Level ? sizeof(HostString51) : sizeof(HostString50);
}

// Room for a host string of either form.
struct HostStringStorage {
    alignas(void*) unsigned char bytes[sizeof(HostString50)];
};
static_assert(sizeof(HostStringStorage) >= sizeof(HostString51), "room for both forms");

// Text encodings of the string conversions.
enum : std::int32_t { kHostEncodingUtf8 = 1 };

// ---- the host's error record (Draco::Error): a 16-bit field, then the
// 16-bit error index (0: no error)

struct HostError {
    std::int16_t first;
    std::uint16_t index;
};

// Error indexes of the frameworks' path operations. The path operations
// answer success with a non-zero first field, failure with zero.
enum : std::uint16_t { kHostErrorNone = 0, kHostErrorBadPath = 1 };

// ---- files and paths

// FSRef: 80 bytes, opaque to the host's code (libCarbon.so's node
// reference; all zero is none).
constexpr std::size_t kFSRefSize = 80;
struct FSRefLayout {
    unsigned char hidden[kFSRefSize];
};

// Draco::FilePlatformSpec: an FSRef, then a host string of the level's form
// with a name. An empty name: the reference is the file's own; otherwise it
// is the folder that holds (or would hold) a file of that name. Whoever
// builds one zeroes the reference and constructs the string; destroying it
// destroys the string.
struct FilePlatformSpecLayout {
    FSRefLayout ref;
    HostStringStorage name;
};
static_assert(offsetof(FilePlatformSpecLayout, name) == WidenedOffset(80, 0), "the name follows the reference");

// Draco::UniversalPath: 16 bytes on the 32-bit host; the first word points
// at the host's record of the path (null: the empty path).
struct UniversalPathLayout {
    const void* record;
    std::uint32_t reserved[3];
};
constexpr std::size_t kUniversalPathSize = sizeof(UniversalPathLayout);
static_assert(kUniversalPathSize % alignof(void*) == 0, "paths lie one after another");

// std::vector<Draco::UniversalPath> as DBSession::OpenFileUser takes it. The
// older host's vector (level 50 and below): count, capacity, the items.
struct PathVector50 {
    std::uint32_t count;
    std::uint32_t capacity;
    const UniversalPathLayout* items;
};
// From level 51: begin, end and end of storage.
struct PathVector {
    const UniversalPathLayout* begin;
    const UniversalPathLayout* end;
    const UniversalPathLayout* endOfStorage;
};

// Draco::DBFontMapper as the plug-in makes it for a file user.
struct FontMapperLayout {
    const void* reserved;
    const void* fileUser;
};
static_assert(offsetof(FontMapperLayout, fileUser) == WidenedOffset(4, 1), "one pointer word below");

// ---- results returned in memory

template <class Layout>
struct InMemory {
    Layout value;
    InMemory() : value() {}
    InMemory(const InMemory& other) : value(other.value) {}
    InMemory& operator=(const InMemory&) = default;
    ~InMemory() {}
};

} // namespace mac
} // namespace fmapi
