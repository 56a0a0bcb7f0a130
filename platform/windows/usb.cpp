// USB printers through SetupAPI: the interfaces of a device-interface class, their device IDs
// through the USB printing class request, their system port numbers ("Port Number" under the
// interface's device parameters) and their pipes.
#include <windows.h>
#include <initguid.h>
#include <setupapi.h>

#include <cerrno>
#include <vector>

#include "platform/windows/system_replies.h"
#include "platform/windows/platform_classes.h"

namespace platform::windows_impl {
namespace {

// GUID_DEVINTERFACE_USB_DEVICE and the USB printing interface class.
DEFINE_GUID(kUsbDeviceClass, 0xa5dcbf10, 0x6530, 0x11d2, 0x90, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x51, 0xed);
DEFINE_GUID(kUsbPrintClass, 0x28d78fad, 0x5a12, 0x11d1, 0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2);

// IOCTL_USBPRINT_GET_1284_ID: the device ID with its two-byte length in front.
constexpr DWORD kUsbPrintGet1284Id = 0x220034;
constexpr DWORD kUsbDeviceIdWaitMs = 2000;
constexpr int kDefaultUsbReadMs = 1000;
constexpr DWORD kUsbWriteMs = 10000;
// Enough for every printer one machine can hold; a broken driver cannot make the loop endless.
constexpr DWORD kInterfaceLimit = 256;

class DeviceSet {
public:
    explicit DeviceSet(const GUID& guid)
        : set_(::SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {}
    ~DeviceSet() {
        if (valid()) ::SetupDiDestroyDeviceInfoList(set_);
    }
    DeviceSet(const DeviceSet&) = delete;
    DeviceSet& operator=(const DeviceSet&) = delete;
    bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const { return set_; }

private:
    HDEVINFO set_;
};

std::string interfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD size = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
    std::vector<uint8_t> buffer(size, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr)) return {};
    return win32::Narrow(detail->DevicePath);
}

std::optional<uint32_t> portNumberOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    HKEY key = ::SetupDiOpenDeviceInterfaceRegKey(set, &data, 0, KEY_READ);
    if (key == INVALID_HANDLE_VALUE || key == nullptr) return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExW(key, L"Port Number", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

// Every interface of the class with its port number, in SetupAPI's order.
bool listInterfaces(const GUID& guid, std::vector<UsbInterfaceRecord>& out) {
    DeviceSet set(guid);
    if (!set.valid()) return false;
    for (DWORD index = 0; index < kInterfaceLimit; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!::SetupDiEnumDeviceInterfaces(set.get(), nullptr, &guid, index, &data)) break;
        std::string path = interfacePath(set.get(), data);
        if (path.empty()) continue;
        out.push_back({std::move(path), portNumberOf(set.get(), data)});
    }
    return true;
}

// The device ID through the interface; false when it cannot be opened or does not answer.
bool readDeviceId(const std::string& path, std::vector<uint8_t>& id) {
    UniqueHandle device(::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!device.valid()) return false;
    std::vector<uint8_t> reply(4096, 0);
    DWORD returned = 0;
    if (!deviceControl(device.get(), kUsbPrintGet1284Id, nullptr, 0, reply.data(), static_cast<DWORD>(reply.size()),
                       returned, kUsbDeviceIdWaitMs))
        return false;
    auto stripped = deviceIdFromPrefixedReply(reply.data(), std::min<size_t>(returned, reply.size()));
    if (!stripped || stripped->empty()) return false;
    id = std::move(*stripped);
    return true;
}

std::optional<UsbInterface> describe(const std::string& path) {
    UsbInterface found;
    found.devicePath = path;
    if (!readDeviceId(path, found.deviceId)) return std::nullopt;
    found.serialNumber = serialFromInterfacePath(path);
    return found;
}

// One pipe of a USB printer: reads end at the first data or at the time-out.
class UsbPipeChannel : public Channel {
public:
    UsbPipeChannel(UniqueHandle handle, UsbPipe pipe) : device_(std::move(handle)), pipe_(pipe) {}
    long write(const uint8_t* data, size_t n) override {
        if (pipe_ != UsbPipe::Write) {
            device_.setError(EBADF);
            return -1;
        }
        return device_.writeFor(data, n, kUsbWriteMs);
    }
    long read(uint8_t* buffer, size_t n, int timeoutMs) override {
        if (pipe_ != UsbPipe::Read) {
            device_.setError(EBADF);
            return -1;
        }
        return device_.readFor(buffer, n, static_cast<DWORD>(timeoutMs < 0 ? kDefaultUsbReadMs : timeoutMs));
    }
    void cancel() override { device_.cancel(); }
    int lastError() const override { return device_.lastError(); }

private:
    DeviceChannel device_;
    UsbPipe pipe_;
};

}  // namespace

bool WindowsUsbPrinters::enumerate(int interfaceClass, size_t maxCount, std::vector<UsbInterface>& out) {
    out.clear();
    if (interfaceClass != 0 && interfaceClass != 1) return false;
    std::vector<UsbInterfaceRecord> interfaces;
    if (!listInterfaces(interfaceClass == 0 ? kUsbDeviceClass : kUsbPrintClass, interfaces)) return false;
    for (const UsbInterfaceRecord& record : interfaces) {
        if (out.size() >= maxCount) break;
        if (auto found = describe(record.devicePath)) out.push_back(std::move(*found));
    }
    return true;
}

bool WindowsUsbPrinters::interfaceForPort(int portNumber, UsbInterface& out) {
    std::vector<UsbInterfaceRecord> interfaces;
    if (!listInterfaces(kUsbPrintClass, interfaces)) return false;
    const auto path = devicePathForPort(interfaces, portNumber);
    if (!path) return false;
    auto found = describe(*path);
    if (!found) return false;
    out = std::move(*found);
    return true;
}

std::unique_ptr<Channel> WindowsUsbPrinters::openPipe(const std::string& devicePath, UsbPipe pipe, int& errorNumber) {
    errorNumber = 0;
    const DWORD access = pipe == UsbPipe::Write ? GENERIC_WRITE : GENERIC_READ;
    // Printer drivers that name their pipes take "PIPE00" for commands and "PIPE01" for replies;
    // the system's USB printing driver serves both directions on the interface itself.
    const std::string named = devicePath + (pipe == UsbPipe::Write ? "\\PIPE00" : "\\PIPE01");
    for (const std::string& name : {named, devicePath}) {
        UniqueHandle handle(::CreateFileW(win32::Widen(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        if (handle.valid()) return std::make_unique<UsbPipeChannel>(std::move(handle), pipe);
        const DWORD error = ::GetLastError();
        errorNumber = errnoFromWin32(error);
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) break;
    }
    return nullptr;
}

}  // namespace platform::windows_impl
