// Container output of an encoded chart picture.
#pragma once

#include <cstdint>

#include "fmapi/fm_api.h"

class CPlot;
class CStream;
namespace fmx {
class BinaryData;
}

// Encodes the drawn chart as PNG or JPEG (by its JPEG flag) and puts the
// container into the result: 0, or -5 when the picture cannot be encoded or
// its container cannot be built (the result is then left as it was).
std::int16_t EncodePicture(CPlot& chart, FMData* result);

// 0, or the host's error code.
std::int16_t WriteJpegContainer(const void* bytes, std::uint32_t count, std::int32_t width,
                                std::int32_t height, FMData* result);
std::int16_t WritePngContainer(const void* bytes, std::uint32_t count, std::int32_t width,
                               std::int32_t height, FMData* result);
// Adds the stream's bytes as one stream of the type: 0, -5 (the host refused)
// or -6 (no buffer). An empty stream adds nothing.
std::int16_t AddContainerStream(CStream& stream, std::uint32_t type, fmx::BinaryData& binary);
