// The settings traffic: the NPA tables of the configuration file, the batch read, value
// decoding, the bracketed writes and the end of a session.
#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/slc.h"
#include "config/ascii.h"
#include "config/profile.h"
#include "transactions/transactions.h"
#include "transactions/command_records.h"
#include "protocol/packets.h"
#include "protocol/printer_text.h"

namespace {

constexpr size_t kSectionBuffer = 32767;
constexpr const char* kReadSection = "NPA READ SETTING";
constexpr const char* kWriteSection = "NPA WRITE VALUES";
constexpr size_t kValueHexOffset = 2 * npa::VALUE_OFFSET;  // hex text of a packet's value bytes

using Packet = std::vector<uint8_t>;

// Process-wide tables. Filled on the first operation (the start-up read's worker thread) and only
// used afterwards by the user-interface thread, never by two threads at once: no lock.
struct NpaTables {
    bool loaded = false;                                // set before loading, never cleared
    std::map<std::string, Packet> readRequests;         // NPA name -> read-request packet
    std::map<std::string, std::map<std::string, Packet>> valuePackets;  // NAME -> TOKEN -> packet
    std::map<std::string, Packet> templates;            // NAME -> text or numeric write template
    std::map<std::string, ValueMap> valueNames;         // NPA name -> (value hex -> value token)
    std::set<std::string> textSettings;
    std::set<std::string> numericSettings;
    ValueMap defaults;                                  // NPA name -> default value token
    std::map<std::string, std::string> idNames;         // setting id as 4 hex digits -> NPA name
};

NpaTables& Tables() {
    static NpaTables tables;
    return tables;
}

// The default a "*" line gives: the token itself, or for a numeric token LOW..DEFAULT..HIGH the
// middle part (empty when there is no second "..").
std::string DefaultFromToken(const std::string& token) {
    size_t first = token.find("..");
    if (first == std::string::npos) return token;
    size_t begin = first + 2;
    size_t second = token.find("..", begin);
    if (second == std::string::npos) return {};
    return token.substr(begin, second - begin);
}

void LoadReadSection(NpaTables& t, const Profile& ini) {
    for (const std::string& raw : ini.GetSection(kReadSection, kSectionBuffer)) {
        std::string line = AsciiUpper(raw);
        size_t eq = line.find('=');
        std::string name = line.substr(0, eq);
        std::string hex = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        t.readRequests[name] = npa::HexToBytes(hex);
    }
}

void LoadWriteSection(NpaTables& t, const Profile& ini) {
    for (const std::string& raw : ini.GetSection(kWriteSection, kSectionBuffer)) {
        std::string line = AsciiUpper(raw);
        bool isDefault = !line.empty() && line[0] == '*';
        if (isDefault) line.erase(0, 1);

        size_t eq = line.find('=');
        std::string key = line.substr(0, eq);
        std::string hex = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        size_t colon = key.find(':');
        std::string name = key.substr(0, colon);
        std::string token = colon == std::string::npos ? std::string() : key.substr(colon + 1);

        if (isDefault) t.defaults[name] = DefaultFromToken(token);
        bool isText = token.empty();
        bool isNumeric = token.find("..") != std::string::npos;
        if (isText) t.textSettings.insert(name);
        if (isNumeric) t.numericSettings.insert(name);

        // A template's value bytes are a placeholder, not a value: naming them after the token
        // would decode a number that happens to equal them as "1..60..240" instead of the number.
        std::string valueHex = hex.size() > kValueHexOffset ? hex.substr(kValueHexOffset) : std::string();
        ValueMap& names = t.valueNames[name];
        if (!isText && !isNumeric) names[valueHex] = token;

        // A text or numeric template is kept under the bare name. Which table a line goes to
        // depends on its own token only, so an enumerated value such as OFF of a number-or-off
        // setting keeps its own packet whether it comes before or after the template line.
        if (isText || isNumeric) {
            t.templates[name] = npa::HexToBytes(hex);
        } else {
            t.valuePackets[name][token] = npa::HexToBytes(hex);
        }
    }
}

// The stored packet of an enumerated value (name and token in upper case), or nullptr.
const Packet* StoredPacket(const NpaTables& t, const std::string& name, const std::string& token) {
    auto values = t.valuePackets.find(name);
    if (values == t.valuePackets.end()) return nullptr;
    auto it = values->second.find(token);
    return it == values->second.end() ? nullptr : &it->second;
}

// How a command's packet came about.
enum class PacketKind { None, Stored, Text, Numeric };

// The packet of one command (its name in upper case): the stored packet of its token in any
// letter case, else a write composed from the template of a text or numeric setting. None when
// neither exists.
PacketKind PacketForCommand(const NpaTables& t, const std::string& name, const std::string& token, Packet& packet) {
    if (const Packet* stored = StoredPacket(t, name, AsciiUpper(token))) {
        packet = *stored;
        return PacketKind::Stored;
    }
    bool isText = t.textSettings.count(name) != 0;
    bool isNumeric = !isText && t.numericSettings.count(name) != 0;
    if (!isText && !isNumeric) return PacketKind::None;
    auto tmpl = t.templates.find(name);
    if (tmpl == t.templates.end()) return PacketKind::None;
    if (isText) {
        // The token as given, so that a text keeps its letter case. The printer keeps texts in
        // its Korean code page; a character it does not have makes the command unsendable
        // rather than garbled.
        std::string printerText;
        if (!npa::EncodePrinterText(token, printerText)) return PacketKind::None;
        packet = npa::ComposeTextWrite(tmpl->second, printerText);
    } else {
        packet = npa::ComposeNumericWrite(tmpl->second, ParseLeadingInt(token));
    }
    if (packet.empty()) return PacketKind::None;
    return isText ? PacketKind::Text : PacketKind::Numeric;
}


// The value bytes of a write packet (from byte 9).
Packet ValueOf(const Packet& packet) {
    if (packet.size() <= npa::VALUE_OFFSET) return {};
    return Packet(packet.begin() + npa::VALUE_OFFSET, packet.end());
}

// Whether the printer holds what a write of sent gives it: numbers by value (the printer may
// answer in another width), texts up to their zero padding, everything else byte for byte.
bool SameValue(const NpaTables& t, const std::string& name, const Packet& sent, const Packet& held) {
    if (t.numericSettings.count(name) != 0) {
        return npa::DecodeNumeric(sent.data(), sent.size()) == npa::DecodeNumeric(held.data(), held.size());
    }
    if (t.textSettings.count(name) != 0) {
        auto trimmed = [](Packet bytes) {
            while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
            return bytes;
        };
        return trimmed(sent) == trimmed(held);
    }
    return sent == held;
}

// A command's packet, checked to be sendable and to carry exactly its value: a number that the
// template cannot hold (300 in one byte) would reach the printer as another number. A stored
// packet, such as OFF of a number-or-off setting, carries its value as the configuration says.
bool CheckedPacket(const NpaTables& t, const std::string& name, const std::string& token, Packet& packet) {
    const PacketKind kind = PacketForCommand(t, name, token, packet);
    if (kind == PacketKind::None || packet.size() > npa::MAX_COMMAND) return false;
    if (kind == PacketKind::Numeric) {
        Packet bytes = ValueOf(packet);
        if (bytes.empty()) return false;
        return npa::DecodeNumeric(bytes.data(), bytes.size()) == std::to_string(ParseLeadingInt(token));
    }
    return true;
}

// One write of the list, ready to go.
struct PlannedWrite {
    std::string name;  // upper-case NPA name
    Packet packet;
};

// The commands of a write, each turned into its packet before anything is sent.
struct WritePlan {
    std::vector<PlannedWrite> writes;
    std::vector<const NpaCommand*> invalid;  // no faithful packet
    std::vector<std::string> skipped;        // upper-case names of values not written back
};

// A command that writes back the value read from the printer (its token is the one read), but
// cannot give the printer the bytes it holds (a value the configuration does not know, a text
// that was cut or cannot be decoded, a number too wide), is left out and named in skipped: the
// user did not ask to change it, and it must never be written back altered. Any other command
// without a faithful packet is invalid.
WritePlan PlanWrites(const NpaTables& t, const std::vector<NpaCommand>& commands, const NpaRawValues* raw) {
    WritePlan plan;
    for (const NpaCommand& command : commands) {
        PlannedWrite write{AsciiUpper(command.name), {}};
        const bool built = CheckedPacket(t, write.name, command.token, write.packet);

        const NpaRawValue* read = nullptr;
        if (raw != nullptr) {
            if (auto it = raw->find(write.name); it != raw->end()) read = &it->second;
        }
        const bool writesBack = read != nullptr && read->token == command.token;
        if (writesBack && (!built || !SameValue(t, write.name, ValueOf(write.packet), read->bytes))) {
            plan.skipped.push_back(write.name);
            continue;
        }
        if (!built) {
            plan.invalid.push_back(&command);
            continue;
        }
        plan.writes.push_back(std::move(write));
    }
    return plan;
}

// The batch read of every setting of "NPA READ SETTING" on the open port: one request, one reply,
// each entry handed on with its NPA name, its single-setting reply (value cut to 40 bytes) and
// its whole value. False when the request fails or the reply is not the answer to it: another
// command or sub-function, no entries, or none of the settings asked for.
bool ReadBatch(NpaTables& t, const std::string& port,
               const std::function<void(const std::string& name, const uint8_t* single, size_t singleLength,
                                        const uint8_t* value, size_t valueLength)>& onEntry) {
    std::vector<uint16_t> ids;
    ids.reserve(t.readRequests.size());
    for (const auto& [name, packet] : t.readRequests) {
        // A stored request too short to hold an id names no setting.
        if (packet.size() < npa::VALUE_OFFSET) continue;
        ids.push_back(static_cast<uint16_t>((packet[npa::ID_OFFSET] << 8) | packet[npa::ID_OFFSET + 1]));
        std::string id;
        NpaHexString(&packet[npa::ID_OFFSET], 2, id);
        t.idNames[id] = name;
    }

    // One request holds at most 125 ids; a configuration naming more cannot be read at all.
    Packet request;
    if (!npa::BuildBatchRequest(ids, request)) return false;

    std::vector<uint8_t> reply(npa::MAX_REPLY);
    uint32_t replyLength = static_cast<uint32_t>(reply.size());
    if (SlcSendCommand(port.c_str(), request.data(), static_cast<uint32_t>(request.size()), reply.data(),
                       &replyLength) != SLC_OK) {
        return false;
    }
    if (replyLength > reply.size()) replyLength = static_cast<uint32_t>(reply.size());
    // The answer is recognised by its command byte; bytes 5 and 6 are the printer's own, and the
    // entries start at byte 7 whatever they hold.
    if (replyLength < npa::HEADER_SIZE + 2) {
        SlcLog(SLC_LOG_PUBLIC, "the reply to the batch read was refused: %u bytes are too few for a batch reply\n",
               replyLength);
        return false;
    }
    if (reply[4] != request[4]) {
        SlcLog(SLC_LOG_PUBLIC, "the reply to the batch read was refused: its command byte %02X is not %02X\n",
               reply[4], request[4]);
        return false;
    }

    size_t known = 0;
    // A malformed tail is dropped; the entries before it are kept, like settings a reply lacks.
    npa::WalkBatchEntries(reply.data(), replyLength,
                          [&](const uint8_t* single, size_t length, const uint8_t* value, size_t valueLength) {
                              std::string id;
                              NpaHexString(single + npa::ID_OFFSET, 2, id);
                              auto it = t.idNames.find(id);
                              // An id we never asked for has no name; keeping it under an empty
                              // name would make every later two-way apply fail on ":VALUE".
                              if (it == t.idNames.end()) return;
                              ++known;
                              onEntry(it->second, single, length, value, valueLength);
                          });
    if (known == 0) {
        SlcLog(SLC_LOG_PUBLIC, "the reply to the batch read was refused: it holds none of the %u settings asked for\n",
               static_cast<unsigned>(ids.size()));
    }
    return known > 0;
}

// The values the printer holds now, read back after a write, against what was sent. Names the
// settings that did not take (or that the printer no longer reports) in notTaken, and adds what
// was read to raw (when given); false when the read-back itself failed.
bool VerifyWrites(NpaTables& t, const std::string& port, const std::vector<PlannedWrite>& plan,
                  std::vector<std::string>& notTaken, NpaRawValues* raw) {
    std::map<std::string, Packet> held;
    const bool read = ReadBatch(t, port, [&](const std::string& name, const uint8_t* single, size_t length,
                                             const uint8_t* value, size_t valueLength) {
        held[name] = Packet(value, value + valueLength);
        if (raw != nullptr) (*raw)[name] = {held[name], NpaDecodeValue(name, single, static_cast<uint32_t>(length))};
    });
    if (!read) return false;
    for (const PlannedWrite& write : plan) {
        // A setting the configuration cannot read cannot be checked either.
        if (write.name.empty() || t.readRequests.count(write.name) == 0) continue;
        auto it = held.find(write.name);
        if (it == held.end() || !SameValue(t, write.name, ValueOf(write.packet), it->second)) {
            notTaken.push_back(write.name);
        }
    }
    return true;
}

}  // namespace

