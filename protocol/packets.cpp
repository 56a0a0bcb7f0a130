#include "protocol/packets.h"

#include <algorithm>

namespace npa {

const std::array<uint8_t, 39> kPjlModeQuery = [] {
    static constexpr char text[] = "\x1B%-12345X@PJL DINQUIRE QNPAP\r\n\x1B%-12345X";
    static_assert(sizeof(text) - 1 == 39, "the mode query is 39 bytes");
    std::array<uint8_t, 39> bytes{};
    std::copy(text, text + bytes.size(), bytes.begin());
    return bytes;
}();

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr size_t BATCH_ENTRIES_OFFSET = 7;  // batch reply: header and two bytes before the entries
constexpr size_t ENTRY_HEAD = 3;            // id high, id low, value length
constexpr size_t DATALEN_END = 3;           // SOP and DataLen precede what DataLen counts

}  // namespace

uint16_t ReadDataLen(const uint8_t* packet) {
    return static_cast<uint16_t>((packet[1] << 8) | packet[2]);
}

void WriteDataLen(uint8_t* packet, uint16_t dataLen) {
    packet[1] = static_cast<uint8_t>(dataLen >> 8);
    packet[2] = static_cast<uint8_t>(dataLen & 0xFF);
}

std::vector<uint8_t> HexToBytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    size_t pairs = std::min<size_t>(hex.size() / 2, 0xFFFF);
    bytes.reserve(pairs);
    for (size_t i = 0; i < pairs; ++i) {
        int high = HexDigit(hex[2 * i]);
        int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return bytes;
}

bool BuildBatchRequest(const std::vector<uint16_t>& ids, std::vector<uint8_t>& out) {
    if (ids.size() > MAX_BATCH_IDS) return false;
    const auto n = static_cast<uint8_t>(ids.size());
    std::vector<uint8_t> packet = {SOP, 0x00, static_cast<uint8_t>(2 * n + 5), FLAG_BUILT | FLAG_RESPONSE,
                                   CMD_SETTINGS, 0xE7, 0x20, n};
    packet.reserve(packet.size() + 2 * ids.size());
    for (uint16_t id : ids) {
        packet.push_back(static_cast<uint8_t>(id >> 8));
        packet.push_back(static_cast<uint8_t>(id & 0xFF));
    }
    out = std::move(packet);
    return true;
}

bool WalkBatchEntries(const uint8_t* reply, size_t length, const BatchEntryHandler& onEntry) {
    if (!reply || length < BATCH_ENTRIES_OFFSET) return false;
    size_t pos = BATCH_ENTRIES_OFFSET;
    while (pos < length) {
        size_t remaining = length - pos;
        if (remaining < ENTRY_HEAD) return false;
        size_t valueLength = reply[pos + 2];
        if (remaining - ENTRY_HEAD < valueLength) return false;
        // The rest of a value over MAX_ENTRY_VALUE bytes is dropped: the buffer keeps room for a
        // terminating zero after the value, which the text decoding relies on.
        size_t kept = std::min(valueLength, MAX_ENTRY_VALUE);
        uint8_t single[DECODE_BUFFER] = {};
        single[0] = SOP;
        WriteDataLen(single, static_cast<uint16_t>(kept + 6));
        single[3] = 0x51;  // the flags of the printer's own single-setting reply
        single[4] = CMD_SETTINGS;
        single[5] = 0xE7;
        single[6] = 0x00;
        single[ID_OFFSET] = reply[pos];
        single[ID_OFFSET + 1] = reply[pos + 1];
        std::copy(reply + pos + ENTRY_HEAD, reply + pos + ENTRY_HEAD + kept, single + VALUE_OFFSET);
        if (onEntry) onEntry(single, kept + VALUE_OFFSET, reply + pos + ENTRY_HEAD, valueLength);
        pos += ENTRY_HEAD + valueLength;
    }
    return true;
}

bool WalkBatchReply(const uint8_t* reply, size_t length,
                    const std::function<void(const uint8_t* single, size_t singleLength)>& onEntry) {
    return WalkBatchEntries(reply, length, [&](const uint8_t* single, size_t singleLength, const uint8_t*, size_t) {
        if (onEntry) onEntry(single, singleLength);
    });
}

std::vector<uint8_t> ComposeTextWrite(const std::vector<uint8_t>& tmpl, const std::string& text) {
    size_t total = tmpl.size() + text.size();
    if (tmpl.size() < DATALEN_END || total - DATALEN_END > 0xFFFF) return {};
    std::vector<uint8_t> packet(tmpl);
    packet.insert(packet.end(), text.begin(), text.end());
    WriteDataLen(packet.data(), static_cast<uint16_t>(total - DATALEN_END));
    return packet;
}

std::vector<uint8_t> ComposeNumericWrite(const std::vector<uint8_t>& tmpl, int32_t value) {
    std::vector<uint8_t> packet(tmpl);
    const auto bits = static_cast<uint32_t>(value);
    if (packet.size() == VALUE_OFFSET + 1) {
        packet[VALUE_OFFSET] = static_cast<uint8_t>(bits & 0xFF);
    } else if (packet.size() == VALUE_OFFSET + MAX_NUMERIC_BYTES) {
        for (size_t i = 0; i < MAX_NUMERIC_BYTES; ++i) {
            packet[VALUE_OFFSET + i] = static_cast<uint8_t>(bits >> (8 * (MAX_NUMERIC_BYTES - 1 - i)));
        }
    }
    return packet;
}

std::string DecodeNumeric(const uint8_t* bytes, size_t count) {
    if (!bytes) count = 0;
    size_t first = count > MAX_NUMERIC_BYTES ? count - MAX_NUMERIC_BYTES : 0;
    uint32_t bits = 0;
    for (size_t i = first; i < count; ++i) bits = (bits << 8) | bytes[i];
    return std::to_string(static_cast<int32_t>(bits));
}

}  // namespace npa

void NpaHexString(const uint8_t* bytes, size_t count, std::string& out) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out.clear();
    if (!bytes) return;
    out.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        out.push_back(digits[bytes[i] >> 4]);
        out.push_back(digits[bytes[i] & 0x0F]);
    }
}

uint16_t NpaSwap16(uint16_t value) { return static_cast<uint16_t>((value >> 8) | (value << 8)); }

uint32_t NpaSwap32(uint32_t value) {
    // Exchange the two halves, then the bytes within each.
    uint32_t halves = (value >> 16) | (value << 16);
    return ((halves & 0x00FF00FFu) << 8) | ((halves >> 8) & 0x00FF00FFu);
}
