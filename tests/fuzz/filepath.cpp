// File locations from arbitrary bytes: the path notation, Windows paths and
// the file-name check never read outside their input, and whatever parses
// comes back unchanged through its own text and system path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

    fmx::IsValidFileName(bytes.data(), bytes.size());

    fmx::FilePath text;
    if (text.SetFromText(bytes)) {
        std::string again;
        Check(text.GetText(again));
        fmx::FilePath reparsed;
        Check(reparsed.SetFromText(again));
        Check(reparsed == text);
        std::wstring sys;
        text.GetSysPath(sys);
        text.SetFileName(bytes.data(), bytes.size());
        text.AppendFolder(bytes.data(), bytes.size());
    }

    fmx::FilePath sys;
    if (sys.SetFromSysPath(std::string_view(bytes))) {
        Check(sys.GetKind() == fmx::FilePath::kFileWin);
        std::wstring wide;
        if (sys.GetSysPath(wide)) {
            fmx::FilePath back;
            Check(back.SetFromSysPath(wide.c_str()));
            Check(back == sys);
        }
    }
    return 0;
}
