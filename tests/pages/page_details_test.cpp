// What makes each page what it is on widgets, beyond the common bindings: the shown-only separator
// source, sorted and unsorted lists, the fixed row captions, scrolling, typing limits in code-page
// bytes, the spins' numbers, the timers and renumbering choices as clicks and arrows change them,
// and how the title lines are drawn. (The rules alone: page_details_model_test.cpp.)
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QWheelEvent>
#include <QTest>
#include <algorithm>

#include "page_test_support.h"
#include "qtui/text_limit.h"
#include "strings/string_table.h"

namespace pagetest {
namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// The label in the same row as a control (same top edge, to its left).
QString LabelLeftOf(QWidget* form, QWidget* control) {
    for (QObject* child : form->children()) {
        auto* label = qobject_cast<QLabel*>(child);
        if (label && label->geometry().top() == control->geometry().top() && label->x() < control->x())
            return label->text();
    }
    return {};
}

using PaperPageTest = PageTest;

TEST_F(PaperPageTest, SeparatorSourceIsShownButCanNeverBeChosen) {
    StartDocument(0);
    Open(1);
    auto* source = Ctl<QComboBox>(1040);
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(source->isEnabled());
    EXPECT_EQ(source->currentData().toString(), "SEPSOURCE:TRAY1");
    EXPECT_FALSE(source->focusPolicy() & Qt::TabFocus && source->isEnabled());
    QTest::mouseClick(source, Qt::LeftButton);
    EXPECT_FALSE(source->view()->isVisible());
    // Every other list of the page changed once: the source is never written.
    for (int id : {1018, 1019, 1301, 1302, 1303, 1304}) ChooseEntry(Ctl<QComboBox>(id), 0);
    EXPECT_EQ(Value("SEPSOURCE"), "TRAY1");
}

TEST_F(PaperPageTest, ListsShowTheirEntriesInTextOrderAndTray2IsEditable) {
    StartDocument(0);
    Open(1);
    auto* size2 = Ctl<QComboBox>(1303);
    const std::vector<QString> shown = Entries(size2);
    std::vector<QString> sorted = shown;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(shown, sorted);
    EXPECT_EQ(shown.size(), 14u);
    // Not the configuration's order (레터, A4, ...).
    EXPECT_NE(shown.front(), Q("레터"));
    EXPECT_TRUE(Ctl<QComboBox>(1303)->isEnabled());
    EXPECT_TRUE(Ctl<QComboBox>(1304)->isEnabled());
}

using ColumnPagesTest = PageTest;

TEST_F(ColumnPagesTest, TextureAndWeightCaptionsDifferOnlyInTheirOwnRows) {
    StartDocument(0);
    const int texture[15] = {1076, 1077, 1080, 1081, 1082, 1083, 1084, 1085, 1086, 1088, 1098, 1099, 1100, 1101, 1102};
    std::vector<QString> textureLabels, weightLabels;
    Open(3);
    for (int id : texture) textureLabels.push_back(LabelLeftOf(page_->Form(), Ctl<QWidget>(id)));
    Open(4);
    for (int id = 1108; id <= 1122; ++id) weightLabels.push_back(LabelLeftOf(page_->Form(), Ctl<QWidget>(id)));
    for (int row = 0; row < 9; ++row) {
        if (row == 6 || row == 7) continue;
        EXPECT_EQ(textureLabels[row], weightLabels[row]) << "row " << row;
    }
    EXPECT_EQ(textureLabels[6], Q("레터 헤드"));
    EXPECT_EQ(weightLabels[6], Q("레터헤드"));
    EXPECT_EQ(textureLabels[7], Q("이면지"));
    EXPECT_EQ(weightLabels[7], Q("양면지"));
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(textureLabels[8 + n], Q("사용자 %1 종류").arg(n));
        EXPECT_EQ(weightLabels[8 + n], Q("사용자 %1 무게").arg(n));
    }
}

