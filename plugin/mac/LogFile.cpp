// The framework log's file and clock in the macOS flavour: POSIX paths in
// UTF-8, the length set through the file's data fork, and the local time of
// the process's time zone.
#include "plugin/LogFile.h"

#include <sys/types.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <exception>
#include <textconv>

#include "fmx/FilePath.h"
#include "macos/FileStream.h"

namespace __Quarrow__ {
namespace logfile {

namespace {

bool ToPath(const std::wstring& wide, std::string& path)
{
    for (wchar_t c : wide)
        if (c == 0 || !IsUnicodeScalar(static_cast<std::uint32_t>(c)))
            return false;
    path = WideToUtf8String(wide);
    return !path.empty();
}

std::string ToNarrow(const wchar_t* mode)
{
    std::string narrow;
    for (; mode && *mode; ++mode)
        narrow += static_cast<char>(*mode);
    return narrow;
}

} // namespace

LocalTime Now()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    LocalTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.weekday = local.tm_wday;
    return t;
}

std::FILE* Open(const std::wstring& path, const wchar_t* mode)
{
    std::string posix;
    if (!ToPath(path, posix))
        return nullptr;
    return std::fopen(posix.c_str(), ToNarrow(mode).c_str());
}

int Seek(std::FILE* file, std::int64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET); }

int SeekEnd(std::FILE* file) { return fseeko(file, 0, SEEK_END); }

std::int64_t Tell(std::FILE* file) { return static_cast<std::int64_t>(ftello(file)); }

bool SetLength(const std::wstring& path, std::int64_t length)
{
    std::string posix;
    fmx::FilePath location;
    try {
        return ToPath(path, posix) && length >= 0 && length <= INT32_MAX &&
               location.SetFromPosixPath(posix.c_str(), posix.size()) &&
               FileStream::SetSize(location, static_cast<std::int32_t>(length));
    } catch (const std::exception&) {
        return false;   // a path the file system cannot name
    }
}

} // namespace logfile
} // namespace __Quarrow__
