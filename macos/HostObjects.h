// The host's own objects as the macOS flavour reaches them: fields whose
// place differs between host versions (fmapi/mac_layout.h), the host's
// strings in both of their forms, references to its reference-counted
// objects, its error record, the window kind of its document windows and
// font names.
//
// Everything chosen by the host API level is chosen on first use (the level
// of mac::BindingLevel then) and kept for the process: the level does not
// change while the host runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fmapi/mac_layout.h"

namespace mac {

// ---- fields by level

// The offset of a field in this build, worked out once per field.
std::size_t FieldOffset(fmapi::mac::HostField field);

// A pointer field of an object (null for a null object).
const void* ReadPointerField(const void* object, fmapi::mac::HostField field);
// The address of a field inside an object.
const void* FieldAddress(const void* object, fmapi::mac::HostField field);

// A window model's user mode: a signed byte or a word, as the level has it.
std::int32_t ReadUserMode(const void* model);
// Flag A: bit 17 of its word; false below level 54 whatever the model holds.
bool ReadFlagA(const void* model);
// Flag B: bit 7 of its word.
bool ReadFlagB(const void* model);
// Whether a script runtime is paused.
bool ReadPaused(const void* runtime);

// A file user's or host script object's key record and identifier.
const void* ReadKeyRecord(const void* record);
std::uint32_t ReadIdentifier(const void* record);

// The universal path of a file user: inside its path holder, or the host's
// empty universal path when it has no holder.
const fmapi::mac::UniversalPathLayout* FileUserPath(const void* fileUser);

// ---- the host's document windows

// 8 up to level 14, 9 up to 49, 10 from 50; worked out once.
std::int16_t GetDocumentWindowKind();

// ---- host strings (Draco::unistring)

// The operations on a host string in the caller's storage, in the form of
// the level: from 51 the host's own members; below it the plug-in builds,
// copies and frees the string itself, its buffer from the host's operator
// new.
void ConstructHostString(fmapi::mac::HostStringStorage* string);
// A level-50 copy takes max(capacity, length + 1) units for its buffer and
// keeps the source's capacity field; an empty source gives no buffer.
void CopyHostString(fmapi::mac::HostStringStorage* string, const fmapi::mac::HostStringStorage* source);
void DestroyHostString(fmapi::mac::HostStringStorage* string);
// The text (never null) and its length in UTF-16 units.
const char16_t* HostStringText(const fmapi::mac::HostStringStorage* string);
std::uint32_t HostStringLength(const fmapi::mac::HostStringStorage* string);

// Room of the one buffer host strings are read through.
constexpr std::size_t kHostStringBufferSize = 16384;
// The string as UTF-8 bytes: false when the host's conversion fails or its
// bytes do not fit the buffer; `out` is then untouched.
bool ReadHostString(const fmapi::mac::HostStringStorage* string, std::string& out);
// Sets the string from UTF-8 bytes; false when the host refuses them.
bool WriteHostString(fmapi::mac::HostStringStorage* string, const std::string& text);

// A host string in the plug-in's storage, destroyed with it.
class HostString {
public:
    HostString() { ConstructHostString(&storage_); }
    ~HostString() { DestroyHostString(&storage_); }
    HostString(const HostString& other) { CopyHostString(&storage_, &other.storage_); }
    HostString& operator=(const HostString&) = delete;

    fmapi::mac::HostStringStorage* get() { return &storage_; }
    const fmapi::mac::HostStringStorage* get() const { return &storage_; }
    std::string Utf8() const
    {
        std::string text;
        ReadHostString(&storage_, text);
        return text;
    }

private:
    fmapi::mac::HostStringStorage storage_;
};

// Three host strings one after another (string k at k times the host's
// string size), as a universal path's type, path and name; built, destroyed
// and filled together.
class UnistringData {
public:
    static constexpr int kCount = 3;
    UnistringData();
    ~UnistringData();
    UnistringData(const UnistringData&) = delete;
    UnistringData& operator=(const UnistringData&) = delete;

    fmapi::mac::HostStringStorage* At(int k);
    // Sets all three from UTF-8; false when any is refused.
    bool Fill(const std::string& first, const std::string& second, const std::string& third);

private:
    alignas(void*) unsigned char bytes_[kCount * sizeof(fmapi::mac::HostStringStorage)];
};

// ---- references to the host's reference-counted objects

// Taking a reference to a non-null object calls its first virtual
// operation, dropping it the second.
class RefCountedObjPtr {
public:
    RefCountedObjPtr() = default;
    explicit RefCountedObjPtr(void* object) { Reset(object); }
    ~RefCountedObjPtr() { Reset(nullptr); }
    RefCountedObjPtr(const RefCountedObjPtr& other) { Reset(other.object_); }
    RefCountedObjPtr& operator=(const RefCountedObjPtr& other)
    {
        Reset(other.object_);
        return *this;
    }
    void Reset(void* object);
    void* get() const { return object_; }

private:
    void* object_ = nullptr;
};

// ---- the host's error record (Draco::Error)

class ErrorRecord {
public:
    ErrorRecord() = default;
    // The first field is copied, the index set through the host.
    ErrorRecord(const ErrorRecord& other);
    ErrorRecord& operator=(const ErrorRecord& other);
    explicit ErrorRecord(const fmapi::mac::HostError& error) : error_(error) {}
    // The index back to 0 through the host.
    void Clear();
    std::uint16_t Index() const { return error_.index; }
    fmapi::mac::HostError* get() { return &error_; }

private:
    fmapi::mac::HostError error_{};
};

// ---- fonts

// The name of a font of a file user, through a font mapper the plug-in makes
// for the file; empty when the host has none.
std::string FontName(const void* fileUser, std::uint16_t id);

} // namespace mac
