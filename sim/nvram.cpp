#include "sim/nvram.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

constexpr size_t kStateLimit = 1024 * 1024;  // far more than every setting of the model needs
constexpr int kLockPollMs = 10;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Creates every missing folder of path, mode 0700 (private to the user).
bool MakeFolders(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        const std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether the user may write to what st describes. The owner's mode bits count even for a
// superuser, for whom access() always says yes: a file its owner made read-only is not ours to
// replace.
bool Writable(const std::string& path, const struct stat& st) {
    if (::access(path.c_str(), W_OK) != 0) return false;
    return st.st_uid != ::geteuid() || (st.st_mode & S_IWUSR) != 0;
}

bool Readable(const struct stat& st) { return st.st_uid != ::geteuid() || (st.st_mode & S_IRUSR) != 0; }

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

std::string DefaultStateFile() {
    // A relative XDG_STATE_HOME is invalid by the XDG convention and ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/devpanel/virtual-t90.state";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/state/devpanel/virtual-t90.state";
    return {};
}

Nvram::~Nvram() { unlock(); }

std::string Nvram::describe() const { return "The virtual printer's state file " + stateFile_; }

bool Nvram::reset(const Model& model, const std::string& stateFile) {
    unlock();
    inSession_ = false;
    dirty_ = false;
    model_ = &model;
    stateFile_ = stateFile;
    error_.clear();
    values_.clear();
    for (const auto& [id, def] : model.settings()) values_[id] = def.defaultValue;
    return load();
}

// State file: one line per setting, "<id hex> <value hex>" (an empty value leaves the second
// word out); blank lines are allowed. Reads it over the model's defaults. The file must be ours
// to keep: anything that is wrong with it is reported (error_) rather than silently replaced by
// the defaults at the next save. On failure the values in memory stay as they were.
bool Nvram::load() {
    if (stateFile_.empty()) return true;
    std::map<uint16_t, Bytes> fresh;
    if (model_ != nullptr) {
        for (const auto& [id, def] : model_->settings()) fresh[id] = def.defaultValue;
    }
    const std::string what = describe();
    struct stat st {};
    if (::lstat(stateFile_.c_str(), &st) != 0) {
        if (errno == ENOENT) {  // not written yet: the defaults
            values_ = std::move(fresh);
            return true;
        }
        error_ = what + " cannot be used (" + std::strerror(errno) + "); name another state file.";
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        error_ = what + " is a symbolic link, which is not followed; replace it with the file itself or move it away "
                        "to start from the defaults.";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error_ = what + " is not a regular file; move it away or name another state file.";
        return false;
    }
    const int fd = Readable(st) ? ::open(stateFile_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1;
    if (fd < 0) {
        error_ = what + " cannot be read (" + std::strerror(Readable(st) ? errno : EACCES) +
                 "); make it readable (chmod u+rw) or move it away to start from the defaults.";
        return false;
    }
    std::string text;
    char chunk[4096];
    bool readOk = true;
    for (;;) {
        const ssize_t r = ::read(fd, chunk, sizeof chunk);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) readOk = false;
        if (r <= 0) break;
        text.append(chunk, static_cast<size_t>(r));
        if (text.size() > kStateLimit) break;
    }
    ::close(fd);
    if (!readOk) {
        error_ = what + " cannot be read (" + std::strerror(errno) + "); move it away to start from the defaults.";
        return false;
    }
    if (text.size() > kStateLimit) {
        error_ = what + " is too large to be a state file; move it away to start from the defaults.";
        return false;
    }
    std::istringstream lines(text);
    std::string line;
    size_t number = 0;
    std::map<uint16_t, Bytes> stored;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::string idText, valueText, extra;
        if (!(words >> idText)) continue;  // a blank line
        words >> valueText >> extra;
        const auto id = ParseHex(idText);
        const auto value = ParseHex(valueText);
        if (!id || id->size() != 2 || !value || !extra.empty()) {
            error_ = what + " is damaged at line " + std::to_string(number) +
                     "; move it away to start from the defaults.";
            return false;
        }
        stored[static_cast<uint16_t>(((*id)[0] << 8) | (*id)[1])] = *value;
    }
    if (!Writable(stateFile_, st)) {
        error_ = what + " is read-only, so the printer could not keep its settings; make it writable (chmod u+w) or "
                        "name another state file.";
        return false;
    }
    const std::string folder = FolderOf(stateFile_);
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0 || !Writable(folder, folderStat)) {
        error_ = what + " cannot be replaced because its folder " + folder +
                 " is not writable; make the folder writable or name another state file.";
        return false;
    }
    // A setting the model does not know, or a value it no longer accepts, comes from an older
    // model: it is dropped (the default stays) rather than making the whole file unusable.
    for (const auto& [id, value] : stored) {
        const SettingDef* def = model_ != nullptr ? model_->find(id) : nullptr;
        if (def != nullptr && def->accepts(value)) fresh[id] = value;
    }
    values_ = std::move(fresh);
    return true;
}

