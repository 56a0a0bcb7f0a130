// The devpanel program itself, run as a user or a script runs it: without a display, or with one
// that does not answer, it says so and ends with status 1 instead of aborting inside Qt; its
// options as a script uses them (usage errors, --screenshot, --quit-when-shown that never wait
// for a person); SIGTERM, SIGINT and SIGHUP end it as a close does, leaving no private folder
// behind; on a small screen at 200 % its window fits the screen.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

#include "qtapp/display_check.h"
#include "strings/string_table.h"
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
        const int null = ::open("/dev/null", O_RDWR), err = ::open(ErrPath().c_str(), O_WRONLY | O_CREAT, 0600),
                  out = ::open(OutPath().c_str(), O_WRONLY | O_CREAT, 0600);
        dup2(null, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
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
    std::string Stderr() const { return FileText(ErrPath()); }
    std::string Stdout() const { return FileText(OutPath()); }
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
    std::string OutPath() const { return tmp_ + "/stdout"; }
    static std::string FileText(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    guitest::PrivateUserFolders folders_;
    std::string tmp_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A Korean desktop (LANGUAGE decides first and needs no installed locale), as the texts these
// tests look for are the Korean ones.
const std::map<std::string, std::optional<std::string>> kOffscreen = {{"QT_QPA_PLATFORM", "offscreen"},
                                                                      {"LANGUAGE", "ko"}};

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

// --- a display that does not answer ----------------------------------------------------------------

struct X11Case {
    const char* name;
    std::map<std::string, std::string> variables;
    std::vector<std::string> arguments;
    const char* display;  // the display checked before Qt starts; "" when Qt is left to it
};

void PrintTo(const X11Case& c, std::ostream* os) { *os << c.name; }

class X11DisplayToCheckTest : public ::testing::TestWithParam<X11Case> {};

TEST_P(X11DisplayToCheckTest, ChecksTheDisplayQtWillOpenOverX11) {
    const X11Case& c = GetParam();
    EXPECT_EQ(X11DisplayToCheck(
                  [&](const char* name) -> const char* {
                      auto it = c.variables.find(name);
                      return it == c.variables.end() ? nullptr : it->second.c_str();
                  },
                  c.arguments),
              c.display);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, X11DisplayToCheckTest,
    ::testing::Values(
        X11Case{"DisplayAlone", {{"DISPLAY", ":0"}}, {}, ":0"},
        X11Case{"NoDisplay", {}, {}, ""},
        X11Case{"WaylandBesideItLeftToQt", {{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, {}, ""},
        X11Case{"XcbChosenOverWayland", {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":1"}, {"WAYLAND_DISPLAY", "w"}}, {}, ":1"},
        X11Case{"Offscreen", {{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", ":0"}}, {}, ""},
        X11Case{"WaylandFirstWithoutItsDisplay", {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":2"}}, {}, ":2"},
        X11Case{"WaylandFirstWithItsDisplay",
                {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":2"}, {"WAYLAND_DISPLAY", "w"}}, {}, ""},
        X11Case{"DisplayArgument", {{"DISPLAY", ":0"}}, {"-display", ":3"}, ":3"},
        X11Case{"PlatformArgument", {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":0"}}, {"-platform", "offscreen"}, ""}),
    [](const ::testing::TestParamInfo<X11Case>& info) { return std::string(info.param.name); });

// A display number nothing serves: no socket file, no abstract socket, a free TCP port.
int FreeDisplayNumber() {
    std::ifstream unixSockets("/proc/net/unix");
    const std::string sockets(std::istreambuf_iterator<char>(unixSockets), {});
    for (int n = 150; n < 400; ++n) {
        const std::string name = "/tmp/.X11-unix/X" + std::to_string(n);
        if (fs::exists(name) || sockets.find(name + "\n") != std::string::npos) continue;
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(6000 + n));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool free = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(probe);
        if (free) return n;
    }
    return -1;
}

// Something on an X display's TCP port that is no X server: it takes each connection and closes
// it at once.
class NotAnXServer {
public:
    explicit NotAnXServer(int display) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(6000 + display));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listening_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd_, 4) == 0;
        if (listening_) {
            thread_ = std::thread([this] {
                while (!stop_) {
                    pollfd p{fd_, POLLIN, 0};
                    if (poll(&p, 1, 50) == 1) close(accept(fd_, nullptr, nullptr));
                }
            });
        }
    }
    ~NotAnXServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(fd_);
    }
    bool listening() const { return listening_; }

private:
    int fd_ = -1;
    bool listening_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The program run on display with no platform chosen: Qt would take X11.
