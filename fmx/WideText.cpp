#include "fmx/WideText.h"

#include "buffer"
#include "textconv"

namespace fmx {

std::wstring U16ToWide(const std::u16string& text)
{
    std::wstring out;
    {
        std::string_buffer<std::wstring> buffer(out);
        Utf16ToUtf32(buffer, text.data(), text.size(), false);
    }
    return out;
}

std::u16string WideToU16(const std::wstring& text)
{
    std::u16string out;
    {
        std::string_buffer<std::u16string> buffer(out);
        Utf32ToUtf16(buffer, text.data(), text.size(), false);
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text) { return WideToUtf8String(text); }

} // namespace fmx
