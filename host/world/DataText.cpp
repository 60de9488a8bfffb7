#include "world/DataText.h"

#include "fmapi/fm_api.h"

namespace hostworld {

bool SetDataText(Draco::DBData* data, const std::u16string& text)
{
    FMError err{1, 0};
    FMText* value = FM_Text_Constructor1(&err);
    if (err.code != 0)
        return false;
    FM_Text_AssignUnicodeWithLength(value, text.data(), static_cast<std::uint32_t>(text.size()), &err);
    if (err.code == 0)
        FM_Data_SetAsText(reinterpret_cast<FMData*>(data), value, nullptr, kFMTypeText, &err);
    const bool done = err.code == 0;
    FM_Text_Delete(value, &err);
    return done;
}

std::string TextOf(const Draco::DBData* data)
{
    if (!data)
        return std::string();
    FMError err{1, 0};
    const FMText* text = FM_Data_GetAsText(reinterpret_cast<const FMData*>(data), &err);
    const std::uint32_t size = err.code == 0 ? FM_Text_GetSize(text, &err) : 0;
    std::u16string units(size, u'\0');
    if (size && err.code == 0)
        FM_Text_GetUnicode(text, &units[0], 0, size, &err);
    return err.code == 0 ? ToUtf8(units) : std::string();
}

} // namespace hostworld
