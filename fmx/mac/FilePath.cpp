// File paths of the macOS flavour: "filemac" locations ("/volume/folder/")
// to and from POSIX paths, the File Manager behind them, and the host's
// universal paths through file references.
#include "fmx/FilePath.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <textconv>

#include "fmx/FilePathRules.h"
#include "macos/FileRefValue.h"
#include "platform/carbon/Carbon.h"

namespace fmx {

using namespace pathrules;

namespace {

constexpr char kVolumesFolder[] = "/Volumes";
constexpr std::size_t kVolumesPrefix = sizeof kVolumesFolder;   // "/Volumes/"
// The bytes FSRefMakePath may write.
constexpr std::size_t kPathRoom = FilePath::kMaxPosixPath;

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

// Escapes a name for a folder text: "%" as "%25", the name's slash (`slash`:
// "/" in a volume's own name, ":" in a POSIX path) as "%2F", bytes 1 to 31
// as "%XX".
std::string Escape(std::string_view name, char slash)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%') {
            out += "%25";
        } else if (c == slash) {
            out += "%2F";
        } else if (byte >= 1 && byte <= 31) {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// Decodes every "%" and two hexadecimal digits; "%2F" becomes `slash`. False
// when the result would hold a zero byte or a "/" of its own.
bool Decode(std::string_view text, char slash, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
            if (c == '/')
                c = slash;
        } else if (c == '/') {
            return false;
        }
        if (c == '\0')
            return false;
        out += c;
    }
    return true;
}

// UTF-8 -> UTF-16 for the File Manager; malformed text throws
// std::invalid_argument.
std::u16string ToUtf16(const std::string& text)
{
    std::auto_buffer<char16_t, 256> units;
    try {
        Utf8ToUtf16(units, text.data(), text.size(), false);
    } catch (const std::exception&) {
        throw std::invalid_argument("source string is corrupted");
    }
    return std::u16string(units.data(), units.size());
}

std::string ToUtf8(const UniChar* units, std::size_t length)
{
    std::auto_buffer<char, 512> bytes;
    Utf16ToUtf8(bytes, reinterpret_cast<const char16_t*>(units), length, false);
    return std::string(bytes.data(), bytes.size());
}

// The volume that holds `path` (a mounted volume's root, or a path under
// "/Volumes/" naming one that is not mounted), escaped as a folder
// component; false when the path is none of these.
bool PosixPathToVolumeName(std::string& text)
{
    FSRef ref;
    if (FSPathMakeRef(reinterpret_cast<const UInt8*>(text.c_str()), &ref, nullptr) == noErr) {
        FSRef root;
        HFSUniStr255 name;
        for (ItemCount index = 1;
             FSGetVolumeInfo(kFSInvalidVolumeRefNum, index, nullptr, kFSVolInfoNone, nullptr, &name, &root) == noErr;
             ++index) {
            if (FSCompareFSRefs(&ref, &root) == noErr) {
                text = Escape(ToUtf8(name.unicode, name.length), '/');
                return true;
            }
        }
        return false;
    }
    std::string rest = text;
    if (rest.size() < kVolumesPrefix || rest[kVolumesPrefix - 1] != '/')
        return false;
    bool sameWord = false;
    try {
        sameWord = CompareText(rest.data(), kVolumesPrefix - 1, kVolumesFolder, kVolumesPrefix - 1, false) == 0;
    } catch (const std::exception&) {
        sameWord = false;
    }
    if (!sameWord)
        return false;
    if (rest.back() == '/')
        rest.pop_back();
    // "/Volumes/" names no volume.
    if (rest.size() <= kVolumesPrefix)
        return false;
    text = Escape(std::string_view(rest).substr(kVolumesPrefix), ':');
    return true;
}

// The mount point of a volume named by an escaped folder component, ending
// in "/": true for a mounted volume; false with "/Volumes/NAME/" for one
// that is not mounted, or when the mounted one's root gives no path.
bool VolumeNameToPosixRoot(std::string_view volume, std::string& root)
{
    std::string name;
    if (!Decode(volume, '/', name))
        return false;
    const std::u16string wanted = ToUtf16(name);
    FSRef ref;
    HFSUniStr255 found;
    for (ItemCount index = 1;
         FSGetVolumeInfo(kFSInvalidVolumeRefNum, index, nullptr, kFSVolInfoNone, nullptr, &found, &ref) == noErr;
         ++index) {
        bool equivalent = false;
        const int order = CompareText(wanted.data(), wanted.size(), reinterpret_cast<const char16_t*>(found.unicode),
                                      found.length, false, &equivalent);
        if (order != 0 && !equivalent)
            continue;
        char path[kPathRoom];
        if (FSRefMakePath(&ref, reinterpret_cast<UInt8*>(path), sizeof path) != noErr)
            return false;
        root = path;
        if (root.empty() || root.back() != '/')
            root += '/';
        return true;
    }
    std::string component;
    if (!Decode(volume, ':', component))
        return false;
    root = std::string(kVolumesFolder) + "/" + component + "/";
    return false;
}

