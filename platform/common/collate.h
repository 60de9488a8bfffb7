// Locale-aware comparison and simple case mapping over ICU, shared by the
// system stand-ins of both flavours. Texts are UTF-16 (char16_t).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pvcommon {

// Folds applied before comparing; without them the difference orders the texts.
enum CollateFold : unsigned {
    kFoldCase = 1u << 0,          // case
    kFoldWidth = 1u << 1,         // half-width and full-width forms
    kFoldDiacritics = 1u << 2,    // accents and other marks
    kIgnorePunctuation = 1u << 3, // punctuation and spaces
    kExactComposition = 1u << 4,  // composed and decomposed forms differ
};

// Compares by the collation of the process's default locale; order receives
// -1, 0 or 1. Canonically equivalent texts collate equal unless
// kExactComposition asks for a code point tie-break. False when ICU fails.
bool Collate(const char16_t* text1, std::size_t length1, const char16_t* text2,
             std::size_t length2, unsigned folds, int& order);

// The folds on their own, in place; false when ICU fails.
bool FoldWidth(std::u16string& text);
bool FoldCase(std::u16string& text);

// Simple (one to one) case mapping of `length` units in place, one code point
// at a time: a surrogate pair is one code point, lone surrogates stay, and a
// mapping that would change the number of units leaves the character.
void LowerUtf16(char16_t* text, std::size_t length);
void UpperUtf16(char16_t* text, std::size_t length);

// The same over UTF-32; values that are no code point stay as they are.
void LowerUtf32(std::uint32_t* text, std::size_t length);
void UpperUtf32(std::uint32_t* text, std::size_t length);
void LowerUtf32(wchar_t* text, std::size_t length);
void UpperUtf32(wchar_t* text, std::size_t length);

}  // namespace pvcommon
