#include "platform/linux/cups_printers.h"

#include <unistd.h>

#include <cctype>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/linux/cups_library.h"
#include "platform/linux/device_id.h"
#include "platform/linux/port_names.h"
#include "platform/linux/usb.h"

namespace platform::linux_impl {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}

std::optional<std::string> parallelPort(std::string_view uri) {
    constexpr std::string_view prefix = "parallel:/dev/lp";
    if (uri.substr(0, prefix.size()) != prefix) return std::nullopt;
    std::string_view digits = uri.substr(prefix.size());
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    int index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        index = index * 10 + (c - '0');
    }
    if (index > 254) return std::nullopt;
    return "LPT" + std::to_string(index + 1) + ":";
}

// The value of key in the query of a URI ("serial=AB12&interface=1").
std::optional<std::string> queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        size_t end = query.find('&');
        std::string_view pair = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
        size_t equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == key)
            return percentDecode(std::string(pair.substr(equals + 1)));
    }
    return std::nullopt;
}

// A usb:// URI names the model as the device ID has it, sometimes without a leading make.
bool modelMatches(const std::string& wanted, std::string_view deviceId) {
    auto model = deviceIdField(deviceId, {"MDL", "MODEL"});
    if (!model) return false;
    if (equalsIgnoreCase(*model, wanted)) return true;
    auto make = deviceIdField(deviceId, {"MFG", "MANUFACTURER"});
    if (!make || make->empty() || model->size() <= make->size()) return false;
    if (!equalsIgnoreCase(std::string_view(*model).substr(0, make->size()), *make)) return false;
    std::string_view rest = std::string_view(*model).substr(make->size());
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return equalsIgnoreCase(rest, wanted);
}

bool serialMatches(const std::optional<std::string>& wanted, const UsbInterface& candidate,
                   std::string_view deviceId) {
    if (!wanted) return candidate.serialNumber.empty();
    if (*wanted == candidate.serialNumber) return true;
    // Some printers carry their serial number in the device ID instead.
    auto inId = deviceIdField(deviceId, {"SN", "SERN", "SERIALNUMBER"});
    return inId && *inId == *wanted;
}

}  // namespace

std::string percentDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string portForDeviceUri(const std::string& uri, const std::vector<UsbInterface>& usbInterfaces,
                             const std::vector<int>& usbIndexes) {
    if (auto lpt = parallelPort(uri)) return *lpt;
    constexpr std::string_view usbPrefix = "usb://";
    if (std::string_view(uri).substr(0, usbPrefix.size()) != usbPrefix) return uri;
    std::string_view rest = std::string_view(uri).substr(usbPrefix.size());
    size_t question = rest.find('?');
    std::string_view path = rest.substr(0, question);
    std::string_view query = question == std::string_view::npos ? std::string_view() : rest.substr(question + 1);
    size_t slash = path.find('/');
    if (slash == std::string_view::npos) return uri;
    std::string model = percentDecode(std::string(path.substr(slash + 1)));
    auto serial = queryValue(query, "serial");
    for (size_t i = 0; i < usbInterfaces.size() && i < usbIndexes.size(); ++i) {
        std::string_view id(reinterpret_cast<const char*>(usbInterfaces[i].deviceId.data()),
                            usbInterfaces[i].deviceId.size());
        if (modelMatches(model, id) && serialMatches(serial, usbInterfaces[i], id))
            return usbPortName(usbIndexes[i]);
    }
    return uri;
}

namespace {

struct HttpCloser {
    const CupsLibrary* cups;
    void operator()(http_t* http) const { cups->httpClose(http); }
};

}  // namespace

bool CupsSchedulerInstalled(const Roots& roots) {
    for (const char* file : {"etc/cups/cupsd.conf", "etc/cups/cups-files.conf"}) {
        if (::access(roots.etcPath(file).c_str(), F_OK) == 0) return true;
    }
    return false;
}

bool IsLocalCupsServer(const std::string& server) {
    return server.empty() || server.front() == '/' || server == "localhost" || server == "127.0.0.1" ||
           server == "::1" || server == "[::1]";
}

bool LinuxPrinterList::list(std::vector<InstalledPrinter>& out) {
    out.clear();
    problem_.clear();
    failure_ = CupsFailure::None;
    const CupsLibrary* cups = CupsLibrary::Get();
    if (cups == nullptr) {
        failure_ = CupsFailure::Library;
        problem_ = "libcups cannot be loaded (package libcups2)";
        return false;
    }
    // Our own connection to the default server, so that both the connect and the request are
    // bounded: a server that does not answer costs a few seconds, not a hang.
    const std::string server = cups->cupsServer() ? cups->cupsServer() : "";
    const std::string where = !server.empty() && server.front() == '/' ? "the socket " + server
                                                                         : server + ":" + std::to_string(cups->ippPort());
    std::unique_ptr<http_t, HttpCloser> http(
        cups->httpConnect2(server.c_str(), cups->ippPort(), nullptr, AF_UNSPEC, cups->cupsEncryption(), 1, connectMs_,
                           nullptr),
        HttpCloser{cups});
    if (!http) {
        problem_ = "no CUPS scheduler answers at " + where;
        if (!IsLocalCupsServer(server)) {
            failure_ = CupsFailure::RemoteServer;
        } else if (CupsSchedulerInstalled(roots_)) {
            failure_ = CupsFailure::SchedulerStopped;
            problem_ += "; the one installed on this computer is not running";
        } else {
            failure_ = CupsFailure::NoScheduler;
            problem_ += "; none is installed on this computer (package cups)";
        }
        return false;
    }
    cups->httpSetTimeout(http.get(), requestMs_ / 1000.0, GiveUpAtTimeout, nullptr);

    cups_dest_t* dests = nullptr;
    int count = cups->cupsGetDests2(http.get(), &dests);
    ipp_status_t status = cups->cupsLastError();
    if (count == 0 && status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND) {
        const char* why = cups->cupsLastErrorString();
        failure_ = CupsFailure::Refused;
        problem_ = "the CUPS scheduler at " + where + " did not list its queues: " + (why ? why : "no reason given");
        cups->cupsFreeDests(count, dests);
        return false;
    }

    std::vector<UsbInterface> usbInterfaces;
    std::vector<int> usbIndexes;
    for (int index : usb_.presentIndexes()) {
        if (auto found = usb_.describe(index)) {
            usbInterfaces.push_back(std::move(*found));
            usbIndexes.push_back(index);
        }
    }
    for (int i = 0; i < count; ++i) {
        const cups_dest_t& dest = dests[i];
        if (dest.instance != nullptr) continue;  // lpoptions instances share their queue
        InstalledPrinter printer;
        printer.name = dest.name;
        if (const char* model = cups->cupsGetOption("printer-make-and-model", dest.num_options, dest.options))
            printer.driverName = model;
        const char* uri = cups->cupsGetOption("device-uri", dest.num_options, dest.options);
        printer.port = portForDeviceUri(uri ? uri : "", usbInterfaces, usbIndexes);
        out.push_back(std::move(printer));
    }
    cups->cupsFreeDests(count, dests);
    return true;
}

}  // namespace platform::linux_impl
