// The host plug-in object of the macOS flavour: strings from the bundle's
// "Localizable" table, version from Info.plist, start-up under the bundle's
// resource file, the function names of 'STR#' 144.
#include <gtest/gtest.h>

#include <buffer>

#include <cstring>
#include <stdexcept>
#include <string>

#include "fmx/Plugin.h"
#include "macos/CFText.h"
#include "macos/ResFileGuard.h"
#include "platform/corefoundation/SystemSetup.h"
#include "support/plugin_harness.h"

namespace {

using fmx::Plugin;

CFBundleRef Product() { return pvtest::BundleAt(PV_BIN_DIR "/Plotvane.fmplugin"); }
CFBundleRef TestBundle(const char* name)
{
    return pvtest::BundleAt(std::string(PV_TEST_BUNDLES) + "/" + name + ".fmplugin");
}

class MacPlugin : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (Plugin::Exists())
            pvtest::Shutdown();
        macsetup::Reset();
        // The resource files a test opened closed again, down to the system's.
        for (ResFileRefNum current = CurResFile(); current != 0; current = CurResFile()) {
            CloseResFile(current);
            if (CurResFile() == current)
                break;
        }
    }
};

TEST_F(MacPlugin, StringRequestsReadTheLocalizableTable)
{
    ASSERT_NE(Product(), nullptr);
    // Before any initialisation, from the bundle alone.
    EXPECT_EQ(pvtest::RequestString(128), u"Plotvane");
    EXPECT_EQ(pvtest::RequestString(131), u"PLVN1YnYYnn");
    EXPECT_EQ(pvtest::RequestString(129), u"Vanecraft Plotvane");
    EXPECT_EQ(pvtest::RequestString(130), u"");
    // Too small a buffer stays untouched.
    EXPECT_EQ(pvtest::RequestString(128, 7), u"");
    EXPECT_EQ(pvtest::RequestString(128, 8), u"Plotvane");
    EXPECT_TRUE(mac::CFStringCache::Exists());
    pvtest::Init(52, u"Pro 11.0v4");
    pvtest::Shutdown();
    // Shutdown lets the cache go; a request after it still answers.
    EXPECT_FALSE(mac::CFStringCache::Exists());
    EXPECT_EQ(pvtest::RequestString(128), u"Plotvane");
}

TEST_F(MacPlugin, LoadStringFormsAndMissingIds)
{
    std::auto_buffer<char16_t, 4> units;
    EXPECT_EQ(Plugin::LoadString(23001, units, Product()), 7u);
    EXPECT_EQ(std::u16string(units.data(), units.size()), u"release");
    std::auto_buffer<char, 4> bytes;
    EXPECT_EQ(Plugin::LoadString(129, bytes, Product()), 18u);
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), "Vanecraft Plotvane");
    std::auto_buffer<wchar_t, 4> wide;
    EXPECT_TRUE(Plugin::LoadString(128, wide, Product()));
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"Plotvane");
    char16_t small[8];
    std::memset(small, 0, sizeof small);
    EXPECT_EQ(Plugin::LoadString(128, small, 8, Product()), 8u);
    EXPECT_EQ(std::u16string(small, 8), u"Plotvane");
    char tiny[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Plugin::LoadString(128, tiny, 4, Product()), 8u);
    EXPECT_EQ(std::string(tiny, 4), "xxxx");

    // A missing id: nothing, never the key's text.
    units.assign(u"kept", 4);
    EXPECT_EQ(Plugin::LoadString(130, units, Product()), 0u);
    EXPECT_EQ(std::u16string(units.data(), units.size()), u"kept");
    EXPECT_EQ(Plugin::LoadString(130, bytes, Product()), 0u);
    EXPECT_FALSE(Plugin::LoadString(-1, wide, Product()));
    // No bundle given and no plug-in: nothing.
    EXPECT_EQ(Plugin::LoadString(128, units), 0u);
}

