// What the system around the printer hands over as text: a CUPS queue's device URI (with the
// device ID and serial number of the attached USB printer it may name), the CUPS server's name,
// the link's settings file (link.conf), the names shown for a device ID, and on Windows the
// device-ID replies, interface paths and spooler records; and the custom port name the USB
// discovery makes of a device ID; the kernel's module list and modprobe.d as `doctor` reads them.
// Input: one option byte, then the text. Option bit 7: the text is both proc/modules and a
// modprobe.d file; else the option byte modulo 6 picks the reader, and for device URIs its bits
// 3-6 give the usblp index.
// Device URIs map to the URI itself, a parallel port or the matching USB port; labels are
// printable and short; Windows device IDs never reach past the reply and end before any NUL;
// spooler ports lose their blanks and keep only the first port of a pool; a module is loaded or
// blacklisted only by a line that names it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "link/attached_printers.h"
#include "link/npa_detect.h"
#include "link/usb_private.h"
#include "platform/linux/cups_printers.h"
#include "platform/linux/port_names.h"
#include "platform/linux/roots.h"
#include "platform/linux/setup_check.h"
#include "platform/linux/user_files.h"
#include "platform/windows/system_replies.h"

using fuzz::Check;

namespace {

namespace li = platform::linux_impl;
namespace wi = platform::windows_impl;

// The text cut at line breaks (at most parts pieces; the last one keeps the rest).
std::vector<std::string> Lines(const std::string& text, size_t parts) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (lines.size() + 1 < parts) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    lines.push_back(text.substr(at));
    lines.resize(parts);
    return lines;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

void DeviceUri(const std::string& text, int usblpIndex) {
    const std::vector<std::string> lines = Lines(text, 3);
    const std::string& uri = lines[0];
    platform::UsbInterface attached;
    attached.devicePath = "/dev/usb/lp" + std::to_string(usblpIndex);
    attached.deviceId.assign(lines[1].begin(), lines[1].end());
    attached.serialNumber = lines[2];
    const std::string port = li::portForDeviceUri(uri, {attached}, {usblpIndex});
    if (port != uri) {
        const bool parallel = port.size() >= 5 && port.compare(0, 3, "LPT") == 0 && port.back() == ':' &&
                              uri.compare(0, 16, "parallel:/dev/lp") == 0;
        Check(parallel || port == li::usbPortName(usblpIndex));
    }
    Check(li::percentDecode(uri).size() <= uri.size());
    (void)li::IsLocalCupsServer(uri);
}

void LinkSettings(const std::string& text) {
    // A level comes from a "LoggingLevel" line only.
    if (li::parseLoggingLevel(text)) Check(text.find("LoggingLevel") != std::string::npos);
}

// The first line is the device ID, the second the USB serial number.
void DeviceIdLabels(const std::string& input) {
    const std::vector<std::string> lines = Lines(input, 2);
    const std::string& text = lines[0];
    platform::UsbInterface usb;
    usb.deviceId.assign(text.begin(), text.end());
    usb.serialNumber = lines[1];
    std::vector<UsbPortEntry> table;
    AddUsbPortEntry(usb, table);
    for (const UsbPortEntry& entry : table) {
        Check(entry.portName.rfind("usb-", 0) == 0 && entry.deviceId.size() <= text.size());
        Check(std::none_of(entry.portName.begin(), entry.portName.end(),
                           [](char c) { return c == ' ' || (c >= 'A' && c <= 'Z'); }));
    }
    const std::string model = SlcDeviceIdModel(text);
    Check(model.size() <= 64);
    Check(std::none_of(model.begin(), model.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }));
    Check(!li::DeviceIdName(text).empty());
    (void)IsRecognizedDeviceId(text.data(), text.size());
}

void WindowsDeviceIds(const std::string& text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    for (const auto& id : {wi::deviceIdFromPrefixedReply(bytes, text.size()),
                           wi::deviceIdFromParallelReply(bytes, text.size())}) {
        if (!id) continue;
        Check(id->size() <= text.size());
        Check(id->empty() || std::memchr(id->data(), 0, id->size()) == nullptr);
    }
}

void WindowsInterfacePath(const std::string& text) {
    const std::string serial = wi::serialFromInterfacePath(text);
    Check(text.find(serial) != std::string::npos);
    Check(serial.find_first_of("#\\&") == std::string::npos);
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    Check(wi::sameDevicePath(text, upper));
}

// One record per line: printer name, driver name and port, separated by tabs.
void WindowsSpooler(const std::string& text) {
    std::vector<wi::SpoolerRecord> records;
    size_t named = 0;
    size_t at = 0;
    while (at <= text.size() && records.size() < 64) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::vector<std::string> fields = Lines([&] {
            std::string line = text.substr(at, end - at);
            std::replace(line.begin(), line.end(), '\t', '\n');
            return line;
        }(), 3);
        records.push_back({fields[0], fields[1], fields[2]});
        if (!fields[0].empty()) ++named;
        at = end + 1;
    }
    const std::vector<platform::InstalledPrinter> printers = wi::installedPrinters(records);
    Check(printers.size() == named);
    for (const platform::InstalledPrinter& printer : printers) {
        Check(!printer.name.empty());
        Check(printer.port.find(',') == std::string::npos);
        Check(printer.port.empty() || (!Blank(printer.port.front()) && !Blank(printer.port.back())));
    }
}

// A folder standing in for / (proc/modules, etc/modprobe.d/), made once in the temporary folder
// and removed at exit.
const li::Roots& SystemRoot() {
    static const li::Roots* roots = [] {
        std::string folder = (std::filesystem::temp_directory_path() / "devpanel-fuzz-root.XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        static const std::string made = folder;
        std::filesystem::create_directories(made + "/proc");
        std::filesystem::create_directories(made + "/etc/modprobe.d");
        std::atexit([] { std::filesystem::remove_all(made); });
        return new li::Roots(li::Roots::under(made));
    }();
    return *roots;
}

void KernelModules(const std::string& text) {
    const li::Roots& roots = SystemRoot();
    std::ofstream(roots.procPath("proc/modules"), std::ios::binary | std::ios::trunc) << text;
    std::ofstream(roots.etcPath("etc/modprobe.d/fuzz.conf"), std::ios::binary | std::ios::trunc) << text;
    if (li::ModuleLoaded(roots, "usblp")) Check(text.find("usblp ") != std::string::npos);
    const std::vector<std::string> places = li::ModuleBlacklists(roots, "usblp");
    if (!places.empty()) Check(text.find("blacklist") != std::string::npos && text.find("usblp") != std::string::npos);
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const std::string& place : places) {
        const size_t colon = place.rfind(':');
        Check(colon != std::string::npos && std::stoul(place.substr(colon + 1)) <= lines);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t option = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((option & 0x80) != 0) {
        KernelModules(text);
        return 0;
    }
    switch (option % 6) {
    case 0: DeviceUri(text, (option >> 3) & 15); break;
    case 1: LinkSettings(text); break;
    case 2: DeviceIdLabels(text); break;
    case 3: WindowsDeviceIds(text); break;
    case 4: WindowsInterfacePath(text); break;
    default: WindowsSpooler(text); break;
    }
    return 0;
}
