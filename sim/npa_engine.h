// The printer's command interpreter: acts on one unit from the host (sim/wire_stream.h) and says
// what to answer. It holds the printer's run-time state (offline, alert registration, whether
// NPA has been started) and changes NVRAM for accepted writes. No threads, no clocks: the
// VirtualPrinter around it does the timing and the fault shaping of the bytes on the wire.
//
// The printer's rules:
//  - The NPA start packet is accepted silently. In mode Auto NPA packets are obeyed only after a
//    start packet, until the next PJL universal exit; in mode On always; in mode Off never.
//  - A command asks for a reply with flags 0x10; without it only errors are answered.
//  - Writes are taken only while the printer is offline, as on its operator panel; online, an
//    unknown id or a value the model does not accept earns a command error (flags 0x88,
//    PrinterConfig::commandErrorFlags).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"
#include "sim/model.h"
#include "sim/nvram.h"
#include "sim/wire_stream.h"

namespace sim {

constexpr uint8_t kReplyFlags = 0x51;         // single-setting replies and acknowledgements
constexpr uint8_t kBatchReplyFlags = 0x11;
constexpr uint8_t kAlertFlags = 0x11;
constexpr uint8_t kForeignCommand = 0xE1;     // command byte of replies that belong to no command we know

struct EngineReply {
    std::vector<Bytes> packets;  // NPA packets, in order (or one unit of raw PJL text)
    bool npa = true;             // false: a PJL answer
};

class NpaEngine {
public:
    NpaEngine(const Model& model, Nvram& nvram) : model_(model), nvram_(nvram) {}

    std::optional<EngineReply> handle(const WireUnit& unit, const PrinterConfig& config,
                                      const Faults& faults);

    bool offline() const { return offline_; }
    bool registered() const { return registered_; }
    bool started() const { return started_; }
    // A fresh power-on: online, not registered, NPA not started.
    void powerOn();

private:
    std::optional<EngineReply> handlePacket(const Bytes& p, const PrinterConfig& config,
                                            const Faults& faults);
    std::optional<EngineReply> pjlAnswer(const std::string& line, const PrinterConfig& config) const;
    Bytes commandError(const Bytes& p, uint8_t flags) const;
    Bytes settingReply(uint16_t id, const Bytes& value) const;

    const Model& model_;
    Nvram& nvram_;
    bool offline_ = false;
    bool registered_ = false;
    bool started_ = false;
};

// A packet with header A5, DataLen, flags, command and the given data.
Bytes MakePacket(uint8_t flags, uint8_t command, const Bytes& data);

}  // namespace sim
