#include "strings/language.h"

#include <atomic>

namespace res {
namespace {

std::atomic<Language> g_language{Language::Korean};

}  // namespace

Language CurrentLanguage() { return g_language.load(std::memory_order_relaxed); }

void SetLanguage(Language language) { g_language.store(language, std::memory_order_relaxed); }

Language LanguageOfLocaleName(std::string_view name) {
    // LANGUAGE may list several languages ("ko:en_US"); its first one is the user's choice.
    name = name.substr(0, name.find(':'));
    // "ko" alone or followed by the territory, code set or modifier; "kok" (Konkani) is not Korean.
    if (name.substr(0, 2) != "ko") return Language::English;
    if (name.size() == 2) return Language::Korean;
    const char next = name[2];
    return (next == '_' || next == '.' || next == '@' || next == '-') ? Language::Korean : Language::English;
}

Language LanguageOfEnvironment(const std::function<const char*(const char*)>& getenv) {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(variable);
        if (value != nullptr && *value != '\0') return LanguageOfLocaleName(value);
    }
    return Language::English;
}

Language LanguageOfWindowsLangId(std::uint16_t langId) {
    constexpr std::uint16_t kPrimaryMask = 0x3ff;
    constexpr std::uint16_t kLangKorean = 0x12;
    return (langId & kPrimaryMask) == kLangKorean ? Language::Korean : Language::English;
}

std::optional<Language> LanguageOfOption(std::string_view value) {
    if (value == "ko") return Language::Korean;
    if (value == "en") return Language::English;
    return std::nullopt;
}

}  // namespace res