std::optional<int> RunOnDisplay(const std::string& display, std::string& err) {
    std::map<std::string, std::optional<std::string>> environment = {
        {"DISPLAY", display}, {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}};
    if (std::getenv("ASAN_OPTIONS") != nullptr) {
        // On a real X server Qt's X11 plug-in reads the keymap through libxkbcommon-x11, which
        // reads a reply with strndup past its end: strict string checks report that system
        // library, not ours (the window-frame test runs under the same options).
        environment["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1:strict_string_checks=0";
    }
    ProgramRun run({"--virtual=", "--quit-when-shown"}, environment);
    if (!run.started()) return std::nullopt;
    const std::optional<int> status = run.Wait();
    err = run.Stderr();
    return status;
}

TEST(ProgramTest, ADisplayThatDoesNotAnswerIsNamedAndEndsWithStatusOne) {
    const int number = FreeDisplayNumber();
    ASSERT_GE(number, 0) << "no free display number";
    NotAnXServer impostor(number);
    ASSERT_TRUE(impostor.listening());
    for (const std::string& display : {":" + std::to_string(number), "127.0.0.1:" + std::to_string(number)}) {
        SCOPED_TRACE(display);
        std::string err;
        const std::optional<int> status = RunOnDisplay(display, err);
        ASSERT_TRUE(status.has_value()) << "it did not end";
        EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status) << ": " << err;
        EXPECT_EQ(WEXITSTATUS(*status), 1) << err;
        EXPECT_NE(err.find("devpanel: cannot connect to the display " + display + ": "), std::string::npos) << err;
        EXPECT_EQ(err.find("qt.qpa"), std::string::npos) << "Qt was started: " << err;
    }
}

// Against a real X server (Xvfb): the check lets the program start, and a screen the server does
// not have is named.
TEST(ProgramTest, AnAnsweringXServerStartsTheProgramAndAMissingScreenIsNamed) {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb is not installed";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t xvfb = fork();
    if (xvfb == 0) {
        close(fds[0]);
        const int null = ::open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp", nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    struct Stop {
        pid_t pid;
        ~Stop() {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } stop{xvfb};
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";

    std::string err;
    std::optional<int> status = RunOnDisplay(":" + number, err);
    ASSERT_TRUE(status.has_value()) << "it did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << err;

    status = RunOnDisplay(":" + number + ".4", err);
    ASSERT_TRUE(status.has_value()) << "it did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << err;
    EXPECT_NE(err.find("cannot connect to the display :" + number + ".4: it has no such screen"), std::string::npos)
        << err;
}

// --- the options as a script uses them ------------------------------------------------------------

// "@" in a case's arguments, expected texts and environment stands for a folder of its own.
std::string InFolder(std::string text, const std::string& folder) {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + folder.size()))
        text.replace(at, 1, folder);
    return text;
}

struct OptionCase {
    const char* name;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;  // beside the offscreen platform
    int status;
    std::vector<std::string> said;  // each appears on stderr
    int messageId;                  // the start-up's message that appears on stderr (0: none)
    const char* picture;            // the file the run leaves in its folder (nullptr: none at all)
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }

// The roots of a computer without printers and a print server that does not answer.
const std::map<std::string, std::string> kNoPrinters = {
    {"DEVPANEL_DEV_ROOT", "@"}, {"DEVPANEL_SYS_ROOT", "@"}, {"DEVPANEL_PROC_ROOT", "@"}, {"CUPS_SERVER", "127.0.0.1:9"}};

std::map<std::string, std::string> InEnglish(std::map<std::string, std::string> environment) {
    environment["LANGUAGE"] = "en_US";
    return environment;
}
const std::map<std::string, std::string> kNoPrintersInEnglish = InEnglish(kNoPrinters);

class ProgramOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ProgramOptionTest, EndsAsAScriptExpects) {
    const OptionCase& c = GetParam();
    char pattern[] = "/tmp/devpanel-optiontest-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::vector<std::string> arguments;
    for (const std::string& a : c.arguments) arguments.push_back(InFolder(a, folder));
    std::map<std::string, std::optional<std::string>> environment = kOffscreen;
    for (const auto& [name, value] : c.environment) environment[name] = InFolder(value, folder);

    std::optional<int> status;
    std::string err, out;
    {
        ProgramRun run(arguments, environment);
        ASSERT_TRUE(run.started());
        status = run.Wait();
        err = run.Stderr();
        out = run.Stdout();
    }
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    std::error_code ignored;
    fs::remove_all(folder, ignored);

