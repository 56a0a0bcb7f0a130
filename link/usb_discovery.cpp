// USB discovery: which printer interface a system port name (USB001) belongs to, and opening its
// pipes. Both sides of the match, the enumerated interfaces and the requested port, get a custom
// port name built the same way from MODEL and serial number; the first exact match is the printer.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "link/link_private.h"
#include "link/npa_detect.h"
#include "link/usb_private.h"

namespace {

constexpr const char* kPipeNames[] = {"PIPE00", "PIPE01"};
constexpr int kOpenAttempts = 2;
// The system reports the end of an enumeration with this error number.
constexpr int kNoMoreItems = 259;

const char* PipeName(platform::UsbPipe pipe) { return kPipeNames[pipe == platform::UsbPipe::Write ? 0 : 1]; }

// The device ID as the text the field search works on: up to the first zero byte, at most the
// capacity of the device-ID buffer less its terminator.
std::string DeviceIdText(const std::vector<uint8_t>& bytes) {
    const size_t limit = std::min(bytes.size(), SLC_DEVICE_ID_SIZE - 1);
    const auto end = std::find(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(limit), uint8_t{0});
    return std::string(bytes.begin(), end);
}

// USB001 -> 1: the decimal number after the first three characters; 0 when there is none.
int UsbPortNumber(const char* portName) {
    if (std::char_traits<char>::length(portName) < 3) return 0;
    const long number = std::strtol(portName + 3, nullptr, 10);
    return static_cast<int>(std::clamp<long>(number, 0, 99999));
}

// Enumerates one interface class into the table; true when the class has any interface at all.
bool EnumerateClass(platform::UsbPrinters& usb, int interfaceClass, std::vector<UsbPortEntry>& table) {
    std::vector<platform::UsbInterface> interfaces;
    if (!usb.enumerate(interfaceClass, USB_MAX_DEVICES, interfaces)) return false;
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - got hardwareDeviceInfo\n");
    if (interfaces.size() > USB_MAX_DEVICES) interfaces.resize(USB_MAX_DEVICES);
    for (size_t index = 0; index < interfaces.size(); ++index) {
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - SetupDiEnumDeviceInfo() worked\n");
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - found device at %d\n", static_cast<int>(index));
        AddUsbPortEntry(interfaces[index], table);
    }
    if (interfaces.size() < USB_MAX_DEVICES) {
        SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(USB) - SetupDiEnumDeviceInfo() failed, error=%d\n", kNoMoreItems);
    }
    return !interfaces.empty();
}

}  // namespace

bool GetDeviceIdField(std::string_view deviceId, std::string_view key, size_t maxLength, std::string& value) {
    const size_t at = deviceId.find(key);
    if (at == std::string_view::npos) {
        SlcLog(SLC_LOG_TRACE, "didn't find [%.*s] in:\n%.*s\n", static_cast<int>(key.size()), key.data(),
               static_cast<int>(deviceId.size()), deviceId.data());
        return false;
    }
    const size_t start = std::min(at + key.size() + 1, deviceId.size());
    const size_t end = std::min(deviceId.find(';', start), deviceId.size());
    value.assign(deviceId.substr(start, std::min(end - start, maxLength)));
    return true;
}

