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
#include <iterator>
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
    // environment: variables to set (nullopt: removed); ignoredSignal: one the program inherits
    // as ignored (0: none).
    ProgramRun(const std::vector<std::string>& arguments, const std::map<std::string, std::optional<std::string>>& environment,
               int ignoredSignal = 0)
        : folders_("/tmp/devpanel-programtest-XXXXXX") {
        char pattern[] = "/tmp/devpanel-programtmp-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        tmp_ = pattern;
        pid_ = fork();
        if (pid_ != 0) return;
        const rlimit noCore{0, 0};  // a program that aborts leaves no core file behind the test
        setrlimit(RLIMIT_CORE, &noCore);
        if (ignoredSignal != 0) signal(ignoredSignal, SIG_IGN);
        setenv("TMPDIR", tmp_.c_str(), 1);
        for (const auto& [name, value] : environment) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        const int null = ::open("/dev/null", O_RDWR), err = ::open(ErrPath().c_str(), O_WRONLY | O_CREAT, 0600);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(DEVPANEL_PATH)};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(DEVPANEL_PATH, argv.data());
        _exit(127);
    }
    ~ProgramRun() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        if (!tmp_.empty()) fs::remove_all(tmp_, ignored);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& tmp() const { return tmp_; }

    // Waits until pred holds while the program runs; false when it ended or time ran out.
    bool WaitUntil(const std::function<bool()>& pred) {
        for (const auto deadline = Clock::now() + kProgramTime; Clock::now() < deadline;) {
            if (pred()) return true;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
                return false;
            }
            std::this_thread::sleep_for(kPoll);
        }
        return false;
    }
    // The program's wait status once it ended, or nullopt when it did not end in time.
    std::optional<int> Wait() {
        if (!status_) WaitUntil([] { return false; });
        return status_;
    }
    // Waits until it is up: its main thread sleeps in the event loop, sample after sample.
    bool WaitUntilUp() {
        int asleep = 0;
        return WaitUntil([&] {
            std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
            std::string line;
            std::getline(stat, line);
            const size_t name = line.rfind(')');
            const bool sleeping = name != std::string::npos && name + 2 < line.size() && line[name + 2] == 'S';
            asleep = sleeping ? asleep + 1 : 0;
            return asleep >= 10;
        });
    }
    std::string Stderr() const {
        std::ifstream in(ErrPath());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

private:
    std::string ErrPath() const { return tmp_ + "/stderr"; }
    guitest::PrivateUserFolders folders_;
    std::string tmp_;
    pid_t pid_ = -1;
    std::optional<int> status_;
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
        DisplayCase{"OffscreenWithOptions", {{"QT_QPA_PLATFORM", "offscreen:configfile=/x.json"}}, {}, true},
        DisplayCase{"Vnc", {{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, {}, true},
        DisplayCase{"XcbWithoutDisplay", {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, {}, false},
        DisplayCase{"WaylandWithoutItsDisplay", {{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}}, {}, false},
        DisplayCase{"ListFallsBackToX11", {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}}, {}, true},
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
        ASSERT_TRUE(run.WaitUntilUp());
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
    ASSERT_TRUE(run.WaitUntil([&] { return !run.SimFolders().empty(); }));
    ASSERT_TRUE(run.WaitUntilUp());
    ASSERT_EQ(kill(run.pid(), SIGHUP), 0);
    EXPECT_TRUE(run.WaitUntilUp()) << "SIGHUP ended it";
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
