// Resource Manager: bundles' resource files, the chain of open files, the
// format's checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/carbon/Carbon.h"
#include "platform/carbon/ResourceFile.h"
#include "platform/corefoundation/SystemSetup.h"
#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;

namespace {

const std::string kProduct = PV_BIN_DIR "/Plotvane.fmplugin";
const std::string kBundles = PV_TEST_BUNDLES;

CFBundleRef Open(const std::string& path) {
    Ref<CFURLRef> url(cftest::FolderURL(path));
    return CFBundleCreate(nullptr, url.get());
}

// A 'STR#' list read the way the plug-in walks it: never past the handle's size.
std::vector<std::string> Strings(Handle h) {
    std::vector<std::string> out;
    const Size size = GetHandleSize(h);
    const auto* p = reinterpret_cast<const unsigned char*>(*h);
    if (size < 2) {
        return out;
    }
    const int count = (p[0] << 8) | p[1];
    Size at = 2;
    for (int i = 0; i < count && at < size && at + 1 + p[at] <= size; ++i) {
        out.emplace_back(reinterpret_cast<const char*>(p + at + 1), p[at]);
        at += 1 + p[at];
    }
    return out;
}

// A bundle of a name whose resource file holds the given bytes.
void WriteBundle(const cftest::TempFolder& root, const std::string& name, const std::string& rsrc) {
    root.Write(name + ".fmplugin/Contents/Info.plist",
               cftest::Plist("<dict><key>CFBundleExecutable</key><string>" + name + "</string></dict>"));
    root.Write(name + ".fmplugin/Contents/Resources/" + name + ".rsrc", rsrc);
}

}  // namespace

TEST(Resources, ProductStringListFromTheResourceDescription) {
    Ref<CFBundleRef> bundle(Open(kProduct));
    ASSERT_EQ(0, CurResFile());
    const ResFileRefNum file = CFBundleOpenBundleResourceMap(bundle.get());
    ASSERT_GT(file, 0);
    EXPECT_EQ(file, CurResFile());
    Handle h = GetResource(FourCC("STR#"), 144);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(noErr, ResError());
    const std::vector<std::string> names = Strings(h);
    ASSERT_EQ(12u, names.size());
    EXPECT_EQ("PVane-Version", names[0]);
    EXPECT_EQ("", names[1]);
    EXPECT_EQ("", names[2]);
    EXPECT_EQ("PVane-SetupLog", names[3]);
    EXPECT_EQ("PVane-CreateChart", names[4]);
    EXPECT_EQ("PVane-GetLastResultCode", names[11]);
    EXPECT_EQ(h, Get1Resource(FourCC("STR#"), 144));  // loaded once
    EXPECT_EQ(nullptr, GetResource(FourCC("STR#"), 145));
    EXPECT_EQ(resNotFound, ResError());
    EXPECT_EQ(file, CFBundleOpenBundleResourceMap(bundle.get()));  // open already
    CFBundleCloseBundleResourceMap(bundle.get(), file);
    EXPECT_EQ(0, CurResFile());
    EXPECT_EQ(0, GetHandleSize(h));  // gone with its file
}

TEST(Resources, TheChainSearchesDownFromTheCurrentFile) {
    Ref<CFBundleRef> product(Open(kProduct));
    Ref<CFBundleRef> variant(Open(kBundles + "/Variant.fmplugin"));
    const ResFileRefNum host = CFBundleOpenBundleResourceMap(product.get());
    const ResFileRefNum plugin = CFBundleOpenBundleResourceMap(variant.get());
    ASSERT_GT(host, 0);
    ASSERT_GT(plugin, 0);
    ASSERT_NE(host, plugin);
    EXPECT_EQ(plugin, CurResFile());
    // Both have 'STR#' 144: the current file's wins.
    EXPECT_EQ((std::vector<std::string>{"", "abc-def", "a-b_c"}),
              Strings(GetResource(FourCC("STR#"), 144)));
    // 'STR#' 145 (a list cut short) is the plug-in's only: its size bounds the walk.
    Handle cut = GetResource(FourCC("STR#"), 145);
    ASSERT_NE(nullptr, cut);
    EXPECT_EQ(3, GetHandleSize(cut));
    EXPECT_TRUE(Strings(cut).empty());
    UseResFile(host);
    EXPECT_EQ(nullptr, GetResource(FourCC("STR#"), 145));  // not down the chain from the host's
    EXPECT_EQ(12u, Strings(GetResource(FourCC("STR#"), 144)).size());
    UseResFile(plugin);
    ReleaseResource(cut);
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ(0, GetHandleSize(cut));
    EXPECT_EQ(3, GetHandleSize(GetResource(FourCC("STR#"), 145)));

    // A file that is not open cannot be made current.
    UseResFile(777);
    EXPECT_EQ(resFNotFound, ResError());
    EXPECT_EQ(plugin, CurResFile());
    macsetup::FailCalls("UseResFile");
    UseResFile(host);
    EXPECT_EQ(resFNotFound, ResError());
    EXPECT_EQ(plugin, CurResFile());
    macsetup::ClearFailures();

    CloseResFile(plugin);
    EXPECT_EQ(host, CurResFile());
    CloseResFile(host);
}

TEST(Resources, MissingAndDamagedFilesDoNotOpen) {
    Ref<CFBundleRef> bare(Open(kBundles + "/Bare.fmplugin"));
    EXPECT_EQ(-1, CFBundleOpenBundleResourceMap(bare.get()));
    EXPECT_EQ(fnfErr, ResError());
    EXPECT_EQ(0, CurResFile());

    const std::string good = pvres::BuildResourceFile(
        {{FourCC("STR#"), 144, pvres::BuildStringList({"one", "two"})},
         {FourCC("data"), -5, std::string(1000, 'x')}});
    cftest::TempFolder root;
    WriteBundle(root, "Good", good);
    Ref<CFBundleRef> ok(Open(root.path() + "/Good.fmplugin"));
    const ResFileRefNum file = CFBundleOpenBundleResourceMap(ok.get());
    ASSERT_GT(file, 0);
    EXPECT_EQ(1000, GetHandleSize(Get1Resource(FourCC("data"), -5)));
    CloseResFile(file);

    // Every cut of the file is refused (the map or a resource's data is missing).
    for (std::size_t n = 0; n < good.size(); n += n < 64 ? 1 : 97) {
        std::vector<pvres::Resource> parsed;
        ASSERT_FALSE(pvres::ParseResourceFile(good.substr(0, n), parsed)) << n;
    }
    WriteBundle(root, "Cut", good.substr(0, good.size() - 1));
    Ref<CFBundleRef> cut(Open(root.path() + "/Cut.fmplugin"));
    EXPECT_EQ(-1, CFBundleOpenBundleResourceMap(cut.get()));
    EXPECT_EQ(mapReadErr, ResError());
    // A resource whose data overlaps the map.
    std::string overlap = good;
    overlap[19] = 8;
    std::vector<pvres::Resource> parsed;
    EXPECT_FALSE(pvres::ParseResourceFile(overlap, parsed));
    EXPECT_THROW(pvres::BuildResourceFile({{1, 1, ""}, {1, 1, ""}}), std::invalid_argument);
    EXPECT_THROW(pvres::BuildStringList({std::string(256, 'a')}), std::invalid_argument);
}
