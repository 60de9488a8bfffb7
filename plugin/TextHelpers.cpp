#include "plugin/TextHelpers.h"

#include <algorithm>
#include <vector>

#include "fmx/FMWrapper.h"
#include "fmx/Plugin.h"
#include "fmx/WideText.h"

namespace __Quarrow__ {

void WideFromText(const FMText* text, std::wstring& out)
{
    out = fmx::U16ToWide(fmx::Text(text).GetU16());
}

void WideFromBytes(const char* text, std::size_t length, std::int32_t encoding, std::wstring& out)
{
    fmx::Text fm;
    fm.AssignWithLength(text, static_cast<std::uint32_t>(length), encoding);
    WideFromText(fm.get(), out);
}

bool BytesFromWide(const std::wstring& text, std::int32_t encoding, std::string& out)
{
    try {
        fmx::Text fm;
        fm.AssignWide(text);
        const std::uint32_t units = fm.GetSize();
        if (units == 0) {
            out.clear();
            return true;
        }
        // At most 3 bytes per UTF-16 unit in any of the encodings.
        std::vector<char> bytes(static_cast<std::size_t>(units) * 3 + 1);
        const std::uint32_t written =
            fm.GetBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0, units, encoding);
        out.assign(bytes.data(), std::min<std::size_t>(written, bytes.size()));
        return true;
    } catch (...) {
        return false;
    }
}

void LineFeedsToReturns(std::string& text) { std::replace(text.begin(), text.end(), '\n', '\r'); }

void ReturnsToLineFeeds(std::string& text) { std::replace(text.begin(), text.end(), '\r', '\n'); }

void ReturnsToLineFeeds(std::wstring& text) { std::replace(text.begin(), text.end(), L'\r', L'\n'); }

bool LoadResourceString(std::uint32_t id, std::wstring& out)
{
    out.clear();
    if (!fmx::Plugin::Exists())
        return false;
    std::u16string text;
    if (!fmx::Plugin::LoadModuleString(fmx::Plugin::GetModule(), id, text))
        return false;
    out = fmx::U16ToWide(text);
    return true;
}

} // namespace __Quarrow__
