// Plotvane.fmplugin: its executable loaded through CFBundle and started by
// its entry point with the bundle as the instance handle; the names, the
// functions and their help texts, the platform word of the mac flavour.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fmapi/call_record.h"
#include "fmapi/container_streams.h"
#include "fmapi/fm_host.h"
#include "fmhost/MacHost.h"
#include "platform/corefoundation/SystemSetup.h"
#include "BundleTest.h"
#include "support/plugin_harness.h"

namespace {

class ProductBundle : public pvtest::BundleTest {
protected:
    ProductBundle() : BundleTest(PV_BIN_DIR "/Plotvane.fmplugin") {}

    void SetUp() override
    {
        // The product binds through the host application's frameworks.
        ASSERT_TRUE(macsetup::SetMainBundle(PV_BIN_DIR "/FMHost.app"));
        BundleTest::SetUp();
    }
};

TEST_F(ProductBundle, StartsWithItsTenFunctionsAndTheFlavoursTexts)
{
    EXPECT_EQ(String(128), u"Plotvane");
    EXPECT_EQ(String(131), u"PLVN1YnYYnn");

    const std::u16string host = u"Pro 11.0v4";
    fmapi::CallRecord init = Record(fmapi::kMsgInit);
    init.extnVersion = 52;
    init.parm1 = 1;
    init.parm2 = reinterpret_cast<std::uintptr_t>(host.c_str());
    entry_(&init);
    const std::intptr_t answer = init.result;  // the record is packed
    EXPECT_EQ(answer, 52);

    for (const char16_t* name :
         {u"PVane_Version", u"PVane_SetupLog", u"PVane_CreateChart", u"PVane_AddGraph", u"PVane_AddData",
          u"PVane_AddLabels", u"PVane_GetChart", u"PVane_DestroyChart", u"PVane_AddPieColors",
          u"PVane_GetLastResultCode"}) {
        FMHostFunction f;
        ASSERT_TRUE(FMH_Registry_Find(name, &f)) << pvtest::Narrow(name);
        // Help texts end their lines with CR alone.
        const std::u16string help(f.prototype);
        EXPECT_EQ(help.find(u'\n'), std::u16string::npos) << pvtest::Narrow(name);
    }
    FMHostFunction create;
    ASSERT_TRUE(FMH_Registry_Find(u"PVane_CreateChart", &create));
    EXPECT_NE(std::u16string(create.prototype).find(u"\r\r/*\r"), std::u16string::npos);

    EXPECT_EQ(pvtest::Narrow(pvtest::CallText(u"PVane_Version", {u"platform"}).text), "MacOS X");
    // A colour text the reader cannot read is a warning as background, a
    // bad argument as a font colour (the reader catches everything).
    pvtest::CallText(u"PVane_CreateChart", {u"bars 2d", u"b", u"png", u"320", u"240", u"1,x,3", u"t"});
    EXPECT_EQ(pvtest::Narrow(pvtest::CallText(u"PVane_GetLastResultCode", {}).text), "000 (OK)");
    pvtest::CallText(u"PVane_CreateChart",
                     {u"bars 2d", u"f", u"png", u"320", u"240", u"", u"t", u"Times", u"12", u"1,x,3"});
    EXPECT_EQ(pvtest::Narrow(pvtest::CallText(u"PVane_GetLastResultCode", {}).text), "-003 (Incorrect option)");

    fmapi::CallRecord shutdown = Record(fmapi::kMsgShutdown);
    entry_(&shutdown);
}

// Below interface version 51 the plug-in writes the size stream itself and
// no file name; from 51 the interface library's functions, bound by name,
// add both.
class ProductPictures : public ProductBundle, public ::testing::WithParamInterface<std::int16_t> {};

TEST_P(ProductPictures, CarryTheSizeAndFromVersion51TheFileName)
{
    const std::int16_t version = GetParam();
    std::string error;
    const std::string app = fmhost::HostApplicationFolder(error);
    ASSERT_FALSE(app.empty()) << error;
    ASSERT_TRUE(fmhost::LoadMacHost(version, app, error)) << error;
    const std::u16string host = u"Pro 11.0v4";
    fmapi::CallRecord init = Record(fmapi::kMsgInit);
    init.extnVersion = version;
    init.parm1 = 1;
    init.parm2 = reinterpret_cast<std::uintptr_t>(host.c_str());
    entry_(&init);
    const std::intptr_t answer = init.result;
    ASSERT_EQ(answer, version);

    for (const char16_t* format : {u"png", u"jpeg"}) {
        const std::u16string name = std::u16string(u"c") + format;
        pvtest::CallText(u"PVane_CreateChart", {u"pie 3d", name, format, u"320", u"200", u"", u"t", u"NoSuchFont"});
        pvtest::CallText(u"PVane_AddGraph", {name, u"g", u"G"});
        pvtest::CallText(u"PVane_AddData", {name, u"g", u"3\r5\r8"});
        pvtest::CallText(u"PVane_AddPieColors", {name, u"4472C4\rED7D31\rA5A5A5"});
        const pvtest::CallResult first = pvtest::CallText(u"PVane_GetChart", {name});
        const pvtest::CallResult second = pvtest::CallText(u"PVane_GetChart", {name});
        const bool png = std::u16string(format) == u"png";
        std::vector<unsigned char> picture, again, size, names;
        ASSERT_TRUE(pvtest::StreamOf(first, png ? fmapi::kPngStream : fmapi::kJpegStream, &picture)) << png;
        ASSERT_TRUE(pvtest::StreamOf(second, png ? fmapi::kPngStream : fmapi::kJpegStream, &again));
        EXPECT_GT(picture.size(), 1000u);
        // Drawn anew, the same picture.
        EXPECT_TRUE(picture == again) << (png ? "png " : "jpeg ") << picture.size() << " " << again.size();
        ASSERT_TRUE(pvtest::StreamOf(first, fmapi::kSizeStream, &size));
        EXPECT_EQ(size, (std::vector<unsigned char>{0x01, 0x40, 0x00, 0xC8}));
        // A PNG's file name, from version 51 only.
        const bool named = png && version >= 51;
        EXPECT_EQ(pvtest::StreamOf(first, fmapi::kNameStream, &names), named) << pvtest::Narrow(format);
        if (named) {
            EXPECT_EQ(std::string(names.begin(), names.end()), "Untitled.png");
        }
    }
    EXPECT_EQ(pvtest::Narrow(pvtest::CallText(u"PVane_GetLastResultCode", {}).text), "000 (OK)");
    fmapi::CallRecord shutdown = Record(fmapi::kMsgShutdown);
    entry_(&shutdown);
}

INSTANTIATE_TEST_SUITE_P(Version, ProductPictures, ::testing::Values(std::int16_t(50), std::int16_t(52)),
                         [](const ::testing::TestParamInfo<std::int16_t>& info) {
                             return "V" + std::to_string(info.param);
                         });

} // namespace
