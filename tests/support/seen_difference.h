// How far two straight ARGB pixels differ as seen over any background.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace pvtest {

// The largest difference of a channel, colours weighed by their alpha: a
// pixel all but transparent may take any colour without showing it.
inline unsigned SeenDifference(std::uint32_t a, std::uint32_t b)
{
    const int alphaA = int(a >> 24), alphaB = int(b >> 24);
    unsigned largest = static_cast<unsigned>(std::abs(alphaA - alphaB));
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = (int(a >> shift & 0xFF) * alphaA - int(b >> shift & 0xFF) * alphaB) / 255;
        largest = std::max(largest, static_cast<unsigned>(std::abs(d)));
    }
    return largest;
}

} // namespace pvtest
