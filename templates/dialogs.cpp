// The templates of the start-up dialogs, the about box and the empty page; the main menu and its
// accelerators; the lookup of templates by id; what a template's texts say in the window's
// language.
#include <vector>

#include "strings/string_table.h"
#include "templates/templates.h"

namespace res {
namespace {

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, Ctl::Icon, nullptr, 11, 17, 20, 20},
    {IDC_ABOUT_TITLE, Ctl::Static, nullptr, 40, 10, 180, 10, 0, 57344},
    {IDC_ABOUT_VERSION, Ctl::Static, "7.2.3", 40, 20, 189, 13},
    {IDOK_BUTTON, Ctl::DefPushButton, nullptr, 238, 7, 50, 14, S_GROUP | S_TABSTOP, 61475},
};

constexpr ControlTemplate kSelectPrinterControls[] = {
    {IDC_SELECT_PROMPT, Ctl::Static, nullptr, 10, 10, 255, 10, 0, 61473},
    {IDC_PRINTER_LIST, Ctl::ListBox, nullptr, 10, 25, 245, 90,
     S_SORT | S_NOTIFY | S_VSCROLL | S_BORDER | S_NOINTEGRALHEIGHT | S_TABSTOP},
    {IDOK_BUTTON, Ctl::DefPushButton, nullptr, 150, 125, 50, 14, S_TABSTOP, 61475},
    {IDCANCEL_BUTTON, Ctl::PushButton, nullptr, 205, 125, 50, 14, S_TABSTOP, 61355},
};

constexpr ControlTemplate kPrinterQueryControls[] = {
    {IDC_STATIC, Ctl::Static, nullptr, 5, 15, 280, 10, S_CENTER, 61474},
};

constexpr DialogTemplate kBuiltIn[] = {
    {IDD_ABOUTBOX, nullptr, 297, 66, D_MODAL | D_CAPTION | D_SYSMENU, kAboutControls, "굴림", 9, 61470},
    {IDD_EMPTY_PAGE, nullptr, 326, 231, D_CHILD, {}},
    {IDD_SELECT_PRINTER, nullptr, 265, 146, D_MODAL | D_CAPTION, kSelectPrinterControls, "굴림", 9, 61471},
    {IDD_PRINTER_QUERY, nullptr, 292, 41, D_MODAL | D_CAPTION, kPrinterQueryControls, "굴림", 9, 61472},
};

constexpr MenuEntry kMainMenu[] = {
    {MenuKind::Popup, 0, nullptr, nullptr, 61480},
    {MenuKind::Item, ID_SAVE_COMMAND_FILE, nullptr, "Ctrl+S", 61481},
    {MenuKind::Separator, 0, nullptr, nullptr},
    {MenuKind::Item, ID_APP_EXIT, nullptr, nullptr, 61482},
    // Settings files and snapshots, after the items of old.
    {MenuKind::Separator, 0, nullptr, nullptr},
    {MenuKind::Item, ID_EXPORT_SETTINGS, nullptr, nullptr, 61483},
    {MenuKind::Item, ID_IMPORT_SETTINGS, nullptr, nullptr, 61484},
    {MenuKind::Item, ID_RESTORE_SETTINGS, nullptr, nullptr, 61485},
    {MenuKind::EndPopup, 0, nullptr, nullptr},
    {MenuKind::Item, ID_APPLY_SETTINGS, nullptr, nullptr, 61486},
    {MenuKind::Item, ID_APP_ABOUT, nullptr, nullptr, 61487},
};

constexpr Accelerator kMainAccelerators[] = {
    {KEY_S, ACC_CTRL, ID_SAVE_COMMAND_FILE},
    {KEY_F6, 0, ID_NEXT_PANE},
    {KEY_F6, ACC_SHIFT, ID_PREV_PANE},
};

std::vector<const DialogTemplate*>& Registered() {
    static std::vector<const DialogTemplate*> registered;
    return registered;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate* t : Registered()) {
        if (t->id == id) return t;
    }
    for (const DialogTemplate& t : kBuiltIn) {
        if (t.id == id) return &t;
    }
    return nullptr;
}

bool RegisterDialogTemplate(const DialogTemplate& dialog) {
    Registered().push_back(&dialog);
    return true;
}

std::span<const MenuEntry> MainMenu() { return kMainMenu; }

namespace {
std::string TextOf(int id, const char* own) {
    if (id != 0) return String(id);
    return own ? own : std::string();
}
}  // namespace

std::string ControlText(const ControlTemplate& control) { return TextOf(control.textId, control.text); }
std::string DialogCaption(const DialogTemplate& dialog) { return TextOf(dialog.captionId, dialog.caption); }
std::string MenuText(const MenuEntry& entry) { return TextOf(entry.textId, entry.text); }
std::span<const Accelerator> MainAccelerators() { return kMainAccelerators; }

}  // namespace res
