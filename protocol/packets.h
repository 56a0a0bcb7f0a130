// The NPA packet frame, the fixed packets the system builds itself, and the codec of setting
// packets. Shared by the printer link, the NPA layer and the virtual printer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace npa {

constexpr uint8_t SOP = 0xA5;
constexpr size_t HEADER_SIZE = 5;       // SOP, DataLen (2), flags, command
constexpr size_t VALUE_OFFSET = 9;      // setting packets: value from byte 9
constexpr size_t ID_OFFSET = 7;         // setting packets: id in bytes 7 and 8
constexpr size_t MAX_COMMAND = 512;
constexpr size_t MAX_REPLY = 2048;
constexpr size_t MAX_BATCH_IDS = 125;
constexpr size_t DECODE_BUFFER = 50;    // one decoded batch entry as a single-setting reply
constexpr size_t MAX_ENTRY_VALUE = 40;  // longest batch value kept (the rest is cut)
constexpr size_t MAX_NUMERIC_BYTES = 4;

// Flag bits (byte 3).
constexpr uint8_t FLAG_ERROR_DETAIL = 0x08;
constexpr uint8_t FLAG_RESPONSE = 0x10;
constexpr uint8_t FLAG_CONTINUE = 0x20;
constexpr uint8_t FLAG_BUILT = 0x40;
constexpr uint8_t FLAG_ERROR = 0x80;

constexpr uint8_t CMD_SETTINGS = 0xE0;
constexpr uint8_t CMD_ALERT = 0xF0;

// Catalogue of fixed packets.
constexpr std::array<uint8_t, 19> kStart = {0xA5, 0x00, 0x10, 0x80, 0xA4, 0x5B, 0xA4, 0x5B, 0x10, 0xEF,
                                            0xA4, 0x5B, 0x11, 0xEE, 0x00, 0xFF, 0x13, 0xEC, 0x2E};
constexpr std::array<uint8_t, 7> kRegisterAlert = {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x03, 0x40};
constexpr std::array<uint8_t, 7> kDeregisterAlert = {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x03, 0x00};
constexpr std::array<uint8_t, 9> kOffline = {0xA5, 0x00, 0x06, 0x50, 0xE0, 0xE7, 0x0C, 0x01, 0x00};
constexpr std::array<uint8_t, 9> kOnline = {0xA5, 0x00, 0x06, 0x50, 0xE0, 0xE7, 0x0C, 0x00, 0x00};
constexpr std::array<uint8_t, 9> kFileOffline = {0xA5, 0x00, 0x06, 0x40, 0xE0, 0xE7, 0x0C, 0x01, 0x00};
constexpr std::array<uint8_t, 9> kFileOnline = {0xA5, 0x00, 0x06, 0x40, 0xE0, 0xE7, 0x0C, 0x00, 0x00};
// The PJL mode query: ESC "%-12345X@PJL DINQUIRE QNPAP" CR LF ESC "%-12345X" (39 bytes).
extern const std::array<uint8_t, 39> kPjlModeQuery;

// The big-endian DataLen field (bytes 1 and 2) of a packet of at least 3 bytes.
uint16_t ReadDataLen(const uint8_t* packet);
void WriteDataLen(uint8_t* packet, uint16_t dataLen);

// Bytes from hex text (either letter case): pairs of digits from the start, an odd last digit
// ignored, at most 65535 bytes (the count is 16 bits). Conversion stops at the first pair that
// is not two hex digits, so a damaged line gives a short packet rather than invented bytes.
std::vector<uint8_t> HexToBytes(const std::string& hex);

// The batch read request for ids (each sent high byte first): 2N + 8 bytes. False, with out left
// untouched, for more than MAX_BATCH_IDS ids, whose length would not fit the one-byte DataLen.
bool BuildBatchRequest(const std::vector<uint16_t>& ids, std::vector<uint8_t>& out);

// Walks the entries of a batch reply of length bytes (entries from byte 7). Each entry is handed
// to onEntry as a single-setting reply built in a zero-filled buffer of DECODE_BUFFER bytes, with
// length L + VALUE_OFFSET. A value longer than MAX_ENTRY_VALUE bytes is cut to that many (the
// walk still steps over all of it), so the handed value is always followed by a zero byte.
// Returns false when the reply is malformed: shorter than the 7 bytes before the entries, or its
// last entry claims more bytes than remain; the entries before the fault have been handed on and
// the incomplete one is dropped. Never reads past reply + length.
bool WalkBatchReply(const uint8_t* reply, size_t length,
                    const std::function<void(const uint8_t* single, size_t singleLength)>& onEntry);

// The same walk, also handing each entry's whole value as the reply holds it (value, valueLength:
// inside reply, never cut), so that a caller can tell a value that was cut from one that fits.
using BatchEntryHandler = std::function<void(const uint8_t* single, size_t singleLength, const uint8_t* value,
                                             size_t valueLength)>;
bool WalkBatchEntries(const uint8_t* reply, size_t length, const BatchEntryHandler& onEntry);

// The text write packet: the template followed by the characters of text, DataLen set to the
// new length minus 3. Empty (nothing to send) when the template is shorter than 3 bytes, so has
// no DataLen, or when the packet would be too long for DataLen.
std::vector<uint8_t> ComposeTextWrite(const std::vector<uint8_t>& tmpl, const std::string& text);
// The numeric write packet: a 10-byte template gets the low 8 bits of value in byte 9, a 13-byte
// template the four big-endian bytes of value in bytes 9 to 12; any other template unchanged.
std::vector<uint8_t> ComposeNumericWrite(const std::vector<uint8_t>& tmpl, int32_t value);

// The decimal text of a big-endian value read into a signed 32-bit integer (FF FF FF FF is -1).
// Of a value longer than MAX_NUMERIC_BYTES bytes only the last (least significant) four count,
// so zero padding in front still gives the number; no bytes give "0".
std::string DecodeNumeric(const uint8_t* bytes, size_t count);

}  // namespace npa

// Sets out to the upper-case hex digits of bytes, two per byte, no separators ("" for none).
void NpaHexString(const uint8_t* bytes, size_t count, std::string& out);
// Byte order: the wire is big-endian, the host little-endian.
uint16_t NpaSwap16(uint16_t value);
uint32_t NpaSwap32(uint32_t value);