void NpaLoadTables() {
    NpaTables& t = Tables();
    if (t.loaded) return;
    t.loaded = true;
    const Profile& ini = ConfigFile();
    LoadReadSection(t, ini);
    LoadWriteSection(t, ini);
}

void NpaLoadTablesFrom(const Profile& ini) {
    NpaTables& t = Tables();
    t = NpaTables{};
    t.loaded = true;
    LoadReadSection(t, ini);
    LoadWriteSection(t, ini);
}

int NpaReadAllSettings(const std::string& port, ValueMap& values, NpaRawValues* raw) {
    NpaLoadTables();
    NpaTables& t = Tables();

    int opened = SlcOpenPort(port.c_str());
    if (opened == SLC_UNIDIRECTIONAL) {
        for (const auto& [name, token] : t.defaults) values[name] = token;
        return NPA_ONEWAY;
    }
    if (opened != SLC_OK) return NPA_ERR_OPEN;

    // A reply that answers something else, or that holds none of the settings, is no read.
    const bool read = ReadBatch(t, port, [&](const std::string& name, const uint8_t* single, size_t length,
                                             const uint8_t* value, size_t valueLength) {
        const std::string token = NpaDecodeValue(name, single, static_cast<uint32_t>(length));
        values[name] = token;
        if (raw != nullptr) (*raw)[name] = {Packet(value, value + valueLength), token};
    });
    return read ? NPA_OK : NPA_ERR_SEND;
}

