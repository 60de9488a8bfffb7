#include "fmx/FilePath.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <tuple>
#include <vector>

#include <textconv>

#include "fmx/DbHandles.h"
#include "fmx/FilePathRules.h"

namespace fmx {

namespace {

struct KindEntry {
    const char* prefix;
    std::size_t length;
};

const KindEntry kKinds[] = {{"file", 4}, {"filemac", 7}, {"filewin", 7}, {"fmnet", 5}, {"fmname", 6}};

constexpr std::size_t kMaxHostName = 31;
constexpr std::size_t kMinFmNetText = 10;

bool IsSlash(char c) { return c == '/'; }

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

void AppendEscaped(std::string& out, std::string_view component)
{
    static const char digits[] = "0123456789ABCDEF";
    for (char c : component) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%') {
            out += "%25";
        } else if (c == ':') {
            out += pathrules::kColonEscape;
        } else if (byte >= 1 && byte <= 31) {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else {
            out += c;
        }
    }
}

} // namespace

namespace pathrules {

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

std::size_t Utf8SequenceLength(std::string_view text)
{
    return DecodeUtf8Strict(text.data(), text.size());
}

} // namespace pathrules

using namespace pathrules;

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
            if (!IsFileNameByte(byte))
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
    default:
        return ExistsInFileSystem();
    }
}

namespace {

// A folder's root (kept by relative paths) and its components.
void SplitForRelative(const FilePath& path, std::string& root, std::vector<std::string>& parts)
{
    const std::string& folder = path.GetFolder();
    const std::size_t rest = FolderRootLength(path);
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
    if (!SameFolderText(folder_, target.folder_)) {
        std::string root, targetRoot;
        std::vector<std::string> base, other;
        SplitForRelative(*this, root, base);
        SplitForRelative(target, targetRoot, other);
        if (!SameFolderText(root, targetRoot))
            return false;
        std::size_t common = 0;
        while (common < base.size() && common < other.size() && SameFolderText(base[common], other[common]))
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

} // namespace fmx
