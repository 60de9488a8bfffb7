// File locations: the path notation, Windows system paths, escapes, the
// file-name check, length limits, folders on disk and the host's universal
// paths.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/fmx/access/TestHost.h"
#include "fmx/FilePath.h"
#include "fmx/HostBinding.h"
#include "platform/win32/winfile.h"

namespace {

using fmx::FilePath;

FilePath FromText(const std::string& text)
{
    FilePath path;
    EXPECT_TRUE(path.SetFromText(text)) << text;
    return path;
}

std::wstring SysPathOf(const FilePath& path)
{
    std::wstring sys;
    EXPECT_TRUE(path.GetSysPath(sys));
    return sys;
}

std::string TextOf(const FilePath& path)
{
    std::string text;
    path.GetText(text);
    return text;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(PathNotation, DriveRoundTrip)
{
    const FilePath path = FromText("filewin:/C:/a/b.txt");
    EXPECT_EQ(path.GetKind(), FilePath::kFileWin);
    EXPECT_EQ(path.GetFolder(), "/C:/a/");
    EXPECT_EQ(path.GetName(), "b.txt");
    EXPECT_EQ(TextOf(path), "filewin:/C:/a/b.txt");
    EXPECT_EQ(SysPathOf(path), L"C:\\a\\b.txt");

    FilePath back;
    ASSERT_TRUE(back.SetFromSysPath(L"C:\\a\\b.txt"));
    EXPECT_EQ(back, path);
    ASSERT_TRUE(back.SetFromSysPath("c:/a/b.txt"));
    EXPECT_EQ(back.GetFolder(), "/c:/a/");
    EXPECT_EQ(SysPathOf(back), L"c:\\a\\b.txt");
}

TEST(PathNotation, NetworkShareRoundTrip)
{
    FilePath path;
    ASSERT_TRUE(path.SetFromSysPath(L"\\\\server\\share\\dir\\f.txt"));
    EXPECT_EQ(path.GetKind(), FilePath::kFileWin);
    EXPECT_EQ(path.GetFolder(), "//server/share/dir/");
    EXPECT_EQ(path.GetName(), "f.txt");
    EXPECT_EQ(TextOf(path), "filewin://server/share/dir/f.txt");
    EXPECT_EQ(FromText(TextOf(path)), path);
    EXPECT_EQ(SysPathOf(path), L"\\\\server\\share\\dir\\f.txt");
    // A share needs its server.
    EXPECT_FALSE(path.SetFromSysPath(L"\\\\"));
    EXPECT_FALSE(path.SetFromText("filewin://"));
}

TEST(PathNotation, FolderOnlyAndRelativeForms)
{
    const FilePath root = FromText("filewin:/D:/");
    EXPECT_EQ(root.GetFolder(), "/D:/");
    EXPECT_EQ(root.GetName(), "");
    EXPECT_EQ(SysPathOf(root), L"D:\\");

    const FilePath up = FromText("file:../../a/b.txt");
    EXPECT_EQ(up.GetKind(), FilePath::kFile);
    EXPECT_EQ(up.GetFolder(), "../../a/");
    EXPECT_EQ(up.GetName(), "b.txt");
    EXPECT_EQ(FromText("file:./x").GetFolder(), "");

    const FilePath mac = FromText("filemac:/Volumes/Disk/x.fp7");
    EXPECT_EQ(mac.GetKind(), FilePath::kFileMac);
    EXPECT_EQ(mac.GetFolder(), "/Volumes/Disk/");
    std::wstring sys;
    EXPECT_FALSE(mac.GetSysPath(sys));

    FilePath path;
    EXPECT_FALSE(path.SetFromText("filewin:C:/a"));      // no leading slash
    EXPECT_FALSE(path.SetFromText("filewin:/C:"));       // drive without a slash
    EXPECT_FALSE(path.SetFromText("filewin:/abc/x"));    // neither drive nor share
    EXPECT_FALSE(path.SetFromText("filewin/C:/a"));      // no colon after the prefix
    EXPECT_FALSE(path.SetFromText("http:/C:/a"));
    EXPECT_FALSE(path.SetFromText(""));
    EXPECT_EQ(path.GetKind(), FilePath::kNone);
}

TEST(PathNotation, PrefixIgnoresCase)
{
    const FilePath path = FromText("FileWin:/C:/a");
    EXPECT_EQ(path.GetKind(), FilePath::kFileWin);
    EXPECT_EQ(TextOf(path), "filewin:/C:/a");
    EXPECT_EQ(FromText("FMNAME:x").GetKind(), FilePath::kFmName);
    FilePath bad;
    EXPECT_FALSE(bad.SetFromText("\xE3:x"));
    EXPECT_FALSE(bad.SetFromText("filewi\xE3:/C:/a"));
    EXPECT_FALSE(bad.SetFromText("filewim:/C:/a"));
}

TEST(PathNotation, HostPathsHaveNoSystemPath)
{
    const FilePath net = FromText("fmnet:/host.example/Contacts.fp7");
    EXPECT_EQ(net.GetKind(), FilePath::kFmNet);
    EXPECT_EQ(net.GetFolder(), "/host.example/");
    EXPECT_EQ(net.GetName(), "Contacts.fp7");
    const FilePath name = FromText("fmname:Contacts");
    EXPECT_EQ(name.GetKind(), FilePath::kFmName);
    EXPECT_EQ(name.GetName(), "Contacts");
    std::wstring sys = L"unchanged";
    EXPECT_FALSE(net.GetSysPath(sys));
    EXPECT_FALSE(name.GetSysPath(sys));
    EXPECT_EQ(sys, L"unchanged");

    FilePath path;
    EXPECT_FALSE(path.SetFromText("fmnet:/h/x"));                                           // too short
    EXPECT_FALSE(path.SetFromText("fmnet:/" + std::string(32, 'h') + "/file.fp7"));         // host too long
    EXPECT_TRUE(path.SetFromText("fmnet:/" + std::string(31, 'h') + "/file.fp7"));
    EXPECT_FALSE(path.SetFromText("fmnet:/host.example/dir/file.fp7"));                     // not one name
    EXPECT_FALSE(path.SetFromText("fmname:"));
}

TEST(PathNotation, DotComponentsAreRefused)
{
    FilePath path;
    EXPECT_FALSE(path.SetFromText("filewin:/C:/a/../b.txt"));
    EXPECT_FALSE(path.SetFromText("filewin:/C:/a/./b.txt"));
    EXPECT_FALSE(path.SetFromText("filewin:/C:/a/.."));
    EXPECT_FALSE(path.SetFromText("filemac:/a/."));
    EXPECT_FALSE(path.SetFromText("fmnet:/../file.fp7xx"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:\\a\\..\\b.txt"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:\\a\\.\\b.txt"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:\\a\\.."));
    EXPECT_FALSE(path.SetFromSysPath(L"C:\\a\\\\b"));       // empty component
    EXPECT_EQ(path.GetKind(), FilePath::kNone);
    // Dots inside a name are ordinary.
    EXPECT_TRUE(path.SetFromText("filewin:/C:/...a/..b/c..d"));
    EXPECT_EQ(path.GetFolder(), "/C:/...a/..b/");
}

TEST(SystemPath, RelativeAndShortPathsAreRefused)
{
    FilePath path;
    EXPECT_FALSE(path.SetFromSysPath(L"a\\b"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:a"));
    EXPECT_FALSE(path.SetFromSysPath(L"\\a"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:\\a*b"));
    EXPECT_FALSE(path.SetFromSysPath(L"C:\\a\xD800"));     // no Unicode scalar value
    EXPECT_FALSE(path.SetFromSysPath(std::string_view("C:\\a\0b", 6)));
    EXPECT_EQ(path.GetKind(), FilePath::kNone);
}

TEST(SystemPath, EscapesRoundTrip)
{
    FilePath path;
    const std::wstring original = L"C:\\50%\\a:b\\x\x01y.txt";
    ASSERT_TRUE(path.SetFromSysPath(original.c_str()));
    EXPECT_EQ(path.GetFolder(), "/C:/50%25/a%3Ab/");
    EXPECT_EQ(path.GetName(), "x%01y.txt");
    EXPECT_EQ(SysPathOf(path), original);
    // The notation keeps the escapes, so the text round-trips too.
    EXPECT_EQ(SysPathOf(FromText(TextOf(path))), original);
    // Escapes decode in either case.
    EXPECT_EQ(SysPathOf(FromText("filewin:/C:/a%3ab%3A/x%25%2")), L"C:\\a:b:\\x%%2");
}

TEST(SystemPath, UnicodeRoundTrip)
{
    FilePath path;
    const std::wstring original = L"C:\\R\u00e9sum\u00e9\\\u65e5\u672c\\\U0001F600.txt";
    ASSERT_TRUE(path.SetFromSysPath(original.c_str()));
    EXPECT_EQ(path.GetFolder(), "/C:/R\xC3\xA9sum\xC3\xA9/\xE6\x97\xA5\xE6\x9C\xAC/");
    EXPECT_EQ(path.GetName(), "\xF0\x9F\x98\x80.txt");
    EXPECT_EQ(SysPathOf(path), original);
}

TEST(SystemPath, DecodedEscapesNeverNameAnotherPlace)
{
    std::wstring sys = L"unchanged";
    EXPECT_FALSE(FromText("filewin:/C:/a/%2E%2E/b").GetSysPath(sys));   // ".."
    EXPECT_FALSE(FromText("filewin:/C:/a/%2e").GetSysPath(sys));        // "."
    EXPECT_FALSE(FromText("filewin:/C:/a%5Cb/c").GetSysPath(sys));      // a backslash
    EXPECT_FALSE(FromText("filewin:/C:/a%2Fb/c").GetSysPath(sys));      // a slash
    EXPECT_FALSE(FromText("filewin:/C:/a%00b").GetSysPath(sys));        // a zero byte would cut the path
    EXPECT_FALSE(FromText("filewin:/C:/a%C0%AFb").GetSysPath(sys));     // overlong "/"
    EXPECT_FALSE(FromText("filewin:/C:/a\\b/c").GetSysPath(sys));       // raw backslash in a component
    EXPECT_EQ(sys, L"unchanged");
}

TEST(SystemPath, LongPathsFailInsteadOfBeingCut)
{
    // "C:\" plus components: exactly 519 characters fit, 520 do not.
    std::string fits = "C:";
    while (fits.size() + 101 <= 519 - 10)
        fits += "\\" + std::string(100, 'd');
    fits += "\\" + std::string(519 - fits.size() - 1, 'f');
    ASSERT_EQ(fits.size(), 519u);
    FilePath path;
    ASSERT_TRUE(path.SetFromSysPath(fits));
    EXPECT_EQ(SysPathOf(path), Widen(fits));

    const std::string tooLong = fits + "g";
    ASSERT_TRUE(path.SetFromSysPath(tooLong));
    std::wstring sys = L"unchanged";
    EXPECT_FALSE(path.GetSysPath(sys));
    EXPECT_EQ(sys, L"unchanged");
    EXPECT_FALSE(path.Exists());
}

TEST(FileName, CheckAcceptsOrdinaryNames)
{
    for (const char* name : {"b.txt", "a b+c,d;e=f[g]", "R\xC3\xA9sum\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80",
                             "...", "%3A", ""})
        EXPECT_TRUE(fmx::IsValidFileName(name, std::strlen(name))) << name;
}

TEST(FileName, CheckRefusesSeparatorsDotsAndMalformedUtf8)
{
    for (const char* name : {".", "..", "a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a\x01",
                             "\xC0\xAF", "\xC1\x9C", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80",
                             "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\x80", "\xE3\x2F\x41", "\xFF"})
        EXPECT_FALSE(fmx::IsValidFileName(name, std::strlen(name))) << name;
    EXPECT_FALSE(fmx::IsValidFileName("a\0b", 3));
}

TEST(FileName, CheckStopsAtTheGivenLength)
{
    // A lead byte as the last byte: the check fails without reading further
    // (the buffer is exactly two bytes, so the sanitizers would see a read
    // beyond it).
    std::unique_ptr<char[]> name(new char[2]{'a', '\xE3'});
    EXPECT_FALSE(fmx::IsValidFileName(name.get(), 2));
    EXPECT_TRUE(fmx::IsValidFileName(name.get(), 1));
    std::unique_ptr<char[]> four(new char[3]{'\xF0', '\x9F', '\x98'});
    EXPECT_FALSE(fmx::IsValidFileName(four.get(), 3));
}

TEST(FileName, SetFileNameAndAppendFolderNeedAFileKind)
{
    FilePath none;
    EXPECT_FALSE(none.SetFileName("a.txt"));
    EXPECT_FALSE(none.AppendFolder("a"));

    FilePath path = FromText("filewin:/C:/a/old.txt");
    EXPECT_FALSE(path.SetFileName(""));
    EXPECT_FALSE(path.SetFileName(".."));
    EXPECT_FALSE(path.SetFileName("x/y"));
    EXPECT_FALSE(path.AppendFolder("\xC0\xAF"));
    EXPECT_EQ(TextOf(path), "filewin:/C:/a/old.txt");
    EXPECT_TRUE(path.AppendFolder("b"));
    EXPECT_TRUE(path.SetFileName("new.txt.bak", 7));
    EXPECT_EQ(TextOf(path), "filewin:/C:/a/b/new.txt");

    FilePath net = FromText("fmnet:/host.example/Contacts.fp7");
    EXPECT_FALSE(net.SetFileName("x"));
}

TEST(Comparison, KindThenFolderThenName)
{
    EXPECT_EQ(FilePath(), FilePath());
    EXPECT_EQ(FromText("filewin:/C:/a/b"), FromText("filewin:/C:/a/b"));
    EXPECT_NE(FromText("filewin:/C:/a/b"), FromText("filewin:/C:/a/B"));
    EXPECT_NE(FromText("filewin:/C:/a/b"), FromText("filemac:/C:/a/b"));
    EXPECT_NE(FromText("filewin:/C:/a/b"), FilePath());
    EXPECT_LT(FilePath(), FromText("file:z"));
    EXPECT_LT(FromText("file:z"), FromText("filemac:/a"));
    EXPECT_LT(FromText("filewin:/C:/a/z"), FromText("filewin:/C:/b/a"));
    EXPECT_LT(FromText("filewin:/C:/a/a"), FromText("filewin:/C:/a/b"));
}

TEST(Relative, MakeRelativeAndResolveAreInverse)
{
    const FilePath base = FromText("filewin:/C:/a/b/");
    const FilePath target = FromText("filewin:/C:/a/c/d.txt");
    FilePath relative;
    ASSERT_TRUE(base.MakeRelative(target, relative));
    EXPECT_EQ(TextOf(relative), "file:../c/d.txt");
    FilePath resolved;
    ASSERT_TRUE(base.Resolve(relative, resolved));
    EXPECT_EQ(resolved, target);

    ASSERT_TRUE(base.MakeRelative(FromText("filewin:/C:/a/b/e.txt"), relative));
    EXPECT_EQ(TextOf(relative), "file:e.txt");
    EXPECT_FALSE(base.MakeRelative(FromText("filemac:/a/b/e.txt"), relative));
    EXPECT_FALSE(base.MakeRelative(FromText("filewin:/D:/a/b/e.txt"), relative));
    EXPECT_FALSE(base.MakeRelative(base, relative));
    EXPECT_FALSE(base.Resolve(FromText("file:../../../x"), resolved));   // above the drive
    EXPECT_THROW(FilePath().MakeRelative(target, relative), std::invalid_argument);
    EXPECT_THROW(base.Resolve(FilePath(), resolved), std::invalid_argument);
}

// Folders on disk, on a drive mapped to a temporary folder.

class OnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = pvtest::MakeTempFolder();
        ASSERT_TRUE(win32::MapDrive(L'T', root_));
    }
    std::string root_;
};

TEST_F(OnDisk, CreateDirectoriesMakesTheMissingFolders)
{
    FilePath path = FromText("filewin:/T:/one/two/three/file.txt");
    EXPECT_FALSE(FromText("filewin:/T:/one/two/").Exists());
    ASSERT_TRUE(path.CreateDirectories());
    EXPECT_TRUE(pvtest::IsFolder(root_ + "/one/two/three"));
    EXPECT_FALSE(pvtest::IsFile(root_ + "/one/two/three/file.txt"));
    EXPECT_TRUE(FromText("filewin:/T:/one/two/three/").Exists());
    EXPECT_FALSE(path.Exists());
    pvtest::WriteFile(root_ + "/one/two/three/file.txt", "x");
    EXPECT_TRUE(path.Exists());
    // Existing folders are fine.
    EXPECT_TRUE(path.CreateDirectories());
}

TEST_F(OnDisk, CreateDirectoriesRefusesAFileInTheWay)
{
    pvtest::WriteFile(root_ + "/blocker", "x");
    EXPECT_FALSE(FromText("filewin:/T:/blocker/sub/").CreateDirectories());
    EXPECT_FALSE(pvtest::IsFolder(root_ + "/blocker/sub"));
}

TEST_F(OnDisk, CreateDirectoriesDecodesEscapes)
{
    FilePath path;
    ASSERT_TRUE(path.SetFromSysPath(L"T:\\50%\\a:b\\"));
    ASSERT_TRUE(path.CreateDirectories());
    EXPECT_TRUE(pvtest::IsFolder(root_ + "/50%/a:b"));
}

TEST_F(OnDisk, ALongPathCreatesNothing)
{
    FilePath path;
    std::string sys = "T:";
    for (int i = 0; i < 6; ++i)
        sys += "\\" + std::string(90, static_cast<char>('a' + i));
    sys += "\\";
    ASSERT_GT(sys.size(), FilePath::kMaxSysPath);
    ASSERT_TRUE(path.SetFromSysPath(sys));
    EXPECT_FALSE(path.CreateDirectories());
    // Not even the leading folders that would have fitted.
    EXPECT_FALSE(pvtest::IsFolder(root_ + "/" + std::string(90, 'a')));
}

TEST_F(OnDisk, OnlyReachableDrivesAndFileKinds)
{
    EXPECT_FALSE(FromText("filewin:/Q:/x/").CreateDirectories());                 // unmapped drive
    EXPECT_FALSE(FromText("filewin://server/share/x/").CreateDirectories());      // unreachable share
    EXPECT_FALSE(FromText("filemac:/x/").CreateDirectories());
    EXPECT_FALSE(FromText("file:x").Exists());
    EXPECT_FALSE(FilePath().Exists());
    try {
        FilePath().CreateDirectories();
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid file path");
    }
    EXPECT_TRUE(FromText("filewin:/T:/").Exists());
    EXPECT_TRUE(FromText("filewin:/T:/").CreateDirectories());
}

// Universal paths of the host.

class Universal : public ::testing::Test {
protected:
    void SetUp() override { pvtest::LoadHostModule("Support", 54); }

    struct Path {
        Draco::UniversalPath path{nullptr};
        Path() { fmx::host::Call<fmapi::sym::UniversalPath_Ctor>(&path); }
        ~Path() { fmx::host::Call<fmapi::sym::UniversalPath_Dtor>(&path); }
    };

    pvtest::HostEnv env_{54};
};

TEST_F(Universal, DrivePathRoundTrip)
{
    const FilePath path = FromText("filewin:/C:/a/b%25/c.txt");
    Path universal;
    ASSERT_TRUE(path.ToUniversalPath(universal.path));
    FilePath back;
    ASSERT_TRUE(back.SetFromUniversalPath(universal.path));
    EXPECT_EQ(back, path);

    // The host's own platform path of it.
    fmx::SysPath sys;
    ASSERT_TRUE(sys.SetFromUniversalPath(universal.path));
    EXPECT_EQ(sys.Get(), L"C:\\a\\b%\\c.txt");
    std::string name;
    ASSERT_TRUE(sys.GetFileName(name));
    EXPECT_EQ(name, "c.txt");
}

TEST_F(Universal, ShareAndHostPathsRoundTrip)
{
    for (const char* text : {"filewin://srv/share/dir/x.fp7", "fmnet:/host.example/Contacts.fp7"}) {
        const FilePath path = FromText(text);
        Path universal;
        ASSERT_TRUE(path.ToUniversalPath(universal.path)) << text;
        FilePath back;
        ASSERT_TRUE(back.SetFromUniversalPath(universal.path)) << text;
        EXPECT_EQ(TextOf(back), text);
    }
}

TEST_F(Universal, OnlyFilewinAndFmnetWithANameConvert)
{
    Path universal;
    EXPECT_FALSE(FromText("filewin:/C:/a/").ToUniversalPath(universal.path));
    EXPECT_FALSE(FromText("filemac:/a/b").ToUniversalPath(universal.path));
    EXPECT_FALSE(FromText("fmname:Contacts").ToUniversalPath(universal.path));
    EXPECT_FALSE(FilePath().ToUniversalPath(universal.path));
}

TEST_F(Universal, SystemPathsGoThroughThePlatformSpec)
{
    fmx::SysPath sys;
    ASSERT_TRUE(sys.Set(L"C:\\dir\\R\u00e9sum\u00e9.txt"));
    Path universal;
    ASSERT_TRUE(sys.ToUniversalPath(universal.path));
    FilePath back;
    ASSERT_TRUE(back.SetFromUniversalPath(universal.path));
    EXPECT_EQ(TextOf(back), "filewin:/C:/dir/R\xC3\xA9sum\xC3\xA9.txt");
    std::string text;
    ASSERT_TRUE(sys.GetPathText(text));
    EXPECT_EQ(text, "C:\\dir\\R\xC3\xA9sum\xC3\xA9.txt");
}

TEST(SysPathHolder, KeepsOnlyShortPathsAndExistingFilesWhenAsked)
{
    fmx::SysPath sys;
    EXPECT_FALSE(sys.Set(L""));
    EXPECT_TRUE(sys.Set(Widen("C:\\" + std::string(256, 'a')).c_str()));
    EXPECT_FALSE(sys.Set(Widen("C:\\" + std::string(257, 'b')).c_str()));
    EXPECT_EQ(sys.Get().size(), 259u);

    const std::string root = pvtest::MakeTempFolder();
    ASSERT_TRUE(win32::MapDrive(L'T', root));
    pvtest::WriteFile(root + "/f.txt", "x");
    EXPECT_TRUE(sys.Set(L"T:\\f.txt", true));
    EXPECT_FALSE(sys.Set(L"T:\\", true));          // a folder
    EXPECT_FALSE(sys.Set(L"T:\\g.txt", true));     // missing
    EXPECT_EQ(sys.Get(), L"T:\\f.txt");
}

} // namespace
