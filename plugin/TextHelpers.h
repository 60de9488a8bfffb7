// Text conversions of the framework: wide strings to and from FileMaker texts
// and 8-bit texts of FileMaker's encodings (1 UTF-8, 3 Windows ANSI, 4 Mac
// Roman), line breaks, bounded copies and the module's string resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fmapi/fm_api.h"

namespace __Quarrow__ {

// The text's characters as a wide string. The host's failures pass on as
// exceptions; `out` is then left as it was.
void WideFromText(const FMText* text, std::wstring& out);
// 8-bit text of a FileMaker encoding as a wide string, through a FileMaker
// text. Failures pass on as for WideFromText.
void WideFromBytes(const char* text, std::size_t length, std::int32_t encoding, std::wstring& out);
// A wide string as 8-bit text of a FileMaker encoding, through a FileMaker
// text. False, `out` left as it was, on any failure.
bool BytesFromWide(const std::wstring& text, std::int32_t encoding, std::string& out);

// FileMaker breaks lines with carriage returns: text going to FileMaker has
// every line feed made a return, text coming from it may have every return
// made a line feed.
void LineFeedsToReturns(std::string& text);
void ReturnsToLineFeeds(std::string& text);
void ReturnsToLineFeeds(std::wstring& text);

// Copies `length` characters and a terminating zero into `buffer` only when
// the length is below the capacity; false (buffer untouched) otherwise.
template <class C>
bool CopyWithZero(const C* text, std::size_t length, C* buffer, std::size_t capacity)
{
    if (!buffer || length >= capacity || (length > 0 && !text))
        return false;
    if (length > 0)
        std::memcpy(buffer, text, length * sizeof(C));
    buffer[length] = C(0);
    return true;
}

// String resource `id` of the plug-in module; false with `out` cleared when
// it is missing (or no plug-in object exists).
bool LoadResourceString(std::uint32_t id, std::wstring& out);

} // namespace __Quarrow__
