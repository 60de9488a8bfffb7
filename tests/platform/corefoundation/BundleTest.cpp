// Bundles: the product bundle generated from the resource description, test
// bundles with variant resources, bundles made on the fly, frameworks.
#include <gtest/gtest.h>

#include <elf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/Files.h"
#include "platform/corefoundation/SystemSetup.h"
#include "tests/platform/corefoundation/Support.h"
#include "tests/support/fresh_process.h"

using cftest::Path;
using cftest::Ref;
using cftest::Str;
using cftest::Utf8;

namespace {

const std::string kProduct = PV_BIN_DIR "/Plotvane.fmplugin";
const std::string kBundles = PV_TEST_BUNDLES;

CFBundleRef Open(const std::string& path) {
    Ref<CFURLRef> url(cftest::FolderURL(path));
    return CFBundleCreate(nullptr, url.get());
}

std::string InfoString(CFBundleRef bundle, const char* key) {
    Ref<CFStringRef> k(Str(key));
    CFTypeRef v = CFBundleGetValueForInfoDictionaryKey(bundle, k.get());
    if (v == nullptr) {
        return "<missing>";
    }
    return CFGetTypeID(v) == CFStringGetTypeID() ? Utf8(static_cast<CFStringRef>(v)) : "<other>";
}

// What the plug-in does for a string id: the decimal key, the key as the
// default, "the key itself back" meaning no entry.
std::string Localized(CFBundleRef bundle, int id, bool* missing = nullptr) {
    Ref<CFStringRef> format(Str("%d"));
    CFStringRef key = CFStringCreateWithFormat(nullptr, nullptr, format.get(), id);
    CFStringRef found = CFBundleCopyLocalizedString(bundle, key, key, nullptr);
    const bool isKey = found == key;
    if (missing != nullptr) {
        *missing = isKey;
    }
    const std::string text = Utf8(found);
    CFRelease(found);
    EXPECT_EQ(1, CFGetRetainCount(key)) << "the answer's reference was not the caller's";
    CFRelease(key);
    return isKey ? std::string() : text;
}

}  // namespace

TEST(CFBundle, ProductBundleFromTheResourceDescription) {
    Ref<CFBundleRef> bundle(Open(kProduct));
    ASSERT_TRUE(bundle);
    EXPECT_EQ("1.0.0", InfoString(bundle.get(), "CFBundleShortVersionString"));
    EXPECT_EQ("36", InfoString(bundle.get(), "CFBundleVersion"));
    EXPECT_EQ("release", InfoString(bundle.get(), "KestrinDevStage"));
    EXPECT_EQ("Plotvane", InfoString(bundle.get(), "CFBundleExecutable"));
    EXPECT_EQ("com.vanecraft.plotvane", InfoString(bundle.get(), "CFBundleIdentifier"));
    EXPECT_EQ("<missing>", InfoString(bundle.get(), "NoSuchKey"));

    EXPECT_EQ("Plotvane", Localized(bundle.get(), 128));
    EXPECT_EQ("Vanecraft Plotvane", Localized(bundle.get(), 129));
    EXPECT_EQ("PLVN1YnYYnn", Localized(bundle.get(), 131));
    EXPECT_EQ("Copyright (c) 2026 Vanecraft. All rights reserved.", Localized(bundle.get(), 23000));
    EXPECT_EQ("release", Localized(bundle.get(), 23001));
    bool missing = false;
    EXPECT_EQ("", Localized(bundle.get(), 130, &missing));
    EXPECT_TRUE(missing);
    // Without a default, a missing key answers the key.
    Ref<CFStringRef> key(Str("nope"));
    Ref<CFStringRef> value(Str("fallback"));
    Ref<CFStringRef> withValue(CFBundleCopyLocalizedString(bundle.get(), key.get(), value.get(), nullptr));
    EXPECT_EQ(value.get(), withValue.get());

    // The executable: the product's module, with its entry point.
    Ref<CFURLRef> executable(CFBundleCopyExecutableURL(bundle.get()));
    EXPECT_NE(nullptr, executable.get());
    EXPECT_TRUE(CFBundleLoadExecutable(bundle.get()));
    Ref<CFStringRef> entry(Str("FMExternCallProc"));
    EXPECT_NE(nullptr, CFBundleGetFunctionPointerForName(bundle.get(), entry.get()));
}

