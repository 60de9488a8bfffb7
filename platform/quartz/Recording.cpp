// The recording of painting, and the pieces of its lines.
#include "platform/quartz/Recording.h"

#include <cmath>
#include <cstdio>

#include "platform/quartz/Internal.h"

namespace pvquartz {

std::string Num(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    if (text == "-0.00")
        text = "0.00";
    return text;
}

std::string Colour(const double rgba[4])
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "rgba(%.3f,%.3f,%.3f,%.3f)", rgba[0], rgba[1], rgba[2],
                  rgba[3]);
    return buffer;
}

std::string Quote(const std::string& utf8)
{
    std::string out = "\"";
    for (unsigned char ch : utf8) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20 || ch == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", ch);
            out += buffer;
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out + "\"";
}

} // namespace pvquartz
