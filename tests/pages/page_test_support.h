// Shared by the page tests: a document with a fake frame, pages opened as the tree opens them,
// and the user's real actions on real widgets (clicks at a check box's box, clicks on a list's
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

#include "document/printer_doc.h"
#include "pages/settings_view.h"
#include "ui/spin_button.h"

namespace pagetest {

class FakeFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status; }
    void setStatusText(const std::string& text) override { status = text; }
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int id) override { return id == ID_FILE_SAVE_COMMAND ? saveEnabled : true; }
    void setMenuItemEnabled(int id, bool enabled) override {
        if (id == ID_FILE_SAVE_COMMAND) saveEnabled = enabled;
    }
    void redraw() override { ++redraws; }
    bool replaceView(int) override { return true; }
    int messageBox(const std::string&, const std::string&, unsigned, bool) override { return msgbox::kIdOk; }

    std::string status;
    bool saveEnabled = true;
    int redraws = 0;
};

// The configuration file of the data folder, or a changed copy of it.
std::string DataIni();
// Replaces the whole section [name] of ini text by replacement (which starts with "[name]").
std::string ReplaceSection(const std::string& ini, const std::string& name, const std::string& replacement);

// Values of every setting of doc's descriptors that a printer could report: the second list
// entry, the checked switch value, a short name, a number within range.
ValueMap SampleValues(const CPrinterDoc& doc);

// The descriptor and NPA name of a configuration section.
DescriptorRef Descriptor(const CPrinterDoc& doc, const std::string& section);
std::string NpaNameOf(const CPrinterDoc& doc, const std::string& section);

class PageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the document from the configuration file at iniPath (the data folder's by default)
    // with values (SampleValues when empty) in two-way (0) or one-way (1) mode.
    void StartDocument(int readStatus = 0, ValueMap values = {}, const std::string& iniPath = "");
    // Writes ini text into the temporary folder and starts the document on it.
    void StartDocumentWithIni(const std::string& iniText, ValueMap values = {}, int readStatus = 0);

    // Destroys the shown page and opens the page of viewId as the tree does.
    CSettingsView* Open(int viewId);
    void Close();

    template <class W>
    W* Ctl(int id) const {
        return qobject_cast<W*>(page_ ? page_->Control(id) : nullptr);
    }

    std::string Value(const std::string& npaName) const { return doc_->ReadValue(npaName); }

    std::string tmp_;
    FakeFrame frame_;
    std::unique_ptr<CPrinterDoc> doc_;
    std::unique_ptr<QWidget> host_;
    CSettingsView* page_ = nullptr;
};

// One control of a page and the setting it edits.
struct Binding {
    int viewId;
    int controlId;
    const char* section;
    // A spin: the control that must be chosen first to enable it. A check box switching a
    // number, or a number button: the number field whose text is stored.
    int related = 0;
};
// Every user-editable control of the eleven pages.
const std::vector<Binding>& AllBindings();
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
