#include "sim/sim_platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

#include "platform/local_time.h"
#include "platform/reverse_channel.h"

namespace sim {

namespace {
using SteadyClock = std::chrono::steady_clock;

// "LPT1" and "LPT1:" name the same port.
std::string PortKey(const std::string& name) {
    if (!name.empty() && name.back() == ':') return name.substr(0, name.size() - 1);
    return name;
}

int MsUntil(SteadyClock::time_point t) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}
}  // namespace

// Everything the interfaces and the channels they hand out share. Channels hold it (and their
// printer) by shared_ptr, so a channel outliving the SimPlatform stays safe to use.
struct SimPlatform::State {
    mutable std::mutex mutex;
    platform::OsKind osKind = platform::OsKind::TwoWay;

    bool hasLevel = false;
    bool levelCreated = false;
    uint32_t level = 0;

    std::string log;
    bool logCreated = false;
    bool logWritten = false;
    bool logUnwritable = false;

    std::atomic<double> sleepScale{1.0};
    std::atomic<uint32_t> defaultReadMs{50};
    uint64_t requestedSleepMs = 0;
    std::vector<uint32_t> sleeps;

    struct ParallelPort {
        std::shared_ptr<VirtualPrinter> printer;
        bool writeOnly = false;
        bool reverseChannel = true;
        // nullopt: the status lines cannot be read.
        std::optional<platform::ParallelStatus> status = platform::ParallelStatus{true, false, false};
    };
    std::map<std::string, ParallelPort> parallel;

    // One USB printer's device node: its open pipes and the transfer a write started.
    struct UsbNode {
        std::mutex mutex;
        int openPipes = 0;
        std::vector<uint8_t> inFlight;
    };
    struct UsbDevice {
        std::shared_ptr<UsbNode> node = std::make_shared<UsbNode>();
        int portNumber = 0;
        std::string serial;
        int interfaceClass = 1;
        std::string devicePath;
        std::shared_ptr<VirtualPrinter> printer;
    };
    std::vector<UsbDevice> usb;
    bool usbEnumerationFails = false;
    std::atomic<bool> usbTransfersInFlight{false};
    std::atomic<size_t> usbBytesCancelled{0};
    std::atomic<size_t> usbBytesDropped{0};
    std::atomic<bool> usbWritesNeverTaken{false};

    std::vector<platform::InstalledPrinter> installed;
    bool printersUnreadable = false;

    // The wait of a read that names none of its own, after the sleep scale; at least 1 ms so
    // that a reader polling with it never spins.
    int defaultWaitMs() const {
        const double scaled = defaultReadMs.load() * sleepScale.load();
        return std::max(1, static_cast<int>(std::lround(scaled)));
    }
};

namespace {

// Bytes to and from one virtual printer. Parallel devices honour CommTimeouts; USB pipes and
// write-only ends take the caller's time-out.
class PrinterChannel : public platform::ParallelChannel {
public:
    enum class Kind { Parallel, WriteOnly, UsbWrite, UsbRead };

    // reverseChannel false: a parallel port that carries bytes to the printer only. node: the
    // device node a USB pipe belongs to.
    PrinterChannel(std::shared_ptr<SimPlatform::State> state, std::shared_ptr<VirtualPrinter> printer, Kind kind,
                   bool reverseChannel = true, std::shared_ptr<SimPlatform::State::UsbNode> node = nullptr)
        : state_(std::move(state)),
          printer_(std::move(printer)),
          kind_(kind),
          reverseChannel_(reverseChannel),
          node_(std::move(node)) {
        if (node_) {
            std::lock_guard<std::mutex> lock(node_->mutex);
            ++node_->openPipes;
        }
    }

