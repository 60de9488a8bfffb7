#include "fmx/HostText.h"

#include "fmx/HostBinding.h"

namespace fmx {

using namespace fmapi::sym;

bool ReadHostText(const Draco::unistring* text, std::string& out, std::size_t limit)
{
    if (!text)
        return false;
    std::uint32_t length = 0;
    host::Call<unistring_ConvertToNonUnichars>(text, nullptr, &length, fmapi::kDracoEncodingUtf8);
    if (length > limit)
        return false;
    std::string buffer(length + 1, '\0');
    std::uint32_t room = length + 1;
    if (!host::Call<unistring_ConvertToNonUnichars>(text, &buffer[0], &room, fmapi::kDracoEncodingUtf8) ||
        room > length)
        return false;
    out.assign(buffer.data(), room);
    return true;
}

bool WriteHostText(const Draco::unistring* text, const std::string& value)
{
    // The host hands these strings out by reference; they are set in place.
    return host::Call<unistring_ConvertFromNonUnichars>(const_cast<Draco::unistring*>(text), value.data(),
                                                        static_cast<std::uint32_t>(value.size()),
                                                        fmapi::kDracoEncodingUtf8);
}

HostString::HostString(Build build)
{
    if (build == kEmpty)
        host::Call<unistring_Ctor>(&text_);
}

HostString::~HostString()
{
    if (!text_.imp)
        return;
    try {
        host::Call<unistring_Dtor>(&text_);
    } catch (...) {
        // The string cannot be destroyed without its module; it is left.
    }
}

std::string HostString::Utf8() const
{
    std::string out;
    ReadHostText(&text_, out);
    return out;
}

} // namespace fmx
