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

// Draco::DBFontMapper as the plug-in makes it for a file user: the host
// binds no constructor of it, so the plug-in builds it, and it holds the
// file user alone.
struct FontMapperLayout {
    const void* fileUser;
};
static_assert(offsetof(FontMapperLayout, fileUser) == 0, "the mapper is its file user");

// ---- fields of the host's own objects, by API level
//
// The host's 32-bit offsets as data: for each field its offset and kind at
// each level, and for each object the offsets of its pointer-holding words.
// A field's offset here is its 32-bit offset moved by sizeof(void*) - 4 for
// every pointer-holding word below it. Fields are read with memcpy.

enum class HostField : int {
    kMemberFileUser,      // a layout or script object's file user (pointer)
    kFileUserPathHolder,  // a file user's holder of its path (pointer)
    kPathHolderPath,      // the UniversalPath inside a path holder (address; the
                          // host keeps it on a pointer boundary)
    kModelFileUser,       // a window model's file user (pointer)
    kModelWindowName,     // a window model's name, a host string (address)
    kModelUserMode,       // a window model's user mode
    kModelLayout,         // a window model's layout (pointer)
    kModelFlagA,          // a window model's word of flag A (bit 17)
    kModelFlagB,          // a window model's word of flag B (bit 7)
    kRuntimePaused,       // a script runtime's paused field (non-zero: paused)
    kRecordKey,           // a file user's or script object's key record (pointer)
    kRecordIdentifier,    // a file user's or script object's identifier (word)
    kCount
};

// How a field is read: a pointer, a 32-bit word, a signed byte, an address
// inside the object, or nothing (the field does not exist at the level).
enum class FieldKind : int { kAbsent, kPointer, kWord, kSignedByte, kByte, kAddress };

struct FieldSpec {
    FieldKind kind;
    std::uint32_t offset32;
};

// Host API levels of the columns: 50 and below, 51, 52, 53, 54, 55, 56 and above.
constexpr int LevelColumn(std::int32_t apiLevel)
{
    return apiLevel <= 50 ? 0 : apiLevel >= 56 ? 6 : apiLevel - 50;
}
constexpr int kLevelColumns = 7;

namespace detail {

using K = FieldKind;
// Rows in HostField order; columns by LevelColumn.
constexpr FieldSpec kFields[static_cast<int>(HostField::kCount)][kLevelColumns] = {
    // layout or script object: its file user
    {{K::kPointer, 92}, {K::kPointer, 116}, {K::kPointer, 116}, {K::kPointer, 116}, {K::kPointer, 68},
     {K::kPointer, 68}, {K::kPointer, 68}},
    // file user: holder of its path. From 54 it lies at byte 20, where the
    // identifier lies too: the identifier is then that word's low 32 bits.
    {{K::kPointer, 68}, {K::kPointer, 68}, {K::kPointer, 68}, {K::kPointer, 68}, {K::kPointer, 20},
     {K::kPointer, 20}, {K::kPointer, 20}},
    // path holder: the universal path inside it
    {{K::kAddress, 12}, {K::kAddress, 72}, {K::kAddress, 68}, {K::kAddress, 20}, {K::kAddress, 20},
     {K::kAddress, 16}, {K::kAddress, 16}},
    // window model: its file user
    {{K::kPointer, 84}, {K::kPointer, 80}, {K::kPointer, 80}, {K::kPointer, 80}, {K::kPointer, 4},
     {K::kPointer, 4}, {K::kPointer, 4}},
    // window model: window name
    {{K::kAddress, 60}, {K::kAddress, 60}, {K::kAddress, 60}, {K::kAddress, 60}, {K::kAddress, 72},
     {K::kAddress, 88}, {K::kAddress, 88}},
    // window model: user mode
    {{K::kSignedByte, 8}, {K::kWord, 8}, {K::kWord, 8}, {K::kWord, 8}, {K::kWord, 12}, {K::kSignedByte, 8},
     {K::kWord, 12}},
    // window model: its layout
    {{K::kPointer, 4}, {K::kPointer, 4}, {K::kPointer, 4}, {K::kPointer, 4}, {K::kPointer, 8},
     {K::kPointer, 24}, {K::kPointer, 24}},
    // window model: flag A (none below 54)
    {{K::kAbsent, 0}, {K::kAbsent, 0}, {K::kAbsent, 0}, {K::kAbsent, 0}, {K::kWord, 40}, {K::kWord, 56},
     {K::kWord, 56}},
    // window model: flag B
    {{K::kWord, 28}, {K::kWord, 28}, {K::kWord, 28}, {K::kWord, 28}, {K::kWord, 40}, {K::kWord, 56},
     {K::kWord, 56}},
    // script runtime: paused
    {{K::kByte, 9}, {K::kWord, 12}, {K::kWord, 12}, {K::kWord, 16}, {K::kWord, 16}, {K::kWord, 16},
     {K::kWord, 16}},
    // file user or script object: key record
    {{K::kPointer, 4}, {K::kPointer, 4}, {K::kPointer, 4}, {K::kPointer, 4}, {K::kPointer, 4},
     {K::kPointer, 4}, {K::kPointer, 4}},
    // file user or script object: identifier
    {{K::kWord, 20}, {K::kWord, 20}, {K::kWord, 20}, {K::kWord, 20}, {K::kWord, 20}, {K::kWord, 20},
     {K::kWord, 20}},
};

// The objects and the 32-bit offsets of their pointer-holding words at a
// level column (0 ends a list: no object keeps a pointer in its first word).
enum class Object : int { kCatalogMember, kFileUser, kPathHolder, kWindowModel, kScriptRuntime };
constexpr int kMaxPointerWords = 4;
constexpr std::uint32_t kPointerWords[5][kLevelColumns][kMaxPointerWords] = {
    // layout or script object: its key record, its file user
    {{4, 92}, {4, 116}, {4, 116}, {4, 116}, {4, 68}, {4, 68}, {4, 68}},
    // file user: its key record, its path holder
    {{4, 68}, {4, 68}, {4, 68}, {4, 68}, {4, 20}, {4, 20}, {4, 20}},
    // path holder: none below the path
    {{}, {}, {}, {}, {}, {}, {}},
    // window model: layout or file user, the name's buffer or text, file
    // user or layout
    {{4, 68, 84}, {4, 60, 80}, {4, 60, 80}, {4, 60, 80}, {4, 8, 72}, {4, 24, 88}, {4, 24, 88}},
    // script runtime: none below its paused field
    {{}, {}, {}, {}, {}, {}, {}},
};

constexpr Object ObjectOf(HostField field)
{
    switch (field) {
    case HostField::kMemberFileUser:
        return Object::kCatalogMember;
    case HostField::kFileUserPathHolder:
    case HostField::kRecordKey:
    case HostField::kRecordIdentifier:
        return Object::kFileUser;
    case HostField::kPathHolderPath:
        return Object::kPathHolder;
    case HostField::kRuntimePaused:
        return Object::kScriptRuntime;
    default:
        return Object::kWindowModel;
    }
}

} // namespace detail

