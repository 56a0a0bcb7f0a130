// The narrow interfaces through which the printer link and the start-up reach the operating
// system. Two implementations exist: the real one for Linux (platform/linux/) and the simulated
// one (sim/), which backs every device with the virtual printer. The program installs one of
// them at start-up with platform::install(); the link never knows which one it talks to.
//
// Conventions for every call below:
//  - No exceptions cross this interface; failures are return values.
//  - "Blocks" says whether the call may wait, and for how long at most.
//  - Error numbers are errno values (0 when none), used only for log lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How parallel ports are driven. Two-way: the port is opened for reading and writing, the
// device ID is read and replies come back (the "95 family" path). One-way: commands are
// collected in a temporary file and copied to the port when it is closed (the "NT family"
// workaround). Unknown: the kind could not be told.
enum class OsKind : int { Unknown = 0, TwoWay = 1, OneWay = 2 };

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // The kind of every parallel port on this machine. Does not block.
    virtual OsKind osKind() = 0;
    // True when this one port can only be written; such a port takes the one-way workaround
    // even on a two-way machine. Two kinds are: a node that opens for writing but not for
    // reading, and a port without a reverse channel whose printer says it is ready (see
    // ReadyPrinterWithoutReverseChannel in platform/reverse_channel.h). Sends the printer
    // nothing. Blocks for at most one open, one read that does not wait, one device-ID read
    // (about a second) and one status read.
    virtual bool parallelPortIsWriteOnly(const std::string& portName) = 0;
};

// The link's persistent settings (in place of the registry key).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Returns the "LoggingLevel" value. When it is missing or unreadable, stores 0 (creating the
    // store if needed, private to the user) and returns 0. Never fails. Blocks on file I/O only.
    virtual uint32_t loggingLevel() = 0;
};

// Where the link's log lines go.
class LogSink {
public:
    virtual ~LogSink() = default;
    // Empties the log (creating it, private to the user, never through a symbolic link).
    virtual void truncate() = 0;
    // Appends one complete entry. A log that cannot be opened costs the entry only.
    virtual void append(std::string_view entry) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start (the system's tick count). Does not block.
    virtual uint32_t tickCount() = 0;
    // The local time of day as "HH:MM:SS". Does not block.
    virtual std::string timeOfDay() = 0;
    // Blocks the calling thread for ms milliseconds.
    virtual void sleepMs(uint32_t ms) = 0;
};

// Time-outs of a parallel device, in milliseconds, with the meaning of serial-port time-outs:
// a read ends when the buffer is full, when the gap between two bytes exceeds readInterval, or
// when readTotalConstant + readTotalMultiplier * requested bytes have passed. All zero means the
// device's own default behaviour.
struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

// One open byte channel: a parallel device, a USB pipe or a file. Used from at most two threads
// at once (one writer, one reader), as the link does with a parallel port.
class Channel {
public:
    virtual ~Channel() = default;
    // Writes up to n bytes. Returns the count written (less than n on a partial write), or -1 on
    // failure. Blocks until written or the write time-out of the device passes.
    virtual long write(const uint8_t* data, size_t n) = 0;
    // Reads up to n bytes. Returns the count read, 0 when nothing came within the read time-outs
    // (a parallel device's current CommTimeouts; for USB pipes and files timeoutMs), or -1 on
    // failure. timeoutMs < 0 means the channel's default. Never blocks without a bound, and
    // returns at once after cancel().
    virtual long read(uint8_t* buffer, size_t n, int timeoutMs = -1) = 0;
    // Ends a read in progress on another thread (it returns -1) and makes later reads return -1
    // at once. Does not block.
    virtual void cancel() = 0;
    // The errno of the last failed call, for log lines.
    virtual int lastError() const = 0;
    // Makes everything written so far durable (fsync for a file). False (lastError set) when it
    // cannot be; channels without storage behind them have nothing to do and return true.
    // Blocks until the storage confirms.
    virtual bool sync() { return true; }
};

// A parallel device opened for two-way traffic.
class ParallelChannel : public Channel {
public:
    // Reads the IEEE 1284 device ID into buffer (capacity size), the bytes as the device returns
    // them. Returns true and sets length on success. Blocks at most about a second.
    virtual bool readDeviceId(uint8_t* buffer, size_t size, size_t& length) = 0;
    // Current time-outs; false when they cannot be read.
    virtual bool getTimeouts(CommTimeouts& timeouts) = 0;
    // Sets the time-outs used by later reads and writes; false on failure.
    virtual bool setTimeouts(const CommTimeouts& timeouts) = 0;
};

// The status lines a parallel printer drives towards the computer, as the port reads them.
struct ParallelStatus {
    bool selected = false;  // SELECT: the printer is on-line
    bool paperOut = false;  // PAPER END: it is out of paper
    bool fault = false;     // nFAULT asserted: it reports an error
};

class ParallelPorts {
public:
    virtual ~ParallelPorts() = default;
    // Opens the device of port "LPTn" or "LPTn:" for reading and writing. nullptr on failure
    // (errorNumber set). Does not block beyond the open.
    virtual std::unique_ptr<ParallelChannel> open(const std::string& portName, int& errorNumber) = 0;
    // Opens the device of the port for writing only (the one-way copy). nullptr on failure.
    virtual std::unique_ptr<Channel> openWriteOnly(const std::string& portName, int& errorNumber) = 0;
    // The device node that port "LPTn" or "LPTn:" uses (on Linux /dev/lp{n-1} under the device
    // root), for messages that tell the user which node failed. The port name itself where
    // there is no node. Does not block.
    virtual std::string deviceNode(const std::string& portName) { return portName; }
    // Reads the status lines of the port's device, sending it nothing (on Linux the lp driver's
    // LPGETSTATUS). The port must not be open elsewhere in this process (the lp driver admits
    // one open at a time). False (errorNumber set) when they cannot be told: no such port, a
    // device without status lines. Blocks for the open and one device control only.
    virtual bool readStatus(const std::string& portName, ParallelStatus& status, int& errorNumber) = 0;
};

// One USB printer interface as enumeration finds it.
struct UsbInterface {
    std::string devicePath;        // the base of its pipes
    std::vector<uint8_t> deviceId; // IEEE 1284 device ID as read, without length prefix
    std::string serialNumber;      // empty when the device has none
};

enum class UsbPipe { Write, Read };

class UsbPrinters {
public:
    virtual ~UsbPrinters() = default;
    // Present printer interfaces of class 0 (USB devices) or 1 (USB printing), in order, at most
    // maxCount. Interfaces whose device cannot be opened or whose ID cannot be read are left out.
    // Returns false when the class cannot be enumerated at all. Does not block beyond file I/O.
    virtual bool enumerate(int interfaceClass, size_t maxCount, std::vector<UsbInterface>& out) = 0;
    // The interface that the system port number (USB001 -> 1) belongs to, or false when none.
    virtual bool interfaceForPort(int portNumber, UsbInterface& out) = 0;
    // Opens one pipe of an interface (write pipe for commands, read pipe for replies). nullptr on
    // failure (errorNumber set). Reads on the read pipe return at most n bytes per call.
    virtual std::unique_ptr<Channel> openPipe(const std::string& devicePath, UsbPipe pipe,
                                              int& errorNumber) = 0;
};

class TempFiles {
public:
    virtual ~TempFiles() = default;
    // Creates a new, empty, unique file whose name begins with prefix in the temporary folder
    // and returns its path; empty on failure (errorNumber set). Does not block beyond file I/O.
    virtual std::string create(const std::string& prefix, int& errorNumber) = 0;
    // Creates a new folder, readable and writable by the user alone (0700), whose name begins
    // with prefix in the temporary folder (mkdtemp) and returns its path; empty on failure
    // (errorNumber set). Nobody else can add, swap or read files in it. Does not block beyond
    // file I/O.
    virtual std::string createPrivateFolder(const std::string& prefix, int& errorNumber) = 0;
};

class Files {
public:
    virtual ~Files() = default;
    // Opens a file for reading and writing, creating it when missing; truncate empties an
    // existing one. Never follows a symbolic link at the last component. nullptr on failure.
    virtual std::unique_ptr<Channel> open(const std::string& path, bool truncate, int& errorNumber) = 0;
    // Deletes a file; false when it could not be deleted.
    virtual bool remove(const std::string& path) = 0;