    ~PrinterChannel() override {
        if (!node_) return;
        std::lock_guard<std::mutex> lock(node_->mutex);
        if (--node_->openPipes != 0) return;
        // The last close of the node cancels the transfer still in flight, as usblp does.
        if (!node_->inFlight.empty()) {
            state_->usbBytesCancelled += node_->inFlight.size();
            node_->inFlight.clear();
        }
        // usblp also lets go of what it read from the printer for the host: a reply that came
        // while no read took it is lost with the last descriptor.
        if (state_->usbTransfersInFlight.load()) state_->usbBytesDropped += printer_->dropReadyOutput();
    }

    long write(const uint8_t* data, size_t n) override {
        if (cancelled_.load()) return fail(ECANCELED);
        if (kind_ == Kind::UsbRead) return fail(EBADF);
        if (node_ && (state_->usbTransfersInFlight.load() || state_->usbWritesNeverTaken.load())) {
            std::lock_guard<std::mutex> lock(node_->mutex);
            node_->inFlight.insert(node_->inFlight.end(), data, data + n);
            return static_cast<long>(n);
        }
        const long r = printer_->receive(data, n);
        if (r < 0) return fail(EIO);
        if (static_cast<size_t>(r) < n) lastError_ = EIO;
        return r;
    }

    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        if (cancelled_.load()) return fail(ECANCELED);
        if (kind_ == Kind::WriteOnly || kind_ == Kind::UsbWrite) return fail(EBADF);
        finishTransfer();
        if (kind_ == Kind::UsbRead) return readOnce(buffer, n, timeoutMs < 0 ? state_->defaultWaitMs() : timeoutMs);
        // As the lp driver: the reverse mode cannot be negotiated, the read fails at once.
        if (!reverseChannel_) return fail(EIO);
        return readParallel(buffer, n);
    }

    void cancel() override {
        cancelled_.store(true);
        printer_->wakeReaders();
    }

    int lastError() const override { return lastError_.load(); }

    bool sync() override {
        if (node_ && kind_ == Kind::UsbWrite && state_->usbWritesNeverTaken.load()) {
            // The driver waits for the transfer to finish within its bound, in vain.
            std::this_thread::sleep_for(std::chrono::milliseconds(state_->defaultWaitMs()));
            lastError_ = ETIMEDOUT;
            return false;
        }
        finishTransfer();
        return true;
    }

    bool readDeviceId(uint8_t* buffer, size_t size, size_t& length) override {
        std::vector<uint8_t> id;
        if (!reverseChannel_ || !printer_->readDeviceId(id)) {
            lastError_ = EIO;
            return false;
        }
        length = std::min(size, id.size());
        std::copy(id.begin(), id.begin() + static_cast<long>(length), buffer);
        return true;
    }

    bool getTimeouts(platform::CommTimeouts& timeouts) override {
        std::lock_guard<std::mutex> lock(mutex_);
        timeouts = timeouts_;
        return true;
    }

    bool setTimeouts(const platform::CommTimeouts& timeouts) override {
        std::lock_guard<std::mutex> lock(mutex_);
        timeouts_ = timeouts;
        return true;
    }

private:
    long fail(int error) {
        lastError_ = error;
        return -1;
    }

    // The printer takes what a USB write left in flight (unless it takes nothing any more).
    void finishTransfer() {
        if (!node_ || state_->usbWritesNeverTaken.load()) return;
        std::vector<uint8_t> bytes;
        {
            std::lock_guard<std::mutex> lock(node_->mutex);
            bytes.swap(node_->inFlight);
        }
        if (!bytes.empty()) (void)printer_->receive(bytes.data(), bytes.size());
    }

    long readOnce(uint8_t* buffer, size_t n, int waitMs) {
        const long r = printer_->transmit(buffer, n, waitMs, &cancelled_);
        if (cancelled_.load()) return fail(ECANCELED);
        if (r < 0) return fail(EIO);
        return r;
    }

