#include "fmx/TextMgr.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include <textconv>

namespace fmx {
namespace {

// Upper halves of the translation tables (bytes 0x80-0xFF). Every character
// that both code pages have maps to itself; the others get a look-alike.
const unsigned char kMacRomanToWinAnsiHigh[128] = {
    0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2, 0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8,  // 80
    0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6, 0xF5, 0xFA, 0xF9, 0xFB, 0xFC,  // 90
    0x86, 0xB0, 0xA2, 0xA3, 0xA7, 0x95, 0xB6, 0xDF, 0xAE, 0xA9, 0x99, 0xB4, 0xA8, 0xA4, 0xC6, 0xD8,  // A0
    0xB0, 0xB1, 0x8A, 0xB3, 0xA5, 0xB5, 0xF0, 0x8E, 0xB8, 0xB9, 0x9A, 0xAA, 0xBA, 0xBD, 0xE6, 0xF8,  // B0
    0xBF, 0xA1, 0xAC, 0x9E, 0x83, 0xA6, 0xC6, 0xAB, 0xBB, 0x85, 0xA0, 0xC0, 0xC3, 0xD5, 0x8C, 0x9C,  // C0
    0x96, 0x97, 0x93, 0x94, 0x91, 0x92, 0xF7, 0xD7, 0xFF, 0x9F, 0x9A, 0x80, 0x8B, 0x9B, 0xDE, 0xDF,  // D0
    0x87, 0xB7, 0x82, 0x84, 0x89, 0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4,  // E0
    0xF0, 0xD2, 0xDA, 0xDB, 0xD9, 0xF5, 0x88, 0x98, 0xAF, 0xF9, 0xD7, 0xDD, 0xB8, 0xDE, 0xFE, 0xFE,  // F0
};

const unsigned char kWinAnsiToMacRomanHigh[128] = {
    0xDB, 0x81, 0xE2, 0xC4, 0xE3, 0xC9, 0xA0, 0xE0, 0xF6, 0xE4, 0xB2, 0xDC, 0xCE, 0x8D, 0xB7, 0x8F,  // 80
    0x90, 0xD4, 0xD5, 0xD2, 0xD3, 0xA5, 0xD0, 0xD1, 0xF7, 0xAA, 0xBA, 0xDD, 0xCF, 0x9D, 0xC3, 0xD9,  // 90
    0xCA, 0xC1, 0xA2, 0xA3, 0xAD, 0xB4, 0xC5, 0xA4, 0xAC, 0xA9, 0xBB, 0xC7, 0xC2, 0xAD, 0xA8, 0xF8,  // A0
    0xA1, 0xB1, 0xB2, 0xB3, 0xAB, 0xB5, 0xA6, 0xE1, 0xFC, 0xB9, 0xBC, 0xC8, 0xBC, 0xBD, 0xBE, 0xC0,  // B0
    0xCB, 0xE7, 0xE5, 0xCC, 0x80, 0x81, 0xAE, 0x82, 0xE9, 0x83, 0xE6, 0xE8, 0xED, 0xEA, 0xEB, 0xEC,  // C0
    0xD0, 0x84, 0xF1, 0xEE, 0xEF, 0xCD, 0x85, 0xFA, 0xAF, 0xF4, 0xF2, 0xF3, 0x86, 0xFB, 0xFD, 0xA7,  // D0
    0x88, 0x87, 0x89, 0x8B, 0x8A, 0x8C, 0xBE, 0x8D, 0x8F, 0x8E, 0x90, 0x91, 0x93, 0x92, 0x94, 0x95,  // E0
    0xB6, 0x96, 0x98, 0x97, 0x99, 0x9B, 0x9A, 0xD6, 0xBF, 0x9D, 0x9C, 0x9E, 0x9F, 0xFD, 0xFF, 0xD8,  // F0
};

struct Table {
    unsigned char bytes[256];
    explicit Table(const unsigned char (&high)[128])
    {
        for (int i = 0; i < 128; ++i) {
            bytes[i] = static_cast<unsigned char>(i);
            bytes[128 + i] = high[i];
        }
    }
};

const Table& MacRomanToWinAnsi()
{
    static const Table table(kMacRomanToWinAnsiHigh);
    return table;
}

const Table& WinAnsiToMacRoman()
{
    static const Table table(kWinAnsiToMacRomanHigh);
    return table;
}

} // namespace

// ---------------------------------------------------------------------------

TextConverter::TextConverter(std::int32_t source, std::int32_t target)
    : source_(source), target_(target)
{
}

TextConverter::~TextConverter() = default;

void TextConverter::AddRef()
{
    ++refCount_;
}

void TextConverter::Release()
{
    if (--refCount_ <= 0)
        delete this;
}

// ---------------------------------------------------------------------------

TextConvSByteToSByte::TextConvSByteToSByte(std::int32_t source, std::int32_t target,
                                           const unsigned char* table)
    : TextConvMByteToMByte(source, target), table_(table)
{
}

unsigned char TextConvSByteToSByte::Translate(unsigned char byte, char replacement,
                                              bool* usedReplacement) const
{
    if (byte < 0x80)
        return byte;
    const unsigned char mapped = table_[byte];
    if (mapped == '?' && (replacement != 0 || usedReplacement)) {
        if (usedReplacement)
            *usedReplacement = true;
        return static_cast<unsigned char>(replacement != 0 ? replacement : '?');
    }
    return mapped;
}

int TextConvSByteToSByte::Convert(const char* source, std::uint32_t length, char* target,
                                  std::uint32_t capacity, std::uint32_t* written,
                                  char replacement, bool* usedReplacement)
{
    if (written)
        *written = 0;
    if (usedReplacement)
        *usedReplacement = false;
    if (!source || !target)
        return kTextNullPointer;
    if (capacity < length)
        return kTextTargetTooSmall;
    for (std::uint32_t i = 0; i < length; ++i) {
        target[i] = static_cast<char>(
            Translate(static_cast<unsigned char>(source[i]), replacement, usedReplacement));
    }
    if (written)
        *written = length;
    return kTextOk;
}

int TextConvSByteToSByte::ConvertInPlace(char* buffer, std::uint32_t length, char replacement,
                                         bool* usedReplacement)
{
    if (usedReplacement)
        *usedReplacement = false;
    if (!buffer)
        return kTextNullPointer;
    for (std::uint32_t i = 0; i < length; ++i) {
        buffer[i] = static_cast<char>(
            Translate(static_cast<unsigned char>(buffer[i]), replacement, usedReplacement));
    }
    return kTextOk;
}

// ---------------------------------------------------------------------------

int TextConvMByteToWChar::Convert(const char* source, std::uint32_t length, char16_t* target,
                                  std::uint32_t capacity, std::uint32_t* written)
{
    if (written)
        *written = 0;
    if (!source || !target)
        return kTextNullPointer;
    if (SourceEncoding() != kEncodingUtf8)
        return kTextUnsupported;

    const unsigned char* p = reinterpret_cast<const unsigned char*>(source);
    std::uint32_t i = 0;
    std::uint32_t out = 0;
    int status = kTextOk;
    while (i < length) {
        const unsigned extra = Utf8TrailingBytes(p[i]);
        if (extra >= length - i) {
            status = kTextTruncated;
            break;
        }
        char16_t units[2];
        const unsigned n = Utf16Units(Utf8SequenceValue(p + i, extra), units);
        if (capacity - out < n) {
            status = kTextTargetTooSmall;
            break;
        }
        for (unsigned k = 0; k < n; ++k)
            target[out++] = units[k];
        i += extra + 1;
    }
    if (written)
        *written = out;
    return status;
}

// ---------------------------------------------------------------------------

int TextConvWCharToMByte::Convert(const char16_t* source, std::uint32_t length, char* target,
                                  std::uint32_t capacity, std::uint32_t* written,
                                  char replacement, bool* usedReplacement)
{
    (void)replacement;  // every UTF-16 value has a UTF-8 form
    if (written)
        *written = 0;
    if (usedReplacement)
        *usedReplacement = false;
    if (!source || !target)
        return kTextNullPointer;
    if (TargetEncoding() != kEncodingUtf8)
        return kTextUnsupported;

    std::uint32_t out = 0;
    int status = kTextOk;
    for (std::uint32_t i = 0; i < length; ++i) {
        std::uint32_t value = source[i];
        if (value >= 0xD800 && value <= 0xDBFF && i + 1 < length && source[i + 1] >= 0xDC00 &&
            source[i + 1] <= 0xDFFF) {
            value = ((value - 0xD800) << 10) + (source[++i] - 0xDC00u) + 0x10000;
        }
        char bytes[kUtf8MaxBytes];
        const std::uint32_t count = EncodeUtf8(value, bytes);
        if (capacity - out < count) {
            status = kTextTargetTooSmall;
            break;
        }
        std::memcpy(target + out, bytes, count);
        out += count;
    }
    if (written)
        *written = out;
    return status;
}

// ---------------------------------------------------------------------------

TextMgr::TextMgr(const fmapi::CallRecord* record)
{
    (void)record;
    RegisterTable(kEncodingMacRoman, kEncodingWinAnsi, MacRomanToWinAnsi().bytes);
    RegisterTable(kEncodingWinAnsi, kEncodingMacRoman, WinAnsiToMacRoman().bytes);
}

TextMgr::~TextMgr()
{
    // Converters still in the cache belong to their holders, who release them
    // through TextConverter::Release; the manager only forgets them.
    cache_.clear();
    tables_.clear();
}

void TextMgr::RegisterTable(std::int32_t source, std::int32_t target,
                            const unsigned char* table)
{
    if (!tables_.emplace(Pair(source, target), table).second)
        throw std::runtime_error("Translation tables are duplicated!");
}

TextConverter* TextMgr::Create(std::int32_t source, std::int32_t target) const
{
    if (source == target)
        return nullptr;
    if (source == kEncodingUtf16)
        return new TextConvWCharToMByte(source, target);
    if (target == kEncodingUtf16)
        return new TextConvMByteToWChar(source, target);
    const auto table = tables_.find(Pair(source, target));
    if (table != tables_.end())
        return new TextConvSByteToSByte(source, target, table->second);
    return nullptr;
}

TextConverter* TextMgr::GetConverter(std::int32_t source, std::int32_t target)
{
    return Acquire<TextConverter>(source, target);
}

template <class C>
C* TextMgr::Acquire(std::int32_t source, std::int32_t target)
{
    const Pair key(source, target);
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        std::unique_ptr<TextConverter> created(Create(source, target));
        if (!created || !dynamic_cast<C*>(created.get()))
            return nullptr;
        it = cache_.emplace(key, created.get()).first;
        created.release();
    }
    C* converter = dynamic_cast<C*>(it->second);
    if (converter)
        converter->AddRef();
    return converter;
}

