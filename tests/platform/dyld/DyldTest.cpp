// Symbol lookups over dlfcn: underscores, hinted images first, images
// loaded with local binding.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dyld/dyld.h"
#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;

namespace {

const std::string kBundles = PV_TEST_BUNDLES;
const std::string kTestKit = kBundles + "/TestKit.framework/Versions/A/TestKit";
const std::string kTwinKit = kBundles + "/TwinKit.framework/Versions/A/TwinKit";
const char kWhich[] = "__ZNK3Kit5Probe5WhichEv";  // Kit::Probe::Which() const

// Loads a framework as the host does: through its bundle, with local binding.
void LoadFramework(const char* name) {
    Ref<CFURLRef> url(cftest::FolderURL(kBundles + "/" + name + ".framework"));
    Ref<CFBundleRef> bundle(CFBundleCreate(nullptr, url.get()));
    ASSERT_TRUE(bundle);
    ASSERT_TRUE(CFBundleLoadExecutable(bundle.get()));
}

int CallWhich(const char* hint) {
    NSSymbol symbol = NSLookupAndBindSymbolWithHint(kWhich, hint);
    if (symbol == nullptr) {
        return -1;
    }
    struct Probe {};
    // A const member without arguments: the object pointer is its only argument.
    auto which = reinterpret_cast<int (*)(const Probe*)>(NSAddressOfSymbol(symbol));
    Probe probe;
    return which(&probe);
}

}  // namespace

TEST(Dyld, HintedImageFirstAndLocalImagesFound) {
    EXPECT_FALSE(NSIsSymbolNameDefinedWithHint(kWhich, kTestKit.c_str()));
    LoadFramework("TestKit");
    LoadFramework("TwinKit");
    ASSERT_TRUE(NSIsSymbolNameDefinedWithHint(kWhich, kTestKit.c_str()));
    EXPECT_EQ(1, CallWhich(kTestKit.c_str()));
    EXPECT_EQ(2, CallWhich(kTwinKit.c_str()));
    // The hint names the file: another way to the same file is the same image.
    EXPECT_EQ(2, CallWhich((kBundles + "/TwinKit.framework/Versions/A/../A/TwinKit").c_str()));
    // Without a usable hint every image is searched.
    const int any = CallWhich(nullptr);
    EXPECT_TRUE(any == 1 || any == 2);
    EXPECT_EQ(any, CallWhich("/no/such/image"));
}

TEST(Dyld, ExactlyOneLeadingUnderscoreIsDropped) {
    LoadFramework("TestKit");
    const std::string hint = kTestKit;
    EXPECT_TRUE(NSIsSymbolNameDefinedWithHint("_pvtest_which", hint.c_str()));
    // The C name, as dlsym would take it, is no Mach-O name.
    EXPECT_FALSE(NSIsSymbolNameDefinedWithHint("pvtest_which", hint.c_str()));
    EXPECT_EQ(nullptr, NSLookupAndBindSymbolWithHint("pvtest_which", hint.c_str()));
    EXPECT_FALSE(NSIsSymbolNameDefinedWithHint("__pvtest_which", hint.c_str()));
    EXPECT_TRUE(NSIsSymbolNameDefinedWithHint(kWhich, hint.c_str()));
    EXPECT_FALSE(NSIsSymbolNameDefinedWithHint(kWhich + 1, hint.c_str()));  // "_ZNK..." is "ZNK..."
    EXPECT_EQ(nullptr, NSLookupAndBindSymbolWithHint("_pvtest_missing", hint.c_str()));
    EXPECT_FALSE(NSIsSymbolNameDefinedWithHint("", hint.c_str()));
    auto which = reinterpret_cast<int (*)()>(
        NSAddressOfSymbol(NSLookupAndBindSymbolWithHint("_pvtest_which", hint.c_str())));
    ASSERT_NE(nullptr, which);
    EXPECT_EQ(10, which());
}

TEST(Dyld, AddImageLoadsOrAnswersLoadedImages) {
    // An image no test here loads stays unloaded when only asked about.
    const std::string unloaded = PV_BIN_DIR "/Plotvane.fmplugin/Contents/MacOS/Plotvane";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(nullptr, NSAddImage(unloaded.c_str(), NSADDIMAGE_OPTION_RETURN_ONLY_IF_LOADED |
                                                            NSADDIMAGE_OPTION_RETURN_ON_ERROR));
    }
    EXPECT_EQ(nullptr, NSAddImage("/no/such/image", NSADDIMAGE_OPTION_RETURN_ON_ERROR));
    EXPECT_NE(nullptr, NSAddImage(kTwinKit.c_str(), NSADDIMAGE_OPTION_RETURN_ON_ERROR));
    EXPECT_NE(nullptr, NSAddImage(kTwinKit.c_str(), NSADDIMAGE_OPTION_RETURN_ONLY_IF_LOADED));
    EXPECT_TRUE(NSIsSymbolNameDefinedWithHint("_pvtest_which", kTwinKit.c_str()));
}

TEST(Dyld, AddImageRefusesACutImage) {
    // The first part of a library: mapping it whole would fault past its end.
    std::ifstream in(kTestKit, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8192u);
    const std::string cut = std::string(PV_BIN_DIR) + "/dyld-cut-image.so";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    EXPECT_EQ(nullptr, NSAddImage(cut.c_str(), NSADDIMAGE_OPTION_RETURN_ON_ERROR));
    std::remove(cut.c_str());
}

TEST(DyldDeathTest, AddImageFailureEndsTheProcessUnlessAsked) {
    EXPECT_DEATH(NSAddImage("/no/such/image", NSADDIMAGE_OPTION_NONE), "NSAddImage");
}
