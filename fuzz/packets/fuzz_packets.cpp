// A batch reply from the printer, walked and decoded entry by entry, and the packet builders fed
// with the same bytes as template, text and hex.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/packets.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The link never hands over more than a reply buffer; larger inputs teach nothing new.
    if (size > npa::MAX_REPLY) return 0;
    // A copy of exactly size bytes, so that reading past the reply is caught.
    std::vector<uint8_t> reply(data, data + size);

    npa::WalkBatchReply(reply.data(), reply.size(), [](const uint8_t* single, size_t length) {
        Check(length >= npa::VALUE_OFFSET && length < npa::DECODE_BUFFER);
        Check(single[length] == 0);
        Check(npa::ReadDataLen(single) + 3u == length);
        const uint8_t* value = single + npa::VALUE_OFFSET;
        const size_t count = length - npa::VALUE_OFFSET;
        std::string hex;
        NpaHexString(value, count, hex);
        Check(hex.size() == 2 * count);
        Check(npa::HexToBytes(hex) == std::vector<uint8_t>(value, value + count));
        std::string text(reinterpret_cast<const char*>(value), strnlen(reinterpret_cast<const char*>(value), count));
        Check(text.size() <= count);
        npa::DecodeNumeric(value, count);
    });

    const std::string asText(reply.begin(), reply.end());
    npa::HexToBytes(asText);
    std::vector<uint8_t> packet = npa::ComposeTextWrite(reply, asText);
    Check(packet.empty() || npa::ReadDataLen(packet.data()) + 3u == packet.size());
    int32_t number = 0;
    if (!reply.empty()) std::memcpy(&number, reply.data(), std::min(reply.size(), sizeof number));
    Check(npa::ComposeNumericWrite(reply, number).size() == reply.size());
    return 0;
}
