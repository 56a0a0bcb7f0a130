#include "sim/virtual_printer.h"

#include <algorithm>
#include <cstring>

#include "protocol/packets.h"
#include "sim/npa_engine.h"
#include "sim/nvram.h"
#include "sim/wire_stream.h"

namespace sim {

namespace {
constexpr size_t kOversizeTotal = 2100;  // bytes of a padded reply: more than any host buffer of 2048
constexpr uint8_t kStray[] = {0xFF, 0x00, 0x5A};

Bytes Garbage(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>("GARBAGE-"[i % 8]);
    return out;
}

// Cuts a packet's data into packets of at most n data bytes, all but the last with the continue bit.
std::vector<Bytes> Split(const Bytes& p, size_t n) {
    const Bytes data(p.begin() + 5, p.end());
    if (n == 0 || data.size() <= n) return {p};
    std::vector<Bytes> out;
    for (size_t at = 0; at < data.size(); at += n) {
        const size_t len = std::min(n, data.size() - at);
        const bool last = at + len == data.size();
        out.push_back(MakePacket(last ? p[3] : static_cast<uint8_t>(p[3] | npa::FLAG_CONTINUE), p[4],
                                 Bytes(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + len))));
    }
    return out;
}
}  // namespace

VirtualPrinter::VirtualPrinter(PrinterConfig config)
    : config_(std::move(config)), model_(std::make_unique<Model>()), nvram_(std::make_unique<Nvram>()),
      stream_(std::make_unique<WireStream>()) {
    const std::string path = config_.modelFile.empty() ? Model::defaultPath() : config_.modelFile;
    modelLoaded_ = model_->load(path, modelError_);
    nvram_->reset(*model_, config_.stateFile);
    engine_ = std::make_unique<NpaEngine>(*model_, *nvram_);
}

VirtualPrinter::~VirtualPrinter() = default;

bool VirtualPrinter::modelLoaded() const { return modelLoaded_; }
std::string VirtualPrinter::modelError() const { return modelError_; }

std::string VirtualPrinter::stateError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return nvram_->error();
}

void VirtualPrinter::setStateLockWaitMs(int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    nvram_->setLockWaitMs(ms);
}

long VirtualPrinter::receive(const uint8_t* data, size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_) return -1;
    if (packetsUntilDeaf_ == 0) return 0;  // the printer has stopped reading
    size_t take = n;
    if (bytesUntilDisconnect_ >= 0) take = std::min(n, static_cast<size_t>(bytesUntilDisconnect_));
    if (take == 0 && n > 0) {
        connected_ = false;
        changed_.notify_all();
        return -1;
    }
    std::vector<WireUnit> units;
    if (packetsUntilDeaf_ > 0) {
        // One byte at a time, so that reading stops right after the last packet it may take.
        size_t used = 0;
        while (used < take && packetsUntilDeaf_ > 0) {
            const size_t before = units.size();
            stream_->feed(data + used, 1, units);
            ++used;
            for (size_t i = before; i < units.size(); ++i) {
                if (units[i].kind == WireUnit::Kind::NpaPacket) --packetsUntilDeaf_;
            }
        }
        take = used;
    } else {
        stream_->feed(data, take, units);
    }
    const bool record = config_.recordWire;
    if (record) receivedChunks_.emplace_back(data, data + take);
    for (const WireUnit& unit : units) {
        if (unit.kind == WireUnit::Kind::NpaPacket) {
            ++receivedPacketCount_;
            if (record) receivedPackets_.push_back(unit.bytes);
        }
        if (record && unit.kind == WireUnit::Kind::PjlLine) receivedPjl_.emplace_back(unit.bytes.begin(), unit.bytes.end());
        if (auto reply = engine_->handle(unit, config_, faults_)) queueReplyLocked(reply->packets, reply->npa);
    }
    if (bytesUntilDisconnect_ >= 0) {
        bytesUntilDisconnect_ -= static_cast<long>(take);
        if (bytesUntilDisconnect_ == 0) connected_ = false;
    }
    changed_.notify_all();
    return static_cast<long>(take);
}

