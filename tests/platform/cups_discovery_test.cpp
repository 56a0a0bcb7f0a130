// The installed-printer list against a private cupsd that this test starts on a Unix socket in a
// temporary folder (its own configuration, spool and state), with queues on parallel, usb,
// socket and file URIs. Skipped when cupsd or lpadmin is not installed.
#include <cups/cups.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/linux/cups_printers.h"
#include "platform/linux/usb.h"
#include "testbed.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/sbin"}) {
        std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

// Runs a program to its end (at most timeout), output to log. Returns its exit status, -1 when it
// could not run or had to be killed.
int run(const std::vector<std::string>& args, const std::string& log, std::chrono::milliseconds timeout) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    auto deadline = Clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool socketAnswers(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// A cupsd of our own, stopped by its process id when the object ends.
class PrivateCupsd {
public:
    PrivateCupsd(const std::string& cupsd, const std::string& folder) : folder_(folder) {
        for (const char* sub : {"root", "bin/backend", "spool", "cache", "state", "log"})
            fs::create_directories(folder + "/" + sub);
        // ServerBin is ours: the system's helpers, plus backends for every scheme the queues use
        // (cupsd refuses a device URI whose backend is missing; nothing is ever printed).
        for (const char* sub : {"daemon", "notifier", "filter", "cgi-bin", "driver", "monitor"}) {
            std::error_code ignored;
            if (fs::exists(std::string("/usr/lib/cups/") + sub))
                fs::create_symlink(std::string("/usr/lib/cups/") + sub, folder + "/bin/" + sub, ignored);
        }
        for (const char* backend : {"parallel", "usb", "socket"}) {
            std::string path = folder + "/bin/backend/" + backend;
            std::ofstream(path) << "#!/bin/sh\nexit 0\n";
            ::chmod(path.c_str(), 0755);
        }
        socket_ = folder + "/cups.sock";
        std::ofstream(folder + "/root/cupsd.conf")
            << "LogLevel warn\nListen " << socket_ << "\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
            << "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n  </Limit>\n</Policy>\n"
            << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
        // cupsd never runs its children as root; as root they run as lp, otherwise as ourselves.
        std::string user = "lp", group = "lp";
        if (::getuid() != 0) {
            if (passwd* pw = ::getpwuid(::getuid())) user = pw->pw_name;
            if (struct group* gr = ::getgrgid(::getgid())) group = gr->gr_name;
        }
        std::ofstream(folder + "/root/cups-files.conf")
            << "ServerRoot " << folder << "/root\nServerBin " << folder << "/bin\nDataDir /usr/share/cups\n"
            << "RequestRoot " << folder << "/spool\nCacheDir " << folder << "/cache\nStateDir " << folder
            << "/state\nTempDir " << folder << "/spool\nErrorLog " << folder << "/log/error_log\nAccessLog "
            << folder << "/log/access_log\nPageLog " << folder << "/log/page_log\nFileDevice Yes\n"
            << "Sandboxing Relaxed\nUser " << user << "\nGroup " << group << "\n";

        std::string conf = folder + "/root/cupsd.conf", files = folder + "/root/cups-files.conf";
        std::string log = folder + "/log/stdout";
        std::vector<std::string> args{cupsd, "-f", "-c", conf, "-s", files};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, cupsd.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && Clock::now() < deadline && !socketAnswers(socket_))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    ~PrivateCupsd() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        auto deadline = Clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    bool ready() const { return pid_ > 0 && socketAnswers(socket_); }
    const std::string& socket() const { return socket_; }
    std::string log() const {
        std::ifstream in(folder_ + "/log/error_log");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string folder_;
    std::string socket_;
    pid_t pid_ = -1;
};

const char* kPpd =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"SMALL.PPD\"\n*Manufacturer: \"Altrin\"\n"
    "*Product: \"(Pressline T90)\"\n*ModelName: \"Altrin Pressline T90\"\n*ShortNickName: \"Altrin T90\"\n"
    "*NickName: \"Altrin T90\"\n*PSVersion: \"(3010.000) 0\"\n*OpenUI *PageSize: PickOne\n"
    "*DefaultPageSize: A4\n*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
    "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n*DefaultPaperDimension: A4\n"
    "*PaperDimension A4/A4: \"595 842\"\n";

const std::string kDeviceId = "MFG:Altrin;MDL:Pressline T90;CMD:PJL, NPAP,;";

// Points libcups at server for the life of the object (libcups keeps its server per thread).
class ServerOverride {
public:
    explicit ServerOverride(const std::string& server) : env_("CUPS_SERVER", server) { cupsSetServer(nullptr); }
    ~ServerOverride() { cupsSetServer(nullptr); }

private:
    testbed::ScopedEnv env_;
};

}  // namespace

TEST(CupsPrinterList, MapsEachQueueOfAPrivateServerToItsPort) {
    const std::string cupsd = findProgram("cupsd"), lpadmin = findProgram("lpadmin");
    if (cupsd.empty() || lpadmin.empty()) GTEST_SKIP() << "cupsd or lpadmin is not installed: discovery not tested";
    testbed::Testbed bed;
    PrivateCupsd server(cupsd, bed.path("cups"));
    ASSERT_TRUE(server.ready()) << "private cupsd did not start:\n" << server.log();
    ServerOverride use(server.socket());

    // Two attached USB printers; the usb:// queue belongs to the second by its serial number.
    testbed::PtyPair pty0, pty1;
    bed.addUsbInterface(0, kDeviceId, std::string("AB12"));
    bed.addUsbNode(0, pty0.slavePath());
    bed.addUsbInterface(1, kDeviceId, std::string("CD34"));
    bed.addUsbNode(1, pty1.slavePath());

    bed.writeFile("small.ppd", kPpd);
    const std::vector<std::pair<std::string, std::string>> queues = {
        {"t90_parallel", "parallel:/dev/lp0"},
        {"t90_usb", "usb://Altrin/Pressline%20T90?serial=CD34"},
        {"t90_usb_gone", "usb://Altrin/Pressline%20T90?serial=ZZ99"},
        {"t90_socket", "socket://127.0.0.1:9100"},
        {"t90_file", "file://" + bed.path("out.prn")},
    };
    for (const auto& [name, uri] : queues) {
        ASSERT_EQ(run({lpadmin, "-p", name, "-v", uri, "-P", bed.path("small.ppd"), "-E"}, bed.path("lpadmin.log"),
                      std::chrono::seconds(10)), 0)
            << name << "\n" << server.log();
    }

    platform::linux_impl::LinuxUsbPrinters usb(bed.roots());
    platform::linux_impl::LinuxPrinterList list(usb);
    std::vector<platform::InstalledPrinter> printers;
    ASSERT_TRUE(list.list(printers));
    std::map<std::string, platform::InstalledPrinter> byName;
    for (const auto& p : printers) byName[p.name] = p;
    ASSERT_EQ(byName.size(), queues.size());
    for (const auto& [name, p] : byName) EXPECT_EQ(p.driverName, "Altrin T90") << name;
    EXPECT_EQ(byName["t90_parallel"].port, "LPT1:");
    EXPECT_EQ(byName["t90_usb"].port, "USB002");
    EXPECT_EQ(byName["t90_usb_gone"].port, "usb://Altrin/Pressline%20T90?serial=ZZ99");
    EXPECT_EQ(byName["t90_socket"].port, "socket://127.0.0.1:9100");
    EXPECT_EQ(byName["t90_file"].port.rfind("file:", 0), 0u);
}

TEST(CupsPrinterList, AServerThatCannotBeReachedIsAFailureWithinItsBound) {
    testbed::TempDir dir;
    platform::linux_impl::LinuxUsbPrinters usb(platform::linux_impl::Roots::under(dir.path()));
    std::vector<platform::InstalledPrinter> printers;
    {
        ServerOverride use(dir.path() + "/no-such.sock");
        platform::linux_impl::LinuxPrinterList list(usb, 500, 500);
        EXPECT_FALSE(list.list(printers));
        EXPECT_TRUE(printers.empty());
    }
    // A server that accepts the connection and then never answers.
    std::string path = dir.path() + "/silent.sock";
    int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ServerOverride use(path);
    platform::linux_impl::LinuxPrinterList list(usb, 500, 500);
    auto start = Clock::now();
    EXPECT_FALSE(list.list(printers));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
    ::close(listener);
}
