#include "chart/functions/ArgReaders.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <boost/lexical_cast.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "chart/functions/PVPlugin.h"
#include "chart/output/Logging.h"
#include "fmx/WideText.h"
#include "plugin/Flavour.h"

namespace {

template <class S>
void CarriageReturnsToLineFeeds(S& s)
{
    for (auto& c : s)
        if (c == 13)
            c = 10;
}

// A reader as the flavour runs it: the macOS flavour's readers catch every
// exception themselves and answer false.
template <class Read>
bool Guarded(Read read)
{
    if (!flavour::kReadersCatchEverything)
        return read();
    try {
        return read();
    } catch (...) {
        return false;
    }
}

bool IsControl(wchar_t c)
{
    auto u = static_cast<std::uint32_t>(c);
    return u < 0x20 || (u >= 0x7F && u < 0xA0);
}

} // namespace

std::string TextToString(const FMText* text)
{
    std::string s = fmx::Text(text).GetUtf8();
    CarriageReturnsToLineFeeds(s);
    return s;
}

std::wstring TextToWString(const FMText* text)
{
    std::wstring s = fmx::U16ToWide(fmx::Text(text).GetU16());
    CarriageReturnsToLineFeeds(s);
    return s;
}

std::string CArgs::Utf8(std::uint32_t i) const { return TextToString(fmx::Data(At(i)).GetAsText()); }

std::wstring CArgs::Wide(std::uint32_t i) const { return TextToWString(fmx::Data(At(i)).GetAsText()); }

bool ParseColorText(const std::string& text, CColor& colour)
{
    if (text.empty())
        return false;
    std::vector<std::string> pieces;
    boost::algorithm::split(pieces, text, boost::algorithm::is_any_of(","));
    if (pieces.size() == 3) {
        std::uint32_t rgb[3];
        for (int i = 0; i < 3; ++i) {
            std::string piece = boost::algorithm::trim_copy(pieces[static_cast<std::size_t>(i)]);
            rgb[i] = static_cast<std::uint32_t>(boost::lexical_cast<std::int32_t>(piece)) & 0xFF;
        }
        colour = CColor(0xFF000000u | rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
        return true;
    }
    if (pieces.size() == 1) {
        std::string piece = boost::algorithm::trim_copy(pieces[0]);
        if (piece.size() != 6)
            return false;
        colour = CColor::FromHexText(piece);
        return true;
    }
    return false;
}

bool ReadSingleColor(const FMData* data, CColor& colour)
{
    return Guarded([&] {
        fmx::Data d(data);
        if (d.GetNativeType() != kFMTypeText)
            return false;
        return ParseColorText(TextToString(d.GetAsText()), colour);
    });
}

std::vector<std::wstring> SplitList(const std::wstring& text)
{
    std::vector<std::wstring> pieces;
    boost::algorithm::split(pieces, text, IsControl);
    return pieces;
}

namespace {

// A piece of the plain form lists are made of, -?digits(.digits)?, and
// short enough that its value lies well within float's normal range: the
// float nearest to it, as boost::lexical_cast<float> reads it (both round
// correctly), without a stream per piece. False for any other piece.
bool ReadPlainDecimal(const wchar_t* begin, const wchar_t* end, float& value)
{
    constexpr std::ptrdiff_t kLongest = 24;
    char text[kLongest];
    if (end - begin > kLongest)
        return false;
    std::size_t n = 0;
    const wchar_t* at = begin;
    if (at != end && *at == L'-')
        text[n++] = static_cast<char>(*at++);
    auto digits = [&] {
        const wchar_t* from = at;
        for (; at != end && *at >= L'0' && *at <= L'9'; ++at)
            text[n++] = static_cast<char>(*at);
        return at != from;
    };
    if (!digits())
        return false;
    if (at != end && *at == L'.') {
        text[n++] = '.';
        ++at;
        if (!digits())
            return false;
    }
    if (at != end)
        return false;
    const auto read = std::from_chars(text, text + n, value);
    return read.ec == std::errc() && read.ptr == text + n;
}

} // namespace

bool ParseDataValues(const FMData* data, std::vector<CValuePair>& out, const boost::any& extra)
{
    fmx::Data d(data);
    const std::int32_t type = d.GetNativeType();
    if (type == kFMTypeText) {
        // The pieces between control characters, as SplitList cuts them,
        // read in place.
        const std::wstring text = TextToWString(d.GetAsText());
        const wchar_t* const end = text.data() + text.size();
        for (const wchar_t* begin = text.data();; ++begin) {
            const wchar_t* stop = std::find_if(begin, end, IsControl);
            // A piece that does not read, or reads as no finite number
            // ("inf", "nan", beyond the float range), counts as 0.
            float value = 0.0f;
            if (begin != stop && !ReadPlainDecimal(begin, stop, value)) {
                try {
                    value = boost::lexical_cast<float>(std::wstring(begin, stop));
                } catch (const boost::bad_lexical_cast&) {
                    value = 0.0f;
                }
                if (!std::isfinite(value))
                    value = 0.0f;
            }
            out.emplace_back(value, extra);
            if (stop == end)
                break;
            begin = stop;
        }
        return true;
    }
    if (type == kFMTypeNumber) {
        std::int32_t value = 0;
        PVPlugin::GetLongFromData(data, value, 0);
        out.emplace_back(static_cast<float>(value), extra);
        return true;
    }
    return false;
}

bool ParseLabelList(const FMData* data, std::vector<std::wstring>& out)
{
    fmx::Data d(data);
    const std::int32_t type = d.GetNativeType();
    if (type == kFMTypeText) {
        for (const std::wstring& piece : SplitList(TextToWString(d.GetAsText())))
            out.push_back(piece.empty() ? std::wstring(L"0") : piece);
        return true;
    }
    if (type == kFMTypeNumber) {
        std::int32_t value = 0;
        PVPlugin::GetLongFromData(data, value, 0);
        out.push_back(std::to_wstring(value));
        return true;
    }
    return false;
}

bool PVPlugin::GetLongFromData(const FMData* data, std::int32_t& value, std::int32_t defaultValue)
{
    value = defaultValue;
    bool success = true;
    try {
        fmx::Data d(data);
        const std::int32_t type = d.GetNativeType();
        if (type == kFMTypeText) {
            std::string text = fmx::Text(d.GetAsText()).GetUtf8();
            if (text.empty())
                success = false;
            else
                value = boost::lexical_cast<std::int32_t>(text);
        } else if (type == kFMTypeNumber) {
            value = fmx::FixPt(d.GetAsNumber()).AsLong();
        } else {
            LogWarning("PVPlugin::GetLongFromData got unknown data type");
            success = false;
        }
    } catch (...) {
        success = false;
    }
    if (!success)
        value = defaultValue;
    return success;
}

bool PVPlugin::GetColorFromData(const FMData* data, std::vector<CColor>& out)
{
    return Guarded([&] {
        fmx::Data d(data);
        if (d.GetNativeType() != kFMTypeText) {
            LogWarning("PVPlugin::GetColorFromData got unknown data type");
            return false;
        }
        // Colours are split by the same rule as values and labels.
        const std::wstring text = TextToWString(d.GetAsText());
        if (text.empty())
            return false;
        for (const std::wstring& piece : SplitList(text)) {
            CColor colour;
            if (ParseColorText(fmx::WideToUtf8(piece), colour))
                out.push_back(colour);
            else
                out.push_back(CColor::Random());
        }
        return true;
    });
}
