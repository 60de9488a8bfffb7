// Platform files and universal paths (FMEngine below API level 51, Support
// from 51). A FilePlatformSpec holds an FSRef, in which the stand-ins keep a
// file system path (fmapi/mac_layout.h); a universal path points at the
// host's record of its parts.
#include <cstring>
#include <string>

#include "Bridge.h"
#include "Utf.h"
#include "Values.h"

namespace {

constexpr char16_t kSeparator = 0xE000;

} // namespace

namespace Draco {

void FilePlatformSpec::Set(const FSRef* ref)
{
    PV_FW_CHECK(FilePlatformSpec_Set);
    if (ref) {
        std::memcpy(layout_.ref.hidden, ref, fmapi::mac::kFSRefSize);
        layout_.hasRef = 1;
    } else {
        std::memset(layout_.ref.hidden, 0, fmapi::mac::kFSRefSize);
        layout_.hasRef = 0;
    }
}

bool FilePlatformSpec::GetFileRef(FSRef* ref) const
{
    PV_FW_CHECK(FilePlatformSpec_GetFileRef);
    if (!layout_.hasRef || !ref)
        return false;
    std::memcpy(ref, layout_.ref.hidden, fmapi::mac::kFSRefSize);
    return true;
}

// "/a/b/c.fmp12" is the folder "\uE000a\uE000b\uE000" with the name "c.fmp12".
Error UniversalPath::Set(const FilePlatformSpec& spec)
{
    PV_FW_CHECK(UniversalPath_Set);
    const fmapi::mac::FilePlatformSpecLayout& s = spec.Layout();
    const void* end = s.hasRef ? std::memchr(s.ref.hidden, 0, fmapi::mac::kFSRefSize) : nullptr;
    if (!end)
        return Error(fmapi::mac::kHostErrorBadPath);
    const auto* bytes = reinterpret_cast<const char*>(s.ref.hidden);
    std::u16string text;
    if (!framework::Utf8ToUtf16(bytes, static_cast<const char*>(end) - bytes, text) || text.size() < 2 ||
        text[0] != u'/' || text.back() == u'/')
        return Error(fmapi::mac::kHostErrorBadPath);
    framework::PathParts parts;
    parts.type = u"filemac";
    const std::size_t last = text.rfind(u'/');
    for (std::size_t i = 0; i <= last; ++i)
        parts.path += text[i] == u'/' ? kSeparator : text[i];
    parts.name = text.substr(last + 1);
    layout_.record = framework::PathRecord(parts);
    return Error(fmapi::mac::kHostErrorNone);
}

Error UniversalPath::MakePlatformSpec(FilePlatformSpec& spec, Unicode::Encoding, bool, bool) const
{
    PV_FW_CHECK(UniversalPath_MakePlatformSpec);
    framework::PathParts parts;
    if (!framework::PartsOfRecord(layout_.record, parts) || (parts.type != u"filemac" && parts.type != u"file") ||
        parts.path.empty() || parts.path[0] != kSeparator || parts.path.back() != kSeparator || parts.name.empty())
        return Error(fmapi::mac::kHostErrorBadPath);
    std::u16string text;
    for (char16_t c : parts.path)
        text += c == kSeparator ? u'/' : c;
    text += parts.name;
    std::string bytes;
    fmapi::mac::FilePlatformSpecLayout& s = spec.Layout();
    if (!framework::Utf16ToUtf8(text.data(), text.size(), bytes) || bytes.size() >= fmapi::mac::kFSRefSize ||
        bytes.find('\0') != std::string::npos)
        return Error(fmapi::mac::kHostErrorBadPath);
    std::memset(s.ref.hidden, 0, fmapi::mac::kFSRefSize);
    std::memcpy(s.ref.hidden, bytes.data(), bytes.size());
    s.hasRef = 1;
    return Error(fmapi::mac::kHostErrorNone);
}

} // namespace Draco
