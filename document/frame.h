// What the printer document needs of the main window. The Qt frame implements it; tests use a
// fake. Keeps the document free of any user-interface toolkit.
#pragma once

#include <string>

// Message box styles and answers (the values of the classic message-box API).
enum : unsigned {
    MB_OK = 0x0,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONINFORMATION = 0x40,
    MB_SETFOREGROUND = 0x10000,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

constexpr int ID_FILE_SAVE_COMMAND = 32772;  // "코멘드 파일로 저장(&S)"
constexpr int ID_APPLY = 32774;              // "적용(&A)"

class IPrinterFrame {
public:
    virtual ~IPrinterFrame() = default;
    // Status bar pane 0.
    virtual std::string statusText() = 0;
    virtual void setStatusText(const std::string& text) = 0;  // shown and redrawn at once
    virtual void setWaitCursor(bool on) = 0;
    // Menu item state (ID_FILE_SAVE_COMMAND): enabled or greyed.
    virtual bool menuItemEnabled(int commandId) = 0;
    virtual void setMenuItemEnabled(int commandId, bool enabled) = 0;
    virtual void redraw() = 0;
    // Replaces the page on the right by a new page of the given view id. False when it fails.
    virtual bool replaceView(int viewId) = 0;
    // A message box; ownedByMainWindow false means no owner. text may already be formatted.
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned style,
                           bool ownedByMainWindow) = 0;
};
