// The plug-in's and the host application's files and folders, and the
// product folders under the user's documents and local data folders.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <string>

#include "tests/fmx/access/TestHost.h"
#include "fmx/SpecialFolderLocations.h"
#include "fmx/SpecialFolders.h"

namespace {

using fmx::FilePath;

std::string TextOf(const FilePath& path)
{
    std::string text;
    path.GetText(text);
    return text;
}

// The notation of a POSIX folder on drive C (mapped to "/").
std::string FolderText(const std::string& posixFolder) { return "filewin:/C:" + posixFolder + "/"; }

std::size_t EntriesIn(const std::string& folder)
{
    std::size_t count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                ++count;
        closedir(dir);
    }
    return count;
}

// Each test's folders are found afresh, under its own home.
class ProductFolders : public ::testing::Test {
protected:
    void SetUp() override { fmx::folders::ForgetForTesting(); }
    void TearDown() override { fmx::folders::ForgetForTesting(); }
};

TEST_F(ProductFolders, DocumentsFolderIsCreatedOnDemand)
{
    const std::string home = pvtest::MakeTempFolder();
    setenv("HOME", home.c_str(), 1);
    pvtest::HostEnv env(54);

    FilePath path;
    EXPECT_FALSE(path.SetToDocumentsFolder(false));
    const std::string product = home + "/Documents/com.vanecraft.plotvane";
    EXPECT_FALSE(pvtest::IsFolder(product));
    EXPECT_EQ(TextOf(path), FolderText(product));

    FilePath created;
    EXPECT_TRUE(created.SetToDocumentsFolder(true));
    EXPECT_TRUE(pvtest::IsFolder(product));
    EXPECT_EQ(created, path);
    FilePath again;
    EXPECT_TRUE(again.SetToDocumentsFolder(false));
}

TEST_F(ProductFolders, LocalDataFolderFollowsXdgDataHome)
{
    const std::string data = pvtest::MakeTempFolder();
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    pvtest::HostEnv env(54);
    FilePath path;
    EXPECT_TRUE(path.SetToLocalAppDataFolder(true));
    EXPECT_EQ(TextOf(path), FolderText(data + "/com.vanecraft.plotvane"));
    EXPECT_TRUE(pvtest::IsFolder(data + "/com.vanecraft.plotvane"));
}

TEST_F(ProductFolders, RuntimeHostsGetAFolderOfTheirOwn)
{
    const std::string home = pvtest::MakeTempFolder();
    setenv("HOME", home.c_str(), 1);
    pvtest::HostEnv env(54, 2);
    FilePath path;
    EXPECT_TRUE(path.SetToDocumentsFolder(true));
    const std::string folder = home + "/Documents/com.vanecraft.plotvane/pv_test_win_fmx_filepath";
    EXPECT_EQ(TextOf(path), FolderText(folder));
    EXPECT_TRUE(pvtest::IsFolder(folder));
}

TEST_F(ProductFolders, ALocationLongerThanItsRecordFailsAndCreatesNothing)
{
    // A documents folder that is a valid system path but whose product folder
    // text no longer fits the 270 bytes of a location record.
    const std::string base = pvtest::MakeTempFolder();
    const std::size_t wanted = 245;   // length of the documents folder
    const std::size_t fixed = base.size() + std::string("/").size() + std::string("/Documents").size();
    ASSERT_LT(fixed, wanted);
    const std::string home = base + "/" + std::string(wanted - fixed, 'h');
    setenv("HOME", home.c_str(), 1);
    pvtest::HostEnv env(54);

    FilePath path;
    EXPECT_FALSE(path.SetToDocumentsFolder(true));
    EXPECT_EQ(path.GetKind(), FilePath::kNone);
    EXPECT_TRUE(pvtest::IsFolder(home + "/Documents"));
    EXPECT_EQ(EntriesIn(home + "/Documents"), 0u);
}

TEST(HostApplication, FileAndFolderOfTheProgram)
{
    pvtest::HostEnv env(54);
    FilePath file;
    ASSERT_TRUE(file.SetToHostAppFile());
    EXPECT_EQ(file.GetName(), "pv_test_win_fmx_filepath");
    FilePath folder;
    ASSERT_TRUE(folder.SetToHostAppFolder());
    EXPECT_EQ(folder.GetName(), "");
    EXPECT_EQ(folder.GetFolder(), file.GetFolder());
    EXPECT_TRUE(folder.Exists());
    EXPECT_TRUE(file.Exists());
}

// Runs in a copy of this program (the plug-in file) and writes what it finds
// into the copy's folder.
TEST(PluginFileChild, ReportsItsFileName)
{
    const char* folder = pvtest::ChildFolder();
    if (!folder)
        GTEST_SKIP() << "runs as the plug-in file of PluginFile tests";
    pvtest::HostEnv env(54);
    std::string bare = "[";
    std::string full = "[";
    ASSERT_TRUE(fmx::GetPluginFileName(bare, false));
    ASSERT_TRUE(fmx::GetPluginFileName(full, true));
    FilePath pluginFolder;
    FilePath pluginFile;
    ASSERT_TRUE(pluginFolder.SetToPluginFolder());
    ASSERT_TRUE(pluginFile.SetToPluginFile());
    pvtest::WriteFile(std::string(folder) + "/report.txt",
                      bare + "\n" + full + "\n" + TextOf(pluginFolder) + "\n" + TextOf(pluginFile) + "\n");
}

std::vector<std::string> RunPluginFile(const std::string& fileName, std::string& folder)
{
    folder = pvtest::MakeTempFolder();
    EXPECT_EQ(pvtest::RunCopyAs(folder, fileName, "PluginFileChild.ReportsItsFileName"), 0);
    return pvtest::ReadLines(folder + "/report.txt");
}

TEST(PluginFile, NameWithoutExtensionEndsAtTheLastDot)
{
    std::string folder;
    const auto lines = RunPluginFile("Plot.vane.fmx", folder);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "[Plot.vane");
    EXPECT_EQ(lines[1], "[Plot.vane.fmx");
    EXPECT_EQ(lines[2], FolderText(folder));
    EXPECT_EQ(lines[3], FolderText(folder) + "Plot.vane.fmx");
}

TEST(PluginFile, ShortNamesLoseNothing)
{
    std::string folder;
    auto lines = RunPluginFile("ab", folder);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "[ab");
    EXPECT_EQ(lines[1], "[ab");
    // A leading dot starts no extension.
    lines = RunPluginFile(".fmx", folder);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "[.fmx");
}

} // namespace
