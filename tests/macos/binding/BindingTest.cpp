// The bound operations: every stub and argument form at the host API levels
// that choose them, the pointer-to-member rule, one lookup per symbol.
#include <dlfcn.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include <cstdio>

#include "MacHostFixture.h"
#include "fmapi/fm_api.h"
#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/SystemSetup.h"
#include "world/DataText.h"
#include "world/World.h"
#include "tests/support/fresh_process.h"

namespace {

using fmapi::mac::SymbolId;
using fmapi::mac::SymbolOf;
using mactest::MacHost;

std::string DataText(const FMData* data)
{
    return hostworld::TextOf(reinterpret_cast<const Draco::DBData*>(data));
}

// A FilePlatformSpec as the plug-in builds one in its storage: the
// reference zeroed, the name string of the level's form constructed.
class PlatformFile {
public:
    explicit PlatformFile(std::int32_t level) : level_(level)
    {
        if (level_ >= fmapi::mac::kHostString51Level)
            mac::bound::ConstructString(&spec_.name);
    }
    ~PlatformFile();
    PlatformFile(const PlatformFile&) = delete;
    PlatformFile& operator=(const PlatformFile&) = delete;

    fmapi::mac::FilePlatformSpecLayout* get() { return &spec_; }

    // The POSIX path of the file it names, or "no file".
    std::string Path() const
    {
        FSRef ref;
        char path[1024];
        if (!mac::bound::GetFileRef(&spec_, &ref) || FSRefMakePath(&ref, reinterpret_cast<UInt8*>(path), sizeof path))
            return "no file";
        return path;
    }

private:
    std::int32_t level_;
    fmapi::mac::FilePlatformSpecLayout spec_{};
};

// The reference of an existing node.
FSRef RefOf(const std::string& path)
{
    FSRef ref{};
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr), noErr) << path;
    return ref;
}

void Touch(const std::string& path) { std::fclose(std::fopen(path.c_str(), "w")); }

// A host string's text through the bound conversion.
std::string TextOf(const fmapi::mac::HostStringStorage& string)
{
    char buffer[128];
    unsigned long size = sizeof buffer;
    if (!mac::bound::ConvertToNonUnichars(&string, buffer, &size, fmapi::mac::kHostEncodingUtf8))
        return "failed";
    return std::string(buffer, size);
}

// Gives a host string of the level's form back as the plug-in must.
void Dispose(fmapi::mac::HostStringStorage& string, std::int32_t level)
{
    if (level >= fmapi::mac::kHostString51Level) {
        mac::bound::DestroyString(&string);
        return;
    }
    fmapi::mac::HostString50 old;
    std::memcpy(&old, string.bytes, sizeof old);
    mac::bound::HostOperatorDelete(old.buffer);
}

PlatformFile::~PlatformFile() { Dispose(spec_.name, level_); }

