#include "private_cupsd.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace testbed {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool socketAnswers(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/sbin"}) {
        std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

int runProgram(const std::vector<std::string>& args, const std::string& log, std::chrono::milliseconds timeout) {
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

PrivateCupsd::PrivateCupsd(const std::string& cupsd, const std::string& folder) : folder_(folder) {
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
        << "/state\nTempDir " << folder << "/spool\nErrorLog " << folder << "/log/error_log\nAccessLog " << folder
        << "/log/access_log\nPageLog " << folder << "/log/page_log\nFileDevice Yes\n"
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

PrivateCupsd::~PrivateCupsd() {
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

bool PrivateCupsd::ready() const { return pid_ > 0 && socketAnswers(socket_); }

std::string PrivateCupsd::log() const {
    std::ifstream in(folder_ + "/log/error_log");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PrivateCupsd::addBackend(const std::string& scheme, const std::string& script) const {
    const std::string path = folder_ + "/bin/backend/" + scheme;
    std::ofstream(path) << script;
    ::chmod(path.c_str(), 0700);
}

}  // namespace testbed
