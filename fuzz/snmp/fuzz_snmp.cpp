// Arbitrary datagrams into the SNMP reply parser, as any host on the network could send them to
// the identity check. Invariants: a reply taken apart holds a value no longer than kMaxValue and
// an OID of 2..kMaxArcs arcs; a value the parser took is taken again, unchanged, from a reply the
// encoder would write for it (a GetRequest is no reply).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "link/snmp.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<snmp::Response> response = snmp::DecodeResponse(data, size);
    if (size > snmp::kMaxMessage) Check(!response);
    if (!response) return 0;
    Check(response->value.size() <= snmp::kMaxValue);
    Check(response->oid.size() >= 2 && response->oid.size() <= snmp::kMaxArcs);
    Check(response->answer == snmp::Answer::Value || response->value.empty());
    // The same OID written back and parsed again is the same OID.
    Check(snmp::ParseOid(snmp::FormatOid(response->oid)) == response->oid);
    // A request for it is never mistaken for a response.
    const std::vector<uint8_t> request = snmp::EncodeGet(response->version, "public", response->requestId, response->oid);
    Check(!snmp::DecodeResponse(request.data(), request.size()));
    return 0;
}