TEST(CFBundle, VariantResourcesAndMissingKeys) {
    Ref<CFBundleRef> variant(Open(kBundles + "/Variant.fmplugin"));
    ASSERT_TRUE(variant);
    EXPECT_EQ("1.2", InfoString(variant.get(), "CFBundleShortVersionString"));
    EXPECT_EQ("9", InfoString(variant.get(), "CFBundleVersion"));
    EXPECT_EQ("Beta", InfoString(variant.get(), "KestrinDevStage"));
    EXPECT_EQ("A \"quoted\" \\ text", Localized(variant.get(), 129));
    Ref<CFBundleRef> bare(Open(kBundles + "/Bare.fmplugin"));
    ASSERT_TRUE(bare);
    EXPECT_EQ("<missing>", InfoString(bare.get(), "CFBundleShortVersionString"));
    EXPECT_EQ("<missing>", InfoString(bare.get(), "KestrinDevStage"));
    EXPECT_EQ("1", InfoString(bare.get(), "CFBundleVersion"));
}

TEST(CFBundle, OneObjectPerFolderAndTheMainBundleFirst) {
    // Every bundle the process knows is counted: none of earlier tests'.
    pvtest::InFreshProcess([&] {
        EXPECT_EQ(nullptr, CFBundleGetMainBundle());
        Ref<CFBundleRef> a(Open(kProduct));
        Ref<CFBundleRef> b(Open(kProduct + "/"));
        EXPECT_EQ(a.get(), b.get());
        EXPECT_EQ(nullptr, Open(kBundles + "/NoSuch.fmplugin"));

        ASSERT_TRUE(macsetup::SetMainBundle(kBundles + "/Variant.fmplugin"));
        CFBundleRef main = CFBundleGetMainBundle();
        ASSERT_NE(nullptr, main);
        EXPECT_EQ(kBundles + "/Variant.fmplugin", Path(Ref<CFURLRef>(CFBundleCopyBundleURL(main)).get()));
        CFArrayRef all = CFBundleGetAllBundles();
        ASSERT_EQ(2, CFArrayGetCount(all));
        EXPECT_EQ(main, CFArrayGetValueAtIndex(all, 0));
        EXPECT_EQ(a.get(), CFArrayGetValueAtIndex(all, 1));
        EXPECT_FALSE(macsetup::SetMainBundle(kBundles + "/NoSuch.fmplugin"));
        EXPECT_EQ(nullptr, CFBundleGetMainBundle());
    });
}

TEST(CFBundle, PrivateFrameworksRelativeToTheBundle) {
    cftest::TempFolder root;
    root.Write("FMHost.app/Contents/Info.plist", cftest::Plist("<dict/>"));
    Ref<CFBundleRef> host(Open(root.path() + "/FMHost.app"));
    Ref<CFURLRef> url(CFBundleCopyBundleURL(host.get()));
    Ref<CFURLRef> frameworks(CFBundleCopyPrivateFrameworksURL(host.get()));
    Ref<CFStringRef> path(CFURLCopyPath(frameworks.get()));
    EXPECT_EQ("Contents/Frameworks/", Utf8(path.get()));
    EXPECT_EQ(root.path() + "/FMHost.app/Contents/Frameworks", Path(frameworks.get()));
    // The host's way to its frameworks folder: the relative path appended to the bundle.
    Ref<CFURLRef> appended(CFURLCreateCopyAppendingPathComponent(nullptr, url.get(), path.get(), false));
    EXPECT_EQ(root.path() + "/FMHost.app/Contents/Frameworks", Path(appended.get()));

    macsetup::FailCalls("CFBundleCopyPrivateFrameworksURL");
    EXPECT_EQ(nullptr, CFBundleCopyPrivateFrameworksURL(host.get()));
    macsetup::ClearFailures();
}

