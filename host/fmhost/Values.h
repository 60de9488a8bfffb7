// fmhost's own handles on the interface library's objects: owning, and
// turning a failed call into HostFailure.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "fmapi/fm_api.h"

namespace fmhost {

struct HostFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws HostFailure naming `what` when the record holds an error.
void Check(const FMError& err, const char* what);

template <class T, void (*Delete)(T*, FMError*)>
class Owned {
public:
    explicit Owned(T* p) : p_(p) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned()
    {
        FMError err{1, 0};
        if (p_) Delete(p_, &err);
    }
    T* get() const { return p_; }

private:
    T* p_;
};

using Text = Owned<FMText, FM_Text_Delete>;
using Data = Owned<FMData, FM_Data_Delete>;
using DataVect = Owned<FMDataVect, FM_DataVect_Delete>;
using FixPt = Owned<FMFixPt, FM_FixPt_Delete>;
using Locale = Owned<FMLocale, FM_Locale_Delete>;
using QuadChar = Owned<FMQuadChar, FM_QuadChar_Delete>;

FMText* NewText();
FMData* NewData();
FMDataVect* NewDataVect();

std::u16string ToUtf16(std::string_view utf8);
std::string ToUtf8(std::u16string_view units);
std::string ToUtf8(const FMText* text);
void Assign(FMText* text, std::string_view utf8);
void Assign(FMText* text, std::u16string_view units);
std::u16string UnitsOf(const FMText* text);
// UTF-8 text to and from the bytes of a byte encoding (kFMEncASCIIMac, ...);
// a character the encoding lacks becomes the library's replacement.
std::string EncodeBytes(std::string_view utf8, std::int32_t encoding);
std::string DecodeBytes(std::string_view bytes, std::int32_t encoding);

// The value's text as a calculation sees it (numbers in their text form).
std::u16string TextOf(const FMData* data);
// Makes `to` a copy of `from` (type and content).
void CopyData(const FMData* from, FMData* to);

} // namespace fmhost
