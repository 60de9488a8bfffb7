#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fmx/Plugin.h"
#include "plugin/CallContext.h"

namespace {

using fmx::Plugin;

void* OpenTestModule(const char* name)
{
    std::string path = std::string(PV_BIN_DIR) + "/testres/lib" + name + ".so";
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
    return handle;
}

TEST(ApiLevel, Level51FollowsTheHostVersionText)
{
    EXPECT_EQ(Plugin::ComputeApiLevel(51, u"Pro 10.0v3"), 54);
    EXPECT_EQ(Plugin::ComputeApiLevel(51, u"Pro 8.5v2"), 52);
    EXPECT_EQ(Plugin::ComputeApiLevel(51, u"Advanced 9.0v1"), 53);
    EXPECT_EQ(Plugin::ComputeApiLevel(51, u"Pro 8.0v3"), 51);
    // Later tests win: a text naming 8.5 and 10.0 gives 54.
    EXPECT_EQ(Plugin::ComputeApiLevel(51, u"8.5 then 10.0"), 54);
}

TEST(ApiLevel, Level52BecomesFiftyFiveOnlyForEleven)
{
    EXPECT_EQ(Plugin::ComputeApiLevel(52, u"Pro 11.0v4"), 55);
    EXPECT_EQ(Plugin::ComputeApiLevel(52, u"Pro 10.0v3"), 52);
    EXPECT_EQ(Plugin::ComputeApiLevel(53, u"Pro 11.0v4"), 53);
    EXPECT_EQ(Plugin::ComputeApiLevel(50, u"Pro 11.0v4"), 50);
    EXPECT_EQ(Plugin::ComputeApiLevel(51, nullptr), 51);
}

TEST(HostPlugin, ReadsItsOwnResources)
{
    Plugin& p = Plugin::Create(std::int16_t(55), std::uint8_t(1), u"Pro 11.0v4", std::uint8_t(1),
                               std::uint16_t(7), nullptr);
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoName), L"Plotvane");
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoOptions), L"PLVN1YnYYnn");
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoProduct), L"Plotvane");
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoVersion), L"1.0.0.b36");
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoPlatform), L"Windows");
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoHostVersion), L"Pro 11.0v4");
    const std::wstring all = *p.GetInfoString(Plugin::kInfoAll);
    EXPECT_EQ(all, L"Plotvane 1.0.0.b36 Windows " + *p.GetInfoString(Plugin::kInfoNotice));
    EXPECT_EQ(p.GetStage(), Plugin::kFinal);
    // 'P' 'L' 'V' 'N', the first character in the highest byte.
    EXPECT_EQ(Plugin::GetPluginId(), 0x504C564Eu);
    EXPECT_TRUE(p.RegistersThroughHost());
    EXPECT_EQ(Plugin::GetApiLevel(), 55);
    EXPECT_EQ(Plugin::GetFlag(), 1);
    EXPECT_EQ(Plugin::GetInstance().GetHostVersion().major, 8);
    Plugin::DestroyInstance();
    EXPECT_FALSE(Plugin::Exists());
    EXPECT_THROW(Plugin::GetApiLevel(), std::runtime_error);
}

TEST(HostPlugin, StageIsReadIgnoringCase)
{
    void* module = OpenTestModule("pv_testres_beta");
    Plugin& p = Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), module);
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoVersion), L"2.5.7.b9 beta");
    EXPECT_EQ(p.GetStage(), Plugin::kBeta);
    // Option character 6 is 'n': registration goes through the host.
    EXPECT_EQ(Plugin::GetPluginId(), 0x41424344u);
    EXPECT_TRUE(p.RegistersThroughHost());
    Plugin::DestroyInstance();
}

TEST(HostPlugin, UnknownStageIsDevelopmentAndOtherOptionsUseTheOwnTable)
{
    void* module = OpenTestModule("pv_testres_unknown_stage");
    Plugin& p = Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), module);
    EXPECT_EQ(*p.GetInfoString(Plugin::kInfoVersion), L"1.0.0.b36 develop");
    EXPECT_FALSE(p.RegistersThroughHost());
    Plugin::DestroyInstance();
}

