// The English texts stand in for the Korean ones wherever the window shows a text: each must be
// there, be English, and keep what the code relies on in the Korean text (the placeholders a
// message is formatted with, the line break before a menu help's short name or a message's
// second paragraph, the accelerator, the page title's leading blank).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "strings/string_table.h"

namespace {

using res::Language;

// Whether text holds a Hangul syllable or jamo (UTF-8 decoded).
bool HasHangul(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = c;
        size_t length = 1;
        if (c >= 0xF0) cp = c & 0x07, length = 4;
        else if (c >= 0xE0) cp = c & 0x0F, length = 3;
        else if (c >= 0xC0) cp = c & 0x1F, length = 2;
        for (size_t k = 1; k < length && i + k < text.size(); ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
        if ((cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x3130 && cp <= 0x318F))
            return true;
        i += length;
    }
    return false;
}

// The printf directives of text in order ("%s", "%d"); "%%" is none.
std::vector<std::string> Directives(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = text.find('%'); at != std::string::npos && at + 1 < text.size(); at = text.find('%', at + 2)) {
        if (text[at + 1] != '%') out.push_back(text.substr(at, 2));
    }
    return out;
}

size_t Count(const std::string& text, char c) { return static_cast<size_t>(std::count(text.begin(), text.end(), c)); }

class EnglishTextTest : public ::testing::TestWithParam<int> {
protected:
    const std::string& korean() const { return res::String(GetParam(), Language::Korean); }
    const std::string& english() const { return res::String(GetParam(), Language::English); }
};

TEST_P(EnglishTextTest, IsThereAndHasNoHangul) {
    EXPECT_FALSE(english().empty());
    EXPECT_FALSE(HasHangul(english())) << english();
}

TEST_P(EnglishTextTest, KeepsTheKoreanTextsStructure) {
    EXPECT_EQ(Directives(english()), Directives(korean())) << english();
    EXPECT_EQ(Count(english(), '\n'), Count(korean(), '\n')) << english();
    EXPECT_EQ(Count(english(), '&'), Count(korean(), '&')) << english();
    EXPECT_EQ(english().front() == ' ', korean().front() == ' ') << english();
    EXPECT_EQ(english().find("  >  ") != std::string::npos, korean().find("  >  ") != std::string::npos) << english();
}

INSTANTIATE_TEST_SUITE_P(EveryId, EnglishTextTest, ::testing::ValuesIn(res::StringIds()),
                         [](const ::testing::TestParamInfo<int>& info) { return "Id" + std::to_string(info.param); });

// The Korean texts are what every window showed before; they are the default, and the texts
// follow the chosen language without invalidating a reference taken before.
class ChosenLanguageTest : public ::testing::Test {
protected:
    ~ChosenLanguageTest() override { res::SetLanguage(Language::Korean); }
};

TEST_F(ChosenLanguageTest, StringAnswersInTheChosenLanguage) {
    EXPECT_EQ(res::CurrentLanguage(), Language::Korean);
    const std::string& korean = res::String(57344);
    EXPECT_EQ(korean, "Altrin Pressline T90 설정 유틸리티");
    res::SetLanguage(Language::English);
    EXPECT_EQ(res::String(57344), "Altrin Pressline T90 Settings Utility");
    EXPECT_EQ(res::Format(61290, "/tmp/a.npa"), "The settings cannot be saved to the command file /tmp/a.npa.");
    EXPECT_EQ(korean, "Altrin Pressline T90 설정 유틸리티");
    EXPECT_TRUE(res::String(99999).empty());
    res::SetLanguage(Language::Korean);
    EXPECT_EQ(&res::String(57344), &korean);
}

TEST(EnglishTextsTest, TreeCaptionsThatShareAKoreanTextAreToldApartInEnglish) {
    // Two pages' captions read the same in Korean, but a tree in English should name each page.
    EXPECT_EQ(res::String(61215, Language::Korean), res::String(61218, Language::Korean));
    EXPECT_NE(res::String(61215, Language::English), res::String(61218, Language::English));
}

}  // namespace
