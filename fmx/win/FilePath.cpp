// File paths of the Windows flavour: Windows system paths ("filewin"), the
// file system behind them, and the host's universal paths.
#include "fmx/FilePath.h"

#include <algorithm>
#include <vector>

#include <textconv>

#include "fmx/FilePathRules.h"
#include "fmx/HostBinding.h"
#include "fmx/HostText.h"
#include "fmx/TextMgr.h"
#include "fmx/WideText.h"
#include "platform/win32/winfile.h"

namespace fmx {

using namespace pathrules;

namespace {

// The universal path's component separator U+E000 in UTF-8.
const char kUniversalSeparator[] = "\xEE\x80\x80";

bool IsSysSeparator(char c) { return c == '/' || c == '\\'; }
bool IsWellFormedUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text.substr(i));
        if (!n)
            return false;
        i += n;
    }
    return true;
}

// Well-formed UTF-8 (checked by the caller) -> wide.
std::wstring ToWide(const std::string& text) { return Utf8ToWideString(text); }

bool AllUnicodeScalars(const wchar_t* text, std::size_t length)
{
    return std::all_of(text, text + length,
                       [](wchar_t c) { return IsUnicodeScalar(static_cast<std::uint32_t>(c)); });
}

// Wide -> UTF-8; false for values that are no Unicode scalar value.
bool WideToUtf8Strict(const wchar_t* text, std::size_t length, std::string& out)
{
    if (!AllUnicodeScalars(text, length))
        return false;
    out = WideToUtf8String(text, length);
    return true;
}

// Wide -> UTF-8 through the text manager, into at most `capacity` bytes.
bool WideToUtf8Limited(const wchar_t* text, std::size_t length, std::size_t capacity, std::string& out)
{
    if (!AllUnicodeScalars(text, length))
        return false;
    const std::u16string units = WideToU16(std::wstring(text, length));
    std::string buffer(capacity, '\0');
    std::uint32_t written = 0;
    const int status = TextMgr::GetInstance().ConvertFromWide(
        units.data(), static_cast<std::uint32_t>(units.size()), kEncodingUtf8, &buffer[0],
        static_cast<std::uint32_t>(capacity), &written);
    if (status != kTextOk)
        return false;
    out.assign(buffer.data(), written);
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes the escapes of one component; false when the result holds a zero
// byte or a separator, is "." or "..", or is not well-formed UTF-8.
bool DecodeComponent(std::string_view component, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < component.size(); ++i) {
        char c = component[i];
        if (c == '%' && i + 2 < component.size() && HexValue(component[i + 1]) >= 0 &&
            HexValue(component[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(component[i + 1]) * 16 + HexValue(component[i + 2]));
            i += 2;
        }
        if (c == 0 || IsSysSeparator(c))
            return false;
        out += c;
    }
    return out != "." && out != ".." && IsWellFormedUtf8(out);
}

// Root of a "filewin" folder ("/C:/" or "//server/share/") as a system path,
// and where the folder's own components begin.
bool SplitWinRoot(const std::string& folder, std::string& root, std::size_t& rest)
{
    if (folder.size() >= 4 && folder[0] == '/' && IsAsciiLetter(folder[1]) && folder[2] == ':' && folder[3] == '/') {
        root.assign(folder, 1, 2);
        root += '\\';
        rest = 4;
        return true;
    }
    if (folder.size() >= 3 && folder[0] == '/' && folder[1] == '/') {
        // The server and the share name make the root of a network path.
        std::size_t end = folder.find('/', 2);
        if (end == std::string::npos || end == 2)
            return false;
        std::size_t shareEnd = folder.find('/', end + 1);
        if (shareEnd == std::string::npos)
            shareEnd = end;
        root = "\\\\";
        std::string part;
        for (std::string_view piece : SplitFolder(std::string_view(folder).substr(2, shareEnd - 2))) {
            if (!DecodeComponent(piece, part))
                return false;
            root += part;
            root += '\\';
        }
        rest = shareEnd + 1;
        return true;
    }
    return false;
}

// The system path (UTF-8, backslashes) of a "filewin" folder and name.
bool BuildSysPath(const std::string& folder, const std::string& name, std::string& sys, std::string* rootOut,
                  std::vector<std::string>* components)
{
    std::string root;
    std::size_t rest = 0;
    if (!SplitWinRoot(folder, root, rest))
        return false;
    sys = root;
    std::string part;
    for (std::string_view piece : SplitFolder(std::string_view(folder).substr(rest))) {
        if (!DecodeComponent(piece, part) || part.empty())
            return false;
        sys += part;
        sys += '\\';
        if (components)
            components->push_back(part);
    }
    if (!name.empty()) {
        if (!DecodeComponent(name, part))
            return false;
        sys += part;
    }
    if (rootOut)
        *rootOut = root;
    return true;
}

bool ToWideLimited(const std::string& text, std::wstring& out)
{
    std::wstring wide = ToWide(text);
    if (wide.empty() || wide.size() > FilePath::kMaxSysPath)
        return false;
    out = wide;
    return true;
}

// Host objects built in the plug-in's storage and destroyed with it.
struct HostError {
    Draco::Error error{0};
    ~HostError() { host::Call<fmapi::sym::Error_Dtor>(&error); }
};

struct HostPlatformSpec {
    Draco::FilePlatformSpec spec{nullptr};
    HostPlatformSpec() { host::Call<fmapi::sym::FilePlatformSpec_Ctor>(&spec); }
    ~HostPlatformSpec() { host::Call<fmapi::sym::FilePlatformSpec_Dtor>(&spec); }
    HostPlatformSpec(const HostPlatformSpec&) = delete;
    HostPlatformSpec& operator=(const HostPlatformSpec&) = delete;
};

} // namespace

