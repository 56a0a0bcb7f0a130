#include "protocol/printer_text.h"

#include <algorithm>
#include <cstdint>

#include "platform/code_page.h"

namespace npa {
namespace {

// The length of the UTF-8 character that starts at text[at], or 0 when the bytes there are no
// well-formed character.
size_t Utf8CharLength(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else return 0;
    if (at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    }
    return length;
}

}  // namespace

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

PrinterTextFit FitPrinterText(const std::string& utf8, size_t maxBytes) {
    PrinterTextFit fit;
    const auto leaveOut = [&fit](std::string character) {
        if (std::find(fit.leftOut.begin(), fit.leftOut.end(), character) == fit.leftOut.end())
            fit.leftOut.push_back(std::move(character));
    };
    size_t at = 0;
    while (at < utf8.size()) {
        const size_t length = Utf8CharLength(utf8, at);
        if (length == 0) {
            leaveOut(utf8.substr(at, 1));
            ++at;
            continue;
        }
        const std::string character = utf8.substr(at, length);
        // ASCII is itself in the code page; anything else is asked of the converter, one
        // character at a time, so that one it lacks does not take the others with it.
        const size_t bytes = length == 1 ? 1 : PrinterTextLength(character);
        if (bytes == SIZE_MAX) {
            leaveOut(character);
        } else {
            if (fit.keptBytes + bytes > maxBytes) {
                fit.cut = true;
                break;
            }
            fit.kept += character;
            fit.keptBytes += bytes;
        }
        at += length;
    }
    return fit;
}

}  // namespace npa
