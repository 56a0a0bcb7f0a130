// The templates' texts come from the string table, so that every front end shows them in the
// window's language: no template, title or menu entry keeps a Korean text of its own, every id
// they name is in the table, and the English window reads as an English program's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "strings/string_table.h"
#include "templates/page_templates.h"
#include "templates/templates.h"

namespace {

using res::Language;

bool HasHangul(const char* text) {
    // Hangul syllables are U+AC00..U+D7A3: lead bytes 0xEA (from 0xB0) to 0xED (to 0x9E).
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); p && *p; ++p) {
        if (*p >= 0xEA && *p <= 0xED) return true;
    }
    return false;
}

std::vector<const res::DialogTemplate*> AllTemplates() {
    return {&res::PaperPageTemplate(),       &res::UsbPortsPageTemplate(),     &res::ParallelPortsPageTemplate(),
            &res::PaperWeightPageTemplate(), &res::PaperTexturePageTemplate(), &res::CustomPageTemplate(),
            &res::PostscriptPageTemplate(),  &res::SetupPageTemplate(),        &res::PclPageTemplate(),
            &res::RenumberPageTemplate(),    &res::FinishingPageTemplate(),    res::FindDialogTemplate(res::IDD_ABOUTBOX),
            res::FindDialogTemplate(res::IDD_SELECT_PRINTER), res::FindDialogTemplate(res::IDD_PRINTER_QUERY)};
}

TEST(TemplateTexts, NoTemplateKeepsAKoreanTextOfItsOwn) {
    for (const res::DialogTemplate* dialog : AllTemplates()) {
        EXPECT_FALSE(HasHangul(dialog->caption)) << dialog->id;
        if (dialog->captionId != 0) {
            EXPECT_TRUE(res::HasString(dialog->captionId)) << dialog->id;
        }
        for (const res::ControlTemplate& c : dialog->controls) {
            EXPECT_FALSE(HasHangul(c.text)) << dialog->id << "/" << c.id << ": " << c.text;
            if (c.textId != 0) {
                EXPECT_TRUE(res::HasString(c.textId)) << dialog->id << "/" << c.id;
            }
        }
    }
    for (const res::MenuEntry& e : res::MainMenu()) {
        EXPECT_FALSE(HasHangul(e.text)) << e.text;
        if (e.kind == res::MenuKind::Popup || e.kind == res::MenuKind::Item) {
            EXPECT_TRUE(res::HasString(e.textId)) << e.commandId;
        }
    }
}

class TemplateTextsInALanguage : public ::testing::Test {
protected:
    ~TemplateTextsInALanguage() override { res::SetLanguage(Language::Korean); }
};

TEST_F(TemplateTextsInALanguage, KoreanWindowShowsWhatItAlwaysShowed) {
    EXPECT_EQ(res::MenuText(res::MainMenu().front()), "파일(&F)");
    EXPECT_EQ(res::DialogCaption(*res::FindDialogTemplate(res::IDD_SELECT_PRINTER)), "복수 프린터 발견");
    EXPECT_EQ(res::ControlText(res::SetupPageTemplate().controls[1]), "프린터 언어");
}

TEST_F(TemplateTextsInALanguage, EnglishWindowReadsAsAnEnglishProgram) {
    res::SetLanguage(Language::English);
    EXPECT_EQ(res::String(res::IDS_APP_TITLE), "Altrin Pressline T90 Settings Utility");
    std::vector<std::string> bar;
    for (const res::MenuEntry& e : res::MainMenu()) {
        if (e.kind == res::MenuKind::Popup) bar.push_back(res::MenuText(e));
    }
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar.front(), "&File");
    // Every entry keeps one mnemonic, and no two entries of the bar or of one menu share it.
    std::vector<std::string> barKeys, menuKeys;
    bool inPopup = false;
    for (const res::MenuEntry& e : res::MainMenu()) {
        if (e.kind == res::MenuKind::EndPopup) inPopup = false;
        if (e.kind != res::MenuKind::Item && e.kind != res::MenuKind::Popup) continue;
        const std::string text = res::MenuText(e);
        ASSERT_EQ(std::count(text.begin(), text.end(), '&'), 1) << text;
        const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(text[text.find('&') + 1])));
        std::vector<std::string>& keys = inPopup ? menuKeys : barKeys;
        EXPECT_EQ(std::count(keys.begin(), keys.end(), std::string(1, key)), 0) << text;
        keys.emplace_back(1, key);
        if (e.kind == res::MenuKind::Popup) inPopup = true;
    }
    // A dialog without a string id keeps its own caption in every language.
    EXPECT_EQ(res::DialogCaption(*res::FindDialogTemplate(res::IDD_EMPTY_PAGE)), "");
}

}  // namespace
