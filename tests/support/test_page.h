// A page of every binding kind on a template of its own, for the page-base and frame tests.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>

#include "pages/settings_view.h"
#include "ui/templates.h"
#include "ui/spin_button.h"

namespace guitest {

enum : int {
    kTestTemplate = 9100,
    kTitle = 900,
    kList = 901,
    kSwitch = 902,
    kText = 903,
    kOffBox = 904,
    kOffEdit = 905,
    kOffSpin = 906,
    kRangeEdit = 907,
    kRangeSpin = 908,
    kFirst = 910,
    kSecond = 911,
    kNumberRadio = 912,
    kAssignEdit = 913,
    kAssignSpin = 914,
};

inline const res::DialogTemplate& TestTemplate() {
    using namespace res;
    static constexpr ControlTemplate controls[] = {
        {kTitle, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_DISABLED | S_NOHIDESEL},
        {kList, Ctl::ComboBox, nullptr, 161, 29, 135, 40, S_SORT | S_VSCROLL | S_TABSTOP},
        {kSwitch, Ctl::CheckBox, "스위치", 29, 46, 139, 10, S_LEFTTEXT | S_TABSTOP},
        {kText, Ctl::Edit, nullptr, 161, 61, 135, 12, S_BORDER | S_AUTOHSCROLL | S_TABSTOP},
        {kOffBox, Ctl::CheckBox, "절전 모드", 29, 78, 139, 10, S_LEFTTEXT | S_TABSTOP},
        {kOffEdit, Ctl::Edit, nullptr, 177, 77, 45, 12, S_NUMBER_FIELD | S_DISABLED},
        {kOffSpin, Ctl::UpDown, nullptr, 227, 77, 11, 10, S_SPIN | S_DISABLED},
        {kRangeEdit, Ctl::Edit, nullptr, 161, 93, 45, 12, S_NUMBER_FIELD},
        {kRangeSpin, Ctl::UpDown, nullptr, 211, 93, 11, 10, S_SPIN},
        {kFirst, Ctl::RadioButton, "없음", 41, 110, 85, 12, S_GROUP | S_TABSTOP},
        {kSecond, Ctl::RadioButton, "꺼짐", 41, 126, 85, 12},
        {kNumberRadio, Ctl::RadioButton, nullptr, 41, 142, 10, 12},
        {kAssignEdit, Ctl::Edit, nullptr, 53, 142, 40, 12, S_NUMBER_FIELD | S_GROUP | S_DISABLED},
        {kAssignSpin, Ctl::UpDown, nullptr, 98, 142, 11, 10, S_SPIN},
    };
    static constexpr DialogTemplate dialog = {kTestTemplate, nullptr, 326, 231, D_CHILD, controls};
    static const bool registered = RegisterDialogTemplate(dialog);
    (void)registered;
    return dialog;
}

// The descriptors the test page binds; tests set them before a page is created.
struct TestDescriptors {
    config::ListDescriptor list;
    config::SwitchDescriptor sw;
    config::TextDescriptor text;
    config::RangeOffDescriptor off;
    config::RangeDescriptor range;
    config::RangeChoiceDescriptor assign;
};

inline TestDescriptors& Descriptors() {
    static TestDescriptors d = [] {
        TestDescriptors t;
        t.list.orderedKeys = {"EMUL:PCL", "EMUL:PS", "EMUL:AUTO"};
        t.list.labels = {{"EMUL:PCL", "PCL"}, {"EMUL:PS", "PostScript"}, {"EMUL:AUTO", "Auto"}};
        t.sw.entry[0] = "RESRED:OFF";
        t.sw.entry[1] = "RESRED:ON";
        t.text = {"PROPTAG", 8};
        t.off = {"PWRSVR", 1, 240, "OFF"};
        t.range = {"LINES", 5, 128};
        t.assign = {"ASSIGN1", 0, 20, {"NONE", "OFF"}};
        return t;
    }();
    return d;
}

class TestPage : public CSettingsView {
public:
    explicit TestPage(CPrinterDoc* doc, QWidget* parent = nullptr, int titleString = 61299)
        : CSettingsView(doc, (TestTemplate(), kTestTemplate), parent) {
        SetTitle(kTitle, titleString);
    }
    using CSettingsView::Armed;
    QComboBox* list = nullptr;
    QCheckBox* sw = nullptr;
    QLineEdit* text = nullptr;
    QCheckBox* offBox = nullptr;
    QLineEdit* offEdit = nullptr;
    ui::SpinButton* offSpin = nullptr;
    QLineEdit* rangeEdit = nullptr;
    ui::SpinButton* rangeSpin = nullptr;
    QRadioButton* first = nullptr;
    QRadioButton* second = nullptr;
    QRadioButton* number = nullptr;
    QLineEdit* assignEdit = nullptr;
    ui::SpinButton* assignSpin = nullptr;
    QTextEdit* title = nullptr;

protected:
    void DoDataExchange() override {
        title = RichEdit(kTitle);
        list = Combo(kList);
        sw = Check(kSwitch);
        text = Edit(kText);
        offBox = Check(kOffBox);
        offEdit = Edit(kOffEdit);
        offSpin = Spin(kOffSpin);
        rangeEdit = Edit(kRangeEdit);
        rangeSpin = Spin(kRangeSpin);
        first = Radio(kFirst);
        second = Radio(kSecond);
        number = Radio(kNumberRadio);
        assignEdit = Edit(kAssignEdit);
        assignSpin = Spin(kAssignSpin);
    }
    void ConnectHandlers() override {
        TestDescriptors& d = Descriptors();
        BindCombo(list);
        BindCheck(sw, d.sw);
        BindText(text, d.text, 1);
        BindCheckSpin(offBox, offEdit, offSpin, d.off, 2);
        BindSpin(rangeEdit, d.range, 3);
        // The assignment group, written by hand as a page with radio choices would.
        OnClicked(second, [this, &d] {
            MarkChanged();
            if (assignEdit->isEnabled()) EnableNumber(assignEdit, assignSpin, false);
            StoreAssign(2, "", d.assign);
        });
        OnClicked(number, [this, &d] {
            MarkChanged();
            EnableNumber(assignEdit, assignSpin, true);
            Armed(4) = 1;
            StoreAssign(3, assignEdit->text().toStdString(), d.assign);
        });
        OnTextChanged(assignEdit, [this, &d] {
            if (!ArmedChange(4)) return;
            MarkChanged();
            StoreAssign(3, assignEdit->text().toStdString(), d.assign);
        });
    }
    void FillFromDocument() override {
        TestDescriptors& d = Descriptors();
        FillCombo(d.list, list);
        FillCheck(d.sw, sw);
        FillText(d.text, text);
        FillCheckSpin(d.off, offSpin, offBox);
        FillSpin(d.range, rangeSpin);
        FillAssign(d.assign, assignSpin, first, second, number);
    }
};

}  // namespace guitest
