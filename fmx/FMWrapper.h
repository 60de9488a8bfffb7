// Thin wrappers over the host's plug-in interface library. Each call passes
// an error record and checks it afterwards: code 1 throws std::bad_alloc,
// code 2 throws std::exception. A wrapper deletes what it constructed; one
// made over a host object only views it.
#pragma once

#include <cstdint>
#include <string>

#include "fmapi/fm_api.h"

namespace fmx {

class ErrorRecord : public FMError {
public:
    ErrorRecord()
    {
        version = 1;
        code = 0;
    }
    // Throws for codes 1 and 2; other codes pass.
    void Check() const;
    operator FMError*() { return this; }
};

class Locale {
public:
    explicit Locale(std::int32_t type = 1);
    ~Locale();
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;
    const FMLocale* get() const { return p_; }

private:
    FMLocale* p_;
};

class Text {
public:
    Text();
    explicit Text(const FMText* view);
    ~Text();
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    FMText* get() { return p_; }
    const FMText* get() const { return p_; }

    void Assign(const char* s, std::int32_t encoding = kFMEncUTF8);
    void AssignWithLength(const char* s, std::uint32_t length, std::int32_t encoding = kFMEncUTF8);
    void AssignUnicode(const char16_t* s);
    void AssignUnicodeWithLength(const char16_t* s, std::uint32_t length);
    void AssignWide(const std::wstring& s);   // UTF-32 to the host's UTF-16
    std::uint32_t GetSize() const;
    std::uint32_t GetBytes(char* buffer, std::uint32_t bufferSize, std::uint32_t position,
                           std::uint32_t size, std::int32_t encoding) const;
    void GetUnicode(char16_t* buffer, std::uint32_t position, std::uint32_t size) const;
    void AppendText(const Text& other, std::uint32_t position = 0,
                    std::uint32_t size = 0xFFFFFFFFu);
    void DeleteText(std::uint32_t position, std::uint32_t size = 0xFFFFFFFFu);

    std::u16string GetU16() const;
    std::string GetUtf8() const;

private:
    FMText* p_;
    bool owned_;
};

class FixPt {
public:
    explicit FixPt(std::int32_t value = 0);
    explicit FixPt(const FMFixPt* view);
    ~FixPt();
    FixPt(const FixPt&) = delete;
    FixPt& operator=(const FixPt&) = delete;

    const FMFixPt* get() const { return p_; }
    void AssignInt(std::int32_t value);
    void AssignDouble(double value);
    std::int32_t AsLong() const;
    double AsDouble() const;

private:
    FMFixPt* p_;
    bool owned_;
};

class QuadChar {
public:
    QuadChar();
    QuadChar(char c0, char c1, char c2, char c3);
    explicit QuadChar(std::uint32_t macType);
    ~QuadChar();
    QuadChar(const QuadChar&) = delete;
    QuadChar& operator=(const QuadChar&) = delete;

    const FMQuadChar* get() const { return p_; }
    void SetMacType(std::uint32_t type);

private:
    FMQuadChar* p_;
};

class BinaryData {
public:
    BinaryData();
    explicit BinaryData(const FMBinaryData* view);
    ~BinaryData();
    BinaryData(const BinaryData&) = delete;
    BinaryData& operator=(const BinaryData&) = delete;

    FMBinaryData* get() { return p_; }
    const FMBinaryData* get() const { return p_; }
    std::int16_t Add(const QuadChar& type, std::uint32_t size, const void* data);
    std::int32_t GetIndex(const QuadChar& type) const;
    std::uint32_t GetSize(std::int32_t index) const;
    std::int16_t GetData(std::int32_t index, std::uint32_t offset, std::uint32_t amount,
                         void* buffer) const;

private:
    FMBinaryData* p_;
    bool owned_;
};

class Data {
public:
    Data();
    explicit Data(const FMData* view);
    explicit Data(FMData* view);
    ~Data();
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    FMData* get() { return p_; }
    const FMData* get() const { return p_; }
    void Clear(std::int32_t nativeType = kFMTypeInvalid);
    bool IsEmpty() const;
    std::int32_t GetNativeType() const;
    const FMText* GetAsText() const;
    const FMFixPt* GetAsNumber() const;
    bool GetAsBoolean() const;
    const FMBinaryData* GetBinaryData() const;
    bool SetAsText(const Text& text, const Locale& locale, std::int32_t nativeType = kFMTypeText);
    bool SetAsNumber(const FixPt& number, std::int32_t nativeType = kFMTypeNumber);
    bool SetBinaryData(const BinaryData& binary, bool forceBinaryNativeType = true);

private:
    FMData* p_;
    bool owned_;
};

// Makes `to` a copy of a text, number, date, time, time stamp or container
// value; any other value, an empty one or none leaves it empty and answers
// false.
bool CopyData(const FMData* from, Data& to);

class DataVect {
public:
    DataVect();
    explicit DataVect(const FMDataVect* view);
    ~DataVect();
    DataVect(const DataVect&) = delete;
    DataVect& operator=(const DataVect&) = delete;

    const FMDataVect* get() const { return p_; }
    void Clear();
    void PushBack(const Data& data);
    std::uint32_t Size() const;
    const FMData* At(std::uint32_t position) const;
    const FMText* AtAsText(std::uint32_t position) const;

private:
    FMDataVect* p_;
    bool owned_;
};

class ExprEnv {
public:
    ExprEnv();
    explicit ExprEnv(const FMExprEnv* view);
    ~ExprEnv();
    ExprEnv(const ExprEnv&) = delete;
    ExprEnv& operator=(const ExprEnv&) = delete;

    const FMExprEnv* get() const { return p_; }
    std::int16_t Evaluate(const Text& expression, Data& result) const;
    static std::int16_t RegisterExternalFunction(const QuadChar& pluginId, std::int16_t functionId,
                                                 const Text& name, const Text& prototype,
                                                 std::int16_t minArgs, std::int16_t maxArgs,
                                                 std::uint32_t flags, FMExtFunction function);
    static std::int16_t UnRegisterExternalFunction(const QuadChar& pluginId,
                                                   std::int16_t functionId);

private:
    FMExprEnv* p_;
    bool owned_;
};

} // namespace fmx
