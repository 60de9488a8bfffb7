// File paths of the macOS flavour before it converts locations to POSIX
// paths: no location has a path in the file system yet, so none exists
// there and none can be made, and the host's universal paths give none.
#include "fmx/FilePath.h"

#include <stdexcept>

#include "fmx/FilePathParts.h"

namespace fmx {

namespace pathparts {

// Names hold any printable ASCII character but the separator.
bool IsFileNameByte(unsigned char byte) { return byte >= 0x20 && byte != 0x7F && byte != '/'; }

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

} // namespace pathparts

bool FilePath::SetFromSysPath(std::string_view) { return false; }

bool FilePath::SetFromSysPath(const wchar_t*) { return false; }

bool FilePath::GetSysPath(std::wstring&) const { return false; }

bool FilePath::ExistsInFileSystem() const { return false; }

bool FilePath::CreateDirectories() const
{
    if (kind_ == kNone)
        throw std::invalid_argument("invalid file path");
    return false;
}

bool FilePath::SetFromUniversalPath(const Draco::UniversalPath&) { return false; }

bool FilePath::ToUniversalPath(Draco::UniversalPath&) const { return false; }

} // namespace fmx
