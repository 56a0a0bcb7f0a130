#include "config/profile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "devpanel-profile-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Write(const std::string& name, const std::string& text) const {
        std::string file = (fs::path(path_) / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(ProfileTest, FirstOfDuplicateSectionsAndKeysWinsWhateverTheCase) {
    Profile p = Profile::Parse(
        "[Tray]\nSize=A4\nsize=Letter\n"
        "[TRAY]\nSize=Legal\nType=Bond\n");
    EXPECT_EQ(p.GetString("tray", "SIZE", "", 255), "A4");
    // The later duplicate section is invisible, even for keys only it has.
    EXPECT_EQ(p.GetString("Tray", "Type", "none", 255), "none");
    EXPECT_TRUE(p.HasSection("tRaY"));
    EXPECT_FALSE(p.HasSection("Tra"));
}

TEST(ProfileTest, ValuesAreTrimmedAndLoseOnePairOfMatchingQuotes) {
    Profile p = Profile::Parse(
        "[S]\n"
        "  Plain   =   two words  \t\n"
        "Double=\"  padded  \"\n"
        "Single='x'\n"
        "Mixed=\"x'\n"
        "Lone=\"\n"
        "Nested=\"\"inner\"\"\n"
        "Eq=a=b\n"
        "Empty=\n"
        "Bare line\n");
    EXPECT_EQ(p.GetString("S", "Plain", "", 255), "two words");
    EXPECT_EQ(p.GetString("S", "Double", "", 255), "  padded  ");
    EXPECT_EQ(p.GetString("S", "Single", "", 255), "x");
    EXPECT_EQ(p.GetString("S", "Mixed", "", 255), "\"x'");
    EXPECT_EQ(p.GetString("S", "Lone", "", 255), "\"");
    EXPECT_EQ(p.GetString("S", "Nested", "", 255), "\"inner\"");
    EXPECT_EQ(p.GetString("S", "Eq", "", 255), "a=b");
    EXPECT_EQ(p.GetString("S", "Empty", "dflt", 255), "");
    EXPECT_EQ(p.GetString("S", "Bare line", "dflt", 255), "");
    EXPECT_EQ(p.GetString("S", "Missing", "dflt", 255), "dflt");
    EXPECT_EQ(p.GetString("Nowhere", "Plain", "dflt", 255), "dflt");
}

TEST(ProfileTest, SectionReadsSkipCommentsAndKeepFileOrderAndDuplicates) {
    Profile p = Profile::Parse(
        "orphan=before any section\n"
        "[NPA READ SETTING]\n"
        "; a comment\n"
        "\n"
        "   \n"
        "B = 01 \n"
        "a=\"q\"\n"
        "b=02\n"
        "just text\n"
        "[Next]\n"
        "x=1\n");
    EXPECT_EQ(p.GetSection("npa read setting"),
              (std::vector<std::string>{"B=01", "a=\"q\"", "b=02", "just text"}));
    EXPECT_TRUE(p.GetSection("Missing").empty());
    EXPECT_EQ(p.GetString("NPA READ SETTING", "; a comment", "none", 255), "none");
}

TEST(ProfileTest, CrLfLineEndsAndByteOrderMark) {
    Profile p = Profile::Parse("\xEF\xBB\xBF[First]\r\nKey = value\r\n\r\n[Second]\r\nName=x\r\n");
    EXPECT_TRUE(p.HasSection("First"));
    EXPECT_EQ(p.GetString("First", "Key", "", 255), "value");
    EXPECT_EQ(p.GetSection("Second"), std::vector<std::string>{"Name=x"});
}

TEST(ProfileTest, StringsAreCutToTheBuffer) {
    std::string seventy(70, 'n');
    Profile p = Profile::Parse("[S]\nName=" + seventy + "\nShort=abc\n");
    EXPECT_EQ(p.GetString("S", "Name", "", 70), std::string(69, 'n'));
    EXPECT_EQ(p.GetString("S", "Short", "", 4), "abc");
    EXPECT_EQ(p.GetString("S", "Short", "", 3), "ab");
    EXPECT_EQ(p.GetString("S", "Short", "", 1), "");
    EXPECT_EQ(p.GetString("S", "Short", "", 0), "");
    // The default goes through the same buffer.
    EXPECT_EQ(p.GetString("S", "Missing", "defaults", 4), "def");
}

TEST(ProfileTest, SectionReadsKeepOnlyWholeLinesThatFit) {
    Profile p = Profile::Parse("[S]\na=1\nbb=22\nc=3\n");
    // "a=1" and "bb=22" with their zeros, plus the final zero: 4 + 6 + 1 = 11 bytes.
    EXPECT_EQ(p.GetSection("S", 11), (std::vector<std::string>{"a=1", "bb=22"}));
    EXPECT_EQ(p.GetSection("S", 10), std::vector<std::string>{"a=1"});
    EXPECT_TRUE(p.GetSection("S", 4).empty());
    EXPECT_TRUE(p.GetSection("S", 0).empty());
}

TEST(ProfileTest, IntegersTakeSignAndLeadingDigits) {
    Profile p = Profile::Parse(
        "[N]\n"
        "Plain=42\nNeg=-17\nPlus=+8\nTrail=12abc\nWord=abc\nSign=-\nEmpty=\nBlank=   \n"
        "Quoted=\"99\"\nHex=0x1F\nHuge=99999999999999999999\nTiny=-99999999999999999999\n");
    EXPECT_EQ(p.GetInt("N", "Plain", 5), 42);
    EXPECT_EQ(p.GetInt("N", "Neg", 5), -17);
    EXPECT_EQ(p.GetInt("N", "Plus", 5), 8);
    EXPECT_EQ(p.GetInt("N", "Trail", 5), 12);
    EXPECT_EQ(p.GetInt("N", "Word", 5), 0);
    EXPECT_EQ(p.GetInt("N", "Sign", 5), 0);
    EXPECT_EQ(p.GetInt("N", "Empty", 5), 5);
    EXPECT_EQ(p.GetInt("N", "Blank", 5), 5);
    EXPECT_EQ(p.GetInt("N", "Missing", 120), 120);
    EXPECT_EQ(p.GetInt("N", "Quoted", 5), 99);
    EXPECT_EQ(p.GetInt("N", "Hex", 5), 0);
    EXPECT_EQ(p.GetInt("N", "Huge", 5), INT_MAX);
    EXPECT_EQ(p.GetInt("N", "Tiny", 5), INT_MIN);
    EXPECT_EQ(ParseLeadingInt(" 61232"), 61232);
}

TEST(ProfileTest, MissingFileGivesDefaults) {
    TempDir dir;
    Profile p = Profile::Load(dir.path() + "/absent.ini");
    EXPECT_FALSE(p.HasSection("TreeRoot"));
    EXPECT_EQ(p.GetInt("TreeRoot", "NumChildren", 3), 3);
    EXPECT_EQ(p.GetString("TreeRoot", "Children", "x", 255), "x");
    EXPECT_TRUE(Profile::Load(dir.path()).GetSection("DriverNames").empty());  // a folder
    // ... and the reason is kept for a caller that must tell these apart from an empty file
    EXPECT_EQ(p.loadError(), ENOENT);
    EXPECT_EQ(Profile::Load(dir.path()).loadError(), EISDIR);
    EXPECT_EQ(Profile::Load(dir.Write("empty.ini", "")).loadError(), 0);
}

TEST(ProfileTest, ConfigFileIsParsedOncePerPathAndSharedByThreads) {
    TempDir dir;
    std::string path = dir.Write("devPanel.ini", "[DriverNames]\nAltrin T90\n");
    SetConfigPath(path);
    EXPECT_EQ(ConfigPath(), path);

    std::vector<const Profile*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&seen, i] { seen[i] = &ConfigFile(); });
    for (std::thread& t : threads) t.join();
    for (const Profile* p : seen) EXPECT_EQ(p, seen[0]);
    EXPECT_EQ(seen[0]->GetSection("DriverNames"), std::vector<std::string>{"Altrin T90"});

    // Later changes to the file are not seen: the file is read once.
    dir.Write("devPanel.ini", "[DriverNames]\nOther\n");
    EXPECT_EQ(ConfigFile().GetSection("DriverNames"), std::vector<std::string>{"Altrin T90"});

    std::string other = dir.Write("other.ini", "[DriverNames]\nSecond\n");
    SetConfigPath(other);
    EXPECT_EQ(ConfigFile().GetSection("DriverNames"), std::vector<std::string>{"Second"});
}

}  // namespace
