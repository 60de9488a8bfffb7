// FMEngine's strings below API level 51: length, capacity and a buffer taken
// from the host's operator new (MSLRuntime), as the plug-in builds them.
#include <cstring>

#include "MSLRuntime.h"
#include "Utf.h"
#include "Values.h"

namespace Draco {

bool unistring::ConvertFromNonUnichars(const char* text, unsigned long length, Unicode::Encoding encoding)
{
    PV_FW_CHECK(unistring_ConvertFromNonUnichars);
    std::u16string units;
    if (encoding != Unicode::kUtf8 || !framework::Utf8ToUtf16(text, length, units))
        return false;
    fmapi::mac::HostString50& s = Form50();
    char16_t* buffer = nullptr;
    if (!units.empty()) {
        buffer = static_cast<char16_t*>(PVMSLRuntime_New((units.size() + 1) * sizeof(char16_t)));
        std::memcpy(buffer, units.c_str(), (units.size() + 1) * sizeof(char16_t));
    }
    PVMSLRuntime_Delete(s.buffer);
    s.buffer = buffer;
    s.length = static_cast<std::uint32_t>(units.size());
    s.capacity = units.empty() ? 0 : static_cast<std::uint32_t>(units.size() + 1);
    return true;
}

bool unistring::ConvertToNonUnichars(char* out, unsigned long* size, Unicode::Encoding encoding) const
{
    PV_FW_CHECK(unistring_ConvertToNonUnichars);
    const fmapi::mac::HostString50& s = Form50();
    std::string bytes;
    if (!size || encoding != Unicode::kUtf8 || (!s.buffer && s.length) ||
        !framework::Utf16ToUtf8(s.buffer, s.length, bytes))
        return false;
    const unsigned long room = *size;
    *size = bytes.size();
    if (!out || bytes.size() > room)
        return false;
    std::memcpy(out, bytes.data(), bytes.size());
    if (bytes.size() < room)
        out[bytes.size()] = 0;
    return true;
}

} // namespace Draco