class ThroughBinding : public MacHost, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(ThroughBinding, EveryStubInTheFormOfItsLevel)
{
    pvtest::InFreshProcess([&] {
        const std::int32_t level = GetParam();
        Start(level);
        const bool split = level >= fmapi::mac::kSplitFrameworksLevel;
        const char* dbFramework = mac::HostDBModuleName(level);
        const char* supportFramework = mac::HostSupportModuleName(level);
        EXPECT_STREQ(dbFramework, split ? "DBEngine" : "FMEngine");
        EXPECT_STREQ(supportFramework, split ? "Support" : "FMEngine");
        const std::int64_t live = LiveBlocks();

        // The file lies on the volume Data, mounted from a folder of the test's.
        char folder[] = "/tmp/pv_binding_XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        Touch(std::string(folder) + "/Contacts.fmp12");
        Touch(std::string(folder) + "/Other.fmp12");
        ASSERT_TRUE(macsetup::MountVolume("Data", folder));
        hostworld::World& world = hostworld::World::Get();
        Draco::FMFileUser* file = world.AddFile("Contacts.fmp12", "filemac:/Data/Contacts.fmp12");
        ASSERT_NE(file, nullptr);
        ASSERT_NE(world.AddLayout(*file, "List", false, 1), nullptr);
        ASSERT_NE(world.AddLayout(*file, "Detail", true, 5), nullptr);
        ASSERT_NE(world.AddScript(*file, "Print All", 1), nullptr);
        Draco::FMScript* exportScript = world.AddScript(*file, "Export", 4);
        ASSERT_NE(exportScript, nullptr);
        hostworld::Window* window = world.AddWindow(*file, "Contacts", hostworld::WindowOptions{});
        ASSERT_NE(window, nullptr);
        world.SetRunning(exportScript, "p", false);
        world.TakeJournal();
        FMError err{1, 0};
        FMData* name = FM_Data_Constructor1(&err);

        // The session, its runtime and the running script.
        Draco::DBSession* session = mac::bound::GetSessionFromID(1);
        EXPECT_EQ(session, &world.Session());
        EXPECT_EQ(mac::bound::GetSessionFromID(2), nullptr);
        auto* fmSession = static_cast<Draco::FMSession*>(session);
        Draco::ScriptRuntimeBase* runtime = mac::bound::GetScriptRuntime(fmSession);
        EXPECT_EQ(runtime, &world.Session().runtime);
        // The host's script object of the running script.
        EXPECT_EQ(static_cast<const void*>(mac::bound::GetScript(runtime)), static_cast<const void*>(exportScript->macObject));

        // Paths: FilePlatformSpec and universal path both ways; the file opened at its path.
        Draco::FileUserRef user{nullptr};
        char authentication[16] = {};
        auto* auth = reinterpret_cast<Draco::DBAuthenticationInfo*>(authentication);
        {
            PlatformFile spec(level);
            EXPECT_EQ(spec.Path(), "no file");
            const FSRef contacts = RefOf("/Volumes/Data/Contacts.fmp12");
            mac::bound::SetFileRef(spec.get(), &contacts);
            EXPECT_EQ(spec.Path(), "/Volumes/Data/Contacts.fmp12");
            fmapi::mac::UniversalPathLayout path{};
            fmapi::mac::HostError made = mac::bound::SetUniversalPath(&path, spec.get());
            EXPECT_NE(made.first, 0);   // the host's success
            EXPECT_EQ(made.index, fmapi::mac::kHostErrorNone);
            PlatformFile back(level);
            made = mac::bound::MakePlatformSpec(&path, back.get(), fmapi::mac::kHostEncodingUtf8, true, true);
            EXPECT_NE(made.first, 0);
            EXPECT_EQ(back.Path(), "/Volumes/Data/Contacts.fmp12");

            EXPECT_EQ(mac::bound::OpenFileUser(session, &user, &path, nullptr, auth, true).code, fmapi::kDracoNoError);
            EXPECT_EQ(user.user, file);

            // A file that is gone: the FilePlatformSpec keeps its folder and name, and names
            // the file again once it is back.
            const FSRef other = RefOf("/Volumes/Data/Other.fmp12");
            mac::bound::SetFileRef(spec.get(), &other);
            fmapi::mac::UniversalPathLayout elsewhere{};
            ASSERT_NE(mac::bound::SetUniversalPath(&elsewhere, spec.get()).first, 0);
            EXPECT_NE(mac::bound::OpenFileUser(session, &user, &elsewhere, nullptr, auth, false).code,
                      fmapi::kDracoNoError);
            EXPECT_EQ(user.user, nullptr);
            ASSERT_EQ(std::remove((std::string(folder) + "/Other.fmp12").c_str()), 0);
            PlatformFile missing(level);
            EXPECT_NE(mac::bound::MakePlatformSpec(&elsewhere, missing.get(), fmapi::mac::kHostEncodingUtf8, true, true)
                          .first,
                      0);
            EXPECT_EQ(missing.Path(), "no file");
            Touch(std::string(folder) + "/Other.fmp12");
            EXPECT_EQ(missing.Path(), "/Volumes/Data/Other.fmp12");

            // A volume alone names no file; the empty path names nothing.
            const FSRef root = RefOf("/Volumes/Data");
            mac::bound::SetFileRef(spec.get(), &root);
            made = mac::bound::SetUniversalPath(&path, spec.get());
            EXPECT_EQ(made.first, 0);
            EXPECT_EQ(made.index, fmapi::mac::kHostErrorBadPath);
            const fmapi::mac::UniversalPathLayout* empty = mac::bound::EmptyUniversalPath();
            ASSERT_NE(empty, nullptr);
            EXPECT_EQ(empty->record, nullptr);
            EXPECT_EQ(
                mac::bound::MakePlatformSpec(empty, back.get(), fmapi::mac::kHostEncodingUtf8, false, false).index,
                fmapi::mac::kHostErrorBadPath);
        }
        std::remove((std::string(folder) + "/Contacts.fmp12").c_str());
        std::remove((std::string(folder) + "/Other.fmp12").c_str());
        rmdir(folder);

        // The file's default window, catalogs, keys and names.
        EXPECT_EQ(mac::bound::GetDefaultWindow(file), window->model.get());
        Draco::FMLayoutCatalog* layouts = mac::bound::GetLayoutCatalog(file);
        EXPECT_EQ(layouts, &file->layouts);
        EXPECT_EQ(mac::bound::GetMemberCount(layouts), 5u);
        Draco::HBAbstractKey key{};
        EXPECT_FALSE(mac::bound::GetLayoutKey(layouts, 3, &key, false, nullptr));
        ASSERT_TRUE(mac::bound::GetLayoutKey(layouts, 5, &key, false, nullptr));
        EXPECT_TRUE(mac::bound::IsLayoutHidden(layouts, &key));
        ASSERT_TRUE(mac::bound::GetLayoutName(layouts, &key, reinterpret_cast<Draco::DBData*>(name)));
        EXPECT_EQ(DataText(name), "Detail");

        Draco::FMScriptCatalog* scripts = mac::bound::GetScriptCatalog(file);
        EXPECT_EQ(scripts, &file->scripts);
        Draco::ScriptKey scriptKey{};
        ASSERT_TRUE(mac::bound::GetScriptKey(scripts, 4, &scriptKey, false));
        EXPECT_FALSE(mac::bound::GetScriptKey(scripts, 2, &scriptKey, false));
        ASSERT_TRUE(mac::bound::GetScriptKey(scripts, 4, &scriptKey, false));
        const bool named = level <= 54
                               ? mac::bound::GetScriptName(scripts, &scriptKey, reinterpret_cast<Draco::DBData*>(name))
                               : mac::bound::GetScriptMemberName(scripts, &scriptKey,
                                                                 reinterpret_cast<Draco::DBData*>(name));
        ASSERT_TRUE(named);
        EXPECT_EQ(DataText(name), "Export");

        // A script performed, and a window the host does not open.
        Draco::DBError result{-1};
        EXPECT_EQ(mac::bound::CallHostScript(&result, runtime, window->model.get(), &scriptKey, nullptr, 3), &result);
        EXPECT_EQ(result.code, fmapi::kDracoNoError);
        const std::vector<std::string> journal = world.TakeJournal();
        ASSERT_EQ(journal.size(), 1u);
        EXPECT_EQ(journal[0], "performed \"Contacts.fmp12\" \"Export\" param \"\" control 3 window \"Contacts\"");
        EXPECT_EQ(mac::bound::OpenWindow(fmSession, file, true, false), nullptr);

        // Error records and host strings of the level's form.
        fmapi::mac::HostError error{-7, 0};
        mac::bound::SetErrorIndex(&error, 12);
        EXPECT_EQ(error.first, -7);
        EXPECT_EQ(error.index, 12);

        const std::string text = "Grüße ✓ \xF0\x9F\x98\x80";
        fmapi::mac::HostStringStorage string{};
        if (split)
            mac::bound::ConstructString(&string);
        EXPECT_EQ(TextOf(string), "");
        ASSERT_TRUE(mac::bound::ConvertFromNonUnichars(&string, text.data(), text.size(), fmapi::mac::kHostEncodingUtf8));
        EXPECT_FALSE(mac::bound::ConvertFromNonUnichars(&string, "\xC3", 1, fmapi::mac::kHostEncodingUtf8));
        EXPECT_EQ(TextOf(string), text);
        char small[4];
        unsigned long size = sizeof small;
        EXPECT_FALSE(mac::bound::ConvertToNonUnichars(&string, small, &size, fmapi::mac::kHostEncodingUtf8));
        EXPECT_EQ(size, text.size());
        if (split) {
            const fmapi::mac::HostString51& form = *reinterpret_cast<const fmapi::mac::HostString51*>(string.bytes);
            fmapi::mac::StringHeader header;
            std::memcpy(&header, reinterpret_cast<const unsigned char*>(form.text) - sizeof header, sizeof header);
            EXPECT_EQ(header.length, 10u);   // UTF-16 units: the last character is a pair
            fmapi::mac::HostStringStorage copy{};
            mac::bound::CopyConstructString(&copy, &string);
            EXPECT_NE(reinterpret_cast<const fmapi::mac::HostString51*>(copy.bytes)->text, form.text);
            EXPECT_EQ(TextOf(copy), text);
            mac::bound::DestroyString(&copy);
        } else {
            fmapi::mac::HostString50 form;
            std::memcpy(&form, string.bytes, sizeof form);
            EXPECT_EQ(form.length, 10u);
            EXPECT_EQ(form.capacity, 11u);
            EXPECT_EQ(form.buffer[10], 0);
            EXPECT_EQ(LiveBlocks(), live + 1);   // its buffer is the host's
        }
        Dispose(string, level);

        const fmapi::mac::FontMapperLayout mapper{file};
        fmapi::mac::HostStringStorage font{};
        mac::bound::GetFontName(&mapper, 1, &font);
        EXPECT_EQ(TextOf(font), "Times New Roman");
        Dispose(font, level);
        mac::bound::GetFontName(&mapper, 9, &font);
        EXPECT_EQ(TextOf(font), "");
        Dispose(font, level);
        EXPECT_EQ(LiveBlocks(), live);
        FM_Data_Delete(name, &err);

        // Each stub took the variant of its level, from the framework of that level.
        struct Expected {
            const char* framework;
            SymbolId id;
        };
        std::vector<Expected> expected = {
            {"FMEngine", SymbolId::DBSession_GetSessionFromID},
            {"FMEngine", SymbolId::FMSession_GetScriptRuntime},
            {"FMEngine", SymbolId::ScriptRuntimeBase_GetScript},
            {"FMEngine", SymbolId::FMFileUser_GetDefaultWindow},
            {"FMEngine", SymbolId::FMFileUser_GetLayoutCatalog},
            {"FMEngine", SymbolId::FMFileUser_GetScriptCatalog},
            {"FMEngine", SymbolId::FMLayoutCatalog_GetLayoutKey},
            {"FMEngine", SymbolId::FMLayoutCatalog_IsLayoutHidden},
            {"FMEngine", level <= 54 ? SymbolId::DBCatalog_GetMemberCount : SymbolId::DBCatalog_GetMemberCount55},
            {"FMEngine", level <= 54 ? SymbolId::FMLayoutCatalog_GetLayoutName : SymbolId::FMLayoutCatalog_GetMemberName},
            {"FMEngine", level <= 54 ? SymbolId::FMScriptCatalog_GetScriptName : SymbolId::FMScriptCatalog_GetMemberName},
            {"FMEngine", level < 53    ? SymbolId::FMScriptCatalog_GetScriptKey52
                         : level < 55 ? SymbolId::FMScriptCatalog_GetScriptKey53
                                      : SymbolId::FMScriptCatalog_GetScriptKey55},
            {"FMEngine", level <= 53    ? SymbolId::ScriptRuntimeBase_CallScript53
                         : level == 54 ? SymbolId::ScriptRuntimeBase_CallScript54
                                       : SymbolId::ScriptRuntimeBase_CallScript55},
            {"FMEngine", level <= 53 ? SymbolId::FMSession_OpenWindow53 : SymbolId::FMSession_OpenWindow54},
            {dbFramework, level <= 50    ? SymbolId::DBSession_OpenFileUser50
                          : level <= 53 ? SymbolId::DBSession_OpenFileUser51
                                        : SymbolId::DBSession_OpenFileUser54},
            {dbFramework, SymbolId::DBFontMapper_GetFontName},
            {supportFramework, level <= 50 ? SymbolId::Error_SetErrorIndex : SymbolId::Error_SetErrorIndexInternal},
            {supportFramework, SymbolId::FilePlatformSpec_Set},
            {supportFramework, SymbolId::FilePlatformSpec_GetFileRef},
            {supportFramework, SymbolId::UniversalPath_Set},
            {supportFramework, SymbolId::UniversalPath_MakePlatformSpec},
            {supportFramework, SymbolId::unistring_ConvertFromNonUnichars},
            {supportFramework, SymbolId::unistring_ConvertToNonUnichars},
        };
        if (split) {
            expected.push_back({"Support", SymbolId::unistring_Ctor});
            expected.push_back({"Support", SymbolId::unistring_CopyCtor});
            expected.push_back({"Support", SymbolId::unistring_Dtor});
        } else {
            expected.push_back({"MSLRuntime", SymbolId::OperatorDelete});
        }
        for (const Expected& e : expected)
            EXPECT_GE(Calls(e.framework, e.id), 1) << e.framework << " " << SymbolOf(e.id).id;

        const fmapi::mac::Symbol& layoutName =
            SymbolOf(level <= 54 ? SymbolId::FMLayoutCatalog_GetLayoutName : SymbolId::FMLayoutCatalog_GetMemberName);
        EXPECT_EQ(mac::stub::LayoutName::bound, &layoutName);
        EXPECT_EQ(mac::stub::LayoutName::cell.function,
                  reinterpret_cast<std::uintptr_t>(finder_->FindSymbol("FMEngine", layoutName.machO)));
        EXPECT_EQ(mac::stub::SetErrorIndex::bound,
                  &SymbolOf(level <= 50 ? SymbolId::Error_SetErrorIndex : SymbolId::Error_SetErrorIndexInternal));
    });
}

