#include "plugin/LogStream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "plugin/Flavour.h"
#include "plugin/LogFile.h"

namespace __Quarrow__ {

namespace {

LogStream* g_log = nullptr;
bool g_stamped = false;

constexpr std::size_t kBlock = 512;
const char kSeparator[] = "\r\n";

// The length of `text` cut to at most `room` bytes without splitting a UTF-8
// sequence (text that is not UTF-8 is cut at `room`).
std::size_t CutOnCharacter(const char* text, std::size_t length, std::size_t room)
{
    if (length <= room)
        return length;
    std::size_t start = room;
    int continuation = 0;
    while (start > 0 && continuation < 3 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        --start;
        ++continuation;
    }
    return continuation > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0xC0 ? start : room;
}

std::string Stamp()
{
    const logfile::LocalTime t = logfile::Now();
    char text[64];
    std::snprintf(text, sizeof text, "%.2d.%.2d.%d %.2d:%.2d:%.2d", t.day, t.month, t.year, t.hour, t.minute,
                  t.second);
    return text;
}

// The runtime's calendar form without its line end: "Wed Jan 02 02:03:55 1980".
std::string Calendar()
{
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const logfile::LocalTime t = logfile::Now();
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %.2d %.2d:%.2d:%.2d %d", days[(t.weekday % 7 + 7) % 7],
                  months[((t.month + 11) % 12 + 12) % 12], t.day, t.hour, t.minute, t.second, t.year);
    return text;
}

// Carriage returns and line feeds become "\r" and "\n": one call, one line.
std::string Escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

} // namespace

std::uint32_t LogStream::ApplyLimit(std::int32_t requested)
{
    const auto size = static_cast<std::uint32_t>(requested);
    if (size == 0 || size > kLargestLimit)
        return kLargestLimit;
    if (size < kSmallestLimit)
        return kSmallestLimit;
    return (size + kLimitStep - 1) / kLimitStep * kLimitStep;
}

LogStream* LogStream::Current() { return g_log; }

bool LogStream::Stamped() { return g_stamped; }

LogStream::LogStream(const std::wstring& path, std::int32_t mode, std::uint32_t limit)
    : path_(path), limit_(limit)
{
    if (mode == kAppend)
        file_ = logfile::Open(path, flavour::kLogStreamUpdateMode);
    if (!file_)
        file_ = logfile::Open(path, flavour::kLogStreamNewMode);
    if (!file_)
        throw std::runtime_error("open log-file failed");
    if (logfile::SeekEnd(file_) != 0 || (length_ = logfile::Tell(file_)) < 0) {
        std::fclose(file_);
        file_ = nullptr;
        throw std::runtime_error("open log-file failed");
    }
}

LogStream::~LogStream()
{
    if (file_)
        std::fclose(file_);
}

bool LogStream::Open(const std::wstring& path, std::int32_t mode, std::int32_t limit, bool stamped)
{
    g_stamped = stamped;
    if (mode == kClose)
        return Close();
    if (g_log || (mode != kAppend && mode != kNew))
        return false;
    const std::uint32_t applied = ApplyLimit(limit);
    try {
        std::unique_ptr<LogStream> log(new LogStream(path, mode, applied));
        if (mode == kAppend && log->length_ > applied) {
            // An old log beyond the limit is cut down by closing it once; the
            // new one then continues it, or starts afresh when that failed.
            g_log = log.release();
            const bool closed = Close();
            log.reset(new LogStream(path, closed ? kAppend : kNew, applied));
        }
        g_log = log.release();
        g_log->Write("Log started at %s", Calendar().c_str());
    } catch (...) {
        return g_log != nullptr;
    }
    return true;
}

void LogStream::Printf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    VPrintf(format, args);
    va_end(args);
}

void LogStream::VPrintf(const char* format, std::va_list args)
{
    if (!g_log || !format)
        return;
    try {
        g_log->WriteMessage(format, args);
    } catch (...) {
    }
}

