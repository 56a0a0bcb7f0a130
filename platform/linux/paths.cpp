#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

Files::Kind KindOfPath(const std::string& path, int& errorNumber) {
    errorNumber = 0;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        errorNumber = errno;
        return errno == ENOENT || errno == ENOTDIR ? Files::Kind::Missing : Files::Kind::Other;
    }
    if (S_ISREG(st.st_mode)) return Files::Kind::Regular;
    if (S_ISDIR(st.st_mode)) return Files::Kind::Folder;
    if (S_ISLNK(st.st_mode)) return Files::Kind::Link;
    return Files::Kind::Other;
}

// access() says yes to a superuser whatever the mode; the owner's bits are checked as well.
bool UserMayRead(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || ::access(path.c_str(), R_OK) != 0) return false;
    return st.st_uid != ::geteuid() || (st.st_mode & S_IRUSR) != 0;
}

bool UserMayWrite(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || ::access(path.c_str(), W_OK) != 0) return false;
    return st.st_uid != ::geteuid() || (st.st_mode & S_IWUSR) != 0;
}

bool MakePrivateFolders(const std::string& path, int& errorNumber) {
    errorNumber = 0;
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        const std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            errorNumber = errno;
            return false;
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        errorNumber = errno;
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        errorNumber = ENOTDIR;
        return false;
    }
    return true;
}

std::string FolderOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SiblingPath(const std::string& path, const std::string& name) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

std::string UserStateFile(const std::string& program, const std::string& name) {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/" + program + "/" + name;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/state/" + program + "/" + name;
    return {};
}

}  // namespace platform
