// Our resource file format, all numbers big-endian:
//   "PVRF", format version (u16, 1), resource count N (u16),
//   N entries of type (u32), id (i16), 0 (u16), data offset (u32, from the
//   start of the file), data length (u32), then the data.
// A 'STR#' resource is a count (u16) and that many strings of a length byte
// and the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pvres {

struct Resource {
    std::uint32_t type;
    std::int16_t id;
    std::string data;
};

// The file's bytes; throws std::invalid_argument for a type and id given twice
// or more than 65535 resources.
std::string BuildResourceFile(const std::vector<Resource>& resources);
// A 'STR#' resource's data; throws std::invalid_argument for a string longer
// than 255 bytes or more than 65535 strings.
std::string BuildStringList(const std::vector<std::string>& strings);
// The resources of a file's bytes; false when they are no resource file.
bool ParseResourceFile(const std::string& bytes, std::vector<Resource>& resources);

}  // namespace pvres
