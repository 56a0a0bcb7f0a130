#include "platform/port_name.h"

#include <algorithm>
#include <cstdio>

namespace platform {
namespace {

// What one kind's parse finds in a name it accepts.
struct Parts {
    int number = 0;
    std::optional<PortUri> uri;
};

// Takes text apart when it is this kind's name (true). false when it is not; why is then set when
// the text is recognisably meant as this kind but malformed.
using ParseFn = bool (*)(std::string_view text, Parts& parts, std::string& why);

// Up to maxDigits decimal digits; no leading zero unless the name is padded to padTo digits.
std::optional<int> PortNumber(std::string_view digits, size_t padTo, size_t maxDigits, int max) {
    if (digits.empty() || digits.size() > maxDigits || digits.size() < padTo) return std::nullopt;
    if (digits.size() > padTo && digits[0] == '0') return std::nullopt;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > max) return std::nullopt;
    return number;
}

bool ParseParallel(std::string_view text, Parts& parts, std::string&) {
    if (text.substr(0, 3) != "LPT") return false;
    std::string_view digits = text.substr(3);
    if (!digits.empty() && digits.back() == ':') digits.remove_suffix(1);
    const auto number = PortNumber(digits, 1, 3, 255);
    if (!number) return false;
    parts.number = *number;
    return true;
}

bool ParseUsb(std::string_view text, Parts& parts, std::string&) {
    if (text.substr(0, 3) != "USB") return false;
    // Three digits at least, as the system writes them (USB001); wider only when the number is.
    const auto number = PortNumber(text.substr(3), 3, 5, 99999);
    if (!number) return false;
    parts.number = *number;
    return true;
}

bool ParseSocket(std::string_view text, Parts& parts, std::string& why) {
    std::string reason;
    std::optional<PortUri> uri = ParsePortUri(text, &reason);
    if (uri && uri->scheme == "socket") {
        parts.uri = std::move(uri);
        return true;
    }
    std::string scheme(text.substr(0, 7));
    for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    if (!uri && scheme == "socket:") why = reason;
    return false;
}

struct Entry {
    PortKindInfo info;
    ParseFn parse;  // nullptr: never named
};

// The registry. A kind the link has no transport for yet is parsed, but refused as not supported.
const Entry kEntries[] = {
    {{PortKind::Parallel, "parallel port", "LPTn: (or LPTn)", true, true, true}, ParseParallel},
    {{PortKind::Usb, "USB port", "USBnnn", true, true, true}, ParseUsb},
    {{PortKind::Socket, "network printer", "socket://HOST[:PORT][?options]", true, true, true}, ParseSocket},
    {{PortKind::CommandFile, "command file", nullptr, false, false, true}, nullptr},
};

const PortKindInfo kNone{PortKind::None, "unknown port", nullptr, false, false, false};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

const std::vector<PortKindInfo>& PortKinds() {
    static const std::vector<PortKindInfo> kinds = [] {
        std::vector<PortKindInfo> out;
        for (const Entry& entry : kEntries) out.push_back(entry.info);
        return out;
    }();
    return kinds;
}

const PortKindInfo& PortKindOf(PortKind kind) {
    for (const Entry& entry : kEntries) {
        if (entry.info.kind == kind) return entry.info;
    }
    return kNone;
}

std::string AcceptedPortForms() {
    std::vector<std::string> forms;
    for (const Entry& entry : kEntries) {
        if (entry.info.form != nullptr && entry.info.supported) {
            forms.push_back(std::string(entry.info.form) + " for a " + entry.info.noun);
        }
    }
    std::string text;
    for (size_t i = 0; i < forms.size(); ++i) {
        text += i == 0 ? "" : i + 1 == forms.size() ? " or " : ", ";
        text += forms[i];
    }
    return text;
}

PortName PortName::Parse(std::string_view text) {
    PortName name;
    name.m_text = std::string(text);
    std::string malformed;
    for (const Entry& entry : kEntries) {
        if (entry.parse == nullptr) continue;
        Parts parts;
        std::string why;
        if (entry.parse(text, parts, why)) {
            name.m_kind = entry.info.kind;
            name.m_number = parts.number;
            name.m_uri = std::move(parts.uri);
            if (!entry.info.supported) {
                name.m_problem = Quoted(text) + " names a " + entry.info.noun +
                                 ", which this version cannot open yet: a port is named " + AcceptedPortForms();
            }
            return name;
        }
        if (malformed.empty()) malformed = why;
    }
    name.m_problem = Quoted(text) + " is not a port name" + (malformed.empty() ? "" : " (" + malformed + ")") +
                     ": a port is named " + AcceptedPortForms();
    return name;
}

PortName PortName::CommandFile(std::string path) {
    PortName name;
    name.m_kind = PortKind::CommandFile;
    name.m_text = std::move(path);
    return name;
}

std::string PortName::canonical() const {
    switch (m_kind) {
    case PortKind::Parallel: return "LPT" + std::to_string(m_number) + ":";
    case PortKind::Usb: {
        char text[16];
        std::snprintf(text, sizeof text, "USB%03d", m_number);
        return text;
    }
    case PortKind::Socket: return FormatPortUri(*m_uri);
    case PortKind::CommandFile:
    case PortKind::None: break;
    }
    return m_text;
}

std::optional<int> ParallelPortNumber(const std::string& portName) {
    const PortName name = PortName::Parse(portName);
    if (name.kind() != PortKind::Parallel) return std::nullopt;
    return name.parallelNumber();
}

}  // namespace platform
