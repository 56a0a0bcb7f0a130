// The names and value texts of settings in lists of changes, as the pages show them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/profile.h"
#include "document/printer_doc.h"
#include "pages/setting_texts.h"

namespace {

class SettingTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");
        doc.LoadDescriptors();
    }
    CPrinterDoc doc;
};

TEST_F(SettingTextsTest, NamesAndValuesReadAsOnTheirPages) {
    const pages::SettingTexts texts(doc);
    struct Case {
        const char* name;
        const char* token;
        const char* label;
        const char* value;
    };
    for (const Case& c : {Case{"POWERSAVER", "25", "절전 모드", "25"},
                          Case{"POWERSAVER", "OFF", "절전 모드", "꺼짐"},
                          Case{"PRINTBUFFER", "ON", "인쇄 버퍼", "켜짐"},
                          Case{"printbuffer", "off", "인쇄 버퍼", "꺼짐"},  // the configuration's case rule
                          Case{"TRAY1TYPE", "PLAIN", "트레이 1 용지 종류", "일반 용지"},
                          Case{"TRAY2TYPE", "PLAIN", "트레이 2 용지 종류", "일반 용지"},
                          Case{"ASSIGNTRAY1", "NONE", "트레이 1 지정", "없음"},
                          Case{"ASSIGNTRAY1", "OFF", "트레이 1 지정", "꺼짐"},
                          Case{"ASSIGNTRAY1", "7", "트레이 1 지정", "7"},
                          Case{"CUSTOM1NAME", "Lab", "사용자 1 이름", "Lab"},
                          Case{"LINESPERPAGE", "60", "", "60"},
                          Case{"NOSUCHNAME", "X", "NOSUCHNAME", "X"}}) {
        if (*c.label) {
            EXPECT_EQ(texts.Label(c.name), c.label) << c.name;
        }
        EXPECT_EQ(texts.Value(c.name, c.token), c.value) << c.name << ":" << c.token;
    }
    // An entry the configuration has no text for stays the token the printer gave.
    EXPECT_EQ(texts.Value("TRAY1TYPE", "GLITTER"), "GLITTER");
}

// Every setting a page shows gets a name that no other setting has: the texture and the weight
// of one paper type carry the same words on their pages and are told apart by the page.
TEST_F(SettingTextsTest, EverySettingHasANameOfItsOwn) {
    const pages::SettingTexts texts(doc);
    std::set<std::string> seen;
    for (const SettingRef& s : doc.Settings()) {
        const std::string name = DescriptorNpaName(s.descriptor);
        if (name.empty()) continue;
        const std::string label = texts.Label(name);
        EXPECT_FALSE(label.empty()) << s.section;
        EXPECT_TRUE(seen.insert(label).second) << label << " names two settings";
    }
    EXPECT_NE(texts.Label("PLAINTEXTURE"), texts.Label("PLAINWEIGHT"));
}

}  // namespace
