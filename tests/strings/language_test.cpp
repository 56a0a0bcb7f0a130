// Which language the window speaks: the desktop's locale variables in gettext's order, the Windows
// display language, and --lang.
#include "strings/language.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "flows/command_line.h"

namespace {

using res::Language;

struct EnvironmentCase {
    const char* name;
    std::map<std::string, std::string> variables;
    Language expected;
};

class LanguageOfEnvironmentTest : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(LanguageOfEnvironmentTest, FirstSetVariableDecides) {
    const EnvironmentCase& c = GetParam();
    const auto getenv = [&](const char* variable) -> const char* {
        const auto it = c.variables.find(variable);
        return it == c.variables.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(res::LanguageOfEnvironment(getenv), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LanguageOfEnvironmentTest,
    ::testing::Values(
        EnvironmentCase{"NothingSet", {}, Language::English},
        EnvironmentCase{"LangKoreanUtf8", {{"LANG", "ko_KR.UTF-8"}}, Language::Korean},
        EnvironmentCase{"LangBareKo", {{"LANG", "ko"}}, Language::Korean},
        EnvironmentCase{"LangKoreanEucKr", {{"LANG", "ko_KR.eucKR"}}, Language::Korean},
        EnvironmentCase{"LangC", {{"LANG", "C"}}, Language::English},
        EnvironmentCase{"LangCUtf8", {{"LANG", "C.UTF-8"}}, Language::English},
        EnvironmentCase{"LangPosix", {{"LANG", "POSIX"}}, Language::English},
        EnvironmentCase{"LangAmerican", {{"LANG", "en_US.UTF-8"}}, Language::English},
        EnvironmentCase{"LangGerman", {{"LANG", "de_DE.UTF-8"}}, Language::English},
        // Konkani's code starts with the same two letters.
        EnvironmentCase{"LangKonkani", {{"LANG", "kok_IN"}}, Language::English},
        EnvironmentCase{"LcMessagesBeforeLang", {{"LC_MESSAGES", "ko_KR.UTF-8"}, {"LANG", "en_US.UTF-8"}}, Language::Korean},
        EnvironmentCase{"LcAllBeforeLcMessages", {{"LC_ALL", "C"}, {"LC_MESSAGES", "ko_KR.UTF-8"}}, Language::English},
        EnvironmentCase{"LanguageBeforeLcAll", {{"LANGUAGE", "ko"}, {"LC_ALL", "en_GB.UTF-8"}}, Language::Korean},
        EnvironmentCase{"LanguageListFirstEntry", {{"LANGUAGE", "en_US:ko"}, {"LANG", "ko_KR.UTF-8"}}, Language::English},
        EnvironmentCase{"LanguageListKoreanFirst", {{"LANGUAGE", "ko_KR:en"}}, Language::Korean},
        EnvironmentCase{"EmptyVariablesAreSkipped",
                        {{"LANGUAGE", ""}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "ko_KR.UTF-8"}},
                        Language::Korean},
        EnvironmentCase{"OtherCategoriesAreIgnored", {{"LC_CTYPE", "ko_KR.UTF-8"}, {"LANG", "C"}}, Language::English}),
    [](const ::testing::TestParamInfo<EnvironmentCase>& info) { return std::string(info.param.name); });

TEST(LanguageOfWindowsLangIdTest, PrimaryLanguageDecides) {
    EXPECT_EQ(res::LanguageOfWindowsLangId(0x0412), Language::Korean);  // Korean (Korea)
    EXPECT_EQ(res::LanguageOfWindowsLangId(0x0812), Language::Korean);  // Korean, another sublanguage
    EXPECT_EQ(res::LanguageOfWindowsLangId(0x0409), Language::English);
    EXPECT_EQ(res::LanguageOfWindowsLangId(0x0411), Language::English);  // Japanese
    EXPECT_EQ(res::LanguageOfWindowsLangId(0x0012), Language::Korean);   // neutral Korean
    EXPECT_EQ(res::LanguageOfWindowsLangId(0x0000), Language::English);
}

TEST(LanguageOptionTest, LangTakesKoOrEnAndOverridesNothingElse) {
    EXPECT_EQ(ParseCommandLine({"--lang", "en"}).language, Language::English);
    EXPECT_EQ(ParseCommandLine({"--lang=ko"}).language, Language::Korean);
    EXPECT_EQ(ParseCommandLine({"--virtual=", "--lang", "en", "--port", "USB001"}).port, "USB001");
    EXPECT_FALSE(ParseCommandLine({}).language.has_value());
    EXPECT_TRUE(ParseCommandLine({"--lang", "en"}).usageError.empty());
}

TEST(LanguageOptionTest, AnythingElseIsAUsageError) {
    EXPECT_EQ(ParseCommandLine({"--lang", "fr"}).usageError, "--lang takes ko or en, not fr");
    EXPECT_EQ(ParseCommandLine({"--lang", "EN"}).usageError, "--lang takes ko or en, not EN");
    EXPECT_EQ(ParseCommandLine({"--lang", "ko_KR"}).usageError, "--lang takes ko or en, not ko_KR");
    EXPECT_EQ(ParseCommandLine({"--lang"}).usageError, "--lang needs a value");
    EXPECT_EQ(ParseCommandLine({"--lang="}).usageError, "--lang needs a value");
}

}  // namespace
