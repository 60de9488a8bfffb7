// A tiny plug-in module for testing the host without the product: it
// registers a few functions on initialisation and records what it is told.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fmapi/call_record.h"
#include "fmapi/fm_api.h"

namespace {

struct State {
    bool initialised = false;
    int extnVersion = 0;
    int appKind = 0;
    std::u16string hostVersion;
    bool ownModule = false;
    fmapi::HostCallback callbacks[fmapi::kHostCallbackCount] = {};
    std::string messages;   // kinds received, "u" marking the unsafe ones
    int calls = 0;
};

State& S()
{
    static State s;
    return s;
}

FMError NewErr()
{
    return FMError{1, 0};
}

FMText* MakeText(const std::string& utf8)
{
    FMError e = NewErr();
    FMText* t = FM_Text_Constructor1(&e);
    FM_Text_Assign(t, utf8.c_str(), kFMEncUTF8, &e);
    return t;
}

std::string TextOf(const FMText* t)
{
    FMError e = NewErr();
    std::uint32_t n = FM_Text_GetSize(t, &e);
    std::string out(static_cast<std::size_t>(n) * 3 + 1, '\0');
    out.resize(FM_Text_GetBytes(t, out.data(), static_cast<std::uint32_t>(out.size()), 0, n, kFMEncUTF8, &e));
    return out;
}

std::string ArgText(const FMDataVect* args, std::uint32_t i)
{
    FMError e = NewErr();
    return TextOf(FM_DataVect_AtAsText(args, i, &e));
}

double ArgNumber(const FMDataVect* args, std::uint32_t i)
{
    FMError e = NewErr();
    return FM_FixPt_AsDouble(FM_Data_GetAsNumber(FM_DataVect_At(args, i, &e), &e), &e);
}

void SetText(FMData* result, const std::string& utf8)
{
    FMError e = NewErr();
    FMText* t = MakeText(utf8);
    FMLocale* l = FM_Locale_Constructor1(0, &e);
    FM_Data_SetAsText(result, t, l, kFMTypeText, &e);
    FM_Locale_Delete(l, &e);
    FM_Text_Delete(t, &e);
}

void SetNumber(FMData* result, double v, std::int32_t type)
{
    FMError e = NewErr();
    FMFixPt* f = FM_FixPt_Constructor1(0, &e);
    FM_FixPt_AssignDouble(f, v, &e);
    FM_Data_SetAsNumber(result, f, type, &e);
    FM_FixPt_Delete(f, &e);
}

void AddStream(FMBinaryData* b, const char* type, const std::string& bytes)
{
    FMError e = NewErr();
    FMQuadChar* q = FM_QuadChar_Constructor2(type[0], type[1], type[2], type[3], &e);
    FM_BinaryData_Add(b, q, static_cast<std::uint32_t>(bytes.size()), bytes.data(), &e);
    FM_QuadChar_Delete(q, &e);
}

// TP_Picture ( "png" | "jpeg" | "none" ): a container shaped like a chart's.
std::int16_t Picture(const FMDataVect* args, FMData* result)
{
    FMError e = NewErr();
    std::string kind = ArgText(args, 0);
    FMBinaryData* b = FM_BinaryData_Constructor1(&e);
    auto addSize = reinterpret_cast<FM_BinaryData_AddSIZEData_t>(dlsym(RTLD_DEFAULT, "FM_BinaryData_AddSIZEData"));
    auto addName = reinterpret_cast<FM_BinaryData_AddFNAMData_t>(dlsym(RTLD_DEFAULT, "FM_BinaryData_AddFNAMData"));
    if (kind == "png") {
        AddStream(b, "JPEG", "");
        AddStream(b, "PNGf", std::string("\x89PNG\r\n\x1a\n-test", 13));
    } else if (kind == "jpeg") {
        AddStream(b, "JPEG", "\xFF\xD8\xFF-test");
    }
    if (addSize) addSize(b, 640, 480, &e);
    if (kind == "png" && addName) {
        FMText* name = MakeText("Untitled.png");
        addName(b, name, &e);
        FM_Text_Delete(name, &e);
    }
    FM_Data_SetBinaryData(result, b, true, &e);
    FM_BinaryData_Delete(b, &e);
    return 0;
}

// TP_Eval ( calculation ): evaluates the text through the host.
std::int16_t Eval(const FMDataVect* args, FMData* result)
{
    FMError e = NewErr();
    FMExprEnv* env = FM_ExprEnv_Constructor1(&e);
    std::intptr_t filled = S().callbacks[11] ? S().callbacks[11](reinterpret_cast<std::intptr_t>(env), 0) : -1;
    std::int16_t answer = -1;
    if (filled == 0) {
        FMText* expr = MakeText(ArgText(args, 0));
        answer = FM_ExprEnv_Evaluate(env, expr, result, &e);
        FM_Text_Delete(expr, &e);
    }
    FM_ExprEnv_Delete(env, &e);
    return answer;
}

std::int16_t Function(std::int16_t id, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    ++S().calls;
    FMError e = NewErr();
    std::uint32_t n = FM_DataVect_Size(args, &e);
    switch (id) {
    case 1: {   // TP_Echo ( value ): the value, with its type
        const FMData* d = FM_DataVect_At(args, 0, &e);
        std::int32_t type = FM_Data_GetNativeType(d, &e);
        if (type == kFMTypeText)
            SetText(result, ArgText(args, 0));
        else
            SetNumber(result, ArgNumber(args, 0), type);
        return 0;
    }
    case 2: {   // TP_Types ( ... ): the native types of the arguments
        std::string out;
        for (std::uint32_t i = 0; i < n; ++i)
            out += (i ? "," : "") + std::to_string(FM_Data_GetNativeType(FM_DataVect_At(args, i, &e), &e));
        SetText(result, out);
        return 0;
    }
    case 3:     // TP_Add ( a ; b )
        SetNumber(result, ArgNumber(args, 0) + ArgNumber(args, 1), kFMTypeNumber);
        return 0;
    case 4:     // TP_Fail ( code ): answers the code, leaves "failed"
        SetText(result, "failed");
        return static_cast<std::int16_t>(ArgNumber(args, 0));
    case 5:
        return Picture(args, result);
    case 6:
        return Eval(args, result);
    case 7:     // TP_Calls: calls that reached the plug-in, this one included
        SetNumber(result, S().calls, kFMTypeNumber);
        return 0;
    case 8: {   // TP_Init: what initialisation brought
        FMText* t = FM_Text_Constructor1(&e);
        FM_Text_AssignUnicode(t, S().hostVersion.c_str(), &e);
        SetText(result, "extn=" + std::to_string(S().extnVersion) + " app=" + std::to_string(S().appKind) +
                            " host=" + TextOf(t) + " module=" + (S().ownModule ? "own" : "other"));
        FM_Text_Delete(t, &e);
        return 0;
    }
    case 9: {   // TP_Callbacks: the callback slots the host filled
        std::string out;
        for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
            if (S().callbacks[i]) out += (out.empty() ? "" : ",") + std::to_string(i);
        SetText(result, out);
        return 0;
    }
    case 10:    // TP_Messages: the messages received so far
        SetText(result, S().messages);
        return 0;
    case 11: {  // TP_Kind ( "date" | "time" | "timestamp" | "boolean" | "empty" )
        std::string kind = ArgText(args, 0);
        if (kind == "date") SetNumber(result, 738000, kFMTypeDate);
        if (kind == "time") SetNumber(result, 3600.5, kFMTypeTime);
        if (kind == "timestamp") SetNumber(result, 63000000000, kFMTypeTimeStamp);
        if (kind == "boolean") SetNumber(result, 1, kFMTypeBoolean);
        return 0;
    }
    }
    return -2000;
}

struct Def {
    std::int16_t id;
    const char* name;
    std::int16_t min, max;
};

const Def kFunctions[] = {
    {1, "TP_Echo", 1, 1},      {2, "TP_Types", 0, -1},   {3, "TP_Add", 2, 2},
    {4, "TP_Fail", 1, 1},      {5, "TP_Picture", 1, 1},  {6, "TP_Eval", 1, 1},
    {7, "TP_Calls", 0, 0},     {8, "TP_Init", 0, 0},     {9, "TP_Callbacks", 0, 0},
    {10, "TP_Messages", 0, 0}, {11, "TP_Kind", 1, 1},
};

FMQuadChar* PluginId()
{
    FMError e = NewErr();
    return FM_QuadChar_Constructor2('T', 'P', 'L', 'G', &e);
}

bool Register()
{
    FMError e = NewErr();
    FMQuadChar* id = PluginId();
    bool ok = true;
    for (const Def& d : kFunctions) {
        FMText* name = MakeText(d.name);
        FMText* proto = MakeText(std::string(d.name) + "( ... )");
        ok = FM_ExprEnv_RegisterExternalFunction(id, d.id, name, proto, d.min, d.max, 0x0000FF00, Function, &e) == 0 && ok;
        FM_Text_Delete(name, &e);
        FM_Text_Delete(proto, &e);
    }
    FM_QuadChar_Delete(id, &e);
    return ok;
}

void Unregister()
{
    FMError e = NewErr();
    FMQuadChar* id = PluginId();
    for (const Def& d : kFunctions) FM_ExprEnv_UnRegisterExternalFunction(id, d.id, &e);
    FM_QuadChar_Delete(id, &e);
}

void AnswerString(fmapi::CallRecord* r)
{
    auto* out = reinterpret_cast<char16_t*>(r->result);
    if (!out) return;
    if (r->parm1 == 200) {   // misbehaves on purpose: ignores the capacity
        std::memcpy(out, u"overrun", 7 * sizeof(char16_t));
        return;
    }
    std::u16string text = r->parm1 == 128 ? u"TestPlugin" : r->parm1 == 131 ? u"TPLG1YnYYnn" : u"";
    if (text.empty()) {
        out[0] = 0;
        return;
    }
    if (text.size() <= r->parm3) std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
}

// The old-style call, through the record's memory callbacks: index 1 echoes
// the parameter's bytes, 2 answers them in hexadecimal, 3 locks the result
// and leaves it locked; any other index leaves both handles alone.
void OldStyle(fmapi::CallRecord* r)
{
    fmapi::HostCallback resize = r->callbacks[1], size = r->callbacks[2], lock = r->callbacks[5],
                        unlock = r->callbacks[6];
    const std::uint16_t index = static_cast<std::uint16_t>(r->parm2 & 0xFFFF);
    const auto param = static_cast<std::intptr_t>(r->parm3);
    if (!resize || !size || !lock || !unlock || index < 1 || index > 3) return;
    if (index == 3) {
        lock(r->result, 0);
        return;
    }
    const char* in = reinterpret_cast<const char*>(lock(param, 0));
    std::string bytes(in, static_cast<std::size_t>(size(param, 0)));
    unlock(param, 0);
    std::string out = bytes;
    if (index == 2) {
        out.clear();
        for (unsigned char c : bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", c);
            out += hex;
        }
    }
    resize(r->result, static_cast<std::intptr_t>(out.size()));
    char* dst = reinterpret_cast<char*>(lock(r->result, 0));
    if (!out.empty()) std::memcpy(dst, out.data(), out.size());
    unlock(r->result, 0);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void FMExternCallProc(fmapi::CallRecord* r)
{
    State& s = S();
    if (!s.messages.empty()) s.messages += ",";
    s.messages += (r->unsafeCalls ? "u" : "") + std::to_string(r->whichCall);
    // With TP_LOG set every message is also appended to that file, so that
    // what comes after the last script line can be seen.
    if (const char* log = std::getenv("TP_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s%d\n", r->unsafeCalls ? "u" : "", r->whichCall);
            std::fclose(f);
        }
    }
    if (r->unsafeCalls) return;
    switch (r->whichCall) {
    case fmapi::kMsgInit:
        s.extnVersion = r->extnVersion;
        s.appKind = r->parm1;
        s.hostVersion = reinterpret_cast<const char16_t*>(r->parm2);
        s.ownModule = dlsym(r->instanceID, "FMExternCallProc") == reinterpret_cast<void*>(&FMExternCallProc);
        std::memcpy(s.callbacks, r->callbacks, sizeof s.callbacks);
        if (s.initialised) Unregister();
        if (Register()) {
            s.initialised = true;
            r->result = r->extnVersion;
        } else {
            Unregister();
            r->result = -1;
        }
        break;
    case fmapi::kMsgShutdown:
        if (s.initialised) Unregister();
        s.initialised = false;
        break;
    case fmapi::kMsgGetString:
        AnswerString(r);
        break;
    case fmapi::kMsgExternal:
        OldStyle(r);
        break;
    default:
        break;
    }
}
