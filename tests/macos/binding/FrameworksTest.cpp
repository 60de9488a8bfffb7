// The host's frameworks in FMHost.app: every bound operation under its name
// in its framework, calls outside a framework's levels refused, MSLRuntime
// loaded with local binding.
#include <cxxabi.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "MacHostFixture.h"
#include "fmapi/fm_api.h"
#include "world/World.h"
#include "tests/support/fresh_process.h"

namespace {

using fmapi::mac::SymbolId;
using fmapi::mac::SymbolOf;
using mactest::MacHost;

std::string Demangled(const char* name)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && text ? std::string(text.get()) : "(status " + std::to_string(status) + ")";
}

// Levels at which a framework of each kind defines the operation: the
// older host's FMEngine below 51, the split frameworks from 51.
std::vector<std::int32_t> DefiningLevels(const fmapi::mac::Symbol& symbol)
{
    std::vector<std::int32_t> levels;
    if (symbol.lo < fmapi::mac::kSplitFrameworksLevel)
        levels.push_back(symbol.lo);
    if (symbol.hi >= fmapi::mac::kSplitFrameworksLevel)
        levels.push_back(std::max(symbol.lo, fmapi::mac::kSplitFrameworksLevel));
    return levels;
}

TEST_F(MacHost, EveryNameResolvesInItsFrameworkAndDemanglesToItsSignature)
{
    pvtest::InFreshProcess([&] {
        Start(51);   // every framework loaded
        ASSERT_EQ(fmapi::mac::kSymbolCount, 47u);   // 36 members, 4 static functions and data, 7 interface functions
        for (const fmapi::mac::Symbol& symbol : fmapi::mac::kSymbols) {
            SCOPED_TRACE(symbol.id);
            for (std::int32_t level : DefiningLevels(symbol)) {
                const char* framework = fmapi::mac::FrameworkName(symbol.FrameworkAt(level));
                void* address = finder_->FindSymbol(framework, symbol.machO);
                ASSERT_NE(address, nullptr) << framework << " at level " << level;
                Dl_info info{};
                ASSERT_NE(dladdr(address, &info), 0);
                EXPECT_EQ(mactest::RealPath(info.dli_fname), mactest::RealPath(ImageOf(framework)))
                    << symbol.machO << " at level " << level;
            }
            const std::string elf = symbol.ElfName();
            EXPECT_EQ(std::string(symbol.machO), "_" + elf);
            if (symbol.IsItanium()) {
                EXPECT_EQ(Demangled(elf.c_str()), symbol.signature);
            } else {
                // A plain C function: no Itanium name, its signature under its own name.
                EXPECT_EQ(Demangled(elf.c_str()), "(status -2)");
                EXPECT_EQ(std::string(symbol.signature).rfind(elf + "(", 0), 0u) << symbol.signature;
            }
        }
    });
}

