// The size libpng's default settings give for a PNG's pixels: the yardstick
// of the encoder's output, for tests and benchmarks alike.
#pragma once

#include <png.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace pvtest {

// Re-encodes the picture's pixels with libpng's defaults, in the picture's
// own colour type (RGB or RGBA); 0 when it cannot be read.
inline std::size_t DefaultPngSize(const std::vector<unsigned char>& png)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
        return 0;
    image.format = (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return 0;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    return size;
}

} // namespace pvtest
