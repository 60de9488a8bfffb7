// Request handlers: one per calculation function, carrying the function's
// descriptor and the product member (or plain function) that does the work.
#pragma once

#include <cstdint>
#include <string>

#include "fmapi/fm_api.h"

namespace __Quarrow__ {

class PlugIn;

struct FunctionDescriptor {
    // Bits 24 and 25 ask the old-style call to convert parameter and result
    // texts; bit 28 makes the function return the last-result text.
    static constexpr std::uint32_t kConvertParameter = 0x01000000u;
    static constexpr std::uint32_t kConvertResult = 0x02000000u;
    static constexpr std::uint32_t kReturnsLastResult = 0x10000000u;
    static constexpr std::uint32_t kDefaultFlags = 0x0300FF01u;

    // Throws Error(1, -1000) when the name or the prototype is missing.
    void Set(const wchar_t* name, const wchar_t* prototype, std::uint16_t minArgs,
             std::uint16_t maxArgs, std::uint32_t flags);

    std::wstring name;
    std::wstring prototype;
    std::uint16_t minArgs = 0;
    std::uint16_t maxArgs = 1;   // 65535: no upper limit
    std::uint32_t flags = kDefaultFlags;
};

class RqstHandler {
public:
    using Member = std::int16_t (PlugIn::*)(std::int16_t id, const FMExprEnv* env,
                                            const FMDataVect* args, FMData* result);
    using Plain = std::int16_t (*)(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                   FMData* result);

    // Minimum 0, maximum 1 and flags 0x0300FF01 until set otherwise.
    RqstHandler(Member member, const wchar_t* name, const wchar_t* prototype);
    RqstHandler(Member member, const wchar_t* name, const wchar_t* prototype,
                std::uint16_t minArgs, std::uint16_t maxArgs, std::uint32_t flags);
    RqstHandler(Plain plain, const wchar_t* name, const wchar_t* prototype,
                std::uint16_t minArgs, std::uint16_t maxArgs, std::uint32_t flags);
    RqstHandler(const RqstHandler& other) = default;
    RqstHandler& operator=(const RqstHandler&) = delete;
    virtual ~RqstHandler() = default;

    // Calls the binding: a member on the product object, a plain function
    // directly. Answers the function's 16-bit code.
    virtual std::int16_t HandleRequest(std::int16_t id, const FMExprEnv* env,
                                       const FMDataVect* args, FMData* result);

    const FunctionDescriptor& Descriptor() const { return descriptor_; }
    FunctionDescriptor& Descriptor() { return descriptor_; }

protected:
    FunctionDescriptor descriptor_;

private:
    Member member_ = nullptr;
    Plain plain_ = nullptr;
    bool isMember_ = false;
};

// Binds a member of a class derived from PlugIn.
template <class T>
RqstHandler::Member BindMember(std::int16_t (T::*member)(std::int16_t, const FMExprEnv*,
                                                         const FMDataVect*, FMData*))
{
    return static_cast<RqstHandler::Member>(member);
}

} // namespace __Quarrow__
