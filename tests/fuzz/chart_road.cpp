// The whole chart road through the plug-in's functions, as a solution could
// drive it: charts of any type with any of their 21 arguments as texts,
// numbers or dates, graphs, values (control characters, inf, nan, huge and
// tiny numbers, FileMaker numbers), labels and pie colours, pictures and
// destruction, in any order. Pictures stay small (sides up to 256) and calls
// are bounded, so that one input runs in milliseconds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fmapi/container_streams.h"
#include "support/plugin_harness.h"

namespace {

using fmapi::kJpegStream;
using fmapi::kPngStream;
using fmapi::kSizeStream;
using pvtest::Arg;

constexpr int kMaxSide = 256;
constexpr int kMaxCalls = 16;
constexpr std::size_t kMaxPieces = 64;
constexpr std::size_t kMaxText = 48;

const char16_t* const kCharts[] = {u"c", u"C", u""};
const char16_t* const kGraphs[] = {u"g", u"h", u"", u"g2", u"zeta", u"alpha", u"x", u"y"};

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Any UTF-16 units, lone surrogates and control characters included.
std::u16string AnyText(FuzzedDataProvider& in)
{
    std::u16string out;
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, kMaxText);
    for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i)
        out.push_back(in.ConsumeIntegral<char16_t>());
    return out;
}

std::u16string OneOf(FuzzedDataProvider& in, std::initializer_list<const char16_t*> words)
{
    const std::size_t i = in.ConsumeIntegralInRange<std::size_t>(0, words.size());
    return i < words.size() ? std::u16string(words.begin()[i]) : AnyText(in);
}

std::u16string Decimal(double v)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%.9g", v);
    return Ascii(text);
}

// One value piece as a solution might type or compute it.
std::u16string ValuePiece(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 6)) {
    case 0:
        return OneOf(in, {u"inf", u"-inf", u"INF", u"nan", u"-nan", u"NaN", u"infinity", u"3.4e38",
                          u"3.40282347e38", u"3.5e38", u"-3.4e38", u"1e39", u"1e-38", u"1e-45", u"1e-46",
                          u"0", u"-0", u"", u" 1", u"1 ", u"1,5", u"12 pt", u"0x10", u"2147483648",
                          u"5e9", u"9.3e18", u".5", u"-"});
    case 1:
        return Ascii(std::to_string(in.ConsumeIntegral<std::int64_t>()));
    case 2:
        return Decimal(in.ConsumeFloatingPoint<float>());
    case 3:
        return Decimal(in.ConsumeFloatingPointInRange<double>(-1000.0, 1000.0));
    case 4:
        return Ascii(std::to_string(in.ConsumeIntegralInRange(0, 100)));
    default:
        return AnyText(in);
    }
}

// Pieces joined by control characters, the list separators.
std::u16string List(FuzzedDataProvider& in, std::u16string (*piece)(FuzzedDataProvider&))
{
    static const char16_t kSeparators[] = {u'\r', u'\n', u'\t', 0x01, 0x1F, 0x7F, 0x85};
    std::u16string out;
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, kMaxPieces);
    for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
        if (i > 0)
            out.push_back(kSeparators[in.ConsumeIntegralInRange<std::size_t>(0, 6)]);
        out += piece(in);
    }
    return out;
}

std::u16string ColourText(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: {
        char text[16];
        std::snprintf(text, sizeof(text), "%06X", in.ConsumeIntegralInRange(0, 0xFFFFFF));
        return Ascii(text);
    }
    case 1:
        return Ascii(std::to_string(in.ConsumeIntegralInRange(-300, 300)) + "," +
                     std::to_string(in.ConsumeIntegralInRange(-300, 300)) + "," +
                     std::to_string(in.ConsumeIntegralInRange(-300, 300)));
    case 2:
        return OneOf(in, {u"", u"FF00", u"1,2", u"1,x,3", u" 255 , 0 , 0 ", u"GGGGGG", u"ff0000 ",
                          u"1,2,3,4", u"99999999999,0,0"});
    default:
        return AnyText(in);
    }
}

// A text, a FileMaker number or a date, as any argument may come.
Arg AnyKind(FuzzedDataProvider& in, const std::u16string& text)
{
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
        return Arg::Number(in.ConsumeFloatingPoint<double>());
    case 1:
        return Arg::Date(in.ConsumeFloatingPointInRange<double>(-1e6, 1e6));
    default:
        return Arg(text);
    }
}

// A side that keeps the picture small: a whole number up to kMaxSide as text
// or number, or a text that is no number at all.
Arg Side(FuzzedDataProvider& in)
{
    const int side = in.ConsumeIntegralInRange(-4, kMaxSide);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return Arg::Number(side + in.ConsumeFloatingPointInRange<double>(0.0, 0.999));
    case 1:
        return Arg(OneOf(in, {u"", u"abc", u"640.5", u"12 pt", u"-", u"1e3"}));
    default:
        return Arg(Ascii(std::to_string(side)));
    }
}

