// The pages with the keyboard alone: a radio group is one tab stop on its checked button and the
// arrow keys move within it, storing as a click does; a click on a spin's arrow leaves the
// keyboard in its field; every control is read by its label; drop-down lists open below their
// box.
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <map>

#include "strings/string_table.h"
#include "page_test_support.h"
#include "templates/templates.h"

namespace pagetest {
namespace {

struct Group {
    const char* name;
    int none, off, number, field;
};

constexpr Group kGroups[] = {
    {"ASSIGNTRAY1", 1196, 1197, 1198, 1201},
    {"ASSIGNTRAY2", 1213, 1214, 1215, 1216},
    {"ASSIGNMANPAPER", 1221, 1222, 1223, 1224},
    {"ASSIGNMANENV", 1235, 1234, 1233, 1232},
};

class RadioPageTest : public PageTest {
protected:
    void OpenWith(const char* value) {
        StartDocument(0);
        PrinterValues values;
        for (const Group& g : kGroups) values[g.name] = value;
        ReadAgain(*doc_, values);
        Open(8);
        // Focus moves only inside the active window.
        host_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    }
    QRadioButton* Radio(int id) const { return Ctl<QRadioButton>(id); }
    static bool TabStop(QWidget* w) { return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus; }
};

class RadioKeysTest : public RadioPageTest, public ::testing::WithParamInterface<Group> {};

TEST_P(RadioKeysTest, ArrowKeysMoveWithinTheGroupAndStoreAsAClickDoes) {
    const Group& g = GetParam();
    OpenWith("OFF");
    if (HasFatalFailure()) return;
    EXPECT_TRUE(TabStop(Radio(g.off)));
    EXPECT_FALSE(TabStop(Radio(g.number)));
    Radio(g.off)->setFocus(Qt::TabFocusReason);

    // Down: onto the number button (the disabled "없음" is never a stop), as its click stores.
    QTest::keyClick(Radio(g.off), Qt::Key_Down);
    EXPECT_TRUE(Radio(g.number)->isChecked());
    EXPECT_FALSE(Radio(g.off)->isChecked());
    EXPECT_TRUE(Radio(g.number)->hasFocus());
    EXPECT_EQ(Value(g.name), "0");
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(Ctl<QLineEdit>(g.field)->isEnabled());
    EXPECT_TRUE(TabStop(Radio(g.number)));
    EXPECT_FALSE(TabStop(Radio(g.off)));

    // On past the last button back to the first that can be chosen: "꺼짐".
    QTest::keyClick(Radio(g.number), Qt::Key_Right);
    EXPECT_TRUE(Radio(g.off)->isChecked());
    EXPECT_EQ(Value(g.name), "OFF");
    EXPECT_FALSE(Ctl<QLineEdit>(g.field)->isEnabled());
    QTest::keyClick(Radio(g.off), Qt::Key_Up);
    EXPECT_TRUE(Radio(g.number)->isChecked());
    EXPECT_EQ(Value(g.name), "0");

    // The other groups were not touched.
    for (const Group& other : kGroups) {
        if (other.name != g.name) {
            EXPECT_EQ(Value(other.name), "OFF") << other.name;
        }
    }
}

TEST_P(RadioKeysTest, AGroupWithOneChoiceLeftKeepsTheArrowKeysToItself) {
    const Group& g = GetParam();
    OpenWith("none");  // "없음" shown, "없음" and "꺼짐" disabled: only the number is left
    if (HasFatalFailure()) return;
    EXPECT_TRUE(TabStop(Radio(g.number)));
    Radio(g.number)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Radio(g.number), Qt::Key_Down);
    EXPECT_TRUE(Radio(g.number)->hasFocus());
    EXPECT_EQ(Value(g.name), "none") << "moving nowhere stored something";
    EXPECT_FALSE(doc_->IsModified());
}

INSTANTIATE_TEST_SUITE_P(Groups, RadioKeysTest, ::testing::ValuesIn(kGroups),
                         [](const ::testing::TestParamInfo<Group>& info) { return std::string(info.param.name); });

TEST_F(RadioPageTest, TabVisitsEachGroupOnceOnItsCheckedButton) {
    OpenWith("7");
    if (HasFatalFailure()) return;
    ReadAgain(*doc_, {{"ASSIGNTRAY2", "OFF"}});
    Open(8);
    host_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    QWidget* first = page_->FocusTarget();
    EXPECT_EQ(first, Radio(1198)) << "F6 and the first Tab land on the checked button";
    first->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), first);
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 12; ++i) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    auto seen = [&](int id) { return std::count(visited.begin(), visited.end(), page_->Control(id)) > 0; };
    EXPECT_TRUE(seen(1198));
    EXPECT_TRUE(seen(1214)) << "tray 2 shows 꺼짐: Tab lands there";
    EXPECT_FALSE(seen(1215)) << "an unchecked button is no tab stop";
    EXPECT_FALSE(seen(1197));
    EXPECT_FALSE(doc_->IsModified()) << "Tab changed a setting";
}

