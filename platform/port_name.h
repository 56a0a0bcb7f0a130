// The registry of port kinds: what a port's name is, parsed once, for every layer. A name is taken
// apart by the first kind that accepts it (LPTn: parallel, USBnnn USB, socket://HOST[:PORT]
// network printer); a command file is never named, but made explicitly (PortName::CommandFile), so a
// mistyped port is never taken for a file. Callers ask the parsed name what they need (is it
// two-way, can it be read, its number, how to show it) instead of looking at its letters; the
// link maps its kind to the transport that drives it (link/transport.h).
//
// A new kind of port is one entry in the table of port_name.cpp (its parse, its form, what it can
// do), the link's line for its transport table and the transport's own file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/port_uri.h"

namespace platform {

enum class PortKind { None, Parallel, Usb, CommandFile, Socket };

// What the registry knows of one kind.
struct PortKindInfo {
    PortKind kind;
    const char* noun;  // how a user is told the kind: "parallel port", "USB port", ...
    const char* form;  // the accepted form of its name ("LPTn: (or LPTn)"); nullptr for a kind never named
    bool twoWay;       // its printer answers (a parallel port's open may still find it one-way)
    bool readable;     // its settings can be read
    bool supported;    // this version opens it (the link has a transport for it)
};

// Every kind, in the order names are tried.
const std::vector<PortKindInfo>& PortKinds();
// The registry's entry of kind (PortKind::None: an entry that can do nothing).
const PortKindInfo& PortKindOf(PortKind kind);
// The forms of a printer port's name this version opens, for a message: "LPTn: (or LPTn) for a
// parallel port, USBnnn for a USB port or socket://HOST[:PORT][?options] for a network printer".
std::string AcceptedPortForms();

class PortName {
public:
    // Takes a printer port's name apart, as a user, the print system or a snapshot gives it. Every
    // name gives a PortName: ask accepted() / usable() before its parts. Case-sensitive, as the
    // system's own names are ("LPT1:", "USB001"). Does not block.
    static PortName Parse(std::string_view text);
    // A command file at path: the only way to make one.
    static PortName CommandFile(std::string path);

    // Some kind took the name apart (perhaps a kind this version does not open yet).
    bool accepted() const { return m_kind != PortKind::None; }
    // Accepted by a kind this version opens.
    bool usable() const { return accepted() && info().supported; }
    // Why the name cannot be used, as one clause with the accepted forms: ""LTP1:" is not a
    // port name: a port is named LPTn: (or LPTn) for a parallel port, USBnnn for a USB port or
    // socket://HOST[:PORT][?options] for a network printer".
    // Empty when usable().
    const std::string& problem() const { return m_problem; }

    PortKind kind() const { return m_kind; }
    const PortKindInfo& info() const { return PortKindOf(m_kind); }
    bool twoWay() const { return usable() && info().twoWay; }
    bool readable() const { return usable() && info().readable; }
    // The name as given: what the link opens and logs, and the path of a command file.
    const std::string& text() const { return m_text; }
    // The name in its one spelling ("LPT1" -> "LPT1:", a URI as FormatPortUri writes it), the
    // way to show it to a user; the text otherwise.
    std::string canonical() const;
    // The port number of LPTn: or USBnnn; 0 for other kinds.
    int parallelNumber() const { return m_kind == PortKind::Parallel ? m_number : 0; }
    int usbNumber() const { return m_kind == PortKind::Usb ? m_number : 0; }
    // A network name's parts; nullptr for other kinds.
    const PortUri* uri() const { return m_uri ? &*m_uri : nullptr; }

    bool operator==(const PortName&) const = default;

private:
    PortKind m_kind = PortKind::None;
    std::string m_text;
    int m_number = 0;
    std::optional<PortUri> m_uri;
    std::string m_problem;
};

// "LPT1:" or "LPT1" -> 1 (the port number, counted from 1); nullopt for anything else (lower
// case, no number, a number with leading zeros or above 255, trailing text). Does not block.
std::optional<int> ParallelPortNumber(const std::string& portName);

}  // namespace platform
