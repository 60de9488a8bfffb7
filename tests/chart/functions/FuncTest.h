// Shared pieces of the chart-function tests: the plug-in initialised in this
// process, calls through the host's function registry, the registry and
// chart objects behind them, and the product log's lines.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chart/functions/PVPlugin.h"
#include "fmapi/container_streams.h"
#include "plugin/PlugIn.h"
#include "support/gfx_support.h"
#include "support/plugin_harness.h"

namespace functest {

using pvtest::Arg;
using pvtest::Call;
using pvtest::CallResult;

using fmapi::kJpegStream;
using fmapi::kNameStream;
using fmapi::kPngStream;
using fmapi::kSizeStream;

inline const char* kOk = "000 (OK)";
inline const char* kIncorrect = "-003 (Incorrect option)";
inline const char* kUnknown = "-005 (Unknown error)";

inline PVPlugin& Product()
{
    auto* product = dynamic_cast<PVPlugin*>(__Quarrow__::PlugIn::Product());
    if (!product)
        throw std::runtime_error("the plug-in is not initialised");
    return *product;
}

inline CChartRegistry& Registry() { return Product().Registry(); }

// The entry of that name, or null.
inline CChartEntry* Entry(const std::wstring& name)
{
    auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : &it->second;
}


// The text value of a call (its last-result text for the flagged functions).
inline std::string Text(const CallResult& r) { return pvtest::Narrow(r.text); }

inline std::string LastResult() { return Text(pvtest::CallText(u"PVane_GetLastResultCode", {})); }

inline std::vector<std::uint32_t> StreamTypes(const CallResult& r)
{
    std::vector<std::uint32_t> types;
    for (const auto& s : r.streams)
        types.push_back(s.first);
    return types;
}

// A graph's values as a solution sees them, padding included.
inline std::vector<float> Values(const CGraphRecord& graph)
{
    std::vector<float> out;
    for (std::size_t c = 0; c < graph.values.Count(); ++c)
        out.push_back(graph.values.At(c).first);
    return out;
}

// The "exploded" flags of a graph's values.
inline std::vector<bool> Exploded(const CGraphRecord& graph)
{
    std::vector<bool> out;
    for (std::size_t c = 0; c < graph.values.Count(); ++c)
        out.push_back(boost::any_cast<bool>(graph.values.At(c).second));
    return out;
}

// The plug-in initialised at an interface level, with the product log
// captured (lines without their time stamps).
class PluginTest : public ::testing::Test {
protected:
    explicit PluginTest(std::int16_t level = 52) : level_(level) {}

    void SetUp() override
    {
        ASSERT_EQ(pvtest::Init(level_), level_);
        log_ = std::make_unique<gfx_test::LogCapture>();
    }
    void TearDown() override { pvtest::Shutdown(); }

    std::vector<std::string> LogLines() const { return log_->Lines(); }

    // The outcome of one call of a function that answers the last-result
    // text: that text when the call logged a failure, "000 (OK)" otherwise
    // (the text alone still shows an earlier failure after a success).
    std::string Do(const std::u16string& function, const std::vector<Arg>& args)
    {
        const std::size_t before = ErrorLines();
        const CallResult r = Call(function, args);
        EXPECT_EQ(r.type, kFMTypeText);
        return ErrorLines() == before ? std::string(kOk) : Text(r);
    }

    // PVane_CreateChart with the type and the name and the further arguments
    // given by position; the positions between are filled with harmless
    // values (valid colours, so that no warning is written).
    std::string Create(const std::u16string& type, const std::u16string& name,
                       const std::map<int, Arg>& more = {})
    {
        static const char16_t* const fill[21] = {
            u"", u"", u"png", u"640", u"480", u"FFFFFF", u"t", u"Times", u"12", u"000000", u"",
            u"Times", u"12", u"000000", u"", u"Times", u"12", u"000000", u"none", u"FFFFE1",
            u"showGrid"};
        std::vector<Arg> args{type, name};
        const int last = more.empty() ? 1 : more.rbegin()->first;
        for (int i = 2; i <= last; ++i) {
            auto it = more.find(i);
            args.push_back(it != more.end() ? it->second : Arg(fill[i]));
        }
        return Do(u"PVane_CreateChart", args);
    }

    std::size_t ErrorLines() const
    {
        std::size_t n = 0;
        for (const auto& line : log_->Lines())
            n += line.rfind("[ERROR] - ", 0) == 0;
        return n;
    }

    std::int16_t level_;
    std::unique_ptr<gfx_test::LogCapture> log_;
};

} // namespace functest