struct SpinCase {
    const char* name;
    int view, field, spin;
    const char* setting;
    const char* value;
};

void PrintTo(const SpinCase& c, std::ostream* os) { *os << c.name; }

class SpinFocusTest : public PageTest, public ::testing::WithParamInterface<SpinCase> {};

// After a click on an arrow, the field shows the focus and Up/Down go on stepping the number; the
// page around it (which would scroll on those keys) never takes the focus.
TEST_P(SpinFocusTest, AnArrowClickLeavesTheKeysInTheReadOnlyField) {
    const SpinCase& c = GetParam();
    StartDocument(0);
    ReadAgain(*doc_, {{c.setting, c.value}});
    Open(c.view);
    host_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    auto* field = Ctl<QLineEdit>(c.field);
    auto* spin = Ctl<ui::SpinButton>(c.spin);
    ASSERT_TRUE(field && spin && spin->isEnabled());
    page_->setFocus(Qt::OtherFocusReason);

    for (QToolButton* arrow : {spin->upButton(), spin->downButton()}) {
        const int before = spin->pos();
        QTest::mouseClick(arrow, Qt::LeftButton);
        EXPECT_EQ(spin->pos(), before + (arrow == spin->upButton() ? 1 : -1));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_EQ(focus, field) << "the focus went to " << (focus ? focus->metaObject()->className() : "nothing");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        EXPECT_EQ(spin->pos(), before + (arrow == spin->upButton() ? 2 : 0));
        EXPECT_EQ(Value(c.setting), std::to_string(spin->pos()));
    }
    EXPECT_TRUE(field->isReadOnly());
    QTest::keyClicks(field, "5");
    EXPECT_EQ(field->text().toInt(), spin->pos()) << "the number field took typing";
    // Tab still walks the page's controls, never onto the arrows.
    EXPECT_FALSE(spin->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(spin->upButton()->focusPolicy(), Qt::NoFocus);
}

INSTANTIATE_TEST_SUITE_P(Spins, SpinFocusTest,
                         ::testing::Values(SpinCase{"LinesPerPage", 7, 1278, 1279, "LINESPERPAGE", "60"},
                                           SpinCase{"WaitTimeout", 9, 1189, 1190, "WAITTIMEOUT", "300"}),
                         [](const ::testing::TestParamInfo<SpinCase>& info) { return std::string(info.param.name); });

// What a screen reader says for a control: its name, or for a drop-down list (whose name is its
// current entry) the name of the label that labels it.
QString ReadAs(QWidget* w) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
    if (!accessible) return {};
    if (qobject_cast<QComboBox*>(w)) {
        for (const auto& [other, relation] : accessible->relations(QAccessible::Label)) {
            (void)relation;
            return other->text(QAccessible::Name);
        }
        return {};
    }
    return accessible->text(QAccessible::Name);
}

