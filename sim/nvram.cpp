#include "sim/nvram.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "platform/paths.h"
#include "platform/whole_files.h"

namespace sim {

namespace {

constexpr size_t kStateLimit = 1024 * 1024;  // far more than every setting of the model needs

}  // namespace

std::string DefaultStateFile() { return platform::UserStateFile("devpanel", "virtual-t90.state"); }

Nvram::~Nvram() { unlock(); }

std::string Nvram::describe() const { return "The virtual printer's state file " + stateFile_; }

bool Nvram::reset(const Model& model, const std::string& stateFile) {
    unlock();
    inSession_ = false;
    dirty_ = false;
    model_ = &model;
    stateFile_ = stateFile;
    error_.clear();
    values_.clear();
    for (const auto& [id, def] : model.settings()) values_[id] = def.defaultValue;
    return load();
}

// State file: one line per setting, "<id hex> <value hex>" (an empty value leaves the second
// word out); blank lines are allowed. Reads it over the model's defaults. The file must be ours
// to keep: anything that is wrong with it is reported (error_) rather than silently replaced by
// the defaults at the next save. On failure the values in memory stay as they were.
std::string StateText(const std::map<uint16_t, Bytes>& values) {
    std::string text;
    for (const auto& [id, value] : values) {
        text += ToHex({static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF)});
        if (!value.empty()) {
            text += ' ';
            text += ToHex(value);
        }
        text += '\n';
    }
    return text;
}

bool ParseStateText(const std::string& text, std::map<uint16_t, Bytes>& stored, size_t& damagedLine) {
    std::istringstream lines(text);
    std::string line;
    size_t number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::string idText, valueText, extra;
        if (!(words >> idText)) continue;  // a blank line
        words >> valueText >> extra;
        const auto id = ParseHex(idText);
        const auto value = ParseHex(valueText);
        if (!id || id->size() != 2 || !value || !extra.empty()) {
            damagedLine = number;
            return false;
        }
        stored[static_cast<uint16_t>(((*id)[0] << 8) | (*id)[1])] = *value;
    }
    return true;
}

bool Nvram::load() {
    if (stateFile_.empty()) return true;
    std::map<uint16_t, Bytes> fresh;
    if (model_ != nullptr) {
        for (const auto& [id, def] : model_->settings()) fresh[id] = def.defaultValue;
    }
    const std::string what = describe();
    int error = 0;
    const platform::Files::Kind kind = platform::KindOfPath(stateFile_, error);
    if (kind == platform::Files::Kind::Missing && error != ENOTDIR) {  // not written yet: the defaults
        values_ = std::move(fresh);
        return true;
    }
    if (kind == platform::Files::Kind::Missing || (kind == platform::Files::Kind::Other && error != 0)) {
        error_ = what + " cannot be used (" + std::strerror(error) + "); name another state file.";
        return false;
    }
    if (kind == platform::Files::Kind::Link) {
        error_ = what + " is a symbolic link, which is not followed; replace it with the file itself or move it away "
                        "to start from the defaults.";
        return false;
    }
    if (kind != platform::Files::Kind::Regular) {
        error_ = what + " is not a regular file; move it away or name another state file.";
        return false;
    }
    const auto unreadable = [&](int e) {
        error_ = what + " cannot be read (" + std::strerror(e) +
                 "); make it readable (chmod u+rw) or move it away to start from the defaults.";
        return false;
    };
    if (!platform::UserMayRead(stateFile_)) return unreadable(EACCES);
    std::string text;
    switch (platform::ReadWholeFile(stateFile_, kStateLimit, text, error, platform::LinkAtPath::Refuse)) {
        case platform::ReadWholeStatus::Ok: break;
        case platform::ReadWholeStatus::Missing:  // removed since it was looked at: the defaults
            values_ = std::move(fresh);
            return true;
        case platform::ReadWholeStatus::Link:
            error_ = what + " is a symbolic link, which is not followed; replace it with the file itself or move it "
                            "away to start from the defaults.";
            return false;
        case platform::ReadWholeStatus::NotRegular:
            error_ = what + " is not a regular file; move it away or name another state file.";
            return false;
        case platform::ReadWholeStatus::TooLarge:
            error_ = what + " is too large to be a state file; move it away to start from the defaults.";
            return false;
        case platform::ReadWholeStatus::Failed: return unreadable(error);
    }
    std::map<uint16_t, Bytes> stored;
    size_t damagedLine = 0;
    if (!ParseStateText(text, stored, damagedLine)) {
        error_ = what + " is damaged at line " + std::to_string(damagedLine) +
                 "; move it away to start from the defaults.";
        return false;
    }
    if (!platform::UserMayWrite(stateFile_)) {
        error_ = what + " is read-only, so the printer could not keep its settings; make it writable (chmod u+w) or "
                        "name another state file.";
        return false;
    }
    const std::string folder = platform::FolderOfPath(stateFile_);
    if (!platform::UserMayWrite(folder)) {
        error_ = what + " cannot be replaced because its folder " + folder +
                 " is not writable; make the folder writable or name another state file.";
        return false;
    }
    // A setting the model does not know, or a value it no longer accepts, comes from an older
    // model: it is dropped (the default stays) rather than making the whole file unusable.
    for (const auto& [id, value] : stored) {
        const SettingDef* def = model_ != nullptr ? model_->find(id) : nullptr;
        if (def != nullptr && def->accepts(value)) fresh[id] = value;
    }
    values_ = std::move(fresh);
    return true;
}

