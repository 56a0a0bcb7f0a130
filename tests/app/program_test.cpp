// The devpanel program itself, run as a user runs it: without a display it says so and ends with
// status 1 instead of aborting inside Qt; SIGTERM, SIGINT and SIGHUP end it as a close does,
// leaving no private folder behind; on a small screen at 200 % its window fits the screen.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/display_check.h"
#include "private_user_folders.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How long the program may take for what it is asked; far more than it needs on a busy machine.
constexpr auto kProgramTime = std::chrono::seconds(60);
constexpr auto kPoll = std::chrono::milliseconds(10);

// One run of devpanel with a private TMPDIR, per-user folders and environment of its own.
class ProgramRun {
public:
    // environment: variables to set; a nullopt value removes the variable.
    // ignoredSignal: a signal the program inherits as ignored (0: none).
    ProgramRun(const std::vector<std::string>& arguments, const std::map<std::string, std::optional<std::string>>& environment,
               int ignoredSignal = 0)
        : folders_("/tmp/devpanel-programtest-XXXXXX") {
        char pattern[] = "/tmp/devpanel-programtmp-XXXXXX";
        tmp_ = mkdtemp(pattern) != nullptr ? pattern : "";
        int err[2];
        if (tmp_.empty() || pipe(err) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            // A program that aborts leaves no core file behind the test.
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            if (ignoredSignal != 0) signal(ignoredSignal, SIG_IGN);
            setenv("TMPDIR", tmp_.c_str(), 1);
            for (const auto& [name, value] : environment) {
                if (value)
                    setenv(name.c_str(), value->c_str(), 1);
                else
                    unsetenv(name.c_str());
            }
            const int null = ::open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            close(err[0]);
            std::vector<char*> argv{const_cast<char*>(DEVPANEL_PATH)};
            for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(DEVPANEL_PATH, argv.data());
            _exit(127);
        }
        close(err[1]);
        err_ = err[0];
    }
    ~ProgramRun() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (err_ >= 0) close(err_);
        std::error_code ignored;
        if (!tmp_.empty()) fs::remove_all(tmp_, ignored);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& tmp() const { return tmp_; }

    // The program's end: its wait status, or nullopt when it did not end in time (it is killed).
    std::optional<int> Wait() {
        const auto deadline = Clock::now() + kProgramTime;
        int status = 0;
        while (Clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return status;
            }
            std::this_thread::sleep_for(kPoll);
        }
        return std::nullopt;
    }
    // What it wrote on stderr (after it ended).
    std::string Stderr() {
        std::string text;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = read(err_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
        return text;
    }
    // The virtual printer's private folders in the program's TMPDIR.
    std::vector<std::string> SimFolders() const {
        std::vector<std::string> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(tmp_, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("devpanel-sim-", 0) == 0) found.push_back(name);
        }
        return found;
    }
    // Waits until pred holds while the program runs; false when it ended or time ran out.
    bool WaitUntil(const std::function<bool()>& pred) {
        const auto deadline = Clock::now() + kProgramTime;
        while (Clock::now() < deadline) {
            if (pred()) return true;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return false;
            }
            std::this_thread::sleep_for(kPoll);
        }
        return false;
    }
    // Whether the main thread sleeps (in its event loop, once the program is up).
    bool Sleeping() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'S';
    }

private:
    guitest::PrivateUserFolders folders_;
    std::string tmp_;
    pid_t pid_ = -1;
    int err_ = -1;
    bool ended_ = false;
};

const std::map<std::string, std::optional<std::string>> kOffscreen = {{"QT_QPA_PLATFORM", "offscreen"}};

// --- no display ----------------------------------------------------------------------------------

struct DisplayCase {
    const char* name;
    std::map<std::string, std::string> variables;
    std::vector<std::string> arguments;
    bool found;  // whether a display may be opened
};

void PrintTo(const DisplayCase& c, std::ostream* os) { *os << c.name; }

class DisplayCheckTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheckTest, TellsWhetherAWindowCanBeOpened) {
    const DisplayCase& c = GetParam();
    const std::string reason = NoDisplayReason(
        [&](const char* name) -> const char* {
            auto it = c.variables.find(name);
            return it == c.variables.end() ? nullptr : it->second.c_str();
        },
        c.arguments);
    EXPECT_EQ(reason.empty(), c.found) << reason;
    if (!c.found) {
        EXPECT_EQ(reason.rfind("no display found", 0), 0u) << reason;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DisplayCheckTest,
    ::testing::Values(
        DisplayCase{"Nothing", {}, {}, false},
        DisplayCase{"EmptyDisplay", {{"DISPLAY", ""}}, {}, false},
        DisplayCase{"X11", {{"DISPLAY", ":0"}}, {}, true},
        DisplayCase{"Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}}, {}, true},
        DisplayCase{"Offscreen", {{"QT_QPA_PLATFORM", "offscreen"}}, {}, true},
        DisplayCase{"OffscreenWithOptions", {{"QT_QPA_PLATFORM", "offscreen:configfile=/x.json"}}, {}, true},
        DisplayCase{"Minimal", {{"QT_QPA_PLATFORM", "minimal"}}, {}, true},
        DisplayCase{"Vnc", {{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, {}, true},
        DisplayCase{"XcbWithoutDisplay", {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, {}, false},
        DisplayCase{"WaylandWithoutItsDisplay", {{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}}, {}, false},
        DisplayCase{"ListFallsBackToX11", {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}}, {}, true},
        DisplayCase{"ListWithoutEither", {{"QT_QPA_PLATFORM", "wayland;xcb"}}, {}, false},
        DisplayCase{"PlatformArgument", {}, {"--virtual", "-platform", "offscreen"}, true},
        DisplayCase{"PlatformArgumentOverridesEnvironment", {{"QT_QPA_PLATFORM", "offscreen"}}, {"-platform", "xcb"}, false},
        DisplayCase{"DisplayArgument", {}, {"-display", ":1"}, true}),
    [](const ::testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.name); });

TEST(ProgramTest, WithoutADisplaySaysSoAndEndsWithStatusOne) {
    ProgramRun run({"--virtual="}, {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}});
    ASSERT_TRUE(run.started());
    const std::optional<int> status = run.Wait();
    ASSERT_TRUE(status.has_value()) << "it did not end";
    EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    const std::string err = run.Stderr();
    EXPECT_NE(err.find("devpanel: no display found"), std::string::npos) << err;
    EXPECT_EQ(err.find("qt.qpa"), std::string::npos) << "Qt was started: " << err;
    EXPECT_TRUE(run.SimFolders().empty());
}

// --- stop signals --------------------------------------------------------------------------------

struct StopCase {
    const char* name;
    int signal;
    bool up;  // sent once the window is up; otherwise as soon as the virtual printer's folder exists
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class StopSignalTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopSignalTest, EndsLikeACloseAndLeavesNoFolder) {
    const StopCase& c = GetParam();
    ProgramRun run({"--virtual="}, kOffscreen);
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.WaitUntil([&] { return !run.SimFolders().empty(); })) << run.Stderr();
    if (c.up) {
        // Up: its main thread sleeps in the event loop, sample after sample.
        int asleep = 0;
        ASSERT_TRUE(run.WaitUntil([&] { return (asleep = run.Sleeping() ? asleep + 1 : 0) >= 10; }));
    }
    ASSERT_EQ(kill(run.pid(), c.signal), 0);
    const std::optional<int> status = run.Wait();
    ASSERT_TRUE(status.has_value()) << "it did not end";
    EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_EQ(run.SimFolders(), std::vector<std::string>{}) << "left behind in " << run.tmp();
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest,
                         ::testing::Values(StopCase{"TermWhenUp", SIGTERM, true}, StopCase{"IntWhenUp", SIGINT, true},
                                           StopCase{"HupWhenUp", SIGHUP, true},
                                           StopCase{"TermWhileStarting", SIGTERM, false}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

// Started with SIGHUP ignored (nohup devpanel), the program keeps it ignored; SIGTERM still ends
// it cleanly.
TEST(ProgramTest, AHangUpIgnoredFromTheStartStaysIgnored) {
    ProgramRun run({"--virtual="}, kOffscreen, SIGHUP);
    ASSERT_TRUE(run.started());
    int asleep = 0;
    const auto up = [&] { return (asleep = run.Sleeping() ? asleep + 1 : 0) >= 10; };
    ASSERT_TRUE(run.WaitUntil([&] { return !run.SimFolders().empty(); }));
    ASSERT_TRUE(run.WaitUntil(up));
    ASSERT_EQ(kill(run.pid(), SIGHUP), 0);
    asleep = 0;
    EXPECT_TRUE(run.WaitUntil(up)) << "SIGHUP ended it";
    ASSERT_EQ(kill(run.pid(), SIGTERM), 0);
    const std::optional<int> status = run.Wait();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_EQ(run.SimFolders(), std::vector<std::string>{});
}

// --- a small screen at 200 % ---------------------------------------------------------------------

// The width and height of a PNG file, from its header.
std::pair<int, int> PngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (in.gcount() != sizeof header || std::memcmp(header + 1, "PNG", 3) != 0) return {0, 0};
    auto big = [&](int at) { return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3]; };
    return {big(16), big(20)};
}

TEST(ProgramTest, MainWindowFitsA1280By800ScreenAt200Percent) {
    char pattern[] = "/tmp/devpanel-screentest-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    // The offscreen platform's screen: 1280 x 800 device pixels, 640 x 400 at 200 %.
    std::ofstream(folder + "/screen.json")
        << R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1280, "height": 800,)"
        << R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    const std::string shot = folder + "/window.png";
    {
        ProgramRun run({"--virtual=", "--screenshot", shot},
                       {{"QT_QPA_PLATFORM", "offscreen:configfile=" + folder + "/screen.json"}, {"QT_SCALE_FACTOR", "2"}});
        ASSERT_TRUE(run.started());
        const std::optional<int> status = run.Wait();
        ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << run.Stderr();
    }
    const auto [width, height] = PngSize(shot);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    // The picture is the client area in device pixels; the platform's frame lies around it.
    EXPECT_GT(width, 1000);
    EXPECT_GT(height, 600);
    EXPECT_LE(width, 1280);
    EXPECT_LE(height, 800);
}

}  // namespace
