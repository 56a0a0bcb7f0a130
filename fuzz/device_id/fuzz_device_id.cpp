// The device-ID texts Linux hands over: a parport autoprobe file, usblp's ieee1284_id attribute
// and the length-prefixed reply of a device-ID request. Input: one option byte, then the bytes.
// Option bit 0: the bytes are a device-ID reply with its length prefix; else they are text
// (autoprobe lines or an ID). Every field the printer recognition reads is looked up.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/linux/device_id.h"

using fuzz::Check;

namespace {

namespace li = platform::linux_impl;

// A field's value comes from inside the ID, ends before its ";" and has no spaces at its ends.
void CheckFields(std::string_view id) {
    const auto fields = {li::deviceIdField(id, {"MFG", "MANUFACTURER"}), li::deviceIdField(id, {"MDL", "MODEL"}),
                         li::deviceIdField(id, {"CMD", "COMMAND SET"}), li::deviceIdField(id, {"SN", "SERN"})};
    for (const auto& value : fields) {
        if (!value) continue;
        Check(value->find(';') == std::string::npos);
        Check(value->size() <= id.size());
        Check(id.find(*value) != std::string_view::npos);
        if (!value->empty()) {
            Check(value->front() != ' ' && value->back() != ' ');
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t option = data[0];
    ++data;
    --size;
    if ((option & 1) != 0) {
        const auto id = li::stripDeviceIdPrefix(data, size);
        if (!id) return 0;
        // Never more than was received after the prefix, and the ID ends at the first NUL.
        Check(size >= 2 && id->size() <= size - 2);
        Check(id->empty() || std::memchr(id->data(), 0, id->size()) == nullptr);
        CheckFields(std::string_view(reinterpret_cast<const char*>(id->data()), id->size()));
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string joined = li::joinAutoprobeLines(text);
    Check(joined.size() <= text.size());
    Check(joined.find('\n') == std::string::npos);
    CheckFields(joined);
    CheckFields(li::trimLineEnd(text));
    return 0;
}
