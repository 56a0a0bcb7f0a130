// The URI syntax of a port name that names a printer on the network, SCHEME://HOST[:PORT][?options]
// (socket://printer.example:9100?snmp=false): the one place that takes such a name apart and puts
// it together again. Which schemes are ports, and what their options mean, is the registry's
// (platform/port_name.h) and the transport's business, not this parser's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

enum class UriHostKind { Name, IPv4, IPv6 };

struct PortUri {
    std::string scheme;  // lower case: letters, digits, "+", "-", "."; starts with a letter
    std::string host;    // a DNS name as given, an IPv4 address, or an IPv6 address without its brackets
    UriHostKind hostKind = UriHostKind::Name;
    std::optional<uint16_t> port;  // 1..65535 when given
    std::vector<std::pair<std::string, std::string>> options;  // key -> value, in order, %XX decoded

    bool operator==(const PortUri&) const = default;
};

// The longest name the parser takes.
constexpr size_t kPortUriMaxLength = 1024;

// Takes SCHEME://HOST[:PORT][/][?KEY=VALUE[&KEY=VALUE...]] apart. The scheme is matched in any
// letter case. HOST is a DNS name (labels of letters, digits and "-", at most 63 bytes each, 253 in
// all), an IPv4 address in dotted decimal (four numbers 0..255 without leading zeros; a host of
// digits and dots only must be one) or an IPv6 address in brackets (RFC 4291 text form, with an
// IPv4 tail allowed; no zone). PORT is 1..65535 in decimal without leading zeros. Options: KEY
// non-empty, each key once, KEY and VALUE of unreserved characters (letters, digits, "-._~") and
// %XX escapes, which are decoded. No user name, no path other than "/", no fragment, nothing
// longer than kPortUriMaxLength. nullopt when the text is not such a name, with the reason (one
// clause, lower case) in *why when given. Does not block.
std::optional<PortUri> ParsePortUri(std::string_view text, std::string* why = nullptr);

// The name of uri as ParsePortUri takes it back: lower-case scheme, an IPv6 host in brackets, the
// port when given, the options with every byte outside the unreserved characters as %XX (upper
// case). ParsePortUri(FormatPortUri(u)) == u for every u that ParsePortUri gave.
std::string FormatPortUri(const PortUri& uri);

}  // namespace platform
