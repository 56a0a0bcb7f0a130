#include "link/attached_printers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "link/link_private.h"
#include "link/npa_detect.h"
#include "link/slc.h"
#include "platform/platform.h"

namespace {

constexpr int kParallelPorts = 8;  // the kernel's lp0 .. lp7
constexpr int kUsbPorts = 16;      // usblp's minors lp0 .. lp15

// The value of the first field whose key is one of keys. A key counts only at the start of the
// ID or of a field, so that "MODEL" is not found inside "COMMAND SET" values and a length prefix
// in front of the first field does not hide it.
std::string Field(std::string_view id, std::initializer_list<std::string_view> keys) {
    for (std::string_view key : keys) {
        for (size_t at = id.find(key); at != std::string_view::npos; at = id.find(key, at + 1)) {
            const size_t colon = at + key.size();
            if (colon >= id.size() || id[colon] != ':') continue;
            if (at > 0 && std::isalpha(static_cast<unsigned char>(id[at - 1]))) continue;
            const size_t end = id.find(';', colon + 1);
            std::string_view value = id.substr(colon + 1, end == std::string_view::npos ? id.npos : end - colon - 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
            return std::string(value);
        }
    }
    return {};
}

// A label shows text from the device: keep it printable and short.
std::string Printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    if (text.size() > 64) text.resize(64);
    return text;
}

void Add(const std::string& port, const std::string& id, std::vector<SlcAttachedPrinter>& out) {
    if (!IsRecognizedDeviceId(id.c_str(), id.size())) {
        SlcLog(SLC_LOG_TRACE, "SlcFindAttachedPrinters() - %s: not a recognized printer\n", port.c_str());
        return;
    }
    std::string model = SlcDeviceIdModel(id);
    SlcLog(SLC_LOG_TRACE, "SlcFindAttachedPrinters() - %s: %s\n", port.c_str(), model.c_str());
    out.push_back({port, model.empty() ? port : model});
}

}  // namespace

std::string SlcDeviceIdModel(const std::string& deviceId) {
    const std::string maker = Field(deviceId, {"MANUFACTURER", "MFG"});
    const std::string model = Field(deviceId, {"MODEL", "MDL"});
    if (maker.empty() || model.compare(0, maker.size(), maker) == 0) return Printable(model);
    if (model.empty()) return Printable(maker);
    return Printable(maker + " " + model);
}

std::vector<SlcAttachedPrinter> SlcFindAttachedPrinters() {
    SlcInit();
    SlcLog(SLC_LOG_PUBLIC, "SlcFindAttachedPrinters()\n");
    std::vector<SlcAttachedPrinter> found;
    const platform::Platform& system = platform::current();

    if (system.parallel != nullptr) {
        for (int n = 1; n <= kParallelPorts; ++n) {
            const std::string port = "LPT" + std::to_string(n) + ":";
            int error = 0;
            std::unique_ptr<platform::ParallelChannel> channel = system.parallel->open(port, error);
            if (!channel) continue;
            uint8_t buffer[SLC_DEVICE_ID_SIZE + 1] = {};
            size_t length = 0;
            if (!channel->readDeviceId(buffer, SLC_DEVICE_ID_SIZE, length)) continue;
            if (length > SLC_DEVICE_ID_SIZE) length = SLC_DEVICE_ID_SIZE;
            Add(port, std::string(reinterpret_cast<const char*>(buffer), length), found);
        }
    }
    if (system.usb != nullptr) {
        for (int n = 1; n <= kUsbPorts; ++n) {
            platform::UsbInterface usbInterface;
            if (!system.usb->interfaceForPort(n, usbInterface)) continue;
            char port[16];
            std::snprintf(port, sizeof port, "USB%03d", n);
            const size_t length = std::min(usbInterface.deviceId.size(), SLC_DEVICE_ID_SIZE);
            Add(port, std::string(usbInterface.deviceId.begin(), usbInterface.deviceId.begin() + static_cast<long>(length)),
                found);
        }
    }
    SlcLog(SLC_LOG_PUBLIC, "SlcFindAttachedPrinters() - found %d\n", static_cast<int>(found.size()));
    return found;
}
