// Platform files and universal paths (FMEngine below API level 51, Support
// from 51), over the File Manager of libCarbon.so, whose volumes and node
// references the plug-in shares. A FilePlatformSpec holds an FSRef and a
// name (fmapi/mac_layout.h); a universal path points at the host's record
// of its parts: "filemac", the folder as "/volume/folder/" with U+E000 for
// each "/", and the name. Names in a record are escaped as the plug-in's
// path notation escapes them ("%" "%25", the name's "/" "%2F", bytes 1 to
// 31 "%XX").
#include <cstring>
#include <string>
#include <vector>

#include "Bridge.h"
#include "Utf.h"
#include "Values.h"
#include "platform/carbon/Carbon.h"

namespace {

constexpr char16_t kSeparator = 0xE000;
constexpr std::size_t kNameRoom = 1024;
// Deeper than any folder the File Manager walks up from.
constexpr int kMostLevels = 4096;

Draco::Error Failed() { return Draco::Error(fmapi::mac::kHostErrorBadPath); }

Draco::Error Succeeded()
{
    Draco::Error error(fmapi::mac::kHostErrorNone);
    reinterpret_cast<fmapi::mac::HostError&>(error).first = 1;
    return error;
}

Draco::unistring& NameOf(fmapi::mac::FilePlatformSpecLayout& spec)
{
    return reinterpret_cast<Draco::unistring&>(spec.name);
}

const Draco::unistring& NameOf(const fmapi::mac::FilePlatformSpecLayout& spec)
{
    return reinterpret_cast<const Draco::unistring&>(spec.name);
}

bool ReadName(const fmapi::mac::FilePlatformSpecLayout& spec, std::u16string& name)
{
    char bytes[kNameRoom];
    unsigned long size = sizeof bytes;
    return NameOf(spec).ConvertToNonUnichars(bytes, &size, Unicode::kUtf8) &&
           framework::Utf8ToUtf16(bytes, size, name);
}

bool IsNoRef(const FSRef& ref)
{
    for (unsigned char byte : ref.hidden)
        if (byte)
            return false;
    return true;
}

const FSRef& RefOf(const fmapi::mac::FilePlatformSpecLayout& spec)
{
    return reinterpret_cast<const FSRef&>(spec.ref);
}

std::u16string Escape(const std::u16string& name)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string out;
    for (char16_t c : name) {
        if (c == u'%') {
            out += u"%25";
        } else if (c == u'/') {
            out += u"%2F";
        } else if (c >= 1 && c <= 31) {
            out += u'%';
            out += digits[c >> 4];
            out += digits[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Escaped bytes are UTF-8 of their own: the component goes to UTF-8, is
// decoded there and comes back.
bool Decode(const std::u16string& component, std::u16string& name)
{
    std::string bytes;
    if (!framework::Utf16ToUtf8(component.data(), component.size(), bytes))
        return false;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && HexValue(static_cast<unsigned char>(bytes[i + 1])) >= 0 &&
            HexValue(static_cast<unsigned char>(bytes[i + 2])) >= 0) {
            out += static_cast<char>(HexValue(static_cast<unsigned char>(bytes[i + 1])) * 16 +
                                     HexValue(static_cast<unsigned char>(bytes[i + 2])));
            i += 2;
        } else {
            out += bytes[i];
        }
    }
    return framework::Utf8ToUtf16(out.data(), out.size(), name) && !name.empty();
}

const UniChar* Units(const std::u16string& text) { return reinterpret_cast<const UniChar*>(text.data()); }

// The root of the mounted volume of that name (case ignored in ASCII).
bool VolumeRoot(const std::u16string& wanted, FSRef& root)
{
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    HFSUniStr255 name;
    for (ItemCount index = 1;
         FSGetVolumeInfo(kFSInvalidVolumeRefNum, index, nullptr, kFSVolInfoNone, nullptr, &name, &root) == noErr;
         ++index) {
        if (name.length != wanted.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < wanted.size() && same; ++i)
            same = lower(static_cast<char16_t>(name.unicode[i])) == lower(wanted[i]);
        if (same)
            return true;
    }
    return false;
}

} // namespace

namespace Draco {

void FilePlatformSpec::Set(const FSRef* ref)
{
    PV_FW_CHECK(FilePlatformSpec_Set);
    if (ref)
        std::memcpy(layout_.ref.hidden, ref, fmapi::mac::kFSRefSize);
    else
        std::memset(layout_.ref.hidden, 0, fmapi::mac::kFSRefSize);
    NameOf(layout_).ConvertFromNonUnichars("", 0, Unicode::kUtf8);
}

bool FilePlatformSpec::GetFileRef(FSRef* ref) const
{
    PV_FW_CHECK(FilePlatformSpec_GetFileRef);
    std::u16string name;
    if (!ref || IsNoRef(RefOf(layout_)) || !ReadName(layout_, name))
        return false;
    if (name.empty()) {
        std::memcpy(ref, layout_.ref.hidden, fmapi::mac::kFSRefSize);
        return true;
    }
    return FSMakeFSRefUnicode(&RefOf(layout_), name.size(), Units(name), kTextEncodingUnknown, ref) == noErr;
}

// The names from the volume down to the node, then the FilePlatformSpec's name.
Error UniversalPath::Set(const FilePlatformSpec& spec)
{
    PV_FW_CHECK(UniversalPath_Set);
    const fmapi::mac::FilePlatformSpecLayout& s = spec.Layout();
    std::u16string last;
    if (IsNoRef(RefOf(s)) || !ReadName(s, last))
        return Failed();
    std::vector<std::u16string> names;
    if (!last.empty())
        names.push_back(last);
    FSRef node = RefOf(s);
    for (int level = 0;; ++level) {
        HFSUniStr255 name;
        FSRef parent;
        if (level == kMostLevels || FSGetCatalogInfo(&node, kFSCatInfoNone, nullptr, &name, nullptr, &parent) != noErr)
            return Failed();
        names.emplace_back(reinterpret_cast<const char16_t*>(name.unicode), name.length);
        if (IsNoRef(parent))
            break;
        node = parent;
    }
    // A volume alone names no file.
    if (names.size() < 2)
        return Failed();
    framework::PathParts parts;
    parts.type = u"filemac";
    parts.path = kSeparator;
    for (std::size_t i = names.size(); i-- > 1;) {
        parts.path += Escape(names[i]);
        parts.path += kSeparator;
    }
    parts.name = Escape(names[0]);
    layout_.record = framework::PathRecord(parts);
    return Succeeded();
}

// The folders must exist; the file need not: then the FilePlatformSpec holds its folder
// and its name.
Error UniversalPath::MakePlatformSpec(FilePlatformSpec& spec, Unicode::Encoding, bool resolve, bool) const
{
    PV_FW_CHECK(UniversalPath_MakePlatformSpec);
    framework::PathParts parts;
    if (!framework::PartsOfRecord(layout_.record, parts) || (parts.type != u"filemac" && parts.type != u"file") ||
        parts.path.size() < 2 || parts.path[0] != kSeparator || parts.path.back() != kSeparator || parts.name.empty())
        return Failed();
    std::vector<std::u16string> folders;
    std::size_t at = 1;
    while (at < parts.path.size()) {
        const std::size_t end = parts.path.find(kSeparator, at);
        std::u16string name;
        if (!Decode(parts.path.substr(at, end - at), name))
            return Failed();
        folders.push_back(name);
        at = end + 1;
    }
    FSRef folder;
    if (!VolumeRoot(folders[0], folder))
        return Failed();
    for (std::size_t i = 1; i < folders.size(); ++i) {
        FSRef next;
        if (FSMakeFSRefUnicode(&folder, folders[i].size(), Units(folders[i]), kTextEncodingUnknown, &next) != noErr)
            return Failed();
        if (resolve) {
            Boolean isFolder = false;
            Boolean aliased = false;
            if (FSResolveAliasFile(&next, true, &isFolder, &aliased) != noErr || !isFolder)
                return Failed();
        }
        folder = next;
    }
    std::u16string name;
    if (!Decode(parts.name, name))
        return Failed();
    fmapi::mac::FilePlatformSpecLayout& s = spec.Layout();
    FSRef file;
    const OSErr found = FSMakeFSRefUnicode(&folder, name.size(), Units(name), kTextEncodingUnknown, &file);
    if (found == noErr) {
        std::memcpy(s.ref.hidden, &file, fmapi::mac::kFSRefSize);
        NameOf(s).ConvertFromNonUnichars("", 0, Unicode::kUtf8);
        return Succeeded();
    }
    if (found != fnfErr)
        return Failed();
    std::string bytes;
    if (!framework::Utf16ToUtf8(name.data(), name.size(), bytes))
        return Failed();
    std::memcpy(s.ref.hidden, &folder, fmapi::mac::kFSRefSize);
    NameOf(s).ConvertFromNonUnichars(bytes.data(), bytes.size(), Unicode::kUtf8);
    return Succeeded();
}

} // namespace Draco
