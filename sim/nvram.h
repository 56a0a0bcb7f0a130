// The printer's non-volatile setting values. Starts from the model's defaults, loads a state file
// when one is given and saves it after every change, atomically (temporary file + rename), so
// that a restarted virtual printer keeps what was written to it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "sim/model.h"

namespace sim {

class Nvram {
public:
    // Defaults from the model, then the values of stateFile (if it exists) that the model still
    // accepts. An empty stateFile keeps everything in memory.
    void reset(const Model& model, const std::string& stateFile);

    std::optional<Bytes> get(uint16_t id) const;
    // Stores the value and saves the state file; false when saving failed (the value is kept).
    bool set(uint16_t id, const Bytes& value);
    const std::map<uint16_t, Bytes>& values() const { return values_; }

    // The write session, from the accepted offline request to the online request. begin: false
    // when the session cannot start (the printer then refuses to go offline). end: false when
    // what was written cannot be kept (the printer then refuses to go online).
    bool beginSession();
    bool endSession();

private:
    bool save() const;
    std::map<uint16_t, Bytes> values_;
    std::string stateFile_;
};

}  // namespace sim
