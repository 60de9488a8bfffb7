#include "macos/HostObjects.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "fmx/WideText.h"
#include "macos/PlatStubs.h"

namespace mac {

using fmapi::mac::FieldKind;
using fmapi::mac::HostField;
using fmapi::mac::HostString50;
using fmapi::mac::HostString51;
using fmapi::mac::HostStringStorage;
using fmapi::mac::StringHeader;

namespace {

const unsigned char* Bytes(const void* object) { return static_cast<const unsigned char*>(object); }

// A field's offset and kind, kept per field once worked out.
struct Field {
    std::size_t offset = 0;
    FieldKind kind = FieldKind::kAbsent;
};

const Field& FieldAt(HostField field)
{
    constexpr int kFields = static_cast<int>(HostField::kCount);
    static Field fields[kFields];
    static std::once_flag once[kFields];
    const int i = static_cast<int>(field);
    std::call_once(once[i], [&] {
        const std::int32_t level = BindingLevel();
        fields[i].offset = fmapi::mac::HostFieldOffset(field, level);
        fields[i].kind = fmapi::mac::HostFieldSpec(field, level).kind;
    });
    return fields[i];
}

std::uint32_t Word(const void* object, std::size_t offset)
{
    std::uint32_t word;
    std::memcpy(&word, Bytes(object) + offset, sizeof word);
    return word;
}

bool Bit(const void* model, HostField field, unsigned bit)
{
    const Field& f = FieldAt(field);
    if (!model || f.kind == FieldKind::kAbsent)
        return false;
    return ((Word(model, f.offset) >> bit) & 1u) != 0;
}

} // namespace

// ---- fields

std::size_t FieldOffset(HostField field) { return FieldAt(field).offset; }

const void* ReadPointerField(const void* object, HostField field)
{
    if (!object)
        return nullptr;
    const void* pointer;
    std::memcpy(&pointer, Bytes(object) + FieldOffset(field), sizeof pointer);
    return pointer;
}

const void* FieldAddress(const void* object, HostField field) { return Bytes(object) + FieldOffset(field); }

std::int32_t ReadUserMode(const void* model)
{
    const Field& f = FieldAt(HostField::kModelUserMode);
    if (f.kind == FieldKind::kSignedByte) {
        signed char mode;
        std::memcpy(&mode, Bytes(model) + f.offset, 1);
        return mode;
    }
    return static_cast<std::int32_t>(Word(model, f.offset));
}

bool ReadFlagA(const void* model) { return Bit(model, HostField::kModelFlagA, 17); }

bool ReadFlagB(const void* model) { return Bit(model, HostField::kModelFlagB, 7); }

bool ReadPaused(const void* runtime)
{
    const Field& f = FieldAt(HostField::kRuntimePaused);
    if (f.kind == FieldKind::kByte)
        return Bytes(runtime)[f.offset] != 0;
    return Word(runtime, f.offset) != 0;
}

const void* ReadKeyRecord(const void* record) { return ReadPointerField(record, HostField::kRecordKey); }

std::uint32_t ReadIdentifier(const void* record) { return Word(record, FieldOffset(HostField::kRecordIdentifier)); }

const fmapi::mac::UniversalPathLayout* FileUserPath(const void* fileUser)
{
    const void* holder = ReadPointerField(fileUser, HostField::kFileUserPathHolder);
    if (!holder)
        return bound::EmptyUniversalPath();
    return static_cast<const fmapi::mac::UniversalPathLayout*>(FieldAddress(holder, HostField::kPathHolderPath));
}

// ---- document windows

std::int16_t GetDocumentWindowKind()
{
    static std::int16_t kind = 0;
    static std::once_flag once;
    std::call_once(once, [] { kind = fmapi::mac::DocumentWindowKind(BindingLevel()); });
    return kind;
}

// ---- host strings

namespace {

// The implementation of one form.
struct StringImp {
    void (*construct)(HostStringStorage*);
    void (*copy)(HostStringStorage*, const HostStringStorage*);
    void (*destroy)(HostStringStorage*);
    const char16_t* (*text)(const HostStringStorage*);
    std::uint32_t (*length)(const HostStringStorage*);
};

HostString50& Form50(HostStringStorage* s) { return *reinterpret_cast<HostString50*>(s->bytes); }
const HostString50& Form50(const HostStringStorage* s) { return *reinterpret_cast<const HostString50*>(s->bytes); }
const HostString51& Form51(const HostStringStorage* s) { return *reinterpret_cast<const HostString51*>(s->bytes); }

const char16_t kEmptyText[] = u"";

const StringImp kImp51 = {
    [](HostStringStorage* s) { bound::ConstructString(s); },
    [](HostStringStorage* s, const HostStringStorage* source) { bound::CopyConstructString(s, source); },
    [](HostStringStorage* s) { bound::DestroyString(s); },
    [](const HostStringStorage* s) -> const char16_t* { return Form51(s).text; },
    [](const HostStringStorage* s) {
        StringHeader header;
        std::memcpy(&header, reinterpret_cast<const unsigned char*>(Form51(s).text) - sizeof header, sizeof header);
        return header.length;
    },
};

const StringImp kImp50 = {
    [](HostStringStorage* s) { Form50(s) = HostString50{0, 0, nullptr}; },
    [](HostStringStorage* s, const HostStringStorage* source) {
        const HostString50& from = Form50(source);
        HostString50 to{from.length, from.capacity, nullptr};
        if (from.buffer) {
            // Room for the text and its final zero whatever the capacity says.
            const std::size_t units = std::max<std::size_t>(from.capacity, std::size_t(from.length) + 1);
            to.buffer = static_cast<char16_t*>(bound::HostOperatorNew(units * sizeof(char16_t)));
            std::memcpy(to.buffer, from.buffer, from.length * sizeof(char16_t));
            to.buffer[from.length] = 0;
        }
        Form50(s) = to;
    },
    [](HostStringStorage* s) {
        if (char16_t* buffer = Form50(s).buffer)
            bound::HostOperatorDelete(buffer);
        Form50(s).buffer = nullptr;
    },
    [](const HostStringStorage* s) -> const char16_t* {
        return Form50(s).buffer ? Form50(s).buffer : kEmptyText;
    },
    [](const HostStringStorage* s) { return Form50(s).length; },
};

const StringImp& Imp()
{
    static const StringImp* imp = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { imp = BindingLevel() >= fmapi::mac::kHostString51Level ? &kImp51 : &kImp50; });
    return *imp;
}

// The one buffer strings are read through (the host's plug-in thread only).
char g_readBuffer[kHostStringBufferSize];

} // namespace

