// Exceptions of the product and the keeper of the last result: every failure
// of a calculation function becomes a result code, a last-result text and a
// line in the product log.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "plugin/QSingleton.h"

namespace __Quarrow__ {

template <class Debugger>
class Exception : public std::exception {
public:
    virtual std::int16_t report(Debugger& debugger, const std::wstring& functionName) = 0;
};

template <class Debugger, int N>
class ExceptionHandler : public Singleton<Debugger, N> {
public:
    virtual ~ExceptionHandler() = default;
    virtual std::int16_t report(const std::runtime_error& e, const std::wstring& name) = 0;
    virtual std::int16_t report(const std::invalid_argument& e, const std::wstring& name) = 0;
    virtual std::int16_t report(const std::out_of_range& e, const std::wstring& name) = 0;
    virtual std::int16_t report(const std::bad_alloc& e, const std::wstring& name) = 0;
    virtual std::int16_t report(const std::exception& e, const std::wstring& name) = 0;
    virtual std::int16_t reportUnknown(const std::wstring& name) = 0;

    const std::wstring& LastResultText() const { return lastResult_; }
    std::wstring& LastResultText() { return lastResult_; }

protected:
    std::wstring lastResult_;
};

} // namespace __Quarrow__

class PVBaseDebugger;

class PVAbstractException : public __Quarrow__::Exception<PVBaseDebugger> {
public:
    PVAbstractException(std::int16_t code, std::string text) : text_(std::move(text)), code_(code) {}
    std::int16_t Code() const { return code_; }
    const std::string& Text() const { return text_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
    std::int16_t code_;
};

class PVStandardException : public PVAbstractException {
public:
    explicit PVStandardException(std::int16_t code) : PVAbstractException(code, std::string()) {}
    std::int16_t report(PVBaseDebugger& debugger, const std::wstring& functionName) override;
};

class PVBaseDebugger : public __Quarrow__::ExceptionHandler<PVBaseDebugger, 0> {
public:
    // Where the error lines go, printf-style, one line a call: the product
    // hands over its log's error channel (null drops the lines).
    using ErrorLog = void (*)(const char* format, va_list args);

    explicit PVBaseDebugger(ErrorLog errorLog);

    std::int16_t report(const std::runtime_error& e, const std::wstring& name) override;
    std::int16_t report(const std::invalid_argument& e, const std::wstring& name) override;
    std::int16_t report(const std::out_of_range& e, const std::wstring& name) override;
    std::int16_t report(const std::bad_alloc& e, const std::wstring& name) override;
    std::int16_t report(const std::exception& e, const std::wstring& name) override;
    std::int16_t reportUnknown(const std::wstring& name) override;

    void WriteErrorLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::int16_t ReportStandard(const std::wstring& name, const char* what);

    ErrorLog errorLog_;
};

// Formats the last-result text from the exception's code: "%.3d (%S)" with
// the code's message when its magnitude has one, else "%.3d".
void SetResultCode(std::wstring& text, const PVAbstractException& exception);

// The function name as 8-bit text for the log ("us-ascii").
std::string NarrowFunctionName(const std::wstring& name);
