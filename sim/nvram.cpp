#include "sim/nvram.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace sim {

// State file: one line per setting, "<id hex> <value hex>" (an empty value leaves the second
// word out). Lines that do not parse, or that the model no longer accepts, are skipped.
void Nvram::reset(const Model& model, const std::string& stateFile) {
    values_.clear();
    stateFile_ = stateFile;
    for (const auto& [id, def] : model.settings()) values_[id] = def.defaultValue;
    if (stateFile_.empty()) return;
    std::ifstream in(stateFile_);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string idText, valueText;
        words >> idText >> valueText;
        auto id = ParseHex(idText);
        auto value = ParseHex(valueText);
        if (!id || id->size() != 2 || !value) continue;
        const uint16_t key = static_cast<uint16_t>(((*id)[0] << 8) | (*id)[1]);
        const SettingDef* def = model.find(key);
        if (def != nullptr && def->accepts(*value)) values_[key] = *value;
    }
}

std::optional<Bytes> Nvram::get(uint16_t id) const {
    auto it = values_.find(id);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool Nvram::set(uint16_t id, const Bytes& value) {
    values_[id] = value;
    return save();
}

bool Nvram::beginSession() { return true; }

bool Nvram::endSession() { return true; }

bool Nvram::save() const {
    if (stateFile_.empty()) return true;
    std::string text;
    for (const auto& [id, value] : values_) {
        text += ToHex({static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)});
        text += ' ';
        text += ToHex(value);
        text += '\n';
    }
    // Written beside the state file and renamed over it, so a crash leaves the old or the new
    // state, never half of one.
    std::string pattern = stateFile_ + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(w);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    ::close(fd);
    if (ok && std::rename(name.data(), stateFile_.c_str()) != 0) ok = false;
    if (!ok) ::unlink(name.data());
    return ok;
}

}  // namespace sim
