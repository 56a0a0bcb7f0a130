// What the virtual printer takes from the host: any bytes on its port (devpanel-printer serves a
// pseudo-terminal, a USB gadget or a socket that any program may write to), split into NPA
// packets, PJL lines and universal exits, each acted on by the printer's command interpreter with
// the shipped model and its settings in memory. Input: one option byte, then the bytes.
// Option byte: bits 0-1 the NPA mode (Off, Auto, On, Auto), bit 2 the alert before the response,
// bit 3 the PJL form of "on", bits 4-5 the layout of offline/online responses, bit 6 padded texts,
// bit 7 an alert in front of every reply.
// Every unit is whole (a packet as long as its length says, a PJL line from its "@"); every
// answer is a packet as long as its length says; the printer is offline exactly while its write
// session runs; and it never keeps a value its model does not accept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/packets.h"
#include "sim/faults.h"
#include "sim/model.h"
#include "sim/npa_engine.h"
#include "sim/nvram.h"
#include "sim/wire_stream.h"

using fuzz::Check;

namespace {

const sim::Model& ShippedModel() {
    static const sim::Model* model = [] {
        auto* m = new sim::Model;
        std::string error;
        if (!m->load(DEVPANEL_FUZZ_MODEL, error)) std::abort();
        return m;
    }();
    return *model;
}

size_t PacketLength(const std::vector<uint8_t>& packet) {
    return packet.size() < 3 ? 0 : 3 + ((static_cast<size_t>(packet[1]) << 8) | packet[2]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const sim::Model& model = ShippedModel();
    const uint8_t option = data[0];
    sim::PrinterConfig config;
    constexpr sim::NpaMode kModes[] = {sim::NpaMode::Off, sim::NpaMode::Auto, sim::NpaMode::On, sim::NpaMode::Auto};
    config.mode = kModes[option & 3];
    config.alertFirst = (option & 4) != 0;
    config.npaFormForOn = (option & 8) == 0;
    sim::Faults faults;
    constexpr sim::ControlReplyLayout kLayouts[] = {
        sim::ControlReplyLayout::Echo, sim::ControlReplyLayout::SingleSetting,
        sim::ControlReplyLayout::SingleSettingNoState, sim::ControlReplyLayout::ZeroSubFunction};
    faults.controlReplyLayout = kLayouts[(option >> 4) & 3];
    faults.padTexts = (option & 0x40) != 0;
    faults.alertBeforeEveryReply = (option & 0x80) != 0;

    sim::Nvram nvram;
    Check(nvram.reset(model, ""));
    sim::NpaEngine engine(model, nvram);
    sim::WireStream wire;
    std::vector<sim::WireUnit> units;
    wire.feed(data + 1, size - 1, units);

    for (const sim::WireUnit& unit : units) {
        switch (unit.kind) {
        case sim::WireUnit::Kind::NpaPacket:
            Check(unit.bytes.size() >= 3 && unit.bytes[0] == npa::SOP && PacketLength(unit.bytes) == unit.bytes.size());
            break;
        case sim::WireUnit::Kind::PjlLine:
            Check(!unit.bytes.empty() && unit.bytes[0] == '@' && unit.bytes.size() <= 256);
            break;
        case sim::WireUnit::Kind::UniversalExit:
            Check(unit.bytes.empty());
            break;
        }
        const std::optional<sim::EngineReply> reply = engine.handle(unit, config, faults);
        if (reply && reply->npa) {
            for (const sim::Bytes& packet : reply->packets) {
                Check(packet.size() >= npa::HEADER_SIZE && packet[0] == npa::SOP &&
                      PacketLength(packet) == packet.size());
            }
        }
        Check(engine.offline() == nvram.inSession());
    }
    for (const auto& [id, value] : nvram.values()) {
        const sim::SettingDef* def = model.find(id);
        Check(def != nullptr && def->accepts(value));
    }
    return 0;
}