constexpr FieldSpec HostFieldSpec(HostField field, std::int32_t apiLevel)
{
    return detail::kFields[static_cast<int>(field)][LevelColumn(apiLevel)];
}

// The field's offset in this build: its 32-bit offset moved by 4 bytes (on a
// 64-bit build) for every pointer-holding word strictly below it. (A script
// object and a file user share the layout of their key record and
// identifier.)
constexpr std::size_t HostFieldOffset(HostField field, std::int32_t apiLevel)
{
    const FieldSpec place = HostFieldSpec(field, apiLevel);
    const auto& words = detail::kPointerWords[static_cast<int>(detail::ObjectOf(field))][LevelColumn(apiLevel)];
    std::size_t below = 0;
    for (std::uint32_t word : words)
        if (word != 0 && word < place.offset32)
            ++below;
    return WidenedOffset(place.offset32, below);
}

// The window kind of the host's document windows at an API level.
constexpr std::int16_t DocumentWindowKind(std::int32_t apiLevel)
{
    return apiLevel <= 14 ? 8 : apiLevel < 50 ? 9 : 10;
}

// Window classes (Window Manager) and the window attributes a plug-in may
// take from a document window: close box, horizontal and vertical zoom,
// collapse box.
enum : std::uint32_t {
    kAlertWindowClass = 1,
    kMovableAlertWindowClass = 2,
    kModalWindowClass = 3,
    kMovableModalWindowClass = 4,
    kFloatingWindowClass = 5,
    kDocumentWindowClass = 6,
};
constexpr std::uint32_t kProtectedWindowAttributes = 15;

// The window extension library beside the plug-in's executable and its
// functions, in binding order.
constexpr char kWindowExtensionLibrary[] = "libVellumar.dylib";
constexpr int kWindowExtensionFunctionCount = 21;
constexpr const char* kWindowExtensionFunctions[kWindowExtensionFunctionCount] = {
    "_SecureCocoaWindow",
    "_GetFrontCocoaWindow",
    "_GetFrontCollapsableCocoaWindow",
    "_GetNameFromCocoaWindowByRef",
    "_SubclassCocoaWindows",
    "_InstallWindowActivationHandler",
    "_UninstallWindowActivationHandler",
    "_DeleteCocoaMenuItemsFromAppleMenu",
    "_GetApplMenuItemData",
    "_CopyMenuItemsToAppleMenu",
    "_ReplaceSpecificApplMenuItems",
    "_SetupPreferencesItem",
    "_ResetSpecificApplMenuItems",
    "_EnableApplMenuItem",
    "_InitApplMenu",
    "_UninitApplMenu",
    "_RunFMMenuItem",
    "_CollectCocoaHelpMenuItems",
    "_GetCarbonHelpMenu",
    "_GetCarbonAppleMenu",
    "_GetCarbonRootMenu",
};

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
