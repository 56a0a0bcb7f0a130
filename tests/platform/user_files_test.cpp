#include "platform/linux/user_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

#include "testbed.h"

using namespace platform::linux_impl;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

unsigned modeOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0xFFFF;
    return st.st_mode & 07777;
}

unsigned typeOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & S_IFMT;
}

}  // namespace

TEST(SettingsStore, FirstStartCreatesAPrivateStoreWithLevelZero) {
    testbed::TempDir home;
    testbed::ScopedEnv config("XDG_CONFIG_HOME", home.path() + "/cfg");
    LinuxSettingsStore store;
    EXPECT_EQ(store.path(), home.path() + "/cfg/devpanel/link.conf");
    EXPECT_EQ(store.loggingLevel(), 0u);
    EXPECT_EQ(slurp(store.path()), "LoggingLevel=0\n");
    EXPECT_EQ(modeOf(store.path()), 0600u);
    EXPECT_EQ(modeOf(home.path() + "/cfg/devpanel"), 0700u);
    EXPECT_EQ(modeOf(home.path() + "/cfg"), 0700u);
}

struct LevelText {
    const char* name;
    const char* text;
    uint32_t level;
};

class SettingsText : public ::testing::TestWithParam<LevelText> {};

// Whatever the file says, the level read is the one expected and the file stays as the user wrote it.
TEST_P(SettingsText, IsReadAndNeverRewritten) {
    testbed::TempDir dir;
    LinuxSettingsStore store(dir.path());
    std::ofstream(store.path()) << GetParam().text;
    EXPECT_EQ(store.loggingLevel(), GetParam().level);
    EXPECT_EQ(slurp(store.path()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsStore, SettingsText,
    ::testing::Values(LevelText{"NoteAndSpaces", "# user's note\nLoggingLevel = 19\n", 19},
                      LevelText{"HexWithCrLf", "LoggingLevel=0x12\r\n", 0x12},
                      LevelText{"Largest", "LoggingLevel=4294967295\n", 0xFFFFFFFFu},
                      LevelText{"HashComment", "LoggingLevel = 19 # all\n", 19},
                      LevelText{"TabsAndSemicolonComment", "\tLoggingLevel\t=\t7\t; quiet\n", 7},
                      LevelText{"CommentedOutLines", "; LoggingLevel=5\n# LoggingLevel=6\nLoggingLevel=3\n", 3},
                      LevelText{"NotANumber", "LoggingLevel=abc\n", 0},
                      LevelText{"TooLarge", "LoggingLevel=4294967296\n", 0},
                      LevelText{"Negative", "LoggingLevel=-1\n", 0},
                      LevelText{"TrailingLetter", "LoggingLevel=3x\n", 0},
                      LevelText{"Empty", "LoggingLevel=\n", 0},
                      LevelText{"OnlyAComment", "LoggingLevel= # none\n", 0},
                      LevelText{"OtherKey", "Other=1\n", 0},
                      LevelText{"EmptyFile", "", 0}),
    [](const ::testing::TestParamInfo<LevelText>& info) { return std::string(info.param.name); });

TEST(SettingsStore, ReadsThroughASymbolicLinkAndLeavesLinksAlone) {
    testbed::TempDir dir;
    const std::string target = dir.path() + "/dotfiles-link.conf";
    const std::string link = dir.path() + "/link.conf";
    std::ofstream(target) << "LoggingLevel=7 # debugging\n";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    LinuxSettingsStore store(dir.path());
    EXPECT_EQ(store.loggingLevel(), 7u);
    EXPECT_EQ(typeOf(link), static_cast<unsigned>(S_IFLNK)) << "the link stays a link";
    EXPECT_EQ(slurp(target), "LoggingLevel=7 # debugging\n");

    // dangling: level 0, and nothing is created in the link's place or where it points
    ASSERT_EQ(::unlink(target.c_str()), 0);
    EXPECT_EQ(store.loggingLevel(), 0u);
    EXPECT_EQ(typeOf(link), static_cast<unsigned>(S_IFLNK));
    EXPECT_EQ(modeOf(target), 0xFFFFu);
}

TEST(SettingsStore, AFileThatCannotBeReadReadsAsZeroAndIsKept) {
    testbed::TempDir dir;
    LinuxSettingsStore store(dir.path());
    // a folder in the file's place
    ASSERT_EQ(::mkdir(store.path().c_str(), 0700), 0);
    EXPECT_EQ(store.loggingLevel(), 0u);
    EXPECT_EQ(typeOf(store.path()), static_cast<unsigned>(S_IFDIR));
    ASSERT_EQ(::rmdir(store.path().c_str()), 0);
    // a FIFO: no blocking, no replacement
    ASSERT_EQ(::mkfifo(store.path().c_str(), 0600), 0);
    EXPECT_EQ(store.loggingLevel(), 0u);
    EXPECT_EQ(typeOf(store.path()), static_cast<unsigned>(S_IFIFO));
}

TEST(LogSink, TruncatesAndAppendsToAPrivateFile) {
    testbed::TempDir home;
    testbed::ScopedEnv state("XDG_STATE_HOME", home.path() + "/state");
    LinuxLogSink log;
    ASSERT_EQ(log.path(), home.path() + "/state/devpanel/CorvaneSlc32.log");
    log.append("old entry\n");
    log.truncate();
    EXPECT_EQ(slurp(log.path()), "");
    EXPECT_EQ(modeOf(log.path()), 0600u);
    log.append("08:00:00 12: first\n");
    log.append("08:00:01 13: second\n");
    EXPECT_EQ(slurp(log.path()), "08:00:00 12: first\n08:00:01 13: second\n");
}

TEST(LogSink, RefusesSymbolicLinksAndFifosWithoutBlocking) {
    testbed::TempDir dir;
    LinuxLogSink log(dir.path());
    std::string victim = dir.path() + "/victim";
    std::ofstream(victim) << "keep";
    ASSERT_EQ(::symlink(victim.c_str(), log.path().c_str()), 0);
    log.truncate();
    log.append("entry\n");
    EXPECT_EQ(slurp(victim), "keep");

    ::unlink(log.path().c_str());
    ASSERT_EQ(::mkfifo(log.path().c_str(), 0600), 0);
    auto start = std::chrono::steady_clock::now();
    log.append("entry\n");  // no reader on the FIFO: must not wait for one
    log.truncate();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(UserFolders, RelativeXdgValuesFallBackToHome) {
    testbed::TempDir home;
    testbed::ScopedEnv h("HOME", home.path());
    testbed::ScopedEnv c("XDG_CONFIG_HOME", "relative/cfg");
    testbed::ScopedEnv s("XDG_STATE_HOME", "");
    EXPECT_EQ(configHome(), home.path() + "/.config");
    EXPECT_EQ(stateHome(), home.path() + "/.local/state");
}

TEST(Clock, TimeOfDayIsEightCharactersAndTicksAdvance) {
    LinuxClock clock;
    EXPECT_TRUE(std::regex_match(clock.timeOfDay(), std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]")));
    uint32_t before = clock.tickCount();
    clock.sleepMs(20);
    uint32_t elapsed = clock.tickCount() - before;  // unsigned: correct across a wrap
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 2000u);
}
