#include "cs/TableBasedCharacterSet.h"

#include <algorithm>

namespace CS {

TableBasedCharacterSet::TableBasedCharacterSet(const TableEntry* table, std::uint32_t entries,
                                               const char* name)
    : CharacterSet(name), table_(table), entries_(entries), identityRun_(0) {
    while (identityRun_ < entries_ && table_[identityRun_].byteValue == identityRun_ &&
           table_[identityRun_].codePoint == identityRun_) {
        ++identityRun_;
    }
}

std::size_t TableBasedCharacterSet::Decode(const char* bytes, std::size_t count,
                                           std::wstring& out) const {
    out.reserve(out.size() + count);
    const TableEntry* first = table_ + identityRun_;
    const TableEntry* last = table_ + entries_;
    std::size_t i = 0;
    for (; i < count; ++i) {
        const std::uint32_t b = static_cast<unsigned char>(bytes[i]);
        std::uint32_t codePoint = 0xFFFD;
        if (b < identityRun_) {
            codePoint = b;
        } else {
            const TableEntry* e = std::lower_bound(
                first, last, b, [](const TableEntry& x, std::uint32_t v) { return x.byteValue < v; });
            if (e != last && e->byteValue == b) {
                codePoint = e->codePoint;
            }
        }
        if (codePoint == 0xFFFD) {
            break;
        }
        out.push_back(static_cast<wchar_t>(codePoint));
    }
    return i;
}

std::size_t TableBasedCharacterSet::Encode(const wchar_t* text, std::size_t count,
                                           std::string& out) const {
    out.reserve(out.size() + count);
    std::size_t i = 0;
    for (; i < count; ++i) {
        // 32-bit comparison: U+10041 is no 'A'.
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c < identityRun_) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const TableEntry* e = table_ + identityRun_;
        const TableEntry* last = table_ + entries_;
        while (e != last && e->codePoint != c) {
            ++e;
        }
        if (e == last) {
            break;
        }
        out.push_back(static_cast<char>(e->byteValue));
    }
    return i;
}

namespace {

template <std::size_t N>
constexpr std::uint32_t EntryCount(const TableEntry (&)[N]) {
    return static_cast<std::uint32_t>(N);
}

const TableEntry kISO8859_1Table[] = {
#include "cs/tables/iso-8859-1.inc"
};
const TableEntry kISO8859_2Table[] = {
#include "cs/tables/iso-8859-2.inc"
};
const TableEntry kISO8859_3Table[] = {
#include "cs/tables/iso-8859-3.inc"
};
const TableEntry kISO8859_4Table[] = {
#include "cs/tables/iso-8859-4.inc"
};
const TableEntry kISO8859_5Table[] = {
#include "cs/tables/iso-8859-5.inc"
};
const TableEntry kISO8859_6Table[] = {
#include "cs/tables/iso-8859-6.inc"
};
const TableEntry kISO8859_7Table[] = {
#include "cs/tables/iso-8859-7.inc"
};
const TableEntry kISO8859_8Table[] = {
#include "cs/tables/iso-8859-8.inc"
};
const TableEntry kISO8859_9Table[] = {
#include "cs/tables/iso-8859-9.inc"
};
const TableEntry kISO8859_10Table[] = {
#include "cs/tables/iso-8859-10.inc"
};
const TableEntry kISO8859_11Table[] = {
#include "cs/tables/iso-8859-11.inc"
};
const TableEntry kISO8859_13Table[] = {
#include "cs/tables/iso-8859-13.inc"
};
const TableEntry kISO8859_14Table[] = {
#include "cs/tables/iso-8859-14.inc"
};
const TableEntry kISO8859_15Table[] = {
#include "cs/tables/iso-8859-15.inc"
};
const TableEntry kISO8859_16Table[] = {
#include "cs/tables/iso-8859-16.inc"
};
const TableEntry kKOI_8RTable[] = {
#include "cs/tables/koi8-r.inc"
};
const TableEntry kKOI_8UTable[] = {
#include "cs/tables/koi8-u.inc"
};
const TableEntry kWindows1250Table[] = {
#include "cs/tables/windows-1250.inc"
};
const TableEntry kWindows1251Table[] = {
#include "cs/tables/windows-1251.inc"
};
const TableEntry kWindows1252Table[] = {
#include "cs/tables/windows-1252.inc"
};
const TableEntry kWindows1253Table[] = {
#include "cs/tables/windows-1253.inc"
};
const TableEntry kWindows1254Table[] = {
#include "cs/tables/windows-1254.inc"
};
const TableEntry kWindows1255Table[] = {
#include "cs/tables/windows-1255.inc"
};
const TableEntry kWindows1256Table[] = {
#include "cs/tables/windows-1256.inc"
};
const TableEntry kWindows1257Table[] = {
#include "cs/tables/windows-1257.inc"
};
const TableEntry kWindows1258Table[] = {
#include "cs/tables/windows-1258.inc"
};
const TableEntry kMacRomanLatin1Table[] = {
#include "cs/tables/x-mac-roman-latin1.inc"
};
}  // namespace


ISO8859_1CharacterSet::ISO8859_1CharacterSet()
    : TableBasedCharacterSet(kISO8859_1Table, EntryCount(kISO8859_1Table), "iso-8859-1") {}

