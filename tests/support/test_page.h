// The test page (test_page_table.h) on real widgets, for the page-base and frame tests.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>

#include "qtui/settings_view.h"
#include "qtui/spin_button.h"
#include "test_page_table.h"

namespace guitest {

class TestPage : public CSettingsView {
public:
    explicit TestPage(CPrinterDoc* doc, QWidget* parent = nullptr, int titleString = 61299)
        : CSettingsView(doc, TestTable(titleString), parent, TestDescriptorRefs()) {
        title = qobject_cast<QTextEdit*>(Control(kTitle));
        list = qobject_cast<QComboBox*>(Control(kList));
        sw = qobject_cast<QCheckBox*>(Control(kSwitch));
        text = qobject_cast<QLineEdit*>(Control(kText));
        offBox = qobject_cast<QCheckBox*>(Control(kOffBox));
        offEdit = qobject_cast<QLineEdit*>(Control(kOffEdit));
        offSpin = qobject_cast<ui::SpinButton*>(Control(kOffSpin));
        rangeEdit = qobject_cast<QLineEdit*>(Control(kRangeEdit));
        rangeSpin = qobject_cast<ui::SpinButton*>(Control(kRangeSpin));
        first = qobject_cast<QRadioButton*>(Control(kFirst));
        second = qobject_cast<QRadioButton*>(Control(kSecond));
        number = qobject_cast<QRadioButton*>(Control(kNumberRadio));
        assignEdit = qobject_cast<QLineEdit*>(Control(kAssignEdit));
        assignSpin = qobject_cast<ui::SpinButton*>(Control(kAssignSpin));
    }
    int Armed(int flag) { return Model().Armed(flag); }
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
};

}  // namespace guitest