// Every control a user can reach is read by a screen reader with a label of the page.
using AccessibleNamesTest = PageTest;

TEST_F(AccessibleNamesTest, EveryControlIsReadByItsLabel) {
    StartDocument(0);
    for (int view = 1; view <= 11; ++view) {
        Open(view);
        QStringList captions;
        for (QObject* child : page_->findChildren<QWidget*>()) {
            if (auto* label = qobject_cast<QLabel*>(child)) captions << label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(child)) captions << button->text();
            if (auto* group = qobject_cast<QGroupBox*>(child)) captions << group->title();
        }
        // A label, or a label the page repeats read with the caption of the group around it.
        auto saidByThePage = [&](const QString& name) {
            if (captions.contains(name)) return true;
            for (const QString& group : captions) {
                if (name.startsWith(group + ' ') && captions.contains(name.mid(group.size() + 1))) return true;
            }
            return false;
        };
        for (QWidget* w : page_->findChildren<QWidget*>()) {
            const bool reachable = qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
                                   qobject_cast<QLineEdit*>(w) || qobject_cast<ui::SpinButton*>(w);
            if (!reachable || !w->property("controlId").isValid()) continue;
            const QString name = ReadAs(w);
            EXPECT_FALSE(name.isEmpty()) << "page " << view << ", control " << w->objectName().toStdString();
            EXPECT_TRUE(saidByThePage(name))
                << "page " << view << ", control " << w->objectName().toStdString() << " is read as \""
                << name.toStdString() << "\", which no label of the page says";
        }
    }
    // The ones a user can check: a list by the label of its row, a number field by its group.
    Open(8);
    EXPECT_EQ(ReadAs(page_->Control(1198)), QString::fromUtf8("트레이 1 지정"));
    EXPECT_EQ(ReadAs(page_->Control(1201)), QString::fromUtf8("트레이 1 지정"));
    Open(1);
    for (QComboBox* list : page_->findChildren<QComboBox*>()) {
        QLabel* label = nullptr;
        for (QLabel* l : page_->findChildren<QLabel*>()) {
            if (std::abs(l->geometry().top() - list->geometry().top()) <= 4 && l->x() < list->x()) label = l;
        }
        if (label) {
            // Its row's label, after the group's caption where the page repeats the label.
            EXPECT_TRUE(ReadAs(list).endsWith(label->text()))
                << list->objectName().toStdString() << " is read as " << ReadAs(list).toStdString();
        }
    }
}

// Fields in the rows of a form that repeats its labels ("이름" and "용지 종류" of each custom paper
// type) are told apart by the group they sit in, as the page shows them; no two fields that a
// label names are read alike on any page.
TEST_F(AccessibleNamesTest, RepeatedRowLabelsAreReadWithTheirGroup) {
    StartDocument(0);
    Open(2);
    for (int row = 1; row <= 6; ++row) {
        const QString group = QString::fromUtf8("사용자 %1 ").arg(row);
        EXPECT_EQ(ReadAs(page_->Control(1153 + row)).toStdString(), (group + QString::fromUtf8("이름")).toStdString());
        EXPECT_EQ(ReadAs(page_->Control(1139 + row)).toStdString(), (group + QString::fromUtf8("용지 종류")).toStdString());
    }
    Open(1);
    EXPECT_EQ(ReadAs(page_->Control(1301)).toStdString(), "트레이 1 용지 크기");
    EXPECT_EQ(ReadAs(page_->Control(1304)).toStdString(), "트레이 2 용지 종류");
    EXPECT_EQ(ReadAs(page_->Control(1018)).toStdString(), "공백 페이지") << "a label said once stays as it is";
    for (int view = 1; view <= 11; ++view) {
        Open(view);
        std::map<QString, QString> seen;  // name -> control
        for (QWidget* w : page_->findChildren<QWidget*>()) {
            auto* edit = qobject_cast<QLineEdit*>(w);
            const bool named = qobject_cast<QComboBox*>(w) || (edit && !edit->isReadOnly());
            if (!named || !w->property("controlId").isValid()) continue;
            const auto [at, fresh] = seen.emplace(ReadAs(w), w->objectName());
            EXPECT_TRUE(fresh) << "page " << view << ": " << w->objectName().toStdString() << " and "
                               << at->second.toStdString() << " are both read as \"" << at->first.toStdString() << "\"";
        }
    }
}

