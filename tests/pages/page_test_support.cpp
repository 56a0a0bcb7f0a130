#include "page_test_support.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QRadioButton>

namespace pagetest {

void PageTest::SetUp() {
    DocumentTest::SetUp();
    host_ = std::make_unique<QWidget>();
    host_->resize(800, 600);
    host_->show();
}

void PageTest::TearDown() {
    Close();
    host_.reset();
    DocumentTest::TearDown();
}

CSettingsView* PageTest::Open(int viewId) {
    Close();
    page_ = CreatePage(viewId, doc_.get(), host_.get());
    page_->setGeometry(0, 0, 700, 560);
    page_->show();
    page_->OnInitialUpdate();
    return page_;
}

void PageTest::Close() {
    delete page_;
    page_ = nullptr;
}

// What a control shows, in one comparable text.
std::string Shown(QWidget* w) {
    if (auto* list = qobject_cast<QComboBox*>(w)) return "list " + list->currentData().toString().toStdString();
    if (auto* box = qobject_cast<QAbstractButton*>(w))
        return std::string("button ") + (box->isChecked() ? "on" : "off") + (box->isEnabled() ? "" : " disabled");
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return "text " + edit->text().toStdString();
    if (auto* spin = qobject_cast<ui::SpinButton*>(w))
        return "spin " + std::to_string(spin->pos()) + (spin->isEnabled() ? "" : " disabled");
    return "?";
}



void ExpectShowsDocumentValue(CSettingsView* page, const CPrinterDoc& doc, const Binding& b) {
    QWidget* w = page->Control(b.controlId);
    ASSERT_NE(w, nullptr) << b.controlId;
    const std::string name = NpaNameOf(doc, b.section);
    const QString value = QString::fromStdString(doc.ReadValue(name));
    auto same = [](const QString& x, const std::string& y) {
        return QString::compare(x, QString::fromStdString(y), Qt::CaseInsensitive) == 0;
    };
    const DescriptorRef d = Descriptor(doc, b.section);
    // Whether the setting holds a number rather than its off value or one of its choices.
    bool number = true;
    int minVal = 0;
    if (auto* off = std::get_if<const config::RangeOffDescriptor*>(&d)) {
        number = !same(value, (*off)->offValue);
        minVal = (*off)->minVal;
    } else if (auto* choice = std::get_if<const config::RangeChoiceDescriptor*>(&d)) {
        for (const std::string& c : (*choice)->choices) number = number && !same(value, c);
        minVal = (*choice)->minVal;
    }
    if (auto* list = qobject_cast<QComboBox*>(w)) {
        EXPECT_TRUE(same(list->currentData().toString(), name + ":" + value.toStdString()))
            << b.section << " shows " << list->currentData().toString().toStdString();
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        EXPECT_EQ(edit->text(), value) << b.section;
    } else if (auto* spin = qobject_cast<ui::SpinButton*>(w)) {
        const QString shown = number ? value : QString::number(minVal);
        EXPECT_EQ(QString::number(spin->pos()), shown) << b.section;
        EXPECT_EQ(spin->buddy()->text(), shown) << b.section;
        EXPECT_EQ(spin->isEnabled(), number) << b.section;
    } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        auto* choice = std::get<const config::RangeChoiceDescriptor*>(d);
        if (b.related)
            EXPECT_EQ(radio->isChecked(), number) << b.section;
        else
            EXPECT_EQ(radio->isChecked(), same(value, choice->choices.at(1))) << b.section;
    } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
        if (auto* sw = std::get_if<const config::SwitchDescriptor*>(&d))
            EXPECT_EQ(check->isChecked(), !same(QString::fromStdString(name) + ":" + value, (*sw)->entry[0]))
                << b.section;
        else
            EXPECT_EQ(check->isChecked(), number) << b.section;
    }
}

void PrepareControl(CSettingsView* page, const Binding& b) {
    auto* spin = qobject_cast<ui::SpinButton*>(page->Control(b.controlId));
    if (spin && !spin->isEnabled()) ClickBox(qobject_cast<QAbstractButton*>(page->Control(b.related)));
}

std::string ActOn(CSettingsView* page, const CPrinterDoc& doc, const Binding& b) {
    QWidget* w = page->Control(b.controlId);
    const DescriptorRef descriptor = Descriptor(doc, b.section);
    if (auto* list = qobject_cast<QComboBox*>(w)) {
        const int index = (list->currentIndex() + 1) % list->count();
        ChooseEntry(list, index);
        return config::KeyToken(list->itemData(index).toString().toStdString());
    }
    if (auto* spin = qobject_cast<ui::SpinButton*>(w)) {
        StepSpin(spin, spin->pos() < spin->maximum() ? +1 : -1);
        return spin->buddy()->text().toStdString();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        TypeText(edit, "Q");
        return edit->text().toStdString();
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button) {
        ADD_FAILURE() << "control " << b.controlId << " missing";
        return {};
    }
    ClickBox(button);
    auto field = [&](int id) { return qobject_cast<QLineEdit*>(page->Control(id))->text().toStdString(); };
    if (auto* d = std::get_if<const config::SwitchDescriptor*>(&descriptor))
        return config::KeyToken((*d)->entry[button->isChecked() ? 1 : 0]);
    if (auto* d = std::get_if<const config::RangeOffDescriptor*>(&descriptor))
        return button->isChecked() ? field(b.related) : (*d)->offValue;
    if (auto* d = std::get_if<const config::RangeChoiceDescriptor*>(&descriptor))
        return b.related ? field(b.related) : (*d)->choices.at(1);
    ADD_FAILURE() << "unexpected descriptor of " << b.section;
    return {};
}

void ClickBox(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    const QRect box = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, box.center());
}

void ChooseEntry(QComboBox* list, int index) {
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(index >= 0 && index < list->count());
    list->showPopup();
    QAbstractItemView* view = list->view();
    const QModelIndex item = view->model()->index(index, list->modelColumn(), list->rootModelIndex());
    view->scrollTo(item);
    const QPoint at = view->visualRect(item).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (list->view()->isVisible()) list->hidePopup();
}

int IndexOfText(QComboBox* list, const QString& text) { return list ? list->findText(text, Qt::MatchExactly) : -1; }

void StepSpin(ui::SpinButton* spin, int direction) {
    ASSERT_NE(spin, nullptr);
    QTest::mouseClick(direction > 0 ? spin->upButton() : spin->downButton(), Qt::LeftButton);
}

void TypeText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, text);
}

void CommitText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->end(false);
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

void Backspace(QLineEdit* edit, int times) {
    edit->setFocus();
    edit->end(false);
    for (int i = 0; i < times; ++i) QTest::keyClick(edit, Qt::Key_Backspace);
}

std::vector<QString> Entries(QComboBox* list) {
    std::vector<QString> out;
    for (int i = 0; list && i < list->count(); ++i) out.push_back(list->itemText(i));
    return out;
}

}  // namespace pagetest
