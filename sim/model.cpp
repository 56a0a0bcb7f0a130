#include "sim/model.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/data_files.h"

namespace sim {

namespace {

constexpr const char* kModelFileName = "virtual-t90.model";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseInt(const std::string& text, int64_t& out) {
    if (text.empty()) return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        v = v * 10 + (text[i] - '0');
        if (v > (int64_t{1} << 40)) return false;
    }
    out = negative ? -v : v;
    return true;
}

bool ParseHexList(const std::string& text, std::vector<Bytes>& out) {
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        auto bytes = ParseHex(item);
        if (!bytes) return false;
        out.push_back(*bytes);
    }
    return true;
}

int64_t BigEndian(const Bytes& value) {
    uint32_t v = 0;
    for (uint8_t b : value) v = (v << 8) | b;
    // Four bytes are read as a signed number, as the host reads them.
    return value.size() == 4 ? static_cast<int64_t>(static_cast<int32_t>(v)) : static_cast<int64_t>(v);
}

}  // namespace

std::optional<Bytes> ParseHex(const std::string& hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    Bytes out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

std::string ToHex(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool SettingDef::accepts(const Bytes& value) const {
    switch (kind) {
    case SettingKind::Enum:
        for (const Bytes& v : values) {
            if (v == value) return true;
        }
        return false;
    case SettingKind::Number: {
        for (const Bytes& v : values) {
            if (v == value) return true;
        }
        if (value.size() != static_cast<size_t>(numberBytes)) return false;
        const int64_t v = BigEndian(value);
        return v >= min && v <= max;
    }
    case SettingKind::Text:
        if (value.size() > maxLength) return false;
        for (uint8_t b : value) {
            if (b < 0x20 || b == 0x7F) return false;  // printable characters only (no zero, no controls)
        }
        return true;
    }
    return false;
}

bool Model::parse(const std::string& text, std::string& error) {
    settings_.clear();
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        settings_.clear();
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;

        if (w[0] == "read-function" || w[0] == "write-function") {
            if (w.size() != 3) return fail("expected two hex bytes");
            auto sub = ParseHex(w[1]), fn = ParseHex(w[2]);
            if (!sub || !fn || sub->size() != 1 || fn->size() != 1) return fail("bad packet code");
            if (w[0] == "read-function") {
                readSub_ = (*sub)[0];
                readFunction_ = (*fn)[0];
            } else {
                writeSub_ = (*sub)[0];
                writeFunction_ = (*fn)[0];
            }
            continue;
        }

        if (w.size() < 3) return fail("expected id, name and kind");
        auto id = ParseHex(w[0]);
        if (!id || id->size() != 2) return fail("bad setting id " + w[0]);
        SettingDef s;
        s.id = static_cast<uint16_t>(((*id)[0] << 8) | (*id)[1]);
        s.name = w[1];
        if (w[2] == "enum") s.kind = SettingKind::Enum;
        else if (w[2] == "number") s.kind = SettingKind::Number;
        else if (w[2] == "text") s.kind = SettingKind::Text;
        else return fail("unknown kind " + w[2]);

        bool haveDefault = false, haveMin = false, haveMax = false;
        for (size_t i = 3; i < w.size(); ++i) {
            const auto eq = w[i].find('=');
            if (eq == std::string::npos) return fail("expected key=value: " + w[i]);
            const std::string key = w[i].substr(0, eq), value = w[i].substr(eq + 1);
            if (key == "default") {
                auto bytes = ParseHex(value);
                if (!bytes) return fail("bad default");
                s.defaultValue = *bytes;
                haveDefault = true;
            } else if ((key == "values" && s.kind == SettingKind::Enum) ||
                       (key == "extra" && s.kind == SettingKind::Number)) {
                if (!ParseHexList(value, s.values)) return fail("bad value list");
            } else if (key == "bytes" && s.kind == SettingKind::Number) {
                int64_t n = 0;
                if (!ParseInt(value, n) || (n != 1 && n != 4)) return fail("bytes must be 1 or 4");
                s.numberBytes = static_cast<int>(n);
            } else if (key == "min" && s.kind == SettingKind::Number) {
                if (!ParseInt(value, s.min)) return fail("bad min");
                haveMin = true;
            } else if (key == "max" && s.kind == SettingKind::Number) {
                if (!ParseInt(value, s.max)) return fail("bad max");
                haveMax = true;
            } else if (key == "max" && s.kind == SettingKind::Text) {
                int64_t n = 0;
                if (!ParseInt(value, n) || n < 0 || n > 255) return fail("bad max");
                s.maxLength = static_cast<size_t>(n);
                haveMax = true;
            } else {
                return fail("unknown key " + key + " for this kind");
            }
        }
        if (!haveDefault) return fail("missing default");
        if (s.kind == SettingKind::Enum && s.values.empty()) return fail("enum without values");
        if (s.kind == SettingKind::Number && (!haveMin || !haveMax || s.min > s.max)) return fail("bad bounds");
        if (s.kind == SettingKind::Text && !haveMax) return fail("text without max");
        if (!s.accepts(s.defaultValue)) return fail("default not accepted by the setting");
        if (settings_.count(s.id) != 0) return fail("duplicate id " + w[0]);
        settings_.emplace(s.id, std::move(s));
    }
    return true;
}

bool Model::load(const std::string& path, std::string& error) {
    if (path.empty()) {  // defaultPath() found the model nowhere
        error = platform::DataFileNotFoundText(
            kModelFileName, platform::FindDataFile(kModelFileName, platform::DataFileScope::InstalledOnly));
        settings_.clear();
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        settings_.clear();
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!parse(text.str(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

// The model is the program's own data, never a file of the folder the user works in.
std::string Model::defaultPath() {
    return platform::FindDataFile(kModelFileName, platform::DataFileScope::InstalledOnly).path;
}

const SettingDef* Model::find(uint16_t id) const {
    auto it = settings_.find(id);
    return it == settings_.end() ? nullptr : &it->second;
}

}  // namespace sim