// A screen reader hears a radio button as a radio button (the forms' buttons are not auto-
// exclusive, which Qt would report as a check box), with its state, and its action clicks it.
TEST_F(AccessibleNamesTest, RadioButtonsAreReportedAsRadioButtons) {
    StartDocument(0);
    int radios = 0;
    for (int view = 1; view <= 11; ++view) {
        Open(view);
        for (QAbstractButton* button : page_->findChildren<QAbstractButton*>()) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(accessible, nullptr);
            const std::string where = "page " + std::to_string(view) + ", " + button->objectName().toStdString();
            if (qobject_cast<QRadioButton*>(button)) {
                ++radios;
                EXPECT_EQ(accessible->role(), QAccessible::RadioButton) << where;
                EXPECT_TRUE(accessible->state().checkable) << where;
                EXPECT_EQ(bool(accessible->state().checked), button->isChecked()) << where;
            } else if (qobject_cast<QCheckBox*>(button)) {
                EXPECT_EQ(accessible->role(), QAccessible::CheckBox) << where;
            }
        }
    }
    EXPECT_GE(radios, 12);

    // Its toggle action selects it as a click does, and the group follows.
    ReadAgain(*doc_, {{"ASSIGNTRAY1", "OFF"}});
    Open(8);
    QAccessibleInterface* number = QAccessible::queryAccessibleInterface(page_->Control(1198));
    ASSERT_NE(number->actionInterface(), nullptr);
    ASSERT_TRUE(number->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    number->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(number->state().checked);
    EXPECT_FALSE(Ctl<QRadioButton>(1197)->isChecked());
    EXPECT_EQ(Value("ASSIGNTRAY1"), Ctl<QLineEdit>(1201)->text().toStdString());
}

TEST_F(AccessibleNamesTest, SpinArrowsAreNamed) {
    StartDocument(0);
    int spins = 0;
    for (int view = 1; view <= 11; ++view) {
        Open(view);
        for (ui::SpinButton* spin : page_->findChildren<ui::SpinButton*>()) {
            ++spins;
            for (QToolButton* arrow : {spin->upButton(), spin->downButton()}) {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(arrow);
                EXPECT_EQ(accessible->text(QAccessible::Name),
                          QString::fromStdString(res::String(arrow == spin->upButton() ? 61392 : 61393)))
                    << "page " << view << ", " << spin->objectName().toStdString();
            }
        }
    }
    EXPECT_GE(spins, 4);
}

using DropDownTest = PageTest;

TEST_F(DropDownTest, ListsOpenBelowTheirBoxAsTallAsTheirTemplate) {
    StartDocument(0);
    Open(6);
    for (QComboBox* list : page_->findChildren<QComboBox*>()) {
        if (!list->isEnabled() || list->count() < 2) continue;
        list->showPopup();
        QWidget* popup = list->view()->window();
        ASSERT_TRUE(popup->isVisible());
        const int boxBottom = list->mapToGlobal(QPoint(0, list->height())).y();
        EXPECT_GE(popup->geometry().top(), boxBottom - 1)
            << list->objectName().toStdString() << " opened over its box, not below it";
        const int rows = std::min(list->count(), list->maxVisibleItems());
        const int rowHeight = list->view()->sizeHintForRow(0);
        EXPECT_GE(list->view()->viewport()->height(), rows * rowHeight - 1) << list->objectName().toStdString();
        EXPECT_LE(list->view()->viewport()->height(), (rows + 1) * rowHeight) << list->objectName().toStdString();
        list->hidePopup();
    }
}

}  // namespace
}  // namespace pagetest