INSTANTIATE_TEST_SUITE_P(Host, ThroughBinding, ::testing::Values(50, 53, 54, 55),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                             return "Level" + std::to_string(info.param);
                         });

TEST_F(MacHost, AStubKeepsTheNameOfTheLevelItWasBoundAt)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        hostworld::World& world = hostworld::World::Get();
        Draco::FMFileUser* file = world.AddFile("Kept.fmp12", "filemac:/Kept.fmp12");
        ASSERT_NE(file, nullptr);
        Draco::FMLayout* layout = world.AddLayout(*file, "Only", false, 1);
        ASSERT_NE(layout, nullptr);
        FMError err{1, 0};
        FMData* name = FM_Data_Constructor1(&err);
        auto* data = reinterpret_cast<Draco::DBData*>(name);
        EXPECT_TRUE(mac::bound::GetLayoutName(&file->layouts, &layout->key, data));
        mactest::g_level = 54;   // the level the plug-in reports later
        EXPECT_TRUE(mac::bound::GetLayoutName(&file->layouts, &layout->key, data));
        EXPECT_EQ(DataText(name), "Only");
        EXPECT_EQ(Calls("FMEngine", SymbolId::FMLayoutCatalog_GetMemberName), 2);
        EXPECT_EQ(Calls("FMEngine", SymbolId::FMLayoutCatalog_GetLayoutName), 0);
        FM_Data_Delete(name, &err);
    });
}

