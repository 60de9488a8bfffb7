#include "fmx/FilePath.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <tuple>
#include <vector>

#include <textconv>

#include "fmx/DbHandles.h"
#include "fmx/HostBinding.h"
#include "fmx/HostText.h"
#include "fmx/TextMgr.h"
#include "fmx/WideText.h"
#include "platform/win32/winfile.h"

namespace fmx {

namespace {

struct KindEntry {
    const char* prefix;
    std::size_t length;
};

const KindEntry kKinds[] = {{"file", 4}, {"filemac", 7}, {"filewin", 7}, {"fmnet", 5}, {"fmname", 6}};

constexpr std::size_t kMaxHostName = 31;
constexpr std::size_t kMinFmNetText = 10;

// The universal path's component separator U+E000 in UTF-8.
const char kUniversalSeparator[] = "\xEE\x80\x80";

bool IsSlash(char c) { return c == '/'; }
bool IsSysSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool HasPrefixIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    try {
        return CompareText(text.data(), prefix.size(), prefix.data(), prefix.size(), false) == 0;
    } catch (const std::exception&) {
        return false;   // malformed UTF-8 is no prefix
    }
}

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8SequenceLength(std::string_view text)
{
    return DecodeUtf8Strict(text.data(), text.size());
}

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

void AppendEscaped(std::string& out, std::string_view component)
{
    static const char digits[] = "0123456789ABCDEF";
    for (char c : component) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%') {
            out += "%25";
        } else if (c == ':' || (byte >= 1 && byte <= 31)) {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else {
            out += c;
        }
    }
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

std::vector<std::string_view> SplitFolder(std::string_view folder)
{
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at < folder.size()) {
        std::size_t slash = folder.find('/', at);
        if (slash == std::string_view::npos)
            slash = folder.size();
        parts.push_back(folder.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
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

const char* FilePathPrefix(std::int32_t kind)
{
    return kind >= 0 && kind <= FilePath::kFmName ? kKinds[kind].prefix : nullptr;
}

bool IsValidFileName(const char* text, std::size_t length)
{
    if (!text)
        return length == 0;
    const std::string_view name(text, length);
    if (name == "." || name == "..")
        return false;
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (!(win32::PathGetCharTypeW(static_cast<wchar_t>(byte)) & win32::kGctLfnChar) || byte == '\\' ||
                byte == '/')
                return false;
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(name.substr(i));
        if (!n)
            return false;
        i += n;
    }
    return true;
}

// Builders

std::size_t PathBuilderBase::MeasureComponent(std::string_view text, bool& separated) const
{
    separated = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t length = 0;
        const CharClass type = ClassifyChar(text.substr(at), at == 0, length);
        if (type == kInvalid || length == 0)
            return std::string_view::npos;
        if (type == kSeparator) {
            separated = true;
            return at;
        }
        at += length;
    }
    // The last component (empty when the text ends after a separator).
    return at;
}

bool PathBuilderBase::ParseComponents(std::string_view text)
{
    std::size_t at = 0;
    for (;;) {
        bool separated = false;
        const std::string_view rest = text.substr(at);
        const std::size_t length = MeasureComponent(rest, separated);
        if (length == std::string_view::npos)
            return false;
        const std::string_view component = rest.substr(0, length);
        if (!separated) {
            name.clear();
            if (escape_)
                AppendEscaped(name, component);
            else
                name.assign(component);
            return true;
        }
        if (component.empty())
            return false;
        if (escape_)
            AppendEscaped(folder, component);
        else
            folder.append(component);
        folder += '/';
        at += length + 1;
    }
}

namespace {

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

} // namespace

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

PathBuilderBase::CharClass PathBuilderFromURL::ClassifyChar(std::string_view text, bool atStart,
                                                            std::size_t& length) const
{
    length = 0;
    if (text.empty())
        return kInvalid;
    if (atStart && IsDotComponent(text, IsSlash))
        return kInvalid;
    length = 1;
    if (text[0] == '/')
        return kSeparator;
    if (text[0] == '\0')
        return kInvalid;
    length = Utf8SequenceLength(text);
    return length ? kOrdinary : kInvalid;
}

// FilePath

namespace {

// A name for a file path of that kind: `length` bytes of `text` (0: up to its
// zero byte), a valid file name. Empty where there is none.
std::string_view FileNameComponent(FilePath::Kind kind, const char* text, std::size_t length)
{
    if ((kind != FilePath::kFile && kind != FilePath::kFileMac && kind != FilePath::kFileWin) || !text)
        return {};
    if (length == 0)
        length = std::strlen(text);
    if (length == 0 || !IsValidFileName(text, length))
        return {};
    return std::string_view(text, length);
}

} // namespace

bool FilePath::SetFileName(const char* text, std::size_t length)
{
    const std::string_view name = FileNameComponent(kind_, text, length);
    if (name.empty())
        return false;
    name_.assign(name);
    return true;
}

bool FilePath::AppendFolder(const char* text, std::size_t length)
{
    const std::string_view name = FileNameComponent(kind_, text, length);
    if (name.empty())
        return false;
    folder_.append(name);
    folder_ += '/';
    return true;
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

bool FilePath::SetFromText(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos)
        return false;
    Kind kind = kNone;
    for (int k = kFmName; k >= kFile; --k) {
        const std::string_view prefix(kKinds[k].prefix, kKinds[k].length);
        if (text.size() > prefix.size() && HasPrefixIgnoringCase(text, prefix) && text[prefix.size()] == ':') {
            kind = static_cast<Kind>(k);
            text.remove_prefix(prefix.size() + 1);
            break;
        }
    }
    if (kind == kNone)
        return false;

    PathBuilderFromURL builder;
    switch (kind) {
    case kFileMac:
        if (text.size() < 2 || text[0] != '/')
            return false;
        builder.folder = "/";
        if (!builder.ParseComponents(text.substr(1)))
            return false;
        break;
    case kFileWin:
        if (text.size() < 3 || text[0] != '/')
            return false;
        if (text.size() >= 4 && IsAsciiLetter(text[1]) && text[2] == ':' && text[3] == '/') {
            builder.folder.assign(text.substr(0, 4));
            if (!builder.ParseComponents(text.substr(4)))
                return false;
        } else if (text[1] == '/') {
            builder.folder = "//";
            if (!builder.ParseComponents(text.substr(2)) || builder.folder == "//")
                return false;
        } else {
            return false;
        }
        break;
    case kFile:
        if (text.substr(0, 2) == "./")
            text.remove_prefix(2);
        while (text.substr(0, 3) == "../") {
            builder.folder += "../";
            text.remove_prefix(3);
        }
        if (!builder.ParseComponents(text))
            return false;
        break;
    case kFmNet: {
        if (text.size() < kMinFmNetText || text[0] != '/')
            return false;
        const std::size_t end = text.find('/', 1);
        if (end == std::string_view::npos || end == 1 || end - 1 > kMaxHostName)
            return false;
        bool separated = false;
        const std::string_view host = text.substr(1, end - 1);
        if (builder.MeasureComponent(host, separated) != host.size())
            return false;
        const std::string_view rest = text.substr(end + 1);
        if (rest.empty() || builder.MeasureComponent(rest, separated) != rest.size() || separated)
            return false;
        builder.folder = "/";
        builder.folder += host;
        builder.folder += '/';
        builder.name.assign(rest);
        break;
    }
    case kFmName:
        if (text.empty())
            return false;
        builder.name.assign(text);
        break;
    default:
        return false;
    }
    kind_ = kind;
    folder_.swap(builder.folder);
    name_.swap(builder.name);
    return true;
}

bool FilePath::GetText(std::string& text) const
{
    const char* prefix = FilePathPrefix(kind_);
    if (!prefix) {
        text.clear();
        return false;
    }
    text = prefix;
    text += ':';
    text += folder_;
    text += name_;
    return true;
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

bool FilePath::Exists() const
{
    switch (kind_) {
    case kNone:
    case kFile:
        return false;
    case kFmNet:
    case kFmName:
        // Files the host has open.
        return !Session::GetCurrent().FindDatabase(*this).IsEmpty();
    default: {
        std::wstring sys;
        return GetSysPath(sys) && win32::GetFileAttributesW(sys.c_str()) != win32::kInvalidFileAttributes;
    }
    }
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
        if (type == kKinds[k].prefix)
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
    return WriteHostText(host::Call<UniversalPath_GetType>(&path), kKinds[kind_].prefix) &&
           WriteHostText(host::Call<UniversalPath_GetPath>(&path), text) &&
           WriteHostText(host::Call<UniversalPath_GetName>(&path), name_);
}

namespace {

// A folder's root (kept by relative paths) and its components.
void SplitForRelative(const FilePath& path, std::string& root, std::vector<std::string>& parts)
{
    const std::string& folder = path.GetFolder();
    std::size_t rest = folder.empty() ? 0 : 1;
    if (path.GetKind() == FilePath::kFileWin) {
        std::string sysRoot;
        if (!SplitWinRoot(folder, sysRoot, rest))
            rest = folder.size();
    }
    root = folder.substr(0, rest);
    for (std::string_view piece : SplitFolder(std::string_view(folder).substr(rest)))
        parts.emplace_back(piece);
}

} // namespace

bool FilePath::MakeRelative(const FilePath& target, FilePath& out) const
{
    if (kind_ == kNone || target.kind_ == kNone)
        throw std::invalid_argument("invalid file path");
    if ((kind_ != kFileMac && kind_ != kFileWin) || target.kind_ != kind_ || &target == this || &out == this)
        return false;
    FilePath result;
    result.kind_ = kFile;
    result.name_ = target.name_;
    if (folder_ != target.folder_) {
        std::string root, targetRoot;
        std::vector<std::string> base, other;
        SplitForRelative(*this, root, base);
        SplitForRelative(target, targetRoot, other);
        if (root != targetRoot)
            return false;
        std::size_t common = 0;
        while (common < base.size() && common < other.size() && base[common] == other[common])
            ++common;
        for (std::size_t i = common; i < base.size(); ++i)
            result.folder_ += "../";
        for (std::size_t i = common; i < other.size(); ++i)
            result.folder_ += other[i] + "/";
    }
    out = result;
    return true;
}

bool FilePath::Resolve(const FilePath& relative, FilePath& out) const
{
    if (kind_ == kNone || relative.kind_ == kNone)
        throw std::invalid_argument("invalid file path");
    if ((kind_ != kFileMac && kind_ != kFileWin) || relative.kind_ != kFile)
        return false;
    std::string root;
    std::vector<std::string> parts;
    SplitForRelative(*this, root, parts);
    std::string_view steps(relative.folder_);
    while (steps.substr(0, 3) == "../") {
        if (parts.empty())
            return false;
        parts.pop_back();
        steps.remove_prefix(3);
    }
    FilePath result;
    result.kind_ = kind_;
    result.folder_ = root;
    for (const std::string& part : parts)
        result.folder_ += part + "/";
    result.folder_ += steps;
    result.name_ = relative.name_;
    out = result;
    return true;
}

bool operator==(const FilePath& a, const FilePath& b)
{
    if (a.kind_ != b.kind_)
        return false;
    return a.kind_ == FilePath::kNone || (a.folder_ == b.folder_ && a.name_ == b.name_);
}

bool operator<(const FilePath& a, const FilePath& b)
{
    return std::tie(a.kind_, a.folder_, a.name_) < std::tie(b.kind_, b.folder_, b.name_);
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
