#include "platform/data_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "testbed.h"

namespace fs = std::filesystem;
using platform::DataFilePlaces;
using platform::DataFileScope;

namespace {

enum Place { Current, ConfigHome, BesideProgram, DataDir1, DataDir2, BuildTree };

// A stand-in for every place: a work folder (the current folder while the test runs), a
// configuration home, an unpacked tree prefix/bin + prefix/share/devpanel, two data folders and
// a source tree's data/.
class DataFileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldCwd_ = fs::current_path();
        for (const char* folder : {"work", "config/devpanel", "prefix/bin", "prefix/share/devpanel",
                                   "data1/devpanel", "data2/devpanel", "source/data"})
            fs::create_directories(root(folder));
        fs::current_path(root("work"));
        places_.currentFolder = true;
        places_.configHome = root("config");
        places_.executableFolder = root("prefix/bin");
        places_.dataDirs = {root("data1"), root("data2")};
        places_.buildTreeData = root("source/data");
    }
    void TearDown() override { fs::current_path(oldCwd_); }

    std::string root(const std::string& relative) const { return dir_.path() + "/" + relative; }
    std::string pathAt(Place place) const {
        switch (place) {
        case Current: return "devPanel.ini";
        case ConfigHome: return root("config/devpanel/devPanel.ini");
        case BesideProgram: return root("prefix/share/devpanel/devPanel.ini");
        case DataDir1: return root("data1/devpanel/devPanel.ini");
        case DataDir2: return root("data2/devpanel/devPanel.ini");
        case BuildTree: return root("source/data/devPanel.ini");
        }
        return {};
    }
    void put(Place place) {
        const std::string path = place == Current ? root("work/devPanel.ini") : pathAt(place);
        writeIni(path);
    }
    static void writeIni(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr) << path;
        std::fputs("[DriverNames]\n", f);
        std::fclose(f);
    }

    testbed::TempDir dir_;
    fs::path oldCwd_;
    DataFilePlaces places_;
};

struct Case {
    const char* name;
    std::set<Place> present;
    bool currentFolder;
    Place expected;
};

class DataFileOrder : public DataFileSearchTest, public ::testing::WithParamInterface<Case> {};

TEST_P(DataFileOrder, TheFirstPlaceHoldingTheFileWins) {
    for (Place p : GetParam().present) put(p);
    places_.currentFolder = GetParam().currentFolder;
    const platform::DataFileSearch search = platform::FindDataFile("devPanel.ini", places_);
    EXPECT_EQ(search.path, pathAt(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Places, DataFileOrder,
    ::testing::Values(
        Case{"CurrentFolderBeforeAll", {Current, ConfigHome, BesideProgram, DataDir1, BuildTree}, true, Current},
        Case{"ConfigHomeBeforeInstalled", {ConfigHome, BesideProgram, DataDir1, BuildTree}, true, ConfigHome},
        Case{"BesideProgramBeforeDataDirs", {BesideProgram, DataDir1, DataDir2, BuildTree}, true, BesideProgram},
        Case{"DataDirsInTheirOrder", {DataDir1, DataDir2, BuildTree}, true, DataDir1},
        Case{"LaterDataDirWhenEarlierLacksIt", {DataDir2, BuildTree}, true, DataDir2},
        Case{"BuildTreeLast", {BuildTree}, true, BuildTree},
        Case{"InstalledOnlyIgnoresTheCurrentFolder", {Current, DataDir2}, false, DataDir2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataFileSearchTest, NothingFoundNamesEveryPlaceInOrder) {
    const platform::DataFileSearch search = platform::FindDataFile("devPanel.ini", places_);
    EXPECT_FALSE(search.found());
    const std::vector<std::string> expected = {pathAt(Current),  pathAt(ConfigHome), pathAt(BesideProgram),
                                               pathAt(DataDir1), pathAt(DataDir2),   pathAt(BuildTree)};
    EXPECT_EQ(search.looked, expected);
    EXPECT_EQ(platform::DataFileNotFoundText("devPanel.ini", search),
              "devPanel.ini was not found in any of: devPanel.ini, " + pathAt(ConfigHome) + ", " +
                  pathAt(BesideProgram) + ", " + pathAt(DataDir1) + ", " + pathAt(DataDir2) + ", " +
                  pathAt(BuildTree) + ".");
}

// A file that is there but cannot be used is the one meant: its own problem is reported,
// instead of the program quietly running on another configuration.
TEST_F(DataFileSearchTest, AnUnusableFileInAnEarlierPlaceIsNotPassedOver) {
    fs::create_directories(root("config/devpanel/devPanel.ini"));
    put(DataDir1);
    EXPECT_EQ(platform::FindDataFile("devPanel.ini", places_).path, pathAt(ConfigHome));
}

TEST_F(DataFileSearchTest, ADanglingLinkIsNoFile) {
    fs::create_symlink(root("nowhere.ini"), root("work/devPanel.ini"));
    put(DataDir2);
    EXPECT_EQ(platform::FindDataFile("devPanel.ini", places_).path, pathAt(DataDir2));
}

TEST(DataFilePlacesOfProcess, RelativeXdgFoldersAreIgnored) {
    testbed::ScopedEnv home("HOME", "/home/someone");
    testbed::ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    testbed::ScopedEnv data("XDG_DATA_DIRS", "/opt/share:relative:/usr/share");
    const DataFilePlaces places = platform::ProcessDataFilePlaces(DataFileScope::CurrentFolderFirst);
    EXPECT_TRUE(places.currentFolder);
    EXPECT_EQ(places.configHome, "/home/someone/.config");
    EXPECT_EQ(places.dataDirs, (std::vector<std::string>{"/opt/share", "/usr/share"}));
}

TEST(DataFilePlacesOfProcess, UnsetDataDirsMeanTheSystemDefaults) {
    testbed::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    testbed::ScopedEnv data("XDG_DATA_DIRS", "");
    const DataFilePlaces places = platform::ProcessDataFilePlaces(DataFileScope::InstalledOnly);
    EXPECT_FALSE(places.currentFolder);
    EXPECT_EQ(places.configHome, "/cfg");
    EXPECT_EQ(places.dataDirs, (std::vector<std::string>{"/usr/local/share", "/usr/share"}));
}

// This test program runs from the build folder: it may use the source tree's data; a program
// anywhere else may not.
TEST(DataFilePlacesOfProcess, TheBuildTreeServesOnlyProgramsInsideTheBuildFolder) {
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string ownFolder = fs::path(self).parent_path().string();
    EXPECT_EQ(platform::ExecutableFolder(), ownFolder);
    const std::string data = platform::BuildTreeDataFor(ownFolder);
    ASSERT_FALSE(data.empty());
    EXPECT_TRUE(fs::exists(data + "/devPanel.ini"));
    EXPECT_EQ(platform::ProcessDataFilePlaces(DataFileScope::InstalledOnly).buildTreeData, data);

    testbed::TempDir elsewhere;
    fs::create_directories(elsewhere.path() + "/usr/bin");
    EXPECT_EQ(platform::BuildTreeDataFor(elsewhere.path() + "/usr/bin"), "");
    EXPECT_EQ(platform::BuildTreeDataFor(""), "");
}

}  // namespace
