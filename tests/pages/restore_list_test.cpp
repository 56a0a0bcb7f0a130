// What the restore dialog lists and says, without a window: both front ends show these texts.
#include <gtest/gtest.h>

#include <string>

#include "config/profile.h"
#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "pages/restore_list.h"
#include "pages/setting_texts.h"

namespace {

std::string Bracketed(const std::string& utc) { return "<" + utc + ">"; }

snapshot::StoredSnapshot Stored(ValueMap settings, std::vector<std::string> skipped = {}) {
    snapshot::StoredSnapshot stored;
    stored.path = "/state/snapshots/T90/2026-12-07T14-39-59.123Z.json";
    stored.snapshot.time = "2026-12-07T14:39:59.123Z";
    stored.snapshot.settings = std::move(settings);
    stored.snapshot.skipped = std::move(skipped);
    return stored;
}

class RestoreListTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");
        doc.LoadDescriptors();
    }
    CPrinterDoc doc;
    const ValueMap now{{"POWERSAVER", "25"}, {"PRINTBUFFER", "ON"}, {"TRAY1TYPE", "PLAIN"}};
};

TEST_F(RestoreListTest, ARowSaysWhenAndHowManySettingsWouldChangeOrThatTheFileCannotBeRead) {
    const pages::SnapshotRow row = pages::RowOf(Stored({{"POWERSAVER", "23"}, {"PRINTBUFFER", "ON"}}), now, Bracketed);
    EXPECT_EQ(row.when, "<2026-12-07T14:39:59.123Z>");
    EXPECT_EQ(row.count, "1");
    EXPECT_TRUE(row.readable);

    snapshot::StoredSnapshot broken = Stored({});
    broken.snapshot.time.clear();
    broken.problem = "not JSON";
    const pages::SnapshotRow unreadable = pages::RowOf(broken, now, Bracketed);
    EXPECT_EQ(unreadable.when, "2026-12-07T14-39-59.123Z.json") << "no time read: the file's name";
    EXPECT_EQ(unreadable.count, res::String(pages::restore_text::kUnreadable));
    EXPECT_FALSE(unreadable.readable);
}

TEST_F(RestoreListTest, TheChosenSnapshotsDifferencesAreNamedAsThePagesNameThem) {
    const pages::SettingTexts texts(doc);
    const pages::SnapshotChoice choice =
        pages::Choose(Stored({{"POWERSAVER", "23"}, {"PRINTBUFFER", "OFF"}, {"TRAY1TYPE", "PLAIN"}}), now, &texts);
    ASSERT_EQ(choice.rows.size(), 2u);
    EXPECT_EQ(choice.rows[0].name, "POWERSAVER");
    EXPECT_EQ(choice.rows[0].label, "절전 모드");
    EXPECT_EQ(choice.rows[0].now, "25");
    EXPECT_EQ(choice.rows[0].then, "23");
    EXPECT_EQ(choice.rows[1].label, "인쇄 버퍼");
    EXPECT_EQ(choice.rows[1].now, "켜짐");
    EXPECT_EQ(choice.rows[1].then, "꺼짐");
    EXPECT_TRUE(choice.CanRestore());
    EXPECT_EQ(choice.note, "");

    const pages::SnapshotChoice plain = pages::Choose(Stored({{"PRINTBUFFER", "OFF"}}), now, nullptr);
    ASSERT_EQ(plain.rows.size(), 1u);
    EXPECT_EQ(plain.rows[0].label, "PRINTBUFFER") << "without texts the printer's own words";
    EXPECT_EQ(plain.rows[0].then, "OFF");
}

// The note never lets a restore claim more than it can: nothing to change, settings the snapshot
// could not record, or a file that cannot be read (which cannot be restored at all).
TEST_F(RestoreListTest, TheNoteSaysWhatARestoreCannotDo) {
    const pages::SettingTexts texts(doc);
    const pages::SnapshotChoice same = pages::Choose(Stored({{"POWERSAVER", "25"}}), now, &texts);
    EXPECT_FALSE(same.CanRestore());
    EXPECT_EQ(same.note, res::String(pages::restore_text::kNoDifference));

    const pages::SnapshotChoice skipped = pages::Choose(Stored({{"POWERSAVER", "25"}}, {"CUSTOM1NAME"}), now, &texts);
    EXPECT_EQ(skipped.note, res::String(pages::restore_text::kNoDifference) + "\n" +
                                res::Format(pages::restore_text::kNotRecorded, texts.Label("CUSTOM1NAME")));

    snapshot::StoredSnapshot broken = Stored({{"POWERSAVER", "1"}});
    broken.problem = "the file is not JSON";
    const pages::SnapshotChoice unreadable = pages::Choose(broken, now, &texts);
    EXPECT_FALSE(unreadable.CanRestore());
    EXPECT_TRUE(unreadable.rows.empty());
    EXPECT_EQ(unreadable.note, "the file is not JSON");

    EXPECT_EQ(pages::RestoreQuestion(Stored({}), Bracketed),
              res::Format(pages::restore_text::kConfirmText, "<2026-12-07T14:39:59.123Z>"));
}

}  // namespace