void VirtualPrinter::queueLocked(std::vector<uint8_t> bytes, Clock::time_point readyAt) {
    if (bytes.empty()) return;
    if (config_.recordWire) sentPackets_.push_back(bytes);
    output_.push_back({readyAt, std::move(bytes)});
}

void VirtualPrinter::queueReplyLocked(const std::vector<Bytes>& packets, bool npaReply) {
    if (packets.empty() || faults_.silent) return;
    const auto readyAt = Clock::now() + std::chrono::milliseconds(std::max(0, faults_.replyDelayMs));
    if (!npaReply) {
        for (const Bytes& p : packets) queueLocked(p, readyAt);
        return;
    }
    if (faults_.garbageInsteadOfReply) {
        queueLocked(Garbage(16), readyAt);
        return;
    }
    if (faults_.garbageBefore > 0) queueLocked(Garbage(faults_.garbageBefore), readyAt);
    const int stray = std::clamp(faults_.strayBytes, 0, 3);
    if (stray > 0) queueLocked(Bytes(kStray, kStray + stray), readyAt);
    for (int i = 0; i < faults_.unsolicitedErrorsBefore; ++i)
        queueLocked(MakePacket(npa::FLAG_ERROR, npa::CMD_SETTINGS, {0x01}), readyAt);
    for (int i = 0; i < faults_.commandErrorsBefore; ++i)
        queueLocked(MakePacket(config_.commandErrorFlags, npa::CMD_SETTINGS, {0xE7, 0x00}), readyAt);
    for (int i = 0; i < faults_.foreignRepliesBefore; ++i)
        queueLocked(MakePacket(kReplyFlags, kForeignCommand, {0xE7, 0x00}), readyAt);
    for (Bytes p : packets) {
        if (faults_.echoCommand >= 0) p[4] = static_cast<uint8_t>(faults_.echoCommand);
        if (faults_.oversizeReply && p.size() < kOversizeTotal) {
            p.resize(kOversizeTotal, 0x00);
            npa::WriteDataLen(p.data(), static_cast<uint16_t>(p.size() - 3));
        }
        for (Bytes& piece : Split(p, faults_.splitDataBytes)) queueLocked(std::move(piece), readyAt);
    }
}

long VirtualPrinter::transmit(uint8_t* buffer, size_t max, int timeoutMs, const std::atomic<bool>* abort) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    const uint64_t generation = wakeGeneration_;
    if (config_.usb) max = std::min(max, kUsbTransferSize);
    for (;;) {
        if (!connected_) return -1;
        if (wakeGeneration_ != generation) return 0;
        if (abort != nullptr && abort->load()) return 0;
        const auto now = Clock::now();
        size_t copied = 0;
        // Ready chunks run together: several messages may share one transfer.
        while (copied < max && !output_.empty() && output_.front().readyAt <= now) {
            Chunk& front = output_.front();
            const size_t n = std::min(max - copied, front.bytes.size() - outputOffset_);
            std::memcpy(buffer + copied, front.bytes.data() + outputOffset_, n);
            copied += n;
            outputOffset_ += n;
            if (outputOffset_ == front.bytes.size()) {
                output_.pop_front();
                outputOffset_ = 0;
            }
        }
        if (copied > 0 || max == 0) return static_cast<long>(copied);
        if (now >= deadline) return 0;
        auto wakeAt = deadline;
        if (!output_.empty()) wakeAt = std::min(wakeAt, output_.front().readyAt);
        changed_.wait_until(lock, wakeAt);
    }
}

void VirtualPrinter::wakeReaders() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++wakeGeneration_;
    changed_.notify_all();
}

void VirtualPrinter::disconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    connected_ = false;
    changed_.notify_all();
}

void VirtualPrinter::reconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    connected_ = true;
    bytesUntilDisconnect_ = -1;
    faults_.disconnectAfterBytes = -1;
    output_.clear();
    outputOffset_ = 0;
    stream_->reset();
    changed_.notify_all();
}

