// File Manager: references of files and folders made from file URLs, POSIX
// paths and names, their catalog information, the volume table, folders
// made, aliases resolved and data forks cut; the Folder and Process Manager.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/SystemSetup.h"
#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;

namespace {

const std::string kProduct = PV_BIN_DIR "/Plotvane.fmplugin";

std::u16string Name(const HFSUniStr255& name) {
    return std::u16string(reinterpret_cast<const char16_t*>(name.unicode), name.length);
}

OSStatus MakeRef(const std::string& path, FSRef* ref, Boolean* isFolder = nullptr) {
    return FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), ref, isFolder);
}

std::string PathOf(const FSRef& ref) {
    char path[1024];
    return FSRefMakePath(&ref, reinterpret_cast<UInt8*>(path), sizeof path) == noErr ? std::string(path)
                                                                                     : std::string("<none>");
}

const UniChar* Units(const std::u16string& text) { return reinterpret_cast<const UniChar*>(text.data()); }

OSErr Child(const FSRef& parent, const std::u16string& name, FSRef* out) {
    return FSMakeFSRefUnicode(&parent, name.size(), Units(name), kTextEncodingUnknown, out);
}

OSErr MakeFolder(const FSRef& parent, const std::u16string& name, FSRef* out) {
    return FSCreateDirectoryUnicode(&parent, name.size(), Units(name), kFSCatInfoNone, nullptr, out, nullptr,
                                    nullptr);
}

class Volumes : public ::testing::Test {
protected:
    void TearDown() override { macsetup::Reset(); }
    cftest::TempFolder startup_;
    cftest::TempFolder data_;
};

// The start-up volume over a folder of its own, a volume whose name holds a
// slash mounted beside it: paths, names, parents and the walk of volumes.
TEST_F(Volumes, PathsNamesAndTheWalkOfVolumes) {
    ASSERT_TRUE(macsetup::SetStartupVolume("HD", startup_.path()));
    ASSERT_TRUE(macsetup::MountVolume("Data/2024", data_.path()));
    EXPECT_FALSE(macsetup::MountVolume("data/2024", startup_.path()));  // the name is taken
    EXPECT_FALSE(macsetup::MountVolume("hd", data_.path()));
    EXPECT_FALSE(macsetup::MountVolume("Gone", startup_.path() + "/missing"));
    startup_.Write("Users/a/b.txt", "b");
    data_.Write("x:y.txt", "x");

    FSRef ref, again;
    Boolean isFolder = true;
    ASSERT_EQ(MakeRef("/Users/a/b.txt", &ref, &isFolder), noErr);
    EXPECT_FALSE(isFolder);
    ASSERT_EQ(MakeRef("/Users//a/./b.txt", &again), noErr);
    EXPECT_EQ(FSCompareFSRefs(&ref, &again), noErr);
    EXPECT_EQ(PathOf(ref), "/Users/a/b.txt");
    EXPECT_EQ(MakeRef("/Users/a/c.txt", &again), fnfErr);
    EXPECT_EQ(MakeRef("Users/a/b.txt", &again), paramErr);
    char small[8];
    EXPECT_EQ(FSRefMakePath(&ref, reinterpret_cast<UInt8*>(small), sizeof small), paramErr);

    // ":" of a POSIX path is "/" of a name, both ways.
    FSRef root, file;
    ASSERT_EQ(MakeRef("/Volumes/Data:2024", &root, &isFolder), noErr);
    EXPECT_TRUE(isFolder);
    ASSERT_EQ(Child(root, u"x/y.txt", &file), noErr);
    EXPECT_EQ(PathOf(file), "/Volumes/Data:2024/x:y.txt");
    HFSUniStr255 name{};
    FSRef parent;
    ASSERT_EQ(FSGetCatalogInfo(&file, kFSCatInfoNone, nullptr, &name, nullptr, &parent), noErr);
    EXPECT_EQ(Name(name), u"x/y.txt");
    EXPECT_EQ(FSCompareFSRefs(&parent, &root), noErr);
    // A volume's root answers the volume's name and has no parent.
    ASSERT_EQ(FSGetCatalogInfo(&root, kFSCatInfoNone, nullptr, &name, nullptr, &parent), noErr);
    EXPECT_EQ(Name(name), u"Data/2024");
    const FSRef none{};
    EXPECT_EQ(std::memcmp(&parent, &none, sizeof none), 0);
    ASSERT_EQ(MakeRef("/", &root), noErr);
    ASSERT_EQ(FSGetCatalogInfo(&root, kFSCatInfoNone, nullptr, &name, nullptr, nullptr), noErr);
    EXPECT_EQ(Name(name), u"HD");

    // The walk: the start-up volume first, nsvErr past the last.
    std::vector<std::u16string> names;
    std::vector<std::string> roots;
    FSVolumeRefNum number = 0;
    for (ItemCount i = 1;
         FSGetVolumeInfo(kFSInvalidVolumeRefNum, i, &number, kFSVolInfoNone, nullptr, &name, &root) == noErr; ++i) {
        names.push_back(Name(name));
        roots.push_back(PathOf(root));
        EXPECT_EQ(number, -static_cast<int>(i));
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"HD", u"Data/2024"}));
    EXPECT_EQ(roots, (std::vector<std::string>{"/", "/Volumes/Data:2024"}));
    EXPECT_EQ(FSGetVolumeInfo(-2, 0, nullptr, kFSVolInfoNone, nullptr, &name, nullptr), noErr);
    EXPECT_EQ(Name(name), u"Data/2024");
    EXPECT_EQ(FSGetVolumeInfo(-3, 0, nullptr, kFSVolInfoNone, nullptr, &name, nullptr), nsvErr);

    // Unmounted, the volume's paths lie on the start-up volume, where there is nothing.
    macsetup::UnmountVolumes();
    EXPECT_EQ(MakeRef("/Volumes/Data:2024/x:y.txt", &again), fnfErr);
    EXPECT_EQ(FSGetVolumeInfo(kFSInvalidVolumeRefNum, 2, nullptr, kFSVolInfoNone, nullptr, &name, nullptr), nsvErr);
}