TEST_F(MacHost, FrameworksRefuseCallsOutsideTheirLevels)
{
    pvtest::InFreshProcess([&] {
        Start(54);
        hostworld::World& world = hostworld::World::Get();
        Draco::FMFileUser* file = world.AddFile("Refused.fmp12", "filemac:/Volumes/Data/Refused.fmp12");
        ASSERT_NE(file, nullptr);
        ASSERT_NE(world.AddLayout(*file, "List", false, 1), nullptr);
        for (const char* framework : {"FMEngine", "MSLRuntime", "Support"})
            Control<void (*)(std::int32_t)>(framework, "PVFramework_SetStrict")(0);
        auto faults = [&](const char* framework) {
            return Control<std::int32_t (*)()>(framework, "PVFramework_FaultCount")();
        };
        auto lastFault = [&](const char* framework) {
            return std::string(Control<const char* (*)()>(framework, "PVFramework_LastFault")());
        };

        // GetMemberName serves from level 55.
        Draco::HBAbstractKey key = file->layouts.AtIndex(1)->key;
        using Name = bool (*)(const void*, const Draco::HBAbstractKey*, void*);
        auto memberName = reinterpret_cast<Name>(
            finder_->FindSymbol("FMEngine", SymbolOf(SymbolId::FMLayoutCatalog_GetMemberName).machO));
        ASSERT_NE(memberName, nullptr);
        FMError err{1, 0};
        FMData* name = FM_Data_Constructor1(&err);
        EXPECT_TRUE(memberName(&file->layouts, &key, name));   // a non-strict framework goes on
        FM_Data_Delete(name, &err);
        EXPECT_EQ(faults("FMEngine"), 1);
        EXPECT_NE(lastFault("FMEngine").find("GetMemberName"), std::string::npos) << lastFault("FMEngine");
        EXPECT_NE(lastFault("FMEngine").find("the operation does not serve this API level"), std::string::npos);

        // FMEngine's strings are the older host's: Support has them from 51.
        fmapi::mac::HostString50 old{0, 0, nullptr};
        unsigned long size = 0;
        using ToBytes = bool (*)(const void*, char*, unsigned long*, std::int32_t);
        auto toBytes = reinterpret_cast<ToBytes>(
            finder_->FindSymbol("FMEngine", SymbolOf(SymbolId::unistring_ConvertToNonUnichars).machO));
        ASSERT_NE(toBytes, nullptr);
        toBytes(&old, nullptr, &size, fmapi::mac::kHostEncodingUtf8);
        EXPECT_EQ(faults("FMEngine"), 2);
        EXPECT_NE(lastFault("FMEngine").find("another framework serves the operation at this API level"),
                  std::string::npos);

        // The host's operator new is bound below level 51 only.
        auto hostNew = reinterpret_cast<void* (*)(std::size_t)>(finder_->FindSymbol("MSLRuntime", "__Znwm"));
        ASSERT_NE(hostNew, nullptr);
        void* block = hostNew(8);
        EXPECT_EQ(faults("MSLRuntime"), 1);
        reinterpret_cast<void (*)(void*) noexcept>(finder_->FindSymbol("MSLRuntime", "__ZdlPv"))(block);
        EXPECT_EQ(faults("MSLRuntime"), 2);

        // What serves this level goes through without a fault.
        fmapi::mac::HostError error{3, 0};
        mac::bound::SetErrorIndex(&error, 7);
        EXPECT_EQ(error.index, 7);
        EXPECT_EQ(faults("Support"), 0);
    });
}

TEST_F(MacHost, StrictFrameworksStopTheProcessOnARefusedCall)
{
    // The call dies in a process started afresh, at this test's level alone.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Start(55);
    auto count = reinterpret_cast<unsigned long (*)(const void*)>(
        finder_->FindSymbol("FMEngine", SymbolOf(SymbolId::DBCatalog_GetMemberCount).machO));
    ASSERT_NE(count, nullptr);
    Draco::DBCatalog catalog;
    EXPECT_DEATH(count(&catalog), "host framework fault: FMEngine: __ZNK5Draco9DBCatalog14GetMemberCountEv called "
                                  "at API level 55: the operation does not serve this API level");
}

TEST_F(MacHost, MSLRuntimeKeepsItsOperatorsToItselfAndCountsItsBlocks)
{
    pvtest::InFreshProcess([&] {
        Start(50);
        const std::int64_t live = LiveBlocks();
        void* theirs = finder_->FindSymbol("MSLRuntime", "__Znwm");
        ASSERT_NE(theirs, nullptr);
        EXPECT_NE(dlsym(RTLD_DEFAULT, "_Znwm"), theirs);   // local binding: nobody else's new
        auto own = std::make_unique<std::string>(1000, 'x');
        EXPECT_EQ(LiveBlocks(), live);

        std::vector<void*> blocks;
        for (std::size_t size : {0, 1, 4096})
            blocks.push_back(mac::bound::HostOperatorNew(size));
        EXPECT_EQ(LiveBlocks(), live + 3);
        for (void* block : blocks)
            mac::bound::HostOperatorDelete(block);
        mac::bound::HostOperatorDelete(nullptr);
        EXPECT_EQ(LiveBlocks(), live);
        EXPECT_EQ(Calls("MSLRuntime", SymbolId::OperatorNew), 3);
        EXPECT_EQ(Calls("MSLRuntime", SymbolId::OperatorDelete), 4);
    });
}

} // namespace
