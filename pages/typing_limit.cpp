#include "pages/typing_limit.h"

#include <algorithm>
#include <cstdint>

#include "strings/string_table.h"
#include "document/value_tokens.h"
#include "protocol/printer_text.h"

namespace pages {
namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code page's converter takes UTF-8. A surrogate without its other half becomes U+FFFD, which
// the code page lacks, so it is left out and named as such.
std::string Utf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (IsHigh(text[i]) || IsLow(text[i])) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The converter's well-formed UTF-8 (what it kept of the text above) back in UTF-16.
std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = [&](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(utf8[at])); };
        const uint32_t lead = byte(i);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > utf8.size()) break;
        uint32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k) c = (c << 6) | (byte(i + k) & 0x3F);
        i += length;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

// How many units the two texts share at their start, never ending inside a surrogate pair.
size_t SharedHead(std::u16string_view a, std::u16string_view b) {
    const size_t shorter = std::min(a.size(), b.size());
    size_t head = 0;
    while (head < shorter && a[head] == b[head]) ++head;
    if (head > 0 && IsHigh(b[head - 1])) --head;
    return head;
}

// How many units the two texts share at their end, at most `most`, never starting inside a
// surrogate pair.
size_t SharedTail(std::u16string_view a, std::u16string_view b, size_t most) {
    size_t tail = 0;
    while (tail < most && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
    if (tail > 0 && IsLow(b[b.size() - tail])) --tail;
    return tail;
}

}  // namespace

int CodePageLength(std::u16string_view text) {
    int bytes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) ++i;
        bytes += text[i] < 0x80 ? 1 : 2;
    }
    return bytes;
}

TypedText FitTyped(std::u16string_view accepted, std::u16string_view typed, int limit, size_t caret) {
    // The change replaced one stretch of the accepted text (typing, a paste, an input method's
    // commit, a deletion): found by what both texts share at their ends. Where equal characters
    // make that ambiguous ("a" typed into "aa"), the caret tells where the insertion ended.
    const size_t shorter = std::min(accepted.size(), typed.size());
    size_t head = SharedHead(accepted, typed);
    size_t tail = SharedTail(accepted, typed, shorter - head);
    const size_t byCaret = caret <= typed.size() ? typed.size() - caret : SIZE_MAX;
    if (byCaret != SIZE_MAX && byCaret != tail && byCaret <= SharedTail(accepted, typed, shorter) &&
        (byCaret == 0 || !IsLow(typed[typed.size() - byCaret]))) {
        tail = byCaret;
        head = std::min({head, accepted.size() - tail, caret});
        if (head > 0 && IsHigh(typed[head - 1])) --head;
    }

    TypedText result;
    result.start = head;
    result.replaced = accepted.size() - head - tail;
    const std::u16string_view inserted = typed.substr(head, typed.size() - head - tail);
    if (inserted.empty()) {  // only taken away
        result.text = std::u16string(typed);
        result.caret = std::min(caret, typed.size());
        if (caret == std::u16string_view::npos) result.caret = head;
        return result;
    }

    // What goes in keeps the characters the code page has, as far as the room allows: the limit,
    // or the longer text that came from the printer.
    const std::u16string_view before = typed.substr(0, head), after = typed.substr(typed.size() - tail);
    size_t room = SIZE_MAX;
    if (limit >= 0) {
        const int allowed = std::max(limit, CodePageLength(accepted));
        room = static_cast<size_t>(std::max(0, allowed - CodePageLength(before) - CodePageLength(after)));
    }
    npa::PrinterTextFit fit = npa::FitPrinterText(Utf8(inserted), room);
    result.kept = Utf16(fit.kept);
    result.leftOut = std::move(fit.leftOut);
    result.cut = fit.cut;
    // Nothing of it goes in: the change is refused whole, so that a selection it would have
    // replaced stays as it was.
    if (result.kept.empty()) {
        result.refused = true;
        result.text = std::u16string(accepted);
        result.caret = head;
        return result;
    }
    result.text = std::u16string(before) + result.kept + std::u16string(after);
    result.caret = head + result.kept.size();
    return result;
}

std::string LeftOutList(const std::vector<std::string>& leftOut) { return value_tokens::JoinTokens(leftOut, ", "); }

std::string LeftOutStatusText(const std::string& leftOutList) { return res::Format(kLeftOutText, leftOutList); }

}  // namespace pages
