// The few BER pieces one SNMP GET needs (v1 or v2c, one object), written once for both systems:
// the request is built here and the response taken apart here, every length checked against the
// bytes that hold it. Pure: no socket, no state, so it is tested and fuzzed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace snmp {

// The largest message handled: one UDP datagram of an ordinary network.
constexpr size_t kMaxMessage = 1472;
// The longest value kept: a device ID is far shorter.
constexpr size_t kMaxValue = 1024;
// The most arcs an object identifier may have (those asked for have 16 at most).
constexpr size_t kMaxArcs = 32;

constexpr int kVersion1 = 0;
constexpr int kVersion2c = 1;

using Oid = std::vector<uint32_t>;

// "1.3.6.1.2.1.25.3.2.1.3.1" -> its arcs; nullopt when it is not a dotted OID of 2 to kMaxArcs
// arcs, the first 0..2.
std::optional<Oid> ParseOid(std::string_view dotted);
std::string FormatOid(const Oid& oid);

// A GetRequest for oid. Empty when the community is longer than 255 bytes or the OID is not one
// ParseOid gives.
std::vector<uint8_t> EncodeGet(int version, std::string_view community, int32_t requestId, const Oid& oid);

// What a GetResponse said about the one object asked for.
enum class Answer {
    Value,      // value holds the object's bytes (an OCTET STRING)
    NoObject,   // the agent has no such object (v1 noSuchName, v2c noSuchObject / noSuchInstance /
                // endOfMibView)
    OtherType,  // the object is there, but not a string
    Error,      // the agent answered with another error status
};

struct Response {
    int version = 0;
    int32_t requestId = 0;
    int errorStatus = 0;
    Oid oid;
    Answer answer = Answer::Error;
    std::string value;  // Answer::Value: at most kMaxValue bytes (longer values are refused)
};

// Takes a GetResponse apart; nullopt for anything else (another PDU, bad BER, a length past its
// container, a value longer than kMaxValue, more or fewer than one variable binding, trailing
// bytes). Reads only data[0 .. length); length above kMaxMessage is refused.
std::optional<Response> DecodeResponse(const uint8_t* data, size_t length);

}  // namespace snmp
