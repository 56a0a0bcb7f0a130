#include "protocol/printer_text.h"

#include <cstdint>

#include "platform/code_page.h"

namespace npa {

bool EncodePrinterText(const std::string& utf8, std::string& out) { return platform::ToCodePage949(utf8, out); }

std::string DecodePrinterText(const uint8_t* bytes, size_t count) {
    std::string out;
    size_t done = 0;
    while (done < count) {
        size_t consumed = 0;
        if (platform::FromCodePage949(bytes + done, count - done, out, &consumed)) break;
        done += consumed;
        // Skip the byte that does not convert: ASCII as itself, anything else as U+FFFD.
        const unsigned char bad = bytes[done];
        if (bad < 0x80) {
            out += static_cast<char>(bad);
        } else {
            out += "\xEF\xBF\xBD";
        }
        ++done;
    }
    return out;
}

size_t PrinterTextLength(const std::string& utf8) {
    std::string encoded;
    return EncodePrinterText(utf8, encoded) ? encoded.size() : SIZE_MAX;
}

}  // namespace npa
