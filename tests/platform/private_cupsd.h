// A cupsd of the test's own on a Unix socket in a temporary folder (its own configuration,
// spool, state and ServerBin), for the printer list and the raw jobs of the Linux platform.
// Skipping is the caller's: findProgram says whether cupsd and lpadmin are installed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include <cups/cups.h>

#include "testbed.h"

namespace testbed {

// The path of an installed program in the usual system folders, or "".
std::string findProgram(const std::string& name);

// Runs a program to its end (at most timeout), output appended to log. Its exit status, -1 when
// it could not run or had to be killed.
int runProgram(const std::vector<std::string>& args, const std::string& log, std::chrono::milliseconds timeout);

// A cupsd of our own, stopped by its process id when the object ends. Its ServerBin has the
// system's helpers and stub backends for parallel, usb and socket (cupsd refuses a device URI
// whose backend is missing); addBackend adds more before or after the start.
class PrivateCupsd {
public:
    PrivateCupsd(const std::string& cupsd, const std::string& folder);
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    bool ready() const;
    const std::string& socket() const { return socket_; }
    // The scheduler's error log.
    std::string log() const;
    // ServerBin/backend/scheme with the given shell script, mode 0700: cupsd runs such a backend
    // as the user it runs as (root included), so the script may write into the test's folders.
    void addBackend(const std::string& scheme, const std::string& script) const;

private:
    std::string folder_;
    std::string socket_;
    pid_t pid_ = -1;
};

// Points libcups at server for the life of the object (libcups keeps its server per thread).
class ServerOverride {
public:
    explicit ServerOverride(const std::string& server) : env_("CUPS_SERVER", server) { cupsSetServer(nullptr); }
    ~ServerOverride() { cupsSetServer(nullptr); }
    ServerOverride(const ServerOverride&) = delete;
    ServerOverride& operator=(const ServerOverride&) = delete;

private:
    ScopedEnv env_;
};

}  // namespace testbed
