// The typing limit of a text setting's edit. The printer counts a text setting in bytes of its
// Korean code page: an ASCII character is one byte, any other character two. An edit must stop
// the user's typing at that many bytes and refuse characters the code page lacks, while a longer
// text that came from the printer is still shown whole and may be edited as long as it does not
// grow. The Win32 edit reports a change after it happened, so the rule takes the text before and
// after and says what the edit should hold.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace winui {

// Bytes of the code page the text takes (ASCII 1, every other character 2; a surrogate pair is
// one character).
int CodePageLength(std::u16string_view text);

struct FittedText {
    std::u16string text;
    size_t caret = 0;
};

// The edit held `accepted`; the user's typing or pasting made it `typed`, the caret at `caret`.
// Returns what the edit keeps: `typed` when it fits, else `typed` with what was just inserted
// before the caret cut back until it fits. Nothing (keep `accepted`) when nothing of the
// insertion fits or the text gained a character the code page lacks. A negative limit is none.
std::optional<FittedText> FitTyping(const std::u16string& accepted, const std::u16string& typed, size_t caret,
                                    int limit);

}  // namespace winui
