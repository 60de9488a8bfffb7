// Binding to the host's internals: module lookup, escaped names, lookups made
// once, host callbacks by index, variants chosen by the host API level, and
// the host's modules refusing calls meant for another level.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/fmx/access/TestHost.h"
#include "fmapi/symbol_name.h"
#include "fmx/AccessMgr.h"
#include "fmx/HostBinding.h"
#include "platform/win32/winsymbol.h"

#include "fmhost/EngineModules.h"
#include "fmx/FmImp.h"
#include "world/World.h"
#include "support/fresh_process.h"
#include "support/message_of.h"

namespace {

using namespace fmapi::sym;
using pvtest::HostEnv;
using pvtest::LoadHostModule;

using pvtest::MessageOf;

std::size_t Lookups(const fmapi::DracoSymbol& entry) { return win32::LookupCount(entry.decorated); }

TEST(SymbolName, EscapesEveryByteOutsideLettersAndDigits)
{
    EXPECT_EQ(fmapi::EscapedSymbolName("FM_Text_Assign"), "FM_Text_Assign");
    EXPECT_EQ(fmapi::EscapedSymbolName("_start"), "_start");
    // Not identifiers: a leading digit, '@', '?', '_' inside such a name, bytes above 0x7F.
    EXPECT_EQ(fmapi::EscapedSymbolName("1abc"), "msx_1abc");
    EXPECT_EQ(fmapi::EscapedSymbolName("?Get@A@@QBEXZ"), "msx__3FGet_40A_40_40QBEXZ");
    EXPECT_EQ(fmapi::EscapedSymbolName("a_b@"), "msx_a_5Fb_40");
    EXPECT_EQ(fmapi::EscapedSymbolName("\xC3\xA9?"), "msx__C3_A9_3F");
    EXPECT_EQ(fmapi::EscapedSymbolName(""), "msx_");
    EXPECT_TRUE(fmapi::MatchesEscaped("??0X@@QAE@XZ", "msx__3F_3F0X_40_40QAE_40XZ"));
    EXPECT_FALSE(fmapi::MatchesEscaped("??0X@@QAE@XZ", "msx__3F_3F0X_40_40QAE_40XZ_"));
    EXPECT_FALSE(fmapi::MatchesEscaped("??0X@@QAE@XZ", "msx__3f_3f0X_40_40QAE_40XZ"));
}

TEST(SymbolTable, EveryOperationIsExportedByItsModuleAtEveryLevelItServes)
{
    std::set<std::string> ids;
    for (const auto& entry : fmapi::kDracoSymbols)
        EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
    for (std::int32_t level : {50, 51, 52, 53, 54, 55, 56}) {
        for (const auto& entry : fmapi::kDracoSymbols) {
            if (!entry.ServesLevel(level))
                continue;
            const std::string module = win32::SharedObjectName(fmx::HostModuleName(entry.group, level));
            void* handle = dlopen((std::string(PV_BIN_DIR) + "/" + module).c_str(), RTLD_NOW | RTLD_LOCAL);
            ASSERT_NE(handle, nullptr) << module;
            EXPECT_NE(dlsym(handle, entry.escaped), nullptr) << module << " lacks " << entry.decorated;
            dlclose(handle);
        }
    }
}

TEST(SymbolTable, EachLevelHasExactlyOneVariantOfAnOperation)
{
    const char* const families[][3] = {
        {"DBSession_OpenFileUser50", "DBSession_OpenFileUser54", "DBSession_OpenFileUser"},
        {"ScriptRuntimeBase_CallScript53", "ScriptRuntimeBase_CallScript54", "ScriptRuntimeBase_CallScript55"},
        {"FMScriptCatalog_GetScriptKey52", "FMScriptCatalog_GetScriptKey53", "FMScriptCatalog_GetScriptKey55"},
    };
    for (const auto& family : families) {
        for (std::int32_t level = 40; level <= 60; ++level) {
            int serving = 0;
            for (const char* id : family)
                for (const auto& entry : fmapi::kDracoSymbols)
                    if (std::string(entry.id) == id && entry.ServesLevel(level))
                        ++serving;
            EXPECT_EQ(serving, 1) << family[0] << " at level " << level;
        }
    }
}

TEST(ModuleLookup, FindsOnlyModulesAlreadyLoaded)
{
    pvtest::InFreshProcess([&] {
        EXPECT_EQ(win32::SharedObjectName("FMEngine.dll"), "libFMEngine.so");
        EXPECT_EQ(win32::SharedObjectName("XDraw.DLL"), "libXDraw.so");
        EXPECT_EQ(fmx::AccessMgr::GetModule("XDraw.dll"), nullptr);
        // Looking a module up never loads it.
        EXPECT_EQ(fmx::AccessMgr::GetModule("XDraw.dll"), nullptr);
        void* handle = dlopen(pvtest::ModulePath("XDraw").c_str(), RTLD_NOW | RTLD_GLOBAL);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(fmx::AccessMgr::GetModule("XDraw.dll"), handle);
        EXPECT_EQ(fmx::AccessMgr::GetModule("Missing.dll"), nullptr);
        EXPECT_EQ(fmx::AccessMgr::GetModule(nullptr), nullptr);
    });
}

TEST(Binding, LooksAnOperationUpOnceAndOnlyOnce)
{
    pvtest::InFreshProcess([&] {
        HostEnv env(54);
        LoadHostModule("Support", 54);
        const std::size_t before = win32::LookupCount();
        for (int i = 0; i < 3; ++i) {
            Draco::UniversalPath path{nullptr};
            fmx::host::Call<UniversalPath_Ctor>(&path);
            EXPECT_NE(fmx::host::Call<UniversalPath_GetName>(&path), nullptr);
            fmx::host::Call<UniversalPath_Dtor>(&path);
        }
        EXPECT_EQ(Lookups(UniversalPath_Ctor::entry), 1u);
        EXPECT_EQ(Lookups(UniversalPath_GetName::entry), 1u);
        EXPECT_EQ(Lookups(UniversalPath_Dtor::entry), 1u);
        EXPECT_EQ(win32::LookupCount() - before, 3u);
    });
}

TEST(Binding, FailsWhileItsModuleIsMissingAndWorksOnceItIsLoaded)
{
    pvtest::InFreshProcess([&] {
        HostEnv env(53);
        // Static functions and member functions report their own messages.
        EXPECT_EQ(MessageOf([] { fmx::host::Call<XMLWindow_FrontWindow>(); }), "static function loading failed");
        EXPECT_EQ(MessageOf([] { fmx::host::Call<FMScript_GetScriptCatalog>(nullptr); }), "member function is not found");
        // Nothing was kept: the next call tries again.
        EXPECT_EQ(MessageOf([] { fmx::host::Call<XMLWindow_FrontWindow>(); }), "static function loading failed");

        LoadHostModule("XDraw", 53);
        LoadHostModule("FMScript", 53);
        EXPECT_EQ(fmx::host::Call<XMLWindow_FrontWindow>(), nullptr);
        EXPECT_EQ(fmx::host::Call<FMScript_GetScriptCatalog>(nullptr), nullptr);
        EXPECT_EQ(Lookups(XMLWindow_FrontWindow::entry), 1u);
    });
}

TEST(Binding, GroupsMoveToOneModuleFromLevel54)
{
    pvtest::InFreshProcess([&] {
        EXPECT_STREQ(fmx::HostModuleName(fmapi::HostGroup::kUserModel, 53), "FMUserModel.dll");
        EXPECT_STREQ(fmx::HostModuleName(fmapi::HostGroup::kScripts, 53), "FMScript.dll");
        EXPECT_STREQ(fmx::HostModuleName(fmapi::HostGroup::kLayouts, 53), "FMLayout.dll");
        for (auto group : {fmapi::HostGroup::kUserModel, fmapi::HostGroup::kScripts, fmapi::HostGroup::kLayouts})
            EXPECT_STREQ(fmx::HostModuleName(group, 54), "FMEngine.dll");
        EXPECT_STREQ(fmx::HostModuleName(fmapi::HostGroup::kSupport, 56), "Support.dll");
        EXPECT_STREQ(fmx::HostModuleName(fmapi::HostGroup::kWindows, 50), "XDraw.dll");
    });
}

TEST(Binding, AtLevel54TheUserModelIsNotFoundInItsOldModule)
{
    pvtest::InFreshProcess([&] {
        HostEnv env(54);
        // A host of level 54 has no FMUserModel: loading it anyway does not help.
        LoadHostModule("FMUserModel", 54, false);
        EXPECT_EQ(MessageOf([] { fmx::host::Call<FMSession_GetScriptRuntime>(nullptr); }),
                  "member function is not found");
        void* engine = LoadHostModule("FMEngine", 54);
        EXPECT_NE(fmx::host::Call<FMSession_GetScriptRuntime>(&hostworld::World::Get().Session()), nullptr);
        EXPECT_EQ(pvtest::FaultCount(engine), 0);
    });
}

// The open-file variant the plug-in binds, and whether the host module saw a
// call meant for another level.
struct OpenFileResult {
    std::size_t bool50 = 0, ulong54 = 0, boolOther = 0;
    std::int32_t faults = -1;
    std::int32_t code = 0;
};

OpenFileResult OpenFileAt(std::int16_t level)
{
    HostEnv env(level);
    void* engine = LoadHostModule("DBEngine", level, false);
    OpenFileResult result;
    Draco::DBError error{0};
    Draco::FileUserRef user{nullptr};
    Draco::DBSession* session = fmx::host::Call<DBSession_GetSessionFromID>(1u);
    EXPECT_NE(session, nullptr);
    fmx::host::DBSession_OpenFileUser(session, &error, &user, nullptr, nullptr, nullptr, false);
    result.code = error.code;
    result.bool50 = Lookups(DBSession_OpenFileUser50::entry);
    result.ulong54 = Lookups(DBSession_OpenFileUser54::entry);
    result.boolOther = Lookups(DBSession_OpenFileUser::entry);
    result.faults = pvtest::FaultCount(engine);
    return result;
}

TEST(Variants, Level54OpensFilesWithTheUnsignedLongVariant)
{
    pvtest::InFreshProcess([&] {
        const OpenFileResult r = OpenFileAt(54);
        EXPECT_EQ(r.ulong54, 1u);
        EXPECT_EQ(r.bool50 + r.boolOther, 0u);
        EXPECT_EQ(r.faults, 0);
        EXPECT_NE(r.code, 0);   // no such file in the host
    });
}

TEST(Variants, Level53OpensFilesWithTheConstBoolVariant)
{
    pvtest::InFreshProcess([&] {
        const OpenFileResult r = OpenFileAt(53);
        EXPECT_EQ(r.boolOther, 1u);
        EXPECT_EQ(r.bool50 + r.ulong54, 0u);
        EXPECT_EQ(r.faults, 0);
    });
}

TEST(Variants, Level56OpensFilesWithTheConstBoolVariant)
{
    pvtest::InFreshProcess([&] {
        const OpenFileResult r = OpenFileAt(56);
        EXPECT_EQ(r.boolOther, 1u);
        EXPECT_EQ(r.bool50 + r.ulong54, 0u);
        EXPECT_EQ(r.faults, 0);
    });
}

TEST(Variants, Level50OpensFilesWithTheOldestVariant)
{
    pvtest::InFreshProcess([&] {
        const OpenFileResult r = OpenFileAt(50);
        EXPECT_EQ(r.bool50, 1u);
        EXPECT_EQ(r.ulong54 + r.boolOther, 0u);
        EXPECT_EQ(r.faults, 0);
    });
}

TEST(Variants, Level55UsesMemberNamesAndTheNewestScriptCalls)
{
    pvtest::InFreshProcess([&] {
        HostEnv env(55);
        void* db = LoadHostModule("DBEngine", 55, false);
        void* engine = LoadHostModule("FMEngine", 55, false);
        EXPECT_EQ(fmx::host::DBCatalog_GetMemberCount(nullptr), 0u);
        EXPECT_FALSE(fmx::host::FMScriptCatalog_GetName(nullptr, nullptr, nullptr));
        EXPECT_FALSE(fmx::host::FMLayoutCatalog_GetName(nullptr, nullptr, nullptr));
        EXPECT_FALSE(fmx::host::FMScriptCatalog_GetScriptKey(nullptr, 1, nullptr, false));
        Draco::DBError error{0};
        fmx::host::ScriptRuntimeBase_CallScript(nullptr, &error, nullptr, nullptr, nullptr, 1);
        EXPECT_EQ(Lookups(DBCatalog_GetMemberCount55::entry), 1u);
        EXPECT_EQ(Lookups(DBCatalog_GetMemberCount::entry), 0u);
        EXPECT_EQ(Lookups(FMScriptCatalog_GetMemberName::entry), 1u);
        EXPECT_EQ(Lookups(FMLayoutCatalog_GetMemberName::entry), 1u);
        EXPECT_EQ(Lookups(FMScriptCatalog_GetScriptKey55::entry), 1u);
        EXPECT_EQ(Lookups(ScriptRuntimeBase_CallScript55::entry), 1u);
        EXPECT_EQ(pvtest::FaultCount(db), 0);
        EXPECT_EQ(pvtest::FaultCount(engine), 0);
    });
}

TEST(Variants, Level52UsesTheOldModulesAndSignatures)
{
    pvtest::InFreshProcess([&] {
        HostEnv env(52);
        void* model = LoadHostModule("FMUserModel", 52, false);
        void* scripts = LoadHostModule("FMScript", 52, false);
        EXPECT_FALSE(fmx::host::FMScriptCatalog_GetScriptKey(nullptr, 1, nullptr, false));
        EXPECT_FALSE(fmx::host::FMScriptCatalog_GetName(nullptr, nullptr, nullptr));
        EXPECT_EQ(fmx::host::FMSession_OpenWindow(nullptr, nullptr, false, false), nullptr);
        EXPECT_EQ(fmx::host::FMWindowModel_GetFileUser(nullptr), nullptr);
        EXPECT_EQ(Lookups(FMScriptCatalog_GetScriptKey52::entry), 1u);
        EXPECT_EQ(Lookups(FMScriptCatalog_GetScriptName::entry), 1u);
        EXPECT_EQ(Lookups(FMSession_OpenWindow53::entry), 1u);
        EXPECT_EQ(Lookups(FMWindowModel_GetFileUser53::entry), 1u);
        EXPECT_EQ(pvtest::FaultCount(model), 0);
        EXPECT_EQ(pvtest::FaultCount(scripts), 0);
    });
}

TEST(HostModules, CountACallForAnotherLevelAsAFault)
{
    pvtest::InFreshProcess([&] {
        void* engine = LoadHostModule("DBEngine", 54, false);
        auto wrongVariant = reinterpret_cast<DBSession_OpenFileUser::Fn*>(dlsym(engine, DBSession_OpenFileUser::entry.escaped));
        ASSERT_NE(wrongVariant, nullptr);
        Draco::DBError error{0};
        wrongVariant(nullptr, &error, nullptr, nullptr, nullptr, nullptr, false);
        EXPECT_EQ(pvtest::FaultCount(engine), 1);
        EXPECT_NE(pvtest::LastFault(engine).find(DBSession_OpenFileUser::entry.decorated), std::string::npos);

        // A module of the older hosts refuses every call at a newer level.
        void* model = LoadHostModule("FMUserModel", 54, false);
        auto runtime = reinterpret_cast<FMSession_GetScriptRuntime::Fn*>(
            dlsym(model, FMSession_GetScriptRuntime::entry.escaped));
        runtime(nullptr);
        EXPECT_EQ(pvtest::FaultCount(model), 1);
    });
}

TEST(HostModulesDeathTest, StopTheHostOnACallForAnotherLevel)
{
    EXPECT_DEATH(
        {
            void* engine = LoadHostModule("DBEngine", 53);
            auto wrongVariant = reinterpret_cast<DBSession_OpenFileUser54::Fn*>(
                dlsym(engine, DBSession_OpenFileUser54::entry.escaped));
            Draco::DBError error{0};
            wrongVariant(nullptr, &error, nullptr, nullptr, nullptr, nullptr, 0);
        },
        "host engine fault: DBEngine: .*OpenFileUser.* API level 53");
}

// Host callbacks

std::intptr_t Add(std::intptr_t a, std::intptr_t b) { return a + b; }
std::intptr_t Multiply(std::intptr_t a, std::intptr_t b) { return a * b; }

TEST(HostCallbacks, IndexElevenAnswersAndStaysBound)
{
    pvtest::InFreshProcess([&] {
        fmapi::HostCallback callbacks[fmapi::kHostCallbackCount] = {};
        callbacks[11] = Add;
        callbacks[1] = Multiply;
        {
            HostEnv env(54, 1, callbacks);
            EXPECT_EQ(fmx::HostCallback11(2, 3), 5);
            EXPECT_EQ(fmx::HostCallback1(4, 5), 20);
            EXPECT_EQ(fmx::AccessMgr::GetInstance().GetHostCallback(11), &Add);
        }
        // The cell keeps what it found; it is never looked up again.
        EXPECT_FALSE(fmx::AccessMgr::Exists());
        EXPECT_EQ(fmx::HostCallback11(7, 8), 15);
    });
}

TEST(HostCallbacks, IndexTwelveAndEmptySlotsFail)
{
    pvtest::InFreshProcess([&] {
        fmapi::HostCallback callbacks[fmapi::kHostCallbackCount] = {};
        callbacks[11] = Add;
        HostEnv env(54, 1, callbacks);
        const fmx::AccessMgr& access = fmx::AccessMgr::GetInstance();
        EXPECT_EQ(access.FindFunction(fmx::kHostCallbackModule, reinterpret_cast<const char*>(11)),
                  reinterpret_cast<void*>(&Add));
        EXPECT_EQ(MessageOf([&] { access.FindFunction(fmx::kHostCallbackModule, reinterpret_cast<const char*>(12)); }),
                  "static function loading failed");
        EXPECT_EQ(access.GetHostCallback(12), nullptr);
        EXPECT_EQ(MessageOf([] { fmx::HostCallback3(1, 2); }), "static function loading failed");
        // A failed binding is tried again.
        EXPECT_EQ(MessageOf([] { fmx::HostCallback3(1, 2); }), "static function loading failed");
    });
}

TEST(HostCallbacks, NeedTheAccessManager)
{
    pvtest::InFreshProcess([&] {
        EXPECT_EQ(MessageOf([] { fmx::HostCallback2(1, 2); }), "Bad access to fmx::Singleton<>::GetInstance");
    });
}

// The rest of the access manager

struct CountingImp : fmx::FmClassImpBase {
    explicit CountingImp(int* deleted) : deleted_(deleted) {}
    ~CountingImp() override { ++*deleted_; }
    int* deleted_;
};

TEST(AccessMgr, KeepsImplementationsByClassIdAndDeletesThemWithItself)
{
    pvtest::InFreshProcess([&] {
        int deleted = 0;
        {
            HostEnv env(54);
            fmx::AccessMgr& access = fmx::AccessMgr::GetInstance();
            EXPECT_NE(dynamic_cast<fmx::FmSessionImp*>(&access.GetImp(fmx::kSessionImp)), nullptr);
            EXPECT_NE(dynamic_cast<fmx::FmDatabaseImp*>(&access.GetImp(fmx::kDatabaseImp)), nullptr);
            EXPECT_NE(dynamic_cast<fmx::FmWindowImp*>(&access.GetImp(fmx::kWindowImp)), nullptr);
            EXPECT_NE(dynamic_cast<fmx::FmLayoutImp*>(&access.GetImp(fmx::kLayoutImp)), nullptr);
            EXPECT_NE(dynamic_cast<fmx::FmScriptImp*>(&access.GetImp(fmx::kScriptImp)), nullptr);
            EXPECT_EQ(MessageOf([&] { access.GetImp(5); }), "invalid implementation class id");
            access.SetImp(fmx::kWindowImp, std::make_unique<CountingImp>(&deleted));
            EXPECT_NE(dynamic_cast<CountingImp*>(&access.GetImp(fmx::kWindowImp)), nullptr);
            // A handle of the class finds an object of another class.
            EXPECT_EQ(MessageOf([] { fmx::DbWindow::GetFirst(); }), "invalid implementation class id");
            EXPECT_EQ(deleted, 0);
        }
        EXPECT_EQ(deleted, 1);
    });
}

TEST(AccessMgr, ReportsMissingSymbolsWithTheirMessages)
{
    pvtest::InFreshProcess([&] {
        HostEnv env(54);
        LoadHostModule("Support", 54);
        const fmx::AccessMgr& access = fmx::AccessMgr::GetInstance();
        EXPECT_EQ(MessageOf([&] { access.FindDataSymbol("Support.dll", "?Nothing@@3HA"); }), "data symbol is not found");
        EXPECT_EQ(MessageOf([&] { access.FindDataSymbol("Missing.dll", "x"); }), "data symbol is not found");
        EXPECT_EQ(MessageOf([&] { access.FindMemberFunction("Support.dll", "?Nothing@@QAEXXZ"); }),
                  "member function is not found");
        EXPECT_EQ(MessageOf([&] { access.FindFunction("Support.dll", "?Nothing@@SAXXZ"); }),
                  "static function loading failed");
        EXPECT_NE(access.FindMemberFunction("Support.dll", UniversalPath_Ctor::entry.decorated), nullptr);
    });
}

TEST(AccessMgr, BindingWithoutAnInstanceFails)
{
    pvtest::InFreshProcess([&] {
        EXPECT_EQ(MessageOf([] { fmx::host::Call<XMLWindow_FrontWindow>(); }),
                  "Bad access to fmx::Singleton<>::GetInstance");
    });
}

// fmhost's loader

TEST(EngineModules, LoadsTheSetOfTheHostsLevel)
{
    pvtest::InFreshProcess([&] {
        EXPECT_EQ(fmhost::HostModuleNames(53),
                  (std::vector<std::string>{"Support", "DBEngine", "FMUserModel", "FMScript", "FMLayout", "XDraw"}));
        EXPECT_EQ(fmhost::HostModuleNames(54), (std::vector<std::string>{"Support", "DBEngine", "FMEngine", "XDraw"}));

        std::string error;
        ASSERT_TRUE(fmhost::LoadHostModules(55, PV_BIN_DIR, error)) << error;
        EXPECT_NE(fmx::AccessMgr::GetModule("FMEngine.dll"), nullptr);
        EXPECT_EQ(fmx::AccessMgr::GetModule("FMUserModel.dll"), nullptr);
        void* engine = fmx::AccessMgr::GetModule("FMEngine.dll");
        EXPECT_EQ(reinterpret_cast<std::int32_t (*)()>(dlsym(engine, "PVEngine_ApiLevel"))(), 55);

        // The plug-in then binds against them.
        HostEnv env(55);
        EXPECT_NE(fmx::host::Call<DBSession_GetSessionFromID>(1u), nullptr);
        EXPECT_EQ(fmx::host::DBCatalog_GetMemberCount(nullptr), 0u);
    });
}

TEST(EngineModules, ReportsAMissingModule)
{
    pvtest::InFreshProcess([&] {
        std::string error;
        EXPECT_FALSE(fmhost::LoadHostModules(54, "/nonexistent-folder", error));
        EXPECT_NE(error.find("libSupport.so"), std::string::npos);
    });
}

} // namespace
