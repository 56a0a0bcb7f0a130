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

TEST(SettingsStore, ReadsTheStoredLevelAndReplacesAnUnreadableOne) {
    testbed::TempDir dir;
    LinuxSettingsStore store(dir.path());
    std::ofstream(store.path()) << "# user's note\nLoggingLevel = 19\n";
    EXPECT_EQ(store.loggingLevel(), 19u);
    std::ofstream(store.path()) << "LoggingLevel=0x12\r\n";
    EXPECT_EQ(store.loggingLevel(), 0x12u);
    std::ofstream(store.path()) << "LoggingLevel=4294967295\n";
    EXPECT_EQ(store.loggingLevel(), 0xFFFFFFFFu);
    for (const char* bad : {"LoggingLevel=abc\n", "LoggingLevel=4294967296\n", "LoggingLevel=-1\n", "LoggingLevel=3x\n",
                            "LoggingLevel=\n", "Other=1\n"}) {
        std::ofstream(store.path()) << bad;
        EXPECT_EQ(store.loggingLevel(), 0u) << bad;
        EXPECT_EQ(slurp(store.path()), "LoggingLevel=0\n") << bad;
    }
}

TEST(SettingsStore, NeverWritesThroughASymbolicLink) {
    testbed::TempDir dir;
    std::string victim = dir.path() + "/victim";
    std::ofstream(victim) << "LoggingLevel=7\n";
    ASSERT_EQ(::symlink(victim.c_str(), (dir.path() + "/link.conf").c_str()), 0);
    LinuxSettingsStore store(dir.path());
    EXPECT_EQ(store.loggingLevel(), 0u);  // the link is not read either
    EXPECT_EQ(slurp(victim), "LoggingLevel=7\n");
    EXPECT_EQ(modeOf(store.path()) & 0777, 0600u);  // the link was replaced by our own file
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
