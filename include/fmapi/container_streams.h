// The stream types of a container value (the host's binary data), shared by
// the plug-in that writes pictures and the host that reads them. A type is a
// four-character code, its first character in the high byte.
#pragma once

#include <cstdint>

namespace fmapi {

constexpr std::uint32_t FourCharCode(const char (&code)[5])
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

// The encoded picture: PNG bytes, or JPEG bytes (a PNG container also holds an
// empty 'JPEG' stream, ahead of its 'PNGf').
constexpr std::uint32_t kPngStream = FourCharCode("PNGf");
constexpr std::uint32_t kJpegStream = FourCharCode("JPEG");
// The picture's width and height, each an unsigned 16-bit value, high byte first.
constexpr std::uint32_t kSizeStream = FourCharCode("SIZE");
// The file names, as UTF-8 bytes.
constexpr std::uint32_t kNameStream = FourCharCode("FNAM");

static_assert(kPngStream == 0x504E4766u && kJpegStream == 0x4A504547u, "big-endian four-character codes");

} // namespace fmapi
