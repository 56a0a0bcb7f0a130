// Texts of text settings (custom paper names, the tag) travel to and from the printer in its
// Korean code page (CP949: one byte for ASCII, two for a Korean character); inside the program
// they are UTF-8. The printer's field sizes ("MaxLength") count code-page bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace npa {

// The code-page bytes of a UTF-8 text. False when the text is not valid UTF-8 or holds a
// character the code page does not have (out is then empty).
bool EncodePrinterText(const std::string& utf8, std::string& out);

// The UTF-8 text of code-page bytes as the printer sent them. A byte sequence that is not valid
// in the code page is kept byte for byte where it is ASCII and replaced by U+FFFD otherwise, so
// a damaged value is shown, never dropped.
std::string DecodePrinterText(const uint8_t* bytes, size_t count);

// The number of code-page bytes the text takes on the printer, or SIZE_MAX when it cannot be
// represented there.
size_t PrinterTextLength(const std::string& utf8);

// What of a UTF-8 text the printer can take into a field with room for maxBytes: the characters
// of the code page, in order, up to the first one that no longer fits; and the characters the
// code page lacks that were met on the way, each once, in order (bytes that are not UTF-8 count
// as such characters, byte by byte). Characters after the cut are not looked at.
struct PrinterTextFit {
    std::string kept;                  // UTF-8
    size_t keptBytes = 0;              // code-page bytes of kept
    std::vector<std::string> leftOut;  // UTF-8 characters (or single bad bytes)
    bool cut = false;                  // the room ended before the text did
};
PrinterTextFit FitPrinterText(const std::string& utf8, size_t maxBytes);

}  // namespace npa