std::optional<Bytes> Nvram::get(uint16_t id) const {
    auto it = values_.find(id);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void Nvram::refresh() {
    if (inSession_ || stateFile_.empty()) return;
    const std::string kept = error_;
    if (!load()) error_ = kept;
}

bool Nvram::set(uint16_t id, const Bytes& value) {
    if (inSession_ || stateFile_.empty()) {
        values_[id] = value;
        dirty_ = true;
        return true;
    }
    if (!beginSession()) {
        values_[id] = value;  // the panel shows it, but it is not kept
        return false;
    }
    values_[id] = value;
    dirty_ = true;
    if (endSession()) return true;
    // Nothing may stay locked outside a session: the write is given up.
    inSession_ = false;
    dirty_ = false;
    unlock();
    return false;
}

bool Nvram::beginSession() {
    if (inSession_) return true;
    if (stateFile_.empty()) {
        inSession_ = true;
        return true;
    }
    if (!lock()) return false;
    // Another program may have changed the file since we last saw it: start from its values.
    error_.clear();
    if (!load()) {
        unlock();
        return false;
    }
    inSession_ = true;
    dirty_ = false;
    return true;
}

bool Nvram::endSession() {
    if (!inSession_) return true;
    if (dirty_ && !save()) return false;
    inSession_ = false;
    dirty_ = false;
    unlock();
    return true;
}

// The lock lives in a file of its own beside the state file: the state file itself is replaced
// by every save, and a lock on the replaced file would guard nothing.
bool Nvram::lock() {
    if (lock_.held()) return true;
    const std::string lockFile = stateFile_ + ".lock";
    const std::string folder = platform::FolderOfPath(stateFile_);
    int error = 0;
    if (!platform::MakePrivateFolders(folder, error)) {
        error_ = describe() + " cannot be kept because its folder " + folder + " cannot be created (" +
                 std::strerror(error) + "); name another state file.";
        return false;
    }
    switch (lock_.acquire(lockFile, lockWaitMs_, error)) {
        case platform::FileLock::Result::Locked: return true;
        case platform::FileLock::Result::Busy:
            error_ = describe() + " is in use by another program that is changing settings; let it finish and try "
                                  "again.";
            return false;
        case platform::FileLock::Result::OpenFailed:
            error_ = describe() + " cannot be locked: " + lockFile + " cannot be opened (" + std::strerror(error) +
                     "); remove it or name another state file.";
            return false;
        case platform::FileLock::Result::Failed: break;
    }
    error_ = describe() + " cannot be locked (" + std::strerror(error) + "); name another state file.";
    return false;
}

void Nvram::unlock() { lock_.release(); }

bool Nvram::save() {
    if (stateFile_.empty()) return true;
    const std::string text = StateText(values_);
    // Written beside the state file and renamed over it, so a crash leaves the old or the new
    // state, never half of one.
    int error = 0;
    if (!platform::WriteFileAtomically(stateFile_, text, error)) {
        error_ = describe() + " cannot be saved (" + std::strerror(error) +
                 "); the printer stays offline with the new settings until it can be.";
        return false;
    }
    error_.clear();
    // A program killed in the middle of a save left its temporary beside the file.
    const std::string name = platform::FileNameOfPath(stateFile_);
    platform::RemoveStaleTemporaries(platform::FolderOfPath(stateFile_),
                                     [&](const std::string& target) { return target == name; });
    return true;
}

}  // namespace sim