std::string NpaDecodeValue(const std::string& name, const uint8_t* packet, uint32_t length) {
    if (!packet || length <= npa::VALUE_OFFSET) return {};
    const NpaTables& t = Tables();
    const uint8_t* value = packet + npa::VALUE_OFFSET;
    size_t count = length - npa::VALUE_OFFSET;

    std::string hex;
    NpaHexString(value, count, hex);
    std::string token;
    if (auto names = t.valueNames.find(name); names != t.valueNames.end()) {
        if (auto it = names->second.find(hex); it != names->second.end()) token = it->second;
    }
    if (token.empty()) {
        if (t.textSettings.count(name)) {
            size_t end = 0;
            while (end < count && value[end] != 0) ++end;
            token = npa::DecodePrinterText(value, end);
        }
        if (t.numericSettings.count(name)) {
            // The codec keeps at most the four least significant bytes of a longer value.
            token = npa::DecodeNumeric(value, count);
        }
    }
    return token;
}

namespace {
const std::atomic<bool>* g_interrupt = nullptr;
bool Interrupted() { return g_interrupt != nullptr && g_interrupt->load(); }
}  // namespace

void NpaSetInterruptFlag(const std::atomic<bool>* flag) { g_interrupt = flag; }

// An empty command list succeeds (0) after taking the printer offline and back online: nothing
// was asked that could fail, and for a command file the result is a valid file holding only the
// online record, which a user can still send.
namespace {

// The bracketed writes of a plan that is known to be sendable: open, offline, every packet,
// online, the read-back on a port that answers, close.
// The packets of a write one at a time: packetAt(i, packet, problem) gives the i-th; false stops
// the writes as a failure with the problem. verify is what the read-back compares, complete once
// every packet was given.
using PacketSource = std::function<bool(size_t index, Packet& packet, std::string& problem)>;

int SendPackets(NpaTables& t, const platform::PortName& target, size_t total, const PacketSource& packetAt,
                const std::vector<PlannedWrite>& verify, NpaRawValues* raw, NpaWriteReport& r,
                const NpaProgress& progress) {
    const std::string& port = target.text();
    const auto step = [&progress, total](NpaPhase phase, size_t sent) {
        if (progress) progress(phase, sent, total);
    };
    step(NpaPhase::Offline, 0);
    int opened = SlcOpenPort(target);
    if (opened != SLC_OK && opened != SLC_UNIDIRECTIONAL) {
        r.problem = SlcLastProblem();
        return NPA_ERR_OPEN;
    }
    // A command file is local and quick, and an interrupted one must not be completed: only a
    // printer's writes stop early.
    const bool printer = target.twoWay();

    int result = NPA_OK;
    const bool offline = SlcOffline(port.c_str(), 1) == SLC_OK;
    if (!offline) {
        result = NPA_ERR_WRITE;
        r.problem = SlcLastProblem();
    }
    Packet packet;
    size_t sent = 0;
    if (offline) step(NpaPhase::Settings, 0);
    for (size_t i = 0; offline && i < total; ++i) {
        // An interrupted apply sends nothing more, but still brings the printer back online.
        if (printer && Interrupted()) {
            result = NPA_ERR_WRITE;
            r.problem = "interrupted after " + std::to_string(i) + " of " + std::to_string(total) +
                        " setting(s) were sent";
            break;
        }
        if (!packetAt(i, packet, r.problem)) {
            result = NPA_ERR_WRITE;
            break;
        }
        uint32_t noReply = 0;
        if (SlcSendCommand(port.c_str(), packet.data(), static_cast<uint32_t>(packet.size()), nullptr, &noReply) !=
            SLC_OK) {
            result = NPA_ERR_WRITE;
            r.problem = SlcLastProblem();
            break;
        }
        sent = i + 1;
        step(NpaPhase::Settings, sent);
    }

    // Whatever happened above, the printer may have gone offline: the online request always
    // follows, and a printer that does not come back is a failure of its own.
    step(NpaPhase::Online, sent);
    const bool online = SlcOffline(port.c_str(), 0) == SLC_OK;
    if (!online && offline) {
        result = NPA_ERR_ONLINE;
        r.problem = SlcLastProblem();
    } else if (!online) {
        // Nothing was sent, but the printer may have gone offline all the same and stayed so.
        r.problem += "; the online request that followed failed too: " + SlcLastProblem();
    }

    // Applied means applied: on a port that answers, read everything back in one exchange.
    if (result == NPA_OK && opened == SLC_OK && printer) {
        step(NpaPhase::Verifying, sent);
        if (!VerifyWrites(t, port, verify, r.notTaken, raw)) {
            result = NPA_ERR_VERIFY;
            r.problem = "the settings could not be read back to confirm them";
        } else if (!r.notTaken.empty()) {
            result = NPA_ERR_VERIFY;
        }
    }

    // Closing completes a command file and copies a one-way port's commands to the printer: its
    // failure is the write's failure.
    if (SlcClosePort(port.c_str()) != SLC_OK && result == NPA_OK) {
        result = NPA_ERR_WRITE;
        r.problem = SlcLastProblem();
    }
    return result;
}

int SendPlan(NpaTables& t, const platform::PortName& port, const std::vector<PlannedWrite>& plan, NpaRawValues* raw,
             NpaWriteReport& r, const NpaProgress& progress) {
    const PacketSource packetAt = [&plan](size_t i, Packet& packet, std::string&) {
        packet = plan[i].packet;
        return true;
    };
    return SendPackets(t, port, plan.size(), packetAt, plan, raw, r, progress);
}

// The NPA name whose read request carries the setting id of packet, or empty.
std::string NameOfSetting(const NpaTables& t, const Packet& packet) {
    if (packet.size() < npa::VALUE_OFFSET) return {};
    for (const auto& [name, request] : t.readRequests) {
        if (request.size() >= npa::VALUE_OFFSET && request[npa::ID_OFFSET] == packet[npa::ID_OFFSET] &&
            request[npa::ID_OFFSET + 1] == packet[npa::ID_OFFSET + 1]) {
            return name;
        }
    }
    return {};
}

template <size_t N>
bool IsPacket(const Packet& p, const std::array<uint8_t, N>& fixed) {
    return p.size() == N && std::equal(fixed.begin(), fixed.end(), p.begin());
}

bool IsOfflineOrOnline(const Packet& p) { return IsPacket(p, npa::kFileOffline) || IsPacket(p, npa::kFileOnline); }

// Whether offline.dat is the one offline record and the command file whole records ending with
// the online record, with no offline or online record before it. Reads the file once, keeping
// one record at a time; each setting packet goes to setting (when given). False with the reason.
bool CheckCommandFile(const std::vector<uint8_t>& offlineRecord, NpaCommandSource& file, size_t& settings,
                      std::string& why, const std::function<void(Packet&)>& setting = {}) {
    settings = 0;
    records::MemorySource offlineSource(offlineRecord);
    records::RecordReader offline(offlineSource);
    Packet packet, extra;
    std::string reason;
    if (offline.next(packet, reason) != records::RecordReader::Step::Record || !IsPacket(packet, npa::kFileOffline) ||
        offline.next(extra, reason) != records::RecordReader::Step::End) {
        why = "offline.dat: " + (reason.empty() ? "not the offline record" : reason);
        return false;
    }

    records::RecordReader reader(file);
    Packet previous;
    bool havePrevious = false;
    for (;;) {
        const records::RecordReader::Step step = reader.next(packet, reason);
        if (step == records::RecordReader::Step::Bad) {
            why = "command file: " + reason;
            return false;
        }
        if (step == records::RecordReader::Step::End) break;
        // A record followed by another is a setting: the online record may only come last.
        if (havePrevious) {
            if (IsOfflineOrOnline(previous)) {
                why = "command file: an offline or online record in the middle (record " + std::to_string(settings + 1) +
                      ")";
                return false;
            }
            ++settings;
            if (setting) setting(previous);
        }
        previous.swap(packet);
        havePrevious = true;
    }
    if (!havePrevious || !IsPacket(previous, npa::kFileOnline)) {
        why = "command file: it does not end with the online record (cut short?)";
        return false;
    }
    return true;
}

}  // namespace

