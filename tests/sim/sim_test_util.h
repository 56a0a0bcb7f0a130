// Helpers shared by the virtual printer's tests: packets by hand, draining the printer's output,
// splitting it into packets, and a private temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "protocol/packets.h"
#include "sim/virtual_printer.h"
#include "test_env.h"

namespace simtest {

using Bytes = std::vector<uint8_t>;

// Settings of the shipped model the tests use, by id.
constexpr uint16_t kBlankPages = 0x0101;   // enum 00,01, default 00
constexpr uint16_t kTray1Size = 0x0105;    // enum, default 01
constexpr uint16_t kCustom1Name = 0x0121;  // text, at most 16
constexpr uint16_t kPowerSaver = 0x0306;   // number 1..240 in one byte, or 00 (off)
constexpr uint16_t kFeedTimeout = 0x0501;  // number 15..65535 in four bytes, or 00000000 (off)

inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::string digits;
    for (char c : text) {
        if (c != ' ') digits += c;
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

inline Bytes Start() { return Bytes(npa::kStart.begin(), npa::kStart.end()); }

template <size_t N>
inline Bytes Of(const std::array<uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A packet: A5, DataLen, flags, command, data.
inline Bytes Packet(uint8_t flags, uint8_t command, const Bytes& data) {
    Bytes p{0xA5, static_cast<uint8_t>((data.size() + 2) >> 8), static_cast<uint8_t>((data.size() + 2) & 0xFF), flags, command};
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

inline Bytes Batch(const std::vector<uint16_t>& ids) {
    Bytes data{0xE7, 0x20, static_cast<uint8_t>(ids.size())};
    for (uint16_t id : ids) {
        data.push_back(static_cast<uint8_t>(id >> 8));
        data.push_back(static_cast<uint8_t>(id & 0xFF));
    }
    return Packet(0x50, 0xE0, data);
}

inline Bytes Write(uint16_t id, const Bytes& value, uint8_t flags = 0x40) {
    Bytes data{0xE7, 0x02, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)};
    data.insert(data.end(), value.begin(), value.end());
    return Packet(flags, 0xE0, data);
}

inline Bytes Read(uint16_t id) { return Packet(0x50, 0xE0, {0xE7, 0x01, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)}); }

inline void Send(sim::VirtualPrinter& p, const Bytes& bytes) { p.receive(bytes.data(), bytes.size()); }

// Everything the printer has ready now.
inline Bytes Drain(sim::VirtualPrinter& p, int waitMs = 0) {
    Bytes out;
    uint8_t buffer[4096];
    for (;;) {
        const long n = p.transmit(buffer, sizeof buffer, out.empty() ? waitMs : 0);
        if (n <= 0) return out;
        out.insert(out.end(), buffer, buffer + n);
    }
}

// Splits a byte run that holds only whole packets.
inline std::vector<Bytes> Packets(const Bytes& run) {
    std::vector<Bytes> out;
    size_t at = 0;
    while (at + 3 <= run.size() && run[at] == 0xA5) {
        const size_t total = 3 + ((run[at + 1] << 8) | run[at + 2]);
        if (at + total > run.size()) break;
        out.emplace_back(run.begin() + static_cast<long>(at), run.begin() + static_cast<long>(at + total));
        at += total;
    }
    if (at != run.size()) out.push_back(Bytes(run.begin() + static_cast<long>(at), run.end()));  // a tail that is no packet
    return out;
}

class TempDir {
public:
    TempDir() : path_(testsupport::MakeTempFolder("devpanel-simtest-")) {}
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace simtest
