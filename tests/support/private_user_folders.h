// The per-user folders of a GUI test program (XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_CACHE_HOME,
// XDG_RUNTIME_DIR) moved into a private temporary folder for the life of the object, so that
// nothing the program does (Qt's own settings included) reaches $HOME. POSIX only.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace guitest {

class PrivateUserFolders {
public:
    // pattern: a mkdtemp pattern such as "/tmp/devpanel-gui-XXXXXX".
    explicit PrivateUserFolders(std::string pattern) {
        home_ = mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp";
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const std::string dir = home_ + "/" + var;
            std::filesystem::create_directories(dir);
            std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
            setenv(var, dir.c_str(), 1);
        }
    }
    ~PrivateUserFolders() {
        std::error_code ec;
        if (home_ != "/tmp") std::filesystem::remove_all(home_, ec);
    }
    PrivateUserFolders(const PrivateUserFolders&) = delete;
    PrivateUserFolders& operator=(const PrivateUserFolders&) = delete;

private:
    std::string home_;
};

}  // namespace guitest