// Host classes with virtual members, as a host may have: the function word
// of a virtual member is an offset into the virtual table plus 1.
struct Counted {
    virtual ~Counted() = default;
    virtual unsigned long Count() const { return 1; }
};
struct Catalog : Counted {
    unsigned long Count() const override { return 42; }
};
struct Named {
    virtual ~Named() = default;
    virtual unsigned long Length() const { return 7; }
    char padding[24] = {};
};
struct Both : Counted, Named {
    unsigned long Length() const override { return 1234; }
};

template <class M>
PlatSymFinder::BoundMember WordsOf(M member)
{
    static_assert(sizeof(M) == sizeof(PlatSymFinder::BoundMember), "an Itanium pointer to member");
    std::uintptr_t words[2];
    std::memcpy(words, &member, sizeof words);
    return {words[0], static_cast<std::ptrdiff_t>(words[1])};
}

TEST(PointerToMember, AnOddFunctionWordCallsThroughTheVirtualTable)
{
    mactest::g_level = 54;
    mac::SetBindingLevelSource(&mactest::Level);
    const Catalog catalog;
    const PlatSymFinder::BoundMember virtualCount = WordsOf(&Counted::Count);
    ASSERT_EQ(virtualCount.function & 1, 1u);
    mac::stub::GetMemberCount::cell = virtualCount;
    EXPECT_EQ(mac::bound::GetMemberCount(reinterpret_cast<const Draco::DBCatalog*>(static_cast<const Counted*>(&catalog))),
              42u);

    // Through the second base: the adjustment moves `this` to it first.
    const Both both;
    const PlatSymFinder::BoundMember adjusted = WordsOf(static_cast<unsigned long (Both::*)() const>(&Named::Length));
    ASSERT_EQ(adjusted.function & 1, 1u);
    ASSERT_EQ(adjusted.adjustment, static_cast<std::ptrdiff_t>(sizeof(Counted)));
    mac::stub::GetMemberCount::cell = adjusted;
    EXPECT_EQ(mac::bound::GetMemberCount(reinterpret_cast<const Draco::DBCatalog*>(&both)), 1234u);

    // An even word is the function itself: no virtual dispatch.
    unsigned long (*plain)(void*, bool) = [](void* self, bool) {
        return static_cast<const Counted*>(self)->Counted::Count() + 10;
    };
    mac::stub::GetMemberCount55::cell = {reinterpret_cast<std::uintptr_t>(plain), 0};
    mactest::g_level = 55;
    EXPECT_EQ(mac::bound::GetMemberCount(reinterpret_cast<const Draco::DBCatalog*>(static_cast<const Counted*>(&catalog))),
              11u);
}

