// Wrapping text into lines of a width, by the measures of the flavour's
// drawing context.
#include "chart/engine/DrawContext.h"

void CDrawContext::WrapText(const std::wstring& family, int size, float maxWidth,
                            const std::wstring& text, std::vector<std::wstring>& lines)
{
    if (text.empty())
        return;
    if (maxWidth >= MeasureString(family, text, size).width) {
        lines.push_back(text);
        return;
    }
    std::wstring pending;
    auto flush = [&lines, &pending] {
        if (!pending.empty())
            lines.push_back(pending);
        pending.clear();
    };
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t space = text.find(L' ', at);
        std::size_t end = space == std::wstring::npos ? text.size() : space;
        std::wstring word = text.substr(at, end - at);
        // A run of spaces is one separator.
        at = space == std::wstring::npos ? text.size() + 1 : text.find_first_not_of(L' ', space);
        if (at == std::wstring::npos)
            at = text.size() + 1;
        if (word.empty())
            continue;
        if (maxWidth <= MeasureString(family, word, size).width) {
            flush();
            BreakWord(family, size, maxWidth, word, lines);
            continue;
        }
        std::wstring candidate = pending + word + L" ";
        if (maxWidth - MeasureString(family, candidate, size).width >= 2.0f) {
            pending = candidate;
        } else {
            flush();
            pending = word + L" ";
        }
    }
    flush();
}

void CDrawContext::BreakWord(const std::wstring& family, int size, float maxWidth,
                             const std::wstring& word, std::vector<std::wstring>& lines)
{
    if (word.empty())
        return;
    if (maxWidth >= MeasureString(family, word, size).width) {
        lines.push_back(word);
        return;
    }
    // wchar_t holds whole code points here, so a piece never splits a character.
    std::wstring piece;
    for (wchar_t c : word) {
        std::wstring candidate = piece + c + L" ";
        if (MeasureString(family, candidate, size).width >= maxWidth) {
            if (!piece.empty())
                lines.push_back(piece);
            piece.clear();
        }
        piece += c;
    }
    if (!piece.empty())
        lines.push_back(piece);
}
