// sim::SimPlatform: every interface of platform.h backed by memory and virtual printers, for
// tests and for `--virtual`. Files and temporary files are real (platform/local_files) inside a
// folder of the test's choosing; everything else lives in this object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/local_files.h"
#include "sim/virtual_printer.h"

namespace sim {

class SimPlatform {
public:
    // tempFolder: where TempFiles creates files; empty makes a private folder in the user's
    // temporary folder ($TMPDIR or /tmp; on Windows GetTempPathW) that is removed with this
    // object.
    explicit SimPlatform(const std::string& tempFolder = "");
    ~SimPlatform();
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    // Makes this the platform of the process (platform::install).
    void install();
    platform::Platform interfaces();

    // --- system
    void setOsKind(platform::OsKind kind);

    // --- settings store ("LoggingLevel")
    void setLoggingLevel(uint32_t level);  // as if the value were stored
    void clearLoggingLevel();              // the value is missing
    bool hasLoggingLevel() const;          // stored (by setLoggingLevel or created on first read)
    bool loggingLevelCreated() const;      // created by the platform because it was missing

    // --- log sink
    std::string logText() const;
    std::vector<std::string> logLines() const;  // split at "\n", without a last empty piece
    bool logCreated() const;                    // truncate() ran at least once
    bool logWritten() const;                    // append() stored at least one entry
    void clearLog();                            // forgets text and both flags
    void setLogUnwritable(bool unwritable);     // append() drops entries

    // --- clock
    // Every sleepMs(ms) sleeps ms * scale real milliseconds (0: returns at once).
    void setSleepScale(double scale);
    uint64_t requestedSleepMs() const;          // sum of every ms asked of sleepMs()
    std::vector<uint32_t> sleeps() const;       // each request, in order

    // --- parallel ports: "LPT1" and "LPT1:" name the same port
    VirtualPrinter& addParallelPrinter(const std::string& portName, bool writeOnly = false,
                                       PrinterConfig config = {});
    VirtualPrinter* parallelPrinter(const std::string& portName);
    // A port that carries bytes to the printer only (no IEEE 1284 reverse mode): no device ID,
    // every read fails at once with EIO, writes arrive. Every port has one until this says not.
    void setParallelReverseChannel(const std::string& portName, bool present);
    // What the port's status lines say; nullopt: they cannot be read. Selected, with paper and
    // without a fault until this says otherwise.
    void setParallelStatus(const std::string& portName, std::optional<platform::ParallelStatus> status);
    // Wait of a parallel read when no CommTimeouts are set, before the sleep scale (50 ms).
    void setDefaultReadMs(uint32_t ms);

    // --- USB printers: device paths "sim-usb/lp0", "sim-usb/lp1", ... in order of adding
    VirtualPrinter& addUsbPrinter(int portNumber, std::string serial, int interfaceClass = 1,
                                  PrinterConfig config = {});
    VirtualPrinter* usbPrinter(int portNumber);
    std::string usbDevicePath(int portNumber) const;
    void setUsbEnumerationFails(bool fails);
    // The USB printers' pipes behave as usblp's do: a write returns before the printer has the
    // bytes, the transfer finishes while any pipe of the device is open (at the next read of a
    // pipe, or when the write pipe is synced), and closing the device's last pipe cancels it and
    // drops what the printer had sent that no read has taken yet.
    void setUsbTransfersInFlight(bool inFlight);
    // Bytes of such transfers that a close cancelled, over all USB printers.
    size_t usbBytesCancelled() const;
    // Bytes the printers had sent that a close of the device's last pipe dropped.
    size_t usbBytesDropped() const;
    // A stalled USB printer (jammed, or its endpoint halted): the driver never gets a write's
    // transfer to the printer. Writes return as they do in flight, the transfer never finishes,
    // and syncing the write pipe waits out its bound (the default read wait, after the sleep
    // scale) and fails with ETIMEDOUT. Off until this says otherwise.
    void setUsbWritesNeverTaken(bool stalled);

    // --- installed printers
    void setInstalledPrinters(std::vector<platform::InstalledPrinter> printers);
    void setPrinterListUnreadable(bool unreadable = true);

    std::string tempFolder() const { return tempFolder_; }

    // The pieces, for code that wants one interface directly.
    struct State;
    class System;
    class Settings;
    class Log;
    class SimClock;
    class Parallel;
    class Usb;
    class Printers;

private:
    std::string tempFolder_;
    bool ownsTempFolder_ = false;
    std::shared_ptr<State> state_;
    std::unique_ptr<System> system_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<Log> log_;
    std::unique_ptr<SimClock> clock_;
    std::unique_ptr<Parallel> parallel_;
    std::unique_ptr<Usb> usb_;
    std::unique_ptr<platform::LocalTempFiles> tempFiles_;
    std::unique_ptr<platform::LocalFiles> files_;
    std::unique_ptr<Printers> printers_;
};

// One virtual USB printer on USB001 (serial "T90V000001") and the installed printer
// {"Altrin Pressline T90", "Altrin Pressline T90", "USB001"}; installs the platform. stateFile
// keeps the printer's settings across runs (empty: memory only). Used by `--virtual`.
// nullptr when the printer cannot start (its state file cannot be used, its model file cannot be
// read); *problem (when given) then receives one sentence saying what is wrong and what to do.
std::unique_ptr<SimPlatform> MakeVirtualSetup(const std::string& stateFile, std::string* problem = nullptr);

}  // namespace sim