TEST(CFBundle, InfoPlistValuesAndDamagedLists) {
    cftest::TempFolder root;
    root.Write("Good.bundle/Contents/Info.plist", cftest::Plist(
        "<dict><key>Name</key><string>A &amp; B</string>"
        "<key>Count</key><integer>-42</integer><key>Ratio</key><real>0.5</real>"
        "<key>On</key><true/><key>Off</key><false/>"
        "<key>Bytes</key><data>AAEC/w==</data>"
        "<key>List</key><array><string>x</string><dict><key>k</key><integer>1</integer></dict></array>"
        "</dict>"));
    Ref<CFBundleRef> good(Open(root.path() + "/Good.bundle"));
    CFDictionaryRef info = CFBundleGetInfoDictionary(good.get());
    EXPECT_EQ(7, CFDictionaryGetCount(info));
    EXPECT_EQ("A & B", InfoString(good.get(), "Name"));
    Ref<CFStringRef> countKey(Str("Count"));
    int count = 0;
    ASSERT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(info, countKey.get())),
                                 kCFNumberIntType, &count));
    EXPECT_EQ(-42, count);
    Ref<CFStringRef> onKey(Str("On"));
    EXPECT_EQ(static_cast<CFTypeRef>(kCFBooleanTrue), CFDictionaryGetValue(info, onKey.get()));
    Ref<CFStringRef> bytesKey(Str("Bytes"));
    auto data = static_cast<CFDataRef>(CFDictionaryGetValue(info, bytesKey.get()));
    ASSERT_EQ(4, CFDataGetLength(data));
    EXPECT_EQ(0xFF, CFDataGetBytePtr(data)[3]);
    Ref<CFStringRef> listKey(Str("List"));
    auto list = static_cast<CFArrayRef>(CFDictionaryGetValue(info, listKey.get()));
    ASSERT_EQ(2, CFArrayGetCount(list));
    EXPECT_EQ(CFDictionaryGetTypeID(), CFGetTypeID(CFArrayGetValueAtIndex(list, 1)));

    // Damaged lists give an empty dictionary, never a part of one.
    const char* damaged[] = {
        "<dict><key>a</key></dict>",                                  // a key without value
        "<dict><string>x</string></dict>",                            // a value without key
        "<dict><key>a</key><integer>12x</integer></dict>",
        "<dict><key>a</key><date>2001-01-01T00:00:00Z</date></dict>", // not read here
        "<array><string>x</string></array>",                          // no dictionary
        "<dict><key>a</key><string>x</string>",                       // cut off
    };
    int i = 0;
    for (const char* body : damaged) {
        const std::string name = "Bad" + std::to_string(i++) + ".bundle";
        root.Write(name + "/Contents/Info.plist", cftest::Plist(body));
        Ref<CFBundleRef> bad(Open(root.path() + "/" + name));
        EXPECT_EQ(0, CFDictionaryGetCount(CFBundleGetInfoDictionary(bad.get()))) << body;
    }
}

