#include "sim/npa_engine.h"

#include <algorithm>
#include <cctype>

#include "protocol/packets.h"

namespace sim {

namespace {
constexpr uint8_t kSubControl = 0xE7;
constexpr uint8_t kFnOffline = 0x0C;
constexpr uint8_t kFnBatch = 0x20;
constexpr uint8_t kSubRegister = 0x03;

uint16_t IdAt(const Bytes& p, size_t offset) {
    return static_cast<uint16_t>((p[offset] << 8) | p[offset + 1]);
}

// Bytes 5 to 8 of the response to an offline/online request in the given layout.
Bytes ControlReplyData(ControlReplyLayout layout, uint8_t state, uint8_t verdict) {
    switch (layout) {
    case ControlReplyLayout::SingleSetting:
        return {kSubControl, 0x00, state, verdict};
    case ControlReplyLayout::SingleSettingNoState:
        return {kSubControl, 0x00, 0x00, verdict};
    case ControlReplyLayout::ZeroSubFunction:
        return {0x00, 0x00, state, verdict};
    case ControlReplyLayout::Echo:
        break;
    }
    return {kSubControl, kFnOffline, state, verdict};
}

// A text value as a printer that keeps fixed-size text fields reports it: zeros up to the length.
void PadText(Bytes& value, const SettingDef* def) {
    if (def == nullptr || def->kind != SettingKind::Text || value.size() >= def->maxLength) return;
    value.resize(def->maxLength, 0);
}
}  // namespace

Bytes MakePacket(uint8_t flags, uint8_t command, const Bytes& data) {
    const size_t dataLen = data.size() + 2;
    Bytes p(5 + data.size());
    p[0] = npa::SOP;
    p[1] = static_cast<uint8_t>(dataLen >> 8);
    p[2] = static_cast<uint8_t>(dataLen & 0xFF);
    p[3] = flags;
    p[4] = command;
    std::copy(data.begin(), data.end(), p.begin() + 5);
    return p;
}

void NpaEngine::powerOn() {
    offline_ = false;
    registered_ = false;
    started_ = false;
}

std::optional<EngineReply> NpaEngine::handle(const WireUnit& unit, const PrinterConfig& config,
                                             const Faults& faults) {
    switch (unit.kind) {
    case WireUnit::Kind::UniversalExit:
        started_ = false;  // a new job: the interpreter needs the start packet again
        return std::nullopt;
    case WireUnit::Kind::PjlLine:
        return pjlAnswer(std::string(unit.bytes.begin(), unit.bytes.end()), config);
    case WireUnit::Kind::NpaPacket: {
        std::optional<EngineReply> reply = handlePacket(unit.bytes, config, faults);
        if (reply && faults.alertBeforeEveryReply && !reply->packets.empty()) {
            // An offline alert with the current state, as a printer that announces its state
            // with every answer sends it.
            const uint8_t state = offline_ ? 1 : 0;
            reply->packets.insert(reply->packets.begin(),
                                  MakePacket(kAlertFlags, npa::CMD_ALERT, {kSubControl, kFnOffline, state, state}));
        }
        return reply;
    }
    }
    return std::nullopt;
}

std::optional<EngineReply> NpaEngine::pjlAnswer(const std::string& line, const PrinterConfig& config) const {
    std::string upper = line;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.find("@PJL DINQUIRE QNPAP") == std::string::npos) return std::nullopt;
    if (config.mode == NpaMode::On && config.npaFormForOn) {
        return EngineReply{{Bytes{npa::SOP, 0x00, 0x02, 0x80, 0x00}}, false};
    }
    const char* value = config.mode == NpaMode::Off ? "OFF" : config.mode == NpaMode::Auto ? "AUTO" : "ON";
    const std::string text = std::string("@PJL DINQUIRE QNPAP\r\n") + value + "\r\n\f";
    return EngineReply{{Bytes(text.begin(), text.end())}, false};
}

Bytes NpaEngine::commandError(const Bytes& p, uint8_t flags) const {
    // Names what was refused: the sub-command, function and setting id when the packet has them.
    Bytes data(p.begin() + std::min<size_t>(p.size(), 5), p.begin() + std::min<size_t>(p.size(), 9));
    return MakePacket(flags, p.size() > 4 ? p[4] : npa::CMD_SETTINGS, data);
}

Bytes NpaEngine::settingReply(uint16_t id, const Bytes& value) const {
    Bytes data{kSubControl, 0x00, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)};
    data.insert(data.end(), value.begin(), value.end());
    return MakePacket(kReplyFlags, npa::CMD_SETTINGS, data);
}

