#include "testbed.h"

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/port_name.h"

extern char** environ;

namespace testbed {
namespace fs = std::filesystem;

TempDir::TempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/devpanel-linux-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

PtyPair::PtyPair() {
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        ::close(fd);
        return;
    }
    char name[128];
    if (::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return;
    }
    termios mode{};
    master_ = fd;
    slave_ = name;
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveKeep_ >= 0 && ::tcgetattr(slaveKeep_, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(slaveKeep_, TCSANOW, &mode);
    }
}

PtyPair::~PtyPair() {
    closeMaster();
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
}

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPair::send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (w <= 0) return;
        done += static_cast<size_t>(w);
    }
}

std::string PtyPair::receive(size_t n, int ms) {
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (out.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buf[256];
        ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
        if (r <= 0) break;
        out.append(buf, static_cast<size_t>(r));
    }
    return out;
}

std::unique_ptr<PrinterProcess> PrinterProcess::start(const std::string& program, const std::vector<std::string>& args,
                                                      std::string& error) {
    int pipeFds[2];
    int inputFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    if (::pipe2(inputFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return nullptr;
    }
    // Its stdin is a pipe we hold: the printer ends by itself should this test process die.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, inputFds[0], STDIN_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    ::close(inputFds[0]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        ::close(inputFds[1]);
        error = "cannot start " + program + ": " + std::strerror(rc);
        return nullptr;
    }
    auto process = std::unique_ptr<PrinterProcess>(new PrinterProcess());
    process->pid_ = pid;
    process->output_ = pipeFds[0];
    process->input_ = inputFds[1];
    // The first line of its output is the slave path.
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p{process->output_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char c;
        if (::read(process->output_, &c, 1) != 1) break;
        line += c;
    }
    const bool tcp = std::find(args.begin(), args.end(), "--tcp") != args.end();
    if (line.find('\n') == std::string::npos || (!tcp && line.rfind("/dev/", 0) != 0)) {
        error = program + " printed no pty path (got \"" + line + "\")";
        return nullptr;
    }
    process->slave_ = line.substr(0, line.find('\n'));
    return process;
}

std::string PrinterProcess::nextLine(int timeoutMs) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p{output_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return "";
        char c;
        if (::read(output_, &c, 1) != 1) return "";
        if (c == '\n') return line;
        line += c;
    }
}

PrinterProcess::~PrinterProcess() {
    kill();
    if (output_ >= 0) ::close(output_);
    if (input_ >= 0) ::close(input_);
}

void PrinterProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

Testbed::Testbed() = default;

std::string Testbed::path(const std::string& relative) const { return root() + "/" + relative; }

void Testbed::writeFile(const std::string& relative, const std::string& bytes, unsigned mode) {
    fs::path file = path(relative);
    fs::create_directories(file.parent_path());
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) throw std::runtime_error("cannot write " + file.string());
    if (!bytes.empty() && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        ::close(fd);
        throw std::runtime_error("short write " + file.string());
    }
    ::fchmod(fd, mode);
    ::close(fd);
}

void Testbed::link(const std::string& relative, const std::string& target) {
    fs::path file = path(relative);
    fs::create_directories(file.parent_path());
    std::error_code ignored;
    fs::remove(file, ignored);
    fs::create_symlink(target, file);
}

void Testbed::remove(const std::string& relative) {
    std::error_code ignored;
    fs::remove_all(path(relative), ignored);
}

void Testbed::addAutoprobe(int index, const std::vector<std::string>& fields) {
    std::string text;
    for (const auto& f : fields) text += f + "\n";
    writeFile("proc/sys/dev/parport/parport" + std::to_string(index) + "/autoprobe", text, 0444);
}

void Testbed::addUsbInterface(int index, const std::optional<std::string>& deviceId,
                              const std::optional<std::string>& serial) {
    std::string device = "sys/devices/usb1/1-" + std::to_string(index + 1);
    std::string interface = device + "/1-" + std::to_string(index + 1) + ":1.0";
    fs::create_directories(path(interface));
    if (deviceId) writeFile(interface + "/ieee1284_id", *deviceId, 0444);
    if (serial) writeFile(device + "/serial", *serial + "\n", 0444);
    fs::create_directories(path("sys/class/usbmisc/lp" + std::to_string(index)));
    link("sys/class/usbmisc/lp" + std::to_string(index) + "/device",
         "../../../devices/usb1/1-" + std::to_string(index + 1) + "/1-" + std::to_string(index + 1) + ":1.0");
}

void Testbed::addParallelNode(int index, const std::string& target) {
    link("dev/lp" + std::to_string(index), target);
}

void Testbed::addUsbNode(int index, const std::string& target) {
    link("dev/usb/lp" + std::to_string(index), target);
}

void Testbed::addParallelNodeWithoutReverseChannel(int index) { link("dev/lp" + std::to_string(index), "/proc/self/mem"); }

bool ParallelPortsWithStatus::readStatus(const std::string& portName, platform::ParallelStatus& out, int& errorNumber) {
    if (!platform::ParallelPortNumber(portName)) {
        errorNumber = ENOENT;
        return false;
    }
    if (!status) {
        errorNumber = ENOTTY;
        return false;
    }
    out = *status;
    errorNumber = 0;
    return true;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
    else ::unsetenv(name_.c_str());
}

}  // namespace testbed