namespace pathrules {

bool IsFileNameByte(unsigned char byte)
{
    return (win32::PathGetCharTypeW(static_cast<wchar_t>(byte)) & win32::kGctLfnChar) && byte != '\\' &&
           byte != '/';
}

const char kColonEscape[] = "%3A";

bool SameFolderText(std::string_view a, std::string_view b) { return a == b; }

std::size_t FolderRootLength(const FilePath& path)
{
    const std::string& folder = path.GetFolder();
    std::size_t rest = folder.empty() ? 0 : 1;
    if (path.GetKind() == FilePath::kFileWin) {
        std::string sysRoot;
        if (!SplitWinRoot(folder, sysRoot, rest))
            rest = folder.size();
    }
    return rest;
}

} // namespace pathrules

PathBuilderBase::CharClass PathBuilderFromSysPath::ClassifyChar(std::string_view text, bool atStart,
                                                                std::size_t& length) const
{
    length = 0;
    if (text.empty())
        return kInvalid;
    if (atStart && IsDotComponent(text, IsSysSeparator))
        return kInvalid;
    const char c = text[0];
    length = 1;
    if (IsSysSeparator(c))
        return kSeparator;
    switch (c) {
    case '\0':
    case '"':
    case '*':
    case '<':
    case '>':
    case '?':
    case '|':
        return kInvalid;
    default:
        break;
    }
    length = Utf8SequenceLength(text);
    return length ? kOrdinary : kInvalid;
}

bool FilePath::SetFromSysPath(std::string_view path)
{
    if (path.size() < 3 || path.find('\0') != std::string_view::npos)
        return false;
    PathBuilderFromSysPath builder;
    std::string_view rest;
    if (IsAsciiLetter(path[0]) && path[1] == ':' && IsSysSeparator(path[2])) {
        builder.folder = "/";
        builder.folder += path.substr(0, 2);
        builder.folder += '/';
        rest = path.substr(3);
    } else if (IsSysSeparator(path[0]) && IsSysSeparator(path[1])) {
        builder.folder = "//";
        rest = path.substr(2);
    } else {
        return false;   // relative
    }
    if (!builder.ParseComponents(rest))
        return false;
    if (builder.folder == "//")
        return false;   // a share needs its server
    kind_ = kFileWin;
    folder_.swap(builder.folder);
    name_.swap(builder.name);
    return true;
}

bool FilePath::SetFromSysPath(const wchar_t* path)
{
    std::string text;
    if (!path || !WideToUtf8Strict(path, UnitsUntilZero(path), text))
        return false;
    return SetFromSysPath(std::string_view(text));
}

bool FilePath::GetSysPath(std::wstring& path) const
{
    if (kind_ != kFileWin)
        return false;
    std::string sys;
    if (!BuildSysPath(folder_, name_, sys, nullptr, nullptr))
        return false;
    return ToWideLimited(sys, path);
}

bool FilePath::ExistsInFileSystem() const
{
    std::wstring sys;
    return GetSysPath(sys) && win32::GetFileAttributesW(sys.c_str()) != win32::kInvalidFileAttributes;
}

bool FilePath::CreateDirectories() const
{
    if (kind_ == kNone)
        throw std::invalid_argument("invalid file path");
    if (kind_ != kFileWin)
        return false;
    std::string root;
    std::vector<std::string> components;
    std::string whole;
    // The whole folder must convert before anything is created, so that no
    // shortened path is ever made.
    if (!BuildSysPath(folder_, std::string(), whole, &root, &components))
        return false;
    std::wstring wholeWide;
    std::wstring rootWide;
    if (!ToWideLimited(whole, wholeWide) || !ToWideLimited(root, rootWide))
        return false;
    if (!win32::GetVolumeInformationW(rootWide.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0))
        return false;
    std::string sys = root;
    bool create = false;
    for (const std::string& component : components) {
        sys += component;
        sys += '\\';
        const std::wstring wide = ToWide(sys);
        if (!create) {
            const win32::DWORD attributes = win32::GetFileAttributesW(wide.c_str());
            if (attributes != win32::kInvalidFileAttributes) {
                if (!(attributes & win32::kFileAttributeDirectory))
                    return false;
                continue;
            }
            const win32::DWORD error = win32::GetLastError();
            if (error != win32::kErrorFileNotFound && error != win32::kErrorPathNotFound)
                return false;
            create = true;
        }
        if (!win32::CreateDirectoryW(wide.c_str(), nullptr))
            return false;
    }
    return true;
}

