// The virtual printer's description of its own settings: for each setting id its kind, the value
// bytes it accepts and its factory default. Read from the model file (data/virtual-t90.model).
//
// Model file format, one setting per line, '#' starts a comment:
//   <id: 4 hex digits> <NAME> enum   values=<hex>,<hex>,... default=<hex>
//   <id> <NAME> number bytes=<1|4> min=<decimal> max=<decimal> [extra=<hex>,...] default=<hex>
//   <id> <NAME> text   max=<characters> default=<hex of the characters, may be empty>
// "extra" lists value byte sequences that a number setting accepts besides its range (an "off"
// value). Two directive lines name the packet codes of single-setting traffic:
//   read-function <sub-command hex> <function hex>
//   write-function <sub-command hex> <function hex>
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

enum class SettingKind { Enum, Number, Text };

struct SettingDef {
    uint16_t id = 0;
    std::string name;
    SettingKind kind = SettingKind::Enum;
    std::vector<Bytes> values;  // enum: the accepted values; number: the extra values
    int numberBytes = 1;        // number: 1 or 4
    int64_t min = 0;
    int64_t max = 0;
    size_t maxLength = 0;       // text
    Bytes defaultValue;

    // True when the printer stores these value bytes for this setting.
    bool accepts(const Bytes& value) const;
};

class Model {
public:
    // Parses model text; false with a message naming the line on the first fault.
    bool parse(const std::string& text, std::string& error);
    bool load(const std::string& path, std::string& error);
    // The model file shipped with the program, found as platform/data_files.h describes;
    // empty when it is nowhere (load("") then names every place looked in).
    static std::string defaultPath();

    const SettingDef* find(uint16_t id) const;
    const std::map<uint16_t, SettingDef>& settings() const { return settings_; }
    uint8_t readSub() const { return readSub_; }
    uint8_t readFunction() const { return readFunction_; }
    uint8_t writeSub() const { return writeSub_; }
    uint8_t writeFunction() const { return writeFunction_; }

private:
    std::map<uint16_t, SettingDef> settings_;
    uint8_t readSub_ = 0xE7, readFunction_ = 0x01;
    uint8_t writeSub_ = 0xE7, writeFunction_ = 0x02;
};

// Bytes from hex text of even length (no separators); nullopt for anything else.
std::optional<Bytes> ParseHex(const std::string& hex);
std::string ToHex(const Bytes& bytes);

}  // namespace sim
