// Shared by the page tests on widgets: pages opened as the tree opens them over the document of
// page_fixture.h, and the user's real actions on real widgets (clicks at a check box's box, clicks on a list's
// entry in its open popup, spin arrow clicks, typing and Korean input-method commits).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "qtui/settings_view.h"
#include "qtui/spin_button.h"

namespace pagetest {

// A document and the pages on real widgets.
class PageTest : public DocumentTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Destroys the shown page and opens the page of viewId as the tree does.
    CSettingsView* Open(int viewId);
    void Close() override;

    template <class W>
    W* Ctl(int id) const {
        return qobject_cast<W*>(page_ ? page_->Control(id) : nullptr);
    }

    std::unique_ptr<QWidget> host_;
    CSettingsView* page_ = nullptr;
};

// What a control shows, in one comparable text.
std::string Shown(QWidget* control);
// Expects the control to show the document's current value of its setting.
void ExpectShowsDocumentValue(CSettingsView* page, const CPrinterDoc& doc, const Binding& binding);
// Makes a binding's control usable (a spin behind a cleared box or an unchosen number button).
void PrepareControl(CSettingsView* page, const Binding& binding);
// The user's one action on the control; returns the value token it must store.
std::string ActOn(CSettingsView* page, const CPrinterDoc& doc, const Binding& binding);

// --- the user's actions ----------------------------------------------------------------------

// A left click at the centre of a check box's or radio button's box.
void ClickBox(QAbstractButton* button);
// Opens the list and clicks the entry at index.
void ChooseEntry(QComboBox* list, int index);
int IndexOfText(QComboBox* list, const QString& text);
// One click on the spin's up (+1) or down (-1) arrow.
void StepSpin(ui::SpinButton* spin, int direction);
// Keystrokes into a focused edit.
void TypeText(QLineEdit* edit, const QString& text);
// Commits text through the input method, as a Korean IME does.
void CommitText(QLineEdit* edit, const QString& text);
void Backspace(QLineEdit* edit, int times);

// Entries of a list in display order.
std::vector<QString> Entries(QComboBox* list);

}  // namespace pagetest
