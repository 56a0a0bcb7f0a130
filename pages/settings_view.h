// CSettingsView: the base of every page in the right pane of the main window, and by itself the
// empty page (template 101). A page is a dialog template built into a window-coloured form (which
// scrolls when the pane is smaller), plus a fill step that shows the document's current values,
// plus change handlers that store one value into the document the moment the user changes a
// control. Pages hold no values of their own.
//
// Writing a page:
//
//   class CSetupView : public CSettingsView {
//   public:
//       explicit CSetupView(CPrinterDoc* doc, QWidget* parent = nullptr)
//           : CSettingsView(doc, 145, parent) { SetTitle(1288, 61297); }
//   protected:
//       void DoDataExchange() override {          // bind members to controls by id
//           m_emulation = Combo(1240);
//           m_pwrSvrBox = Check(1250); m_pwrSvrEdit = Edit(1251); m_pwrSvrSpin = Spin(1252);
//       }
//       void ConnectHandlers() override {         // once, after DoDataExchange
//           BindCombo(m_emulation);
//           BindCheckSpin(m_pwrSvrBox, m_pwrSvrEdit, m_pwrSvrSpin, Doc()->m_PwrSvr, 1);
//       }
//       void FillFromDocument() override {        // in the page's fixed order
//           FillCombo(Doc()->m_Emulation, m_emulation);
//           FillCheckSpin(Doc()->m_PwrSvr, m_pwrSvrSpin, m_pwrSvrBox);
//       }
//   };
//   DEVPANEL_REGISTER_PAGE(6, CSetupView)         // in the page's .cpp: ViewId -> constructor
//
// The base's OnUpdate clears the armed flags, runs FillFromDocument and sets the title line.
// Descriptors are passed by reference and must outlive the page (the document's members do).
#pragma once

#include <QScrollArea>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "config/config.h"
#include "document/value_tokens.h"
#include "ui/dialog_builder.h"

class CPrinterDoc;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QTextEdit;
namespace ui {
class SpinButton;
}

class CSettingsView : public QScrollArea {
    Q_OBJECT
public:
    // templateId 101 is the empty page. The form is built at once; nothing is filled until
    // OnInitialUpdate.
    explicit CSettingsView(CPrinterDoc* doc, int templateId = 101, QWidget* parent = nullptr);
    ~CSettingsView() override;

    // Run once by the frame after the page has been put into its pane: binds the controls
    // (DoDataExchange), connects the handlers, runs OnUpdate, and in one-way mode greys the
    // save-as-command-file menu item the first time any page is shown.
    void OnInitialUpdate();
    // Shows the document's current values again (clears the armed flags, fills, sets the title).
    virtual void OnUpdate();

    CPrinterDoc* Doc() const { return m_doc; }
    int TemplateId() const { return m_templateId; }
    // The form holding the controls (the scroll area's widget).
    QWidget* Form() const { return m_form; }
    // The control with that id, or nullptr.
    QWidget* Control(int id) const;
    // The control that gets the focus when the page becomes the active pane.
    QWidget* FocusTarget() const;

protected:
    // Typed access to the controls of the template (nullptr when the id is missing or is of
    // another kind).
    QComboBox* Combo(int id) const;
    QCheckBox* Check(int id) const;
    QRadioButton* Radio(int id) const;
    QLineEdit* Edit(int id) const;
    ui::SpinButton* Spin(int id) const;
    QTextEdit* RichEdit(int id) const;

    // The page's title line: control id and string id; OnUpdate applies it after filling.
    void SetTitle(int controlId, int stringId);

    virtual void DoDataExchange() {}
    virtual void ConnectHandlers() {}
    virtual void FillFromDocument() {}

    // Fills: document -> control. None marks the document modified.
    void FillCombo(const config::ListDescriptor& descriptor, QComboBox* list);
    void FillCheck(const config::SwitchDescriptor& descriptor, QAbstractButton* box);
    void FillText(const config::TextDescriptor& descriptor, QLineEdit* edit);
    void FillSpin(const config::RangeDescriptor& descriptor, ui::SpinButton* spin);
    void FillCheckSpin(const config::RangeOffDescriptor& descriptor, ui::SpinButton* spin,
                       QAbstractButton* box);
    void FillAssign(const config::RangeChoiceDescriptor& descriptor, ui::SpinButton* spin,
                    QAbstractButton* first, QAbstractButton* second, QAbstractButton* number);

