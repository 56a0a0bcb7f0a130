// Snapshot files and their store. The JSON goes through nlohmann-json; paths through the
// platform's helpers, so that the store behaves the same on POSIX and Windows.
#include "document/snapshot.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include <nlohmann/json.hpp>

#include "config/profile.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/port_name.h"
#include "platform/whole_files.h"

namespace snapshot {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// Printer texts are decoded to UTF-8, but a token is bytes: a byte that does not begin a
// well-formed sequence becomes the character of the same number, so the file stays JSON.
std::string ValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        bool wellFormed = extra > 0 && (c != 0xC0 && c != 0xC1);
        for (size_t k = 1; wellFormed && k <= extra; ++k) {
            wellFormed = i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (wellFormed) {
            out.append(text, i, extra + 1);
            i += extra;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Dump(const OrderedJson& json) {
    // replace: a sequence that still is not UTF-8 (an overlong form, a surrogate) must not make
    // the dump throw; it becomes U+FFFD.
    return json.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

OrderedJson SettingsObject(const ValueMap& values) {
    OrderedJson settings = OrderedJson::object();
    for (const auto& [name, token] : values) settings[ValidUtf8(name)] = ValidUtf8(token);
    return settings;
}

// A std::filesystem path from UTF-8 (a plain string would be taken in the system's code page on
// Windows), and back.
std::filesystem::path FsPath(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Snapshot file names: the UTC time with '-' for ':', six digits after the second (three of
// milliseconds, three of a sequence number for snapshots of the same millisecond), "Z.json":
// "2026-12-07T14-39-59.123000Z.json". Fixed width, so names sort as times do.
constexpr size_t kNameLength = 32;

bool IsSnapshotName(const std::string& name) {
    static const char kPattern[] = "dddd-dd-ddTdd-dd-dd.ddddddZ.json";
    if (name.size() != kNameLength) return false;
    for (size_t i = 0; i < kNameLength; ++i) {
        if (kPattern[i] == 'd' ? (name[i] < '0' || name[i] > '9') : name[i] != kPattern[i]) return false;
    }
    return true;
}

bool IsSnapshotTime(const std::string& time) {
    static const char kPattern[] = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (time.size() != sizeof kPattern - 1) return false;
    for (size_t i = 0; i < time.size(); ++i) {
        if (kPattern[i] == 'd' ? (time[i] < '0' || time[i] > '9') : time[i] != kPattern[i]) return false;
    }
    return true;
}

std::string FileNameFor(const std::string& time, int sequence) {
    std::string name = time.substr(0, 23);  // up to the milliseconds
    std::replace(name.begin(), name.end(), ':', '-');
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", sequence);
    return name + digits + "Z.json";
}

// folder/name, with the separator folder already uses (a Windows folder from the environment
// has backslashes).
std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    const bool backslashes = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
    return folder + (backslashes ? "\\" : "/") + name;
}

// The snapshot file names of folder, oldest first.
std::vector<std::string> SnapshotNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8Of(it->path().filename());
        if (IsSnapshotName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The value of field KEY of an IEEE 1284 device ID ("KEY:value;"), trimmed; empty when absent.
std::string DeviceIdField(const std::string& id, const char* key) {
    size_t start = 0;
    while (start < id.size()) {
        size_t end = id.find(';', start);
        if (end == std::string::npos) end = id.size();
        const std::string field = id.substr(start, end - start);
        const size_t colon = field.find(':');
        if (colon != std::string::npos) {
            std::string name = field.substr(0, colon);
            name.erase(0, name.find_first_not_of(' '));
            if (name == key) {
                std::string value = field.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                value.erase(value.find_last_not_of(' ') + 1);
                return value;
            }
        }
        start = end + 1;
    }
    return {};
}

std::string ConfiguredModel() {
    for (const std::string& line : ConfigFile().GetSection("DriverNames")) {
        if (!line.empty()) return line;
    }
    return {};
}

}  // namespace

std::string ToJson(const Snapshot& snapshot) {
    try {
        OrderedJson json = OrderedJson::object();
        json["format"] = snapshot.formatVersion;
        json["model"] = ValidUtf8(snapshot.model);
        if (!snapshot.serial.empty()) json["serial"] = ValidUtf8(snapshot.serial);
        json["port"] = ValidUtf8(snapshot.port);
        json["time"] = ValidUtf8(snapshot.time);
        json["settings"] = SettingsObject(snapshot.settings);
        OrderedJson skipped = OrderedJson::array();
        for (const std::string& name : snapshot.skipped) skipped.push_back(ValidUtf8(name));
        json["skipped"] = std::move(skipped);
        return Dump(json);
    } catch (const std::exception&) {
        return {};  // out of memory: an empty text, which no caller writes
    }
}

std::string SettingsToJson(const ValueMap& values) {
    try {
        return Dump(SettingsObject(values));
    } catch (const std::exception&) {
        return {};
    }
}

namespace {

bool ParseSnapshot(std::string_view text, Snapshot& out, std::string& error) {
    try {
        Json json;
        try {
            json = Json::parse(text.begin(), text.end());
        } catch (const Json::parse_error& e) {
            error = "not a JSON file (at byte " + std::to_string(e.byte) + ")";
            return false;
        }
        if (!json.is_object()) {
            error = "not a settings file: the JSON is not an object";
            return false;
        }
        auto format = json.find("format");
        if (format == json.end() || !format->is_number_integer()) {
            error = "not a settings file: no \"format\" number";
            return false;
        }
        if (*format != kFormatVersion) {
            error = "a settings file of format " + format->dump() + ", this program reads format " +
                    std::to_string(kFormatVersion);
            return false;
        }
        out.formatVersion = kFormatVersion;
        for (auto [key, field] : {std::pair{"model", &out.model}, std::pair{"serial", &out.serial},
                                  std::pair{"port", &out.port}, std::pair{"time", &out.time}}) {
            auto it = json.find(key);
            if (it == json.end() || it->is_null()) continue;
            if (!it->is_string()) {
                error = std::string("\"") + key + "\" is not a text";
                return false;
            }
            *field = it->get<std::string>();
        }
        auto settings = json.find("settings");
        if (settings == json.end() || !settings->is_object()) {
            error = "not a settings file: no \"settings\" object";
            return false;
        }
        for (auto it = settings->begin(); it != settings->end(); ++it) {
            if (!it.value().is_string()) {
                error = "the value of \"" + it.key() + "\" is not a text";
                return false;
            }
            if (it.key().empty()) {
                error = "a setting without a name";
                return false;
            }
            out.settings[it.key()] = it.value().get<std::string>();
        }
        if (auto skipped = json.find("skipped"); skipped != json.end() && !skipped->is_null()) {
            if (!skipped->is_array()) {
                error = "\"skipped\" is not a list";
                return false;
            }
            for (const Json& name : *skipped) {
                if (!name.is_string()) {
                    error = "\"skipped\" holds something other than setting names";
                    return false;
                }
                out.skipped.push_back(name.get<std::string>());
            }
            std::sort(out.skipped.begin(), out.skipped.end());
        }
        // A setting the file says it could not record is never applied from it, whatever value
        // stands beside it.
        for (const std::string& name : out.skipped) out.settings.erase(name);
        return true;
    } catch (const std::exception& e) {
        error = std::string("the file could not be read: ") + e.what();
        return false;
    }
}

}  // namespace

bool FromJson(std::string_view text, Snapshot& out, std::string& error) {
    out = Snapshot{};
    // Nothing of a refused file is kept, however far the reading got.
    if (ParseSnapshot(text, out, error)) return true;
    out = Snapshot{};
    return false;
}

std::string UtcNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> clock{floor<milliseconds>(now - day)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

PrinterIdentity IdentifyPrinter(const std::string& port) {
    PrinterIdentity printer;
    printer.port = port;
    if (const int number = platform::PortName::Parse(port).usbNumber(); number != 0) {
        platform::UsbInterface usbInterface;
        platform::UsbPrinters* usb = platform::current().usb;
        if (usb != nullptr && usb->interfaceForPort(number, usbInterface)) {
            const std::string id(usbInterface.deviceId.begin(), usbInterface.deviceId.end());
            std::string maker = DeviceIdField(id, "MANUFACTURER");
            if (maker.empty()) maker = DeviceIdField(id, "MFG");
            std::string model = DeviceIdField(id, "MODEL");
            if (model.empty()) model = DeviceIdField(id, "MDL");
            if (!model.empty()) printer.model = maker.empty() ? model : maker + " " + model;
            printer.serial = usbInterface.serialNumber;
        }
    }
    if (printer.model.empty()) printer.model = ConfiguredModel();
    return printer;
}

std::string DefaultRoot() { return platform::UserStateFile("devpanel", "snapshots"); }

std::string PrinterFolderName(const PrinterIdentity& printer) {
    const platform::PortName port = platform::PortName::Parse(printer.port);
    const bool byModel = !printer.serial.empty() && port.kind() == platform::PortKind::Usb;
    std::string name = byModel ? printer.model + "-" + printer.serial : printer.port;
    // A network printer is the same printer whatever options its name carries (snmp=false, the
    // SNMP port): keyed by its host and TCP port.
    if (const platform::PortUri* uri = port.uri()) name = "socket-" + uri->host + "-" + std::to_string(uri->port.value_or(9100));
    for (char& c : name) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.';
        if (!keep) c = '_';
    }
    // Never ".", "..", a hidden folder or nothing at all.
    if (name.empty() || name[0] == '.') name.insert(0, "_");
    return name;
}

std::string PrinterFolder(const std::string& root, const PrinterIdentity& printer) {
    // Without a root the folder would be relative to wherever the program runs.
    if (root.empty()) return {};
    return JoinPath(root, PrinterFolderName(printer));
}

std::string Write(const std::string& folder, const Snapshot& snapshot, std::string& error, size_t keep) {
    error.clear();
    int errorNumber = 0;
    if (folder.empty()) {
        error = "no folder for snapshots is known (set XDG_STATE_HOME or HOME)";
        return {};
    }
    if (!platform::MakePrivateFolders(folder, errorNumber)) {
        error = "the folder " + folder + " cannot be made: " + std::strerror(errorNumber);
        return {};
    }
    const std::string text = ToJson(snapshot);
    if (text.empty()) {
        error = "out of memory";
        return {};
    }
    const std::string time = IsSnapshotTime(snapshot.time) ? snapshot.time : UtcNow();
    // The first free name of that millisecond. A name is taken by creating the file, never by
    // looking first: another program writing a snapshot of the same millisecond then gets the
    // next name, and neither file replaces the other.
    std::string path;
    for (int sequence = 0; sequence < 1000 && path.empty(); ++sequence) {
        const std::string candidate = JoinPath(folder, FileNameFor(time, sequence));
        if (platform::CreateFileAtomically(candidate, text, errorNumber)) {
            path = candidate;
        } else if (errorNumber != EEXIST) {
            error = "the snapshot " + candidate + " cannot be written: " + std::strerror(errorNumber);
            return {};
        }
    }
    if (path.empty()) {
        error = "the folder " + folder + " already holds a thousand snapshots of " + time;
        return {};
    }
    Prune(folder, keep);
    // A program killed while it wrote a snapshot left its temporary here.
    platform::RemoveStaleTemporaries(folder, [](const std::string& target) { return IsSnapshotName(target); });
    return path;
}

std::vector<StoredSnapshot> List(const std::string& folder) {
    std::vector<StoredSnapshot> list;
    const std::string printerFolder = platform::FileNameOfPath(folder);
    std::vector<std::string> names = SnapshotNames(folder);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        StoredSnapshot stored;
        stored.path = JoinPath(folder, *it);
        stored.printerFolder = printerFolder;
        if (!Load(stored.path, stored.snapshot, stored.problem)) stored.snapshot.formatVersion = 0;
        list.push_back(std::move(stored));
    }
    return list;
}

std::vector<StoredSnapshot> ListAll(const std::string& root) {
    std::vector<StoredSnapshot> all;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FsPath(root), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kindError;
        if (!it->is_directory(kindError) || it->is_symlink(kindError)) continue;
        // Joined as every other path of the store is, so that paths compare equal on Windows too.
        std::vector<StoredSnapshot> some = List(JoinPath(root, Utf8Of(it->path().filename())));
        all.insert(all.end(), std::make_move_iterator(some.begin()), std::make_move_iterator(some.end()));
    }
    // Newest first across printers: the file name is the time.
    std::stable_sort(all.begin(), all.end(), [](const StoredSnapshot& a, const StoredSnapshot& b) {
        return platform::FileNameOfPath(a.path) > platform::FileNameOfPath(b.path);
    });
    return all;
}

bool Load(const std::string& path, Snapshot& out, std::string& error) {
    out = Snapshot{};
    std::string text;
    int errorNumber = 0;
    switch (platform::ReadWholeFile(path, kMaxFileBytes, text, errorNumber)) {
        case platform::ReadWholeStatus::Ok: break;
        case platform::ReadWholeStatus::Missing: error = path + " does not exist"; return false;
        case platform::ReadWholeStatus::Link:
        case platform::ReadWholeStatus::NotRegular: error = path + " is not a regular file"; return false;
        case platform::ReadWholeStatus::TooLarge:
            error = path + " is larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB, far more than any settings file";
            return false;
        case platform::ReadWholeStatus::Failed:
            error = path + " cannot be read: " + std::strerror(errorNumber);
            return false;
    }
    if (!FromJson(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

size_t Prune(const std::string& folder, size_t keep) {
    std::vector<std::string> names = SnapshotNames(folder);
    size_t removed = 0;
    for (size_t i = 0; i + keep < names.size(); ++i) {
        std::error_code ec;
        if (std::filesystem::remove(FsPath(JoinPath(folder, names[i])), ec)) ++removed;
    }
    return removed;
}

std::vector<Difference> Diff(const ValueMap& now, const ValueMap& then) {
    std::vector<Difference> differences;
    for (const auto& [name, value] : then) {
        auto it = now.find(name);
        if (it == now.end()) {
            differences.push_back({name, std::nullopt, value});
        } else if (it->second != value) {
            differences.push_back({name, it->second, value});
        }
    }
    return differences;
}

}  // namespace snapshot
