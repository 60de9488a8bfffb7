#include "chart/output/Logging.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace Logging {

std::string CTime::Write(const CRecord&)
{
    // The ctime text with a two-digit day, as in "Mon Dec 07 22:17:40 2026".
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    std::size_t n = std::strftime(buffer, sizeof(buffer), "%a %b %d %H:%M:%S %Y", &local);
    return std::string(buffer, n);
}

CFileName::~CFileName() = default;
CLine::~CLine() = default;
CEndOFLine::~CEndOFLine() = default;

CFormat& CFormat::Add(std::shared_ptr<CElement> element)
{
    elements_.push_back(std::move(element));
    return *this;
}

std::string CFormat::Format(const CRecord& record) const
{
    std::string line;
    for (const auto& element : elements_)
        line += element->Write(record);
    return line;
}

CSink::CSink(std::unique_ptr<std::ostream> owned) : stream_(std::move(owned)) {}

CSink::CSink(std::ostream& borrowed) : stream_(&borrowed, null_deleter()) {}

void CLogger::Add(std::shared_ptr<CFormat> format, std::shared_ptr<CSink> sink)
{
    channels_.emplace_back(std::move(format), std::move(sink));
}

void CLogger::Log(const CRecord& record)
{
    for (const auto& channel : channels_) {
        if (!channel.first || channel.first->Code() != record.code)
            continue;
        std::ostream* out = channel.second ? channel.second->Stream() : nullptr;
        if (!out)
            continue;
        // One write per line so that channels sharing a stream never interleave.
        std::string line = channel.first->Format(record);
        line += flavour::kProductLogLineEnd;
        out->write(line.data(), static_cast<std::streamsize>(line.size()));
        out->flush();
    }
}

namespace {
std::unique_ptr<CLogger>& Slot()
{
    static std::unique_ptr<CLogger> logger;
    return logger;
}
} // namespace

CLogger& CLogger::Instance()
{
    if (!Slot())
        throw std::runtime_error("Bad access to Singleton::getInstance");
    return *Slot();
}

bool CLogger::Exists() { return Slot() != nullptr; }

void CLogger::Replace(std::unique_ptr<CLogger> logger) { Slot() = std::move(logger); }

void SetupChannels(std::shared_ptr<CSink> sink)
{
    auto logger = std::make_unique<CLogger>();
    const std::pair<std::uint32_t, const char*> channels[] = {
        {kWarn, "[WARNING] - "}, {kError, "[ERROR] - "}, {kInfo, "[INFO] - "}};
    for (const auto& channel : channels) {
        auto format = std::make_shared<CFormat>(channel.first);
        format->Add(std::make_shared<CTime>())
            .Add(std::make_shared<CFixedText>(", "))
            .Add(std::make_shared<CFixedText>(channel.second))
            .Add(std::make_shared<CTrace>());
        logger->Add(format, sink);
    }
    CLogger::Replace(std::move(logger));
}

} // namespace Logging

void LogPrintf(const char* format, va_list args, std::uint32_t code)
{
    // Outside the plug-in, or before its initialisation, there is no log:
    // the line goes nowhere, and the caller's work goes on.
    if (!Logging::CLogger::Exists())
        return;
    char buffer[Logging::kMessageRoom] = {};
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    Logging::CRecord record;
    record.message = buffer;
    record.code = code;
    Logging::CLogger::Instance().Log(record);
}

#define PV_LOG_FRONT(name, code)                 \
    void name(const char* format, ...)           \
    {                                            \
        va_list args;                            \
        va_start(args, format);                  \
        try {                                    \
            LogPrintf(format, args, code);       \
        } catch (...) {                          \
            va_end(args);                        \
            throw;                               \
        }                                        \
        va_end(args);                            \
    }

PV_LOG_FRONT(LogWarning, Logging::kWarn)
PV_LOG_FRONT(LogError, Logging::kError)
PV_LOG_FRONT(LogInfo, Logging::kInfo)

void VLogError(const char* format, va_list args) { LogPrintf(format, args, Logging::kError); }
