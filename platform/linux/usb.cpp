#include "platform/linux/usb.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/device_id.h"
#include "platform/linux/parallel.h"

namespace platform::linux_impl {
namespace {

// The usblp driver's device-ID request (it answers with a two-byte length and the ID).
constexpr unsigned kDeviceIdBufferSize = 1024;
#define DEVPANEL_LPIOC_GET_DEVICE_ID(len) _IOC(_IOC_READ, 'P', 1, len)

constexpr size_t kAttributeLimit = 4096;

std::optional<int> usblpIndex(const char* name) {
    if (std::strncmp(name, "lp", 2) != 0 || name[2] == '\0') return std::nullopt;
    int index = 0;
    for (const char* p = name + 2; *p; ++p) {
        if (*p < '0' || *p > '9' || index > 100000) return std::nullopt;
        index = index * 10 + (*p - '0');
    }
    return index;
}

}  // namespace

std::shared_ptr<OpenNode> SharedNodes::acquire(const std::string& path, int wantedMode, int& errorNumber) {
    std::lock_guard lock(mutex_);
    std::erase_if(nodes_, [](const auto& entry) { return entry.second.expired(); });
    if (auto node = nodes_[path].lock()) {
        if (node->accessMode == O_RDWR || node->accessMode == wantedMode) return node;
    }
    auto node = openDeviceNode(path, O_RDWR, errorNumber);
    if (!node && (errorNumber == EACCES || errorNumber == EROFS || errorNumber == EPERM)) {
        // A node the user may only write (or only read): serve this one direction alone.
        node = openDeviceNode(path, wantedMode, errorNumber);
    }
    if (!node) return nullptr;
    nodes_[path] = node;
    return node;
}

std::shared_ptr<OpenNode> SharedNodes::find(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(path);
    return it == nodes_.end() ? nullptr : it->second.lock();
}

std::vector<int> LinuxUsbPrinters::presentIndexes() {
    std::vector<int> indexes;
    std::string folder = roots_.sysPath("sys/class/usbmisc");
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return indexes;
    while (dirent* entry = ::readdir(dir)) {
        if (auto index = usblpIndex(entry->d_name)) indexes.push_back(*index);
    }
    ::closedir(dir);
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

bool LinuxUsbPrinters::nodeOpens(const std::string& nodePath) {
    if (nodes_.find(nodePath)) return true;  // one of our pipes holds it
    int error = 0;
    // usblp takes one open at a time: a printer another program holds (the print system's usb
    // backend, a second devpanel) is there, and its opening says it is busy.
    return openDeviceNode(nodePath, O_WRONLY, error) != nullptr || error == EBUSY;
}

bool LinuxUsbPrinters::readDeviceId(int index, const std::string& nodePath, std::vector<uint8_t>& id) {
    int error = 0;
    std::string attribute = roots_.sysPath("sys/class/usbmisc/lp" + std::to_string(index) + "/device/ieee1284_id");
    if (auto text = readSmallFile(attribute, kAttributeLimit, error)) {
        std::string trimmed = trimLineEnd(*text);
        if (trimmed.empty()) return false;
        id.assign(trimmed.begin(), trimmed.end());
        return true;
    }
    // Older kernels have no attribute: ask the driver.
    auto node = nodes_.find(nodePath);
    if (!node) node = openDeviceNode(nodePath, O_RDONLY, error);
    if (!node) return false;
    uint8_t raw[kDeviceIdBufferSize] = {};
    if (::ioctl(node->fd.get(), DEVPANEL_LPIOC_GET_DEVICE_ID(sizeof raw), raw) < 0) return false;
    auto stripped = stripDeviceIdPrefix(raw, sizeof raw);
    if (!stripped || stripped->empty()) return false;
    id = std::move(*stripped);
    return true;
}

std::optional<UsbInterface> LinuxUsbPrinters::describe(int index) {
    if (index < 0) return std::nullopt;
    std::string sysfs = roots_.sysPath("sys/class/usbmisc/lp" + std::to_string(index));
    if (::access(sysfs.c_str(), F_OK) != 0) return std::nullopt;
    UsbInterface found;
    found.devicePath = roots_.devPath("dev/usb/lp" + std::to_string(index));
    if (!nodeOpens(found.devicePath)) return std::nullopt;
    if (!readDeviceId(index, found.devicePath, found.deviceId)) return std::nullopt;
    // The serial number belongs to the USB device, the parent of the printer interface.
    int error = 0;
    if (auto serial = readSmallFile(sysfs + "/device/../serial", kAttributeLimit, error))
        found.serialNumber = trimLineEnd(*serial);
    return found;
}

bool LinuxUsbPrinters::enumerate(int interfaceClass, size_t maxCount, std::vector<UsbInterface>& out) {
    out.clear();
    if (interfaceClass != 0 && interfaceClass != 1) return false;
    std::string folder = roots_.sysPath("sys/class/usbmisc");
    if (::access(folder.c_str(), F_OK) != 0) return false;  // no usbmisc class: usblp never loaded
    for (int index : presentIndexes()) {
        if (out.size() >= maxCount) break;
        if (auto found = describe(index)) out.push_back(std::move(*found));
    }
    return true;
}

bool LinuxUsbPrinters::interfaceForPort(int portNumber, UsbInterface& out) {
    if (portNumber < 1) return false;
    auto found = describe(portNumber - 1);
    if (!found) return false;
    out = std::move(*found);
    return true;
}

std::unique_ptr<Channel> LinuxUsbPrinters::openPipe(const std::string& devicePath, UsbPipe pipe, int& errorNumber) {
    auto node = nodes_.acquire(devicePath, pipe == UsbPipe::Write ? O_WRONLY : O_RDONLY, errorNumber);
    if (!node) return nullptr;
    return std::make_unique<LinuxUsbPipe>(std::move(node), pipe);
}

long LinuxUsbPipe::write(const uint8_t* data, size_t n) {
    if (pipe_ != UsbPipe::Write) {
        io_.setError(EBADF);
        return -1;
    }
    return io_.write(data, n, kDefaultWriteMs);
}

bool LinuxUsbPipe::sync() { return pipe_ != UsbPipe::Write || io_.waitWritable(kDefaultWriteMs); }

long LinuxUsbPipe::read(uint8_t* buffer, size_t n, int timeoutMs) {
    if (pipe_ != UsbPipe::Read) {
        io_.setError(EBADF);
        return -1;
    }
    ReadBounds bounds;
    bounds.totalMs = timeoutMs < 0 ? kDefaultUsbReadMs : timeoutMs;
    bounds.returnOnFirstData = true;
    return io_.read(buffer, n, bounds);
}

}  // namespace platform::linux_impl
