// UTF-8 and UTF-16 as the frameworks convert them: strictly, so that
// malformed bytes fail a conversion instead of changing the text.
#pragma once

#include <cstddef>
#include <string>

namespace framework {

bool Utf8ToUtf16(const char* text, std::size_t length, std::u16string& out);
// False for a lone surrogate.
bool Utf16ToUtf8(const char16_t* text, std::size_t length, std::string& out);

} // namespace framework
