// A setting page of the Win32 front end, and by itself the empty page (template 101). The page's
// template is built into a window-coloured form (winui/template_window.h); its controls are bound
// by control id to the page's model (pages/page_model.h), which says what each control shows and
// stores what the user does: a list's CBN_SELENDOK, a box's or button's BN_CLICKED, an edit's
// EN_CHANGE (typed, or written by its spin). The page holds no values of its own.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "pages/page_model.h"

class CPrinterDoc;

namespace winui {

class SettingsPage {
public:
    // The page of a table (an empty table gives the empty page), its form created hidden inside
    // parent. Nothing is filled until OnInitialUpdate.
    SettingsPage(CPrinterDoc* doc, pages::PageTable table, HWND parent);
    ~SettingsPage();
    SettingsPage(const SettingsPage&) = delete;
    SettingsPage& operator=(const SettingsPage&) = delete;

    // False when the form could not be created.
    bool Created() const { return m_form != nullptr; }
    // Run once after the page was put into its pane: fills it; in one-way mode the first page
    // shown greys the save-as-command-file menu item.
    void OnInitialUpdate();
    // Shows the document's current values again.
    void OnUpdate();

    HWND Form() const { return m_form; }
    // The control with that id, or nullptr.
    HWND Control(int id) const;
    int TemplateId() const { return m_templateId; }
    SIZE Size() const { return m_size; }
    // The first control of the tab order; nullptr when the page has none.
    HWND FocusTarget() const;
    pages::PageModel& Model() { return m_model; }

private:
    static INT_PTR CALLBACK DialogProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void OnTextChanged(int id, HWND edit);
    void Fill(bool initial);
    // Shows the model's state of one control whole (a fill).
    void Show(int id);
    // After a user's action: what it changed besides the control acted on (controls enabled or
    // disabled, the other buttons of a radio group).
    void ShowSideEffects();
    void ShowTitle(HWND title, const pages::ControlState& state);
    // A radio group is one tab stop: its checked button, or its first enabled one when the checked
    // button is disabled or none is checked.
    void UpdateRadioTabStops();

    CPrinterDoc* m_doc;
    int m_templateId;
    pages::PageModel m_model;
    HWND m_form = nullptr;
    SIZE m_size{};
    bool m_initialised = false;
    bool m_filling = false;    // the fill's own notifications store nothing
    bool m_adjusting = false;  // an edit's text is being cut back to its limit
    std::map<int, std::wstring> m_accepted;  // a text field's text before the user's last change
};

// The page of a tree node: view ids 1..11 have a page; any other (the root's 0 included) is empty.
std::unique_ptr<SettingsPage> CreatePage(int viewId, CPrinterDoc* doc, HWND parent);

}  // namespace winui
