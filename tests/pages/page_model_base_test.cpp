// The page model's binding patterns on a page with one control of each kind (test_page_table.h):
// fills, stores, armed flags, change marking and the title line, without a window.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "document_reads.h"
#include "page_fixture.h"
#include "pages/page_model.h"
#include "test_page_table.h"

namespace {

using namespace guitest;

class PageModelBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ReadInto(doc, {{"EMUL", "ps"},   {"RESRED", "OFF"}, {"PROPTAG", "tag"}, {"PWRSVR", "OFF"},
                                    {"LINES", "60"},  {"ASSIGN1", "7"},  {"OTHER", "x"}});
        doc.SetFrame(&frame);
    }
    pages::PageModel& Open(int titleString = 61299) {
        model = std::make_unique<pages::PageModel>(&doc, TestTable(titleString), TestDescriptorRefs());
        model->InitialUpdate(nullptr);
        return *model;
    }
    const pages::ControlState& State(int id) const { return model->State(id); }
    // One click on a spin's up arrow: it moves within its range and writes its field.
    void SpinUp(int spin, int field) {
        const pages::ControlState& s = State(spin);
        if (s.enabled && s.spinPos < s.spinMax) model->TextChanged(field, std::to_string(s.spinPos + 1));
    }
    pagetest::FakeFrame frame;
    CPrinterDoc doc;
    std::unique_ptr<pages::PageModel> model;
};

TEST_F(PageModelBaseTest, FreshPageShowsTheDocumentAndIsNotAChange) {
    pages::PageModel& p = Open();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(State(kList).CurrentKey(), "EMUL:PS");  // "ps" matches "EMUL:PS" whatever the case
    ASSERT_EQ(State(kList).items.size(), 3u);
    EXPECT_EQ(State(kList).items[2].label, "Auto");  // in the configuration's order; the list sorts
    EXPECT_FALSE(State(kSwitch).checked);
    EXPECT_EQ(State(kText).text, "tag");
    EXPECT_EQ(State(kRangeEdit).text, "60");
    EXPECT_EQ(State(kRangeSpin).spinPos, 60);
    EXPECT_EQ(State(kAssignEdit).text, "7");
    EXPECT_TRUE(State(kNumberRadio).checked);
    EXPECT_TRUE(State(kAssignEdit).enabled);
    EXPECT_FALSE(State(kFirst).enabled);
    // After the fill every change of an edit is the user's.
    EXPECT_EQ(p.Armed(1), 1);
    EXPECT_EQ(p.Armed(3), 1);
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "tag");
    // Showing again re-fills without counting as a change, and notifications during the fill
    // store nothing.
    p.Fill([&](int id) {
        if (id == kText) p.TextChanged(kText, State(kText).text);
    });
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PageModelBaseTest, FillNotificationsOnlyArmAndTheFirstUserChangeStores) {
    pages::PageModel& p = Open();
    int during = -1;
    p.Fill([&](int id) {
        if (id != kText) return;
        EXPECT_EQ(p.Armed(1), 0);
        p.TextChanged(kText, "from the fill");
        during = p.Armed(1);
    });
    EXPECT_EQ(during, 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "tag");
    p.TextChanged(kText, "typed");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "typed");
}

TEST_F(PageModelBaseTest, ListActivationStoresTheItemsTokenEvenWhenAlreadyChosen) {
    pages::PageModel& p = Open();
    p.Choose(kList, State(kList).CurrentKey());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ReadValue("EMUL"), "PS");
    p.Choose(kList, "EMUL:PCL");
    EXPECT_EQ(doc.ReadValue("EMUL"), "PCL");
    EXPECT_EQ(State(kList).CurrentKey(), "EMUL:PCL");
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"EMUL"});
}

TEST_F(PageModelBaseTest, ListWithAValueMatchingNoItemShowsNoSelectionAndKeepsTheValue) {
    testsupport::ReadAgain(doc, {{"EMUL", "KANJI"}});
    Open();
    EXPECT_EQ(State(kList).current, -1);
    EXPECT_EQ(State(kList).items.size(), 3u);
    EXPECT_EQ(doc.ReadValue("EMUL"), "KANJI");
    testsupport::ReadAgain(doc, {{"EMUL", std::nullopt}});
    Open();
    EXPECT_EQ(State(kList).current, -1);
}

TEST_F(PageModelBaseTest, SwitchWithNeitherValueShowsCheckedAndTwoClicksStoreBothTokens) {
    testsupport::ReadAgain(doc, {{"RESRED", "MAYBE"}});
    pages::PageModel& p = Open();
    EXPECT_TRUE(State(kSwitch).checked);
    p.Click(kSwitch, false);
    EXPECT_EQ(doc.ReadValue("RESRED"), "OFF");
    p.Click(kSwitch, true);
    EXPECT_EQ(doc.ReadValue("RESRED"), "ON");
    EXPECT_TRUE(doc.IsModified());
    testsupport::ReadAgain(doc, {{"RESRED", std::nullopt}});  // no value at all: checked as well
    Open();
    EXPECT_TRUE(State(kSwitch).checked);
}