bool FilePath::SetFromUniversalPath(const Draco::UniversalPath& path)
{
    using namespace fmapi::sym;
    std::string type, text, name;
    if (!ReadHostText(host::Call<UniversalPath_GetType>(&path), type) ||
        !ReadHostText(host::Call<UniversalPath_GetPath>(&path), text) ||
        !ReadHostText(host::Call<UniversalPath_GetName>(&path), name))
        return false;
    Kind kind = kNone;
    for (int k = kFile; k <= kFmName; ++k)
        if (type == FilePathPrefix(k))
            kind = static_cast<Kind>(k);
    if (kind == kFile && host::ApiLevel() >= 51)
        kind = kFileWin;
    if (kind != kFileWin && kind != kFmNet)
        return false;
    std::string folder;
    std::size_t at = 0;
    for (;;) {
        const std::size_t cut = text.find(kUniversalSeparator, at);
        if (cut == std::string::npos)
            break;
        const std::string piece = text.substr(at, cut - at);
        if (piece.find('/') != std::string::npos)
            return false;
        folder += piece;
        folder += '/';
        at = cut + 3;
    }
    if (name.find('/') != std::string::npos)
        return false;
    kind_ = kind;
    folder_.swap(folder);
    name_.swap(name);
    return true;
}

bool FilePath::ToUniversalPath(Draco::UniversalPath& path) const
{
    if ((kind_ != kFileWin && kind_ != kFmNet) || name_.empty())
        return false;
    std::string text;
    for (char c : folder_) {
        if (c == '/')
            text += kUniversalSeparator;
        else
            text += c;
    }
    using namespace fmapi::sym;
    return WriteHostText(host::Call<UniversalPath_GetType>(&path), FilePathPrefix(kind_)) &&
           WriteHostText(host::Call<UniversalPath_GetPath>(&path), text) &&
           WriteHostText(host::Call<UniversalPath_GetName>(&path), name_);
}

// SysPath

bool SysPath::Set(const wchar_t* path, bool mustBeFile)
{
    const std::size_t length = UnitsUntilZero(path);
    if (!path || length == 0 || length >= kCapacity)
        return false;
    if (mustBeFile) {
        const win32::DWORD attributes = win32::GetFileAttributesW(path);
        if (attributes == win32::kInvalidFileAttributes || (attributes & win32::kFileAttributeDirectory))
            return false;
    }
    path_.assign(path, length);
    return true;
}

bool SysPath::SetFromUniversalPath(const Draco::UniversalPath& path, bool mustBeFile)
{
    using namespace fmapi::sym;
    HostPlatformSpec spec;
    HostError error;
    host::Call<UniversalPath_MakePlatformSpec>(&path, &error.error, &spec.spec, fmapi::kDracoEncodingUtf8, false,
                                               false);
    if (error.error.code != fmapi::kDracoNoError)
        return false;
    const char16_t* text = host::Call<FilePlatformSpec_GetPath>(&spec.spec);
    if (!text)
        return false;
    std::size_t length = 0;
    while (text[length] && length < kCapacity)
        ++length;
    if (length >= kCapacity)
        return false;
    const std::wstring wide = U16ToWide(std::u16string(text, length));
    return Set(wide.c_str(), mustBeFile);
}

bool SysPath::ToUniversalPath(Draco::UniversalPath& path) const
{
    if (path_.empty())
        return false;
    using namespace fmapi::sym;
    HostPlatformSpec spec;
    const std::u16string text = WideToU16(path_);
    host::Call<FilePlatformSpec_SetPath>(&spec.spec, text.c_str());
    HostError error;
    host::Call<UniversalPath_Set>(&path, &error.error, &spec.spec);
    return error.error.code == fmapi::kDracoNoError;
}

bool SysPath::GetFileName(std::string& text) const
{
    const wchar_t* name = win32::PathFindFileNameW(path_.c_str());
    std::string bytes;
    if (!name || !WideToUtf8Limited(name, UnitsUntilZero(name), kMaxUtf8, bytes))
        return false;
    text = bytes;
    return true;
}

bool SysPath::GetPathText(std::string& text) const
{
    std::string bytes;
    if (!WideToUtf8Limited(path_.c_str(), path_.size(), kMaxUtf8, bytes))
        return false;
    text = bytes;
    return true;
}

} // namespace fmx
