// The registry of character sets: a fixed list of 43 sets, found by name
// (ignoring ASCII case) or by index, and the search for the first set that
// can hold a text.
#pragma once

#include <cstddef>
#include <string>

#include "cs/CharacterSet.h"

class MICharacterSet {
public:
    MICharacterSet() = delete;

    // The first set named so; an unknown name gives "iso-8859-1".
    static const CS::CharacterSet& GetCharacterSet(const char* name);
    static const CS::CharacterSet& GetCharacterSet(const std::string& name);
    // Its index; an unknown name gives 3, the index of "iso-8859-1".
    static unsigned GetCharacterSetIndex(const char* name);
    static unsigned GetCharacterSetIndex(const std::string& name);
    // Throws std::logic_error for an index of GetCharacterSetCount() or more.
    static const CS::CharacterSet& GetCharacterSetByIndex(unsigned index);
    static unsigned GetCharacterSetCount();

    static const CS::CharacterSet& GetUSASCIICharacterSet();
    static const CS::CharacterSet& GetDefaultCharacterSet();  // "iso-8859-1"
    static const CS::CharacterSet& GetUSASCII8bitCharacterSet();

    // Appends to target the bytes of the first set, in registry order, that
    // holds all n characters of text without substituting any, and returns
    // that set. Kana (or a Japanese system) try "us-ascii" and "iso-2022-jp"
    // first. Whatever target held before the call is kept in front of the
    // bytes; when no set holds the text, target is left as it was and
    // std::runtime_error is thrown.
    static const CS::CharacterSet& ConvertWithBestCharacterSet(const wchar_t* text, std::size_t n,
                                                               std::string& target);

    static bool HasHiragana(const wchar_t* text, std::size_t count);
    static bool HasKatakana(const wchar_t* text, std::size_t count);
    static bool HasKana(const wchar_t* text, std::size_t count);
};
