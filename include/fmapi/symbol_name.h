// The ELF name under which a host module exports a function that the plug-in
// binds by its decorated name.
//
// "@@" inside an ELF symbol name means a symbol version, so decorated names
// cannot be exported as they stand. A name that is a plain C identifier stays
// as it is; any other name becomes "msx_" followed by the name with ASCII
// letters and digits kept and every other byte written as "_XX" (two
// upper-case hexadecimal digits). EscapeSymbol is the only place that knows
// the rule: the plug-in's lookups and the host's exports (checked at compile
// time) both go through it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fmapi {

constexpr bool IsAsciiAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

constexpr bool IsPlainIdentifier(std::string_view name)
{
    if (name.empty() || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (char c : name)
        if (!IsAsciiAlnum(c) && c != '_')
            return false;
    return true;
}

// Feeds the escaped form of `name` to `out`, one character at a time.
template <class Out>
constexpr void EscapeSymbol(std::string_view name, Out&& out)
{
    if (IsPlainIdentifier(name)) {
        for (char c : name)
            out(c);
        return;
    }
    constexpr char digits[] = "0123456789ABCDEF";
    out('m');
    out('s');
    out('x');
    out('_');
    for (char c : name) {
        if (IsAsciiAlnum(c)) {
            out(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out('_');
            out(digits[byte >> 4]);
            out(digits[byte & 0xF]);
        }
    }
}

// True when `escaped` is the escaped form of `name`.
constexpr bool MatchesEscaped(std::string_view name, std::string_view escaped)
{
    std::size_t at = 0;
    bool same = true;
    EscapeSymbol(name, [&](char c) {
        if (at >= escaped.size() || escaped[at] != c)
            same = false;
        ++at;
    });
    return same && at == escaped.size();
}

inline std::string EscapedSymbolName(std::string_view name)
{
    std::string out;
    out.reserve(name.size() * 2 + 4);
    EscapeSymbol(name, [&](char c) { out.push_back(c); });
    return out;
}

} // namespace fmapi
