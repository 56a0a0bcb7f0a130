// The printer's reply to the batch read, taken as a read takes it: every entry whose id the
// shipped configuration asks for decoded to its value token (enumerated values, numbers, texts in
// the printer's code page), then judged as an apply of every value judges what it would write
// back, and recorded as a snapshot is. Input: the reply as the link hands it over.
// Every token is UTF-8 (texts are shown, printed as JSON and kept in snapshots); what cannot be
// written back is named once, sorted, and only for settings the reply held; the snapshot of the
// read reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "config/profile.h"
#include "document/snapshot.h"
#include "fuzz/fuzz_check.h"
#include "protocol/packets.h"
#include "transactions/transactions.h"

using fuzz::Check;

namespace {

// The setting id of each read request of the shipped configuration ("0101" -> "BLANKPAGES"),
// as the batch read names the entries of a reply.
const std::map<std::string, std::string>& NamesOfIds() {
    static const std::map<std::string, std::string> names = [] {
        SetConfigPath(DEVPANEL_FUZZ_INI);
        std::map<std::string, std::string> m;
        for (const std::string& line : ConfigFile().GetSection("NPA READ SETTING", 64 * 1024)) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::vector<uint8_t> request = npa::HexToBytes(line.substr(eq + 1));
            if (request.size() < npa::VALUE_OFFSET) continue;
            std::string id;
            NpaHexString(&request[npa::ID_OFFSET], 2, id);
            m[id] = line.substr(0, eq);
        }
        return m;
    }();
    return names;
}

bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 4;
        if (more == 4 || more >= text.size() - i) return false;
        for (size_t k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += more + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The link never hands over more than a reply buffer.
    if (size > npa::MAX_REPLY) return 0;
    const std::map<std::string, std::string>& namesOfIds = NamesOfIds();
    const std::vector<uint8_t> reply(data, data + size);

    ValueMap values;
    NpaRawValues raw;
    npa::WalkBatchEntries(reply.data(), reply.size(),
                          [&](const uint8_t* single, size_t length, const uint8_t* value, size_t valueLength) {
                              std::string id;
                              NpaHexString(single + npa::ID_OFFSET, 2, id);
                              const auto it = namesOfIds.find(id);
                              if (it == namesOfIds.end()) return;
                              const std::string token =
                                  NpaDecodeValue(it->second, single, static_cast<uint32_t>(length));
                              Check(IsUtf8(token));
                              values[it->second] = token;
                              raw[it->second] = {std::vector<uint8_t>(value, value + valueLength), token};
                          });

    const std::vector<std::string> kept = NpaValuesNotWritableBack(values, raw);
    Check(std::is_sorted(kept.begin(), kept.end()) && std::adjacent_find(kept.begin(), kept.end()) == kept.end());
    snapshot::Snapshot read;
    read.model = "Altrin Pressline T90";
    read.port = "USB001";
    read.time = "2026-12-07T14:55:11.223Z";
    for (const auto& [name, token] : values) {
        const bool left = std::binary_search(kept.begin(), kept.end(), name);
        if (left) {
            read.skipped.push_back(name);
        } else {
            read.settings[name] = token;
        }
    }
    for (const std::string& name : kept) Check(values.count(name) == 1);

    snapshot::Snapshot again;
    std::string error;
    Check(snapshot::FromJson(snapshot::ToJson(read), again, error));
    Check(again.settings == read.settings && again.skipped == read.skipped);
    return 0;
}
