// What makes each page what it is beyond the common bindings, on the page model without a
// window: the shown-only separator source, timers that can be switched off, values that match
// no entry, the renumbering choices, switches with odd or missing values, the title lines.
#include <gtest/gtest.h>

#include "strings/string_table.h"
#include "page_model_support.h"

namespace pagetest {
namespace {

class PageDetailsModelTest : public PageModelTest {
protected:
    // Activates the entry of a list with that label.
    void ChooseLabel(int id, const std::string& label) {
        for (const pages::ListItem& item : State(id).items) {
            if (item.label == label) return model_->Choose(id, item.key);
        }
        ADD_FAILURE() << "no entry " << label << " in " << id;
    }
};

TEST_F(PageDetailsModelTest, SeparatorSourceIsShownButNeverStored) {
    StartDocument(0);
    Open(1);
    EXPECT_FALSE(State(1040).enabled);
    EXPECT_EQ(State(1040).CurrentKey(), "SEPSOURCE:TRAY1");
    model_->Choose(1040, State(1040).items.front().key);
    // Every other list of the page changed once: the source is never written.
    for (int id : {1018, 1019, 1301, 1302, 1303, 1304}) model_->Choose(id, State(id).items.front().key);
    EXPECT_EQ(Value("SEPSOURCE"), "TRAY1");
    EXPECT_TRUE(State(1303).enabled);
    EXPECT_TRUE(State(1304).enabled);
}

TEST_F(PageDetailsModelTest, CustomNamesNeverRenameTheEntriesOfOtherPages) {
    StartDocument(0);
    Open(2);
    model_->TextChanged(1154, State(1154).text + "Photo");
    ASSERT_EQ(Value("CUSTOM1NAME"), "T90Photo");
    Open(1);
    bool custom1 = false;
    for (const pages::ListItem& item : State(1302).items) {
        custom1 = custom1 || item.label == "사용자 지정 1";
        EXPECT_EQ(item.label.find("Photo"), std::string::npos);
    }
    EXPECT_TRUE(custom1);
}

TEST_F(PageDetailsModelTest, TimerAtItsOffValueShowsAClearedBoxAndADisabledMinimum) {
    StartDocument(0);
    ReadAgain(*doc_, {{"POWERSAVER", "off"}});
    Open(6);
    EXPECT_FALSE(State(1250).checked);
    EXPECT_FALSE(State(1251).enabled);
    EXPECT_FALSE(State(1252).enabled);
    EXPECT_EQ(State(1251).text, "1");
    StepSpin(1252, +1);
    EXPECT_EQ(Value("POWERSAVER"), "off") << "a disabled spin stored a number";

    ClickButton(1250);
    EXPECT_TRUE(State(1251).enabled);
    EXPECT_TRUE(State(1252).enabled);
    EXPECT_EQ(Value("POWERSAVER"), "1");
    StepSpin(1252, +1);
    EXPECT_EQ(Value("POWERSAVER"), "2");
    ClickButton(1250);
    EXPECT_EQ(Value("POWERSAVER"), "OFF");
    EXPECT_FALSE(State(1251).enabled);
    EXPECT_FALSE(State(1252).enabled);
    EXPECT_EQ(State(1251).text, "2");
}

// A value that matches no entry leaves the list without a selection and the value untouched.
TEST_F(PageDetailsModelTest, UnknownLanguageShowsNoSelectionAndKeepsTheValue) {
    StartDocument(0);
    ReadAgain(*doc_, {{"DISPLAYLANG", "KLINGON"}});
    Open(6);
    EXPECT_EQ(State(1244).current, -1);
    EXPECT_EQ(State(1244).items.size(), 12u);
    EXPECT_EQ(Value("DISPLAYLANG"), "KLINGON");
    EXPECT_FALSE(doc_->IsModified());
    ChooseLabel(1244, "Deutsch");
    EXPECT_EQ(Value("DISPLAYLANG"), "GERMAN");
}

TEST_F(PageDetailsModelTest, PostscriptTimeoutOffAndLargeNumbers) {
    StartDocument(0);
    ReadAgain(*doc_, {{"FEEDTIMEOUT", "OFF"}, {"JOBTIMEOUT", "999"}, {"WAITTIMEOUT", "40000"}});
    Open(9);
    EXPECT_FALSE(State(1180).checked);
    EXPECT_FALSE(State(1181).enabled);
    EXPECT_EQ(State(1181).text, "15");
    ClickButton(1180);
    EXPECT_EQ(Value("FEEDTIMEOUT"), "15");
    ClickButton(1180);
    EXPECT_EQ(Value("FEEDTIMEOUT"), "OFF");

    StepSpin(1186, +1);
    EXPECT_EQ(Value("JOBTIMEOUT"), "1000");
    StepSpin(1186, +1);
    EXPECT_EQ(Value("JOBTIMEOUT"), "1001");
    // Above the 16-bit range: shown as it is and stepped from there.
    EXPECT_EQ(State(1189).text, "40000");
    StepSpin(1190, -1);
    EXPECT_EQ(Value("WAITTIMEOUT"), "39999");
}

TEST_F(PageDetailsModelTest, PqetIsClearOnlyForItsFirstValue) {
    StartDocument(0);
    for (const char* value : {"ON", "on", "BOGUS", ""}) {
        ReadAgain(*doc_, {{"PQET", value}});
        Open(5);
        EXPECT_TRUE(State(1046).checked) << value;
    }
    for (const char* value : {"OFF", "Off"}) {
        ReadAgain(*doc_, {{"PQET", value}});
        Open(5);
        EXPECT_FALSE(State(1046).checked) << value;
    }
    ReadAgain(*doc_, {{"PQET", std::nullopt}});
    Open(5);
    EXPECT_TRUE(State(1046).checked);
}

class RenumberModelTest : public PageDetailsModelTest {
protected:
    struct Group {
        const char* name;
        int none, off, number, field, spin;
    };
    static constexpr Group kGroups[4] = {
        {"ASSIGNTRAY1", 1196, 1197, 1198, 1201, 1202},
        {"ASSIGNTRAY2", 1213, 1214, 1215, 1216, 1217},
        {"ASSIGNMANPAPER", 1221, 1222, 1223, 1224, 1225},
        {"ASSIGNMANENV", 1235, 1234, 1233, 1232, 1231},
    };
    void OpenWith(const char* value) {
        StartDocument(0);
        PrinterValues values;
        for (const Group& g : kGroups) values[g.name] = value;
        ReadAgain(*doc_, values);
        Open(8);
    }
};

TEST_F(RenumberModelTest, NumberChosenFromOffStoresTheMinimumAndTheNextStepStores) {
    OpenWith("OFF");
    EXPECT_FALSE(doc_->IsModified());
    for (const Group& g : kGroups) {
        EXPECT_TRUE(State(g.off).checked) << g.name;
        EXPECT_FALSE(State(g.none).enabled) << g.name;
        EXPECT_TRUE(State(g.off).enabled) << g.name;
        EXPECT_FALSE(State(g.field).enabled) << g.name;
        EXPECT_FALSE(State(g.spin).enabled) << g.name;
        ClickButton(g.number);
        EXPECT_EQ(Value(g.name), "0") << g.name;
        EXPECT_TRUE(State(g.number).checked);
        EXPECT_FALSE(State(g.off).checked);
        StepSpin(g.spin, +1);
        EXPECT_EQ(Value(g.name), "1") << g.name;
    }
}

TEST_F(RenumberModelTest, OffAfterANumberStoresOffAndKeepsTheNumberForLater) {
    OpenWith("7");
    for (const Group& g : kGroups) {
        EXPECT_TRUE(State(g.number).checked);
        EXPECT_EQ(State(g.field).text, "7");
        StepSpin(g.spin, +1);
        EXPECT_EQ(Value(g.name), "8");
        ClickButton(g.off);
        EXPECT_EQ(Value(g.name), "OFF");
        EXPECT_FALSE(State(g.field).enabled);
        EXPECT_FALSE(State(g.spin).enabled);
        StepSpin(g.spin, +1);
        EXPECT_EQ(Value(g.name), "OFF") << "the spin stored a number while off was chosen";
        ClickButton(g.number);
        EXPECT_EQ(Value(g.name), "8");
    }
}

TEST_F(RenumberModelTest, NoneLeavesOnlyTheNumberToChoose) {
    OpenWith("none");
    for (const Group& g : kGroups) {
        EXPECT_TRUE(State(g.none).checked);
        EXPECT_FALSE(State(g.none).enabled);
        EXPECT_FALSE(State(g.off).enabled);
        EXPECT_FALSE(State(g.spin).enabled);
        StepSpin(g.spin, +1);
        EXPECT_EQ(Value(g.name), "none");
        ClickButton(g.number);
        EXPECT_EQ(Value(g.name), "0");
        EXPECT_FALSE(State(g.none).checked);
    }
    EXPECT_TRUE(doc_->IsModified());
}

TEST_F(RenumberModelTest, OddValuesShowTheirLeadingDigitsAndStayUntouched) {
    StartDocument(0);
    ReadAgain(*doc_, {{"ASSIGNTRAY1", "12abc"}, {"ASSIGNTRAY2", "abc"}, {"ASSIGNMANPAPER", "199"}});
    Open(8);
    EXPECT_EQ(State(1201).text, "12");
    EXPECT_EQ(State(1216).text, "0");
    EXPECT_TRUE(State(1215).checked);
    EXPECT_EQ(Value("ASSIGNTRAY1"), "12abc");
    EXPECT_FALSE(doc_->IsModified());
    StepSpin(1225, +1);
    EXPECT_EQ(State(1224).text, "199");
    EXPECT_EQ(Value("ASSIGNMANPAPER"), "199");
    EXPECT_FALSE(doc_->IsModified());
}

TEST_F(PageDetailsModelTest, SwitchWithAnUnknownValueIsSetAndEachClickStores) {
    StartDocument(0);
    ReadAgain(*doc_, {{"PARMODE1", "MAYBE"}});
    Open(10);
    EXPECT_TRUE(State(1058).checked);
    ClickButton(1058);
    EXPECT_EQ(Value("PARMODE1"), "OFF");
    doc_->SetModifiedFlag(false);
    ClickButton(1058);
    EXPECT_EQ(Value("PARMODE1"), "ON");
    EXPECT_TRUE(doc_->IsModified());
}

TEST_F(PageDetailsModelTest, UsbOptionsStoreTheirOwnSettings) {
    StartDocument(0);
    Open(11);
    const std::string parPcl = Value("PARPCLAUTOLANG"), parPs = Value("PARPSAUTOLANG");
    ClickButton(1052);
    ClickButton(1053);
    EXPECT_EQ(Value("USBPCLAUTOLANG"), "OFF");
    EXPECT_EQ(Value("USBPSAUTOLANG"), "OFF");
    EXPECT_EQ(Value("PARPCLAUTOLANG"), parPcl);
    EXPECT_EQ(Value("PARPSAUTOLANG"), parPs);
}

// A switch whose section lacks two values has no token to store: its box is clear and disabled.
TEST_F(PageDetailsModelTest, SwitchWithoutTwoValuesIsDisabled) {
    std::string ini = DataIni();
    ini = ReplaceSection(ini, "PQET", "[PQET]\nNpaName=PQET\nNumValues=1\nValues=OFF\nValueIds=61246\n");
    ini = ReplaceSection(ini, "HonorInit", "[HonorInit]\nNpaName=PARHONORINIT\n");
    StartDocumentWithIni(ini);
    ReadAgain(*doc_, {{"PQET", "ON"}});
    Open(5);
    EXPECT_FALSE(State(1046).checked);
    EXPECT_FALSE(State(1046).enabled);
    model_->Click(1046, true);
    Open(10);
    EXPECT_FALSE(State(1061).enabled);
    EXPECT_TRUE(State(1060).enabled);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(Value("PQET"), "ON");
}

// The title line of every page: the page's path, its last step (after the last ">") in bold.
TEST_F(PageDetailsModelTest, EveryPageHasItsTitleLineWithTheLastStepInBold) {
    StartDocument(0);
    const struct {
        int view, control, string;
    } titles[] = {{1, 1282, 61291}, {2, 1283, 61292}, {3, 1284, 61294}, {4, 1285, 61295},
                  {5, 1287, 61296}, {6, 1288, 61297}, {7, 1289, 61298}, {8, 1294, 61299},
                  {9, 1290, 61300}, {10, 1291, 61301}, {11, 1292, 61302}};
    for (const auto& t : titles) {
        Open(t.view);
        const std::string text = res::String(t.string);
        EXPECT_EQ(State(t.control).text, text) << t.view;
        EXPECT_FALSE(State(t.control).enabled) << t.view;
        const size_t gt = text.rfind('>');
        EXPECT_EQ(State(t.control).boldFrom, gt == std::string::npos ? 0 : gt + 1) << t.view;
    }
}

}  // namespace
}  // namespace pagetest
