// The platform symbol finder: frameworks among the process's bundles, symbol
// lookups, host callbacks and its construction.
#include <stdexcept>
#include <string>

#include "MacHostFixture.h"
#include "platform/corefoundation/SystemSetup.h"
#include "tests/support/fresh_process.h"

namespace {

using mactest::MacHost;

std::intptr_t Eleven(std::intptr_t a, std::intptr_t b) { return a * 100 + b; }

std::string PathOf(CFURLRef url)
{
    char path[1024];
    return url && CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path)
               ? std::string(path)
               : std::string();
}

TEST_F(MacHost, FindsAFrameworkInAnotherLetterCaseOnceAndOnlyKnownOnes)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        const std::size_t searches = PlatSymFinder::FrameworkSearchCount();
        CFBundleRef engine = finder_->FindFramework("FMEngine");
        ASSERT_NE(engine, nullptr);
        CFURLRef url = CFBundleCopyBundleURL(engine);
        EXPECT_EQ(mactest::RealPath(PathOf(url)), mactest::RealPath(app_ + "/Contents/Frameworks/FMEngine.framework"));
        CFRelease(url);
        EXPECT_EQ(finder_->FindFramework("fmENGINE"), engine);
        EXPECT_EQ(finder_->IsFrameworkLoaded("FMEngine"), engine);
        EXPECT_EQ(PlatSymFinder::FrameworkSearchCount(), searches + 2);   // each name searched once

        EXPECT_EQ(finder_->FindFramework("Carbon"), nullptr);
        EXPECT_EQ(finder_->FindFramework("FMEngine.framework"), nullptr);
        EXPECT_EQ(finder_->FindFramework(""), nullptr);
        EXPECT_EQ(finder_->IsFrameworkLoaded(nullptr), nullptr);
        // With ".framework" the name must fit in 255 bytes: no search beyond.
        const std::size_t before = PlatSymFinder::FrameworkSearchCount();
        EXPECT_EQ(finder_->FindFramework(std::string(246, 'F').c_str()), nullptr);
        EXPECT_EQ(PlatSymFinder::FrameworkSearchCount(), before);
        EXPECT_EQ(finder_->FindFramework(std::string(245, 'F').c_str()), nullptr);
        EXPECT_EQ(PlatSymFinder::FrameworkSearchCount(), before + 1);

        // Symbols only where the framework defines them.
        const char* count = fmapi::mac::SymbolOf(fmapi::mac::SymbolId::DBCatalog_GetMemberCount).machO;
        EXPECT_NE(finder_->FindSymbol("FMEngine", count), nullptr);
        EXPECT_EQ(finder_->FindSymbol("NoSuchKit", count), nullptr);
        EXPECT_EQ(finder_->FindSymbol("FMEngine", "__ZN5Draco9NoSuchOneEv"), nullptr);
        const PlatSymFinder::BoundMember none = finder_->FindMemberFunction("FMEngine", "__ZN5Draco9NoSuchOneEv");
        EXPECT_EQ(none.function, 0u);
        EXPECT_EQ(none.adjustment, 0);
        const PlatSymFinder::BoundMember found = finder_->FindMemberFunction("FMEngine", count);
        EXPECT_EQ(found.function, reinterpret_cast<std::uintptr_t>(finder_->FindSymbol("FMEngine", count)));
        EXPECT_EQ(found.adjustment, 0);
        EXPECT_EQ(finder_->FindDataSymbol("FMEngine", "__ZN5Draco27kSupport_EmptyUniversalPathE"),
                  finder_->FindSymbol("FMEngine", "__ZN5Draco27kSupport_EmptyUniversalPathE"));
        try {
            finder_->FindStaticFunction("NoSuchKit", count);
            ADD_FAILURE() << "a missing framework gave an address";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "static function loading failed");
        }
    });
}

TEST_F(MacHost, HostCallbacksAnswerByIndexBelowTwelve)
{
    pvtest::InFreshProcess([&] {
        record_.callbacks[11] = &Eleven;
        Start(55);
        void* eleven = finder_->FindStaticFunction(PlatSymFinder::kCallbackFramework, reinterpret_cast<const char*>(11));
        EXPECT_EQ(reinterpret_cast<fmapi::HostCallback>(eleven)(3, 4), 304);
        EXPECT_EQ(mac::bound::HostCallback<11>()(5, 6), 506);
        // No callback in slot 0, and none at all from 12 on.
        for (std::uintptr_t index : {std::uintptr_t(0), std::uintptr_t(12), ~std::uintptr_t(0)}) {
            try {
                finder_->FindStaticFunction(PlatSymFinder::kCallbackFramework, reinterpret_cast<const char*>(index));
                ADD_FAILURE() << "callback " << index << " answered";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "static function loading failed");
            }
        }
        EXPECT_THROW(mac::bound::HostCallback<12>(), std::runtime_error);
    });
}

TEST_F(MacHost, KeepsThePrivateFrameworksLocationOfTheMainBundle)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        EXPECT_EQ(mactest::RealPath(PathOf(finder_->PrivateFrameworksURL())),
                  mactest::RealPath(app_ + "/Contents/Frameworks"));
    });
}

TEST(PlatSymFinder, InitializationFailsWithoutMainBundleOrItsLocations)
{
    auto fails = [] {
        fmapi::CallRecord record{};
        try {
            PlatSymFinder finder(&record);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no failure");
    };
    ASSERT_TRUE(macsetup::SetMainBundle(""));
    EXPECT_EQ(fails(), "PlatSymFinder initialization failed");

    std::string error;
    const std::string app = fmhost::HostApplicationFolder(error);
    ASSERT_TRUE(macsetup::SetMainBundle(app)) << error;
    for (const char* function : {"CFBundleCopyBundleURL", "CFBundleCopyPrivateFrameworksURL"}) {
        macsetup::FailCalls(function);
        EXPECT_EQ(fails(), "PlatSymFinder initialization failed") << function;
        macsetup::ClearFailures();
    }
    EXPECT_EQ(fails(), "no failure");
}

} // namespace