TEST_F(ColumnPagesTest, TallPagesScrollInAPaneOfNormalHeight) {
    StartDocument(0);
    for (int view : {2, 3, 4}) {
        Open(view);
        page_->resize(page_->Form()->width() + 30, page_->Form()->height() * 231 / (view == 2 ? 346 : 281));
        QApplication::processEvents();
        EXPECT_TRUE(page_->verticalScrollBar()->isVisible()) << "view " << view;
        EXPECT_GT(page_->verticalScrollBar()->maximum(), 0) << "view " << view;
        // The last row can be reached.
        page_->ensureWidgetVisible(Ctl<QWidget>(view == 2 ? 1145 : view == 3 ? 1102 : 1122));
        EXPECT_GT(page_->verticalScrollBar()->value(), 0) << "view " << view;
    }
}

// Scrolling a tall page with the wheel over its lists changes none of them.
TEST_F(ColumnPagesTest, WheelOverAListThatHasNoFocusChangesNothing) {
    StartDocument(0);
    Open(3);
    page_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page_));
    auto* list = Ctl<QComboBox>(1077);
    const int shown = list->currentIndex();
    ASSERT_GE(shown, 0);
    const ValueMap before = doc_->CurrentValues();
    for (int delta : {120, -120, -120}) {
        const QPointF at(list->width() / 2.0, list->height() / 2.0);
        QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
    }
    EXPECT_EQ(list->currentIndex(), shown);
    EXPECT_EQ(doc_->CurrentValues(), before);
    EXPECT_FALSE(doc_->IsModified());
}

TEST_F(ColumnPagesTest, ListsAreSortedByText) {
    StartDocument(0);
    Open(4);
    // 가볍게, 무겁게, 보통: text order, not LIGHT, NORMAL, HEAVY.
    EXPECT_EQ(Entries(Ctl<QComboBox>(1108)), (std::vector<QString>{Q("가볍게"), Q("무겁게"), Q("보통")}));
    Open(3);
    EXPECT_EQ(Entries(Ctl<QComboBox>(1076)), (std::vector<QString>{Q("거칠게"), Q("보통"), Q("부드럽게")}));
}

class CustomPageTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        StartDocument(0);
        ReadAgain(*doc_, {{"CUSTOM1NAME", ""}});
        Open(2);
        name_ = Ctl<QLineEdit>(1154);
        ASSERT_NE(name_, nullptr);
    }
    QLineEdit* name_ = nullptr;
};

TEST_F(CustomPageTest, EveryKeystrokeStoresTheWholeTextEvenIntoAnEmptyName) {
    ASSERT_FALSE(doc_->IsModified());
    TypeText(name_, "A");
    EXPECT_EQ(Value("CUSTOM1NAME"), "A");
    EXPECT_TRUE(doc_->IsModified());
    TypeText(name_, "B");
    EXPECT_EQ(Value("CUSTOM1NAME"), "AB");
    Backspace(name_, 2);
    EXPECT_EQ(Value("CUSTOM1NAME"), "");
    EXPECT_EQ(doc_->CurrentValues().count("CUSTOM1NAME"), 1u);
}

TEST_F(CustomPageTest, TypingStopsAtTheLimitCountingKoreanAsTwo) {
    CommitText(name_, Q("가나다라마바사"));  // 14 bytes of 16
    EXPECT_EQ(QString::fromStdString(Value("CUSTOM1NAME")), Q("가나다라마바사"));
    TypeText(name_, "A");  // 15
    CommitText(name_, Q("아"));  // would be 17: refused
    EXPECT_EQ(QString::fromStdString(Value("CUSTOM1NAME")), Q("가나다라마바사A"));
    TypeText(name_, "BC");  // 16, then refused
    EXPECT_EQ(QString::fromStdString(Value("CUSTOM1NAME")), Q("가나다라마바사AB"));
    EXPECT_EQ(name_->text(), Q("가나다라마바사AB"));
}

