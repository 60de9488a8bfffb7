// Text conversion between FileMaker's text encodings and UTF-16.
//
// Encodings are FileMaker's numbers: 1 UTF-8, 3 Windows ANSI (code page 1252),
// 4 Mac Roman; -1 stands for UTF-16 (char16_t units). Conversions answer a
// status code instead of throwing.
#pragma once

#include "fmx/Singleton.h"

#include <cstdint>
#include <map>
#include <utility>

namespace fmapi {
struct CallRecord;
}

namespace fmx {

enum TextEncoding : std::int32_t {
    kEncodingUtf16 = -1,
    kEncodingUtf8 = 1,
    kEncodingWinAnsi = 3,
    kEncodingMacRoman = 4,
};

enum TextStatus : int {
    kTextOk = 0,
    kTextTruncated = 1,       // the source ends inside a multi-byte sequence
    kTextNoConverter = 2,     // no converter for the pair of encodings
    kTextTargetTooSmall = 4,
    kTextNullPointer = 5,     // a source or target pointer is null
    kTextUnsupported = 6,     // the converter kind does not handle the encoding
};

// A reference-counted converter for one pair of encodings. The count is the
// number of holders; the last Release deletes the converter.
class TextConverter {
public:
    TextConverter(std::int32_t source, std::int32_t target);
    virtual ~TextConverter();

    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;

    std::int32_t SourceEncoding() const { return source_; }
    std::int32_t TargetEncoding() const { return target_; }
    std::int32_t RefCount() const { return refCount_; }

    void AddRef();
    void Release();

private:
    std::int32_t refCount_ = 0;
    std::int32_t source_;
    std::int32_t target_;
};

// Byte encoding to byte encoding.
class TextConvMByteToMByte : public TextConverter {
public:
    using TextConverter::TextConverter;
};

// Single-byte to single-byte through a 256-byte translation table (the lower
// half is copied, not looked up). With a replacement byte (non-zero) or a
// used-replacement flag given, a byte whose table entry is '?' becomes the
// replacement byte ('?' when none is given) and the flag is set.
class TextConvSByteToSByte : public TextConvMByteToMByte {
public:
    TextConvSByteToSByte(std::int32_t source, std::int32_t target, const unsigned char* table);

    virtual int Convert(const char* source, std::uint32_t length, char* target,
                        std::uint32_t capacity, std::uint32_t* written, char replacement,
                        bool* usedReplacement);
    virtual int ConvertInPlace(char* buffer, std::uint32_t length, char replacement,
                               bool* usedReplacement);

private:
    unsigned char Translate(unsigned char byte, char replacement, bool* usedReplacement) const;

    const unsigned char* table_;
};

// Byte encoding to UTF-16; only UTF-8 is supported.
class TextConvMByteToWChar : public TextConverter {
public:
    using TextConverter::TextConverter;

    virtual int Convert(const char* source, std::uint32_t length, char16_t* target,
                        std::uint32_t capacity, std::uint32_t* written);
};

// UTF-16 to a byte encoding; only UTF-8 is supported.
class TextConvWCharToMByte : public TextConverter {
public:
    using TextConverter::TextConverter;

    virtual int Convert(const char16_t* source, std::uint32_t length, char* target,
                        std::uint32_t capacity, std::uint32_t* written, char replacement,
                        bool* usedReplacement);
};

class TextMgr : public Singleton<TextMgr> {
public:
    // The record is not used; the text manager needs nothing from the host.
    explicit TextMgr(const fmapi::CallRecord* record);
    ~TextMgr() override;

    TextMgr(const TextMgr&) = delete;
    TextMgr& operator=(const TextMgr&) = delete;

    // Registers the 256-byte table for a pair; the table must outlive the
    // manager. A pair registered twice throws std::runtime_error.
    void RegisterTable(std::int32_t source, std::int32_t target, const unsigned char* table);

    // The converter for a pair, created on first request and handed out with
    // its count raised; null when the pair has none (equal encodings, or two
    // byte encodings without a table). Give it back with ReleaseConverter;
    // one still held when the manager goes stays alive for its holder, who
    // then gives it back with TextConverter::Release.
    TextConverter* GetConverter(std::int32_t source, std::int32_t target);
    void ReleaseConverter(TextConverter* converter);

    // Byte encodings through a table, in place.
    int ConvertInPlace(std::int32_t sourceEncoding, std::int32_t targetEncoding, char* buffer,
                       std::uint32_t length, char replacement = 0,
                       bool* usedReplacement = nullptr);

    // Byte encodings through a table into a target of `capacity` bytes; the
    // written count is the source length.
    int ConvertBytes(std::int32_t sourceEncoding, const char* source, std::uint32_t length,
                     std::int32_t targetEncoding, char* target, std::uint32_t capacity,
                     std::uint32_t* written, char replacement = 0,
                     bool* usedReplacement = nullptr);

    // A byte encoding (UTF-8 only) to UTF-16; `capacity` and the written count
    // are in UTF-16 units. On status 1 or 4 the complete characters before the
    // stop are written and counted.
    int ConvertToWide(std::int32_t sourceEncoding, const char* source, std::uint32_t length,
                      char16_t* target, std::uint32_t capacity, std::uint32_t* written);

    // UTF-16 to a byte encoding (UTF-8 only); `capacity` and the written count
    // are in bytes. The used-replacement flag is cleared: every UTF-16 text
    // has a UTF-8 form.
    int ConvertFromWide(const char16_t* source, std::uint32_t length,
                        std::int32_t targetEncoding, char* target, std::uint32_t capacity,
                        std::uint32_t* written, char replacement = '?',
                        bool* usedReplacement = nullptr);

    // General multi-byte conversion, into a target or in place. No converter
    // of this system converts between multi-byte encodings, so both answer
    // kTextNoConverter and leave the target untouched.
    int ConvertMultiByte(std::int32_t sourceEncoding, const char* source, std::uint32_t length,
                         std::int32_t targetEncoding, char* target, std::uint32_t capacity,
                         std::uint32_t* written);
    int ConvertMultiByteInPlace(std::int32_t sourceEncoding, std::int32_t targetEncoding,
                                char* buffer, std::uint32_t length);

private:
    typedef std::pair<std::int32_t, std::int32_t> Pair;

    template <class C>
    C* Acquire(std::int32_t source, std::int32_t target);
    // Runs `work` on a converter of that pair held for the call; its result,
    // or kTextNoConverter where there is none of that class.
    template <class C, class Work>
    int WithConverter(std::int32_t source, std::int32_t target, Work work);
    TextConverter* Create(std::int32_t source, std::int32_t target) const;

    std::map<Pair, TextConverter*> cache_;
    std::map<Pair, const unsigned char*> tables_;
};

} // namespace fmx
