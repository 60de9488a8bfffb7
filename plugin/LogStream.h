// The framework's own log: one process-wide text file of printf-style lines,
// kept below a size limit by dropping its oldest whole lines, with a banner
// when it opens and when it closes. Logging never throws to its callers.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace __Quarrow__ {

class LogStream {
public:
    enum Mode : std::int32_t {
        kAppend = 0,   // continue the file (create it when missing)
        kNew = 1,      // start an empty file
        kClose = 2,    // close the open log
    };

    // Limits applied to a requested size: 0 asks for the largest; below the
    // smallest is raised to it; above the largest (every negative request
    // included) is lowered to it; anything else goes up to whole steps.
    static constexpr std::uint32_t kSmallestLimit = 0x10000;
    static constexpr std::uint32_t kLargestLimit = 0x40000000;
    static constexpr std::uint32_t kLimitStep = 512;
    // A formatted message keeps at most this many bytes, its zero included.
    static constexpr std::size_t kMessageRoom = 512;

    static std::uint32_t ApplyLimit(std::int32_t requested);

    // Opens the process-wide log on a Windows path. A log already open, an
    // unknown mode or a file that cannot be opened answers false; kClose
    // answers what Close answers. The time-stamp flag is kept even when the
    // opening fails.
    static bool Open(const std::wstring& path, std::int32_t mode, std::int32_t limit, bool stamped);
    // Writes one line to the open log; nothing when none is open.
    static void Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void VPrintf(const char* format, std::va_list args) __attribute__((format(printf, 1, 0)));
    // Writes the closing banner, keeps the file within its limit and closes
    // it; false when no log is open or the file could not be kept whole.
    static bool Close() noexcept;

    // The open log, or null.
    static LogStream* Current();
    static bool Stamped();

    const std::wstring& Path() const { return path_; }
    std::uint32_t Limit() const { return limit_; }
    // Bytes of the log, and where its first kept line starts.
    std::int64_t Length() const { return length_; }
    std::int64_t CutPosition() const { return cut_; }

    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

private:
    friend struct std::default_delete<LogStream>;

    // Throws std::runtime_error("open log-file failed").
    LogStream(const std::wstring& path, std::int32_t mode, std::uint32_t limit);
    ~LogStream();

    // Write a formatted message as one line; negative on an i/o error.
    int Write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int WriteMessage(const char* format, std::va_list args) __attribute__((format(printf, 2, 0)));
    int WriteLine(const std::string& text);
    // Moves the cut past the lines beyond the limit; compacts once the part
    // before the cut is half the limit.
    int ApplyCut();
    // Moves the kept lines to the start of the file.
    int Compact();
    // The closing banner, the last compaction and the file's end.
    bool Finish() noexcept;

    std::wstring path_;
    std::FILE* file_ = nullptr;
    std::uint32_t limit_ = 0;
    std::int64_t cut_ = 0;
    std::int64_t readPos_ = 0;
    std::int64_t length_ = 0;
    // The file's bytes past length_ are stale after a compaction; the file is
    // cut to length_ when it closes.
    bool compacted_ = false;
};

} // namespace __Quarrow__