// Folders made by name; aliases (symbolic links) resolved, alone and in chains.
TEST_F(Volumes, FoldersMadeAndAliasesResolved) {
    ASSERT_TRUE(macsetup::SetStartupVolume("HD", startup_.path()));
    startup_.Write("a/file.txt", "f");
    ASSERT_EQ(mkdir((startup_.path() + "/a/target").c_str(), 0755), 0);
    ASSERT_EQ(symlink("target", (startup_.path() + "/a/link").c_str()), 0);
    ASSERT_EQ(symlink("/a/link", (startup_.path() + "/a/chain").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (startup_.path() + "/a/broken").c_str()), 0);

    FSRef a, made, found, file;
    ASSERT_EQ(MakeRef("/a", &a), noErr);
    ASSERT_EQ(MakeFolder(a, u"new", &made), noErr);
    EXPECT_EQ(PathOf(made), "/a/new");
    EXPECT_EQ(Child(a, u"new", &found), noErr);
    EXPECT_EQ(FSCompareFSRefs(&made, &found), noErr);
    EXPECT_EQ(MakeFolder(a, u"new", &found), dupFNErr);
    EXPECT_EQ(MakeFolder(a, u"..", &found), bdNamErr);
    EXPECT_EQ(Child(a, u"", &found), bdNamErr);
    const char16_t lone[] = {0xD800};
    EXPECT_EQ(FSMakeFSRefUnicode(&a, 1, reinterpret_cast<const UniChar*>(lone), 0, &found), bdNamErr);
    ASSERT_EQ(Child(a, u"file.txt", &file), noErr);
    EXPECT_EQ(MakeFolder(file, u"x", &found), dirNFErr);
    EXPECT_EQ(Child(a, u"missing", &found), fnfErr);

    // A link is a file of its own until resolved; a link as the parent is no folder.
    FSRef link;
    ASSERT_EQ(Child(a, u"link", &link), noErr);
    FSCatalogInfo info{0xFFFF};
    ASSERT_EQ(FSGetCatalogInfo(&link, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(info.nodeFlags, 0);
    EXPECT_EQ(MakeFolder(link, u"x", &found), dirNFErr);
    Boolean isFolder = false, aliased = false;
    ASSERT_EQ(FSResolveAliasFile(&link, true, &isFolder, &aliased), noErr);
    EXPECT_TRUE(isFolder);
    EXPECT_TRUE(aliased);
    EXPECT_EQ(PathOf(link), "/a/target");

    FSRef chain;
    ASSERT_EQ(Child(a, u"chain", &chain), noErr);
    FSRef once = chain;
    ASSERT_EQ(FSResolveAliasFile(&once, false, &isFolder, &aliased), noErr);
    EXPECT_EQ(PathOf(once), "/a/link");
    EXPECT_FALSE(isFolder);
    ASSERT_EQ(FSResolveAliasFile(&chain, true, &isFolder, &aliased), noErr);
    EXPECT_EQ(PathOf(chain), "/a/target");
    EXPECT_TRUE(isFolder);
    ASSERT_EQ(FSResolveAliasFile(&file, true, &isFolder, &aliased), noErr);
    EXPECT_FALSE(aliased);
    EXPECT_FALSE(isFolder);
    FSRef broken;
    ASSERT_EQ(Child(a, u"broken", &broken), noErr);
    EXPECT_EQ(FSResolveAliasFile(&broken, true, &isFolder, &aliased), fnfErr);

    macsetup::FailCalls("FSCreateDirectoryUnicode");
    EXPECT_EQ(MakeFolder(a, u"other", &found), ioErr);
    EXPECT_EQ(MakeFolder(a, u"other", &found), noErr);
}

// A data fork cut and lengthened; what cannot be written refuses.
TEST_F(Volumes, DataForkLength) {
    ASSERT_TRUE(macsetup::SetStartupVolume("HD", startup_.path()));
    startup_.Write("log.txt", std::string(100000, 'x'));
    FSRef file, folder;
    ASSERT_EQ(MakeRef("/log.txt", &file), noErr);
    ASSERT_EQ(MakeRef("/", &folder), noErr);
    HFSUniStr255 data{};
    ASSERT_EQ(FSGetDataForkName(&data), noErr);
    EXPECT_EQ(data.length, 0);
    FSIORefNum fork = 0, reading = 0;
    EXPECT_EQ(FSOpenFork(&folder, 0, data.unicode, fsWrPerm, &fork), notAFileErr);
    // A pipe has no data fork: refused at once, not waited on for a peer.
    ASSERT_EQ(mkfifo((startup_.path() + "/pipe").c_str(), 0644), 0);
    FSRef pipe;
    ASSERT_EQ(MakeRef("/pipe", &pipe), noErr);
    EXPECT_EQ(FSOpenFork(&pipe, 0, data.unicode, fsWrPerm, &fork), notAFileErr);
    EXPECT_EQ(FSOpenFork(&pipe, 0, data.unicode, fsRdPerm, &fork), notAFileErr);
    ASSERT_EQ(FSOpenFork(&file, 0, data.unicode, fsWrPerm, &fork), noErr);
    ASSERT_EQ(FSOpenFork(&file, 0, data.unicode, fsRdPerm, &reading), noErr);
    EXPECT_NE(fork, reading);
    EXPECT_EQ(FSSetForkSize(fork, fsFromStart, 4096), noErr);
    struct stat info {};
    ASSERT_EQ(stat((startup_.path() + "/log.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 4096);
    EXPECT_EQ(FSSetForkSize(fork, fsFromLEOF, 100), noErr);
    ASSERT_EQ(stat((startup_.path() + "/log.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 4196);
    EXPECT_EQ(FSSetForkSize(fork, fsFromStart, -1), paramErr);
    EXPECT_EQ(FSSetForkSize(reading, fsFromStart, 0), wrPermErr);
    EXPECT_EQ(FSCloseFork(fork), noErr);
    EXPECT_EQ(FSCloseFork(fork), rfNumErr);
    EXPECT_EQ(FSSetForkSize(fork, fsFromStart, 0), rfNumErr);
    EXPECT_EQ(FSCloseFork(reading), noErr);
}

// The user's folders under HOME, made when asked; the process's bundle.
TEST_F(Volumes, FoldersUnderHomeAndTheProcessBundle) {
    ASSERT_TRUE(macsetup::SetStartupVolume("HD", startup_.path()));
    startup_.Write("Users/me/.keep", "");
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    setenv("HOME", "/Users/me", 1);
    FSRef found;
    EXPECT_EQ(FSFindFolder(kUserDomain, FourCC("docs"), kDontCreateFolder, &found), fnfErr);
    ASSERT_EQ(FSFindFolder(kUserDomain, FourCC("docs"), kCreateFolder, &found), noErr);
    EXPECT_EQ(PathOf(found), "/Users/me/Documents");
    ASSERT_EQ(FSFindFolder(kUserDomain, FourCC("asup"), kCreateFolder, &found), noErr);
    EXPECT_EQ(PathOf(found), "/Users/me/Library/Application Support");
    ASSERT_EQ(FSFindFolder(kUserDomain, FourCC("pref"), kDontCreateFolder, &found), fnfErr);
    ASSERT_EQ(FSFindFolder(kUserDomain, FourCC("pref"), kCreateFolder, &found), noErr);
    EXPECT_EQ(PathOf(found), "/Users/me/Library/Preferences");
    struct stat info {};
    EXPECT_EQ(stat((startup_.path() + "/Users/me/Library/Preferences").c_str(), &info), 0);
    EXPECT_EQ(FSFindFolder(kUserDomain, FourCC("temp"), kCreateFolder, &found), paramErr);
    EXPECT_EQ(FSFindFolder(-32766, FourCC("docs"), kCreateFolder, &found), paramErr);
    // HOME an alias of the user's folder.
    ASSERT_EQ(symlink("me", (startup_.path() + "/Users/alias").c_str()), 0);
    setenv("HOME", "/Users/alias", 1);
    ASSERT_EQ(FSFindFolder(kUserDomain, FourCC("docs"), kDontCreateFolder, &found), noErr);
    EXPECT_EQ(PathOf(found), "/Users/me/Documents");
    setenv("HOME", "/Users/me/Documents/../../me/.keep", 1);
    EXPECT_EQ(FSFindFolder(kUserDomain, FourCC("docs"), kCreateFolder, &found), dirNFErr);
    unsetenv("HOME");
    EXPECT_EQ(FSFindFolder(kUserDomain, FourCC("docs"), kCreateFolder, &found), fnfErr);
    if (saved)
        setenv("HOME", savedHome.c_str(), 1);

    macsetup::Reset();
    ProcessSerialNumber process{};
    ASSERT_EQ(GetCurrentProcess(&process), noErr);
    EXPECT_EQ(GetProcessBundleLocation(&process, &found), procNotFound);  // no main bundle
    ASSERT_TRUE(macsetup::SetMainBundle(kProduct));
    ASSERT_EQ(GetProcessBundleLocation(&process, &found), noErr);
    EXPECT_EQ(PathOf(found), kProduct);
    const ProcessSerialNumber other{0, 77};
    EXPECT_EQ(GetProcessBundleLocation(&other, &found), procNotFound);
}

TEST(FileManager, ReferencesOfFoldersAndFiles) {
    FSRef folder, again, file;
    Ref<CFURLRef> url(cftest::FolderURL(kProduct));
    ASSERT_TRUE(CFURLGetFSRef(url.get(), &folder));
    ASSERT_TRUE(CFURLGetFSRef(url.get(), &again));
    EXPECT_EQ(std::memcmp(&folder, &again, sizeof folder), 0);  // one node, one reference

    FSCatalogInfo info{0xFFFF};
    HFSUniStr255 name{};
    FSRef parent;
    ASSERT_EQ(FSGetCatalogInfo(&folder, kFSCatInfoNodeFlags, &info, &name, nullptr, &parent), noErr);
    EXPECT_EQ(info.nodeFlags, kFSNodeIsDirectoryMask);
    EXPECT_EQ(Name(name), u"Plotvane.fmplugin");
    ASSERT_EQ(FSGetCatalogInfo(&parent, kFSCatInfoNone, nullptr, &name, nullptr, nullptr), noErr);
    EXPECT_EQ(Name(name), u"bin");

    Ref<CFURLRef> plist(cftest::FolderURL(kProduct + "/Contents/Info.plist"));
    ASSERT_TRUE(CFURLGetFSRef(plist.get(), &file));
    info.nodeFlags = 0xFFFF;
    ASSERT_EQ(FSGetCatalogInfo(&file, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(info.nodeFlags, 0);
}

TEST(FileManager, WhatHasNoReference) {
    FSRef ref;
    Ref<CFURLRef> missing(cftest::FolderURL(kProduct + "/Contents/Missing"));
    EXPECT_FALSE(CFURLGetFSRef(missing.get(), &ref));
    EXPECT_FALSE(CFURLGetFSRef(nullptr, &ref));
    std::memset(&ref, 0, sizeof ref);
    EXPECT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), paramErr);
    EXPECT_EQ(FSGetCatalogInfo(nullptr, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr), paramErr);
}

}  // namespace