void TextMgr::ReleaseConverter(TextConverter* converter)
{
    if (!converter)
        return;
    if (converter->RefCount() == 1) {
        const auto it = cache_.find(Pair(converter->SourceEncoding(), converter->TargetEncoding()));
        if (it != cache_.end() && it->second == converter)
            cache_.erase(it);
    }
    converter->Release();
}

template <class C, class Work>
int TextMgr::WithConverter(std::int32_t source, std::int32_t target, Work work)
{
    C* converter = Acquire<C>(source, target);
    if (!converter)
        return kTextNoConverter;
    const int status = work(*converter);
    ReleaseConverter(converter);
    return status;
}

int TextMgr::ConvertInPlace(std::int32_t sourceEncoding, std::int32_t targetEncoding,
                            char* buffer, std::uint32_t length, char replacement,
                            bool* usedReplacement)
{
    return WithConverter<TextConvSByteToSByte>(
        sourceEncoding, targetEncoding, [&](TextConvSByteToSByte& converter) {
            return converter.ConvertInPlace(buffer, length, replacement, usedReplacement);
        });
}

int TextMgr::ConvertBytes(std::int32_t sourceEncoding, const char* source, std::uint32_t length,
                          std::int32_t targetEncoding, char* target, std::uint32_t capacity,
                          std::uint32_t* written, char replacement, bool* usedReplacement)
{
    return WithConverter<TextConvSByteToSByte>(
        sourceEncoding, targetEncoding, [&](TextConvSByteToSByte& converter) {
            return converter.Convert(source, length, target, capacity, written, replacement,
                                     usedReplacement);
        });
}

