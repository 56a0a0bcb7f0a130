// The Windows implementations of the interfaces of platform.h, one class each. WindowsPlatform
// (windows_platform.h) owns one of every kind; tests make their own with private folders and keys.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/windows/handles.h"

namespace platform::windows_impl {

// The registry key of the link's settings under HKEY_LOCAL_MACHINE (and, as a fallback, under
// HKEY_CURRENT_USER).
constexpr const wchar_t* kSettingsKey = L"SOFTWARE\\CORVANE\\CORVANESLC";

class WindowsSystemInfo : public SystemInfo {
public:
    // Every Windows of the NT family (every current one) gives programs no direct two-way access
    // to a parallel port: the one-way workaround. Unknown when the version cannot be read.
    OsKind osKind() override;
    // On the one-way family every port is written one way already, with or without a reverse
    // channel: there is no port to single out.
    bool parallelPortIsWriteOnly(const std::string&) override { return false; }
};

// "LoggingLevel" (REG_DWORD) of the settings key. The key is machine-wide, under
// HKEY_LOCAL_MACHINE, and made writable for every user when this program creates it. A normal
// user under User Account Control may neither create nor write it there; the level then comes
// from a value an administrator set in HKEY_LOCAL_MACHINE, or else from the same key under
// HKEY_CURRENT_USER, which is created with 0 when missing.
class WindowsSettingsStore : public SettingsStore {
public:
    // machineRoot/userRoot: the hives to use (tests pass keys of their own under
    // HKEY_CURRENT_USER); subKey: the key under both.
    explicit WindowsSettingsStore(HKEY machineRoot = HKEY_LOCAL_MACHINE, HKEY userRoot = HKEY_CURRENT_USER,
                                  std::wstring subKey = kSettingsKey)
        : machineRoot_(machineRoot), userRoot_(userRoot), subKey_(std::move(subKey)) {}
    uint32_t loggingLevel() override;

private:
    HKEY machineRoot_;
    HKEY userRoot_;
    std::wstring subKey_;
};

// CorvaneSlc32.log in %LOCALAPPDATA%\devpanel: a user may not create files in the root folder of
// the system drive on current Windows, and the log is the user's own.
class WindowsLogSink : public LogSink {
public:
    // folder: where the log lives (UTF-8); empty means logFolder(%LOCALAPPDATA%), found at each call.
    explicit WindowsLogSink(std::string folder = "") : folder_(std::move(folder)) {}
    void truncate() override;
    void append(std::string_view entry) override;
    // The log's path; empty when there is no local application data folder.
    std::string path() const;

private:
    UniqueHandle openLog(bool empty);
    std::string folder_;
};

class WindowsClock : public Clock {
public:
    uint32_t tickCount() override { return ::GetTickCount(); }
    std::string timeOfDay() override;
    void sleepMs(uint32_t ms) override { ::Sleep(ms); }
};

// A parallel device opened for two-way traffic: its time-outs are the driver's CommTimeouts.
class WindowsParallelChannel : public ParallelChannel {
public:
    explicit WindowsParallelChannel(UniqueHandle handle) : device_(std::move(handle)) {}
    long write(const uint8_t* data, size_t n) override;
    long read(uint8_t* buffer, size_t n, int timeoutMs = -1) override;
    void cancel() override { device_.cancel(); }
    int lastError() const override { return device_.lastError(); }
    bool readDeviceId(uint8_t* buffer, size_t size, size_t& length) override;
    bool getTimeouts(CommTimeouts& timeouts) override;
    bool setTimeouts(const CommTimeouts& timeouts) override;

private:
    CommTimeouts current();

    DeviceChannel device_;
    std::mutex mutex_;
    CommTimeouts timeouts_;  // what was last set or read, to bound the waits here as well
    bool known_ = false;
};

class WindowsParallelPorts : public ParallelPorts {
public:
    std::unique_ptr<ParallelChannel> open(const std::string& portName, int& errorNumber) override;
    std::unique_ptr<Channel> openWriteOnly(const std::string& portName, int& errorNumber) override;
    // "\\.\LPTn" for port n.
    std::string deviceNode(const std::string& portName) override;
    // Not asked: every port takes the one-way workaround here (osKind), which needs no status.
    // False with ENOTSUP.
    bool readStatus(const std::string& portName, ParallelStatus& status, int& errorNumber) override;
};

// USB printing interfaces through SetupAPI: class 1 is the USB printing interface class, class 0
// the USB device class (whose devices are searched for printer interfaces of their own).
class WindowsUsbPrinters : public UsbPrinters {
public:
    bool enumerate(int interfaceClass, size_t maxCount, std::vector<UsbInterface>& out) override;
    bool interfaceForPort(int portNumber, UsbInterface& out) override;
    std::unique_ptr<Channel> openPipe(const std::string& devicePath, UsbPipe pipe, int& errorNumber) override;
};

// The spooler's printers (EnumPrinters level 2, local and connected).
class WindowsPrinterList : public PrinterList {
public:
    bool list(std::vector<InstalledPrinter>& out) override;
    // "the print spooler did not list its printers (Windows error N)".
    std::string lastProblem() override { return problem_; }

private:
    std::string problem_;
};

}  // namespace platform::windows_impl