void ConstructHostString(HostStringStorage* string) { Imp().construct(string); }

void CopyHostString(HostStringStorage* string, const HostStringStorage* source) { Imp().copy(string, source); }

void DestroyHostString(HostStringStorage* string) { Imp().destroy(string); }

const char16_t* HostStringText(const HostStringStorage* string) { return Imp().text(string); }

std::uint32_t HostStringLength(const HostStringStorage* string) { return Imp().length(string); }

bool ReadHostString(const HostStringStorage* string, std::string& out)
{
    unsigned long size = sizeof g_readBuffer;
    if (!bound::ConvertToNonUnichars(string, g_readBuffer, &size, fmapi::mac::kHostEncodingUtf8))
        return false;
    // A host that reports more than the buffer holds has not written it all.
    if (size > sizeof g_readBuffer)
        return false;
    out.assign(g_readBuffer, size);
    return true;
}

bool WriteHostString(HostStringStorage* string, const std::string& text)
{
    return bound::ConvertFromNonUnichars(string, text.data(), text.size(), fmapi::mac::kHostEncodingUtf8);
}

UnistringData::UnistringData()
{
    for (int k = 0; k < kCount; ++k)
        ConstructHostString(At(k));
}

UnistringData::~UnistringData()
{
    for (int k = 0; k < kCount; ++k)
        DestroyHostString(At(k));
}

HostStringStorage* UnistringData::At(int k)
{
    // The host's strings lie at its own string size apart.
    return reinterpret_cast<HostStringStorage*>(bytes_ + k * fmapi::mac::HostStringSize(BindingLevel()));
}

bool UnistringData::Fill(const std::string& first, const std::string& second, const std::string& third)
{
    return WriteHostString(At(0), first) && WriteHostString(At(1), second) && WriteHostString(At(2), third);
}

// ---- references

namespace {

using Operation = void (*)(void*);

void CallVirtual(void* object, int slot)
{
    const Operation* table;
    std::memcpy(&table, object, sizeof table);
    table[slot](object);
}

} // namespace

void RefCountedObjPtr::Reset(void* object)
{
    if (object)
        CallVirtual(object, 0);
    void* old = object_;
    object_ = object;
    if (old)
        CallVirtual(old, 1);
}

// ---- error records

ErrorRecord::ErrorRecord(const ErrorRecord& other) : error_{other.error_.first, 0}
{
    bound::SetErrorIndex(&error_, other.error_.index);
}

ErrorRecord& ErrorRecord::operator=(const ErrorRecord& other)
{
    error_.first = other.error_.first;
    bound::SetErrorIndex(&error_, other.error_.index);
    return *this;
}

void ErrorRecord::Clear() { bound::SetErrorIndex(&error_, 0); }

// ---- fonts

std::string FontName(const void* fileUser, std::uint16_t id)
{
    const fmapi::mac::FontMapperLayout mapper{fileUser};
    HostStringStorage name;
    bound::GetFontName(&mapper, id, &name);
    std::u16string units(HostStringText(&name), HostStringLength(&name));
    DestroyHostString(&name);
    return fmx::WideToUtf8(fmx::U16ToWide(units));
}

} // namespace mac
