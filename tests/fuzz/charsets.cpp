// Decodes arbitrary bytes with every registered character set and encodes
// the result back; also encodes the bytes taken as arbitrary wide units.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "cs/MICharacterSet.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void RoundTrip(const CS::CharacterSet& set, const char* bytes, std::size_t size) {
    std::wstring wide = L"#";
    const std::size_t consumed = set.Decode(bytes, size, wide);
    Check(consumed <= size);
    Check(!wide.empty() && wide[0] == L'#');
    std::string back = "#";
    const std::size_t encoded = set.Encode(wide.data() + 1, wide.size() - 1, back);
    Check(encoded <= wide.size() - 1);
    Check(!back.empty() && back[0] == '#');
}

void EncodeUnits(const CS::CharacterSet& set, const wchar_t* units, std::size_t count) {
    std::string out;
    Check(set.Encode(units, count, out) <= count);
    out.clear();
    Check(set.EncodeWithoutSubstitution(units, count, out) <= count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const unsigned count = MICharacterSet::GetCharacterSetCount();
    for (unsigned i = 0; i < count; ++i) {
        RoundTrip(MICharacterSet::GetCharacterSetByIndex(i), bytes, size);
    }
    RoundTrip(MICharacterSet::GetUSASCII8bitCharacterSet(), bytes, size);

    std::vector<wchar_t> units(size / sizeof(wchar_t));
    if (!units.empty()) {
        std::memcpy(units.data(), data, units.size() * sizeof(wchar_t));
    }
    for (unsigned i = 0; i < count; ++i) {
        EncodeUnits(MICharacterSet::GetCharacterSetByIndex(i), units.data(), units.size());
    }
    std::string target;
    try {
        MICharacterSet::ConvertWithBestCharacterSet(units.data(), units.size(), target);
    } catch (const std::runtime_error&) {
        Check(target.empty());
    }
    return 0;
}
