// The product log: a line format per channel made of elements, and a sink
// holding the output stream. LogWarning, LogError and LogInfo are the front
// ends; every line is written whole and flushed.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "plugin/Flavour.h"

namespace Logging {

// Channel codes: four characters, the first in the most significant byte.
constexpr std::uint32_t kWarn = 0x7761726E;   // 'warn'
constexpr std::uint32_t kError = 0x6572726F;  // 'erro'
constexpr std::uint32_t kInfo = 0x696E666F;   // 'info'

struct CRecord {
    std::string message;
    std::string text;   // unused by this product's elements
    std::uint32_t code = 0;
    // Where the line was logged from, for formats that show it.
    std::string file;
    std::uint32_t line = 0;
};

class CElement {
public:
    virtual ~CElement() = default;
    virtual std::string Write(const CRecord& record) = 0;
};

// A fixed text.
class CFixedText : public CElement {
public:
    explicit CFixedText(std::string text) : text_(std::move(text)) {}
    std::string Write(const CRecord&) override { return text_; }

private:
    std::string text_;
};

// The current local time as ctime writes it, without its line end.
class CTime : public CElement {
public:
    std::string Write(const CRecord&) override;
};

// The record's message.
class CTrace : public CElement {
public:
    std::string Write(const CRecord& record) override { return record.message; }
};

// The source file the record was logged from.
class CFileName : public CElement {
public:
    ~CFileName() override;
    std::string Write(const CRecord& record) override { return record.file; }
};

// The record's source line as decimal text.
class CLine : public CElement {
public:
    ~CLine() override;
    std::string Write(const CRecord& record) override { return std::to_string(record.line); }
};

// A line feed, for formats that end their own lines.
class CEndOFLine : public CElement {
public:
    ~CEndOFLine() override;
    std::string Write(const CRecord&) override { return "\n"; }
};

class CFormat {
public:
    explicit CFormat(std::uint32_t code) : code_(code) {}
    CFormat& Add(std::shared_ptr<CElement> element);
    std::string Format(const CRecord& record) const;
    std::uint32_t Code() const { return code_; }

private:
    std::uint32_t code_;
    std::vector<std::shared_ptr<CElement>> elements_;
};

struct null_deleter {
    void operator()(const void*) const {}
};

// The stream the lines go to: owned (a file the log opened) or borrowed (a
// stream that outlives the log, such as the process's standard streams).
class CSink {
public:
    explicit CSink(std::unique_ptr<std::ostream> owned);
    explicit CSink(std::ostream& borrowed);
    std::ostream* Stream() const { return stream_.get(); }

private:
    std::shared_ptr<std::ostream> stream_;
};

class CLogger {
public:
    using Channel = std::pair<std::shared_ptr<CFormat>, std::shared_ptr<CSink>>;

    void Add(std::shared_ptr<CFormat> format, std::shared_ptr<CSink> sink);
    void Log(const CRecord& record);

    // The process-wide logger; throws before the first set-up (the front ends
    // ask Exists first and drop the line when there is none).
    static CLogger& Instance();
    static bool Exists();
    static void Replace(std::unique_ptr<CLogger> logger);

private:
    std::vector<Channel> channels_;
};

// Builds the three product channels (warn, erro, info) with the line format
// "time, [PREFIX] - message" writing into one sink, and makes them the
// process-wide logger. A null sink drops every line.
void SetupChannels(std::shared_ptr<CSink> sink);

// Formats the message into the flavour's fixed room (longer messages are
// cut to it).
constexpr std::size_t kMessageRoom = flavour::kLogMessageRoom;

} // namespace Logging

void LogPrintf(const char* format, va_list args, std::uint32_t code);
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The error channel for a caller's own arguments, as the framework's debugger
// takes it.
void VLogError(const char* format, va_list args);