TEST(CFBundle, StringsTablesByLocalization) {
    cftest::TempFolder root;
    root.Write("S.bundle/Contents/Info.plist",
               cftest::Plist("<dict><key>CFBundleDevelopmentRegion</key><string>German</string></dict>"));
    root.Write("S.bundle/Contents/Resources/German.lproj/Localizable.strings",
               "/* comment \"=\" */ \"1\" = \"eins\"; // line comment\n"
               "word = \"W\\u00f6rter\\n\\\"q\\\"\";\n\"pair\" = \"\\UD840\\UDC89\";\n\"same\";\n"
               "\"2\" = \"zwei (Deutsch)\";\n");
    // UTF-16 with a byte order mark, the way the system's tools write tables.
    std::string english = "\xFF\xFE";
    for (char c : std::string("\"2\" = \"two\";")) {
        english.push_back(c);
        english.push_back('\0');
    }
    root.Write("S.bundle/Contents/Resources/English.lproj/Localizable.strings", english);
    root.Write("S.bundle/Contents/Resources/Other.strings", "\"3\" = \"drei\";");
    root.Write("S.bundle/Contents/Resources/French.lproj/Localizable.strings", "\"1\" = broken");
    Ref<CFBundleRef> bundle(Open(root.path() + "/S.bundle"));

    auto look = [&](const char* key, const char* table) {
        Ref<CFStringRef> k(Str(key));
        Ref<CFStringRef> t(table != nullptr ? Str(table) : nullptr);
        Ref<CFStringRef> v(CFBundleCopyLocalizedString(bundle.get(), k.get(), nullptr, t.get()));
        return Utf8(v.get());
    };
    EXPECT_EQ("two", look("2", nullptr));            // English first
    EXPECT_EQ("eins", look("1", nullptr));           // then the development region
    EXPECT_EQ("W\xC3\xB6rter\n\"q\"", look("word", nullptr));
    EXPECT_EQ("\xF0\xA0\x82\x89", look("pair", nullptr));
    EXPECT_EQ("same", look("same", nullptr));
    EXPECT_EQ("drei", look("3", "Other"));
    EXPECT_EQ("3", look("3", nullptr));              // not in this table: the key
    macsetup::SetPreferredLocalizations({"French", "German"});
    EXPECT_EQ("zwei (Deutsch)", look("2", nullptr)); // a damaged table is skipped
    macsetup::Reset();
}

TEST(CFBundle, FrameworksLoadTheirLibraryLocally) {
    Ref<CFBundleRef> kit(Open(kBundles + "/TestKit.framework"));
    ASSERT_TRUE(kit);
    EXPECT_EQ(kBundles + "/TestKit.framework/Versions/A/TestKit",
              Path(Ref<CFURLRef>(CFBundleCopyExecutableURL(kit.get())).get()));
    Ref<CFURLRef> frameworks(CFBundleCopyPrivateFrameworksURL(kit.get()));
    EXPECT_EQ("Frameworks/", Utf8(Ref<CFStringRef>(CFURLCopyPath(frameworks.get())).get()));
    EXPECT_FALSE(CFBundleIsExecutableLoaded(kit.get()));
    Ref<CFStringRef> name(Str("pvtest_which"));
    auto which = reinterpret_cast<int (*)()>(CFBundleGetFunctionPointerForName(kit.get(), name.get()));
    ASSERT_NE(nullptr, which);
    EXPECT_EQ(10, which());
    EXPECT_TRUE(CFBundleIsExecutableLoaded(kit.get()));
    Ref<CFStringRef> none(Str("pvtest_none"));
    EXPECT_EQ(nullptr, CFBundleGetFunctionPointerForName(kit.get(), none.get()));

    macsetup::FailCalls("CFBundleLoadExecutable");
    Ref<CFBundleRef> twin(Open(kBundles + "/TwinKit.framework"));
    EXPECT_FALSE(CFBundleLoadExecutable(twin.get()));
    EXPECT_TRUE(CFBundleLoadExecutable(twin.get()));
    macsetup::ClearFailures();
}