// The volume component of a "filemac" folder ("/volume/..."), and where the
// rest begins.
std::string_view VolumeOf(const std::string& folder, std::size_t& rest)
{
    const std::size_t slash = folder.find('/', 1);
    rest = slash == std::string::npos ? folder.size() : slash + 1;
    return std::string_view(folder).substr(1, (slash == std::string::npos ? folder.size() : slash) - 1);
}

// The catalog name of a folder component ("%2F" is the name's "/"), as the
// File Manager takes it.
bool CatalogName(std::string_view component, std::u16string& name)
{
    std::string bytes;
    if (!Decode(component, '/', bytes) || bytes.empty())
        return false;
    name = ToUtf16(bytes);
    return true;
}

const UniChar* Units(const std::u16string& text) { return reinterpret_cast<const UniChar*>(text.data()); }

} // namespace

namespace pathrules {

// Names hold any printable ASCII character but the separator.
bool IsFileNameByte(unsigned char byte) { return byte >= 0x20 && byte != 0x7F && byte != '/'; }

const char kColonEscape[] = "%2F";

bool SameFolderText(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    try {
        return CompareText(a.data(), a.size(), b.data(), b.size(), false) == 0;
    } catch (const std::exception&) {
        return false;   // malformed text is only ever the same as itself
    }
}

std::size_t FolderRootLength(const FilePath& path)
{
    // "/volume/" is the root of a "filemac" folder.
    const std::string& folder = path.GetFolder();
    if (folder.empty())
        return 0;
    if (path.GetKind() != FilePath::kFileMac)
        return 1;
    const std::size_t slash = folder.find('/', 1);
    return slash == std::string::npos ? folder.size() : slash + 1;
}

} // namespace pathrules

bool FilePath::SetFromPosixPath(const char* path, std::size_t length)
{
    if (!path)
        return false;
    if (length == 0)
        length = std::strlen(path);
    const std::string_view text(path, length);
    if (text.empty() || text[0] != '/' || text.find('\0') != std::string_view::npos)
        return false;
    // "." and ".." name another place than the text says, also where the
    // volume is looked for; every name, the volume's too, is UTF-8.
    for (std::string_view component : SplitFolder(text.substr(1)))
        if (component == "." || component == "..")
            return false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = Utf8SequenceLength(text.substr(at));
        if (!n)
            return false;
        at += n;
    }

    // "/first/second" may be a volume's root.
    std::string volume;
    std::string_view rest = text.substr(1);
    const std::size_t firstEnd = rest.find('/');
    bool onVolume = false;
    if (firstEnd != std::string_view::npos && firstEnd > 0) {
        const std::size_t secondEnd = rest.find('/', firstEnd + 1);
        const std::size_t second = (secondEnd == std::string_view::npos ? rest.size() : secondEnd) - firstEnd - 1;
        if (second > 0) {
            volume.assign(text.substr(0, 1 + firstEnd + 1 + second));
            onVolume = PosixPathToVolumeName(volume);
            if (onVolume)
                rest = secondEnd == std::string_view::npos ? std::string_view() : rest.substr(secondEnd + 1);
        }
    }
    if (!onVolume) {
        volume = "/";
        if (!PosixPathToVolumeName(volume))
            return false;
    }

    // The components as they stand, then each escaped.
    PathBuilderFromURL builder;
    if (!rest.empty() && !builder.ParseComponents(rest))
        return false;
    std::string folder = "/" + volume + "/";
    for (std::string_view component : SplitFolder(builder.folder)) {
        folder += Escape(component, ':');
        folder += '/';
    }
    kind_ = kFileMac;
    folder_.swap(folder);
    name_ = Escape(builder.name, ':');
    return true;
}

std::size_t FilePath::GetPosixPath(std::string& path) const
{
    path.clear();
    if (kind_ != kFileMac || folder_.size() < 2 || folder_[0] != '/')
        return 0;
    std::size_t restAt = 0;
    const std::string_view volume = VolumeOf(folder_, restAt);
    std::string root;
    VolumeNameToPosixRoot(volume, root);
    if (root.empty())
        return 0;
    std::string text = root;
    std::string part;
    for (std::string_view component : SplitFolder(std::string_view(folder_).substr(restAt))) {
        if (!Decode(component, ':', part))
            return 0;
        text += part;
        text += '/';
    }
    if (!Decode(name_, ':', part))
        return 0;
    text += part;
    path.swap(text);
    return path.size();
}

