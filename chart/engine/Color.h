// The chart colour: an ARGB value with a flag saying that no colour was given.
#pragma once

#include <cstdint>
#include <string>

class CColor {
public:
    CColor() = default;
    explicit CColor(std::uint32_t argb, bool empty = false) : argb(argb), empty(empty) {}

    static CColor White() { return CColor(0xFFFFFFFFu); }
    // Axes, grid and labels when the options give no colour.
    static CColor DefaultGray() { return CColor(0xFFA0A0A0u); }
    // "No colour given": 0xFF000000 with the empty flag set.
    static CColor Empty() { return CColor(0xFF000000u, true); }

    // Each channel times percent / 100, clamped to 0..255; always opaque.
    static CColor Shade(const CColor& colour, int percent);
    // rand() % 255 per channel (red, green, blue), opaque.
    static CColor Random();
    // Background of value tags: the system's tooltip background colour.
    static CColor SystemTagColor();
    // Six hexadecimal digits RRGGBB; opaque.
    static CColor FromHexText(const std::string& text);
    // The text read as an unsigned hexadecimal number; bad digits are logged
    // and count as 0.
    static std::uint32_t HexValue(const std::string& text);

    std::uint8_t A() const { return static_cast<std::uint8_t>(argb >> 24); }
    std::uint8_t R() const { return static_cast<std::uint8_t>(argb >> 16); }
    std::uint8_t G() const { return static_cast<std::uint8_t>(argb >> 8); }
    std::uint8_t B() const { return static_cast<std::uint8_t>(argb); }

    bool operator==(const CColor& o) const { return argb == o.argb && empty == o.empty; }
    bool operator!=(const CColor& o) const { return !(*this == o); }

    std::uint32_t argb = 0xFF000000u;
    bool empty = false;
};
