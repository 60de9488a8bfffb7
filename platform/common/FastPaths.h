// Whether the drawing stand-ins take their hand-tuned fast paths. Always on
// but in the differential tests, which draw the same calls again with them
// off, by the general path (plain cairo), and compare the pixels.
#pragma once

namespace pvcommon::raster {

namespace detail {
inline bool fastPathsOn = true;
} // namespace detail

inline bool FastPaths()
{
    return detail::fastPathsOn;
}

inline void SetFastPaths(bool on)
{
    detail::fastPathsOn = on;
}

} // namespace pvcommon::raster