    ASSERT_TRUE(status.has_value()) << "it did not end: it waits for a person";
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status) << ": " << err;
    EXPECT_EQ(WEXITSTATUS(*status), c.status) << err;
    for (const std::string& said : c.said) EXPECT_NE(err.find(InFolder(said, folder)), std::string::npos) << err;
    if (c.messageId != 0) {
        EXPECT_NE(err.find(res::String(c.messageId)), std::string::npos) << err;
    }
    EXPECT_EQ(out, "");
    EXPECT_EQ(files, c.picture ? std::vector<std::string>{c.picture} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ProgramOptionTest,
    ::testing::Values(
        OptionCase{"UnknownOption", {"--virtual=", "--bogus"}, {}, 2,
                   {"devpanel: unknown option --bogus\n", "Usage: devpanel ["}, 0, nullptr},
        OptionCase{"WordWhereOnlyOptionsGo", {"--virtual=", "extra"}, {}, 2, {"unexpected argument extra"}, 0, nullptr},
        OptionCase{"OptionWithoutItsValue", {"--virtual=", "--ini"}, {}, 2, {"--ini needs a value"}, 0, nullptr},
        OptionCase{"EmptyScreenshotName", {"--virtual=", "--screenshot="}, {}, 2, {"--screenshot needs a value"}, 0, nullptr},
        OptionCase{"ScreenshotIntoAMissingFolder", {"--virtual=", "--screenshot", "@/missing/main.png"}, {}, 1,
                   {"cannot save the screenshot to @/missing/main.png: the folder @/missing does not exist"}, 0, nullptr},
        OptionCase{"ScreenshotWithAnUnknownExtension", {"--virtual=", "--screenshot", "@/main.xyz"}, {}, 1,
                   {"cannot save the screenshot to @/main.xyz: no image format has the extension .xyz"}, 0, nullptr},
        OptionCase{"ScreenshotThatCannotBeWritten", {"--virtual=", "--screenshot", "/proc/devpanel-main.png"}, {}, 1,
                   {"cannot save the screenshot to /proc/devpanel-main.png: "}, 0, nullptr},
        OptionCase{"ScreenshotAsJpeg", {"--virtual=", "--screenshot", "@/main.jpg"}, {}, 0, {}, 0, "main.jpg"},
        OptionCase{"NoPrinterFound", {"--quit-when-shown"}, kNoPrinters, 1, {}, 61205, nullptr},
        OptionCase{"NoPrinterFoundOnAnEnglishDesktop", {"--quit-when-shown"}, kNoPrintersInEnglish, 1,
                   {"No directly attached printer can be found."}, 0, nullptr},
        OptionCase{"LangOverridesTheDesktop", {"--quit-when-shown", "--lang", "en"}, kNoPrinters, 1,
                   {"No directly attached printer can be found."}, 0, nullptr},
        OptionCase{"LangOtherThanKoOrEn", {"--virtual=", "--lang", "fr"}, {}, 2,
                   {"devpanel: --lang takes ko or en, not fr\n", "[--lang ko|en]"}, 0, nullptr},
        OptionCase{"ReadFails", {"--port", "USB009", "--screenshot", "@/main.png"}, kNoPrinters, 1, {}, 61207, nullptr},
        OptionCase{"VirtualStateFileThatCannotBeUsed", {"--virtual=@", "--quit-when-shown"}, {}, 1,
                   {"The virtual printer's state file @ is not a regular file"}, 0, nullptr},
        OptionCase{"QuitWhenShownSaysNothing", {"--virtual=", "--quit-when-shown"}, {}, 0, {}, 0, nullptr}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

// The start-up benchmark's figure: the moment the window was shown, into the file the variable
// names, after the program started and before it ended; stdout stays empty.
TEST(ProgramTest, QuitWhenShownWritesTheShownTimeIntoTheNamedFileOnly) {
    char pattern[] = "/tmp/devpanel-showntest-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string file = std::string(pattern) + "/shown";
    timespec before{}, after{};
    clock_gettime(CLOCK_MONOTONIC, &before);
    std::string out;
    {
        ProgramRun run({"--virtual=", "--quit-when-shown"}, {{"QT_QPA_PLATFORM", "offscreen"}, {"DEVPANEL_SHOWN_AT_FILE", file}});
        ASSERT_TRUE(run.started());
        const std::optional<int> status = run.Wait();
        ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << run.Stderr();
        out = run.Stdout();
    }
    clock_gettime(CLOCK_MONOTONIC, &after);
    std::ifstream in(file);
    std::string word;
    long long shownAt = 0;
    in >> word >> shownAt;
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
    auto ns = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
    EXPECT_EQ(word, "shown-at-ns");
    EXPECT_GT(shownAt, ns(before));
    EXPECT_LT(shownAt, ns(after));
    EXPECT_EQ(out, "");
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
