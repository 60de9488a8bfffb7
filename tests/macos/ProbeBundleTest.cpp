// The probe plug-in as a macOS bundle: its executable loaded through
// CFBundle, its entry point called with the bundle as the instance handle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fmapi/call_record.h"
#include "platform/corefoundation/SystemSetup.h"
#include "BundleTest.h"
#include "support/plugin_harness.h"

namespace {

class ProbeBundle : public pvtest::BundleTest {
protected:
    ProbeBundle() : BundleTest(PV_BIN_DIR "/PVProbe.fmplugin") {}
};

TEST_F(ProbeBundle, LoadsAnswersAndStartsUp)
{
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle_));
    // Only the entry point is exported.
    CFStringRef inner = CFStringCreateWithCString(nullptr, "_ZN3fmx6Plugin8DispatchEPN5fmapi10CallRecordE",
                                                  kCFStringEncodingUTF8);
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle_, inner), nullptr);
    CFRelease(inner);

    EXPECT_EQ(String(128), u"PVProbe");
    EXPECT_EQ(String(131), u"PRBE1YnYYnn");

    // The probe binds through the host application's frameworks.
    ASSERT_TRUE(macsetup::SetMainBundle(PV_BIN_DIR "/FMHost.app"));
    const std::u16string host = u"Pro 11.0v4";
    fmapi::CallRecord init = Record(fmapi::kMsgInit);
    init.extnVersion = 52;
    init.parm1 = 1;
    init.parm2 = reinterpret_cast<std::uintptr_t>(host.c_str());
    entry_(&init);
    const std::intptr_t answer = init.result;  // the record is packed
    EXPECT_EQ(answer, 52);

    // The probe's functions answer through the host's registry.
    const pvtest::CallResult journal = pvtest::CallText(u"Probe_Journal", {});
    EXPECT_EQ(journal.error, 0);

    fmapi::CallRecord idle = Record(fmapi::kMsgIdle);
    entry_(&idle);
    fmapi::CallRecord shutdown = Record(fmapi::kMsgShutdown);
    entry_(&shutdown);
    EXPECT_EQ(String(128), u"PVProbe");
}

} // namespace