int TextMgr::ConvertToWide(std::int32_t sourceEncoding, const char* source,
                           std::uint32_t length, char16_t* target, std::uint32_t capacity,
                           std::uint32_t* written)
{
    return WithConverter<TextConvMByteToWChar>(
        sourceEncoding, kEncodingUtf16, [&](TextConvMByteToWChar& converter) {
            return converter.Convert(source, length, target, capacity, written);
        });
}

int TextMgr::ConvertFromWide(const char16_t* source, std::uint32_t length,
                             std::int32_t targetEncoding, char* target, std::uint32_t capacity,
                             std::uint32_t* written, char replacement, bool* usedReplacement)
{
    return WithConverter<TextConvWCharToMByte>(
        kEncodingUtf16, targetEncoding, [&](TextConvWCharToMByte& converter) {
            return converter.Convert(source, length, target, capacity, written, replacement,
                                     usedReplacement);
        });
}

int TextMgr::ConvertMultiByte(std::int32_t, const char*, std::uint32_t, std::int32_t, char*,
                              std::uint32_t, std::uint32_t* written)
{
    if (written)
        *written = 0;
    return kTextNoConverter;
}

int TextMgr::ConvertMultiByteInPlace(std::int32_t, std::int32_t, char*, std::uint32_t)
{
    return kTextNoConverter;
}

} // namespace fmx
