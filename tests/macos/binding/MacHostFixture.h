// The macOS host as the binding's tests set it up: FMHost.app as the main
// bundle with the frameworks of one host API level loaded as fmhost's mac
// mode loads them, and a finder made from a call record registered for the
// bound operations. Each test runs in its own process.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "fmapi/call_record.h"
#include "fmhost/MacHost.h"
#include "macos/PlatStubs.h"
#include "macos/PlatSymFinder.h"
#include "platform/corefoundation/CoreFoundation.h"

namespace mactest {

inline std::int32_t g_level = 0;
inline std::int32_t Level() { return g_level; }

inline std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

class MacHost : public ::testing::Test {
protected:
    void TearDown() override
    {
        mac::SetBindingFinder(nullptr);
        finder_.reset();
    }

    // Loads the frameworks of `level`, binds at that level and registers a
    // finder made from the record.
    void Start(std::int32_t level)
    {
        std::string error;
        app_ = fmhost::HostApplicationFolder(error);
        ASSERT_FALSE(app_.empty()) << error;
        ASSERT_TRUE(fmhost::LoadMacHost(level, app_, error)) << error;
        g_level = level;
        mac::SetBindingLevelSource(&Level);
        finder_ = std::make_unique<PlatSymFinder>(&record_);
        mac::SetBindingFinder(finder_.get());
    }

    // The library of a framework in the application folder.
    std::string ImageOf(const std::string& framework) const
    {
        return app_ + "/Contents/Frameworks/" + framework + ".framework/Versions/A/" + framework;
    }

    // A control entry of a framework (PVFramework_..., PVMSLRuntime_...).
    template <class F>
    F Control(const char* framework, const char* entry)
    {
        CFBundleRef bundle = finder_->FindFramework(framework);
        EXPECT_NE(bundle, nullptr) << framework;
        CFStringRef name = CFStringCreateWithCString(nullptr, entry, kCFStringEncodingUTF8);
        void* function = bundle ? CFBundleGetFunctionPointerForName(bundle, name) : nullptr;
        CFRelease(name);
        EXPECT_NE(function, nullptr) << framework << " " << entry;
        return reinterpret_cast<F>(function);
    }

    // Calls of an operation that a framework took.
    std::int32_t Calls(const char* framework, fmapi::mac::SymbolId id)
    {
        auto count = Control<std::int32_t (*)(const char*)>(framework, "PVFramework_CallCount");
        return count ? count(fmapi::mac::SymbolOf(id).id) : -1;
    }

    std::int64_t LiveBlocks() { return Control<std::int64_t (*)()>("MSLRuntime", "PVMSLRuntime_LiveBlocks")(); }

    std::string app_;
    fmapi::CallRecord record_{};
    std::unique_ptr<PlatSymFinder> finder_;
};

} // namespace mactest