TEST(HostPlugin, MissingResourceFailsConstructionAndLeavesNothing)
{
    void* module = OpenTestModule("pv_testres_no_notice");
    const __Quarrow__::CallContext* before = __Quarrow__::TopCallContext();
    try {
        Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), module);
        FAIL() << "construction should fail";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "missing necessary resources");
    }
    EXPECT_FALSE(Plugin::Exists());
    EXPECT_EQ(__Quarrow__::TopCallContext(), before);
}

// Managers that note when they go.
std::vector<int>& Order()
{
    static std::vector<int> order;
    return order;
}
template <int N>
struct TestMgr : fmx::Singleton<TestMgr<N>> {
    ~TestMgr() override { Order().push_back(N); }
};

TEST(HostPlugin, ManagersGoInReverseOrderOfCreation)
{
    Plugin& p = Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
    p.AddManager(&TestMgr<1>::Create());
    p.AddManager(&TestMgr<2>::Create());
    p.AddManager(&TestMgr<3>::Create());
    Plugin::DestroyInstance();
    EXPECT_EQ(Order(), (std::vector<int>{3, 2, 1}));
    EXPECT_FALSE(TestMgr<1>::Exists());
    EXPECT_FALSE(TestMgr<3>::Exists());
}

TEST(HostPlugin, OwnCallContextStaysAtTheBottomForItsLife)
{
    EXPECT_EQ(__Quarrow__::TopCallContext(), nullptr);
    Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
    ASSERT_NE(__Quarrow__::TopCallContext(), nullptr);
    EXPECT_EQ(__Quarrow__::TopCallContext()->kind, __Quarrow__::CallContext::kOwn);
    {
        __Quarrow__::CallContextScope call(__Quarrow__::CallContext::kFunctionCall, 4,
                                           reinterpret_cast<const FMExprEnv*>(0x10));
        EXPECT_EQ(__Quarrow__::InnermostEnvironment(), reinterpret_cast<const FMExprEnv*>(0x10));
    }
    EXPECT_EQ(__Quarrow__::InnermostEnvironment(), nullptr);
    Plugin::DestroyInstance();
    EXPECT_EQ(__Quarrow__::TopCallContext(), nullptr);
}

TEST(HostPlugin, InfoStringForms)
{
    Plugin& p = Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
    char16_t wide[16];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(p.GetInfo(0, wide, 16), 8);
    EXPECT_EQ(std::u16string(wide, 8), u"Plotvane");
    // A buffer too small for the text and its zero stays untouched.
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(p.GetInfo(0, wide, 8), 8);
    EXPECT_EQ(wide[0], u'#');
    char narrow[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(p.GetInfo(2, narrow, 4), 11);
    EXPECT_EQ(narrow[0], '#');
    EXPECT_EQ(p.GetInfo(9, wide, 16), -1);
    EXPECT_EQ(p.GetInfoString(9), nullptr);
    Plugin::DestroyInstance();
}

TEST(HostPlugin, RegistrationChecksTheDescriptorBeforeTheHost)
{
    Plugin& p = Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
    auto cb = [](std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) -> std::int16_t { return 0; };
    EXPECT_EQ(p.RegisterFunctions(1, L"F", L"F", 2, 1, 0, cb), -1);
    EXPECT_EQ(p.RegisterFunctions(1, L"F", L"F", -1, 1, 0, cb), -1);
    EXPECT_EQ(p.RegisterFunctions(1, L"F", L"F", 0, -2, 0, cb), -1);
    EXPECT_EQ(p.RegisterFunctions(1, nullptr, L"F", 0, 1, 0, cb), -1);
    EXPECT_EQ(p.RegisterFunctions(1, L"F", nullptr, 0, 1, 0, cb), -1);
    EXPECT_EQ(p.RegisterFunctions(1, L"F", L"F", 0, 1, 0, nullptr), -1);
    Plugin::DestroyInstance();
}

} // namespace
