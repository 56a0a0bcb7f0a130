// The template builder: dialog units, the control kinds and the quirks of their templates.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QWheelEvent>

#include "gui_support.h"
#include "templates/templates.h"
#include "qtui/dialog_builder.h"
#include "qtui/spin_button.h"

namespace {

using namespace res;

constexpr ControlTemplate kControls[] = {
    {10, Ctl::Static, "라벨", 31, 29, 125, 12},
    {11, Ctl::ComboBox, nullptr, 161, 29, 135, 65, S_SORT | S_VSCROLL | S_TABSTOP},
    {12, Ctl::CheckBox, "절전 모드", 29, 110, 139, 10, S_LEFTTEXT | S_TABSTOP},
    {13, Ctl::Edit, nullptr, 177, 109, 45, 12, S_NUMBER_FIELD | S_DISABLED},
    {14, Ctl::UpDown, nullptr, 227, 109, 11, 10, S_SPIN | S_DISABLED},
    {20, Ctl::GroupBox, "트레이 1 지정", 31, 130, 105, 66},
    {21, Ctl::RadioButton, "없음", 41, 142, 85, 12, S_GROUP | S_TABSTOP},
    {22, Ctl::RadioButton, "꺼짐", 41, 158, 85, 12},
    {23, Ctl::RadioButton, nullptr, 41, 174, 10, 12},
    {24, Ctl::Edit, nullptr, 53, 174, 40, 12, S_NUMBER_FIELD | S_GROUP},
    {25, Ctl::UpDown, nullptr, 98, 174, 11, 10, S_SPIN},
    {31, Ctl::RadioButton, "A", 200, 142, 85, 12, S_GROUP},
    {32, Ctl::RadioButton, "B", 200, 158, 85, 12},
    {40, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_DISABLED | S_NOHIDESEL},
    {41, Ctl::ListBox, nullptr, 10, 200, 100, 30, S_SORT | S_BORDER | S_VSCROLL},
    {1, Ctl::DefPushButton, "확인", 150, 210, 50, 14},
    {42, Ctl::Static, nullptr, 0, 0, 10, 10, 0, 61291},
};
constexpr DialogTemplate kTestForm = {9001, nullptr, 326, 231, D_CHILD, kControls};
const bool kRegistered = RegisterDialogTemplate(kTestForm);

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kRegistered);
        built = ui::BuildDialog(*FindDialogTemplate(9001), &form);
        du = std::make_unique<ui::DialogUnits>(form.font());
    }
    template <class T>
    T* ctl(int id) {
        return qobject_cast<T*>(built.control(id));
    }
    QWidget form;
    ui::BuiltDialog built;
    std::unique_ptr<ui::DialogUnits> du;
};

TEST(DialogFontTest, GulimResolvesToAnInstalledKoreanFontAndUnitsFollowItsMetrics) {
    const QFont font = ui::DialogFont(*FindDialogTemplate(IDD_EMPTY_PAGE));
    EXPECT_EQ(font.pointSize(), 9);
    EXPECT_TRUE(QFontInfo(font).family().contains("Nanum", Qt::CaseInsensitive)) << QFontInfo(font).family().toStdString();
    const ui::DialogUnits units(font);
    // 굴림's own units, whatever stands in for it: a line of one em, letters half an em wide
    // (at 96 dpi a 9-point form is 6 x 12 pixels per 4 x 8 units).
    const int em = QFontInfo(font).pixelSize();
    EXPECT_EQ(units.baseY(), em);
    EXPECT_EQ(units.baseX(), (em + 1) / 2);
    EXPECT_GT(units.baseX(), 2);
    // The stand-in's text still fits the rows the forms give it (labels 12 units, boxes 10).
    EXPECT_LE(QFontMetrics(font).height(), units.y(10) + 1);
    EXPECT_EQ(units.x(4), units.baseX());
    EXPECT_EQ(units.y(8), units.baseY());
    EXPECT_EQ(units.rect(4, 8, 8, 16), QRect(units.baseX(), units.baseY(), 2 * units.baseX(), 2 * units.baseY()));
}

TEST_F(BuilderTest, FormAndControlsSitAtTheirDialogUnitPositions) {
    EXPECT_EQ(form.size(), QSize(du->x(326), du->y(231)));
    EXPECT_EQ(built.control(10)->geometry(), du->rect(31, 29, 125, 12));
    EXPECT_EQ(ctl<QLabel>(10)->text(), QString("라벨"));
    EXPECT_EQ(built.control(10)->objectName(), QString("ctl10"));
    EXPECT_EQ(built.control(10)->property("controlId").toInt(), 10);
    // Captions by string id come from the string table.
    EXPECT_EQ(ctl<QLabel>(42)->text(), QString(" 용지"));
    EXPECT_TRUE(ctl<QPushButton>(1)->isDefault());
    EXPECT_EQ(built.control(999), nullptr);
}

TEST_F(BuilderTest, DropDownIsOneLineHighAndItsTemplateHeightIsTheOpenList) {
    QComboBox* combo = ctl<QComboBox>(11);
    EXPECT_EQ(combo->height(), du->y(12));
    EXPECT_GE(combo->maxVisibleItems(), 2);
    // Sorted list: items go to their place by text, ignoring case.
    ui::AddComboItem(combo, "b", "K:B");
    ui::AddComboItem(combo, "C", "K:C");
    ui::AddComboItem(combo, "a", "K:A");
    EXPECT_EQ(combo->itemText(0), QString("a"));
    EXPECT_EQ(combo->itemText(2), QString("C"));
    EXPECT_EQ(combo->itemData(1).toString(), QString("K:B"));
    QListWidget* list = ctl<QListWidget>(41);
    ui::AddListItem(list, "USB001 - B");
    ui::AddListItem(list, "LPT1: - A");
    EXPECT_EQ(list->item(0)->text(), QString("LPT1: - A"));
}

