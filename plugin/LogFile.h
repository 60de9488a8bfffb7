// What the framework log needs of the system: its file by a wide path, byte
// positions in it, its length set afterwards, and the local time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace __Quarrow__ {
namespace logfile {

struct LocalTime {
    int year = 0;
    int month = 0;     // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0;   // 0 Sunday
};

LocalTime Now();

// The runtime's file of a wide path, opened in a runtime mode; null on failure.
std::FILE* Open(const std::wstring& path, const wchar_t* mode);
// Moves to a byte offset from the start, or to the end; 0 on success.
int Seek(std::FILE* file, std::int64_t offset);
int SeekEnd(std::FILE* file);
// The position; negative on failure.
std::int64_t Tell(std::FILE* file);
// Cuts (or extends) the closed file at `path` to `length` bytes.
bool SetLength(const std::wstring& path, std::int64_t length);

} // namespace logfile
} // namespace __Quarrow__
