// The framework log's file and clock in the Windows flavour.
#include "plugin/LogFile.h"

#include "platform/win32/winfile.h"
#include "platform/win32/winlocaltime.h"

namespace __Quarrow__ {
namespace logfile {

LocalTime Now()
{
    win32::SYSTEMTIME t{};
    win32::GetLocalTime(&t);
    LocalTime now;
    now.year = t.wYear;
    now.month = t.wMonth;
    now.day = t.wDay;
    now.hour = t.wHour;
    now.minute = t.wMinute;
    now.second = t.wSecond;
    now.weekday = t.wDayOfWeek;
    return now;
}

std::FILE* Open(const std::wstring& path, const wchar_t* mode) { return win32::_wfopen(path.c_str(), mode); }

int Seek(std::FILE* file, std::int64_t offset) { return win32::_fseeki64(file, offset, SEEK_SET); }

int SeekEnd(std::FILE* file) { return win32::_fseeki64(file, 0, SEEK_END); }

std::int64_t Tell(std::FILE* file) { return win32::_ftelli64(file); }

bool SetLength(const std::wstring& path, std::int64_t length)
{
    const win32::HANDLE h =
        win32::CreateFileW(path.c_str(), win32::kGenericWrite, 0, nullptr, win32::kOpenExisting, 0, nullptr);
    if (h == win32::kInvalidHandleValue)
        return false;
    const bool set = win32::SetFilePointerEx(h, length, nullptr, win32::kFileBegin) && win32::SetEndOfFile(h);
    return win32::CloseHandle(h) && set;
}

} // namespace logfile
} // namespace __Quarrow__
