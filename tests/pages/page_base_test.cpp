// The page base on widgets, on a page with every kind of binding: what the widgets show of the
// page model, that the user's clicks, spin arrows, keys and typing reach it, the typing limit,
// and the colours of the form and the title line. (The rules themselves are the page model's:
// page_model_base_test.cpp.)
#include <gtest/gtest.h>

#include <QImage>
#include <QInputMethodEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <memory>
#include <set>

#include "gui_fakes.h"
#include "gui_support.h"
#include "document/printer_doc.h"
#include "document_reads.h"
#include "strings/string_table.h"
#include "test_page.h"

namespace {

using guitest::ClickBox;
using guitest::TestPage;

class PageBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ReadInto(doc, {{"EMUL", "ps"},   {"RESRED", "OFF"}, {"PROPTAG", "tag"}, {"PWRSVR", "OFF"},
                                    {"LINES", "60"},  {"ASSIGN1", "7"},  {"OTHER", "x"}});
        doc.SetFrame(&frame);
    }
    TestPage& Open(int titleString = 61299) {
        page = std::make_unique<TestPage>(&doc, nullptr, titleString);
        page->OnInitialUpdate();
        page->show();
        return *page;
    }
    guitest::FakeFrame frame;
    CPrinterDoc doc;
    std::unique_ptr<TestPage> page;
};

TEST_F(PageBaseTest, FreshPageShowsTheDocumentAndIsNotAChange) {
    TestPage& p = Open();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(p.list->currentText(), QString("PostScript"));  // "ps" matches "EMUL:PS" whatever the case
    EXPECT_EQ(p.list->itemText(0), QString("Auto"));         // sorted list
    EXPECT_FALSE(p.sw->isChecked());
    EXPECT_EQ(p.text->text(), QString("tag"));
    EXPECT_EQ(p.rangeEdit->text(), QString("60"));
    EXPECT_EQ(p.assignEdit->text(), QString("7"));
    EXPECT_TRUE(p.number->isChecked());
    EXPECT_TRUE(p.assignEdit->isEnabled());
    EXPECT_FALSE(p.first->isEnabled());
    // The fill's own change notifications only armed the flags.
    EXPECT_EQ(p.Armed(1), 1);
    EXPECT_EQ(p.Armed(3), 1);
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "tag");
    // Showing again re-fills without counting as a change.
    p.OnUpdate();
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PageBaseTest, ListActivationStoresTheItemsTokenEvenWhenAlreadyChosen) {
    TestPage& p = Open();
    Q_EMIT p.list->activated(p.list->currentIndex());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ReadValue("EMUL"), "PS");
    p.list->setCurrentIndex(p.list->findText("PCL"));
    Q_EMIT p.list->activated(p.list->currentIndex());
    EXPECT_EQ(doc.ReadValue("EMUL"), "PCL");
    EXPECT_EQ(doc.ChangedSinceRead(), std::set<std::string>{"EMUL"});
}

TEST_F(PageBaseTest, OffValueShowsAClearBoxAndADisabledNumberAtItsMinimum) {
    TestPage& p = Open();
    EXPECT_FALSE(p.offBox->isChecked());
    EXPECT_FALSE(p.offEdit->isEnabled());
    EXPECT_FALSE(p.offSpin->isEnabled());
    EXPECT_EQ(p.offEdit->text(), QString("1"));
    ClickBox(p.offBox);
    EXPECT_TRUE(p.offEdit->isEnabled());
    EXPECT_TRUE(p.offSpin->isEnabled());
    EXPECT_EQ(doc.ReadValue("PWRSVR"), "1");
    QTest::mouseClick(p.offSpin->upButton(), Qt::LeftButton);
    EXPECT_EQ(doc.ReadValue("PWRSVR"), "2");
    ClickBox(p.offBox);
    EXPECT_EQ(doc.ReadValue("PWRSVR"), "OFF");
    EXPECT_FALSE(p.offEdit->isEnabled());
}

TEST_F(PageBaseTest, NumberOnValueEnablesItAndEverySpinStepIsStored) {
    testsupport::ReadAgain(doc, {{"PWRSVR", "30"}});
    TestPage& p = Open();
    EXPECT_TRUE(p.offBox->isChecked());
    EXPECT_TRUE(p.offEdit->isEnabled());
    EXPECT_EQ(p.offEdit->text(), QString("30"));
    QTest::mouseClick(p.rangeSpin->upButton(), Qt::LeftButton);
    EXPECT_EQ(doc.ReadValue("LINES"), "61");
    QTest::mouseClick(p.rangeSpin->upButton(), Qt::LeftButton);
    EXPECT_EQ(doc.ReadValue("LINES"), "62");
    // The number field takes no typing; the arrow keys step it.
    p.rangeEdit->setFocus();
    QTest::keyClicks(p.rangeEdit, "9");
    QTest::keyClick(p.rangeEdit, Qt::Key_Down);
    EXPECT_EQ(doc.ReadValue("LINES"), "61");
}

