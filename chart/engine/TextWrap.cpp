// How much of a text the canvas could show, and wrapping text into lines of
// a width, by the measures of the flavour's drawing context.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "chart/engine/DrawContext.h"
#include "chart/output/Logging.h"

namespace {

// No character a text is drawn with advances less than this part of its em
// (the narrowest glyphs of the families in use, spaces and punctuation, take
// about a fifth). Characters that do not advance at all are counted as if
// they did: they add nothing one could read.
constexpr double kSmallestAdvance = 1.0 / 8.0;

// The measures of one wrapping, with the mean width of a character so far:
// where a line or piece ends is guessed from it and then settled by
// measuring around the guess.
class Meter {
public:
    Meter(CDrawContext& context, const std::wstring& family, int size)
        : context_(context), family_(family), size_(size), longest_(context.ShownLimit(size, false))
    {
    }

    // Characters one line can show: a longer line is wider than the picture.
    std::size_t Longest() const { return longest_; }

    float Width(const std::wstring& text)
    {
        const float width = context_.MeasureString(family_, text, size_).width;
        // A text longer than a line is measured by the part that shows.
        if (width > 0.0f && !text.empty() && text.size() <= longest_) {
            width_ += width;
            characters_ += static_cast<double>(text.size());
        }
        return width;
    }

    // About how many characters fit the width; none measured yet, one.
    std::size_t CharactersIn(float width) const
    {
        if (characters_ <= 0.0 || width_ <= 0.0 || !(width > 0.0f))
            return 1;
        const double count = static_cast<double>(width) * characters_ / width_;
        return count >= 1e15 ? std::size_t(1e15) : static_cast<std::size_t>(count);
    }

private:
    CDrawContext& context_;
    const std::wstring& family_;
    int size_;
    std::size_t longest_;
    double width_ = 0.0;
    double characters_ = 0.0;
};

// The first k in (good, bad) for which fits(k) is false, else bad; fits(good)
// counts as true and fits only turns false once as k grows. Searched from
// the guess outwards, then halving: about two measures when the guess is
// right, a few more the further off it is.
template <class Fits>
std::size_t FirstNotFitting(std::size_t good, std::size_t bad, std::size_t guess, Fits fits)
{
    if (good + 1 >= bad)
        return bad;
    guess = std::min(std::max(guess, good), bad - 1);
    bool up = true;
    if (guess > good) {
        if (fits(guess)) {
            good = guess;
        } else {
            bad = guess;
            up = false;
        }
    }
    std::size_t step = 1;
    if (up) {
        while (good + step < bad) {
            if (!fits(good + step)) {
                bad = good + step;
                break;
            }
            good += step;
            step *= 2;
        }
    } else {
        while (bad - step > good) {
            if (fits(bad - step)) {
                good = bad - step;
                break;
            }
            bad -= step;
            step *= 2;
        }
    }
    while (bad - good > 1) {
        const std::size_t middle = good + (bad - good) / 2;
        if (fits(middle))
            good = middle;
        else
            bad = middle;
    }
    return bad;
}

// A piece grows by a character while piece + character + " " stays narrower
// than the maximum; the piece's first character comes whatever its width.
void Break(Meter& meter, float maxWidth, const std::wstring& word, std::vector<std::wstring>& lines)
{
    if (word.empty())
        return;
    if (maxWidth >= meter.Width(word)) {
        lines.push_back(word);
        return;
    }
    // wchar_t holds whole code points here, so a piece never splits a character.
    std::wstring candidate;
    std::size_t start = 0;
    while (start < word.size()) {
        auto fits = [&](std::size_t last) {
            if (last - start + 2 > meter.Longest())
                return false;
            candidate.assign(word, start, last - start + 1);
            candidate += L' ';
            return meter.Width(candidate) < maxWidth;
        };
        const std::size_t room = meter.CharactersIn(maxWidth);
        const std::size_t guess = start + (room > 2 ? room - 2 : 0);
        const std::size_t end = FirstNotFitting(start, word.size(), guess, fits);
        lines.push_back(word.substr(start, end - start));
        start = end;
    }
}

} // namespace

CDrawContext::TextWork& CDrawContext::TextWorkDone()
{
    static TextWork work;
    return work;
}

