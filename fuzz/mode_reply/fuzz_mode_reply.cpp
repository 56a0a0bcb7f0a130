// What a parallel printer answers when the link asks how it takes NPA: the reply to the PJL mode
// query and the device ID whose markers skip the query. Input: one option byte, then the reply.
// Option bit 0 turns every log level on (the reply is logged as text, so the formats run too).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/quiet_link.h"
#include "link/npa_detect.h"
#include "protocol/packets.h"

using fuzz::Check;

namespace {

bool Has(const uint8_t* data, size_t size, std::string_view text) {
    return std::string_view(reinterpret_cast<const char*>(data), size).find(text) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    fuzz::UseQuietLink((data[0] & 1) != 0);
    ++data;
    --size;

    const int mode = CheckPJLQueryResponse(data, static_cast<uint32_t>(size));
    if (size > 0 && data[0] == npa::SOP) {
        // A packet is an NPA printer that answers the query itself, or nothing usable.
        Check(mode == NPA_ON || mode == -1);
    } else {
        Check(mode == NPA_OFF || mode == NPA_AUTO);
        // AUTO only from a PJL reply that says so and does not say OFF.
        if (mode == NPA_AUTO) Check(Has(data, size, "@PJL") && Has(data, size, "AUTO") && !Has(data, size, "OFF"));
    }
    // A reply the query's read takes for whole is one the mode can be read from: a PJL reply
    // closed by its form feed, or a whole NPA packet.
    if (IsWholeModeQueryReply(data, static_cast<uint32_t>(size))) {
        Check(data[0] == npa::SOP ? size >= 3u + npa::ReadDataLen(data) : data[size - 1] == 0x0C);
    }
    (void)IsRecognizedDeviceId(reinterpret_cast<const char*>(data), size);
    return 0;
}