std::optional<EngineReply> NpaEngine::handlePacket(const Bytes& p, const PrinterConfig& config,
                                                   const Faults& faults) {
    if (p.size() == npa::kStart.size() && std::equal(p.begin(), p.end(), npa::kStart.begin())) {
        started_ = true;
        return std::nullopt;
    }
    if (config.mode == NpaMode::Off) return std::nullopt;
    if (config.mode == NpaMode::Auto && !started_) return std::nullopt;  // print data to this printer
    if (p.size() < 5) return std::nullopt;

    const uint8_t flags = p[3];
    const bool wantsReply = (flags & npa::FLAG_RESPONSE) != 0;
    EngineReply reply;
    auto error = [&] {
        reply.packets.push_back(commandError(p, config.commandErrorFlags));
        return reply;
    };
    if (p[4] != npa::CMD_SETTINGS || p.size() < 7) return error();
    const uint8_t sub = p[5], fn = p[6];

    if (sub == kSubRegister) {
        if (fn != 0x40 && fn != 0x00) return error();
        registered_ = fn == 0x40;
        if (wantsReply) reply.packets.push_back(MakePacket(kReplyFlags, npa::CMD_SETTINGS, {sub, fn}));
        return reply;
    }

    if (sub == kSubControl && fn == kFnOffline) {
        if (p.size() < 8 || p[7] > 1) return error();
        const bool wantOffline = p[7] == 1;
        // A printer stuck offline: the online request is neither obeyed nor answered.
        if (!wantOffline && faults.ignoreOnline) return reply;
        bool accepted = !faults.refuseOffline;
        // NVRAM takes part in the change: a session that cannot start, or writes that cannot be
        // kept, make the printer refuse (and keep its state).
        if (accepted && wantOffline && !offline_) accepted = nvram_.beginSession();
        if (accepted && !wantOffline && offline_) accepted = nvram_.endSession();
        if (accepted) offline_ = wantOffline;
        Bytes response = MakePacket(kReplyFlags, npa::CMD_SETTINGS,
                                    ControlReplyData(faults.controlReplyLayout, p[7], accepted ? 1 : 0));
        // The alert reports the state after the request: 1 offline, 0 online.
        Bytes alert = MakePacket(kAlertFlags, npa::CMD_ALERT,
                                 {sub, fn, p[7], static_cast<uint8_t>(offline_ ? 1 : 0)});
        const bool announce = registered_ && !faults.noAlert;
        if (announce && config.alertFirst) reply.packets.push_back(alert);
        if (wantsReply && !faults.noControlResponse) reply.packets.push_back(response);
        if (announce && !config.alertFirst) reply.packets.push_back(alert);
        return reply;
    }

    if (sub == kSubControl && fn == kFnBatch) {
        if (p.size() < 8) return error();
        const size_t count = std::min<size_t>(p[7], (p.size() - 8) / 2);
        nvram_.refresh();
        Bytes data{kSubControl, 0x00};
        if (faults.batchReplyBytes >= 0) {
            data[0] = static_cast<uint8_t>(faults.batchReplyBytes >> 8);
            data[1] = static_cast<uint8_t>(faults.batchReplyBytes & 0xFF);
        }
        for (size_t i = 0; i < count && !faults.emptyBatchReply; ++i) {
            const uint16_t id = IdAt(p, 8 + 2 * i);
            auto value = nvram_.get(id);
            if (!value) continue;  // unknown ids are left out of the reply
            if (faults.padTexts) PadText(*value, model_.find(id));
            const size_t length = std::min<size_t>(value->size(), 255);
            data.push_back(static_cast<uint8_t>(id >> 8));
            data.push_back(static_cast<uint8_t>(id & 0xFF));
            data.push_back(static_cast<uint8_t>(length));
            data.insert(data.end(), value->begin(), value->begin() + static_cast<long>(length));
        }
        if (wantsReply) reply.packets.push_back(MakePacket(kBatchReplyFlags, npa::CMD_SETTINGS, data));
        return reply;
    }

    if (sub == model_.readSub() && fn == model_.readFunction()) {
        if (p.size() < 9) return error();
        nvram_.refresh();
        auto value = nvram_.get(IdAt(p, 7));
        if (!value) return error();
        if (wantsReply) reply.packets.push_back(settingReply(IdAt(p, 7), *value));
        return reply;
    }

    if (sub == model_.writeSub() && fn == model_.writeFunction()) {
        if (p.size() < 9) return error();
        const uint16_t id = IdAt(p, 7);
        const SettingDef* def = model_.find(id);
        const Bytes value(p.begin() + 9, p.end());
        if (def == nullptr || !offline_ || !def->accepts(value)) return error();
        // Acknowledged as if kept, but the printer forgets the value.
        const bool ignored = std::find(faults.ignoredWriteIds.begin(), faults.ignoredWriteIds.end(), id) !=
                             faults.ignoredWriteIds.end();
        if (!ignored) nvram_.set(id, value);
        if (wantsReply) reply.packets.push_back(settingReply(id, value));
        return reply;
    }
    return error();
}

}  // namespace sim
