// Code pages of the operating system: byte text of a numbered code page to
// wide text and back. Wide text is UTF-32 here (wchar_t is 32 bits).
//
// The conversions run over glibc's iconv; HZ (52936), which glibc lacks, is
// built on its EUC-CN converter. Every call opens its own converter, so the
// functions may be used from any thread. No best-fit mapping is ever made: a
// character that a code page cannot hold is written as the default
// character '?', and the caller can ask whether that happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace win32 {

// Conversion flag: no best-fit characters. Accepted for every code page; the
// converters never make best-fit substitutions anyway.
constexpr std::uint32_t kNoBestFitChars = 0x400;

// The code pages this stand-in system reports as its own.
std::uint32_t GetACP();    // 1252
std::uint32_t GetOEMCP();  // 437

// True when the code page has a converter here.
bool IsCodePageSupported(std::uint32_t codePage);

// Decodes count bytes of the code page and appends the wide text to out.
// An invalid byte sequence, or one cut off by the end of the source, decodes
// to U+FFFD. Returns false, leaving out as it was, when the code page has no
// converter; a source of escape sequences only succeeds and appends nothing.
bool MultiByteToWide(std::uint32_t codePage, const char* bytes, std::size_t count,
                     std::wstring& out);

// Encodes count wide characters into the code page and appends the bytes to
// out; stateful encodings (ISO-2022, HZ) end in their initial shift state.
// A character the code page cannot hold, or a value that is no Unicode
// scalar value, is written as '?' and *usedDefaultChar (when given) is set
// to true; otherwise it is set to false. Returns false, leaving out as it
// was, when the code page has no converter or the flags are other than 0
// and kNoBestFitChars.
bool WideToMultiByte(std::uint32_t codePage, std::uint32_t flags, const wchar_t* text,
                     std::size_t count, std::string& out, bool* usedDefaultChar);

}  // namespace win32
