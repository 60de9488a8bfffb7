// The macOS host's value classes: objects that live in the caller's storage
// (strings, error records, platform file specs, universal paths, font
// mappers), with the layouts of fmapi/mac_layout.h.
//
// The Windows host's modules know these classes by the same names with other
// layouts (fmapi/draco.h); the two never meet in one translation unit. The
// frameworks' sources that include this header reach the host's world only
// through Bridge.h.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "Framework.h"
#include "fmapi/mac_layout.h"

// The host's text encodings.
namespace Unicode {
enum Encoding : std::int32_t { kUtf8 = fmapi::mac::kHostEncodingUtf8 };
}

struct FSRef;

namespace Draco {

class PV_FRAMEWORK_API Error {
public:
    Error() = default;
    explicit Error(std::uint16_t index) : layout_{0, index} {}
    // User-provided: the record is returned in memory, as the plug-in expects.
    Error(const Error& other) : layout_(other.layout_) {}
    Error& operator=(const Error&) = default;

    void SetErrorIndex(std::uint16_t index);
    void SetErrorIndexInternal(std::uint16_t index);

private:
    fmapi::mac::HostError layout_{};
};

// A string in the form of the configured level: from 51 the text pointer
// (the frameworks' own blocks), below it length, capacity and a buffer from
// the host's operator new (MSLRuntime).
class PV_FRAMEWORK_API unistring {
public:
    unistring();
    unistring(const unistring& other);
    ~unistring();
    // A string of the older form over a buffer already taken (FMEngine).
    explicit unistring(const fmapi::mac::HostString50& form) { Form50() = form; }
    unistring& operator=(const unistring&) = delete;

    bool ConvertFromNonUnichars(const char* text, unsigned long length, Unicode::Encoding encoding);
    bool ConvertToNonUnichars(char* out, unsigned long* size, Unicode::Encoding encoding) const;

    fmapi::mac::HostString51& Form51() { return *reinterpret_cast<fmapi::mac::HostString51*>(storage_.bytes); }
    const fmapi::mac::HostString51& Form51() const
    {
        return *reinterpret_cast<const fmapi::mac::HostString51*>(storage_.bytes);
    }
    fmapi::mac::HostString50& Form50() { return *reinterpret_cast<fmapi::mac::HostString50*>(storage_.bytes); }
    const fmapi::mac::HostString50& Form50() const
    {
        return *reinterpret_cast<const fmapi::mac::HostString50*>(storage_.bytes);
    }

private:
    fmapi::mac::HostStringStorage storage_;
};

// Built by the caller (fmapi/mac_layout.h): the frameworks bind no
// constructor of their own.
class PV_FRAMEWORK_API FilePlatformSpec {
public:
    // The file's own reference; the name is emptied.
    void Set(const FSRef* ref);
    // The file's reference; false when it holds none or names a file that
    // does not exist.
    bool GetFileRef(FSRef* ref) const;

    fmapi::mac::FilePlatformSpecLayout& Layout() { return layout_; }
    const fmapi::mac::FilePlatformSpecLayout& Layout() const { return layout_; }

private:
    fmapi::mac::FilePlatformSpecLayout layout_;
};

class PV_FRAMEWORK_API UniversalPath {
public:
    constexpr UniversalPath() = default;

    // A "filemac" path of the FilePlatformSpec's file (volume, folders,
    // name); error kHostErrorBadPath when it holds none or a volume alone.
    Error Set(const FilePlatformSpec& spec);
    // The FilePlatformSpec of a "filemac" (or "file") path whose volume and
    // folders exist (with `resolve` aliases of folders are followed): the
    // file's reference, or its folder's and its name when it does not exist;
    // kHostErrorBadPath otherwise. Success has a non-zero first field.
    Error MakePlatformSpec(FilePlatformSpec& spec, Unicode::Encoding encoding, bool resolve, bool create) const;

private:
    fmapi::mac::UniversalPathLayout layout_{};
};

class PV_FRAMEWORK_API DBFontMapper {
public:
    // The name of a font of the mapper's file; empty for an unknown id.
    unistring GetFontName(std::uint16_t id) const;

private:
    fmapi::mac::FontMapperLayout layout_;
};

extern PV_FRAMEWORK_API const UniversalPath kSupport_EmptyUniversalPath;

static_assert(sizeof(UniversalPath) == fmapi::mac::kUniversalPathSize, "the host's path size");
static_assert(sizeof(FilePlatformSpec) == sizeof(fmapi::mac::FilePlatformSpecLayout), "the host's spec");
static_assert(sizeof(Error) == sizeof(fmapi::mac::HostError), "the host's error record");
static_assert(!std::is_trivially_copy_constructible_v<Error>, "errors are returned in memory");
static_assert(!std::is_trivially_destructible_v<unistring>, "strings are returned in memory");

} // namespace Draco
