// Wrapping word by word and character by character, as the rule reads:
// every candidate line measured whole. Slow (quadratic in a line's length),
// kept to check that the drawing context's wrapping gives the same lines.
#pragma once

#include <string>
#include <vector>

namespace pvtest {

// Measure(text) gives the width of a text.
template <class Measure>
void BreakWordByRule(Measure measure, float maxWidth, const std::wstring& word,
                     std::vector<std::wstring>& lines)
{
    if (word.empty())
        return;
    if (maxWidth >= measure(word)) {
        lines.push_back(word);
        return;
    }
    std::wstring piece;
    for (wchar_t c : word) {
        if (measure(piece + c + L" ") >= maxWidth) {
            if (!piece.empty())
                lines.push_back(piece);
            piece.clear();
        }
        piece += c;
    }
    if (!piece.empty())
        lines.push_back(piece);
}

template <class Measure>
std::vector<std::wstring> WrapByRule(Measure measure, float maxWidth, const std::wstring& text)
{
    std::vector<std::wstring> lines;
    if (text.empty())
        return lines;
    if (maxWidth >= measure(text)) {
        lines.push_back(text);
        return lines;
    }
    std::wstring pending;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(L' ', at);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring word = text.substr(at, end - at);
        at = end + 1;
        if (word.empty())
            continue;
        if (maxWidth <= measure(word)) {
            if (!pending.empty())
                lines.push_back(pending);
            pending.clear();
            BreakWordByRule(measure, maxWidth, word, lines);
            continue;
        }
        const std::wstring candidate = pending + word + L" ";
        if (maxWidth - measure(candidate) >= 2.0f) {
            pending = candidate;
        } else {
            if (!pending.empty())
                lines.push_back(pending);
            pending = word + L" ";
        }
    }
    if (!pending.empty())
        lines.push_back(pending);
    return lines;
}

// Texts and widths of ordinary charts: words of several lengths, runs of
// spaces, a word wider than the width, characters outside ASCII.
inline std::vector<std::wstring> OrdinaryTexts()
{
    return {L"Sales",
            L"Sales by region and quarter",
            L"  Revenue   (thousands of euros), 2008 to 2011  ",
            L"Umsatz je Vierteljahr: Äpfel, Birnen und Pflaumen",
            L"Average temperature supercalifragilisticexpialidocious value",
            L"一月 二月 三月 四月 売上高の推移 (百万円)",
            L"a b c d e f g h i j k l m n o p q r s t u v w x y z",
            L"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW iiiiiiiiiiiiiiiiii"};
}

inline std::vector<float> OrdinaryWidths() { return {0.0f, 25.0f, 57.5f, 100.0f, 180.0f, 400.0f}; }

} // namespace pvtest
