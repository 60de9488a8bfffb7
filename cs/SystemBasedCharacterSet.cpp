#include "cs/SystemBasedCharacterSet.h"

#include <new>

namespace CS {

SystemBasedCharacterSet::SystemBasedCharacterSet(const char* name, std::uint32_t encoding,
                                                 std::uint32_t flags)
    : CharacterSet(name), encoding_(encoding), flags_(flags) {}

std::size_t SystemBasedCharacterSet::Encode(const wchar_t* text, std::size_t count,
                                            std::string& out) const {
    return EncodeText(text, count, out, false);
}

std::size_t SystemBasedCharacterSet::EncodeWithoutSubstitution(const wchar_t* text,
                                                               std::size_t count,
                                                               std::string& out) const {
    return EncodeText(text, count, out, true);
}

// ---- Japanese --------------------------------------------------------------

namespace {

// Left: what the system's Japanese conversion gives; right: the form the
// Japanese code pages use.
struct FixUp {
    wchar_t system;
    wchar_t japanese;
};
const FixUp kFixUps[] = {
    {0x005C, 0xFF3C}, {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2},
    {0x2016, 0x2225}, {0x2212, 0xFF0D}, {0x301C, 0xFF5E},
};

}  // namespace

JapaneseBaseCharacterSet::JapaneseBaseCharacterSet(const char* name, std::uint32_t encoding,
                                                   std::uint32_t flags)
    : SystemBasedCharacterSet(name, encoding, flags) {}

std::size_t JapaneseBaseCharacterSet::Decode(const char* bytes, std::size_t count,
                                             std::wstring& out) const {
    const std::size_t start = out.size();
    const std::size_t consumed = SystemBasedCharacterSet::Decode(bytes, count, out);
    for (std::size_t i = start; i < out.size(); ++i) {
        for (const FixUp& f : kFixUps) {
            if (out[i] == f.system) {
                out[i] = f.japanese;
                break;
            }
        }
    }
    return consumed;
}

std::size_t JapaneseBaseCharacterSet::EncodeFixed(const wchar_t* text, std::size_t count,
                                                  std::string& out,
                                                  bool refuseSubstitution) const {
    std::wstring copy;
    try {
        copy.assign(text, count);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (wchar_t& c : copy) {
        for (const FixUp& f : kFixUps) {
            if (c == f.japanese) {
                c = f.system;
                break;
            }
        }
    }
    return EncodeText(copy.data(), copy.size(), out, refuseSubstitution);
}

std::size_t JapaneseBaseCharacterSet::Encode(const wchar_t* text, std::size_t count,
                                             std::string& out) const {
    return EncodeFixed(text, count, out, false);
}

std::size_t JapaneseBaseCharacterSet::EncodeWithoutSubstitution(const wchar_t* text,
                                                                std::size_t count,
                                                                std::string& out) const {
    return EncodeFixed(text, count, out, true);
}

}  // namespace CS
