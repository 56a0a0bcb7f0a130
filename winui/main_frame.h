// The main window of the Win32 front end: menu and accelerators (templates/templates.h's MainMenu() and
// MainAccelerators()), a status bar showing the system's help texts, and a splitter with the
// navigation tree on the left and the current setting page on the right. It runs the apply and
// save-as-command-file commands and the exit flow through flows/commands.h and the document, the
// settings-file commands (export, import, restore) through flows/settings_files.h, and is the
// document's IPrinterFrame.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "document/frame.h"
#include "winui/page_pane.h"

class CPrinterDoc;
class Profile;

namespace winui {

class ProgressDialog;
class SettingsFileUi;

class MainFrame : public IPrinterFrame {
public:
    explicit MainFrame(CPrinterDoc* doc);
    ~MainFrame() override;
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // Creates the window (hidden), its menu, status bar and both panes (the tree, built from
    // ini, and the empty page). False when a part cannot be created.
    bool Create(const std::string& printerLabel, const Profile& ini);
    void Show(int showCommand);

    // For the message loop: the accelerators, then the keys of the page's dialog navigation (Tab,
    // the arrows in a radio group). True when the message was handled and must not be dispatched.
    bool PreTranslate(MSG& msg);
    // For the message loop, after each message: keeps the focused control of the page in view.
    void FollowFocus();

    // Commands.
    void OnApply();
    void OnSaveCommandFile();
    void OnNextPane(bool forward);
    void OnSettingsFile(int commandId);
    void SetAboutHandler(std::function<void()> about) { m_about = std::move(about); }

    HWND Window() const { return m_window; }
    HWND Tree() const { return m_tree; }
    HWND StatusBar() const { return m_status; }
    HMENU Menu() const { return m_menu; }
    PagePane* Pane() const { return m_pane.get(); }
    SettingsPage* Page() const { return m_pane ? m_pane->Page() : nullptr; }
    int TreeWidth() const { return m_treeWidth; }

    // IPrinterFrame
    std::string statusText() override { return m_statusText; }
    void setStatusText(const std::string& text) override;
    void setWaitCursor(bool on) override;
    bool menuItemEnabled(int commandId) override;
    void setMenuItemEnabled(int commandId, bool enabled) override;
    void redraw() override;
    bool replaceView(int viewId) override;
    int messageBox(const std::string& text, const std::string& caption, unsigned style,
                   bool ownedByMainWindow) override;
    int runLongWork(const std::string& label, const std::function<int()>& work) override;
    void workProgress(NpaPhase phase, size_t sent, size_t total) override;
    void documentValuesChanged() override;
    void showConfirmation(const std::string& text, int milliseconds) override;

    // The timer that ends a confirmation in the status bar.
    static constexpr UINT_PTR kConfirmationTimer = 1;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateMenuBar();
    void Layout();
    void OnCommand(int id);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void ShowPaneText(const std::string& text);
    bool OverSplitter(int x) const;
    void OnClose();

    CPrinterDoc* m_doc;
    HWND m_window = nullptr;
    HWND m_tree = nullptr;
    HWND m_status = nullptr;
    HMENU m_menu = nullptr;
    HACCEL m_accelerators = nullptr;
    std::unique_ptr<PagePane> m_pane;
    std::function<void()> m_about;
    std::string m_statusText;
    int m_treeWidth = 150;
    int m_splitterWidth = 4;
    bool m_dragging = false;
    int m_waitDepth = 0;
    bool m_closing = false;  // the exit flow runs: a second close waits for its answer
    bool m_closed = false;   // the document let go of the printer: the window goes
    HWND m_lastFocus = nullptr;
    std::atomic<ProgressDialog*> m_progress{nullptr};
    std::unique_ptr<SettingsFileUi> m_files;
};

}  // namespace winui