std::size_t CDrawContext::ShownLimit(int size, bool wrapped) const
{
    const CSizeF canvas = CanvasSize();
    if (!(canvas.width > 0.0f) || !(canvas.height > 0.0f))
        return std::numeric_limits<std::size_t>::max();
    // Sizes below a point draw at a point or not at all.
    const double em = std::max(1, FontSize(size)) * static_cast<double>(kPixelsPerPoint);
    const double advance = em * kSmallestAdvance;
    const double w = canvas.width, h = canvas.height;
    const double characters = wrapped ? w * h / (advance * em) : std::hypot(w, h) / advance;
    return static_cast<std::size_t>(std::min(std::ceil(characters), 1e15)) + 1;
}

CDrawContext::Kept CDrawContext::KeptOf(int alignment, int angle)
{
    if (angle > 0 || alignment == 1)
        return Kept::Middle;
    return alignment == 2 ? Kept::End : Kept::Start;
}

float CDrawContext::TextLeft(float x, float width, int alignment, int angle)
{
    if (angle > 0)
        alignment = 1;
    switch (alignment) {
    case 0:
        return x;
    case 1:
        return x - width * 0.5f;
    case 2:
        return x - width;
    default:
        if (Logging::CLogger::Exists())
            LogError("Wrong text align type");
        return x;
    }
}

const std::wstring& CDrawContext::ShownText(const std::wstring& text, int size, bool wrapped,
                                            std::wstring& cut, Kept kept) const
{
    const std::size_t limit = ShownLimit(size, wrapped);
    if (text.size() <= limit)
        return text;
    if (!wrapped && kept != Kept::Start) {
        const std::size_t left = text.size() - limit;
        cut.assign(text, kept == Kept::Middle ? left / 2 : left, limit);
        return cut;
    }
    std::size_t end = limit;
    if (wrapped) {
        // Wrapping takes a run of spaces as one separator.
        std::size_t counted = 0;
        for (end = 0; end < text.size(); ++end) {
            if (text[end] == L' ' && end > 0 && text[end - 1] == L' ')
                continue;
            if (++counted > limit)
                break;
        }
        if (end == text.size())
            return text;
    }
    cut.assign(text, 0, end);
    return cut;
}

void CDrawContext::WrapText(const std::wstring& family, int size, float maxWidth,
                            const std::wstring& text, std::vector<std::wstring>& lines)
{
    std::wstring cut;
    const std::wstring& shown = ShownText(text, size, true, cut);
    if (shown.empty())
        return;
    Meter meter(*this, family, size);
    if (maxWidth >= meter.Width(shown)) {
        lines.push_back(shown);
        return;
    }
    // Words split at spaces, a run of spaces one separator.
    std::vector<std::pair<std::size_t, std::size_t>> words;
    for (std::size_t at = 0; at < shown.size();) {
        const std::size_t end = std::min(shown.find(L' ', at), shown.size());
        if (end > at)
            words.emplace_back(at, end - at);
        at = end + 1;
    }
    // A line starts with its first word (and a space) whatever its width
    // and takes the words after it while line + word + " " leaves 2 pixels
    // to spare; a word as wide as the maximum is broken into pieces of its
    // own.
    std::wstring line;
    // False, with the line unfinished, once it is longer than a line shows.
    auto join = [&](std::size_t first, std::size_t last) {
        line.clear();
        for (std::size_t k = first; k <= last; ++k) {
            if (line.size() + words[k].second + 1 > meter.Longest())
                return false;
            line.append(shown, words[k].first, words[k].second);
            line += L' ';
        }
        return true;
    };
    std::size_t first = 0;
    while (first < words.size()) {
        const std::wstring word = shown.substr(words[first].first, words[first].second);
        if (maxWidth <= meter.Width(word)) {
            Break(meter, maxWidth, word, lines);
            ++first;
            continue;
        }
        auto fits = [&](std::size_t last) {
            return join(first, last) && maxWidth - meter.Width(line) >= 2.0f;
        };
        const std::size_t room = meter.CharactersIn(maxWidth - 2.0f);
        std::size_t guess = first;
        for (std::size_t length = word.size() + 1;
             guess + 1 < words.size() && length + words[guess + 1].second + 1 <= room; ++guess)
            length += words[guess + 1].second + 1;
        const std::size_t end = FirstNotFitting(first, words.size(), guess, fits);
        if (end == first + 1) {
            line = word;
            line += L' ';
        } else {
            join(first, end - 1);
        }
        lines.push_back(line);
        first = end;
    }
}

void CDrawContext::BreakWord(const std::wstring& family, int size, float maxWidth,
                             const std::wstring& word, std::vector<std::wstring>& lines)
{
    std::wstring cut;
    Meter meter(*this, family, size);
    Break(meter, maxWidth, ShownText(word, size, true, cut), lines);
}