TEST_F(MacHost, EachSymbolIsLookedUpOnce)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        const char* runtimeName = SymbolOf(SymbolId::FMSession_GetScriptRuntime).machO;
        const char* sessionName = SymbolOf(SymbolId::DBSession_GetSessionFromID).machO;
        const std::size_t searches = PlatSymFinder::FrameworkSearchCount();
        for (int i = 0; i < 3; ++i) {
            auto* session = static_cast<Draco::FMSession*>(mac::bound::GetSessionFromID(1));
            EXPECT_EQ(mac::bound::GetScriptRuntime(session), &hostworld::World::Get().Session().runtime);
        }
        EXPECT_EQ(PlatSymFinder::LookupCount(runtimeName), 1u);
        EXPECT_EQ(PlatSymFinder::LookupCount(sessionName), 1u);
        EXPECT_EQ(PlatSymFinder::FrameworkSearchCount(), searches + 1);   // FMEngine, once
        EXPECT_EQ(Calls("FMEngine", SymbolId::FMSession_GetScriptRuntime), 3);
    });
}

TEST_F(MacHost, AFailedBindingLeavesTheCellEmptyAndIsTriedAgain)
{
    pvtest::InFreshProcess([&] {
        Start(50);   // the older host: no Support, so no bound string constructor
        const char* ctor = SymbolOf(SymbolId::unistring_Ctor).machO;
        fmapi::mac::HostStringStorage string{};
        for (std::size_t attempt = 1; attempt <= 2; ++attempt) {
            try {
                mac::bound::ConstructString(&string);
                ADD_FAILURE() << "bound without Support";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "member function is not found");
            }
            EXPECT_EQ(mac::stub::StringConstruct::cell.function, 0u);
            EXPECT_EQ(PlatSymFinder::LookupCount(ctor), attempt);
        }
    });
}