    // Serial-port semantics: the read ends when n bytes are in, when the gap after a byte
    // exceeds readInterval, or when the total time-out passes. No time-outs set: a short default.
    long readParallel(uint8_t* buffer, size_t n) {
        platform::CommTimeouts t;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            t = timeouts_;
        }
        uint64_t totalMs = uint64_t{t.readTotalConstant} + uint64_t{t.readTotalMultiplier} * n;
        // Serial-port convention: an interval of MAXDWORD with no totals returns at once.
        const bool atOnce = totalMs == 0 && t.readInterval == std::numeric_limits<uint32_t>::max();
        if (totalMs == 0 && !atOnce) totalMs = static_cast<uint64_t>(state_->defaultWaitMs());
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(totalMs);
        size_t got = 0;
        while (got < n) {
            int wait = MsUntil(deadline);
            if (got > 0 && t.readInterval > 0) wait = std::min(wait, static_cast<int>(t.readInterval));
            const long r = printer_->transmit(buffer + got, n - got, wait, &cancelled_);
            if (cancelled_.load()) return fail(ECANCELED);
            if (r < 0) return got > 0 ? static_cast<long>(got) : fail(EIO);
            if (r == 0) {
                if (got > 0 && t.readInterval > 0) break;  // the gap after the last byte ran out
                if (SteadyClock::now() >= deadline) break;
                continue;
            }
            got += static_cast<size_t>(r);
        }
        return static_cast<long>(got);
    }

    std::shared_ptr<SimPlatform::State> state_;
    std::shared_ptr<VirtualPrinter> printer_;
    Kind kind_;
    bool reverseChannel_;
    std::shared_ptr<SimPlatform::State::UsbNode> node_;  // USB pipes only
    std::atomic<bool> cancelled_{false};
    std::atomic<int> lastError_{0};
    std::mutex mutex_;
    platform::CommTimeouts timeouts_;
};

}  // namespace

class SimPlatform::System : public platform::SystemInfo {
public:
    System(std::shared_ptr<State> s, platform::ParallelPorts& ports) : s_(std::move(s)), ports_(ports) {}
    platform::OsKind osKind() override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        return s_->osKind;
    }
    bool parallelPortIsWriteOnly(const std::string& portName) override {
        {
            std::lock_guard<std::mutex> lock(s_->mutex);
            auto it = s_->parallel.find(PortKey(portName));
            if (it == s_->parallel.end()) return false;
            if (it->second.writeOnly) return true;
        }
        return platform::ReadyPrinterWithoutReverseChannel(ports_, portName);
    }

private:
    std::shared_ptr<State> s_;
    platform::ParallelPorts& ports_;
};

class SimPlatform::Settings : public platform::SettingsStore {
public:
    explicit Settings(std::shared_ptr<State> s) : s_(std::move(s)) {}
    uint32_t loggingLevel() override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        if (!s_->hasLevel) {
            s_->hasLevel = true;
            s_->levelCreated = true;
            s_->level = 0;
        }
        return s_->level;
    }

private:
    std::shared_ptr<State> s_;
};

class SimPlatform::Log : public platform::LogSink {
public:
    explicit Log(std::shared_ptr<State> s) : s_(std::move(s)) {}
    void truncate() override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        if (s_->logUnwritable) return;
        s_->log.clear();
        s_->logCreated = true;
    }
    void append(std::string_view entry) override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        if (s_->logUnwritable) return;
        s_->log.append(entry);
        s_->logCreated = true;
        s_->logWritten = true;
    }

private:
    std::shared_ptr<State> s_;
};

class SimPlatform::SimClock : public platform::Clock {
public:
    explicit SimClock(std::shared_ptr<State> s) : s_(std::move(s)) {}
    uint32_t tickCount() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch());
        return static_cast<uint32_t>(ms.count());
    }
    std::string timeOfDay() override { return platform::LocalTimeOfDay(); }
    void sleepMs(uint32_t ms) override {
        {
            std::lock_guard<std::mutex> lock(s_->mutex);
            s_->requestedSleepMs += ms;
            s_->sleeps.push_back(ms);
        }
        const double real = ms * s_->sleepScale.load();
        if (real > 0) std::this_thread::sleep_for(std::chrono::microseconds(std::llround(real * 1000)));
    }

