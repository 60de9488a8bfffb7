// File URLs: relative URLs and their base, path components, file-system paths.
#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/platform/corefoundation/Support.h"

using cftest::Path;
using cftest::Ref;
using cftest::Str;
using cftest::Utf8;

TEST(CFURL, ComponentsAndFileSystemPaths) {
    Ref<CFURLRef> app(cftest::FolderURL("/Apps/FMHost.app"));
    EXPECT_EQ("/Apps/FMHost.app/", Utf8(Ref<CFStringRef>(CFURLCopyPath(app.get())).get()));
    EXPECT_EQ("FMHost.app", Utf8(Ref<CFStringRef>(CFURLCopyLastPathComponent(app.get())).get()));
    EXPECT_EQ("/Apps/FMHost.app", Path(app.get()));

    Ref<CFStringRef> name(Str("libVellumar.dylib"));
    Ref<CFURLRef> file(CFURLCreateCopyAppendingPathComponent(nullptr, app.get(), name.get(), false));
    EXPECT_EQ("/Apps/FMHost.app/libVellumar.dylib", Path(file.get()));
    Ref<CFURLRef> folder(CFURLCreateCopyDeletingLastPathComponent(nullptr, file.get()));
    EXPECT_EQ("/Apps/FMHost.app/", Utf8(Ref<CFStringRef>(CFURLCopyPath(folder.get())).get()));
    Ref<CFURLRef> root(cftest::FolderURL("/"));
    EXPECT_EQ("/", Utf8(Ref<CFStringRef>(CFURLCopyLastPathComponent(root.get())).get()));
    Ref<CFURLRef> stillRoot(CFURLCreateCopyDeletingLastPathComponent(nullptr, root.get()));
    EXPECT_EQ("/", Path(stillRoot.get()));

    // A path that does not fit (with its zero) is refused.
    UInt8 buffer[17];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(app.get(), true, buffer, 16));
    EXPECT_TRUE(CFURLGetFileSystemRepresentation(app.get(), true, buffer, 17));
    EXPECT_TRUE(CFEqual(app.get(), Ref<CFURLRef>(cftest::FolderURL("/Apps/FMHost.app/")).get()));
}

TEST(CFURL, RelativeURLsResolveAgainstTheirBase) {
    Ref<CFStringRef> relative(Str("sub/../doc.txt"));
    Ref<CFURLRef> url(CFURLCreateWithFileSystemPath(nullptr, relative.get(), kCFURLPOSIXPathStyle, false));
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    EXPECT_EQ(std::string(cwd) + "/doc.txt", Path(url.get()));
    UInt8 own[64];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(url.get(), false, own, sizeof own));
    EXPECT_STREQ("sub/../doc.txt", reinterpret_cast<char*>(own));
    Ref<CFURLRef> absolute(CFURLCopyAbsoluteURL(url.get()));
    EXPECT_EQ(std::string(cwd) + "/doc.txt", Utf8(Ref<CFStringRef>(CFURLCopyPath(absolute.get())).get()));
    EXPECT_EQ("doc.txt", Utf8(Ref<CFStringRef>(CFURLCopyLastPathComponent(url.get())).get()));
}