std::string UsbCustomPortName(std::string_view model, std::string_view serial) {
    std::string name = "USB-";
    name += model.substr(0, USB_MODEL_MAX);
    if (!serial.empty()) {
        name += '(';
        name += serial.substr(0, USB_SERIAL_MAX);
        name += ')';
    }
    for (char& c : name) {
        c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

void AddUsbPortEntry(const platform::UsbInterface& usbInterface, std::vector<UsbPortEntry>& table) {
    SlcLog(SLC_LOG_TRACE, "SetupDiGetInterfaceDeviceDetail() worked\n");
    SlcLog(SLC_LOG_TRACE, "CreateFile(%s) worked\n", usbInterface.devicePath.c_str());
    const std::string idText = DeviceIdText(usbInterface.deviceId);
    SlcLog(SLC_LOG_TRACE, "szDevID=%s\n", idText.c_str());
    if (!IsRecognizedDeviceId(idText.c_str(), idText.size())) {
        SlcLog(SLC_LOG_TRACE, "not a recognized printer\n");
        return;
    }
    SlcLog(SLC_LOG_TRACE, "szSerialNumber=%s\n", usbInterface.serialNumber.c_str());
    std::string model;
    if (!GetDeviceIdField(idText, "MODEL", USB_MODEL_MAX, model)) return;
    SlcLog(SLC_LOG_TRACE, "szModelName=%s\n", model.c_str());
    UsbPortEntry entry;
    entry.portName = UsbCustomPortName(model, usbInterface.serialNumber);
    SlcLog(SLC_LOG_TRACE, "szPortName=%s\n", entry.portName.c_str());
    entry.devicePath = usbInterface.devicePath;
    const size_t idLength = std::min(usbInterface.deviceId.size(), SLC_DEVICE_ID_SIZE);
    entry.deviceId.assign(usbInterface.deviceId.begin(), usbInterface.deviceId.begin() + static_cast<std::ptrdiff_t>(idLength));
    table.push_back(std::move(entry));
}

std::string BuildUsbPortName(const char* portName) {
    const int portNumber = UsbPortNumber(portName);
    SlcLog(SLC_LOG_TRACE, "UsbGetSymbolicNameFromRegistry(): called with sysPortName:%s\n", portName);
    platform::UsbInterface usbInterface;
    platform::UsbPrinters* usb = platform::current().usb;
    if (usb == nullptr || !usb->interfaceForPort(portNumber, usbInterface)) {
        SlcLog(SLC_LOG_TRACE, "UsbGetSymbolicNameFromRegistry(): sysPortName:%s returning API_FAIL\n", portName);
        return {};
    }
    SlcLog(SLC_LOG_TRACE, "UsbGetSymbolicNameFromRegistry(): portNumber:%d Linked == 1 and symbolicName:%s \n", portNumber,
           usbInterface.devicePath.c_str());
    // The same limits as the table entries, so that the two names of one printer always agree.
    const std::string idText = DeviceIdText(usbInterface.deviceId);
    SlcLog(SLC_LOG_TRACE, "GetUsbDeviceIdString() - %s\n", idText.c_str());
    std::string model;
    GetDeviceIdField(idText, "MODEL", USB_MODEL_MAX, model);
    return UsbCustomPortName(model, usbInterface.serialNumber);
}

std::unique_ptr<platform::Channel> OpenUsbHandle(const std::string& devicePath, platform::UsbPipe pipe, int* lastError) {
    if (const auto& stream = SlcGlobals().streamPipes) {
        std::unique_ptr<platform::Channel> view = stream(pipe);
        if (!view && lastError != nullptr) *lastError = ECONNRESET;
        return view;
    }
    const char* pipeName = PipeName(pipe);
    SlcLog(SLC_LOG_TRACE, "GetDeviceHandle(%s, %s)\n", devicePath.c_str(), pipeName);
    const std::string name = devicePath + "\\" + pipeName;
    platform::UsbPrinters* usb = platform::current().usb;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int error = 0;
        std::unique_ptr<platform::Channel> channel = usb != nullptr ? usb->openPipe(devicePath, pipe, error) : nullptr;
        if (channel) return channel;
        if (usb == nullptr) error = ENODEV;
        if (lastError != nullptr) *lastError = error;
        if (pipe == platform::UsbPipe::Write) {
            SlcLog(SLC_LOG_TRACE, "OpenUsbHandle()->CreateFile Failed to give a handle to PIPE00\n");
        } else {
            SlcLog(SLC_LOG_TRACE, "OpenUsbHandle():CreateFile Failed to give a handle to PIPE01\n");
        }
        SlcLog(SLC_LOG_TRACE,
               "USB32DLL: OpenUsbHandle(%s) failed error:%d after retries:%d, devName:%s, so going to do global enumeration\n",
               pipeName, error, attempt, name.c_str());
        SlcLog(SLC_LOG_TRACE, "OpenUsbHandle(): failed to otabin handle to %s error: %d\n", name.c_str(), error);
        SlcLog(SLC_LOG_TRACE, "USB32DLL: OpenUsbHandle() failed after %d retries, sleep(100)\n", attempt + 1);
        platform::current().clock->sleepMs(SlcTimingTable().pipeRetryMs);
    }
    return nullptr;
}

int UsbOpenPort(const char* portName) {
    platform::UsbPrinters* usb = platform::current().usb;
    std::vector<UsbPortEntry> table;
    bool found = false;
    // Interfaces of the USB-device class are preferred; the printing class is looked at only
    // when the first has none.
    if (usb != nullptr) {
        found = EnumerateClass(*usb, 0, table);
        if (!found) found = EnumerateClass(*usb, 1, table);
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(USB) - after loop, bFound=%s", found ? "true" : "false");
    const std::string noPrinter = std::string("no USB printer on ") + portName +
                                  ": is it switched on and connected, and the kernel module usblp loaded?";
    if (!found) {
        SlcSetProblem(noPrinter);
        return SLC_FAIL;
    }

    const std::string wanted = BuildUsbPortName(portName);
    if (wanted.empty()) {
        SlcSetProblem(noPrinter);
        return SLC_FAIL;
    }
    SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - pCustomPortName=%s, numPortsFound=%d\n", wanted.c_str(),
           static_cast<int>(table.size()));

    for (const UsbPortEntry& entry : table) {
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - comparing %s to %s\n", entry.portName.c_str(), wanted.c_str());
        if (entry.portName != wanted) continue;
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - found port %s, device path is %s\n", entry.portName.c_str(),
               entry.devicePath.c_str());
        // The test open: a printer whose write pipe will not open is no port at all.
        int error = 0;
        if (!OpenUsbHandle(entry.devicePath, platform::UsbPipe::Write, &error)) {
            SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(USB) - port %s not found\n", portName);
            SlcSetProblem(std::string("the USB printer on ") + portName + " (" + entry.devicePath +
                          ") cannot be opened: " + SlcErrnoReason(error));
            return SLC_FAIL;
        }
        SlcLog(SLC_LOG_TRACE, "SlcOpenPort(USB) - USB CreateFile worked\n");
        SlcOpenedPort opened;
        opened.devicePath = entry.devicePath;
        opened.deviceId = entry.deviceId;
        SlcRecordOpenPort(portName, std::move(opened));
        return SLC_OK;
    }
    // The printer there is not one this program supports (or its ID has no model).
    SlcSetProblem(std::string("the printer on ") + portName + " is not one this program supports");
    return SLC_FAIL;
}