bool VirtualPrinter::connected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connected_;
}

std::string VirtualPrinter::deviceId() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (faults_.foreignDeviceId) return "MANUFACTURER:Brennick;COMMAND SET:PCL,PJL,POSTSCRIPT;MODEL:Office 40;CLASS:PRINTER;";
    std::string id = "MANUFACTURER:" + config_.manufacturer + ";COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:" +
                     config_.model + ";CLASS:PRINTER;";
    if (config_.usb && !config_.serial.empty()) id += "SERIALNUMBER:" + config_.serial + ";";
    return id;
}

bool VirtualPrinter::readDeviceId(std::vector<uint8_t>& out) const {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (faults_.deviceIdUnreadable || !connected_) return false;
    }
    const std::string id = deviceId();
    out.assign(id.begin(), id.end());
    return true;
}

void VirtualPrinter::setConfig(const PrinterConfig& config) {
    std::lock_guard<std::mutex> lock(mutex_);
    // The model and the state file belong to the printer's hardware: they stay as constructed.
    const std::string modelFile = config_.modelFile, stateFile = config_.stateFile;
    config_ = config;
    config_.modelFile = modelFile;
    config_.stateFile = stateFile;
}

PrinterConfig VirtualPrinter::config() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return config_;
}

void VirtualPrinter::setNpaMode(NpaMode mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.mode = mode;
}

void VirtualPrinter::setUsbTransfers(bool usb) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.usb = usb;
}

void VirtualPrinter::setFaults(const Faults& faults) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_ = faults;
    bytesUntilDisconnect_ = faults.disconnectAfterBytes;
    packetsUntilDeaf_ = faults.stopReadingAfterPackets;
}

Faults VirtualPrinter::faults() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_;
}

bool VirtualPrinter::offline() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_->offline();
}

bool VirtualPrinter::alertRegistered() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_->registered();
}

bool VirtualPrinter::npaStarted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_->started();
}

std::optional<Bytes> VirtualPrinter::value(uint16_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return nvram_->get(id);
}

void VirtualPrinter::setValue(uint16_t id, const Bytes& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    nvram_->set(id, value);
}

const Model& VirtualPrinter::model() const { return *model_; }

std::vector<std::vector<uint8_t>> VirtualPrinter::receivedPackets() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receivedPackets_;
}

std::vector<std::vector<uint8_t>> VirtualPrinter::receivedChunks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receivedChunks_;
}

std::vector<uint8_t> VirtualPrinter::receivedBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint8_t> all;
    for (const auto& c : receivedChunks_) all.insert(all.end(), c.begin(), c.end());
    return all;
}

std::vector<std::string> VirtualPrinter::receivedPjl() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receivedPjl_;
}

std::vector<std::vector<uint8_t>> VirtualPrinter::sentPackets() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sentPackets_;
}

std::vector<uint8_t> VirtualPrinter::sentBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint8_t> all;
    for (const auto& c : sentPackets_) all.insert(all.end(), c.begin(), c.end());
    return all;
}

size_t VirtualPrinter::pendingOutput() const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const Chunk& c : output_) n += c.bytes.size();
    return n - outputOffset_;
}

size_t VirtualPrinter::dropReadyOutput() {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    size_t dropped = 0;
    while (!output_.empty() && output_.front().readyAt <= now) {
        dropped += output_.front().bytes.size() - outputOffset_;
        output_.pop_front();
        outputOffset_ = 0;
    }
    return dropped;
}

void VirtualPrinter::clearWire() {
    std::lock_guard<std::mutex> lock(mutex_);
    receivedPackets_.clear();
    receivedPacketCount_ = 0;
    receivedChunks_.clear();
    receivedPjl_.clear();
    sentPackets_.clear();
}

bool VirtualPrinter::waitForPackets(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                             [&] { return receivedPacketCount_ >= count; });
}

}  // namespace sim
