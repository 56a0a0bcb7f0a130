// CSettingsView: a setting page in the right pane of the main window, and by itself the empty page
// (template 101). The page's template is built into a window-coloured form (which scrolls when the
// pane is smaller); its widgets are bound by control id to the page's model (pages/page_model.h),
// which says what each control shows and stores what the user does. The page holds no values of
// its own.
#pragma once

#include <QScrollArea>
#include <functional>
#include <map>
#include <string>

#include "pages/page_model.h"
#include "qtui/dialog_builder.h"

class CPrinterDoc;
class QTextEdit;

class CSettingsView : public QScrollArea {
    Q_OBJECT
public:
    // The page of a table; an empty table gives the empty page. The form is built at once;
    // nothing is filled until OnInitialUpdate. descriptors: see pages::PageModel.
    CSettingsView(CPrinterDoc* doc, pages::PageTable table, QWidget* parent = nullptr,
                  std::map<std::string, DescriptorRef> descriptors = {});
    ~CSettingsView() override;

    // Run once by the frame after the page has been put into its pane: binds the controls, fills
    // them, and in one-way mode greys the save-as-command-file menu item the first time any page
    // is shown.
    void OnInitialUpdate();
    // Shows the document's current values again (clears the armed flags, fills, sets the title).
    void OnUpdate();

    CPrinterDoc* Doc() const { return m_doc; }
    int TemplateId() const { return m_templateId; }
    pages::PageModel& Model() { return m_model; }
    // The form holding the controls (the scroll area's widget).
    QWidget* Form() const { return m_form; }
    // The control with that id, or nullptr.
    QWidget* Control(int id) const;
    // The control that gets the focus when the page becomes the active pane.
    QWidget* FocusTarget() const;

protected:
    bool event(QEvent* event) override;

private:
    void ApplyFormColours();
    void ConnectControls();
    // Shows the model's state of one control whole (a fill).
    void Show(int id);
    // After a user's action: what an action changes besides the control acted on (other
    // controls enabled or disabled, the other buttons of a radio group).
    void ShowSideEffects();
    void Fill(bool initial);
    void ShowTitle(QTextEdit* title, const pages::ControlState& state);
    // Tells the user, in the main window's status bar, which typed characters a name field left
    // out because the printer's code page lacks them.
    void ShowLeftOut(const QString& characters);

    CPrinterDoc* m_doc;
    int m_templateId;
    QWidget* m_form;
    ui::BuiltDialog m_built;
    pages::PageModel m_model;
    bool m_initialised = false;
    bool m_filling = false;  // the fill's own change notifications show nothing else
};

// The page of a tree node: ViewId 1..11 has a page; anything else (the root's 0 included) is empty.
CSettingsView* CreatePage(int viewId, CPrinterDoc* doc, QWidget* parent);
bool HasPage(int viewId);
// Makes the page of a view id another one (tests show pages of their own this way).
using PageFactory = std::function<CSettingsView*(CPrinterDoc* doc, QWidget* parent)>;
bool RegisterPage(int viewId, PageFactory factory);
