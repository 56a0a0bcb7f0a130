// The start-up check of the configuration file against deliberately broken copies of the file we
// ship: each must be reported in one sentence naming the file and what is wrong with it.
#include "config/config_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/profile.h"

namespace {

namespace fs = std::filesystem;

std::string ShippedText() {
    std::ifstream in(std::string(DEVPANEL_SOURCE_DIR) + "/data/devPanel.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The shipped text with the first `from` replaced by `to`.
std::string Edited(const std::string& from, const std::string& to) {
    std::string text = ShippedText();
    const size_t at = text.find(from);
    if (at == std::string::npos) {
        ADD_FAILURE() << "the shipped file no longer holds: " << from;
        return text;
    }
    return text.replace(at, from.size(), to);
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

struct Broken {
    const char* name;
    void (*make)(const std::string& path);  // puts the broken file at path
    const char* says;
};

const Broken kBroken[] = {
    {"Missing", [](const std::string&) {}, "does not exist"},
    {"Folder", [](const std::string& p) { fs::create_directory(p); }, "is a folder"},
    {"Unreadable",
     [](const std::string& p) {
         Write(p, ShippedText());
         ::chmod(p.c_str(), 0);
     },
     "cannot be read"},
    {"BinaryJunk", [](const std::string& p) { Write(p, std::string("\x7f" "ELF\x02\x01\x01\x00\x00\x00[DriverNames]\x03\x00", 23)); },
     "is not a text file"},
    {"NoDriverNames", [](const std::string& p) { Write(p, Edited("[DriverNames]", "[DriverList]")); },
     "has no section [DriverNames]"},
    {"EmptyReadSection",
     [](const std::string& p) {
         std::string text = ShippedText();
         const size_t from = text.find("[NPA READ SETTING]") + 19, to = text.find("[NPA WRITE VALUES]");
         Write(p, text.replace(from, to - from, "; nothing here\n"));
     },
     "has an empty section [NPA READ SETTING]"},
    {"NoSettingSection", [](const std::string& p) { Write(p, Edited("[PwrSvr]", "[PowerSaver]")); },
     "has no section [PwrSvr]"},
    {"MinAboveMax",
     [](const std::string& p) { Write(p, Edited("NpaName=LINESPERPAGE\nMinVal=1\n", "NpaName=LINESPERPAGE\nMinVal=300\n")); },
     "[LinesPerPg] that has MinVal 300 greater than MaxVal 255"},
    {"DefaultOutsideRange",
     [](const std::string& p) { Write(p, Edited("NpaName=LINESPERPAGE\nMinVal=1\nMaxVal=255", "NpaName=LINESPERPAGE\nMinVal=1\nMaxVal=50")); },
     "[LinesPerPg] that allows 1 to 50, but the default 64"},
    {"UnknownListValue", [](const std::string& p) { Write(p, Edited("Values=DONTPRINT,PRINT", "Values=DONTPRINT,SOMETIMES")); },
     "[BlankPgs] that names the value BLANKPAGES:SOMETIMES, which [NPA WRITE VALUES] does not know"},
    {"UnknownSetting", [](const std::string& p) { Write(p, Edited("NpaName=PROPTAG", "NpaName=PROPERTYTAG")); },
     "[PropTag] that names the setting PROPERTYTAG, which [NPA READ SETTING] does not know"},
    {"SwitchWithOneValue", [](const std::string& p) { Write(p, Edited("NpaName=PQET\nNumValues=2\n", "NpaName=PQET\nNumValues=1\n")); },
     "[PQET] that does not give the two Values"},
};

class BrokenConfiguration : public ::testing::TestWithParam<Broken> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "devpanel-check-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
        ASSERT_FALSE(dir_.empty());
        saved_ = ConfigPath();
    }
    void TearDown() override {
        SetConfigPath(saved_);
        std::error_code ignored;
        fs::permissions(dir_ + "/devPanel.ini", fs::perms::owner_all, ignored);
        fs::remove_all(dir_, ignored);
    }
    std::string dir_, saved_;
};

TEST_P(BrokenConfiguration, IsNamedInOneSentence) {
    const std::string path = dir_ + "/devPanel.ini";
    GetParam().make(path);
    SetConfigPath(path);
    const std::string problem = config::ConfigurationProblem();
    EXPECT_EQ(problem.rfind("The configuration file " + path + " ", 0), 0u) << problem;
    EXPECT_NE(problem.find(GetParam().says), std::string::npos) << problem;
    EXPECT_EQ(problem.back(), '.') << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(ConfigCheck, BrokenConfiguration, ::testing::ValuesIn(kBroken),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