std::optional<Bytes> Nvram::get(uint16_t id) const {
    auto it = values_.find(id);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool Nvram::set(uint16_t id, const Bytes& value) {
    if (inSession_ || stateFile_.empty()) {
        values_[id] = value;
        dirty_ = true;
        return true;
    }
    if (!beginSession()) {
        values_[id] = value;  // the panel shows it, but it is not kept
        return false;
    }
    values_[id] = value;
    dirty_ = true;
    if (endSession()) return true;
    // Nothing may stay locked outside a session: the write is given up.
    inSession_ = false;
    dirty_ = false;
    unlock();
    return false;
}

bool Nvram::beginSession() {
    if (inSession_) return true;
    if (stateFile_.empty()) {
        inSession_ = true;
        return true;
    }
    if (!lock()) return false;
    // Another program may have changed the file since we last saw it: start from its values.
    error_.clear();
    if (!load()) {
        unlock();
        return false;
    }
    inSession_ = true;
    dirty_ = false;
    return true;
}

bool Nvram::endSession() {
    if (!inSession_) return true;
    if (dirty_ && !save()) return false;
    inSession_ = false;
    dirty_ = false;
    unlock();
    return true;
}

// The lock lives in a file of its own beside the state file: the state file itself is replaced
// by every save, and a lock on the replaced file would guard nothing.
bool Nvram::lock() {
    if (lockFd_ >= 0) return true;
    const std::string lockFile = stateFile_ + ".lock";
    if (!MakeFolders(FolderOf(stateFile_))) {
        error_ = describe() + " cannot be kept because its folder " + FolderOf(stateFile_) + " cannot be created (" +
                 std::strerror(errno) + "); name another state file.";
        return false;
    }
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        error_ = describe() + " cannot be locked: " + lockFile + " cannot be opened (" + std::strerror(errno) +
                 "); remove it or name another state file.";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockWaitMs_);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        const int e = errno;
        const auto now = std::chrono::steady_clock::now();
        if (e == EINTR) continue;
        if (e != EWOULDBLOCK || now >= deadline) {
            ::close(fd);
            error_ = e == EWOULDBLOCK
                         ? describe() + " is in use by another program that is changing settings; let it finish "
                                        "and try again."
                         : describe() + " cannot be locked (" + std::strerror(e) + "); name another state file.";
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(kLockPollMs, left + 1)));
    }
    lockFd_ = fd;
    return true;
}

void Nvram::unlock() {
    if (lockFd_ < 0) return;
    ::close(lockFd_);  // closing the only descriptor of the lock file releases the lock
    lockFd_ = -1;
}

bool Nvram::save() {
    if (stateFile_.empty()) return true;
    std::string text;
    for (const auto& [id, value] : values_) {
        text += ToHex({static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)});
        if (!value.empty()) {
            text += ' ';
            text += ToHex(value);
        }
        text += '\n';
    }
    // Written beside the state file and renamed over it, so a crash leaves the old or the new
    // state, never half of one.
    std::string pattern = stateFile_ + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) {
        error_ = describe() + " cannot be saved (" + std::strerror(errno) + "); make its folder writable.";
        return false;
    }
    int failure = 0;
    if (!WriteAll(fd, text) || ::fsync(fd) != 0) failure = errno != 0 ? errno : EIO;
    ::close(fd);
    if (failure == 0 && std::rename(name.data(), stateFile_.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(name.data());
        error_ = describe() + " cannot be saved (" + std::strerror(failure) +
                 "); the printer stays offline with the new settings until it can be.";
        return false;
    }
    // The rename itself is made durable by syncing the folder.
    const int folder = ::open(FolderOf(stateFile_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    error_.clear();
    return true;
}

}  // namespace sim
