// The templates of the start-up dialogs, the about box and the empty page; the main menu and its
// accelerators; and the lookup of templates by id.
#include <vector>

#include "templates/templates.h"

namespace res {
namespace {

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, Ctl::Icon, nullptr, 11, 17, 20, 20},
    {IDC_ABOUT_TITLE, Ctl::Static, "Altrin Pressline T90 설정 유틸리티", 40, 10, 180, 10},
    {IDC_ABOUT_VERSION, Ctl::Static, "7.2.3", 40, 20, 189, 13},
    {IDOK_BUTTON, Ctl::DefPushButton, "확인", 238, 7, 50, 14, S_GROUP | S_TABSTOP},
};

constexpr ControlTemplate kSelectPrinterControls[] = {
    {IDC_SELECT_PROMPT, Ctl::Static, "설정을 변경을 원하는 프린터를 지정 하십시오.", 10, 10, 255, 10},
    {IDC_PRINTER_LIST, Ctl::ListBox, nullptr, 10, 25, 245, 90,
     S_SORT | S_NOTIFY | S_VSCROLL | S_BORDER | S_NOINTEGRALHEIGHT | S_TABSTOP},
    {IDOK_BUTTON, Ctl::DefPushButton, "확인", 150, 125, 50, 14, S_TABSTOP},
    {IDCANCEL_BUTTON, Ctl::PushButton, "취소", 205, 125, 50, 14, S_TABSTOP},
};

constexpr ControlTemplate kPrinterQueryControls[] = {
    {IDC_STATIC, Ctl::Static, "프린터로 부터 쿼리 설정 중 입니다. 잠시 기다리십시오 ...", 5, 15, 280, 10, S_CENTER},
};

constexpr DialogTemplate kBuiltIn[] = {
    {IDD_ABOUTBOX, "설정 유틸리티 버전 정보", 297, 66, D_MODAL | D_CAPTION | D_SYSMENU, kAboutControls},
    {IDD_EMPTY_PAGE, nullptr, 326, 231, D_CHILD, {}},
    {IDD_SELECT_PRINTER, "복수 프린터 발견", 265, 146, D_MODAL | D_CAPTION, kSelectPrinterControls},
    {IDD_PRINTER_QUERY, "프린터 쿼리", 292, 41, D_MODAL | D_CAPTION, kPrinterQueryControls},
};

constexpr MenuEntry kMainMenu[] = {
    {MenuKind::Popup, 0, "파일(&F)", nullptr},
    {MenuKind::Item, ID_SAVE_COMMAND_FILE, "코멘드 파일로 저장(&S)", "Ctrl+S"},
    {MenuKind::Separator, 0, nullptr, nullptr},
    {MenuKind::Item, ID_APP_EXIT, "마침(&X)", nullptr},
    // Settings files and snapshots, after the items of old.
    {MenuKind::Separator, 0, nullptr, nullptr},
    {MenuKind::Item, ID_EXPORT_SETTINGS, "설정 내보내기(&E)...", nullptr},
    {MenuKind::Item, ID_IMPORT_SETTINGS, "설정 가져오기(&I)...", nullptr},
    {MenuKind::Item, ID_RESTORE_SETTINGS, "이전 상태로 복원(&R)...", nullptr},
    {MenuKind::EndPopup, 0, nullptr, nullptr},
    {MenuKind::Item, ID_APPLY_SETTINGS, "적용(&A)", nullptr},
    {MenuKind::Item, ID_APP_ABOUT, "버전 정보(&B)", nullptr},
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
std::span<const Accelerator> MainAccelerators() { return kMainAccelerators; }

}  // namespace res
