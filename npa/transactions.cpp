// The settings traffic: the NPA tables of the configuration file, the batch read, value
// decoding, the bracketed writes and the end of a session.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/slc.h"
#include "model/ascii.h"
#include "model/profile.h"
#include "npa/npa.h"
#include "npa/packets.h"
#include "npa/printer_text.h"

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
    std::map<std::string, Packet> writePackets;         // NAME:TOKEN or NAME -> packet or template
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

        // A text or numeric template is kept under the bare name. Which key a line gets depends
        // on its own token only, so an enumerated value such as OFF of a number-or-off setting
        // keeps its own packet whether it comes before or after the template line.
        t.writePackets[isText || isNumeric ? name : key] = npa::HexToBytes(hex);
    }
}

// The packet of one command string, or false when the string names no stored packet and no
// text or numeric setting with a template.
bool PacketForCommand(const NpaTables& t, const std::string& command, Packet& packet) {
    std::string upper = AsciiUpper(command);
    if (auto it = t.writePackets.find(upper); it != t.writePackets.end()) {
        packet = it->second;
        return true;
    }
    size_t colon = upper.find(':');
    std::string name = upper.substr(0, colon);
    // The value comes from the string as given, so that a text keeps its letter case.
    std::string value = colon == std::string::npos ? std::string() : command.substr(colon + 1);

    bool isText = t.textSettings.count(name) != 0;
    bool isNumeric = !isText && t.numericSettings.count(name) != 0;
    if (!isText && !isNumeric) return false;
    auto tmpl = t.writePackets.find(name);
    if (tmpl == t.writePackets.end()) return false;
    if (isText) {
        // The printer keeps texts in its Korean code page; a character it does not have makes
        // the command unsendable rather than garbled.
        std::string printerText;
        if (!npa::EncodePrinterText(value, printerText)) return false;
        packet = npa::ComposeTextWrite(tmpl->second, printerText);
    } else {
        packet = npa::ComposeNumericWrite(tmpl->second, ParseLeadingInt(value));
    }
    return !packet.empty();
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

int NpaReadAllSettings(const std::string& port, ValueMap& values) {
    NpaLoadTables();
    NpaTables& t = Tables();

    int opened = SlcOpenPort(port.c_str());
    if (opened == SLC_UNIDIRECTIONAL) {
        for (const auto& [name, token] : t.defaults) values[name] = token;
        return NPA_ONEWAY;
    }
    if (opened != SLC_OK) return NPA_ERR_OPEN;

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
    if (!npa::BuildBatchRequest(ids, request)) return NPA_ERR_SEND;

    std::vector<uint8_t> reply(npa::MAX_REPLY);
    uint32_t replyLength = static_cast<uint32_t>(reply.size());
    if (SlcSendCommand(port.c_str(), request.data(), static_cast<uint32_t>(request.size()), reply.data(),
                       &replyLength) != SLC_OK) {
        return NPA_ERR_SEND;
    }
    if (replyLength > reply.size()) replyLength = static_cast<uint32_t>(reply.size());

    // A malformed tail is dropped; the entries before it are kept, like settings a reply lacks.
    npa::WalkBatchReply(reply.data(), replyLength, [&](const uint8_t* single, size_t length) {
        std::string id;
        NpaHexString(single + npa::ID_OFFSET, 2, id);
        auto it = t.idNames.find(id);
        // An id we never asked for has no name; keeping it under an empty name would make every
        // later two-way apply fail on a command ":VALUE" that no table knows.
        if (it == t.idNames.end()) return;
        values[it->second] = NpaDecodeValue(it->second, single, static_cast<uint32_t>(length));
    });
    return NPA_OK;
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

// An empty command list succeeds (0) after taking the printer offline and back online: nothing
// was asked that could fail, and for a command file the result is a valid file holding only the
// online record, which a user can still send.
int NpaWriteValues(const std::string& port, const std::vector<std::string>& commands) {
    NpaLoadTables();
    const NpaTables& t = Tables();

    int opened = SlcOpenPort(port.c_str());
    if (opened != SLC_OK && opened != SLC_UNIDIRECTIONAL) return NPA_ERR_OPEN;
    // The printer did not change state, so there is nothing to bring back online.
    if (SlcOffline(port.c_str(), 1) != SLC_OK) return NPA_ERR_WRITE;

    int result = NPA_OK;
    for (const std::string& command : commands) {
        result = NPA_ERR_WRITE;
        Packet packet;
        if (!PacketForCommand(t, command, packet)) break;
        uint32_t noReply = 0;
        if (SlcSendCommand(port.c_str(), packet.data(), static_cast<uint32_t>(packet.size()), nullptr,
                           &noReply) != SLC_OK) {
            break;
        }
        result = NPA_OK;
    }

    // Back online even after a stop, so the printer is never left offline.
    SlcOffline(port.c_str(), 0);
    SlcClosePort(port.c_str());
    return result;
}

int NpaEndSession(const std::string& port) {
    NpaLoadTables();
    NpaTables& t = Tables();
    // The tables are released for good; the loaded flag stays set so they are never reloaded.
    t.readRequests.clear();
    t.writePackets.clear();
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