TEST_F(PageModelBaseTest, OffValueShowsAClearBoxAndADisabledNumberAtItsMinimum) {
    pages::PageModel& p = Open();
    EXPECT_FALSE(State(kOffBox).checked);
    EXPECT_FALSE(State(kOffEdit).enabled);
    EXPECT_FALSE(State(kOffSpin).enabled);
    EXPECT_EQ(State(kOffEdit).text, "1");
    p.Click(kOffBox, true);
    EXPECT_TRUE(State(kOffEdit).enabled);
    EXPECT_TRUE(State(kOffSpin).enabled);
    EXPECT_EQ(doc.ReadValue("PWRSVR"), "1");
    SpinUp(kOffSpin, kOffEdit);
    EXPECT_EQ(doc.ReadValue("PWRSVR"), "2");
    EXPECT_EQ(State(kOffSpin).spinPos, 2);
    p.Click(kOffBox, false);
    EXPECT_EQ(doc.ReadValue("PWRSVR"), "OFF");
    EXPECT_FALSE(State(kOffEdit).enabled);
    EXPECT_FALSE(State(kOffSpin).enabled);
}

TEST_F(PageModelBaseTest, NumberOnValueEnablesItAndEverySpinStepIsStored) {
    testsupport::ReadAgain(doc, {{"PWRSVR", "30"}});
    Open();
    EXPECT_TRUE(State(kOffBox).checked);
    EXPECT_TRUE(State(kOffEdit).enabled);
    EXPECT_EQ(State(kOffEdit).text, "30");
    SpinUp(kRangeSpin, kRangeEdit);
    EXPECT_EQ(doc.ReadValue("LINES"), "61");
    SpinUp(kRangeSpin, kRangeEdit);
    EXPECT_EQ(doc.ReadValue("LINES"), "62");
}

TEST_F(PageModelBaseTest, SpinPositionStaysInRangeForOutOfRangeAndNonNumericValues) {
    testsupport::ReadAgain(doc, {{"LINES", "999"}});
    testsupport::ReadAgain(doc, {{"PWRSVR", "abc"}});
    Open();
    EXPECT_EQ(State(kRangeEdit).text, "128");
    EXPECT_EQ(State(kRangeSpin).spinMin, 5);
    EXPECT_EQ(State(kRangeSpin).spinMax, 128);
    EXPECT_TRUE(State(kOffBox).checked);  // anything but the off value is a number
    EXPECT_EQ(State(kOffEdit).text, "1");
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PageModelBaseTest, EveryTextChangeIsStoredAndALongerPrinterValueIsShownWhole) {
    pages::PageModel& p = Open();
    EXPECT_EQ(State(kText).textLimit, 8);  // bytes of the printer's code page
    p.TextChanged(kText, "");
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "");
    p.TextChanged(kText, "한글");
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "한글");
    doc.SetModifiedFlag(false);
    testsupport::ReadAgain(doc, {{"PROPTAG", "0123456789abc"}});
    p.Fill(nullptr);
    EXPECT_EQ(State(kText).text, "0123456789abc");
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PageModelBaseTest, AssignChoicesFillAndStore) {
    testsupport::ReadAgain(doc, {{"ASSIGN1", "none"}});
    Open();
    EXPECT_TRUE(State(kFirst).checked);
    EXPECT_FALSE(State(kFirst).enabled);
    EXPECT_FALSE(State(kSecond).enabled);
    EXPECT_FALSE(State(kAssignEdit).enabled);
    EXPECT_EQ(State(kAssignEdit).text, "0");

    testsupport::ReadAgain(doc, {{"ASSIGN1", "Off"}});
    pages::PageModel& p = Open();
    EXPECT_TRUE(State(kSecond).checked);
    EXPECT_TRUE(State(kSecond).enabled);
    p.Click(kNumberRadio, true);
    EXPECT_TRUE(State(kNumberRadio).checked);
    EXPECT_FALSE(State(kSecond).checked);
    EXPECT_TRUE(State(kAssignEdit).enabled);
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "0");
    SpinUp(kAssignSpin, kAssignEdit);
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "1");
    p.Click(kSecond, true);
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "OFF");
    EXPECT_FALSE(State(kNumberRadio).checked);
    EXPECT_FALSE(State(kAssignEdit).enabled);
    EXPECT_FALSE(State(kAssignSpin).enabled);
    // "없음" is never the user's: a click on it stores nothing.
    doc.SetModifiedFlag(false);
    p.Click(kFirst, true);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "OFF");
}

TEST_F(PageModelBaseTest, OneWayChangesGoIntoTheChangesAndReenableTheSaveItem) {
    testsupport::ReadInto(doc, doc.CurrentValues(), NPA_ONEWAY);
    pages::PageModel& p = Open();
    EXPECT_FALSE(frame.saveEnabled);  // greyed by the first page shown
    EXPECT_FALSE(doc.HasValuesToApply());
    p.Click(kSwitch, true);
    EXPECT_TRUE(frame.saveEnabled);
    EXPECT_EQ(frame.redraws, 1);
    EXPECT_TRUE(doc.HasValuesToApply());
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"RESRED"});
    EXPECT_EQ(doc.ReadValue("RESRED"), "ON");
    p.Click(kSwitch, false);  // changed back: still recorded, with the latest value
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"RESRED"});
    EXPECT_EQ(doc.ReadValue("RESRED"), "OFF");
    EXPECT_EQ(frame.redraws, 1);
    // Later pages do not grey it again.
    Open();
    EXPECT_TRUE(frame.saveEnabled);
}

TEST_F(PageModelBaseTest, TitleLineHasItsLastStepInBold) {
    Open(61299);
    const std::string title = res::String(61299);
    EXPECT_EQ(State(kTitle).text, title);
    EXPECT_EQ(title.substr(State(kTitle).boldFrom).find('>'), std::string::npos);
    EXPECT_EQ(title[State(kTitle).boldFrom - 1], '>');
    Open(61297);  // " 설정": no ">", bold as a whole
    EXPECT_EQ(State(kTitle).boldFrom, 0u);
}

}  // namespace
