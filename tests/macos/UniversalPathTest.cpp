// The host's universal paths of the macOS flavour: made from file references
// and turned back into them through the host's FilePlatformSpec, locations as
// the three host strings of a path, at a level of each string form. The
// host's frameworks are loaded as fmhost's mac mode loads them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fmapi/call_record.h"
#include "fmhost/MacHost.h"
#include "fmx/FilePath.h"
#include "macos/FileRefValue.h"
#include "macos/HostObjects.h"
#include "macos/PlatStubs.h"
#include "macos/PlatSymFinder.h"
#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/SystemSetup.h"
#include "support/fresh_process.h"

namespace {

// The shared file-path code names the host's path by the host's class.
Draco::UniversalPath& Host(void* path) { return *static_cast<Draco::UniversalPath*>(path); }

std::int32_t g_level = 0;
std::int32_t Level() { return g_level; }

// One of the three strings as the host converts it.
std::string Text(mac::UnistringData& strings, int k)
{
    char out[256];
    unsigned long size = sizeof out;
    return mac::bound::ConvertToNonUnichars(strings.At(k), out, &size, fmapi::mac::kHostEncodingUtf8)
               ? std::string(out, size)
               : std::string("failed");
}

class UniversalPaths : public ::testing::TestWithParam<std::int32_t> {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/pv-macupath-XXXXXX";
        folder_ = mkdtemp(pattern);
        std::fclose(std::fopen((folder_ + "/Contacts.fmp12").c_str(), "w"));
        ASSERT_EQ(mkdir((folder_ + "/Sub Folder").c_str(), 0755), 0);
        ASSERT_TRUE(macsetup::MountVolume("Data", folder_));
        std::string error;
        const std::string app = fmhost::HostApplicationFolder(error);
        ASSERT_FALSE(app.empty()) << error;
        ASSERT_TRUE(fmhost::LoadMacHost(GetParam(), app, error)) << error;
        g_level = GetParam();
        mac::SetBindingLevelSource(&Level);
        finder_ = std::make_unique<PlatSymFinder>(&record_);
        mac::SetBindingFinder(finder_.get());
    }
    void TearDown() override
    {
        mac::SetBindingFinder(nullptr);
        finder_.reset();
        macsetup::UnmountVolumes();
        if (std::system(("rm -rf '" + folder_ + "'").c_str()) != 0) {
        }
    }

    // Blocks of the host's operator new still held.
    std::int64_t LiveBlocks()
    {
        CFBundleRef bundle = finder_->FindFramework("MSLRuntime");
        CFStringRef name = CFStringCreateWithCString(nullptr, "PVMSLRuntime_LiveBlocks", kCFStringEncodingUTF8);
        void* function = bundle ? CFBundleGetFunctionPointerForName(bundle, name) : nullptr;
        CFRelease(name);
        return function ? reinterpret_cast<std::int64_t (*)()>(function)() : -1;
    }

    std::string folder_;
    fmapi::CallRecord record_{};
    std::unique_ptr<PlatSymFinder> finder_;
};

TEST_P(UniversalPaths, FromFileReferencesAndBack)
{
    pvtest::InFreshProcess([&] {
        const std::int64_t live = LiveBlocks();
        FSRef file, folder;
        ASSERT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>("/Volumes/Data/Contacts.fmp12"), &file, nullptr), noErr);
        ASSERT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>("/Volumes/Data/Sub Folder"), &folder, nullptr), noErr);

        mac::FileRefValue value;
        fmapi::mac::UniversalPathLayout path{};
        EXPECT_FALSE(mac::SetUniversalPathFromFileRef(&path, value));   // no reference yet
        ASSERT_TRUE(value.SetFromFSRef(file, true));
        ASSERT_TRUE(mac::SetUniversalPathFromFileRef(&path, value));
        mac::FileRefValue back;
        ASSERT_TRUE(mac::GetFileRefOfUniversalPath(&path, back));
        EXPECT_EQ(back.valid, 1u);
        EXPECT_TRUE(back.IsSameAs(file));

        // The location of the host's path, and the host's path of a location.
        fmx::FilePath location;
        ASSERT_TRUE(location.SetFromUniversalPath(Host(&path)));
        std::string text;
        location.GetText(text);
        EXPECT_EQ(text, "filemac:/Data/Contacts.fmp12");
        fmapi::mac::UniversalPathLayout again{};
        ASSERT_TRUE(location.ToUniversalPath(Host(&again)));
        EXPECT_EQ(again.record, path.record);

        // A file that is gone: the host's answer still succeeds, the value stays empty.
        ASSERT_EQ(std::remove((folder_ + "/Contacts.fmp12").c_str()), 0);
        mac::FileRefValue gone;
        EXPECT_TRUE(mac::GetFileRefOfUniversalPath(&path, gone));
        EXPECT_EQ(gone.valid, 0u);
        EXPECT_FALSE(location.SetFromUniversalPath(Host(&path)));
        EXPECT_FALSE(location.ToUniversalPath(Host(&again)));

        // A folder is no file; the empty path names none.
        EXPECT_FALSE(value.SetFromFSRef(folder, true));
        mac::FileRefValue none;
        EXPECT_FALSE(mac::GetFileRefOfUniversalPath(mac::bound::EmptyUniversalPath(), none));
        EXPECT_EQ(none.valid, 0u);
        EXPECT_EQ(LiveBlocks(), live);
    });
}

TEST_P(UniversalPaths, LocationsAsThreeHostStrings)
{
    pvtest::InFreshProcess([&] {
        const std::int64_t live = LiveBlocks();
        {
            mac::UnistringData strings;
            fmx::FilePath location;
            ASSERT_TRUE(location.SetFromText("filemac:/Data/Sub Folder/Report 1.txt"));
            ASSERT_TRUE(mac::SetUniversalPathFromLocation(strings, location));
            EXPECT_EQ(Text(strings, 0), "filemac");
            EXPECT_EQ(Text(strings, 1), "\xEE\x80\x80" "Data\xEE\x80\x80" "Sub Folder\xEE\x80\x80");
            EXPECT_EQ(Text(strings, 2), "Report 1.txt");
            ASSERT_TRUE(location.SetFromText("fmnet:/host.example/Sales.fmp12"));
            ASSERT_TRUE(mac::SetUniversalPathFromLocation(strings, location));
            EXPECT_EQ(Text(strings, 0), "fmnet");
            EXPECT_EQ(Text(strings, 1), "\xEE\x80\x80" "host.example\xEE\x80\x80");
            EXPECT_EQ(Text(strings, 2), "Sales.fmp12");

            for (const char* refused : {"filewin:/C:/a.txt", "filemac:/Data/folder/", "fmname:Sales"}) {
                ASSERT_TRUE(location.SetFromText(refused)) << refused;
                EXPECT_FALSE(mac::SetUniversalPathFromLocation(strings, location)) << refused;
            }
            EXPECT_EQ(Text(strings, 2), "Sales.fmp12");
        }
        EXPECT_EQ(LiveBlocks(), live);
    });
}

INSTANTIATE_TEST_SUITE_P(Host, UniversalPaths, ::testing::Values(50, 55),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                             return "Level" + std::to_string(info.param);
                         });

} // namespace
