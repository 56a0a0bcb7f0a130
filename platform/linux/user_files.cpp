#include "platform/linux/user_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/linux/unique_fd.h"

namespace platform::linux_impl {
namespace {

constexpr const char* kSettingsFile = "link.conf";
constexpr const char* kLogFile = "CorvaneSlc32.log";
constexpr std::string_view kLevelKey = "LoggingLevel";
constexpr size_t kSettingsLimit = 64 * 1024;

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    if (passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
    return "/tmp";
}

// XDG base folders must be absolute; a relative value is ignored as the XDG rules ask.
std::string xdgFolder(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return value;
    return homeFolder() + "/" + fallbackUnderHome;
}

bool writeAll(int fd, std::string_view text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The text of a regular file (a symbolic link to one is followed: the settings file is the
// user's, and may live in a dotfiles folder); nullopt for anything else or when it cannot be read.
// Non-blocking, so that a FIFO in its place cannot hold the link.
std::optional<std::string> readUserFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string text;
    char chunk[1024];
    while (text.size() < kSettingsLimit) {
        ssize_t r = ::read(fd.get(), chunk, sizeof chunk);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return std::nullopt;
        if (r == 0) break;
        text.append(chunk, static_cast<size_t>(r));
    }
    return text;
}

// Creates the settings file with level 0, but only where nothing is: O_EXCL fails on an existing
// file and on a symbolic link (even a dangling one), so the user's file is never replaced.
void createSettingsFile(const std::string& file) {
    int error = 0;
    if (!makeFolders(file.substr(0, file.rfind('/')), error)) return;
    UniqueFd out(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid()) return;
    // A failed write leaves an empty file, which reads as level 0 as well.
    if (writeAll(out.get(), "LoggingLevel=0\n")) ::fsync(out.get());
}

}  // namespace

std::string configHome() { return xdgFolder("XDG_CONFIG_HOME", ".config"); }
std::string stateHome() { return xdgFolder("XDG_STATE_HOME", ".local/state"); }

bool makeFolders(const std::string& path, int& errorNumber) {
    errorNumber = 0;
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            errorNumber = errno;
            return false;
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        errorNumber = ENOTDIR;
        return false;
    }
    return true;
}

std::optional<uint32_t> parseLoggingLevel(std::string_view text) {
    std::optional<uint32_t> level;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;  // a comment line
        size_t equals = line.find('=');
        if (equals == std::string_view::npos || trim(line.substr(0, equals)) != kLevelKey) continue;
        // A trailing "# ..." or "; ..." is the user's comment, not part of the number.
        std::string_view rest = line.substr(equals + 1);
        rest = trim(rest.substr(0, rest.find_first_of("#;")));
        std::string value(rest);
        if (value.empty() || value[0] == '-' || value[0] == '+') return std::nullopt;
        errno = 0;
        char* after = nullptr;
        unsigned long long parsed = std::strtoull(value.c_str(), &after, 0);
        if (errno != 0 || after == nullptr || *after != '\0' || parsed > 0xFFFFFFFFull) return std::nullopt;
        level = static_cast<uint32_t>(parsed);
    }
    return level;
}

std::string LinuxSettingsStore::path() const {
    std::string folder = folder_.empty() ? configHome() + "/devpanel" : folder_;
    return folder + "/" + kSettingsFile;
}

// The file is the user's: it is read (through a symbolic link too) and never rewritten. A value
// that is missing or cannot be read means 0; only a file that does not exist at all is created.
uint32_t LinuxSettingsStore::loggingLevel() {
    const std::string file = path();
    if (auto text = readUserFile(file)) return parseLoggingLevel(*text).value_or(0);
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 && errno == ENOENT) createSettingsFile(file);
    return 0;
}

std::string LinuxLogSink::path() const {
    std::string folder = folder_.empty() ? stateHome() + "/devpanel" : folder_;
    return folder + "/" + kLogFile;
}

int LinuxLogSink::openLog(int extraFlags) {
    std::string file = path();
    int error = 0;
    if (!makeFolders(file.substr(0, file.rfind('/')), error)) return -1;
    // Non-blocking open so that a FIFO in the log's place cannot hold the link.
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | extraFlags, 0600);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void LinuxLogSink::truncate() {
    UniqueFd fd(openLog(O_TRUNC));
}

void LinuxLogSink::append(std::string_view entry) {
    UniqueFd fd(openLog(O_APPEND));
    if (fd.valid()) writeAll(fd.get(), entry);
}

uint32_t LinuxClock::tickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);  // wraps like the system tick count
}

std::string LinuxClock::timeOfDay() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) return "00:00:00";
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

void LinuxClock::sleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform::linux_impl