bool LogStream::Close() noexcept
{
    LogStream* log = g_log;
    if (!log)
        return false;
    const bool kept = log->Finish();
    g_log = nullptr;
    delete log;
    return kept;
}

int LogStream::Write(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    int code = -1;
    try {
        code = WriteMessage(format, args);
    } catch (...) {
    }
    va_end(args);
    return code;
}

int LogStream::WriteMessage(const char* format, std::va_list args)
{
    // One byte more than the message keeps: the byte after the cut tells
    // whether the cut splits a character.
    char buffer[kMessageRoom + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0)
        return -1;
    const std::size_t kept = CutOnCharacter(buffer, static_cast<std::size_t>(n), kMessageRoom - 1);
    std::string line(buffer, kept);
    if (g_stamped && format[0])
        line = "[" + Stamp() + "] - " + line;
    return WriteLine(Escape(line));
}

int LogStream::WriteLine(const std::string& text)
{
    if (!file_ || logfile::Seek(file_, length_) != 0)
        return -1;
    bool written = length_ == 0 || std::fwrite(kSeparator, 1, 2, file_) == 2;
    written = written && (text.empty() || std::fwrite(text.data(), 1, text.size(), file_) == text.size());
    // Every line is handed to the system at once; the disk is not synced.
    written = std::fflush(file_) == 0 && written;
    const std::int64_t end = logfile::Tell(file_);
    if (end >= 0)
        length_ = end;
    if (!written)
        return -2;
    return ApplyCut();
}

int LogStream::ApplyCut()
{
    const std::int64_t excess = length_ - cut_ - static_cast<std::int64_t>(limit_);
    if (excess > 0) {
        // The kept part starts at the first line start at or past cut_ +
        // excess. A search that meets the end of the file without a line
        // feed stops there and leaves the cut where it was.
        std::int64_t at = std::max(readPos_, cut_ + excess - 1);
        char block[kBlock];
        bool found = false;
        while (at < length_ && !found) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kBlock, length_ - at));
            if (logfile::Seek(file_, at) != 0 || std::fread(block, 1, n, file_) != n)
                return -3;
            if (const void* lf = std::memchr(block, '\n', n)) {
                cut_ = at + (static_cast<const char*>(lf) - block) + 1;
                found = true;
            } else {
                at += static_cast<std::int64_t>(n);
            }
        }
        readPos_ = found ? cut_ : length_;
    }
    // Compaction waits until the part before the cut is half the limit, so
    // the open file stays below one and a half limits and a line.
    if (cut_ > 0 && cut_ >= static_cast<std::int64_t>(limit_ / 2))
        return Compact();
    return 0;
}

int LogStream::Compact()
{
    char block[kBlock];
    std::int64_t from = cut_;
    std::int64_t to = 0;
    while (from < length_) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kBlock, length_ - from));
        if (logfile::Seek(file_, from) != 0 || std::fread(block, 1, n, file_) != n)
            return -4;
        if (logfile::Seek(file_, to) != 0 || std::fwrite(block, 1, n, file_) != n)
            return -5;
        from += static_cast<std::int64_t>(n);
        to += static_cast<std::int64_t>(n);
    }
    if (std::fflush(file_) != 0)
        return -5;
    length_ -= cut_;
    readPos_ = std::max<std::int64_t>(0, readPos_ - cut_);
    cut_ = 0;
    compacted_ = true;
    return 0;
}

bool LogStream::Finish() noexcept
{
    bool kept = false;
    try {
        WriteLine(std::string());
        Write("Log stopped at %s", Calendar().c_str());
        kept = cut_ == 0 || Compact() == 0;
    } catch (...) {
    }
    kept = std::fclose(file_) == 0 && kept;
    file_ = nullptr;
    if (!compacted_)
        return kept;
    // The bytes past the compacted log are cut off.
    try {
        return logfile::SetLength(path_, length_) && kept;
    } catch (...) {
        return false;
    }
}

} // namespace __Quarrow__
