#include "chart/engine/Color.h"

#include <cstdlib>

#include "chart/engine/DrawContext.h"
#include "chart/output/Logging.h"

CColor CColor::Shade(const CColor& colour, int percent)
{
    auto channel = [percent](std::uint32_t value) -> std::uint32_t {
        long long v = static_cast<long long>(value) * percent / 100;
        if (v < 0)
            v = 0;
        if (v > 255)
            v = 255;
        return static_cast<std::uint32_t>(v);
    };
    std::uint32_t r = channel(colour.R());
    std::uint32_t g = channel(colour.G());
    std::uint32_t b = channel(colour.B());
    return CColor(0xFF000000u | r << 16 | g << 8 | b);
}

CColor CColor::Random()
{
    std::uint32_t r = static_cast<std::uint32_t>(std::rand() % 255);
    std::uint32_t g = static_cast<std::uint32_t>(std::rand() % 255);
    std::uint32_t b = static_cast<std::uint32_t>(std::rand() % 255);
    return CColor(0xFF000000u | r << 16 | g << 8 | b);
}

CColor CColor::SystemTagColor() { return CDrawContext::GetSystemColor(); }

CColor CColor::FromHexText(const std::string& text)
{
    std::uint32_t rgb[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        std::size_t at = static_cast<std::size_t>(i) * 2;
        std::string piece = at < text.size() ? text.substr(at, 2) : std::string();
        rgb[i] = HexValue(piece) % 256;
    }
    return CColor(0xFF000000u | rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
}

std::uint32_t CColor::HexValue(const std::string& text)
{
    std::uint32_t value = 0;
    unsigned shift = 0;
    for (auto it = text.rbegin(); it != text.rend(); ++it, shift += 4) {
        char c = *it;
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else {
            LogError("Invalid charactare '%i' in hex number", static_cast<int>(static_cast<signed char>(c)));
            continue;
        }
        if (shift < 32)
            value += digit << shift;
    }
    return value;
}
