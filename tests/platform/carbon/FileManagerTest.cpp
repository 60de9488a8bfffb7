// File Manager: references of files and folders made from file URLs, and
// their catalog information.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/carbon/Carbon.h"
#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;

namespace {

const std::string kProduct = PV_BIN_DIR "/Plotvane.fmplugin";

std::u16string Name(const HFSUniStr255& name) {
    return std::u16string(reinterpret_cast<const char16_t*>(name.unicode), name.length);
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
