// Wide text (UTF-32) to and from the host's UTF-16.
#pragma once

#include <string>

namespace fmx {

std::wstring U16ToWide(const std::u16string& text);
std::u16string WideToU16(const std::wstring& text);

} // namespace fmx

namespace fmx {
std::string WideToUtf8(const std::wstring& text);
}
