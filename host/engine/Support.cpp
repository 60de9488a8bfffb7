// Support module: strings, universal paths, platform file specs and errors.
//
// A universal path holds a type ("filewin", "fmnet", ...), a path text whose
// components are separated by U+E000 (the first one before the leading
// separator is empty) and a name. A platform spec holds a Windows path.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "Engine.h"
#include "platform/common/Utf.h"

namespace {

constexpr char16_t kSeparator = 0xE000;

using hostworld::PathImp;
using hostworld::ToUtf8;

PathImp& Imp(Draco::UniversalPath* p) { return *static_cast<PathImp*>(p->imp); }
const PathImp& Imp(const Draco::UniversalPath* p) { return *static_cast<const PathImp*>(p->imp); }

std::u16string& SpecText(Draco::FilePlatformSpec* s) { return *static_cast<std::u16string*>(s->imp); }
const std::u16string& SpecText(const Draco::FilePlatformSpec* s)
{
    return *static_cast<const std::u16string*>(s->imp);
}

// Strict decoding: malformed input fails.
bool FromUtf8(const char* text, std::size_t length, std::u16string& out)
{
    return pvcommon::utf::Utf8ToUtf16(text, length, out);
}

Draco::Error* Answer(Draco::Error* result, std::int32_t code)
{
    result->code = code;
    return result;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Path texts escape "%", ":" and control characters as "%XX" (UTF-8 bytes);
// platform paths hold them as they are.
std::u16string Unescape(const std::u16string& text)
{
    std::string bytes = ToUtf8(text);
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && HexValue(bytes[i + 1]) >= 0 && HexValue(bytes[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(bytes[i + 1]) * 16 + HexValue(bytes[i + 2]));
            i += 2;
        } else {
            out += bytes[i];
        }
    }
    std::u16string result;
    return FromUtf8(out.data(), out.size(), result) ? result : text;
}

std::u16string Escape(const std::u16string& text)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'%' || c == u':' || (c >= 1 && c <= 31)) {
            out += u'%';
            out += digits[c >> 4];
            out += digits[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

// unistring

void unistring_Ctor(Draco::unistring* self)
{
    PV_ENGINE_CHECK(unistring_Ctor);
    engine::Construct(self);
}

Draco::unistring* unistring_Assign(Draco::unistring* self, const Draco::unistring* other)
{
    PV_ENGINE_CHECK(unistring_Assign);
    if (self != other)
        engine::Text(self) = engine::Text(other);
    return self;
}

void unistring_Dtor(Draco::unistring* self)
{
    PV_ENGINE_CHECK(unistring_Dtor);
    delete static_cast<std::u16string*>(self->imp);
    self->imp = nullptr;
}

// Writes the text (and a terminating zero when there is room) into at most
// *length bytes; *length receives the text's size. False when the encoding is
// not UTF-8 or the text does not fit. A lone surrogate is written as U+FFFD,
// as Windows writes it; the macOS frameworks' twin refuses it, as Core
// Foundation does.
bool unistring_ConvertToNonUnichars(const Draco::unistring* self, char* out, std::uint32_t* length,
                                    std::int32_t encoding)
{
    PV_ENGINE_CHECK(unistring_ConvertToNonUnichars);
    if (!length || encoding != fmapi::kDracoEncodingUtf8)
        return false;
    const std::string bytes = ToUtf8(engine::Text(self));
    const std::uint32_t room = *length;
    *length = static_cast<std::uint32_t>(bytes.size());
    if (!out || bytes.size() > room)
        return false;
    std::memcpy(out, bytes.data(), bytes.size());
    if (bytes.size() < room)
        out[bytes.size()] = 0;
    return true;
}

bool unistring_ConvertFromNonUnichars(Draco::unistring* self, const char* in, std::uint32_t length,
                                      std::int32_t encoding)
{
    PV_ENGINE_CHECK(unistring_ConvertFromNonUnichars);
    if (encoding != fmapi::kDracoEncodingUtf8 || (!in && length))
        return false;
    std::u16string text;
    if (!FromUtf8(in, length, text))
        return false;
    engine::Text(self) = text;
    return true;
}

// Error

void Error_CopyCtor(Draco::Error* self, const Draco::Error* other)
{
    PV_ENGINE_CHECK(Error_CopyCtor);
    self->code = other->code;
}

void Error_Dtor(Draco::Error* self)
{
    PV_ENGINE_CHECK(Error_Dtor);
    self->code = 0;
}

const Draco::Error* Error_Assign(Draco::Error* self, const Draco::Error* other)
{
    PV_ENGINE_CHECK(Error_Assign);
    self->code = other->code;
    return self;
}

// FilePlatformSpec

void FilePlatformSpec_Ctor(Draco::FilePlatformSpec* self)
{
    PV_ENGINE_CHECK(FilePlatformSpec_Ctor);
    self->imp = new std::u16string;
}

void FilePlatformSpec_Dtor(Draco::FilePlatformSpec* self)
{
    PV_ENGINE_CHECK(FilePlatformSpec_Dtor);
    delete static_cast<std::u16string*>(self->imp);
    self->imp = nullptr;
}

const char16_t* FilePlatformSpec_GetPath(const Draco::FilePlatformSpec* self)
{
    PV_ENGINE_CHECK(FilePlatformSpec_GetPath);
    return SpecText(self).c_str();
}

Draco::FilePlatformSpec* FilePlatformSpec_SetPath(Draco::FilePlatformSpec* self, const char16_t* path)
{
    PV_ENGINE_CHECK(FilePlatformSpec_SetPath);
    SpecText(self) = path ? path : u"";
    return self;
}

// UniversalPath

void UniversalPath_Ctor(Draco::UniversalPath* self)
{
    PV_ENGINE_CHECK(UniversalPath_Ctor);
    self->imp = new PathImp;
}

void UniversalPath_Dtor(Draco::UniversalPath* self)
{
    PV_ENGINE_CHECK(UniversalPath_Dtor);
    delete static_cast<PathImp*>(self->imp);
    self->imp = nullptr;
}

const Draco::unistring* UniversalPath_GetType(const Draco::UniversalPath* self)
{
    PV_ENGINE_CHECK(UniversalPath_GetType);
    return &Imp(self).type.ref;
}

const Draco::unistring* UniversalPath_GetPath(const Draco::UniversalPath* self)
{
    PV_ENGINE_CHECK(UniversalPath_GetPath);
    return &Imp(self).path.ref;
}

const Draco::unistring* UniversalPath_GetName(const Draco::UniversalPath* self)
{
    PV_ENGINE_CHECK(UniversalPath_GetName);
    return &Imp(self).name.ref;
}

// "filewin" (or "file") paths become Windows paths: "\uE000C:\uE000a\uE000"
// with name "b" is C:\a\b, "\uE000\uE000srv\uE000share\uE000" is \\srv\share\.
Draco::Error* UniversalPath_MakePlatformSpec(const Draco::UniversalPath* self, Draco::Error* result,
                                             Draco::FilePlatformSpec* spec, std::int32_t, bool, bool)
{
    PV_ENGINE_CHECK(UniversalPath_MakePlatformSpec);
    const PathImp& path = Imp(self);
    if (path.type.text != u"filewin" && path.type.text != u"file")
        return Answer(result, 1);
    std::vector<std::u16string> pieces;
    std::u16string piece;
    for (char16_t c : path.path.text) {
        if (c == kSeparator) {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (pieces.size() < 2 || !pieces[0].empty())
        return Answer(result, 1);
    std::u16string text = pieces[1].empty() ? u"\\" : u"";
    for (std::size_t i = 1; i < pieces.size(); ++i)
        text += (i == 1 ? pieces[i] : Unescape(pieces[i])) + u"\\";
    text += Unescape(path.name.text);
    SpecText(spec) = text;
    return Answer(result, 0);
}

Draco::Error* UniversalPath_Set(Draco::UniversalPath* self, Draco::Error* result,
                                const Draco::FilePlatformSpec* spec)
{
    PV_ENGINE_CHECK(UniversalPath_Set);
    const std::u16string& text = SpecText(spec);
    std::u16string folder(1, kSeparator);
    std::u16string piece;
    std::size_t at;
    if (text.size() >= 3 && text[1] == u':' && IsSeparator(text[2]) &&
        ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z'))) {
        folder += text.substr(0, 2);
        folder += kSeparator;
        at = 3;
    } else if (text.size() >= 3 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        folder += kSeparator;
        at = 2;
    } else {
        return Answer(result, 1);
    }
    const std::size_t last = text.find_last_of(u"\\/");
    for (std::size_t i = at; last != std::u16string::npos && last >= at && i <= last; ++i) {
        if (IsSeparator(text[i])) {
            folder += Escape(piece);
            folder += kSeparator;
            piece.clear();
        } else {
            piece += text[i];
        }
    }
    PathImp& path = Imp(self);
    path.type.text = u"filewin";
    path.path.text = folder;
    path.name.text = Escape(text.substr(last == std::u16string::npos || last < at ? at : last + 1));
    return Answer(result, 0);
}
