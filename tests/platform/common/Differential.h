// Seeded random differential tests of the drawing stand-ins' fast paths: a
// case is drawn twice from the same random numbers, with the fast paths on
// and off (pvcommon::raster::SetFastPaths), and the two pictures compared
// within a stated tolerance, as pixman holds its fast paths against its
// general one. The seed is fixed; a failing case is named by seed and index.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/common/FastPaths.h"

#if defined(__SANITIZE_ADDRESS__)
#define PV_DIFFERENTIAL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PV_DIFFERENTIAL_SANITIZED 1
#endif
#endif

namespace pvtest::differential {

// Cases of a path: fewer under the sanitizers, which run several times slower.
inline int Cases(int n)
{
#ifdef PV_DIFFERENTIAL_SANITIZED
    return std::max(1, n / 8);
#else
    return n;
#endif
}

// How far the fast path may stray from the general one in a case: any
// pixel may differ by up to `level` in each channel (premultiplied; an
// edge covered a little otherwise); pixels that differ by more (an aliased
// pixel whose centre lies on the edge, set one way and not the other) make
// at most the share `share` of the pixels either picture drew on, or
// `slack` pixels, whichever is more.
struct Tolerance {
    unsigned level = 0;
    double share = 0.0;
    long slack = 0;
};
constexpr Tolerance kExact{};

// A case's picture: premultiplied 32-bit pixels, and what it was cleared
// to; the pixels within `margin` of its edges are not compared.
struct Picture {
    std::vector<std::uint32_t> pixels;
    int width = 0;
    std::uint32_t background = 0;
    int margin = 0;
};

// The random numbers a case's shapes are made from.
class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}
    double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool Chance(double p) { return Real(0.0, 1.0) < p; }
    template <class T> const T& Pick(const std::vector<T>& from)
    {
        return from[static_cast<std::size_t>(Int(0, static_cast<int>(from.size()) - 1))];
    }
    // A coordinate on a side of `size` pixels: mostly on or near the picture,
    // on whole, half or 256th pixels or anywhere; now and then far off it
    // (up to `huge`).
    double Coordinate(double size, double huge = 1e5)
    {
        const double r = Real(0.0, 1.0);
        if (r < 0.04)
            return Real(-huge, huge);
        double v = Real(-0.25 * size, 1.25 * size);
        if (r < 0.3)
            return std::round(v);
        if (r < 0.45)
            return std::round(v) + 0.5;
        if (r < 0.6)
            return std::round(v * 256.0) / 256.0;
        return v;
    }
    // A length: degenerate, small, ordinary or beyond the picture.
    double Length(double size)
    {
        const double r = Real(0.0, 1.0);
        if (r < 0.04)
            return 0.0;
        if (r < 0.2)
            return Real(0.0, 3.0);
        if (r < 0.35)
            return std::round(Real(1.0, size));
        if (r < 0.95)
            return Real(1.0, size);
        return Real(size, 8.0 * size);
    }
    // A straight ARGB colour; opaque when asked.
    std::uint32_t Colour(bool opaque)
    {
        const std::uint32_t alpha = opaque ? 0xFFu : static_cast<std::uint32_t>(Int(0, 255));
        return alpha << 24 | static_cast<std::uint32_t>(Int(0, 0xFFFFFF));
    }
    std::mt19937& Engine() { return rng_; }

private:
    std::mt19937 rng_;
};

// The worst of a case.
struct Difference {
    unsigned maxChannel = 0;
    long differing = 0;
    long beyond = 0;   // by more than the tolerance's level
    long drawn = 0;   // pixels either picture drew on
    double Share() const { return drawn ? static_cast<double>(differing) / static_cast<double>(drawn) : 0.0; }
};

inline Difference Compare(const Picture& fast, const Picture& general, unsigned level)
{
    Difference d;
    const std::size_t width = static_cast<std::size_t>(std::max(1, fast.width));
    const std::size_t height = fast.pixels.size() / width, margin = static_cast<std::size_t>(fast.margin);
    for (std::size_t i = 0; i < fast.pixels.size() && i < general.pixels.size(); ++i) {
        const std::size_t x = i % width, y = i / width;
        if (x < margin || y < margin || x + margin >= width || y + margin >= height)
            continue;
        const std::uint32_t a = fast.pixels[i], b = general.pixels[i];
        if (a != fast.background || b != general.background)
            ++d.drawn;
        if (a == b)
            continue;
        ++d.differing;
        unsigned most = 0;
        for (int shift = 0; shift < 32; shift += 8)
            most = std::max(most, static_cast<unsigned>(std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF))));
        d.maxChannel = std::max(d.maxChannel, most);
        d.beyond += most > level;
    }
    return d;
}

// Draws `cases` cases, each from its own seed (seed + index), with the fast
// paths on and then off, and holds each pair to the tolerance. draw(gen)
// returns a Picture. Fails on a picture size mismatch, on any case beyond
// the tolerance (naming it; at most a few are listed), and when fewer than
// half the cases drew anything (the generator would be testing nothing).
template <class Draw>
void Hold(const std::string& path, std::uint32_t seed, int cases, Tolerance tolerance, Draw draw)
{
    int failures = 0, drew = 0;
    Difference worst;
    double worstShare = 0.0;
    // PV_DIFFERENTIAL_SEED=<seed> draws only the case of that seed, as a
    // failure names it.
    const char* only = std::getenv("PV_DIFFERENTIAL_SEED");
    if (only) {
        seed = static_cast<std::uint32_t>(std::strtoul(only, nullptr, 0));
        cases = 1;
    }
    for (int k = 0; k < cases; ++k) {
        const std::uint32_t caseSeed = seed + static_cast<std::uint32_t>(k);
        Generator onGen(caseSeed), offGen(caseSeed);
        pvcommon::raster::SetFastPaths(true);
        const Picture fast = draw(onGen);
        pvcommon::raster::SetFastPaths(false);
        const Picture general = draw(offGen);
        pvcommon::raster::SetFastPaths(true);
        ASSERT_EQ(fast.pixels.size(), general.pixels.size()) << path << " seed " << caseSeed;
        const Difference d = Compare(fast, general, tolerance.level);
        drew += d.drawn > 0;
        worst.maxChannel = std::max(worst.maxChannel, d.maxChannel);
        worstShare = std::max(worstShare, d.Share());
        if (d.beyond > std::max(tolerance.slack, static_cast<long>(tolerance.share * static_cast<double>(d.drawn)))) {
            if (++failures <= 5) {
                std::size_t at = 0;
                while (fast.pixels[at] == general.pixels[at])
                    ++at;
                const int w = std::max(1, fast.width);
                ADD_FAILURE() << path << ": case " << k << " (seed " << caseSeed << ") differs by up to "
                              << d.maxChannel << " in " << d.differing << " (beyond " << tolerance.level << ": "
                              << d.beyond << ") of " << d.drawn
                              << " pixels drawn; first at (" << at % static_cast<std::size_t>(w) << ","
                              << at / static_cast<std::size_t>(w) << "): fast " << std::hex
                              << fast.pixels[at] << ", general " << general.pixels[at] << std::dec;
            }
        }
    }
    EXPECT_EQ(failures, 0) << path << ": cases beyond the tolerance, of " << cases;
    EXPECT_GE(2 * drew, only ? 0 : cases) << path << ": too few cases drew anything";
    if (std::getenv("PV_DIFFERENTIAL_VERBOSE"))
        std::printf("%s: %d cases, worst channel %u, worst share %.4f\n", path.c_str(), cases,
                    worst.maxChannel, worstShare);
}

} // namespace pvtest::differential