// A character the printer's code page lacks could not be sent: it stays out of the field, the
// characters around it go in, and the user is told which ones were left out.
struct LeftOutCase {
    const char* name;
    void (*enter)(QLineEdit* edit, const QString& text);
    const char* before;  // the field's text
    const char* entered;
    const char* shown;    // the field's text afterwards
    const char* named;    // the characters named as left out, or "" for no report
};

// Key presses that carry each character (QTest's own typing knows ASCII keys only).
void Typed(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->end(false);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype width = text.at(i).isHighSurrogate() ? 2 : 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, width));
        QApplication::sendEvent(edit, &press);
        i += width - 1;
    }
}
void Committed(QLineEdit* edit, const QString& text) { CommitText(edit, text); }
void Pasted(QLineEdit* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

class LeftOutTest : public CustomPageTest, public ::testing::WithParamInterface<LeftOutCase> {};

TEST_P(LeftOutTest, KeepsWhatTheCodePageHasAndNamesTheRest) {
    const LeftOutCase& c = GetParam();
    name_->setText(Q(c.before));
    QStringList reports;
    QObject::connect(ui::LimitOf(name_), &ui::CodePageLimit::charactersLeftOut,
                     [&](const QString& characters) { reports << characters; });
    c.enter(name_, Q(c.entered));
    EXPECT_EQ(name_->text(), Q(c.shown));
    EXPECT_EQ(QString::fromStdString(Value("CUSTOM1NAME")), Q(c.shown));
    EXPECT_EQ(reports.join(QStringLiteral(" | ")), Q(c.named));
}

void PrintTo(const LeftOutCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Ways, LeftOutTest,
    ::testing::Values(LeftOutCase{"TypedAccent", Typed, "", "Café", "Caf", "é"},
                      LeftOutCase{"CommittedMix", Committed, "", "Café 😀 Zoë", "Caf  Zo", "é, 😀, ë"},
                      LeftOutCase{"PastedMix", Pasted, "A", "Café 😀 Zoë", "ACaf  Zo", "é, 😀, ë"},
                      LeftOutCase{"PastedKoreanWithAnEmoji", Pasted, "", "가😀나", "가나", "😀"},
                      LeftOutCase{"PastedEmojiAlone", Pasted, "AB", "😀😀", "AB", "😀"},
                      // The byte limit still holds: the text is cut at 16 bytes, and what lies
                      // beyond the cut is not reported.
                      LeftOutCase{"PastedPastTheLimit", Pasted, "", "가나다라마바é사아자😀", "가나다라마바사아", "é"},
                      LeftOutCase{"PastedIntoAFullField", Pasted, "가나다라마바사아", "é", "가나다라마바사아", "é"},
                      LeftOutCase{"TypedEmojiAndKorean", Typed, "", "😀가", "가", "😀"},
                      LeftOutCase{"TypedKoreanAndLetters", Typed, "", "ß가A", "ß가A", ""}),
    [](const ::testing::TestParamInfo<LeftOutCase>& info) { return std::string(info.param.name); });

TEST_F(CustomPageTest, PastedTextIsCutAtTheLimit) {
    name_->setFocus();
    name_->insert(Q("ABCDEFGHIJ가나다라"));  // 18 bytes
    EXPECT_EQ(QString::fromStdString(Value("CUSTOM1NAME")), Q("ABCDEFGHIJ가나다"));
}

TEST_F(CustomPageTest, ANameLongerThanTheLimitIsShownWholeAndMayOnlyShrink) {
    ReadAgain(*doc_, {{"CUSTOM2NAME", "ABCDEFGHIJKLMNOPQRSTU"}});  // 21 of 16
    Open(2);
    auto* name2 = Ctl<QLineEdit>(1155);
    EXPECT_EQ(name2->text(), "ABCDEFGHIJKLMNOPQRSTU");
    EXPECT_FALSE(doc_->IsModified());
    TypeText(name2, "V");
    EXPECT_EQ(name2->text(), "ABCDEFGHIJKLMNOPQRSTU");
    EXPECT_FALSE(doc_->IsModified());
    Backspace(name2, 1);
    EXPECT_EQ(Value("CUSTOM2NAME"), "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(PageTest, NameWithoutMaxLengthTakesFortyBytes) {
    StartDocumentWithIni(ReplaceSection(DataIni(), "Cust3Name", "[Cust3Name]\nNpaName=CUSTOM3NAME\n"));
    ReadAgain(*doc_, {{"CUSTOM3NAME", ""}});
    Open(2);
    auto* name = Ctl<QLineEdit>(1156);
    CommitText(name, Q("가나다라마바사아자차카타파하가나다라마바"));  // 20 characters, 40 bytes
    TypeText(name, "Z");
    EXPECT_EQ(ui::CodePageLength(QString::fromStdString(Value("CUSTOM3NAME"))), 40);
    EXPECT_FALSE(QString::fromStdString(Value("CUSTOM3NAME")).contains('Z'));
}

using SetupPageTest = PageTest;

TEST_F(SetupPageTest, TimerAtItsOffValueShowsAClearedBoxAndADisabledMinimum) {
    StartDocument(0);
    ReadAgain(*doc_, {{"POWERSAVER", "off"}});
    Open(6);
    auto* box = Ctl<QCheckBox>(1250);
    auto* edit = Ctl<QLineEdit>(1251);
    auto* spin = Ctl<ui::SpinButton>(1252);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(spin->isEnabled());
    EXPECT_EQ(edit->text(), "1");
    StepSpin(spin, +1);
    EXPECT_EQ(Value("POWERSAVER"), "off") << "a disabled spin stored a number";

    ClickBox(box);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(spin->isEnabled());
    EXPECT_EQ(Value("POWERSAVER"), "1");
    StepSpin(spin, +1);
    EXPECT_EQ(Value("POWERSAVER"), "2");
    ClickBox(box);
    EXPECT_EQ(Value("POWERSAVER"), "OFF");
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(spin->isEnabled());
    EXPECT_EQ(edit->text(), "2");
}

TEST_F(SetupPageTest, TagIsStoredAtEveryKeystrokeUpToItsLimit) {
    StartDocument(0);
    ReadAgain(*doc_, {{"PROPTAG", ""}});
    Open(6);
    auto* tag = Ctl<QLineEdit>(1247);
    TypeText(tag, "X");
    EXPECT_EQ(Value("PROPTAG"), "X");
    CommitText(tag, Q("가나다라마바사아자차카타파하가"));  // 30 bytes: 31 in all
    CommitText(tag, Q("나"));  // 33: refused
    TypeText(tag, "YZ");     // 32, then refused
    EXPECT_EQ(QString::fromStdString(Value("PROPTAG")), Q("X가나다라마바사아자차카타파하가Y"));
}

// A timer range above 999 must still store plain digits: a value like "1,000" is not a number
// the printer can take.
TEST_F(SetupPageTest, NumbersAbove999AreStoredAsDigitsOnly) {
    std::string ini = ReplaceSection(DataIni(), "PwrSvr", "[PwrSvr]\nNpaName=POWERSAVER\nMinVal=1\nMaxVal=5000\nValues=OFF\n");
    StartDocumentWithIni(ini);
    ReadAgain(*doc_, {{"POWERSAVER", "999"}});
    Open(6);
    StepSpin(Ctl<ui::SpinButton>(1252), +1);
    EXPECT_EQ(Value("POWERSAVER"), "1000");
    EXPECT_EQ(Ctl<QLineEdit>(1251)->text(), "1000");
}

using PclPageTest = PageTest;

TEST_F(PclPageTest, FirstSpinClickStoresAndTheNumberStaysInRange) {
    StartDocument(0);
    ReadAgain(*doc_, {{"LINESPERPAGE", "254"}});
    Open(7);
    auto* spin = Ctl<ui::SpinButton>(1279);
    auto* edit = Ctl<QLineEdit>(1278);
    EXPECT_FALSE(doc_->IsModified());
    StepSpin(spin, +1);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(Value("LINESPERPAGE"), "255");
    StepSpin(spin, +1);
    EXPECT_EQ(Value("LINESPERPAGE"), "255");
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->text(), "255") << "the number field took typing";
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(Value("LINESPERPAGE"), "254");
}

using PostscriptPageTest = PageTest;

// A timeout above the 16-bit range is shown as it is and steps from there: a position cut to 16
// bits would show 40000 as another number and store that one at the next step.
TEST_F(PostscriptPageTest, TimeoutsAbove32767KeepTheirValue) {
    StartDocument(0);
    ReadAgain(*doc_, {{"WAITTIMEOUT", "40000"}});
    Open(9);
    EXPECT_EQ(Ctl<QLineEdit>(1189)->text(), "40000");
    StepSpin(Ctl<ui::SpinButton>(1190), -1);
    EXPECT_EQ(Value("WAITTIMEOUT"), "39999");
}

using FinishingPageTest = PageTest;

TEST_F(FinishingPageTest, TonerAlarmKeepsTheConfigurationsOrder) {
    StartDocument(0);
    Open(5);
    EXPECT_EQ(Entries(Ctl<QComboBox>(1044)), (std::vector<QString>{Q("꺼짐"), Q("단일"), Q("계속")}));
}

class RenumberPageTest : public PageTest {
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

TEST_F(RenumberPageTest, NumberChosenFromOffStoresTheMinimumAndTheNextStepStores) {
    OpenWith("OFF");
    EXPECT_FALSE(doc_->IsModified());
    for (const Group& g : kGroups) {
        EXPECT_TRUE(Ctl<QRadioButton>(g.off)->isChecked()) << g.name;
        EXPECT_FALSE(Ctl<QRadioButton>(g.none)->isEnabled()) << g.name;
        EXPECT_TRUE(Ctl<QRadioButton>(g.off)->isEnabled()) << g.name;
        EXPECT_FALSE(Ctl<QLineEdit>(g.field)->isEnabled()) << g.name;
        EXPECT_FALSE(Ctl<ui::SpinButton>(g.spin)->isEnabled()) << g.name;
        ClickBox(Ctl<QRadioButton>(g.number));
        EXPECT_EQ(Value(g.name), "0") << g.name;
        EXPECT_TRUE(Ctl<QRadioButton>(g.number)->isChecked());
        EXPECT_FALSE(Ctl<QRadioButton>(g.off)->isChecked());
        StepSpin(Ctl<ui::SpinButton>(g.spin), +1);
        EXPECT_EQ(Value(g.name), "1") << g.name;
    }
}

TEST_F(RenumberPageTest, OffAfterANumberStoresOffAndKeepsTheNumberForLater) {
    OpenWith("7");
    for (const Group& g : kGroups) {
        EXPECT_TRUE(Ctl<QRadioButton>(g.number)->isChecked());
        EXPECT_EQ(Ctl<QLineEdit>(g.field)->text(), "7");
        StepSpin(Ctl<ui::SpinButton>(g.spin), +1);
        EXPECT_EQ(Value(g.name), "8");
        ClickBox(Ctl<QRadioButton>(g.off));
        EXPECT_EQ(Value(g.name), "OFF");
        EXPECT_FALSE(Ctl<QLineEdit>(g.field)->isEnabled());
        EXPECT_FALSE(Ctl<ui::SpinButton>(g.spin)->isEnabled());
        StepSpin(Ctl<ui::SpinButton>(g.spin), +1);
        EXPECT_EQ(Value(g.name), "OFF") << "the spin stored a number while off was chosen";
        ClickBox(Ctl<QRadioButton>(g.number));
        EXPECT_EQ(Value(g.name), "8");
    }
}

TEST_F(RenumberPageTest, NoneLeavesOnlyTheNumberToChoose) {
    OpenWith("none");
    for (const Group& g : kGroups) {
        EXPECT_TRUE(Ctl<QRadioButton>(g.none)->isChecked());
        EXPECT_FALSE(Ctl<QRadioButton>(g.none)->isEnabled());
        EXPECT_FALSE(Ctl<QRadioButton>(g.off)->isEnabled());
        EXPECT_FALSE(Ctl<ui::SpinButton>(g.spin)->isEnabled());
        StepSpin(Ctl<ui::SpinButton>(g.spin), +1);
        EXPECT_EQ(Value(g.name), "none");
        ClickBox(Ctl<QRadioButton>(g.number));
        EXPECT_EQ(Value(g.name), "0");
        EXPECT_FALSE(Ctl<QRadioButton>(g.none)->isChecked());
    }
    EXPECT_TRUE(doc_->IsModified());
}

TEST_F(RenumberPageTest, OddValuesShowTheirLeadingDigitsAndStayUntouched) {
    StartDocument(0);
    ReadAgain(*doc_, {{"ASSIGNTRAY1", "12abc"}, {"ASSIGNTRAY2", "abc"}, {"ASSIGNMANPAPER", "199"}});
    Open(8);
    EXPECT_EQ(Ctl<QLineEdit>(1201)->text(), "12");
    EXPECT_EQ(Ctl<QLineEdit>(1216)->text(), "0");
    EXPECT_TRUE(Ctl<QRadioButton>(1215)->isChecked());
    EXPECT_EQ(Value("ASSIGNTRAY1"), "12abc");
    EXPECT_FALSE(doc_->IsModified());
    StepSpin(Ctl<ui::SpinButton>(1225), +1);
    EXPECT_EQ(Ctl<QLineEdit>(1224)->text(), "199");
    EXPECT_EQ(Value("ASSIGNMANPAPER"), "199");
    EXPECT_FALSE(doc_->IsModified());
}

using PortPagesTest = PageTest;

TEST_F(PortPagesTest, UsbOptionsShareCaptionsButNotSettings) {
    StartDocument(0);
    Open(11);
    EXPECT_EQ(Ctl<QCheckBox>(1052)->text(), "PCL AutoLang");
    EXPECT_EQ(Ctl<QCheckBox>(1053)->text(), "PS AutoLang");
    const std::string parPcl = Value("PARPCLAUTOLANG"), parPs = Value("PARPSAUTOLANG");
    ClickBox(Ctl<QCheckBox>(1052));
    ClickBox(Ctl<QCheckBox>(1053));
    EXPECT_EQ(Value("USBPCLAUTOLANG"), "OFF");
    EXPECT_EQ(Value("USBPSAUTOLANG"), "OFF");
    EXPECT_EQ(Value("PARPCLAUTOLANG"), parPcl);
    EXPECT_EQ(Value("PARPSAUTOLANG"), parPs);
}

// The title line of every page: the page's path, its last step in bold.
TEST_F(PageTest, EveryPageHasItsTitleLineWithTheLastStepInBold) {
    StartDocument(0);
    const struct {
        int view, control, string;
    } titles[] = {{1, 1282, 61291}, {2, 1283, 61292}, {3, 1284, 61294}, {4, 1285, 61295},
                  {5, 1287, 61296}, {6, 1288, 61297}, {7, 1289, 61298}, {8, 1294, 61299},
                  {9, 1290, 61300}, {10, 1291, 61301}, {11, 1292, 61302}};
    for (const auto& t : titles) {
        Open(t.view);
        auto* title = Ctl<QTextEdit>(t.control);
        ASSERT_NE(title, nullptr) << t.view;
        const QString text = QString::fromStdString(res::String(t.string));
        EXPECT_EQ(title->toPlainText(), text);
        EXPECT_FALSE(title->isEnabled());
        QTextCursor cursor(title->document());
        cursor.setPosition(text.size());
        EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold) << t.view;
        const int gt = text.lastIndexOf('>');
        if (gt > 0) {
            cursor.setPosition(2);
            EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold) << t.view;
        } else {
            cursor.setPosition(2);
            EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold) << t.view;
        }
    }
}

}  // namespace
}  // namespace pagetest
