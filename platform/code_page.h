// Conversion between UTF-8 and the printer's Korean code page (949: one byte for ASCII, two for a
// Korean character), with the system's own converter: iconv on Linux (linux/code_page.cpp), the
// Win32 code-page functions on Windows (windows/code_page.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The code-page bytes of a UTF-8 text. False when the text is not valid UTF-8 or holds a
// character the code page does not have; out then holds nothing.
bool ToCodePage949(const std::string& utf8, std::string& out);

// Appends the UTF-8 text of code-page bytes to out, up to the first byte sequence that is not
// valid in the code page. Returns true when all count bytes converted; false with *consumed the
// bytes converted before the bad sequence otherwise.
bool FromCodePage949(const uint8_t* bytes, size_t count, std::string& out, size_t* consumed);

}  // namespace platform
