#include "fmx/ExternCall.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "fmx/AccessMgr.h"
#include "fmx/TextMgr.h"

namespace fm6 {

namespace {

constexpr std::intptr_t kBytesPerCharacter = 6;

void CheckMemory()
{
    if (fmx::HostCallback9(0, 0) != 0)
        throw std::bad_alloc();
}

void Resize(HostHandle handle, std::intptr_t size)
{
    fmx::HostCallback1(handle, size);
    CheckMemory();
}

std::intptr_t SizeOf(HostHandle handle)
{
    const std::intptr_t size = fmx::HostCallback2(handle, 0);
    CheckMemory();
    if (size < 0)
        throw std::bad_alloc();
    return size;
}

// A handle locked for the life of this object. A lock the host reports
// failed and that gave no address has nothing to undo; every other lock is
// undone on every way out.
class Locked {
public:
    explicit Locked(HostHandle handle) : handle_(handle)
    {
        address_ = reinterpret_cast<char*>(fmx::HostCallback5(handle, 0));
        const bool failed = fmx::HostCallback9(0, 0) != 0;
        if (failed && !address_)
            throw std::bad_alloc();
        locked_ = true;
        if (failed || !address_) {
            Unlock();
            throw std::bad_alloc();
        }
    }
    ~Locked() { Unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    char* Address() const { return address_; }

    void Unlock() noexcept
    {
        if (!locked_)
            return;
        locked_ = false;
        try {
            fmx::HostCallback6(handle_, 0);
        } catch (...) {
        }
    }

private:
    HostHandle handle_;
    char* address_ = nullptr;
    bool locked_ = false;
};

void Convert(std::int32_t from, std::int32_t to, char* bytes, std::size_t length)
{
    if (from == to || length == 0)
        return;
    if (fmx::Singleton<fmx::TextMgr>::GetInstance().ConvertInPlace(from, to, bytes,
                                                                    static_cast<std::uint32_t>(length)) != 0)
        throw std::runtime_error("text conversion failed");
}

} // namespace

// ---- HandleHolder

std::string HandleHolder::ReadBytes() const
{
    Locked locked(handle_);
    const std::intptr_t size = SizeOf(handle_);
    return std::string(locked.Address(), static_cast<std::size_t>(size));
}

std::string HandleHolder::Load(const TextForms& forms)
{
    if (!handle_)
        throw std::runtime_error("no parameter handle");
    std::string bytes = ReadBytes();
    if (forms.convertParameter)
        Convert(forms.hostEncoding, forms.pluginEncoding, &bytes[0], bytes.size());
    fmx::Text text;
    text.AssignWithLength(bytes.data(), static_cast<std::uint32_t>(bytes.size()), forms.pluginEncoding);
    fmx::Locale locale;
    data_.SetAsText(text, locale);
    return bytes;
}

void HandleHolder::Store(const TextForms& forms)
{
    const fmx::Text text(data_.GetAsText());
    const std::uint32_t characters = text.GetSize();
    Resize(handle_, kBytesPerCharacter * static_cast<std::intptr_t>(characters) + 2);
    std::size_t length = 0;
    {
        Locked locked(handle_);
        const auto size = static_cast<std::size_t>(SizeOf(handle_));
        char* bytes = locked.Address();
        if (size > 0) {
            std::size_t written =
                text.GetBytes(bytes, static_cast<std::uint32_t>(size - 1), 0, characters, forms.pluginEncoding);
            written = std::min(written, size - 1);
            bytes[written] = 0;
            length = strnlen(bytes, size);
        }
        if (forms.convertResult)
            Convert(forms.pluginEncoding, forms.hostEncoding, bytes, length);
    }
    Resize(handle_, static_cast<std::intptr_t>(length));
}

bool HandleHolder::StoreFailure(HostHandle handle) noexcept
{
    try {
        Resize(handle, 1);
        Locked locked(handle);
        locked.Address()[0] = '?';
        return true;
    } catch (...) {
        return false;
    }
}

// ---- ArgVectBuilder

bool ExternCall::ArgVectBuilder::AddParam(const char* bytes, std::size_t length)
{
    try {
        fmx::Text text;
        text.AssignWithLength(bytes, static_cast<std::uint32_t>(length), encoding_);
        fmx::Locale locale;
        fmx::Data data;
        data.SetAsText(text, locale);
        args_.PushBack(data);
        return true;
    } catch (...) {
        return false;
    }
}

bool ExternCall::ArgVectBuilder::Finish(bool success)
{
    const std::uint32_t count = args_.Size();
    bool fits;
    if (maxArgs_ == 0)
        fits = count == 0;
    else
        fits = minArgs_ >= 0 && count >= static_cast<std::uint32_t>(minArgs_) &&
               (maxArgs_ == -1 || (maxArgs_ > 0 && count <= static_cast<std::uint32_t>(maxArgs_)));
    if (success && fits)
        return true;
    args_.Clear();
    return false;
}

// ---- ExternCall

bool ExternCall::SplitParameters(const std::string& text, ParamBuilder& builder)
{
    bool ok = true;
    std::size_t start = 0;
    // Every "|" ends a piece; what follows the last one (maybe nothing) is
    // the last piece, so an empty text is one empty piece.
    while (ok) {
        const std::size_t bar = text.find('|', start);
        const std::size_t end = bar == std::string::npos ? text.size() : bar;
        ok = builder.AddParam(text.data() + start, end - start);
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return builder.Finish(ok);
}

ExternCall::ExternCall(FMExtFunction function, std::int16_t id, std::int16_t minArgs, std::int16_t maxArgs,
                       HostHandle parameter, HostHandle result, const TextForms& forms)
    : function_(function), id_(id), forms_(forms), parameter_(parameter), result_(result)
{
    // The function starts from an empty result.
    result_.Data().Clear(kFMTypeInvalid);
    if (maxArgs == 0)
        return;
    const std::string text = parameter_.Load(forms_);
    ArgVectBuilder builder(args_, forms_.pluginEncoding, minArgs, maxArgs);
    if (!SplitParameters(text, builder))
        throw std::runtime_error("argument vector construction failed");
}

std::int16_t ExternCall::Invoke()
{
    if (!function_)
        throw std::runtime_error("no function to call");
    return function_(id_, nullptr, args_.get(), result_.Data().get());
}

void ExternCall::WriteBack() { result_.Store(forms_); }

bool ExternCall::Run(FMExtFunction function, std::int16_t id, std::int16_t minArgs, std::int16_t maxArgs,
                     HostHandle parameter, HostHandle result, const TextForms& forms) noexcept
{
    try {
        ExternCall call(function, id, minArgs, maxArgs, parameter, result, forms);
        if (call.Invoke() == 0) {
            call.WriteBack();
            return true;
        }
    } catch (...) {
    }
    HandleHolder::StoreFailure(result);
    return false;
}

} // namespace fm6