TEST_F(MacHost, InterfaceFunctionsAreTheInterfaceLibrarysOwn)
{
    pvtest::InFreshProcess([&] {
        Start(52);
        EXPECT_EQ(reinterpret_cast<void*>(mac::bound::ExprEnvExecuteSQL()), dlsym(RTLD_DEFAULT, "FM_ExprEnv_ExecuteSQL"));
        EXPECT_EQ(reinterpret_cast<void*>(mac::bound::BinaryDataGetFNAMData()),
                  dlsym(RTLD_DEFAULT, "FM_BinaryData_GetFNAMData"));
        EXPECT_EQ(reinterpret_cast<void*>(mac::bound::BinaryDataAddFNAMData()),
                  dlsym(RTLD_DEFAULT, "FM_BinaryData_AddFNAMData"));
        EXPECT_EQ(reinterpret_cast<void*>(mac::bound::DataGetFontID()), dlsym(RTLD_DEFAULT, "FM_Data_GetFontID"));
        EXPECT_EQ(reinterpret_cast<void*>(mac::bound::DataGetFontInfo()), dlsym(RTLD_DEFAULT, "FM_Data_GetFontInfo"));

        FMError err{1, 0};
        FMBinaryData* binary = FM_BinaryData_Constructor1(&err);
        EXPECT_EQ(mac::bound::BinaryDataAddSIZEData()(binary, 640, 480, &err), 0);
        std::int16_t width = 0, height = 0;
        EXPECT_EQ(mac::bound::BinaryDataGetSIZEData()(binary, &width, &height, &err), 0);
        EXPECT_EQ(width, 640);
        EXPECT_EQ(height, 480);
        FM_BinaryData_Delete(binary, &err);
        EXPECT_EQ(PlatSymFinder::LookupCount("_FM_BinaryData_AddSIZEData"), 1u);
    });
}

TEST(PlatBinding, WithoutAFinderNothingBinds)
{
    pvtest::InFreshProcess([&] {
        mac::SetBindingFinder(nullptr);
        try {
            mac::bound::GetSessionFromID(1);
            ADD_FAILURE() << "bound without a finder";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Bad access to fmx::Singleton<>::GetInstance");
        }
        EXPECT_EQ(mac::stub::GetSessionFromID::cell, nullptr);
    });
}

} // namespace
