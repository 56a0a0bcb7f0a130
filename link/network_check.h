// What `doctor` asks of a network port (socket://HOST[:PORT][?options]) without sending its
// printer one byte: whether the SNMP agent names this program's printer (unless the name says
// snmp=false) and whether the raw port takes a connection (closed again at once, nothing sent).
#pragma once

#include <string>
#include <vector>

struct SlcNetworkFinding {
    bool ok = true;
    std::string text;  // what was found: "127.0.0.1 port 9100 takes a connection"
    std::string fix;   // for a problem: what to check or do
};

// The findings for portName, in the order the link meets them when it opens the port: the
// identity, then the connection. The identity is not asked when the name says snmp=false, and
// a failed identity check leaves the connection untried (the link would not connect either).
// Blocks up to the identity's and the connect's bounds of the timing table.
std::vector<SlcNetworkFinding> SlcCheckNetworkPort(const std::string& portName);
