// The NPA packet frame, the fixed packets the system builds itself, and the codec of setting
// packets. Shared by the printer link, the NPA layer and the virtual printer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

}  // namespace npa
