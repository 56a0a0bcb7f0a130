#include "platform/windows/system_replies.h"
#include "platform/port_name.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

namespace platform::windows_impl {
namespace {

// "MFG:x;MDL:y;" with its two length bytes is about the least a usable ID can hold.
constexpr size_t kShortestDeviceId = 14;

bool printable(uint8_t c) { return c >= 0x20 && c < 0x7F; }

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string upperCase(std::string text) {
    for (char& c : text) c = upper(c);
    return text;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

size_t findIgnoreCase(std::string_view text, std::string_view wanted, size_t from = 0) {
    if (wanted.size() > text.size()) return std::string_view::npos;
    for (size_t i = from; i + wanted.size() <= text.size(); ++i) {
        if (sameDevicePath(text.substr(i, wanted.size()), wanted)) return i;
    }
    return std::string_view::npos;
}

// A port name the link drives, in the link's upper-case spelling; other names as they are.
std::string linkPortName(std::string_view port) {
    std::string name(port);
    std::string upperName = upperCase(name);
    return platform::PortName::Parse(upperName).readable() ? upperName : name;
}

}  // namespace

std::optional<std::vector<uint8_t>> deviceIdFromPrefixedReply(const uint8_t* data, size_t received) {
    if (data == nullptr || received < 2) return std::nullopt;
    size_t length = (static_cast<size_t>(data[0]) << 8) | data[1];
    if (length > received || length < kShortestDeviceId) length = (static_cast<size_t>(data[1]) << 8) | data[0];
    length = std::min(length, received);
    if (length < kShortestDeviceId) return std::nullopt;
    const uint8_t* begin = data + 2;
    const uint8_t* end = std::find(begin, data + length, uint8_t{0});
    return std::vector<uint8_t>(begin, end);
}

std::optional<std::vector<uint8_t>> deviceIdFromParallelReply(const uint8_t* data, size_t received) {
    if (data == nullptr || received == 0) return std::nullopt;
    if (received >= 2 && (!printable(data[0]) || !printable(data[1]))) return deviceIdFromPrefixedReply(data, received);
    const uint8_t* end = std::find(data, data + received, uint8_t{0});
    if (end == data) return std::nullopt;
    return std::vector<uint8_t>(data, end);
}

std::vector<std::string> parallelDeviceNames(int portNumber) {
    const std::string digits = std::to_string(portNumber);
    return {"\\\\.\\LPT" + digits, "LPT" + digits + ":"};
}

std::string usbPortName(uint32_t portNumber) {
    if (portNumber == 0 || portNumber > 999) return {};
    char name[16];
    std::snprintf(name, sizeof name, "USB%03u", static_cast<unsigned>(portNumber));
    return name;
}

std::optional<std::string> devicePathForPort(const std::vector<UsbInterfaceRecord>& interfaces, int portNumber) {
    if (portNumber < 1) return std::nullopt;
    for (const UsbInterfaceRecord& record : interfaces) {
        if (record.portNumber && *record.portNumber == static_cast<uint32_t>(portNumber)) return record.devicePath;
    }
    return std::nullopt;
}

std::string serialFromInterfacePath(std::string_view path) {
    if (findIgnoreCase(path, "inst_") != std::string_view::npos) return {};
    const size_t pid = findIgnoreCase(path, "&pid_");
    if (pid == std::string_view::npos) return {};
    const size_t start = path.find_first_of("#\\", pid);
    if (start == std::string_view::npos) return {};
    size_t end = path.find_first_of("#\\", start + 1);
    if (end == std::string_view::npos) end = path.size();
    std::string_view serial = path.substr(start + 1, end - start - 1);
    // Windows names a device without a serial number by its place on the bus ("6&2f1a3c&0&1").
    if (serial.find('&') != std::string_view::npos) return {};
    return std::string(serial);
}

bool sameDevicePath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

std::vector<InstalledPrinter> installedPrinters(const std::vector<SpoolerRecord>& records) {
    std::vector<InstalledPrinter> out;
    for (const SpoolerRecord& record : records) {
        if (record.printerName.empty()) continue;
        InstalledPrinter printer;
        printer.name = record.printerName;
        printer.driverName = record.driverName;
        std::string_view ports = record.portName;
        printer.port = linkPortName(trimBlanks(ports.substr(0, ports.find(','))));
        out.push_back(std::move(printer));
    }
    return out;
}

std::string logFolder(const std::string& localAppData) {
    if (localAppData.empty()) return {};
    std::string folder = localAppData;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + "devpanel";
}

}  // namespace platform::windows_impl
