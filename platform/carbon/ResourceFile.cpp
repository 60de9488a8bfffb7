#include "platform/carbon/ResourceFile.h"

#include <set>
#include <stdexcept>
#include <utility>

namespace pvres {
namespace {

constexpr char kMagic[] = "PVRF";
constexpr std::size_t kHeader = 8;
constexpr std::size_t kEntry = 16;

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

std::uint32_t Get16(const std::string& s, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 8) |
           static_cast<unsigned char>(s[at + 1]);
}

std::uint32_t Get32(const std::string& s, std::size_t at) {
    return (Get16(s, at) << 16) | Get16(s, at + 2);
}

}  // namespace

std::string BuildResourceFile(const std::vector<Resource>& resources) {
    if (resources.size() > 0xFFFF) {
        throw std::invalid_argument("too many resources");
    }
    std::set<std::pair<std::uint32_t, std::int16_t>> seen;
    std::string out(kMagic, 4);
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(resources.size()));
    std::size_t offset = kHeader + kEntry * resources.size();
    for (const Resource& r : resources) {
        if (!seen.emplace(r.type, r.id).second) {
            throw std::invalid_argument("a resource type and id given twice");
        }
        Put32(out, r.type);
        Put16(out, static_cast<std::uint16_t>(r.id));
        Put16(out, 0);
        Put32(out, static_cast<std::uint32_t>(offset));
        Put32(out, static_cast<std::uint32_t>(r.data.size()));
        offset += r.data.size();
    }
    for (const Resource& r : resources) {
        out += r.data;
    }
    return out;
}

std::string BuildStringList(const std::vector<std::string>& strings) {
    if (strings.size() > 0xFFFF) {
        throw std::invalid_argument("too many strings");
    }
    std::string out;
    Put16(out, static_cast<std::uint32_t>(strings.size()));
    for (const std::string& s : strings) {
        if (s.size() > 255) {
            throw std::invalid_argument("a string longer than 255 bytes");
        }
        out.push_back(static_cast<char>(s.size()));
        out += s;
    }
    return out;
}

bool ParseResourceFile(const std::string& bytes, std::vector<Resource>& resources) {
    if (bytes.size() < kHeader || bytes.compare(0, 4, kMagic) != 0 || Get16(bytes, 4) != 1) {
        return false;
    }
    const std::size_t count = Get16(bytes, 6);
    const std::size_t dataStart = kHeader + kEntry * count;
    if (dataStart > bytes.size()) {
        return false;
    }
    std::set<std::pair<std::uint32_t, std::int16_t>> seen;
    std::vector<Resource> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kHeader + kEntry * i;
        Resource r;
        r.type = Get32(bytes, at);
        r.id = static_cast<std::int16_t>(Get16(bytes, at + 4));
        const std::size_t offset = Get32(bytes, at + 8);
        const std::size_t length = Get32(bytes, at + 12);
        if (offset < dataStart || offset > bytes.size() || length > bytes.size() - offset ||
            !seen.emplace(r.type, r.id).second) {
            return false;
        }
        r.data = bytes.substr(offset, length);
        out.push_back(std::move(r));
    }
    resources.swap(out);
    return true;
}

}  // namespace pvres
