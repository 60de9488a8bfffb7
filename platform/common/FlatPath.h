// A flattened cairo path as the polygons the area coverage takes.
#ifndef PV_PLATFORM_COMMON_FLATPATH_H
#define PV_PLATFORM_COMMON_FLATPATH_H

#include <cairo.h>

#include <new>

#include "platform/common/AreaCoverage.h"

namespace pvcommon {
namespace raster {

// Every figure of the path (moves and lines, as cairo_copy_path_flat gives
// them) a polygon, its points as they are: the coverage closes it. False
// when the path is in error or its points cannot be kept.
inline bool PolygonsOf(const cairo_path_t* path, Polygons& out)
{
    out.xy.clear();
    out.starts.clear();
    if (path->status != CAIRO_STATUS_SUCCESS)
        return false;
    try {
        for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
            const cairo_path_data_t& d = path->data[i];
            if (d.header.type == CAIRO_PATH_CLOSE_PATH)
                continue;
            if (d.header.type == CAIRO_PATH_MOVE_TO || out.starts.empty())
                out.starts.push_back(out.xy.size());
            out.xy.push_back(path->data[i + 1].point.x);
            out.xy.push_back(path->data[i + 1].point.y);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace raster
} // namespace pvcommon

#endif
