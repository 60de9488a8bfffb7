// File locations of the macOS flavour: POSIX paths on the start-up volume and
// on other volumes, mounted or not; folders made through aliases; the
// product folders, the plug-in's and the host's places; data forks cut;
// file reference values.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "fmapi/call_record.h"
#include "fmx/FilePath.h"
#include "fmx/Plugin.h"
#include "fmx/SpecialFolderLocations.h"
#include "fmx/SpecialFolders.h"
#include "macos/FileRefValue.h"
#include "macos/FileStream.h"
#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/SystemSetup.h"
#include "support/plugin_harness.h"

namespace {

using fmx::FilePath;

class Folder {
public:
    Folder()
    {
        char pattern[] = "/tmp/pv-macpath-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~Folder()
    {
        if (std::system(("rm -rf '" + path_ + "'").c_str()) != 0) {
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::string& path() const { return path_; }

    void MakeFolder(const std::string& relative) const
    {
        ASSERT_EQ(std::system(("mkdir -p '" + path_ + "/" + relative + "'").c_str()), 0);
    }
    void Write(const std::string& relative, std::size_t bytes) const
    {
        std::ofstream(path_ + "/" + relative, std::ios::binary) << std::string(bytes, 'x');
    }
    bool Has(const std::string& relative) const
    {
        struct stat info {};
        return lstat((path_ + "/" + relative).c_str(), &info) == 0;
    }

private:
    std::string path_;
};

FilePath Posix(const std::string& path)
{
    FilePath location;
    EXPECT_TRUE(location.SetFromPosixPath(path.c_str())) << path;
    return location;
}

std::string PosixOf(const FilePath& location)
{
    std::string path;
    const std::size_t length = location.GetPosixPath(path);
    EXPECT_EQ(length, path.size());
    return path;
}

FilePath Text(const std::string& text)
{
    FilePath location;
    EXPECT_TRUE(location.SetFromText(text)) << text;
    return location;
}

class MacPaths : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(macsetup::SetStartupVolume("HD", startup_.path())); }
    void TearDown() override
    {
        if (fmx::Plugin::Exists())
            pvtest::Shutdown();
        macsetup::Reset();
    }
    Folder startup_;
    Folder data_;
};

TEST_F(MacPaths, PosixPathsNameTheirVolume)
{
    startup_.MakeFolder("Users/a");
    startup_.MakeFolder("Volumes/X");

    // The start-up volume by its name, and back.
    FilePath users = Posix("/Users/a/b.txt");
    EXPECT_EQ(users.GetKind(), FilePath::kFileMac);
    EXPECT_EQ(users.GetFolder(), "/HD/Users/a/");
    EXPECT_EQ(users.GetName(), "b.txt");
    EXPECT_EQ(PosixOf(users), "/Users/a/b.txt");

    // A volume that is not mounted, and back.
    FilePath data = Posix("/Volumes/Data/x.txt");
    EXPECT_EQ(data.GetFolder(), "/Data/");
    EXPECT_EQ(data.GetName(), "x.txt");
    EXPECT_EQ(PosixOf(data), "/Volumes/Data/x.txt");
    EXPECT_FALSE(data.Exists());

    // A folder under /Volumes that is no volume's root lies on the start-up volume.
    FilePath x = Posix("/Volumes/X/y");
    EXPECT_EQ(x.GetFolder(), "/HD/Volumes/X/");
    EXPECT_EQ(PosixOf(x), "/Volumes/X/y");

    // "/" is the start-up volume; "/Volumes/" names no volume.
    FilePath root = Posix("/");
    EXPECT_EQ(root.GetFolder(), "/HD/");
    EXPECT_EQ(root.GetName(), "");
    EXPECT_EQ(PosixOf(root), "/");
    EXPECT_TRUE(root.Exists());
    FilePath volumes = Posix("/Volumes/");
    EXPECT_EQ(volumes.GetFolder(), "/HD/Volumes/");
    FilePath kept = Posix("/Users/a/");
    for (const char* bad : {"", "Users/a", "/Volumes//x", "/Users/../b", "/a/./b", "/a/\xC3", "/Users/a/.."}) {
        EXPECT_FALSE(kept.SetFromPosixPath(bad)) << bad;
        EXPECT_EQ(kept.GetFolder(), "/HD/Users/a/");
    }
    EXPECT_TRUE(kept.SetFromPosixPath("/Users/a/b.txt-and-more", 14));
    EXPECT_EQ(kept.GetName(), "b.txt");

    // "%", control bytes and the ":" that stands for a name's "/" are escaped,
    // and come back.
    FilePath odd = Posix("/Users/a:b/100%\x01.txt");
    EXPECT_EQ(odd.GetFolder(), "/HD/Users/a%2Fb/");
    EXPECT_EQ(odd.GetName(), "100%25%01.txt");
    EXPECT_EQ(PosixOf(odd), "/Users/a:b/100%\x01.txt");

    // Kind "filewin" never exists and has no POSIX path; kind none has none either.
    startup_.Write("C:/a.txt", 1);
    FilePath win = Text("filewin:/C:/a.txt");
    EXPECT_FALSE(win.Exists());
    std::string path = "kept";
    EXPECT_EQ(win.GetPosixPath(path), 0u);
    EXPECT_EQ(path, "");
    EXPECT_EQ(FilePath().GetPosixPath(path), 0u);
    FSRef ref;
    EXPECT_FALSE(win.GetFileRef(ref));
}

TEST_F(MacPaths, MountedVolumesByTheirOwnNames)
{
    ASSERT_TRUE(macsetup::MountVolume("Data", data_.path()));
    data_.Write("x.txt", 10);
    FilePath data = Posix("/Volumes/Data/x.txt");
    EXPECT_EQ(data.GetFolder(), "/Data/");
    EXPECT_TRUE(data.Exists());
    // The names compare without regard to case: the mounted volume's root.
    FilePath lower = Text("filemac:/data/x.txt");
    EXPECT_EQ(PosixOf(lower), "/Volumes/Data/x.txt");
    EXPECT_TRUE(lower.Exists());

    // A volume whose name holds "/": "%2F" in the folder, ":" at its mount point.
    Folder archive;
    archive.MakeFolder("2024");
    ASSERT_TRUE(macsetup::MountVolume("Arch/1", archive.path()));
    FilePath arch = Posix("/Volumes/Arch:1/2024/");
    EXPECT_EQ(arch.GetFolder(), "/Arch%2F1/2024/");
    EXPECT_EQ(PosixOf(arch), "/Volumes/Arch:1/2024/");
    EXPECT_TRUE(arch.Exists());

    // A reference and back, with a name added below it.
    FSRef ref;
    ASSERT_TRUE(arch.GetFileRef(ref));
    FilePath below;
    ASSERT_TRUE(below.SetFromFileRef(ref, "new.txt"));
    EXPECT_EQ(below.GetFolder(), "/Arch%2F1/2024/");
    EXPECT_EQ(below.GetName(), "new.txt");
    EXPECT_FALSE(below.Exists());
    const std::string tooLong(1100, 'n');
    EXPECT_FALSE(below.SetFromFileRef(ref, tooLong.c_str()));
    EXPECT_EQ(below.GetName(), "new.txt");

    // Relative paths compare folders without regard to case.
    FilePath out;
    ASSERT_TRUE(Text("filemac:/Data/Reports/").MakeRelative(Text("filemac:/data/reports/2024/q1.txt"), out));
    std::string text;
    out.GetText(text);
    EXPECT_EQ(text, "file:2024/q1.txt");
    ASSERT_TRUE(Text("filemac:/Data/Reports/Old/").MakeRelative(Text("filemac:/DATA/reports/q1.txt"), out));
    out.GetText(text);
    EXPECT_EQ(text, "file:../q1.txt");
}

TEST_F(MacPaths, FoldersAreMadeThroughAliasesButNotThroughFiles)
{
    startup_.MakeFolder("a/target");
    ASSERT_EQ(symlink("target", (startup_.path() + "/a/alias").c_str()), 0);
    startup_.Write("a/file", 3);

    const FilePath through = Text("filemac:/HD/a/alias/b/c/");
    EXPECT_TRUE(through.CreateDirectories());
    EXPECT_TRUE(startup_.Has("a/target/b/c"));
    EXPECT_TRUE(through.Exists());
    EXPECT_EQ(through.CreateDirectoriesStatus(false), 0);
    EXPECT_EQ(through.CreateDirectoriesStatus(true), dupFNErr);   // all there already

    const FilePath blocked = Text("filemac:/HD/a/file/x/");
    EXPECT_FALSE(blocked.CreateDirectories());
    EXPECT_EQ(blocked.CreateDirectoriesStatus(false), dupFNErr);
    EXPECT_FALSE(startup_.Has("a/file/x"));

    EXPECT_FALSE(Text("filemac:/Nowhere/x/").CreateDirectories());
    EXPECT_EQ(Text("filemac:/Nowhere/x/").CreateDirectoriesStatus(false), nsvErr);
    EXPECT_FALSE(Text("filewin:/C:/x/").CreateDirectories());
    EXPECT_THROW(FilePath().CreateDirectories(), std::invalid_argument);

    // A failure midway keeps what was made before it.
    macsetup::FailCalls("FSCreateDirectoryUnicode", 1, 1);
    EXPECT_EQ(Text("filemac:/HD/m/n/o/").CreateDirectoriesStatus(false), ioErr);
    EXPECT_TRUE(startup_.Has("m"));
    EXPECT_FALSE(startup_.Has("m/n"));
}

TEST_F(MacPaths, DataForkLengthAndFileReferenceValues)
{
    startup_.MakeFolder("logs");
    startup_.Write("logs/Plotvane.log", 100000);
    const FilePath log = Text("filemac:/HD/logs/Plotvane.log");
    EXPECT_TRUE(__Quarrow__::FileStream::SetSize(log, 4096));
    struct stat info {};
    ASSERT_EQ(stat((startup_.path() + "/logs/Plotvane.log").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 4096);
    EXPECT_FALSE(__Quarrow__::FileStream::SetSize(log, -1));
    EXPECT_FALSE(__Quarrow__::FileStream::SetSize(Text("filemac:/HD/logs/"), 0));
    EXPECT_FALSE(__Quarrow__::FileStream::SetSize(Text("filemac:/HD/logs/missing.log"), 0));
    ASSERT_EQ(stat((startup_.path() + "/logs/Plotvane.log").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 4096);

    FSRef file, folder;
    ASSERT_TRUE(log.GetFileRef(file));
    ASSERT_TRUE(Text("filemac:/HD/logs/").GetFileRef(folder));
    mac::FileRefValue value;
    std::string text = "kept";
    value.GetPosixPath(text);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(value.GetFileName(text));
    EXPECT_FALSE(value.IsSameAs(file));
    EXPECT_FALSE(value.SetFromFSRef(folder, true));
    EXPECT_EQ(value.valid, 0u);
    ASSERT_TRUE(value.SetFromFSRef(file, true));
    EXPECT_EQ(value.valid, 1u);
    ASSERT_TRUE(value.GetFileName(text));
    EXPECT_EQ(text, "Plotvane.log");
    value.GetPosixPath(text);
    EXPECT_EQ(text, "/logs/Plotvane.log");
    EXPECT_TRUE(value.IsSameAs(file));
    EXPECT_FALSE(value.IsSameAs(folder));
    EXPECT_TRUE(value.SetFromFSRef(folder, false));
}

// The product folders, the plug-in's and the host's places; the special
// folders are found once per process, so each case is a test of its own.
class MacPlaces : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* home = std::getenv("HOME");
        savedHome_ = home ? home : "";
        setenv("HOME", home_.path().c_str(), 1);
        // Found afresh under this test's home.
        fmx::folders::ForgetForTesting();
    }
    void TearDown() override
    {
        if (fmx::Plugin::Exists())
            pvtest::Shutdown();
        setenv("HOME", savedHome_.c_str(), 1);
        macsetup::Reset();
        fmx::folders::ForgetForTesting();
    }
    // Initialises the plug-in as a host of that application kind.
    void Init(std::uint8_t appKind)
    {
        // The plug-in binds through the host application's frameworks.
        if (!CFBundleGetMainBundle()) {
            ASSERT_TRUE(macsetup::SetMainBundle(PV_BIN_DIR "/FMHost.app"));
        }
        fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgInit);
        r.extnVersion = 52;
        r.parm1 = appKind;
        std::u16string version = u"Pro 11.0v4";
        r.parm2 = reinterpret_cast<std::uintptr_t>(version.c_str());
        FMExternCallProc(&r);
        ASSERT_TRUE(fmx::Plugin::Exists());
    }
    Folder home_;
    std::string savedHome_;
};

TEST_F(MacPlaces, ProductFoldersUnderHome)
{
    Init(1);
    FilePath documents;
    EXPECT_FALSE(documents.SetToDocumentsFolder(false));
    ASSERT_TRUE(documents.SetToDocumentsFolder(true));
    EXPECT_EQ(PosixOf(documents), home_.path() + "/Documents/com.vanecraft.plotvane/");
    EXPECT_TRUE(home_.Has("Documents/com.vanecraft.plotvane"));
    EXPECT_TRUE(documents.SetToDocumentsFolder(false));
    FilePath support;
    ASSERT_TRUE(support.SetToLocalAppDataFolder(true));
    EXPECT_EQ(PosixOf(support), home_.path() + "/Library/Application Support/com.vanecraft.plotvane/");
    FilePath preferences;
    ASSERT_TRUE(preferences.SetToAppDataFolder(true));
    EXPECT_EQ(PosixOf(preferences), home_.path() + "/Library/Preferences/com.vanecraft.plotvane/");
    EXPECT_EQ(preferences.GetName(), "");

    // The plug-in's bundle and its folder; its name without the extension.
    FilePath plugin;
    ASSERT_TRUE(plugin.SetToPluginFile());
    EXPECT_EQ(PosixOf(plugin), PV_BIN_DIR "/Plotvane.fmplugin");
    ASSERT_TRUE(plugin.SetToPluginFolder());
    EXPECT_EQ(PosixOf(plugin), PV_BIN_DIR "/");
    std::string name = "log of ";
    ASSERT_TRUE(fmx::GetPluginFileName(name, false));
    EXPECT_EQ(name, "log of Plotvane");
    name.clear();
    ASSERT_TRUE(fmx::GetPluginFileName(name, true));
    EXPECT_EQ(name, "Plotvane.fmplugin");
    // The host application is the main bundle.
    FilePath host;
    ASSERT_TRUE(host.SetToHostAppFile());
    EXPECT_EQ(PosixOf(host), PV_BIN_DIR "/FMHost.app");
}

TEST_F(MacPlaces, ARuntimeGetsALevelNamedAfterItsApplication)
{
    home_.MakeFolder("Apps/Solution Runtime.app");
    ASSERT_TRUE(macsetup::SetMainBundle(home_.path() + "/Apps/Solution Runtime.app"));
    Init(2);
    FilePath documents;
    ASSERT_TRUE(documents.SetToDocumentsFolder(true));
    EXPECT_EQ(PosixOf(documents), home_.path() + "/Documents/com.vanecraft.plotvane/Solution Runtime.app/");
    EXPECT_TRUE(home_.Has("Documents/com.vanecraft.plotvane/Solution Runtime.app"));
    FilePath host;
    ASSERT_TRUE(host.SetToHostAppFile());
    EXPECT_EQ(PosixOf(host), home_.path() + "/Apps/Solution Runtime.app");
    ASSERT_TRUE(host.SetToHostAppFolder());
    EXPECT_EQ(PosixOf(host), home_.path() + "/Apps/");
}

// A location that does not fit its record is refused, never made cut.
TEST_F(MacPlaces, AFolderRecordTooLongIsRefusedWhole)
{
    std::string deep;
    for (int i = 0; i < 5; ++i)
        deep += "/" + std::string(200, static_cast<char>('a' + i));
    home_.MakeFolder(deep.substr(1));
    setenv("HOME", (home_.path() + deep).c_str(), 1);
    Init(1);
    FilePath documents;
    EXPECT_FALSE(documents.SetToDocumentsFolder(true));
    EXPECT_EQ(documents.GetKind(), FilePath::kNone);
    EXPECT_TRUE(home_.Has(deep.substr(1) + "/Documents"));   // the system's own folder
    EXPECT_FALSE(home_.Has(deep.substr(1) + "/Documents/com.vanecraft.plotvane"));
}

// Cut at the last dot, whatever the extension's length.
TEST_F(MacPlaces, PluginFileNameOfAnotherExtension)
{
    ASSERT_EQ(symlink(PV_BIN_DIR "/Plotvane.fmplugin", (home_.path() + "/Chart.vane.bundle").c_str()), 0);
    CFBundleRef bundle = pvtest::BundleAt(home_.path() + "/Chart.vane.bundle");
    ASSERT_NE(bundle, nullptr);
    pvtest::InstanceOverride instance(bundle);
    Init(1);
    std::string name;
    ASSERT_TRUE(fmx::GetPluginFileName(name, false));
    EXPECT_EQ(name, "Chart.vane");
    pvtest::Shutdown();
}

} // namespace
