#include "platform/port_uri.h"

#include <algorithm>

namespace platform {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsUnreserved(char c) { return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// The parts of text between separators, empty ones included.
std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A decimal number of 1..maxDigits digits without a leading zero (a lone "0" aside), at most max.
std::optional<unsigned> Decimal(std::string_view digits, size_t maxDigits, unsigned max) {
    if (digits.empty() || digits.size() > maxDigits || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

bool IsIPv4(std::string_view text) {
    const std::vector<std::string_view> parts = Split(text, '.');
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](std::string_view p) {
               return Decimal(p, 3, 255).has_value();
           });
}

// Counts the 16-bit groups of colon-separated hex groups, the last of which may be an IPv4
// address (two groups) when v4Tail; false when a group is malformed.
bool CountGroups(std::string_view text, bool v4Tail, size_t& count) {
    count = 0;
    if (text.empty()) return true;
    const std::vector<std::string_view> groups = Split(text, ':');
    for (size_t i = 0; i < groups.size(); ++i) {
        const std::string_view g = groups[i];
        if (v4Tail && i + 1 == groups.size() && g.find('.') != std::string_view::npos) {
            if (!IsIPv4(g)) return false;
            count += 2;
        } else {
            if (g.empty() || g.size() > 4 || !std::all_of(g.begin(), g.end(), IsHex)) return false;
            count += 1;
        }
    }
    return true;
}

bool IsIPv6(std::string_view text) {
    const size_t gap = text.find("::");
    size_t left = 0;
    size_t right = 0;
    if (gap == std::string_view::npos) return CountGroups(text, true, left) && left == 8;
    if (text.find("::", gap + 1) != std::string_view::npos) return false;
    // "::" stands for at least one group of zeros.
    return CountGroups(text.substr(0, gap), false, left) && CountGroups(text.substr(gap + 2), true, right) &&
           left + right <= 7;
}

bool IsHostName(std::string_view text) {
    if (text.size() > 253) return false;
    for (std::string_view label : Split(text, '.')) {
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        if (!std::all_of(label.begin(), label.end(), [](char c) { return IsAlpha(c) || IsDigit(c) || c == '-'; }))
            return false;
    }
    return true;
}

// %XX-decodes text of unreserved characters and escapes; false when anything else is in it.
bool Decode(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) return false;
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else if (IsUnreserved(text[i])) {
            out += text[i];
        } else {
            return false;
        }
    }
    return true;
}

void Encode(std::string_view text, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char c : text) {
        if (IsUnreserved(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
}

std::optional<PortUri> Fail(std::string* why, std::string reason) {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
}

bool ParseOptions(std::string_view query, PortUri& uri, std::string& why) {
    if (query.empty()) {
        why = "nothing follows the \"?\"";
        return false;
    }
    for (std::string_view pair : Split(query, '&')) {
        const size_t equals = pair.find('=');
        std::string key;
        std::string value;
        if (pair.empty() || equals == 0) {
            why = "an option has no name";
            return false;
        }
        if (equals == std::string_view::npos) {
            why = "the option \"" + std::string(pair) + "\" has no \"=VALUE\"";
            return false;
        }
        if (!Decode(pair.substr(0, equals), key) || !Decode(pair.substr(equals + 1), value)) {
            why = "the option \"" + std::string(pair) +
                  "\" holds a character other than letters, digits, \"-._~\" and %XX escapes";
            return false;
        }
        if (key.empty()) {
            why = "an option has no name";
            return false;
        }
        const auto same = [&key](const auto& option) { return option.first == key; };
        if (std::any_of(uri.options.begin(), uri.options.end(), same)) {
            why = "the option \"" + std::string(pair.substr(0, equals)) + "\" is given twice";
            return false;
        }
        uri.options.emplace_back(std::move(key), std::move(value));
    }
    return true;
}

}  // namespace

std::optional<PortUri> ParsePortUri(std::string_view text, std::string* why) {
    if (text.size() > kPortUriMaxLength) {
        return Fail(why, "it is longer than " + std::to_string(kPortUriMaxLength) + " characters");
    }
    PortUri uri;
    const size_t schemeEnd = text.find("://");
    const std::string_view scheme = text.substr(0, schemeEnd);
    if (schemeEnd == std::string_view::npos || scheme.empty() || !IsAlpha(scheme[0]) ||
        !std::all_of(scheme.begin(), scheme.end(),
                     [](char c) { return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.'; })) {
        return Fail(why, "it does not start with SCHEME://");
    }
    for (char c : scheme) uri.scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);

    std::string_view rest = text.substr(schemeEnd + 3);
    if (rest.find('#') != std::string_view::npos) return Fail(why, "a \"#\" fragment is not allowed");
    const size_t queryAt = rest.find('?');
    const std::string_view beforeQuery = rest.substr(0, queryAt);
    const size_t pathAt = beforeQuery.find('/');
    const std::string_view authority = beforeQuery.substr(0, pathAt);
    if (pathAt != std::string_view::npos && beforeQuery.substr(pathAt) != "/") {
        return Fail(why, "a path after the host is not allowed");
    }
    if (authority.find('@') != std::string_view::npos) return Fail(why, "a user name (\"@\") is not allowed");

    std::string_view host;
    std::string_view afterHost;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return Fail(why, "the IPv6 address has no closing \"]\"");
        host = authority.substr(1, close - 1);
        afterHost = authority.substr(close + 1);
        if (!IsIPv6(host)) return Fail(why, "\"" + std::string(host) + "\" is not an IPv6 address");
        uri.hostKind = UriHostKind::IPv6;
    } else {
        const size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        afterHost = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
        if (colon != std::string_view::npos && authority.find(':', colon + 1) != std::string_view::npos) {
            return Fail(why, "an IPv6 address must be written in brackets, as [::1]");
        }
        if (host.empty()) return Fail(why, "it names no host");
        if (std::all_of(host.begin(), host.end(), [](char c) { return IsDigit(c) || c == '.'; })) {
            if (!IsIPv4(host)) return Fail(why, "\"" + std::string(host) + "\" is not an IPv4 address");
            uri.hostKind = UriHostKind::IPv4;
        } else if (!IsHostName(host)) {
            return Fail(why, "\"" + std::string(host) +
                                 "\" is not a host name (letters, digits and \"-\" in dot-separated labels)");
        }
    }
    uri.host = std::string(host);

    if (!afterHost.empty()) {
        if (afterHost.front() != ':') return Fail(why, "only \":PORT\" may follow the host");
        const auto port = Decimal(afterHost.substr(1), 5, 65535);
        if (!port || *port == 0) {
            return Fail(why, "the port \"" + std::string(afterHost.substr(1)) + "\" is not a number from 1 to 65535");
        }
        uri.port = static_cast<uint16_t>(*port);
    }

    if (queryAt != std::string_view::npos) {
        std::string reason;
        if (!ParseOptions(rest.substr(queryAt + 1), uri, reason)) return Fail(why, reason);
    }
    return uri;
}

std::string FormatPortUri(const PortUri& uri) {
    std::string text = uri.scheme + "://";
    text += uri.hostKind == UriHostKind::IPv6 ? "[" + uri.host + "]" : uri.host;
    if (uri.port) text += ":" + std::to_string(*uri.port);
    for (size_t i = 0; i < uri.options.size(); ++i) {
        text += i == 0 ? '?' : '&';
        Encode(uri.options[i].first, text);
        text += '=';
        Encode(uri.options[i].second, text);
    }
    return text;
}

}  // namespace platform
