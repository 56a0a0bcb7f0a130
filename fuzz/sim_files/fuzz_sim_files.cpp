// The virtual printer's two files: its model (what each setting accepts) and its state file (the
// values it keeps). Input: one option byte, then the file's text. Option bit 0: a state file,
// else a model. A state file that reads writes back to the same values; a model that reads has
// every default accepted by its own setting and reads the same from its own description.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "fuzz/fuzz_check.h"
#include "sim/model.h"
#include "sim/nvram.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool stateFile = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (stateFile) {
        std::map<uint16_t, sim::Bytes> values;
        size_t damagedLine = 0;
        if (!sim::ParseStateText(text, values, damagedLine)) {
            Check(damagedLine > 0);
            return 0;
        }
        std::map<uint16_t, sim::Bytes> again;
        Check(sim::ParseStateText(sim::StateText(values), again, damagedLine));
        Check(again == values);
        return 0;
    }
    sim::Model model;
    std::string error;
    if (!model.parse(text, error)) {
        Check(!error.empty());
        return 0;
    }
    for (const auto& [id, def] : model.settings()) {
        Check(def.id == id);
        Check(def.accepts(def.defaultValue));
        Check(sim::ParseHex(sim::ToHex(def.defaultValue)) == def.defaultValue);
    }
    return 0;
}
