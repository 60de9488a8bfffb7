// The host's old-style external call: one text parameter in a host memory
// handle, split at "|" into the arguments of a registered calculation
// function, and the function's result written back into a second handle as
// text. Handles are reached only through the host callbacks #1 resize, #2
// size, #5 lock, #6 unlock and #9 last memory error; a memory error throws
// std::bad_alloc, and every lock is matched by an unlock on every way out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fmapi/fm_api.h"
#include "fmx/FMWrapper.h"

namespace fm6 {

using HostHandle = std::intptr_t;

// How the handles' bytes are read and written. Texts are read and written in
// the plug-in's byte encoding; the handles hold the host's old-style
// encoding, into which they are converted only when asked.
struct TextForms {
    std::int32_t pluginEncoding;   // Windows ANSI
    std::int32_t hostEncoding;     // Mac Roman
    bool convertParameter;         // host -> plug-in before the parameter is read
    bool convertResult;            // plug-in -> host after the result is written
};

// A host handle and a data value of its text.
class HandleHolder {
public:
    explicit HandleHolder(HostHandle handle) : handle_(handle) {}
    HandleHolder(const HandleHolder&) = delete;
    HandleHolder& operator=(const HandleHolder&) = delete;

    HostHandle Handle() const { return handle_; }
    fmx::Data& Data() { return data_; }

    // The handle's bytes; std::bad_alloc on a memory error.
    std::string ReadBytes() const;
    // Reads the handle, converted as `forms` asks, into the data as text;
    // answers the bytes as read. No handle throws std::runtime_error.
    std::string Load(const TextForms& forms);
    // Writes the data's text into the handle, with a zero after it, and
    // sizes the handle to the text. std::bad_alloc on a memory error,
    // std::runtime_error when the conversion fails.
    void Store(const TextForms& forms);
    // Makes the handle the one-byte text "?"; false when it cannot.
    static bool StoreFailure(HostHandle handle) noexcept;

private:
    HostHandle handle_;
    fmx::Data data_;
};

// Receives the pieces of a split parameter.
class ParamBuilder {
public:
    virtual ~ParamBuilder() = default;
    virtual bool AddParam(const char* bytes, std::size_t length) = 0;
    virtual bool Finish(bool success) = 0;
};

class ExternCall {
public:
    // Builds the argument vector from the parameter text. A parameter that
    // gives the wrong number of arguments throws std::runtime_error; a
    // maximum of 0 leaves the parameter unread and the vector empty.
    ExternCall(FMExtFunction function, std::int16_t id, std::int16_t minArgs, std::int16_t maxArgs,
               HostHandle parameter, HostHandle result, const TextForms& forms);
    ExternCall(const ExternCall&) = delete;
    ExternCall& operator=(const ExternCall&) = delete;

    // Calls the function without an expression environment; its answer.
    std::int16_t Invoke();
    // Writes the function's result into the result handle.
    void WriteBack();

    const fmx::DataVect& Arguments() const { return args_; }

    // The whole call: any non-zero answer or any failure of the split or
    // the write-back leaves "?" in the result handle. True when the
    // function's own result went back.
    static bool Run(FMExtFunction function, std::int16_t id, std::int16_t minArgs, std::int16_t maxArgs,
                    HostHandle parameter, HostHandle result, const TextForms& forms) noexcept;

    // Splits `text` at every "|" into pieces for the builder (an empty text
    // is one empty piece) and finishes it with the outcome.
    static bool SplitParameters(const std::string& text, ParamBuilder& builder);

    class ArgVectBuilder;

private:
    FMExtFunction function_;
    std::int16_t id_;
    TextForms forms_;
    HandleHolder parameter_;
    fmx::DataVect args_;
    HandleHolder result_;
};

// Appends each piece as a text argument; Finish checks the count against
// the minimum and the maximum (-1: no limit) and empties the vector when it
// does not fit.
class ExternCall::ArgVectBuilder : public ParamBuilder {
public:
    ArgVectBuilder(fmx::DataVect& args, std::int32_t encoding, std::int16_t minArgs, std::int16_t maxArgs)
        : args_(args), encoding_(encoding), minArgs_(minArgs), maxArgs_(maxArgs)
    {
    }

    bool AddParam(const char* bytes, std::size_t length) override;
    bool Finish(bool success) override;

private:
    fmx::DataVect& args_;
    std::int32_t encoding_;
    std::int16_t minArgs_;
    std::int16_t maxArgs_;
};

} // namespace fm6