private:
    std::shared_ptr<State> s_;
};

class SimPlatform::Parallel : public platform::ParallelPorts {
public:
    explicit Parallel(std::shared_ptr<State> s) : s_(std::move(s)) {}
    std::unique_ptr<platform::ParallelChannel> open(const std::string& portName, int& errorNumber) override {
        auto printer = find(portName, errorNumber, false);
        if (!printer) return nullptr;
        return std::make_unique<PrinterChannel>(s_, printer, PrinterChannel::Kind::Parallel, reverseChannel(portName));
    }
    std::unique_ptr<platform::Channel> openWriteOnly(const std::string& portName, int& errorNumber) override {
        auto printer = find(portName, errorNumber, true);
        if (!printer) return nullptr;
        return std::make_unique<PrinterChannel>(s_, printer, PrinterChannel::Kind::WriteOnly);
    }

    bool readStatus(const std::string& portName, platform::ParallelStatus& status, int& errorNumber) override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        auto it = s_->parallel.find(PortKey(portName));
        if (it == s_->parallel.end()) {
            errorNumber = ENOENT;
            return false;
        }
        if (!it->second.status) {
            errorNumber = ENOTTY;
            return false;
        }
        status = *it->second.status;
        errorNumber = 0;
        return true;
    }

private:
    bool reverseChannel(const std::string& portName) {
        std::lock_guard<std::mutex> lock(s_->mutex);
        auto it = s_->parallel.find(PortKey(portName));
        return it == s_->parallel.end() || it->second.reverseChannel;
    }

    std::shared_ptr<VirtualPrinter> find(const std::string& portName, int& errorNumber, bool forWriting) {
        errorNumber = 0;
        std::shared_ptr<VirtualPrinter> printer;
        bool writeOnly = false;
        {
            std::lock_guard<std::mutex> lock(s_->mutex);
            auto it = s_->parallel.find(PortKey(portName));
            if (it == s_->parallel.end() || !it->second.printer) {
                errorNumber = ENOENT;
                return nullptr;
            }
            printer = it->second.printer;
            writeOnly = it->second.writeOnly;
        }
        if (printer->faults().openFails) {
            errorNumber = ENODEV;
            return nullptr;
        }
        if (writeOnly && !forWriting) {
            errorNumber = EACCES;
            return nullptr;
        }
        return printer;
    }
    std::shared_ptr<State> s_;
};

class SimPlatform::Usb : public platform::UsbPrinters {
public:
    explicit Usb(std::shared_ptr<State> s) : s_(std::move(s)) {}
    bool enumerate(int interfaceClass, size_t maxCount, std::vector<platform::UsbInterface>& out) override {
        std::vector<State::UsbDevice> devices;
        {
            std::lock_guard<std::mutex> lock(s_->mutex);
            if (s_->usbEnumerationFails) return false;
            devices = s_->usb;
        }
        for (const auto& d : devices) {
            if (out.size() >= maxCount) break;
            if (d.interfaceClass != interfaceClass || d.printer->faults().openFails) continue;
            platform::UsbInterface item;
            if (!d.printer->readDeviceId(item.deviceId)) continue;
            item.devicePath = d.devicePath;
            item.serialNumber = d.serial;
            out.push_back(std::move(item));
        }
        return true;
    }
    bool interfaceForPort(int portNumber, platform::UsbInterface& out) override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        for (const auto& d : s_->usb) {
            if (d.portNumber != portNumber) continue;
            out.devicePath = d.devicePath;
            out.serialNumber = d.serial;
            out.deviceId.clear();
            d.printer->readDeviceId(out.deviceId);
            return true;
        }
        return false;
    }
    std::unique_ptr<platform::Channel> openPipe(const std::string& devicePath, platform::UsbPipe pipe,
                                                int& errorNumber) override {
        errorNumber = 0;
        std::shared_ptr<VirtualPrinter> printer;
        std::shared_ptr<State::UsbNode> node;
        {
            std::lock_guard<std::mutex> lock(s_->mutex);
            for (const auto& d : s_->usb) {
                if (d.devicePath == devicePath) {
                    printer = d.printer;
                    node = d.node;
                }
            }
        }
        if (!printer) {
            errorNumber = ENOENT;
            return nullptr;
        }
        if (printer->faults().openFails || !printer->connected()) {
            errorNumber = ENODEV;
            return nullptr;
        }
        return std::make_unique<PrinterChannel>(
            s_, printer, pipe == platform::UsbPipe::Write ? PrinterChannel::Kind::UsbWrite : PrinterChannel::Kind::UsbRead,
            true, node);
    }

