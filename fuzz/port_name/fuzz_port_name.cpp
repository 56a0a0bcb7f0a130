// A port's name, parsed by the registry of port kinds and by the URI parser on its own. Input: the
// name's bytes. A name that parses round-trips: its one spelling parses to the same kind and
// parts, and is its own spelling again; a refused one says why with the accepted forms.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/port_name.h"
#include "platform/port_uri.h"

using fuzz::Check;

namespace {

void CheckUri(std::string_view text) {
    std::string why;
    const auto uri = platform::ParsePortUri(text, &why);
    if (!uri) {
        Check(!why.empty());
        return;
    }
    Check(!uri->scheme.empty() && !uri->host.empty());
    Check(!uri->port || *uri->port != 0);
    for (size_t i = 0; i < uri->options.size(); ++i) {
        Check(!uri->options[i].first.empty());
        for (size_t j = 0; j < i; ++j) Check(uri->options[j].first != uri->options[i].first);
    }
    const std::string again = platform::FormatPortUri(*uri);
    const auto reparsed = platform::ParsePortUri(again);
    Check(reparsed && *reparsed == *uri);
    Check(platform::FormatPortUri(*reparsed) == again);
}

void CheckName(std::string_view text) {
    const platform::PortName port = platform::PortName::Parse(text);
    Check(port.text() == text);
    Check(port.usable() == port.problem().empty());
    if (!port.usable()) Check(port.problem().find(platform::AcceptedPortForms()) != std::string::npos);
    if (!port.accepted()) {
        Check(port.kind() == platform::PortKind::None && port.parallelNumber() == 0 && port.usbNumber() == 0);
        return;
    }
    Check(port.kind() != platform::PortKind::CommandFile);  // never by its name
    const std::string canonical = port.canonical();
    const platform::PortName again = platform::PortName::Parse(canonical);
    Check(again.kind() == port.kind() && again.parallelNumber() == port.parallelNumber() &&
          again.usbNumber() == port.usbNumber() && again.usable() == port.usable());
    Check((again.uri() == nullptr) == (port.uri() == nullptr));
    if (port.uri() != nullptr) Check(*again.uri() == *port.uri());
    Check(again.canonical() == canonical);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckName(text);
    CheckUri(text);
    return 0;
}