    // What is at a path, without following a symbolic link at the last component.
    enum class Kind { Missing, Regular, Folder, Link, Other };
    // Missing when nothing is there (errorNumber ENOENT or ENOTDIR); Other also when the path
    // cannot be examined (errorNumber set). Does not block beyond file I/O.
    virtual Kind kindOf(const std::string& path, int& errorNumber) = 0;
    // Creates a new, empty file with a unique name in folder: prefix followed by random
    // characters (the name never existed before: O_EXCL, no symbolic link followed), opened for
    // reading and writing, mode 0666 less the process's umask, so that it is a file like any
    // other the user makes. Returns the channel and sets path; nullptr on failure (errorNumber
    // set: the folder is missing, not writable, ...). Does not block beyond file I/O.
    virtual std::unique_ptr<Channel> createUnique(const std::string& folder, const std::string& prefix,
                                                  std::string& path, int& errorNumber) = 0;
    // Puts the file at from in the place of to (rename: atomic, to is replaced whole or not at
    // all; a symbolic link at to is replaced, never followed) and makes the change durable
    // (fsync of the folder). Both paths must be in the same folder. False (errorNumber set) when
    // the rename fails; to is then as it was. Does not block beyond file I/O.
    virtual bool replace(const std::string& from, const std::string& to, int& errorNumber) = 0;
    // Deletes an empty folder; false when it could not be deleted.
    virtual bool removeFolder(const std::string& path) = 0;
};

struct InstalledPrinter {
    std::string name;       // the queue name
    std::string driverName; // the driver (make and model)
    std::string port;       // "LPT1:", "USB001", or anything else for ports we do not drive
};

class PrinterList {
public:
    virtual ~PrinterList() = default;
    // The installed printers. Returns false when the list cannot be read at all. Blocks for at
    // most a few seconds (a print server that does not answer).
    virtual bool list(std::vector<InstalledPrinter>& out) = 0;
    // After list() returned false: why, in a few words that name what was asked and what is
    // missing (the print server tried, a scheduler or library not installed). Empty when the
    // platform cannot say. Does not block.
    virtual std::string lastProblem() { return {}; }
};

// One implementation of every interface. The pointers are owned elsewhere and outlive every
// call made through them.
struct Platform {
    SystemInfo* system = nullptr;
    SettingsStore* settings = nullptr;
    LogSink* log = nullptr;
    Clock* clock = nullptr;
    ParallelPorts* parallel = nullptr;
    UsbPrinters* usb = nullptr;
    TempFiles* tempFiles = nullptr;
    Files* files = nullptr;
    PrinterList* printers = nullptr;
};

// Makes p the platform of the process. Called once at start-up (and by tests between cases,
// while no link operation runs).
void install(const Platform& p);
// The installed platform. Calling it before install() is a programming error (it aborts).
const Platform& current();

}  // namespace platform
