#include "winui/text_fit.h"

#include <algorithm>
#include <cstdint>

#include "protocol/printer_text.h"
#include "winui/utf16.h"

namespace winui {
namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool Representable(const std::u16string& text) { return npa::PrinterTextLength(Utf8(text)) != SIZE_MAX; }

}  // namespace

int CodePageLength(std::u16string_view text) {
    int bytes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) ++i;
        bytes += text[i] < 0x80 ? 1 : 2;
    }
    return bytes;
}

std::optional<FittedText> FitTyping(const std::u16string& accepted, const std::u16string& typed, size_t caret,
                                    int limit) {
    // A character the printer cannot store (an emoji, say) is refused as it is typed, rather
    // than failing the whole apply later.
    if (!Representable(typed) && Representable(accepted)) return std::nullopt;
    FittedText fitted{typed, std::min(caret, typed.size())};
    if (limit < 0) return fitted;
    const int allowed = std::max(limit, CodePageLength(accepted));
    if (CodePageLength(fitted.text) <= allowed) return fitted;
    // Cut what was just inserted before the caret until the text fits.
    long long inserted = static_cast<long long>(typed.size()) - static_cast<long long>(accepted.size());
    while (inserted > 0 && fitted.caret > 0 && CodePageLength(fitted.text) > allowed) {
        size_t width = 1;
        if (fitted.caret >= 2 && IsLow(fitted.text[fitted.caret - 1]) && IsHigh(fitted.text[fitted.caret - 2])) width = 2;
        fitted.text.erase(fitted.caret - width, width);
        fitted.caret -= width;
        inserted -= static_cast<long long>(width);
    }
    if (fitted.text == accepted || CodePageLength(fitted.text) > allowed) return std::nullopt;
    return fitted;
}

}  // namespace winui
