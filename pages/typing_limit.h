// The typing limit of a text setting's field, one rule for every front end. The printer keeps a
// text setting in its Korean code page and counts the field's size in that code page's bytes (an
// ASCII character one byte, a Korean character two). Of what the user types, pastes or commits
// through an input method, the characters the code page has go in as far as the room allows; the
// others are left out and named in the status bar, so that the user learns why they did not
// appear. A text that came from the printer is shown whole even when it is longer, and may be
// edited as long as it does not grow. Both front ends see a change after it happened (the text
// before and after it) and put into the field what this rule says. Texts are UTF-16, as the
// toolkits keep them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pages {

// The status bar's sentence that names the characters left out ("%s": them, joined by ", "), and
// how long it stays unless another status text replaces it.
constexpr int kLeftOutText = 61394;
constexpr int kLeftOutShownMs = 10000;

// The bytes of the code page that text takes as the limit counts them: ASCII 1, every other
// character 2 (a surrogate pair is one character).
int CodePageLength(std::u16string_view text);

// What a field keeps of the user's change.
struct TypedText {
    // The field's text and caret after the rule: the change with what went in, the caret after
    // it; or, when the change is refused, the earlier text and the caret where the change began.
    std::u16string text;
    size_t caret = 0;
    // Where the change lies: at start in both texts, it put something in (or nothing, for a
    // deletion) in place of `replaced` UTF-16 units of the earlier text.
    size_t start = 0;
    size_t replaced = 0;
    std::u16string kept;                // what of the change's insertion went in
    std::vector<std::string> leftOut;   // characters of the insertion the code page lacks, each once, UTF-8
    bool cut = false;                   // the limit ended the insertion before its end
    bool refused = false;               // it inserted something, and nothing of it went in
};

// The field held accepted; the user's change made it typed. caret: where the change's insertion
// ends in typed (the edit's caret after typing or a paste), which tells the change apart in a run
// of equal characters; npos when unknown. limit: code-page bytes, negative for none; a longer
// accepted text is the limit instead. Characters after the limit's cut are not looked at.
TypedText FitTyped(std::u16string_view accepted, std::u16string_view typed, int limit,
                   size_t caret = std::u16string_view::npos);

// The characters left out as the status bar names them: "é, 😀, ë".
std::string LeftOutList(const std::vector<std::string>& leftOut);
// The status bar's sentence for them, given as LeftOutList names them.
std::string LeftOutStatusText(const std::string& leftOutList);

}  // namespace pages
