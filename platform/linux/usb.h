// USB printers on Linux: the usblp driver's interfaces sys/class/usbmisc/lp{N}, their nodes
// dev/usb/lp{N}, and the system port USB{N+1} (three digits) for each.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/linux/device_io.h"
#include "platform/linux/roots.h"
#include "platform/platform.h"

namespace platform::linux_impl {

// Bound of a USB read whose caller gives none.
constexpr int kDefaultUsbReadMs = 1000;

// usblp admits one open of a node at a time, while the link holds its read pipe open and opens
// the write pipe beside it for each command. So every pipe of one node shares one descriptor,
// opened for reading and writing by the first pipe and closed with the last.
class SharedNodes {
public:
    std::shared_ptr<OpenNode> acquire(const std::string& path, int wantedMode, int& errorNumber);
    // The node when some pipe holds it open now.
    std::shared_ptr<OpenNode> find(const std::string& path);

private:
    std::mutex mutex_;
    std::map<std::string, std::weak_ptr<OpenNode>> nodes_;
};

class LinuxUsbPrinters : public UsbPrinters {
public:
    explicit LinuxUsbPrinters(Roots roots) : roots_(std::move(roots)) {}

    // Class 0 (USB devices) and class 1 (USB printing) list the same interfaces: Linux exposes a
    // printer only through its usblp interface, whose node carries both pipes, so both classes
    // find the same printers and the link's search stops at the first. Other classes fail.
    bool enumerate(int interfaceClass, size_t maxCount, std::vector<UsbInterface>& out) override;
    bool interfaceForPort(int portNumber, UsbInterface& out) override;
    std::unique_ptr<Channel> openPipe(const std::string& devicePath, UsbPipe pipe, int& errorNumber) override;

    // The interface lp{index} with its device ID and serial number, when its node opens and its
    // ID can be read.
    std::optional<UsbInterface> describe(int index);
    // The usblp indexes present in sysfs, in numeric order.
    std::vector<int> presentIndexes();

private:
    bool readDeviceId(int index, const std::string& nodePath, std::vector<uint8_t>& id);
    bool nodeOpens(const std::string& nodePath);

    Roots roots_;
    SharedNodes nodes_;
};

// One pipe of a USB printer node: reads end when data came (at most n bytes) or the time-out
// passed.
class LinuxUsbPipe : public Channel {
public:
    LinuxUsbPipe(std::shared_ptr<OpenNode> node, UsbPipe pipe) : io_(std::move(node)), pipe_(pipe) {}
    long write(const uint8_t* data, size_t n) override;
    long read(uint8_t* buffer, size_t n, int timeoutMs = -1) override;
    void cancel() override { io_.cancel(); }
    int lastError() const override { return io_.lastError(); }
    // A write pipe: waits until the driver has finished the last transfer, so that closing the
    // node cannot cancel it.
    bool sync() override;

private:
    DeviceIo io_;
    UsbPipe pipe_;
};

}  // namespace platform::linux_impl