private:
    std::shared_ptr<State> s_;
};

class SimPlatform::Printers : public platform::PrinterList {
public:
    explicit Printers(std::shared_ptr<State> s) : s_(std::move(s)) {}
    bool list(std::vector<platform::InstalledPrinter>& out) override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        if (s_->printersUnreadable) return false;
        out = s_->installed;
        return true;
    }
    std::string lastProblem() override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        return s_->printersUnreadable ? "the simulated print server does not answer" : std::string();
    }

private:
    std::shared_ptr<State> s_;
};

SimPlatform::SimPlatform(const std::string& tempFolder) : tempFolder_(tempFolder), state_(std::make_shared<State>()) {
    if (tempFolder_.empty()) {
        int error = 0;
        tempFolder_ = platform::LocalTempFiles().createPrivateFolder("devpanel-sim-", error);
        ownsTempFolder_ = !tempFolder_.empty();
    }
    parallel_ = std::make_unique<Parallel>(state_);
    system_ = std::make_unique<System>(state_, *parallel_);
    settings_ = std::make_unique<Settings>(state_);
    log_ = std::make_unique<Log>(state_);
    clock_ = std::make_unique<SimClock>(state_);
    usb_ = std::make_unique<Usb>(state_);
    tempFiles_ = std::make_unique<platform::LocalTempFiles>(tempFolder_);
    files_ = std::make_unique<platform::LocalFiles>();
    printers_ = std::make_unique<Printers>(state_);
}

SimPlatform::~SimPlatform() {
    if (ownsTempFolder_) {
        std::error_code ignored;
        // The folder is UTF-8, as every path here; std::filesystem takes it as such only from u8.
        std::filesystem::remove_all(std::filesystem::path(std::u8string(tempFolder_.begin(), tempFolder_.end())), ignored);
    }
}

platform::Platform SimPlatform::interfaces() {
    platform::Platform p;
    p.system = system_.get();
    p.settings = settings_.get();
    p.log = log_.get();
    p.clock = clock_.get();
    p.parallel = parallel_.get();
    p.usb = usb_.get();
    p.tempFiles = tempFiles_.get();
    p.files = files_.get();
    p.printers = printers_.get();
    return p;
}

void SimPlatform::install() { platform::install(interfaces()); }

void SimPlatform::setOsKind(platform::OsKind kind) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->osKind = kind;
}

void SimPlatform::setLoggingLevel(uint32_t level) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->hasLevel = true;
    state_->level = level;
}

void SimPlatform::clearLoggingLevel() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->hasLevel = false;
    state_->levelCreated = false;
    state_->level = 0;
}

bool SimPlatform::hasLoggingLevel() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->hasLevel;
}

bool SimPlatform::loggingLevelCreated() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->levelCreated;
}

std::string SimPlatform::logText() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->log;
}

std::vector<std::string> SimPlatform::logLines() const {
    const std::string text = logText();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool SimPlatform::logCreated() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->logCreated;
}

bool SimPlatform::logWritten() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->logWritten;
}

void SimPlatform::clearLog() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->log.clear();
    state_->logCreated = false;
    state_->logWritten = false;
}

void SimPlatform::setLogUnwritable(bool unwritable) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->logUnwritable = unwritable;
}

void SimPlatform::setSleepScale(double scale) { state_->sleepScale.store(scale < 0 ? 0 : scale); }