int NpaWriteValues(const std::string& port, const std::vector<NpaCommand>& commands, NpaRawValues* raw,
                   NpaWriteReport* report, const NpaProgress& progress) {
    return NpaWriteValues(platform::PortName::Parse(port), commands, raw, report, progress);
}

int NpaWriteValues(const platform::PortName& port, const std::vector<NpaCommand>& commands, NpaRawValues* raw,
                   NpaWriteReport* report, const NpaProgress& progress) {
    NpaLoadTables();
    NpaTables& t = Tables();
    NpaWriteReport local;
    NpaWriteReport& r = report != nullptr ? *report : local;
    r = NpaWriteReport{};

    // Every packet exists and carries its value before the printer is touched.
    WritePlan plan = PlanWrites(t, commands, raw);
    r.skipped = std::move(plan.skipped);
    if (!plan.invalid.empty()) {
        // Named as the user would write them.
        for (const NpaCommand* command : plan.invalid) r.invalid.push_back(command->name + ":" + command->token);
        return NPA_ERR_VALUE;
    }
    return SendPlan(t, port, plan.writes, raw, r, progress);
}

std::vector<std::string> NpaValuesNotWritableBack(const ValueMap& values, const NpaRawValues& raw) {
    NpaLoadTables();
    const NpaTables& t = Tables();
    std::vector<NpaCommand> commands;
    commands.reserve(values.size());
    for (const auto& [name, token] : values) commands.push_back({name, token});
    WritePlan plan = PlanWrites(t, commands, &raw);
    std::vector<std::string> names = std::move(plan.skipped);
    for (const NpaCommand* command : plan.invalid) names.push_back(AsciiUpper(command->name));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

int NpaSendCommandFile(const std::string& port, const std::vector<uint8_t>& offlineRecord,
                       const std::vector<uint8_t>& commandFile, NpaWriteReport* report) {
    records::MemorySource file(commandFile);
    return NpaSendCommandStream(port, offlineRecord, file, report);
}

int NpaSendCommandStream(const std::string& port, const std::vector<uint8_t>& offlineRecord, NpaCommandSource& file,
                         NpaWriteReport* report) {
    NpaLoadTables();
    NpaTables& t = Tables();
    NpaWriteReport local;
    NpaWriteReport& r = report != nullptr ? *report : local;
    r = NpaWriteReport{};

    // The pair must be whole before the printer is touched: a cut file would leave it offline.
    size_t settings = 0;
    std::string why;
    if (!CheckCommandFile(offlineRecord, file, settings, why)) {
        r.invalid.push_back(why);
        return NPA_ERR_VALUE;
    }
    if (!file.rewind()) {
        r.invalid.push_back("command file: it cannot be read a second time");
        return NPA_ERR_VALUE;
    }

    // The link brings the printer offline and online itself; the settings go as recorded. The
    // read-back compares the last value the file gives each setting it can name.
    records::RecordReader reader(file);
    std::vector<PlannedWrite> verify;
    std::map<std::string, size_t> verifyIndex;
    const PacketSource packetAt = [&](size_t, Packet& packet, std::string& problem) {
        std::string reason;
        if (reader.next(packet, reason) != records::RecordReader::Step::Record || IsOfflineOrOnline(packet)) {
            problem = "the command file changed while it was being sent";
            return false;
        }
        std::string name = NameOfSetting(t, packet);
        if (!name.empty()) {
            const auto [it, added] = verifyIndex.emplace(name, verify.size());
            if (added) {
                verify.push_back({std::move(name), packet});
            } else {
                verify[it->second].packet = packet;
            }
        }
        return true;
    };
    // The file's writes are the file's own: no read of a caller's to bring up to date.
    return SendPackets(t, platform::PortName::Parse(port), settings, packetAt, verify, nullptr, r, {});
}

bool NpaSplitCommandFile(const std::vector<uint8_t>& offlineRecord, const std::vector<uint8_t>& commandFile,
                         std::vector<std::vector<uint8_t>>& settings, std::string& why) {
    settings.clear();
    records::MemorySource file(commandFile);
    size_t count = 0;
    if (!CheckCommandFile(offlineRecord, file, count, why, [&](Packet& packet) { settings.push_back(packet); })) {
        settings.clear();
        return false;
    }
    return true;
}

int NpaEndSession(const std::string& port) {
    NpaLoadTables();
    NpaTables& t = Tables();
    // The tables are released for good; the loaded flag stays set so they are never reloaded.
    t.readRequests.clear();
    t.valuePackets.clear();
    t.templates.clear();
    t.valueNames.clear();
    t.textSettings.clear();
    t.numericSettings.clear();
    t.defaults.clear();
    t.idNames.clear();

    int closed = SlcClosePort(port.c_str());
    SlcShutdown();
    return closed;
}

void NpaResetForTesting() { Tables() = NpaTables{}; }
