// Byte text of a named character set to wide text and back, shared by the
// system stand-ins of both flavours. Wide text is UTF-32 (wchar_t is 32 bits).
//
// The conversions run over glibc's iconv, by glibc's names; the few that
// glibc lacks are written here and have names of their own below. Every call
// opens its own converter, so the functions may be used from any thread.
#pragma once

#include <cstddef>
#include <string>

namespace pvcommon {

// HZ (RFC 1843): GB 2312 in 7-bit pairs between "~{" and "~}", over EUC-CN.
extern const char kHzGb2312[];
// ISO-2022-JP that writes half-width katakana as JIS X 0201 katakana (ESC ( I).
extern const char kIso2022JpKana[];

// What a byte sequence that the set does not allow (or one cut off by the
// end of the source) does to a decoding.
enum class BadBytes {
    kReplace,  // decodes to U+FFFD and the decoding goes on
    kFail,     // the decoding fails
};

// Decodes count bytes and appends the wide text to out. Returns false,
// leaving out as it was, when there is no converter by that name, or on bad
// bytes with BadBytes::kFail. A source of escape sequences only succeeds and
// appends nothing.
bool Decode(const char* charset, const char* bytes, std::size_t count, std::wstring& out,
            BadBytes bad = BadBytes::kReplace);

// What a character that the set cannot hold (or a value that is no Unicode
// scalar value) does to an encoding.
enum class Unmappable {
    kSubstitute,  // written as the substitute byte; the encoding goes on
    kStop,        // the encoding ends before it
};

struct EncodeResult {
    bool ok = false;           // false: no converter by that name
    std::size_t consumed = 0;  // wide characters converted (or substituted)
    bool substituted = false;  // a substitute byte was written
};

// Encodes count wide characters and appends the bytes to out. Stateful sets
// (ISO-2022, HZ) always end in their initial shift state, also when the
// encoding stops early. With Unmappable::kStop, consumed counts the
// characters before the first unmappable one and out holds their bytes.
EncodeResult Encode(const char* charset, const wchar_t* text, std::size_t count,
                    std::string& out, Unmappable unmappable = Unmappable::kSubstitute,
                    char substitute = '?');

// True when a converter of that name exists.
bool IsSupported(const char* charset);

}  // namespace pvcommon
