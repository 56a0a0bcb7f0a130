// A stand-in for the machine's /dev, /sys and /proc in a temporary folder, so that the real Linux
// platform runs against pseudo-terminals and files the test controls: dev/lp0 and dev/usb/lpN
// are symbolic links to pty slaves, procfs autoprobe and sysfs usbmisc attributes are plain
// files laid out as the kernel lays them out.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/parallel.h"
#include "platform/linux/roots.h"

namespace testbed {

// A fresh folder under $TMPDIR, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A pseudo-terminal pair opened by the test itself: the master plays the printer.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slave_; }
    // Writes bytes as the printer; reads what the host sent within ms (raw bytes).
    void send(const std::string& bytes);
    std::string receive(size_t n, int ms);
    void closeMaster();

private:
    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the slave side alive while the test opens and closes it
    std::string slave_;
};

// One devpanel-printer process serving a virtual printer on a pty (or on what its arguments name).
class PrinterProcess {
public:
    // Starts program with args and reads the first line it prints (the pty slave path; HOST:PORT
    // with --tcp). nullptr (error set) when it does not start or prints nothing within a few
    // seconds, or when a pty was expected and the line is no device path.
    static std::unique_ptr<PrinterProcess> start(const std::string& program, const std::vector<std::string>& args,
                                                 std::string& error);
    ~PrinterProcess();
    pid_t pid() const { return pid_; }
    const std::string& slavePath() const { return slave_; }
    // The next line it prints after the first, without its line end; empty when none comes
    // within timeoutMs.
    std::string nextLine(int timeoutMs);
    // Ends the process (SIGKILL by its id) and reaps it; the pty goes away with it.
    void kill();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int input_ = -1;
    std::string slave_;
};

class Testbed {
public:
    Testbed();
    const std::string& root() const { return dir_.path(); }
    platform::linux_impl::Roots roots() const { return platform::linux_impl::Roots::under(root()); }

    // A file (folders made as needed) with the given bytes and mode.
    void writeFile(const std::string& relative, const std::string& bytes, unsigned mode = 0644);
    // A symbolic link at relative pointing to target.
    void link(const std::string& relative, const std::string& target);
    void remove(const std::string& relative);
    std::string path(const std::string& relative) const;

    // proc/sys/dev/parport/parport{index}/autoprobe with one "KEY:VALUE;" line per field.
    void addAutoprobe(int index, const std::vector<std::string>& fields);
    // sys/class/usbmisc/lp{index} -> a USB interface folder with ieee1284_id (when given) whose
    // parent, the USB device, holds serial (when given), linked as the kernel links them.
    void addUsbInterface(int index, const std::optional<std::string>& deviceId,
                         const std::optional<std::string>& serial);
    // dev/lp{index} and dev/usb/lp{index} as links to a device (a pty slave).
    void addParallelNode(int index, const std::string& target);
    void addUsbNode(int index, const std::string& target);
    // dev/lp{index} as a node that opens for reading and writing and fails every read at once
    // with EIO, as the lp driver does on a port without a reverse channel: the opening
    // process's own /proc/self/mem, whose offset 0 is never mapped (writes there fail too).
    void addParallelNodeWithoutReverseChannel(int index);

private:
    TempDir dir_;
};

// The testbed's parallel ports with status lines the test sets: the stand-in nodes (ptys,
// /proc/self/mem) have none of their own (LPGETSTATUS answers ENOTTY).
class ParallelPortsWithStatus : public platform::linux_impl::LinuxParallelPorts {
public:
    using LinuxParallelPorts::LinuxParallelPorts;
    // nullopt: the lines cannot be read (ENOTTY).
    std::optional<platform::ParallelStatus> status = platform::ParallelStatus{true, false, false};
    bool readStatus(const std::string& portName, platform::ParallelStatus& out, int& errorNumber) override;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace testbed