TEST_F(PageBaseTest, TypingTextStoresEveryChangeWithinTheLimit) {
    TestPage& p = Open();
    p.text->setFocus();
    p.text->selectAll();
    QTest::keyClick(p.text, Qt::Key_Delete);
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "");
    QInputMethodEvent commit;
    commit.setCommitString(QString("한글"));
    QApplication::sendEvent(p.text, &commit);
    EXPECT_EQ(doc.ReadValue("PROPTAG"), "한글");
    // The limit is 8 bytes of the code page, a Korean character counting two.
    QTest::keyClicks(p.text, "abcdefgh");
    EXPECT_EQ(QString::fromStdString(doc.ReadValue("PROPTAG")), QString("한글abcd"));
    // A longer value from the printer is shown whole and is not a change.
    doc.SetModifiedFlag(false);
    testsupport::ReadAgain(doc, {{"PROPTAG", "0123456789abc"}});
    p.OnUpdate();
    EXPECT_EQ(p.text->text(), QString("0123456789abc"));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PageBaseTest, AssignChoicesFillAndStore) {
    testsupport::ReadAgain(doc, {{"ASSIGN1", "none"}});
    TestPage& p = Open();
    EXPECT_TRUE(p.first->isChecked());
    EXPECT_FALSE(p.first->isEnabled());
    EXPECT_FALSE(p.second->isEnabled());
    EXPECT_FALSE(p.assignEdit->isEnabled());
    EXPECT_EQ(p.assignEdit->text(), QString("0"));

    testsupport::ReadAgain(doc, {{"ASSIGN1", "Off"}});
    Open();
    EXPECT_TRUE(page->second->isChecked());
    EXPECT_TRUE(page->second->isEnabled());
    ClickBox(page->number);
    EXPECT_TRUE(page->number->isChecked());
    EXPECT_FALSE(page->second->isChecked());
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "0");
    QTest::mouseClick(page->assignSpin->upButton(), Qt::LeftButton);
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "1");
    ClickBox(page->second);
    EXPECT_EQ(doc.ReadValue("ASSIGN1"), "OFF");
    EXPECT_FALSE(page->assignEdit->isEnabled());
}

TEST_F(PageBaseTest, TitleLineHasCaptionColoursAndItsLastStepInBold) {
    TestPage& p = Open(61299);
    QTextDocument* text = p.title->document();
    EXPECT_EQ(text->toPlainText(), QString::fromStdString(res::String(61299)));
    auto weightAt = [&](int position) {
        QTextCursor c(text);
        c.setPosition(position + 1);  // the format of the character before the cursor
        return c.charFormat().fontWeight();
    };
    const QString plain = text->toPlainText();
    const int last = plain.indexOf("트레이");
    EXPECT_EQ(weightAt(1), QFont::Normal);
    EXPECT_EQ(weightAt(plain.indexOf("에뮬")), QFont::Normal);
    EXPECT_EQ(weightAt(last), QFont::Bold);
    EXPECT_EQ(weightAt(plain.size() - 1), QFont::Bold);
    QTextCursor c(text);
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().font().pointSize(), 9);
    EXPECT_EQ(c.charFormat().foreground().color(), p.palette().color(QPalette::Active, QPalette::HighlightedText));
    EXPECT_EQ(p.title->palette().color(QPalette::Disabled, QPalette::Base),
              p.palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_TRUE(p.title->isReadOnly());

    Open(61297);  // " 설정": no ">", bold as a whole
    QTextCursor whole(page->title->document());
    whole.setPosition(1);
    EXPECT_EQ(whole.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(PageBaseTest, FormIsWindowColouredAndEmptyPageHasNoControls) {
    TestPage& p = Open();
    EXPECT_EQ(p.Form()->palette().color(QPalette::Window), p.Form()->palette().color(QPalette::Base));
    // A disabled number field sits on the page's colour too, not on the dialog grey.
    ASSERT_FALSE(p.offEdit->isEnabled());
    EXPECT_EQ(p.offEdit->palette().color(QPalette::Disabled, QPalette::Base),
              p.Form()->palette().color(QPalette::Active, QPalette::Window));
    p.show();
    const QImage shot = p.offEdit->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() / 4, shot.height() / 2), p.Form()->palette().color(QPalette::Active, QPalette::Window));
    CSettingsView* empty = CreatePage(0, &doc, nullptr);
    EXPECT_EQ(empty->TemplateId(), res::IDD_EMPTY_PAGE);
    EXPECT_TRUE(empty->Form()->findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(empty->FocusTarget(), empty);
    delete empty;
    CSettingsView* unknown = CreatePage(12, &doc, nullptr);
    EXPECT_EQ(unknown->TemplateId(), res::IDD_EMPTY_PAGE);
    delete unknown;
}

}  // namespace