std::u16string FontName(FuzzedDataProvider& in)
{
    return OneOf(in, {u"Times", u"Arial", u"Courier", u"DejaVu Sans", u"Liberation Serif", u"",
                      u"sans-serif", u"No Such Font"});
}

std::u16string FontSize(FuzzedDataProvider& in)
{
    if (in.ConsumeBool())
        return Ascii(std::to_string(in.ConsumeIntegralInRange(-20, 400)));
    return OneOf(in, {u"", u"12.5", u"x", u"2147483647", u"-2147483648", u"99999999999"});
}

void Create(FuzzedDataProvider& in, const std::u16string& name)
{
    std::vector<Arg> args;
    args.emplace_back(OneOf(in, {u"pie 2d", u"pie 3d", u"bars 2d", u"bars 3d", u"lines",
                                 u"lines soft", u"lines dotted", u"PIE 3D", u"Lines Soft", u"pie"}));
    args.emplace_back(name);
    args.push_back(AnyKind(in, OneOf(in, {u"png", u"jpeg", u"JPEG", u"jpg", u""})));
    // Without the sides a chart would take 640 by 480.
    args.push_back(Side(in));
    args.push_back(Side(in));
    const int count = in.ConsumeIntegralInRange(5, 21);
    for (int pos = 5; pos < count; ++pos) {
        std::u16string text;
        switch (pos) {
        case 5: case 9: case 13: case 17: case 19:
            text = ColourText(in);
            break;
        case 6:
            text = AnyText(in);
            break;
        case 7: case 11: case 15:
            text = FontName(in);
            break;
        case 8: case 12: case 16:
            text = FontSize(in);
            break;
        case 10:
            text = OneOf(in, {u"vertical", u"VERTICAL", u"horizontal", u"auto"});
            break;
        case 14:
            text = OneOf(in, {u"left", u"Left", u"right"});
            break;
        case 18:
            text = OneOf(in, {u"values", u"percentage", u"none", u"VALUES"});
            break;
        default:
            text = OneOf(in, {u"hideGrid", u"HIDEGRID", u"showGrid"});
            break;
        }
        args.push_back(AnyKind(in, text));
    }
    pvtest::Call(u"PVane_CreateChart", args);
}

// A picture, when one comes back, is no larger than asked and of its kind.
void Picture(const std::u16string& name)
{
    const pvtest::CallResult r = pvtest::CallText(u"PVane_GetChart", {name});
    std::vector<unsigned char> bytes;
    if (pvtest::StreamOf(r, kSizeStream, &bytes)) {
        if (bytes.size() != 4)
            __builtin_trap();
        const int width = bytes[0] << 8 | bytes[1];
        const int height = bytes[2] << 8 | bytes[3];
        if (width > kMaxSide || height > kMaxSide)
            __builtin_trap();
    }
    if (pvtest::StreamOf(r, kPngStream, &bytes) && !bytes.empty() &&
        (bytes.size() < 8 || bytes[0] != 0x89 || bytes[1] != 'P' || bytes[2] != 'N' || bytes[3] != 'G'))
        __builtin_trap();
    if (pvtest::StreamOf(r, kJpegStream, &bytes) && !bytes.empty() &&
        (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = [] {
        pvtest::Init();
        pvtest::CallText(u"PVane_SetupLog", {u"logOff"});
        return true;
    }();
    (void)ready;

    FuzzedDataProvider in(data, size);
    Create(in, kCharts[0]);
    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call) {
        const std::u16string chart = kCharts[in.ConsumeIntegralInRange<std::size_t>(0, 2)];
        const std::u16string graph = kGraphs[in.ConsumeIntegralInRange<std::size_t>(0, 7)];
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0:
            Create(in, chart);
            break;
        case 1:
        case 2: {
            std::vector<Arg> args{chart, graph};
            if (in.ConsumeBool())
                args.push_back(AnyKind(in, AnyText(in)));
            if (in.ConsumeBool())
                args.push_back(AnyKind(in, ColourText(in)));
            pvtest::Call(u"PVane_AddGraph", args);
            break;
        }
        case 3:
        case 4:
        case 5: {
            std::vector<Arg> args{chart, graph, AnyKind(in, List(in, ValuePiece))};
            if (in.ConsumeBool())
                args.push_back(AnyKind(in, OneOf(in, {u"exploded", u"EXPLODED", u""})));
            pvtest::Call(u"PVane_AddData", args);
            break;
        }
        case 6:
            pvtest::Call(u"PVane_AddLabels", {chart, AnyKind(in, List(in, AnyText))});
            break;
        case 7:
            pvtest::Call(u"PVane_AddPieColors", {chart, AnyKind(in, List(in, ColourText))});
            break;
        case 8:
            Picture(chart);
            break;
        default:
            pvtest::CallText(u"PVane_DestroyChart", {chart});
            break;
        }
    }
    // Every chart drawn once more, then gone: the next input starts empty.
    for (const char16_t* chart : kCharts) {
        Picture(chart);
        pvtest::CallText(u"PVane_DestroyChart", {chart});
    }
    return 0;
}
