#include "mac/FileRefValue.h"

#include <cstring>

#include <textconv>

#include "mac/PlatStubs.h"
#include "platform/carbon/Carbon.h"

namespace mac {

namespace {

using fmapi::mac::HostStringStorage;

constexpr std::size_t kPathRoom = fmx::FilePath::kMaxPosixPath;
// The universal path's component separator U+E000 in UTF-8.
const char kUniversalSeparator[] = "\xEE\x80\x80";

bool Succeeded(const fmapi::mac::HostError& error) { return error.first != 0; }

// A host string of the binding level's form in the caller's storage: built
// by the host from level 51, by the plug-in below it.
void ConstructString(HostStringStorage* string)
{
    if (BindingLevel() >= fmapi::mac::kHostString51Level) {
        bound::ConstructString(string);
        return;
    }
    std::memset(string->bytes, 0, sizeof string->bytes);
}

void DestroyString(HostStringStorage* string)
{
    if (BindingLevel() >= fmapi::mac::kHostString51Level) {
        bound::DestroyString(string);
        return;
    }
    fmapi::mac::HostString50 old;
    std::memcpy(&old, string->bytes, sizeof old);
    if (old.buffer)
        bound::HostOperatorDelete(old.buffer);
}

// A FilePlatformSpec in the plug-in's storage: the reference zeroed,
// the name string constructed; destroying it destroys the string.
class PlatformSpec {
public:
    PlatformSpec()
    {
        std::memset(spec_.ref.hidden, 0, sizeof spec_.ref.hidden);
        ConstructString(&spec_.name);
    }
    ~PlatformSpec() { DestroyString(&spec_.name); }
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

bool SetUniversalPathFromLocation(unsigned char* strings, const fmx::FilePath& location)
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
    const std::string kindWord = fmx::FilePathPrefix(kind);
    const std::string* parts[] = {&kindWord, &path, &location.GetName()};
    const std::size_t stride = fmapi::mac::HostStringSize(BindingLevel());
    for (std::size_t k = 0; k < 3; ++k) {
        auto* string = reinterpret_cast<HostStringStorage*>(strings + k * stride);
        if (!bound::ConvertFromNonUnichars(string, parts[k]->data(), parts[k]->size(),
                                           fmapi::mac::kHostEncodingUtf8))
            return false;
    }
    return true;
}

} // namespace mac
