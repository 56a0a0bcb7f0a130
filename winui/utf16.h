// UTF-8, the program's texts, and UTF-16, the texts of Win32's wide calls and of dialog
// templates, each into the other. Plain C++, so that the template converter and the typing limit
// build and are tested on every system.
#pragma once

#include <string>
#include <string_view>

namespace winui {

// Ill-formed sequences (overlong forms, surrogates, values past U+10FFFF, cut sequences) become
// U+FFFD, one for each byte that starts no character.
std::u16string Utf16(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string Utf8(std::u16string_view utf16);

}  // namespace winui
