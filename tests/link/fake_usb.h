// A fake of the USB printer interfaces for the link's tests: interfaces with exactly the device
// IDs a case needs, write pipes that record, and read pipes fed by the test.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace usbtest {

// What the read pipes of one fake interface hand out: each entry is one transfer, or a failed
// read when it is marked as an error.
class FakeReadQueue {
public:
    void push(std::vector<uint8_t> transfer) { add({std::move(transfer), false}); }
    void pushError() { add({{}, true}); }

    // One read: waits up to timeoutMs for an entry; 0 after the wait, -1 for an error entry or
    // once cancelled.
    long read(uint8_t* buffer, size_t n, int timeoutMs, const bool& cancelled) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return cancelled || !entries_.empty(); });
        if (cancelled) return -1;
        if (entries_.empty()) return 0;
        Entry entry = std::move(entries_.front());
        entries_.pop_front();
        if (entry.error) return -1;
        const size_t count = std::min(n, entry.bytes.size());
        std::copy(entry.bytes.begin(), entry.bytes.begin() + static_cast<long>(count), buffer);
        return static_cast<long>(count);
    }
    void wake() { changed_.notify_all(); }
    std::mutex& mutex() { return mutex_; }

private:
    struct Entry {
        std::vector<uint8_t> bytes;
        bool error;
    };
    void add(Entry entry) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            entries_.push_back(std::move(entry));
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> entries_;
};

class FakeChannel : public platform::Channel {
public:
    FakeChannel(platform::UsbPipe pipe, FakeReadQueue& queue, std::vector<uint8_t>& written, std::mutex& writtenMutex)
        : pipe_(pipe), queue_(queue), written_(written), writtenMutex_(writtenMutex) {}
    long write(const uint8_t* data, size_t n) override {
        if (pipe_ != platform::UsbPipe::Write) return -1;
        std::lock_guard<std::mutex> lock(writtenMutex_);
        written_.insert(written_.end(), data, data + n);
        return static_cast<long>(n);
    }
    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        if (pipe_ != platform::UsbPipe::Read) return -1;
        return queue_.read(buffer, n, timeoutMs < 0 ? 1000 : timeoutMs, cancelled_);
    }
    void cancel() override {
        {
            std::lock_guard<std::mutex> lock(queue_.mutex());
            cancelled_ = true;
        }
        queue_.wake();
    }
    int lastError() const override { return 5; }

private:
    platform::UsbPipe pipe_;
    FakeReadQueue& queue_;
    std::vector<uint8_t>& written_;
    std::mutex& writtenMutex_;
    bool cancelled_ = false;  // under queue_.mutex()
};

class FakeUsb : public platform::UsbPrinters {
public:
    struct Device {
        int interfaceClass;
        int portNumber;
        platform::UsbInterface usbInterface;
    };

    void add(int interfaceClass, int portNumber, const std::string& id, const std::string& serial) {
        Device d{interfaceClass, portNumber, {}};
        d.usbInterface.devicePath = "fake/lp" + std::to_string(devices.size());
        d.usbInterface.deviceId.assign(id.begin(), id.end());
        d.usbInterface.serialNumber = serial;
        devices.push_back(d);
    }

    bool enumerate(int interfaceClass, size_t maxCount, std::vector<platform::UsbInterface>& out) override {
        enumerated.push_back(interfaceClass);
        for (const Device& d : devices) {
            if (d.interfaceClass == interfaceClass && out.size() < maxCount) out.push_back(d.usbInterface);
        }
        return true;
    }
    bool interfaceForPort(int portNumber, platform::UsbInterface& out) override {
        for (const Device& d : devices) {
            if (d.portNumber == portNumber) {
                out = d.usbInterface;
                return true;
            }
        }
        return false;
    }
    std::unique_ptr<platform::Channel> openPipe(const std::string& devicePath, platform::UsbPipe pipe,
                                                int& errorNumber) override {
        std::lock_guard<std::mutex> lock(mutex_);
        opened.push_back(devicePath);
        if (pipesFail) {
            errorNumber = 5;
            return nullptr;
        }
        return std::make_unique<FakeChannel>(pipe, reads, written_, writtenMutex_);
    }

    std::vector<uint8_t> written() {
        std::lock_guard<std::mutex> lock(writtenMutex_);
        return written_;
    }
    size_t openCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return opened.size();
    }

    std::vector<Device> devices;
    std::vector<int> enumerated;
    std::vector<std::string> opened;  // under mutex_ while a reader runs
    bool pipesFail = false;
    FakeReadQueue reads;

private:
    std::mutex mutex_;
    std::vector<uint8_t> written_;
    std::mutex writtenMutex_;
};

}  // namespace usbtest