    // Stores: control -> document (m_values, and m_changes in one-way mode).
    void StoreCombo(QComboBox* list);
    void StoreCheck(QAbstractButton* box, const config::SwitchDescriptor& descriptor);
    void StoreText(QLineEdit* edit, const std::string& npaName);
    void StoreCheckSpin(QAbstractButton* box, QLineEdit* edit, const config::RangeOffDescriptor& descriptor);
    // index 1: choices[0], 2: choices[1], 3: the number text.
    void StoreAssign(int index, const std::string& numberText, const config::RangeChoiceDescriptor& descriptor);
    void StoreValue(const std::string& npaName, const std::string& token);
    void Store(const std::optional<value_tokens::Stored>& value);

    // Run by every change handler before its store: the document's MarkChanged (in one-way mode
    // the greyed save-as-command-file item comes back; the modified flag is set).
    void MarkChanged();

    // The caption-coloured title line, the last step of the path after ">" in bold.
    void SetPageTitle(QTextEdit* title, int stringId);

    // Armed flags, numbered as the page likes (1, 2, ...). 0 after each fill; the first change
    // notification of an edit after a fill only arms it.
    int& Armed(int flag);
    void ClearArmedFlags();
    // The common EN_CHANGE guard: true when the change is the user's (the flag was armed);
    // otherwise arms the flag and returns false.
    bool ArmedChange(int flag);

    // The standard change handlers of the three binding patterns. Each connects once.
    // Drop-down list, on activation (also for the entry already chosen): MarkChanged, StoreCombo.
    void BindCombo(QComboBox* list);
    // Plain check box, on click: MarkChanged, StoreCheck.
    void BindCheck(QAbstractButton* box, const config::SwitchDescriptor& descriptor);
    // Text edit, on text change with armed flag `flag`: MarkChanged, StoreText.
    void BindText(QLineEdit* edit, const config::TextDescriptor& descriptor, int flag);
    // Number with a range, on buddy text change with armed flag `flag`: MarkChanged, StoreText.
    void BindSpin(QLineEdit* edit, const config::RangeDescriptor& descriptor, int flag);
    // Check box that switches a number: the click marks, enables or disables the edit and spin
    // with the box, and stores; the edit's changes (armed flag `flag`) store through
    // StoreCheckSpin.
    void BindCheckSpin(QAbstractButton* box, QLineEdit* edit, ui::SpinButton* spin,
                       const config::RangeOffDescriptor& descriptor, int flag);

    // Hooks for handlers written by hand: f runs on the control's notification.
    void OnActivated(QComboBox* list, std::function<void()> f);       // CBN_SELENDOK
    void OnClicked(QAbstractButton* button, std::function<void()> f);  // BN_CLICKED
    void OnTextChanged(QLineEdit* edit, std::function<void()> f);     // EN_CHANGE

    // Enables or disables a number field together with its spin.
    static void EnableNumber(QLineEdit* edit, ui::SpinButton* spin, bool enable);

    bool event(QEvent* event) override;

private:
    void ApplyFormColours();
    CPrinterDoc* m_doc;
    int m_templateId;
    QWidget* m_form;
    ui::BuiltDialog m_built;
    std::map<int, int> m_armed;
    int m_titleControl = 0;
    int m_titleString = 0;
    bool m_initialised = false;
};

// The page of a tree node: ViewId -> constructor. Pages register themselves from their own .cpp
// (DEVPANEL_REGISTER_PAGE); ids without a page get the empty page.
using PageFactory = std::function<CSettingsView*(CPrinterDoc* doc, QWidget* parent)>;
bool RegisterPage(int viewId, PageFactory factory);
CSettingsView* CreatePage(int viewId, CPrinterDoc* doc, QWidget* parent);
bool HasPage(int viewId);

#define DEVPANEL_PAGE_CONCAT2(a, b) a##b
#define DEVPANEL_PAGE_CONCAT(a, b) DEVPANEL_PAGE_CONCAT2(a, b)
#define DEVPANEL_REGISTER_PAGE(viewId, PageClass)                                                  \
    namespace {                                                                                     \
    const bool DEVPANEL_PAGE_CONCAT(registered_page_, __COUNTER__) = RegisterPage(                     \
        (viewId), [](CPrinterDoc* doc, QWidget* parent) -> CSettingsView* { return new PageClass(doc, parent); }); \
    }
