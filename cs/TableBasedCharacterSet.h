// Single-byte character sets converted through a constant mapping table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cs/CharacterSet.h"

namespace CS {

// One defined byte of a set. A table lists the defined bytes in ascending
// order without gaps in the array; undefined bytes have no entry.
struct TableEntry {
    std::uint32_t byteValue;
    std::uint16_t codePoint;
    std::uint16_t reserved;
};
static_assert(sizeof(TableEntry) == 8, "table entries are 8 bytes");

class TableBasedCharacterSet : public CharacterSet {
public:
    TableBasedCharacterSet(const TableEntry* table, std::uint32_t entries, const char* name);

    // Per unit: stops at the first byte without a mapping.
    std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const override;
    // Per unit: stops at the first character without a byte.
    std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const override;

    const TableEntry* GetTable() const { return table_; }
    std::uint32_t GetEntryCount() const { return entries_; }
    // Leading entries that map byte n to code point n at position n: those
    // bytes and code points convert without a lookup.
    std::uint32_t GetIdentityRun() const { return identityRun_; }

private:
    const TableEntry* table_;
    std::uint32_t entries_;
    std::uint32_t identityRun_;
};

#define CS_TABLE_BASED_SET(Class)                      \
    class Class final : public TableBasedCharacterSet { \
    public:                                             \
        Class();                                        \
    }

CS_TABLE_BASED_SET(ISO8859_1CharacterSet);
CS_TABLE_BASED_SET(ISO8859_2CharacterSet);
CS_TABLE_BASED_SET(ISO8859_3CharacterSet);
CS_TABLE_BASED_SET(ISO8859_4CharacterSet);
CS_TABLE_BASED_SET(ISO8859_5CharacterSet);
CS_TABLE_BASED_SET(ISO8859_6CharacterSet);
CS_TABLE_BASED_SET(ISO8859_7CharacterSet);
CS_TABLE_BASED_SET(ISO8859_8CharacterSet);
CS_TABLE_BASED_SET(ISO8859_9CharacterSet);
CS_TABLE_BASED_SET(ISO8859_10CharacterSet);
CS_TABLE_BASED_SET(ISO8859_11CharacterSet);
CS_TABLE_BASED_SET(ISO8859_13CharacterSet);
CS_TABLE_BASED_SET(ISO8859_14CharacterSet);
CS_TABLE_BASED_SET(ISO8859_15CharacterSet);
CS_TABLE_BASED_SET(ISO8859_16CharacterSet);
CS_TABLE_BASED_SET(KOI_8RCharacterSet);
CS_TABLE_BASED_SET(KOI_8UCharacterSet);
CS_TABLE_BASED_SET(Windows1250CharacterSet);
CS_TABLE_BASED_SET(Windows1251CharacterSet);
CS_TABLE_BASED_SET(Windows1252CharacterSet);
CS_TABLE_BASED_SET(Windows1253CharacterSet);
CS_TABLE_BASED_SET(Windows1254CharacterSet);
CS_TABLE_BASED_SET(Windows1255CharacterSet);
CS_TABLE_BASED_SET(Windows1256CharacterSet);
CS_TABLE_BASED_SET(Windows1257CharacterSet);
CS_TABLE_BASED_SET(Windows1258CharacterSet);
CS_TABLE_BASED_SET(MacRomanLatin1CharacterSet);

#undef CS_TABLE_BASED_SET

}  // namespace CS
