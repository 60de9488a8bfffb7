#include "plugin/RqstHandler.h"

#include "plugin/Error.h"
#include "plugin/PlugIn.h"

namespace __Quarrow__ {

void FunctionDescriptor::Set(const wchar_t* newName, const wchar_t* newPrototype,
                             std::uint16_t newMin, std::uint16_t newMax, std::uint32_t newFlags)
{
    if (!newName || !newPrototype)
        throw MissingArgument();
    name = newName;
    prototype = newPrototype;
    minArgs = newMin;
    maxArgs = newMax;
    flags = newFlags;
}

RqstHandler::RqstHandler(Member member, const wchar_t* name, const wchar_t* prototype)
    : RqstHandler(member, name, prototype, 0, 1, FunctionDescriptor::kDefaultFlags)
{
}

RqstHandler::RqstHandler(Member member, const wchar_t* name, const wchar_t* prototype,
                         std::uint16_t minArgs, std::uint16_t maxArgs, std::uint32_t flags)
    : member_(member), isMember_(true)
{
    if (!member)
        throw MissingArgument();
    descriptor_.Set(name, prototype, minArgs, maxArgs, flags);
}

RqstHandler::RqstHandler(Plain plain, const wchar_t* name, const wchar_t* prototype,
                         std::uint16_t minArgs, std::uint16_t maxArgs, std::uint32_t flags)
    : plain_(plain), isMember_(false)
{
    if (!plain)
        throw MissingArgument();
    descriptor_.Set(name, prototype, minArgs, maxArgs, flags);
}

std::int16_t RqstHandler::HandleRequest(std::int16_t id, const FMExprEnv* env,
                                        const FMDataVect* args, FMData* result)
{
    if (isMember_) {
        PlugIn* product = PlugIn::Product();
        if (!product)
            throw MissingArgument();
        return (product->*member_)(id, env, args, result);
    }
    return plain_(id, env, args, result);
}

} // namespace __Quarrow__
