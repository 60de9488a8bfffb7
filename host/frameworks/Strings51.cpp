// Support's strings (API level 51 and above): a string is one pointer to its
// text, which follows a header with the length 12 bytes before it.
#include <cstdlib>
#include <cstring>
#include <new>

#include "Utf.h"
#include "Values.h"

namespace {

using fmapi::mac::StringHeader;

// A block of header and text holding `text` and a final zero.
char16_t* NewText(const char16_t* text, std::size_t length)
{
    const std::size_t bytes = sizeof(StringHeader) + (length + 1) * sizeof(char16_t);
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (!block)
        throw std::bad_alloc();
    const StringHeader header{static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(length + 1), 0};
    std::memcpy(block, &header, sizeof header);
    auto* out = reinterpret_cast<char16_t*>(block + sizeof header);
    if (length)
        std::memcpy(out, text, length * sizeof(char16_t));
    out[length] = 0;
    return out;
}

StringHeader HeaderOf(const char16_t* text)
{
    StringHeader header;
    std::memcpy(&header, reinterpret_cast<const unsigned char*>(text) - sizeof header, sizeof header);
    return header;
}

void FreeText(char16_t* text)
{
    if (text)
        std::free(reinterpret_cast<unsigned char*>(text) - sizeof(StringHeader));
}

} // namespace

namespace Draco {

unistring::unistring()
{
    PV_FW_CHECK(unistring_Ctor);
    Form51().text = NewText(u"", 0);
}

unistring::unistring(const unistring& other)
{
    PV_FW_CHECK(unistring_CopyCtor);
    const char16_t* text = other.Form51().text;
    Form51().text = NewText(text, HeaderOf(text).length);
}

unistring::~unistring()
{
    PV_FW_CHECK(unistring_Dtor);
    FreeText(Form51().text);
    Form51().text = nullptr;
}

bool unistring::ConvertFromNonUnichars(const char* text, unsigned long length, Unicode::Encoding encoding)
{
    PV_FW_CHECK(unistring_ConvertFromNonUnichars);
    std::u16string units;
    if (encoding != Unicode::kUtf8 || !framework::Utf8ToUtf16(text, length, units))
        return false;
    char16_t* fresh = NewText(units.data(), units.size());
    FreeText(Form51().text);
    Form51().text = fresh;
    return true;
}

// Writes the text (and a terminating zero when there is room) into at most
// *size bytes; *size receives the text's size in bytes. False when the
// encoding is not known or the text does not fit.
bool unistring::ConvertToNonUnichars(char* out, unsigned long* size, Unicode::Encoding encoding) const
{
    PV_FW_CHECK(unistring_ConvertToNonUnichars);
    const char16_t* text = Form51().text;
    std::string bytes;
    if (!size || encoding != Unicode::kUtf8 ||
        !framework::Utf16ToUtf8(text, HeaderOf(text).length, bytes))
        return false;
    const unsigned long room = *size;
    *size = bytes.size();
    if (!out || bytes.size() > room)
        return false;
    std::memcpy(out, bytes.data(), bytes.size());
    if (bytes.size() < room)
        out[bytes.size()] = 0;
    return true;
}

} // namespace Draco