TEST_F(BuilderTest, DisabledAtCreationAndLeftTextCheckBox) {
    EXPECT_FALSE(built.control(13)->isEnabled());
    EXPECT_FALSE(built.control(14)->isEnabled());
    EXPECT_FALSE(built.control(40)->isEnabled());
    EXPECT_TRUE(built.control(24)->isEnabled());
    // Text to the left: the box sits at the control's right edge, and a click on it toggles.
    QCheckBox* left = ctl<QCheckBox>(12);
    EXPECT_EQ(ui::IndicatorRect(left).right(), left->width() - 1);
    form.show();
    guitest::ClickBox(left);
    EXPECT_TRUE(left->isChecked());
    QLineEdit* number = ctl<QLineEdit>(13);
    EXPECT_TRUE(number->isReadOnly());
    EXPECT_TRUE(number->alignment() & Qt::AlignRight);
    int pos = 0;
    QString text = "12a";
    EXPECT_NE(number->validator()->validate(text, pos), QValidator::Acceptable);
}

TEST_F(BuilderTest, SpinSitsAtItsBuddysRightEdgeAndWritesItsPosition) {
    QLineEdit* buddy = ctl<QLineEdit>(24);
    ui::SpinButton* spin = ctl<ui::SpinButton>(25);
    ASSERT_EQ(spin->buddy(), buddy);
    const QRect template_ = du->rect(53, 174, 40, 12);
    EXPECT_EQ(buddy->geometry().left(), template_.left());
    EXPECT_EQ(spin->geometry().right(), template_.right());
    EXPECT_EQ(spin->geometry().left(), buddy->geometry().right() + 1);
    EXPECT_EQ(spin->height(), buddy->height());

    spin->setRange(0, 3);
    spin->setPos(2);
    EXPECT_EQ(buddy->text(), QString("2"));
    QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    QTest::mouseClick(spin->upButton(), Qt::LeftButton);  // stays at the top of the range
    EXPECT_EQ(buddy->text(), QString("3"));
    buddy->setFocus();
    QTest::keyClick(buddy, Qt::Key_Down);
    EXPECT_EQ(spin->pos(), 2);
    spin->setPos(-5);
    EXPECT_EQ(spin->pos(), 0);
    spin->setRange(0, 5000);
    spin->setPos(1500);
    EXPECT_EQ(buddy->text(), QString("1500"));  // a plain number, no separator
    spin->setEnabled(false);
    spin->step(1);
    EXPECT_EQ(spin->pos(), 1500);
}

TEST_F(BuilderTest, RadioGroupsRunFromOneGroupStyleToTheNext) {
    QRadioButton* none = ctl<QRadioButton>(21);
    QRadioButton* off = ctl<QRadioButton>(22);
    QRadioButton* number = ctl<QRadioButton>(23);
    QRadioButton* a = ctl<QRadioButton>(31);
    form.show();
    guitest::ClickBox(a);
    guitest::ClickBox(none);
    EXPECT_TRUE(none->isChecked());
    EXPECT_TRUE(a->isChecked());  // another group
    guitest::ClickBox(number);
    EXPECT_TRUE(number->isChecked());
    EXPECT_FALSE(none->isChecked());
    // Clicking the selected button keeps it selected.
    guitest::ClickBox(number);
    EXPECT_TRUE(number->isChecked());
    // The program may set states freely, as with BM_SETCHECK.
    off->setChecked(true);
    EXPECT_TRUE(number->isChecked());
    EXPECT_EQ(ui::RadioGroupOf(none).size(), 3u);
    EXPECT_EQ(ui::RadioGroupOf(a).size(), 2u);
    // The group box lies beneath the buttons it frames and takes no clicks.
    EXPECT_TRUE(ctl<QGroupBox>(20)->testAttribute(Qt::WA_TransparentForMouseEvents));
}

// The wheel changes a drop-down list only while the list has the keyboard focus: scrolling a
// form past its lists must not change them. Nor does the wheel give a list the focus.
TEST_F(BuilderTest, WheelTurnsOnlyAFocusedDropDown) {
    QComboBox* combo = ctl<QComboBox>(11);
    for (const char* t : {"a", "b", "c"}) ui::AddComboItem(combo, t, QString("K:") + t);
    combo->setCurrentIndex(1);
    int activations = 0;
    QObject::connect(combo, &QComboBox::activated, [&](int) { ++activations; });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QLineEdit* other = ctl<QLineEdit>(24);
    other->setFocus();
    EXPECT_EQ(combo->focusPolicy(), Qt::StrongFocus);
    auto wheelUp = [&] {
        const QPointF at(combo->width() / 2.0, combo->height() / 2.0);
        QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &wheel);
    };
    wheelUp();
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(activations, 0);
    combo->setFocus();
    ASSERT_TRUE(combo->hasFocus());
    wheelUp();
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(activations, 1);
}

}  // namespace
