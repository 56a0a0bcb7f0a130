#include <windows.h>

#include <climits>

#include "platform/code_page.h"

namespace platform {
namespace {

constexpr UINT kPrinterCodePage = 949;

std::wstring wideOf(UINT codePage, const char* text, size_t length) {
    if (length == 0 || length > INT_MAX) return {};
    const int size = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), wide.data(), size);
    return wide;
}

bool appendUtf8(const std::wstring& wide, std::string& out) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data() + at, size, nullptr, nullptr);
    return true;
}

}  // namespace

bool ToCodePage949(const std::string& utf8, std::string& out) {
    out.clear();
    if (utf8.empty()) return true;
    const std::wstring wide = wideOf(CP_UTF8, utf8.data(), utf8.size());
    if (wide.empty()) return false;  // not valid UTF-8
    // No best fit: a character the code page lacks must fail, not turn into a look-alike.
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(kPrinterCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return false;
    std::string encoded(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(kPrinterCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), encoded.data(),
                          size, nullptr, &usedDefault);
    // Only a text that comes back unchanged is the one the user typed.
    if (usedDefault || wideOf(kPrinterCodePage, encoded.data(), encoded.size()) != wide) return false;
    out = std::move(encoded);
    return true;
}

bool FromCodePage949(const uint8_t* bytes, size_t count, std::string& out, size_t* consumed) {
    *consumed = 0;
    // Character by character, so that the bytes before a bad sequence are kept.
    std::wstring wide;
    size_t done = 0;
    while (done < count) {
        const size_t width = (bytes[done] >= 0x80 && ::IsDBCSLeadByteEx(kPrinterCodePage, bytes[done])) ? 2 : 1;
        if (done + width > count) break;
        const std::wstring one = wideOf(kPrinterCodePage, reinterpret_cast<const char*>(bytes + done), width);
        if (one.empty()) break;
        wide += one;
        done += width;
    }
    if (!wide.empty() && !appendUtf8(wide, out)) return false;
    *consumed = done;
    return done == count;
}

}  // namespace platform
