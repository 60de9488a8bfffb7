// A plug-in bundle loaded through CFBundle, its entry point called with the
// bundle as the instance handle.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fmapi/call_record.h"
#include "support/plugin_harness.h"

namespace pvtest {

class BundleTest : public ::testing::Test {
protected:
    explicit BundleTest(const char* path) : path_(path) {}

    void SetUp() override
    {
        bundle_ = BundleAt(path_);
        ASSERT_NE(bundle_, nullptr);
        CFStringRef name = CFStringCreateWithCString(nullptr, "FMExternCallProc", kCFStringEncodingUTF8);
        entry_ = reinterpret_cast<FMExternCallProcPtr>(CFBundleGetFunctionPointerForName(bundle_, name));
        CFRelease(name);
        ASSERT_NE(entry_, nullptr);
    }

    fmapi::CallRecord Record(std::uint8_t kind) const
    {
        fmapi::CallRecord r;
        std::memset(&r, 0, sizeof r);
        r.whichCall = kind;
        r.instanceID = bundle_;
        return r;
    }

    std::u16string String(std::uint8_t id) const
    {
        std::vector<char16_t> buffer(256, u'x');
        fmapi::CallRecord r = Record(fmapi::kMsgGetString);
        r.parm1 = id;
        r.parm3 = buffer.size();
        r.result = reinterpret_cast<std::intptr_t>(buffer.data());
        entry_(&r);
        std::u16string out;
        for (char16_t c : buffer) {
            if (c == 0 || c == u'x')
                break;
            out.push_back(c);
        }
        return out;
    }

    const char* path_;
    CFBundleRef bundle_ = nullptr;
    FMExternCallProcPtr entry_ = nullptr;
};

} // namespace pvtest
