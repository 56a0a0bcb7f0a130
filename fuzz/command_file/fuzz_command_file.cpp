// A command file given to `send`, with its offline.dat, as the check before sending reads them.
// Input: one byte that picks offline.dat (0: the offline record; 1: the online record; 2: the
// record cut short; 3: empty), then the command file. When the pair is accepted, the setting
// packets it yields, each after a start packet, followed by the online record, are the file again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/packets.h"
#include "transactions/transactions.h"

using fuzz::Check;

namespace {

std::vector<uint8_t> Record(const uint8_t* packet, size_t size) {
    std::vector<uint8_t> record(npa::kStart.begin(), npa::kStart.end());
    record.insert(record.end(), packet, packet + size);
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> offline;
    switch (data[0] & 3) {
        case 0: offline = Record(npa::kFileOffline.data(), npa::kFileOffline.size()); break;
        case 1: offline = Record(npa::kFileOnline.data(), npa::kFileOnline.size()); break;
        case 2: offline = Record(npa::kFileOffline.data(), npa::kFileOffline.size() - 1); break;
        default: break;
    }
    const std::vector<uint8_t> file(data + 1, data + size);

    std::vector<std::vector<uint8_t>> settings;
    std::string why;
    const bool whole = NpaSplitCommandFile(offline, file, settings, why);
    Check(whole == why.empty());
    if (!whole) {
        Check(settings.empty() && !why.empty());
        return 0;
    }
    Check((data[0] & 3) == 0);
    std::vector<uint8_t> again;
    for (const std::vector<uint8_t>& packet : settings) {
        Check(packet.size() >= npa::HEADER_SIZE && packet.size() <= npa::MAX_COMMAND && packet[0] == npa::SOP);
        const std::vector<uint8_t> record = Record(packet.data(), packet.size());
        again.insert(again.end(), record.begin(), record.end());
    }
    const std::vector<uint8_t> online = Record(npa::kFileOnline.data(), npa::kFileOnline.size());
    again.insert(again.end(), online.begin(), online.end());
    Check(again == file);
    return 0;
}