ISO8859_2CharacterSet::ISO8859_2CharacterSet()
    : TableBasedCharacterSet(kISO8859_2Table, EntryCount(kISO8859_2Table), "iso-8859-2") {}

ISO8859_3CharacterSet::ISO8859_3CharacterSet()
    : TableBasedCharacterSet(kISO8859_3Table, EntryCount(kISO8859_3Table), "iso-8859-3") {}

ISO8859_4CharacterSet::ISO8859_4CharacterSet()
    : TableBasedCharacterSet(kISO8859_4Table, EntryCount(kISO8859_4Table), "iso-8859-4") {}

ISO8859_5CharacterSet::ISO8859_5CharacterSet()
    : TableBasedCharacterSet(kISO8859_5Table, EntryCount(kISO8859_5Table), "iso-8859-5") {}

ISO8859_6CharacterSet::ISO8859_6CharacterSet()
    : TableBasedCharacterSet(kISO8859_6Table, EntryCount(kISO8859_6Table), "iso-8859-6") {}

ISO8859_7CharacterSet::ISO8859_7CharacterSet()
    : TableBasedCharacterSet(kISO8859_7Table, EntryCount(kISO8859_7Table), "iso-8859-7") {}

ISO8859_8CharacterSet::ISO8859_8CharacterSet()
    : TableBasedCharacterSet(kISO8859_8Table, EntryCount(kISO8859_8Table), "iso-8859-8") {}

ISO8859_9CharacterSet::ISO8859_9CharacterSet()
    : TableBasedCharacterSet(kISO8859_9Table, EntryCount(kISO8859_9Table), "iso-8859-9") {}

ISO8859_10CharacterSet::ISO8859_10CharacterSet()
    : TableBasedCharacterSet(kISO8859_10Table, EntryCount(kISO8859_10Table), "iso-8859-10") {}

ISO8859_11CharacterSet::ISO8859_11CharacterSet()
    : TableBasedCharacterSet(kISO8859_11Table, EntryCount(kISO8859_11Table), "iso-8859-11") {}

ISO8859_13CharacterSet::ISO8859_13CharacterSet()
    : TableBasedCharacterSet(kISO8859_13Table, EntryCount(kISO8859_13Table), "iso-8859-13") {}

ISO8859_14CharacterSet::ISO8859_14CharacterSet()
    : TableBasedCharacterSet(kISO8859_14Table, EntryCount(kISO8859_14Table), "iso-8859-14") {}

ISO8859_15CharacterSet::ISO8859_15CharacterSet()
    : TableBasedCharacterSet(kISO8859_15Table, EntryCount(kISO8859_15Table), "iso-8859-15") {}

ISO8859_16CharacterSet::ISO8859_16CharacterSet()
    : TableBasedCharacterSet(kISO8859_16Table, EntryCount(kISO8859_16Table), "iso-8859-16") {}

KOI_8RCharacterSet::KOI_8RCharacterSet()
    : TableBasedCharacterSet(kKOI_8RTable, EntryCount(kKOI_8RTable), "koi8-r") {}

KOI_8UCharacterSet::KOI_8UCharacterSet()
    : TableBasedCharacterSet(kKOI_8UTable, EntryCount(kKOI_8UTable), "koi8-u") {}

Windows1250CharacterSet::Windows1250CharacterSet()
    : TableBasedCharacterSet(kWindows1250Table, EntryCount(kWindows1250Table), "windows-1250") {}

Windows1251CharacterSet::Windows1251CharacterSet()
    : TableBasedCharacterSet(kWindows1251Table, EntryCount(kWindows1251Table), "windows-1251") {}

Windows1252CharacterSet::Windows1252CharacterSet()
    : TableBasedCharacterSet(kWindows1252Table, EntryCount(kWindows1252Table), "windows-1252") {}

Windows1253CharacterSet::Windows1253CharacterSet()
    : TableBasedCharacterSet(kWindows1253Table, EntryCount(kWindows1253Table), "windows-1253") {}

Windows1254CharacterSet::Windows1254CharacterSet()
    : TableBasedCharacterSet(kWindows1254Table, EntryCount(kWindows1254Table), "windows-1254") {}

Windows1255CharacterSet::Windows1255CharacterSet()
    : TableBasedCharacterSet(kWindows1255Table, EntryCount(kWindows1255Table), "windows-1255") {}

Windows1256CharacterSet::Windows1256CharacterSet()
    : TableBasedCharacterSet(kWindows1256Table, EntryCount(kWindows1256Table), "windows-1256") {}

Windows1257CharacterSet::Windows1257CharacterSet()
    : TableBasedCharacterSet(kWindows1257Table, EntryCount(kWindows1257Table), "windows-1257") {}

Windows1258CharacterSet::Windows1258CharacterSet()
    : TableBasedCharacterSet(kWindows1258Table, EntryCount(kWindows1258Table), "windows-1258") {}

MacRomanLatin1CharacterSet::MacRomanLatin1CharacterSet()
    : TableBasedCharacterSet(kMacRomanLatin1Table, EntryCount(kMacRomanLatin1Table), "x-mac-roman-latin1") {}

}  // namespace CS