TEST_F(MacPlugin, VersionAndPlatformFromTheBundle)
{
    EXPECT_EQ(pvtest::Init(52, u"Pro 11.0v4"), 52);
    const Plugin& plugin = Plugin::GetInstance();
    EXPECT_EQ(*plugin.GetInfoString(Plugin::kInfoVersion), L"1.0.0.b36");
    EXPECT_EQ(*plugin.GetInfoString(Plugin::kInfoPlatform), L"MacOS X");
    EXPECT_EQ(*plugin.GetInfoString(Plugin::kInfoAll),
              L"Plotvane 1.0.0.b36 MacOS X Copyright (c) 2026 Vanecraft. All rights reserved.");
    EXPECT_EQ(plugin.GetStage(), Plugin::kFinal);
    EXPECT_EQ(Plugin::GetModule(), Product());
    Plugin::VersionInfo own;
    EXPECT_TRUE(Plugin::GetVersionInfo(own));
    EXPECT_EQ(own.build, 36);
    EXPECT_EQ(plugin.GetModuleFolder(), std::string(PV_BIN_DIR) + "/");
}

TEST_F(MacPlugin, VersionFieldsAreParsedChecked)
{
    Plugin::VersionInfo info;
    EXPECT_FALSE(Plugin::GetVersionInfo(info));  // no plug-in, no bundle given
    EXPECT_FALSE(Plugin::GetVersionInfo(info, nullptr, true));

    // "1.2" is not three numbers, but the build still reads; "Beta" is no stage.
    ASSERT_TRUE(Plugin::GetVersionInfo(info, TestBundle("Variant")));
    EXPECT_EQ(info.major, 0);
    EXPECT_EQ(info.minor, 0);
    EXPECT_EQ(info.revision, 0);
    EXPECT_EQ(info.build, 9);
    EXPECT_EQ(info.stage, Plugin::kDevelopment);

    // Numbers beyond 16 bits count as absent.
    ASSERT_TRUE(Plugin::GetVersionInfo(info, TestBundle("WideNumbers")));
    EXPECT_EQ(info.major, 0);
    EXPECT_EQ(info.minor, 0);
    EXPECT_EQ(info.revision, 0);
    EXPECT_EQ(info.build, 0);
    EXPECT_EQ(info.stage, Plugin::kAlpha);

    // Without a short version the build is not read.
    info.build = 7;
    ASSERT_TRUE(Plugin::GetVersionInfo(info, TestBundle("Bare")));
    EXPECT_EQ(info.build, 0);
    EXPECT_EQ(info.stage, Plugin::kDevelopment);
}

TEST_F(MacPlugin, BetaWithACapitalIsADevelopmentStage)
{
    pvtest::InstanceOverride beta(TestBundle("BetaStage"));
    EXPECT_EQ(pvtest::Init(52, u"Pro 11.0v4"), 52);
    EXPECT_EQ(*Plugin::GetInstance().GetInfoString(Plugin::kInfoVersion), L"1.0.0.b36 develop");
    EXPECT_EQ(Plugin::GetInstance().GetStage(), Plugin::kDevelopment);
}

TEST_F(MacPlugin, StartUpRunsUnderTheBundlesResourceFile)
{
    // The host's own resource file is current when it initialises.
    const ResFileRefNum host = CFBundleOpenBundleResourceMap(TestBundle("CutList"));
    ASSERT_GT(host, 0);
    EXPECT_EQ(pvtest::Init(52, u"Pro 11.0v4"), 52);
    EXPECT_EQ(CurResFile(), host);
    // The product's names are found in its own file, the host's stays current.
    EXPECT_EQ(Plugin::FindNameInStringList(u"PVane_CreateChart"), 4);
    EXPECT_EQ(Plugin::FindNameInStringList(u"PVane-Version"), 0);
    EXPECT_EQ(Plugin::FindNameInStringList(u"PVane_Nothing"), -1);
    EXPECT_EQ(Plugin::FindNameInStringList(u""), -1);
    EXPECT_EQ(CurResFile(), host);
}

