// POSIX paths of the macOS flavour from arbitrary bytes: parsing never reads
// outside its input, and whatever parses comes back as the same location
// through its POSIX path. Locations in path notation give a POSIX path or
// refuse (a name that is no UTF-8 throws std::invalid_argument), never more.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fmx/FilePath.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    fmx::FilePath posix;
    if (posix.SetFromPosixPath(bytes.data(), bytes.size())) {
        Check(posix.GetKind() == fmx::FilePath::kFileMac);
        std::string path;
        Check(posix.GetPosixPath(path) == path.size() && !path.empty() && path[0] == '/');
        fmx::FilePath back;
        Check(back.SetFromPosixPath(path.c_str(), path.size()));
        Check(back == posix);
        std::string text;
        Check(posix.GetText(text));
        fmx::FilePath notation;
        Check(notation.SetFromText(text) && notation == posix);
    }

    fmx::FilePath text;
    if (text.SetFromText(bytes)) {
        try {
            std::string path;
            if (text.GetPosixPath(path)) {
                fmx::FilePath again;
                Check(again.SetFromPosixPath(path.c_str(), path.size()) || path.find('\0') != std::string::npos);
            }
            text.Exists();
        } catch (const std::invalid_argument&) {
        }
    }
    return 0;
}
