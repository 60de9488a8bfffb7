#include "macos/FileRefValue.h"

#include <cstring>

#include <textconv>

#include "macos/HostObjects.h"
#include "macos/PlatStubs.h"
#include "platform/carbon/Carbon.h"

namespace mac {

namespace {

constexpr std::size_t kPathRoom = fmx::FilePath::kMaxPosixPath;
// The universal path's component separator U+E000 in UTF-8.
const char kUniversalSeparator[] = "\xEE\x80\x80";

bool Succeeded(const fmapi::mac::HostError& error) { return error.first != 0; }

// A FilePlatformSpec in the plug-in's storage: the reference zeroed,
// the name string constructed; destroying it destroys the string.
class PlatformSpec {
public:
    PlatformSpec()
    {
        std::memset(spec_.ref.hidden, 0, sizeof spec_.ref.hidden);
        ConstructHostString(&spec_.name);
    }
    ~PlatformSpec() { DestroyHostString(&spec_.name); }
    PlatformSpec(const PlatformSpec&) = delete;
    PlatformSpec& operator=(const PlatformSpec&) = delete;

    fmapi::mac::FilePlatformSpecLayout* get() { return &spec_; }

private:
    fmapi::mac::FilePlatformSpecLayout spec_;
};

} // namespace

bool FileRefValue::SetFromFSRef(const FSRef& from, bool mustBeFile)
{
    if (mustBeFile) {
        FSCatalogInfo info{};
        if (FSGetCatalogInfo(&from, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr) != noErr ||
            (info.nodeFlags & kFSNodeIsDirectoryMask))
            return false;
    }
    ref = from;
    valid = 1;
    return true;
}

bool FileRefValue::GetFileName(std::string& name) const
{
    HFSUniStr255 text;
    if (!valid || FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, &text, nullptr, nullptr) != noErr)
        return false;
    std::auto_buffer<char, 512> bytes;
    Utf16ToUtf8(bytes, reinterpret_cast<const char16_t*>(text.unicode), text.length, false);
    name.assign(bytes.data(), bytes.size());
    return true;
}

bool FileRefValue::IsSameAs(const FSRef& other) const { return valid && FSCompareFSRefs(&ref, &other) == noErr; }

void FileRefValue::GetPosixPath(std::string& text) const
{
    char path[kPathRoom];
    if (valid && FSRefMakePath(&ref, reinterpret_cast<UInt8*>(path), sizeof path) == noErr)
        text = path;
}

bool SetUniversalPathFromFileRef(fmapi::mac::UniversalPathLayout* path, const FileRefValue& value)
{
    if (!value.valid)
        return false;
    PlatformSpec spec;
    bound::SetFileRef(spec.get(), &value.ref);
    return Succeeded(bound::SetUniversalPath(path, spec.get()));
}

bool GetFileRefOfUniversalPath(const fmapi::mac::UniversalPathLayout* path, FileRefValue& value)
{
    PlatformSpec spec;
    const fmapi::mac::HostError error =
        bound::MakePlatformSpec(path, spec.get(), fmapi::mac::kHostEncodingUtf8, true, true);
    if (Succeeded(error)) {
        FSRef ref;
        std::memset(&ref, 0, sizeof ref);
        if (bound::GetFileRef(spec.get(), &ref))
            value.SetFromFSRef(ref, false);
    }
    return Succeeded(error);
}

bool SetUniversalPathFromLocation(UnistringData& strings, const fmx::FilePath& location)
{
    const fmx::FilePath::Kind kind = location.GetKind();
    if ((kind != fmx::FilePath::kFileMac && kind != fmx::FilePath::kFmNet) || location.GetName().empty())
        return false;
    const std::string& folder = location.GetFolder();
    std::string path;
    const std::size_t end = folder.rfind('/');
    for (std::size_t i = 0; end != std::string::npos && i <= end; ++i) {
        if (folder[i] == '/')
            path += kUniversalSeparator;
        else
            path += folder[i];
    }
    return strings.Fill(fmx::FilePathPrefix(kind), path, location.GetName());
}

} // namespace mac