bool FilePath::SetFromFileRef(const FSRef& ref, const char* name, std::size_t length)
{
    char buffer[kPathRoom];
    if (FSRefMakePath(&ref, reinterpret_cast<UInt8*>(buffer), sizeof buffer) != noErr)
        return false;
    std::string path = buffer;
    if (name) {
        if (length == 0)
            length = std::strlen(name);
        if (path.empty() || path.back() != '/')
            path += '/';
        path.append(name, length);
        if (path.size() >= kPathRoom)
            return false;
    }
    return SetFromPosixPath(path.c_str(), path.size());
}

bool FilePath::GetFileRef(FSRef& ref) const
{
    std::string path;
    if (!GetPosixPath(path))
        return false;
    return FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr) == noErr;
}

bool FilePath::SetFromSysPath(std::string_view path) { return SetFromPosixPath(path.data(), path.size()); }

bool FilePath::SetFromSysPath(const wchar_t* path)
{
    if (!path)
        return false;
    std::string text;
    for (const wchar_t* c = path; *c; ++c)
        if (!IsUnicodeScalar(static_cast<std::uint32_t>(*c)))
            return false;
    text = WideToUtf8String(path, UnitsUntilZero(path));
    return SetFromPosixPath(text.c_str(), text.size());
}

bool FilePath::GetSysPath(std::wstring& path) const
{
    std::string posix;
    if (!GetPosixPath(posix))
        return false;
    try {
        std::wstring wide = Utf8ToWideString(posix);
        path.swap(wide);
    } catch (const std::exception&) {
        return false;
    }
    return !path.empty();
}

bool FilePath::ExistsInFileSystem() const
{
    FSRef ref;
    return kind_ == kFileMac && GetFileRef(ref);
}

int FilePath::CreateDirectoriesStatus(bool exclusive) const
{
    if (kind_ == kNone)
        throw std::invalid_argument("invalid file path");
    if (kind_ != kFileMac || folder_.size() < 2 || folder_[0] != '/')
        return nsvErr;
    std::size_t restAt = 0;
    const std::string_view volume = VolumeOf(folder_, restAt);
    std::string root;
    VolumeNameToPosixRoot(volume, root);
    FSRef parent;
    Boolean isFolder = false;
    if (root.empty() || FSPathMakeRef(reinterpret_cast<const UInt8*>(root.c_str()), &parent, &isFolder) != noErr ||
        !isFolder)
        return nsvErr;
    bool creating = false;
    for (std::string_view component : SplitFolder(std::string_view(folder_).substr(restAt))) {
        std::u16string name;
        if (!CatalogName(component, name))
            return bdNamErr;
        FSRef next;
        if (!creating) {
            const OSErr found = FSMakeFSRefUnicode(&parent, name.size(), Units(name), kTextEncodingUnknown, &next);
            if (found == noErr) {
                FSCatalogInfo info{};
                const OSErr err = FSGetCatalogInfo(&next, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr);
                if (err != noErr)
                    return err;
                if (!(info.nodeFlags & kFSNodeIsDirectoryMask)) {
                    // Only an alias of a folder may stand here.
                    Boolean targetIsFolder = false;
                    Boolean aliased = false;
                    if (FSResolveAliasFile(&next, true, &targetIsFolder, &aliased) != noErr || !aliased ||
                        !targetIsFolder)
                        return dupFNErr;
                }
                parent = next;
                continue;
            }
            if (found != fnfErr)
                return found;
            creating = true;
        }
        const OSErr made = FSCreateDirectoryUnicode(&parent, name.size(), Units(name), kFSCatInfoNone, nullptr,
                                                    &next, nullptr, nullptr);
        if (made != noErr)
            return made;
        parent = next;
    }
    return exclusive && !creating ? static_cast<int>(dupFNErr) : static_cast<int>(noErr);
}

bool FilePath::CreateDirectories() const
{
    if (kind_ == kNone)
        throw std::invalid_argument("invalid file path");
    return kind_ == kFileMac && CreateDirectoriesStatus(false) == noErr;
}

// The host's universal paths go through a file reference: the location of a
// file the host names, and the path of a file that exists.
bool FilePath::SetFromUniversalPath(const Draco::UniversalPath& path)
{
    mac::FileRefValue value;
    return mac::GetFileRefOfUniversalPath(reinterpret_cast<const fmapi::mac::UniversalPathLayout*>(&path), value) &&
           value.valid && SetFromFileRef(value.ref);
}

bool FilePath::ToUniversalPath(Draco::UniversalPath& path) const
{
    mac::FileRefValue value;
    FSRef ref;
    return kind_ == kFileMac && GetFileRef(ref) && value.SetFromFSRef(ref, false) &&
           mac::SetUniversalPathFromFileRef(reinterpret_cast<fmapi::mac::UniversalPathLayout*>(&path), value);
}

} // namespace fmx
