// The old-style call: the parameter handle split at "|" into arguments, the
// function's text written back into the result handle, "?" for every
// failure, locks always undone, the two text encodings, and the host message
// that reaches the old-style table.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/fmx/access/TestHost.h"
#include "fmapi/call_record.h"
#include "fmx/ExternCall.h"
#include "fmx/FMWrapper.h"
#include "support/fake_host_memory.h"
#include "support/plugin_harness.h"

namespace {

using namespace pvtest::memory;

// ---- functions to call

std::string Utf8Of(const FMText* text) { return fmx::Text(text).GetUtf8(); }

void SetResult(FMData* result, const std::string& utf8)
{
    fmx::Text text;
    text.Assign(utf8.c_str(), kFMEncUTF8);
    fmx::Locale locale;
    fmx::Data(result).SetAsText(text, locale);
}

int g_calls = 0;
std::int16_t g_answer = 0;

// Answers "id:argument,argument,..." (or g_answer's code).
std::int16_t Arguments(std::int16_t id, const FMExprEnv* env, const FMDataVect* args, FMData* result)
{
    ++g_calls;
    fmx::DataVect vect(args);
    std::string out = std::to_string(id) + (env ? "env" : "") + ":";
    for (std::uint32_t i = 0; i < vect.Size(); ++i)
        out += (i ? "," : "") + Utf8Of(vect.AtAsText(i));
    SetResult(result, out);
    return g_answer;
}

// Answers "é" after its argument.
std::int16_t Accent(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    SetResult(result, Utf8Of(fmx::DataVect(args).AtAsText(0)) + "\xC3\xA9");
    return 0;
}

const fm6::TextForms kPlain{kFMEncASCIIWin, kFMEncASCIIMac, false, false};
const fm6::TextForms kConverted{kFMEncASCIIWin, kFMEncASCIIMac, true, true};
const fm6::TextForms kParameterConverted{kFMEncASCIIWin, kFMEncASCIIMac, true, false};

// Runs a call from a fresh parameter handle into a fresh result handle;
// answers the result handle's bytes.
struct Ran {
    bool ok;
    std::string result;
    std::intptr_t parameter;
    std::intptr_t resultHandle;
};

Ran Call(FMExtFunction f, std::int16_t min, std::int16_t max, const std::string& parameter,
         const fm6::TextForms& forms = kPlain)
{
    Ran r;
    r.parameter = NewHandle(parameter);
    r.resultHandle = NewHandle("old");
    r.ok = fm6::ExternCall::Run(f, 7, min, max, r.parameter, r.resultHandle, forms);
    r.result = BlockOf(r.resultHandle).bytes;
    // Every lock is undone, whatever happened.
    EXPECT_EQ(BlockOf(r.parameter).locks, 0) << parameter;
    EXPECT_EQ(BlockOf(r.resultHandle).locks, 0) << parameter;
    return r;
}

class OldStyle : public ::testing::Test {
protected:
    OldStyle() : env_(54, 1, Callbacks()) {}
    pvtest::HostEnv env_;
};

TEST_F(OldStyle, PiecesBetweenBarsBecomeArguments)
{
    EXPECT_EQ(Call(Arguments, 0, -1, "a||b").result, "7:a,,b");
    EXPECT_EQ(Call(Arguments, 0, -1, "a|").result, "7:a,");
    EXPECT_EQ(Call(Arguments, 0, -1, "|").result, "7:,");
    // An empty parameter is one empty argument.
    EXPECT_TRUE(Call(Arguments, 1, 1, "").ok);
    EXPECT_EQ(Call(Arguments, 1, 1, "").result, "7:");
    // A maximum of 0: nothing is split, whatever the parameter; the handle
    // is not even read.
    Ran none = Call(Arguments, 0, 0, "x|y");
    EXPECT_EQ(none.result, "7:");
    EXPECT_EQ(BlockOf(none.parameter).lockCalls, 0);
    // New room in a handle is not cleared: only the zero written after the
    // text ends it, and the handle is sized to it.
    FailResize(-1);
    EXPECT_EQ(Call(Arguments, 0, -1, "abc|def").result, "7:abc,def");
    EXPECT_EQ(S().resizes, 2);
}

TEST_F(OldStyle, WrongArgumentCountsAndNonZeroAnswersGiveAQuestionMark)
{
    g_calls = 0;
    EXPECT_EQ(Call(Arguments, 2, 3, "a").result, "?");
    EXPECT_EQ(Call(Arguments, 2, 3, "a|b|c|d").result, "?");
    EXPECT_EQ(Call(Arguments, 0, 0, "").result, "7:");
    EXPECT_EQ(Call(Arguments, -1, 3, "a").result, "?");   // a minimum below 0 never fits
    EXPECT_EQ(g_calls, 1);                               // the misfits never reach the function
    Ran fits = Call(Arguments, 2, 3, "a|b|c");
    EXPECT_TRUE(fits.ok);
    EXPECT_EQ(fits.result, "7:a,b,c");
    for (std::int16_t answer : {std::int16_t(-2000), std::int16_t(5), std::int16_t(-1)}) {
        g_answer = answer;
        Ran failed = Call(Arguments, 0, -1, "a");
        EXPECT_FALSE(failed.ok);
        EXPECT_EQ(failed.result, "?") << answer;
    }
    g_answer = 0;
    EXPECT_EQ(Call(nullptr, 0, -1, "a").result, "?");
}

TEST_F(OldStyle, MemoryErrorsGiveAQuestionMarkAndLeaveNothingLocked)
{
    // The parameter's lock (the first lock), then each step of the write-back:
    // the first resize, the result's lock, the resize to the text's length.
    for (int lock : {1, 2}) {
        FailLock(lock);
        EXPECT_EQ(Call(Arguments, 0, -1, "a").result, "?") << lock;
    }
    FailLock(0);
    for (int resize : {1, 2}) {
        FailResize(resize);
        EXPECT_EQ(Call(Arguments, 0, -1, "a").result, "?") << resize;
    }
    // Nothing can be written at all: the result handle keeps what it had,
    // and the call still ends quietly.
    FailResize(0);
    Ran stuck = Call(Arguments, 0, -1, "a");
    EXPECT_FALSE(stuck.ok);
    EXPECT_EQ(stuck.result, "old");
    FailResize(-1);
    // No parameter handle at all.
    std::intptr_t result = NewHandle("");
    EXPECT_FALSE(fm6::ExternCall::Run(Arguments, 7, 0, -1, 0, result, kPlain));
    EXPECT_EQ(BlockOf(result).bytes, "?");
}

TEST_F(OldStyle, EAcuteRoundTripsBetweenMacRomanAndAnsi)
{
    // Mac Roman 0x8E is é; converted, the function reads é and its é goes
    // back as 0x8E.
    Ran converted = Call(Accent, 1, 1, "\x8E", kConverted);
    EXPECT_EQ(converted.result, "\x8E\x8E");
    // Unconverted, the same bytes are read as Windows ANSI (0x8E is Ž) and
    // the result stays in Windows ANSI (é is 0xE9).
    Ran plain = Call(Accent, 1, 1, "\x8E", kPlain);
    EXPECT_EQ(plain.result, "\x8E\xE9");
    // The two conversions are asked for one by one.
    EXPECT_EQ(Call(Arguments, 1, 1, "\x8E", kParameterConverted).result, "7:\xE9");
    EXPECT_EQ(Call(Arguments, 1, 1, "\x8E", kConverted).result, "7:\x8E");
}

// ---- the host message, through the entry point of a module whose options
// keep its functions in the old-style table.

TEST(OldStyleMessage, TheLow16BitsOfParameter2PickTheFunction)
{
    void* module = dlopen((std::string(PV_BIN_DIR) + "/testres/libpv_testres_unknown_stage.so").c_str(),
                          RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto record = [&](std::uint8_t kind) {
        fmapi::CallRecord r = pvtest::MakeRecord(kind);
        r.instanceID = module;
        const fmapi::HostCallback* callbacks = Callbacks();
        std::memcpy(r.callbacks, callbacks, sizeof r.callbacks);
        return r;
    };
    auto external = [&](std::uintptr_t parm2, const std::string& parameter) {
        fmapi::CallRecord r = record(fmapi::kMsgExternal);
        r.parm2 = parm2;
        r.parm3 = static_cast<std::uintptr_t>(NewHandle(parameter));
        r.result = NewHandle("untouched");
        FMExternCallProc(&r);
        return BlockOf(r.result).bytes;
    };
    EXPECT_EQ(external(0, "product"), "untouched");   // no plug-in yet
    std::u16string hostVersion = u"Pro 11.0v4";
    fmapi::CallRecord init = record(fmapi::kMsgInit);
    init.extnVersion = 52;
    init.parm1 = 1;
    init.parm2 = reinterpret_cast<std::uintptr_t>(hostVersion.c_str());
    FMExternCallProc(&init);
    const std::intptr_t answer = init.result;   // the record is packed: no reference to its fields
    ASSERT_EQ(answer, 52);

    // Index 0 is the version function, whatever the upper bits carry.
    EXPECT_EQ(external(0xABCD0000u, "product"), "Plotvane");
    EXPECT_EQ(external(0, "a|b"), "?");
    // Index 10 and beyond name no function: the message goes on and the
    // handles stay as they were.
    const int locks = S().locks;
    EXPECT_EQ(external(0xABCD000Au, ""), "untouched");
    EXPECT_EQ(external(0x0001FFFFu, ""), "untouched");
    EXPECT_EQ(S().locks, locks);
    fmapi::CallRecord shutdown = record(fmapi::kMsgShutdown);
    FMExternCallProc(&shutdown);
    EXPECT_EQ(external(0, "product"), "untouched");
}

} // namespace