TEST_F(MacPlugin, AResourceFileThatCannotBeMadeCurrentFailsStartUp)
{
    const ResFileRefNum host = CFBundleOpenBundleResourceMap(TestBundle("CutList"));
    ASSERT_GT(host, 0);
    {
        // The bundle has no resource file.
        pvtest::InstanceOverride bare(TestBundle("Bare"));
        EXPECT_EQ(pvtest::Init(52, u"Pro 11.0v4"), -2);
        EXPECT_FALSE(Plugin::Exists());
        EXPECT_EQ(CurResFile(), host);
    }
    // The file opens but does not become current.
    macsetup::FailCalls("UseResFile");
    EXPECT_EQ(pvtest::Init(52, u"Pro 11.0v4"), -2);
    EXPECT_FALSE(Plugin::Exists());
    EXPECT_EQ(CurResFile(), host);
    try {
        Plugin::UsePluginResFile(TestBundle("Bare"));
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid parameter");
    }
    EXPECT_EQ(CurResFile(), host);
    macsetup::ClearFailures();
    EXPECT_EQ(pvtest::Init(52, u"Pro 11.0v4"), 52);
}

TEST_F(MacPlugin, NamesOfTheStringList)
{
    CFBundleRef variant = TestBundle("Variant");
    // The first "_" of a name without "-" is looked up as "-".
    EXPECT_EQ(Plugin::FindNameInStringList(u"abc_def", variant), 1);
    EXPECT_EQ(Plugin::FindNameInStringList(u"abc-def", variant), 1);
    EXPECT_EQ(Plugin::FindNameInStringList(u"a-b_c", variant), 2);
    EXPECT_EQ(Plugin::FindNameInStringList(u"a_b_c", variant), 2);
    // A name with "-" is looked up as it is.
    EXPECT_EQ(Plugin::FindNameInStringList(u"abc_def-", variant), -1);
    EXPECT_EQ(Plugin::FindNameInStringList(u"a_b-c", variant), -1);
    EXPECT_EQ(CurResFile(), 0);
}

TEST_F(MacPlugin, AListCutShortIsReadWithinItsSize)
{
    CFBundleRef cut = TestBundle("CutList");
    EXPECT_EQ(Plugin::FindNameInStringList(u"ab", cut), 0);
    // The second name would run past the resource's end.
    EXPECT_EQ(Plugin::FindNameInStringList(u"cd", cut), -1);
}

TEST_F(MacPlugin, AMissingListGivesMinusOne)
{
    EXPECT_EQ(Plugin::FindNameInStringList(u"PVane_Version", TestBundle("NoList")), -1);
    EXPECT_EQ(CurResFile(), 0);
}

TEST_F(MacPlugin, ResFileGuardRestores)
{
    const ResFileRefNum variant = CFBundleOpenBundleResourceMap(TestBundle("Variant"));
    const ResFileRefNum cut = CFBundleOpenBundleResourceMap(TestBundle("CutList"));
    UseResFile(variant);
    {
        mac::ResFileGuard guard(cut);
        EXPECT_EQ(CurResFile(), cut);
    }
    EXPECT_EQ(CurResFile(), variant);
}

TEST_F(MacPlugin, BundleReference)
{
    FSRef ref;
    EXPECT_FALSE(Plugin::GetBundleRef(ref));  // no plug-in yet
    ASSERT_EQ(pvtest::Init(52, u"Pro 11.0v4"), 52);
    FSCatalogInfo info{0};
    ASSERT_TRUE(Plugin::GetBundleRef(ref, kFSCatInfoNodeFlags, &info));
    EXPECT_EQ(info.nodeFlags & kFSNodeIsDirectoryMask, kFSNodeIsDirectoryMask);
    HFSUniStr255 name{};
    ASSERT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, &name, nullptr, nullptr), noErr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.unicode), name.length),
              u"Plotvane.fmplugin");
}

} // namespace
