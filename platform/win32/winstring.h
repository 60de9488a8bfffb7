// Stand-ins for the Windows locale-aware string calls, over ICU.
// Texts are UTF-16 (char16_t); the 32-bit case-mapping forms take UTF-32.
#pragma once

#include <cstdint>

namespace win32 {

// Locales: only the user's and the system's default are known; both mean the
// process's default locale.
constexpr std::uint32_t kLocaleUserDefault = 0x0400;
constexpr std::uint32_t kLocaleSystemDefault = 0x0800;

// Comparison flags.
constexpr std::uint32_t kNormIgnoreCase = 0x00000001;
constexpr std::uint32_t kNormIgnoreWidth = 0x00020000;

// Comparison results; 0 means the call failed.
constexpr int kCstrLessThan = 1;
constexpr int kCstrEqual = 2;
constexpr int kCstrGreaterThan = 3;

// Compares two texts by the collation of the default locale. A length of -1
// means the text ends at its first zero unit. kNormIgnoreCase folds case and
// kNormIgnoreWidth folds half-width and full-width forms to their ordinary
// forms before comparing; otherwise case and width differences order the
// texts. Fails (0) for an unknown locale or flag, a null text with a non-zero
// length, or a length below -1.
int CompareStringW(std::uint32_t locale, std::uint32_t flags, const char16_t* text1,
                   int length1, const char16_t* text2, int length2);

// Maps the case of `length` units in place, one code point at a time (simple
// case mapping; a surrogate pair is one code point, lone surrogates stay).
// Answers the number of units processed.
std::uint32_t CharLowerBuffW(char16_t* text, std::uint32_t length);
std::uint32_t CharUpperBuffW(char16_t* text, std::uint32_t length);

// The same over UTF-32 units; values that are no code point stay as they are.
std::uint32_t CharLowerBuffUtf32(wchar_t* text, std::uint32_t length);
std::uint32_t CharUpperBuffUtf32(wchar_t* text, std::uint32_t length);
std::uint32_t CharLowerBuffUtf32(std::uint32_t* text, std::uint32_t length);
std::uint32_t CharUpperBuffUtf32(std::uint32_t* text, std::uint32_t length);

} // namespace win32
