// The link's per-user files: its settings store and its log, private to the user (files 0600 in
// folders 0700). The settings file (link.conf) is the user's own: it is read through a symbolic
// link and never rewritten, only created when it does not exist. The log is ours and is never
// opened through a symbolic link.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform::linux_impl {

// $XDG_CONFIG_HOME (when absolute), else $HOME/.config, else the home folder of the user.
std::string configHome();
// $XDG_STATE_HOME (when absolute), else $HOME/.local/state.
std::string stateHome();

// Creates every missing folder of path with mode 0700. False (errorNumber set) on failure.
bool makeFolders(const std::string& path, int& errorNumber);

// Parses the "LoggingLevel" line of the settings text: a 32-bit unsigned value, decimal or 0x
// hexadecimal, blanks allowed around "=" and a trailing "# ..." or "; ..." comment; lines starting
// with "#" or ";" are comments. nullopt when absent or not a valid value.
std::optional<uint32_t> parseLoggingLevel(std::string_view text);

class LinuxSettingsStore : public SettingsStore {
public:
    // folder: where link.conf lives; empty means configHome()/devpanel, found at each call.
    explicit LinuxSettingsStore(std::string folder = "") : folder_(std::move(folder)) {}
    uint32_t loggingLevel() override;
    std::string path() const;

private:
    std::string folder_;
};

class LinuxLogSink : public LogSink {
public:
    // folder: where CorvaneSlc32.log lives; empty means stateHome()/devpanel.
    explicit LinuxLogSink(std::string folder = "") : folder_(std::move(folder)) {}
    void truncate() override;
    void append(std::string_view entry) override;
    std::string path() const;

private:
    // Opens the log for writing, creating it 0600; refuses links and anything but a regular file.
    int openLog(int extraFlags);
    std::string folder_;
};

class LinuxClock : public Clock {
public:
    uint32_t tickCount() override;
    std::string timeOfDay() override;
    void sleepMs(uint32_t ms) override;
};

}  // namespace platform::linux_impl
