// The window's language: Korean or English, chosen once at start-up from the desktop's locale
// (or --lang) and read by every text lookup. No toolkit, no system calls: the callers hand in
// what they read from the environment or the system.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace res {

enum class Language { Korean, English };

// The language the string table answers in. Korean until a program sets another, so that a
// program or test that never chooses sees the texts it always saw. Thread-safe; meant to be set
// once before the first window opens.
Language CurrentLanguage();
void SetLanguage(Language language);

// A POSIX locale name read as text: "ko", "ko_KR.UTF-8", "ko_KR@euro" are Korean; "C",
// "C.UTF-8", "en_US.UTF-8", "POSIX" and anything else English. A LANGUAGE list ("ko:en") is
// judged by its first entry. The locale need not be installed.
Language LanguageOfLocaleName(std::string_view name);

// The language of the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not
// empty (the order gettext reads them in); English when none is. getenv returns a variable's
// value or nullptr.
Language LanguageOfEnvironment(const std::function<const char*(const char*)>& getenv);

// A Windows language id (GetUserDefaultUILanguage): Korean when its primary language is Korean
// (0x12, whatever the sublanguage), English otherwise.
Language LanguageOfWindowsLangId(std::uint16_t langId);

// The value of --lang: "ko" or "en"; nothing for any other text.
std::optional<Language> LanguageOfOption(std::string_view value);

}  // namespace res
