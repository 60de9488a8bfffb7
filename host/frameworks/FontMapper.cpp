// The font mapper's names: FMEngine's below API level 51 (a string of the
// older form, its buffer from the host's operator new), DBEngine's from 51
// (a string of Support's).
#include <cstring>

#include "Bridge.h"
#include "Utf.h"
#include "Values.h"
#if defined(PV_FRAMEWORK_FMENGINE)
#include "MSLRuntime.h"
#endif

namespace Draco {

unistring DBFontMapper::GetFontName(std::uint16_t id) const
{
    PV_FW_CHECK(DBFontMapper_GetFontName);
    const std::u16string name = framework::FontNameOf(layout_.fileUser, id);
#if defined(PV_FRAMEWORK_FMENGINE)
    fmapi::mac::HostString50 form{static_cast<std::uint32_t>(name.size()), 0, nullptr};
    if (!name.empty()) {
        form.capacity = static_cast<std::uint32_t>(name.size() + 1);
        form.buffer = static_cast<char16_t*>(PVMSLRuntime_New(form.capacity * sizeof(char16_t)));
        std::memcpy(form.buffer, name.c_str(), form.capacity * sizeof(char16_t));
    }
    return unistring(form);
#else
    unistring result;
    std::string bytes;
    if (framework::Utf16ToUtf8(name.data(), name.size(), bytes))
        result.ConvertFromNonUnichars(bytes.data(), bytes.size(), Unicode::kUtf8);
    return result;
#endif
}

} // namespace Draco
