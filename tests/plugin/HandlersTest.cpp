#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/output/Logging.h"
#include "fmx/FMWrapper.h"
#include "fmx/Plugin.h"
#include "plugin/DecoratedRqstHandler.h"
#include "plugin/Flavour.h"
#include "plugin/PlugIn.h"
#include "plugin/ResultCodes.h"
#include "support/gfx_support.h"
#include "support/plugin_harness.h"

namespace {

using namespace __Quarrow__;
using Decorated = DecoratedRqstHandler<PVAbstractException, PVBaseDebugger>;

struct Product : PlugIn {
    using PlugIn::PlugIn;
    std::int16_t Throw(std::int16_t id, const FMExprEnv*, const FMDataVect*, FMData* result)
    {
        fmx::Text partial;
        partial.Assign("partial");
        fmx::Locale locale(1);
        fmx::Data(result).SetAsText(partial, locale);
        switch (id) {
        case 1: throw PVStandardException(-4);
        case 2: throw std::bad_alloc();
        case 3: throw PVStandardException(-7);
        case 4: throw PVStandardException(-2);
        case 5: return 3;
        case 6: throw 42;
        case 7: throw std::out_of_range("invalid vector<T> subscript");
        case 8: throw PVStandardException(-12);
        default: return 0;
        }
    }
};

class HandlersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fmx::Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
        chain_ = new ResponderChain;
        product_ = new Product(chain_);
        PlugIn::SetProduct(product_, chain_);
        debugger_ = new PVBaseDebugger(VLogError);
        Singleton<PVBaseDebugger, 0>::setInstance(debugger_);
        for (std::uint16_t id = 1; id <= 9; ++id)
            product_->RegisterFunctionHandler(
                id, std::make_unique<Decorated>(BindMember(&Product::Throw), L"PVane_Test", L"PVane_Test", 0, 1,
                                                id == 9 ? 0x0300FF01u : 0x1300FF01u));
    }
    void TearDown() override
    {
        Singleton<PVBaseDebugger, 0>::setInstance(nullptr);
        delete debugger_;
        PlugIn::DestroyProduct();
        fmx::Plugin::DestroyInstance();
    }
    // Calls function `id`; answers the error and the result's text.
    std::pair<std::int16_t, std::u16string> Call(std::int16_t id)
    {
        fmx::DataVect args;
        fmx::Data result;
        std::int16_t error = PlugIn::FunctionCallback(id, nullptr, args.get(), result.get());
        std::u16string text;
        if (result.GetNativeType() == kFMTypeText)
            text = fmx::Text(result.GetAsText()).GetU16();
        return {error, text};
    }
    gfx_test::LogCapture log_;
    ResponderChain* chain_ = nullptr;
    Product* product_ = nullptr;
    PVBaseDebugger* debugger_ = nullptr;
};

TEST_F(HandlersTest, StandardExceptionBecomesResultTextAndErrorLine)
{
    auto r = Call(1);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.second, u"-004 (Not supported)");
    EXPECT_EQ(log_.Lines(), std::vector<std::string>{"[ERROR] - PVane_Test failed. Error number is -4"});
}

TEST_F(HandlersTest, StandardLibraryFailuresAreUnknownErrors)
{
    EXPECT_EQ(Call(2).second, u"-005 (Unknown error)");
    EXPECT_NE(log_.Text().find("[ERROR] - PVane_Test faild. std::bad_alloc"), std::string::npos) << log_.Text();
    EXPECT_EQ(Call(7).second, u"-005 (Unknown error)");
    EXPECT_NE(log_.Text().find("PVane_Test faild. invalid vector<T> subscript"), std::string::npos);
    EXPECT_EQ(Call(6).second, u"-005 (Unknown error)");
    EXPECT_NE(log_.Text().find("PVane_Test faild. Unknown error"), std::string::npos);
}

TEST_F(HandlersTest, CodesWithoutAMessageGiveTheNumberAlone)
{
    EXPECT_EQ(Call(3).second, u"-007");
    EXPECT_EQ(Call(4).second, u"-002");
    EXPECT_EQ(Call(8).second, u"-012");
}

TEST_F(HandlersTest, NonZeroReturnWithoutThrowingIsAFailure)
{
    auto r = Call(5);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.second, u"-005 (Unknown error)");
    const std::string text = log_.Text();
    EXPECT_NE(text.find(std::string("PVane_Test faild. Non-zero return value for external function call") +
                        flavour::kProductLogLineEnd),
              std::string::npos);
}

TEST_F(HandlersTest, LastResultTextStartsOkAndOutlivesSuccesses)
{
    EXPECT_EQ(Call(10).first, -2000);  // no handler 10
    fmx::DataVect args;
    fmx::Data result;
    // Before any failure a bit-28 function answers "000 (OK)".
    product_->RegisterFunctionHandler(
        20, std::make_unique<Decorated>(BindMember(&Product::Throw), L"Ok", L"Ok", 0, 1, 0x1300FF01u));
    EXPECT_EQ(Call(20).second, u"000 (OK)");
    Call(1);
    EXPECT_EQ(Call(20).second, u"-004 (Not supported)");
    // A function without bit 28 keeps what its work stored.
    EXPECT_EQ(Call(9).second, u"partial");
    EXPECT_EQ(debugger_->LastResultText(), L"-004 (Not supported)");
}

TEST_F(HandlersTest, MissingDebuggerEscapesToTheFrameworkBoundary)
{
    Singleton<PVBaseDebugger, 0>::setInstance(nullptr);
    EXPECT_EQ(Call(1).first, -2000);
    Singleton<PVBaseDebugger, 0>::setInstance(debugger_);
}

TEST(ResultCode, Formats)
{
    std::wstring text;
    SetResultCode(text, PVStandardException(-3));
    EXPECT_EQ(text, L"-003 (Incorrect option)");
    SetResultCode(text, PVStandardException(0));
    EXPECT_EQ(text, L"000 (OK)");
    SetResultCode(text, PVStandardException(-6));
    EXPECT_EQ(text, L"-006 (File i/o error)");
    SetResultCode(text, PVStandardException(-1));
    EXPECT_EQ(text, L"-001 (Not available)");
    SetResultCode(text, PVStandardException(-22));
    EXPECT_EQ(text, L"-022");
    SetResultCode(text, PVStandardException(-2000));
    EXPECT_EQ(text, L"-2000");
}

std::vector<std::string> g_errorLines;

void CaptureErrorLine(const char* format, va_list args)
{
    char line[256];
    std::vsnprintf(line, sizeof line, format, args);
    g_errorLines.emplace_back(line);
}

// The debugger writes through the log it was handed, and only through it.
TEST(ResultCode, ErrorLinesGoToTheHandedLog)
{
    g_errorLines.clear();
    PVBaseDebugger debugger(CaptureErrorLine);
    EXPECT_EQ(PVStandardException(-4).report(debugger, L"F"), 0);
    EXPECT_EQ(debugger.report(std::runtime_error("boom"), L"G"), 0);
    EXPECT_EQ(debugger.reportUnknown(L"H"), 0);
    EXPECT_EQ(g_errorLines, (std::vector<std::string>{"F failed. Error number is -4", "G faild. boom",
                                                      "H faild. Unknown error"}));
    PVBaseDebugger silent(nullptr);
    EXPECT_EQ(PVStandardException(-3).report(silent, L"F"), 0);
    EXPECT_EQ(silent.LastResultText(), L"-003 (Incorrect option)");
    EXPECT_EQ(g_errorLines.size(), 3u);
}

} // namespace