uint64_t SimPlatform::requestedSleepMs() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->requestedSleepMs;
}

std::vector<uint32_t> SimPlatform::sleeps() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->sleeps;
}

VirtualPrinter& SimPlatform::addParallelPrinter(const std::string& portName, bool writeOnly, PrinterConfig config) {
    config.usb = false;
    auto printer = std::make_shared<VirtualPrinter>(std::move(config));
    std::lock_guard<std::mutex> lock(state_->mutex);
    State::ParallelPort& port = state_->parallel[PortKey(portName)];
    port.printer = printer;
    port.writeOnly = writeOnly;
    return *printer;
}

void SimPlatform::setParallelReverseChannel(const std::string& portName, bool present) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->parallel[PortKey(portName)].reverseChannel = present;
}

void SimPlatform::setParallelStatus(const std::string& portName, std::optional<platform::ParallelStatus> status) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->parallel[PortKey(portName)].status = status;
}

VirtualPrinter* SimPlatform::parallelPrinter(const std::string& portName) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    auto it = state_->parallel.find(PortKey(portName));
    return it == state_->parallel.end() ? nullptr : it->second.printer.get();
}

void SimPlatform::setDefaultReadMs(uint32_t ms) { state_->defaultReadMs.store(ms); }

VirtualPrinter& SimPlatform::addUsbPrinter(int portNumber, std::string serial, int interfaceClass, PrinterConfig config) {
    config.usb = true;
    config.serial = serial;
    auto printer = std::make_shared<VirtualPrinter>(std::move(config));
    std::lock_guard<std::mutex> lock(state_->mutex);
    State::UsbDevice d;
    d.portNumber = portNumber;
    d.serial = std::move(serial);
    d.interfaceClass = interfaceClass;
    d.devicePath = "sim-usb/lp" + std::to_string(state_->usb.size());
    d.printer = printer;
    state_->usb.push_back(std::move(d));
    return *printer;
}

VirtualPrinter* SimPlatform::usbPrinter(int portNumber) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (const auto& d : state_->usb) {
        if (d.portNumber == portNumber) return d.printer.get();
    }
    return nullptr;
}

std::string SimPlatform::usbDevicePath(int portNumber) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (const auto& d : state_->usb) {
        if (d.portNumber == portNumber) return d.devicePath;
    }
    return {};
}

void SimPlatform::setUsbEnumerationFails(bool fails) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->usbEnumerationFails = fails;
}

void SimPlatform::setUsbTransfersInFlight(bool inFlight) { state_->usbTransfersInFlight.store(inFlight); }

size_t SimPlatform::usbBytesCancelled() const { return state_->usbBytesCancelled.load(); }

size_t SimPlatform::usbBytesDropped() const { return state_->usbBytesDropped.load(); }

void SimPlatform::setUsbWritesNeverTaken(bool stalled) { state_->usbWritesNeverTaken.store(stalled); }

void SimPlatform::setInstalledPrinters(std::vector<platform::InstalledPrinter> printers) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->installed = std::move(printers);
}

void SimPlatform::setPrinterListUnreadable(bool unreadable) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->printersUnreadable = unreadable;
}

std::unique_ptr<SimPlatform> MakeVirtualSetup(const std::string& stateFile, std::string* problem) {
    if (problem != nullptr) problem->clear();
    auto sim = std::make_unique<SimPlatform>();
    PrinterConfig config;
    config.stateFile = stateFile;
    config.recordWire = false;
    VirtualPrinter& printer = sim->addUsbPrinter(1, "T90V000001", 1, config);
    std::string error;
    if (!printer.modelLoaded()) error = "The virtual printer cannot start: " + printer.modelError() + ".";
    else error = printer.stateError();
    if (!error.empty()) {
        if (problem != nullptr) *problem = error;
        return nullptr;
    }
    sim->setInstalledPrinters({{"Altrin Pressline T90", "Altrin Pressline T90", "USB001"}});
    sim->install();
    return sim;
}

}  // namespace sim
