// The NPA layer's tables parsed from arbitrary configuration text (the "NPA READ SETTING" and
// "NPA WRITE VALUES" sections of devPanel.ini), then used as a read and a write-back use them.
// The input is the configuration text, a zero byte, and the value bytes of a single-setting reply
// that every setting of the read section is decoded from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "config/profile.h"
#include "fuzz/fuzz_check.h"
#include "protocol/packets.h"
#include "transactions/transactions.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t textSize = zero != nullptr ? static_cast<size_t>(zero - data) : size;
    const Profile ini = Profile::Parse(std::string(reinterpret_cast<const char*>(data), textSize));
    NpaLoadTablesFrom(ini);

    // A single-setting reply: the packet's header, then the value bytes after the zero byte.
    std::vector<uint8_t> reply(npa::VALUE_OFFSET, 0);
    if (zero != nullptr) reply.insert(reply.end(), zero + 1, data + size);
    if (reply.size() > npa::MAX_REPLY) reply.resize(npa::MAX_REPLY);

    ValueMap values;
    NpaRawValues raw;
    for (const std::string& line : ini.GetSection("NPA READ SETTING")) {
        std::string name = line.substr(0, line.find('='));
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        const std::string token = NpaDecodeValue(name, reply.data(), static_cast<uint32_t>(reply.size()));
        values[name] = token;
        raw[name] = {std::vector<uint8_t>(reply.begin() + npa::VALUE_OFFSET, reply.end()), token};
    }
    // Whether each value writes back unchanged builds its write packet from the tables.
    const std::vector<std::string> kept = NpaValuesNotWritableBack(values, raw);
    Check(std::is_sorted(kept.begin(), kept.end()) && std::adjacent_find(kept.begin(), kept.end()) == kept.end());
    for (const std::string& name : kept) Check(values.count(name) == 1);
    return 0;
}