TEST(CFBundle, SystemPathsReadBelowTheSystemRoot) {
    cftest::TempFolder root;
    root.Write("System/Library/Frameworks/Kit.framework/Resources/Info.plist",
               cftest::Plist("<dict><key>CFBundleIdentifier</key><string>sys.kit</string></dict>"));
    EXPECT_EQ(nullptr, Open("/System/Library/Frameworks/Kit.framework"));
    macsetup::SetSystemRoot(root.path() + "/");
    Ref<CFBundleRef> kit(Open("/System/Library/Frameworks/Kit.framework"));
    ASSERT_TRUE(kit);
    EXPECT_EQ("sys.kit", InfoString(kit.get(), "CFBundleIdentifier"));
    EXPECT_EQ("/System/Library/Frameworks/Kit.framework",
              Path(Ref<CFURLRef>(CFBundleCopyBundleURL(kit.get())).get()));
    EXPECT_EQ(root.path() + "/System/x", macsetup::HostPath("/System/x"));
    EXPECT_EQ("/Systemx", macsetup::HostPath("/Systemx"));
    macsetup::Reset();
}

namespace {

// Dicts and arrays nested `levels` deep, the innermost holding one string.
std::string Nested(int levels) {
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
        open += i % 2 == 0 ? "<dict><key>k</key>" : "<array>";
        close.insert(0, i % 2 == 0 ? "</dict>" : "</array>");
    }
    return open + "<string>x</string>" + close;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(CFBundle, DeepPropertyListsRefused) {
    CFDictionaryRef atLimit = pvcf::ParsePropertyList(cftest::Plist(Nested(pvcf::kPropertyListDepthLimit)));
    ASSERT_NE(nullptr, atLimit);
    EXPECT_EQ(1, CFDictionaryGetCount(atLimit));
    CFRelease(atLimit);
    EXPECT_EQ(nullptr, pvcf::ParsePropertyList(cftest::Plist(Nested(pvcf::kPropertyListDepthLimit + 1))));
    // Refused while it is read, long before a structure of that depth exists
    // to be dropped.
    std::string deep;
    for (int i = 0; i < 300000; ++i) {
        deep += "<array>";
    }
    for (int i = 0; i < 300000; ++i) {
        deep += "</array>";
    }
    EXPECT_EQ(nullptr, pvcf::ParsePropertyList(cftest::Plist(deep)));
}

TEST(CFBundle, OnlyRegularFilesOfTheirKindsSizeAreRead) {
    cftest::TempFolder root;
    auto bundle = [&](const std::string& name) {
        root.Write(name + "/Contents/Info.plist",
                   cftest::Plist("<dict><key>CFBundleExecutable</key><string>X</string></dict>"));
        root.Write(name + "/Contents/Resources/English.lproj/Localizable.strings", "\"1\" = \"one\";");
        root.Write(name + "/Contents/Resources/X.rsrc", "");
        return name + "/Contents/";
    };
    auto replace = [&](const std::string& relative, const std::string& by) {
        const std::string file = root.path() + "/" + relative;
        ASSERT_EQ(0, unlink(file.c_str()));
        if (by == "fifo") {
            ASSERT_EQ(0, mkfifo(file.c_str(), 0644));
        } else {
            ASSERT_EQ(0, symlink(by.c_str(), file.c_str()));
        }
    };
    auto info = [&](const std::string& name) {
        Ref<CFBundleRef> b(Open(root.path() + "/" + name));
        return CFDictionaryGetCount(CFBundleGetInfoDictionary(b.get()));
    };
    auto one = [&](const std::string& name) {
        Ref<CFBundleRef> b(Open(root.path() + "/" + name));
        return Localized(b.get(), 1);
    };
    bundle("Sound.bundle");
    EXPECT_EQ(1, info("Sound.bundle"));
    EXPECT_EQ("one", one("Sound.bundle"));

    // Info.plist: an endless device, a pipe without writer, a list one byte
    // over its kind's size.
    replace(bundle("PlistZero.bundle") + "Info.plist", "/dev/zero");
    EXPECT_EQ(0, info("PlistZero.bundle"));
    replace(bundle("PlistPipe.bundle") + "Info.plist", "fifo");
    EXPECT_EQ(0, info("PlistPipe.bundle"));
    std::string big = cftest::Plist("<dict><key>CFBundleExecutable</key><string>X</string></dict>");
    big.insert(big.size() - 10, pvcf::kInfoPlistLimit + 1 - big.size(), ' ');
    root.Write(bundle("PlistBig.bundle") + "Info.plist", big);
    EXPECT_EQ(0, info("PlistBig.bundle"));
    big.erase(big.size() - 11, 1);  // at the size, still read
    root.Write(bundle("PlistFull.bundle") + "Info.plist", big);
    EXPECT_EQ(1, info("PlistFull.bundle"));

    // The strings table: a pipe, an endless random stream.
    replace(bundle("StringsPipe.bundle") + "Resources/English.lproj/Localizable.strings", "fifo");
    EXPECT_EQ("", one("StringsPipe.bundle"));
    replace(bundle("StringsRandom.bundle") + "Resources/English.lproj/Localizable.strings", "/dev/urandom");
    EXPECT_EQ("", one("StringsRandom.bundle"));

    // The resource file: the endless device is no file to open.
    replace(bundle("ResourceZero.bundle") + "Resources/X.rsrc", "/dev/zero");
    Ref<CFBundleRef> zero(Open(root.path() + "/ResourceZero.bundle"));
    EXPECT_EQ(-1, CFBundleOpenBundleResourceMap(zero.get()));
    EXPECT_EQ(fnfErr, ResError());
}

TEST(CFBundle, DamagedExecutablesRefusedBeforeLoading) {
    // Copies of a small framework library, each damaged one way; the loader
    // would map a segment past the file's end and fault on touching it.
    const std::string library = ReadAll(kBundles + "/TestKit.framework/Versions/A/TestKit");
    ASSERT_GT(library.size(), sizeof(Elf64_Ehdr));
    Elf64_Ehdr header;
    std::memcpy(&header, library.data(), sizeof header);
    cftest::TempFolder root;
    auto load = [&](const std::string& name, const std::string& bytes) {
        root.Write(name + ".framework/Resources/Info.plist",
                   cftest::Plist("<dict><key>CFBundleExecutable</key><string>" + name + "</string></dict>"));
        root.Write(name + ".framework/" + name, bytes);
        Ref<CFBundleRef> kit(Open(root.path() + "/" + name + ".framework"));
        Ref<CFStringRef> which(Str("pvtest_which"));
        return CFBundleGetFunctionPointerForName(kit.get(), which.get()) != nullptr;
    };
    EXPECT_TRUE(load("Whole", library));
    EXPECT_FALSE(load("Half", library.substr(0, library.size() / 2)));
    EXPECT_FALSE(load("Header", library.substr(0, sizeof header)));

    auto damaged = [&](const std::function<void(Elf64_Ehdr&, std::string&)>& damage) {
        std::string bytes = library;
        Elf64_Ehdr h;
        std::memcpy(&h, bytes.data(), sizeof h);
        damage(h, bytes);
        std::memcpy(&bytes[0], &h, sizeof h);
        return bytes;
    };
    EXPECT_FALSE(load("SectionsPast", damaged([](Elf64_Ehdr& h, std::string& b) { h.e_shoff = b.size(); })));
    EXPECT_FALSE(load("ManySegments", damaged([](Elf64_Ehdr& h, std::string&) { h.e_phnum = PN_XNUM; })));
    EXPECT_FALSE(load("SegmentPast", damaged([](Elf64_Ehdr& h, std::string& b) {
        for (int i = 0; i < h.e_phnum; ++i) {
            Elf64_Phdr p;
            std::memcpy(&p, &b[h.e_phoff + i * sizeof p], sizeof p);
            if (p.p_type == PT_LOAD && p.p_offset > 0) {
                p.p_filesz = b.size() - p.p_offset + 65536;  // its last pages past the end
                p.p_memsz = std::max(p.p_memsz, p.p_filesz);
                std::memcpy(&b[h.e_phoff + i * sizeof p], &p, sizeof p);
                return;
            }
        }
        FAIL() << "no segment to damage";
    })));
}
