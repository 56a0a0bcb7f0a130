// CMainFrame: the main window. Menu, status bar, and a splitter with the navigation tree on the
// left and the current setting page on the right. It runs the apply and save-as-command-file
// commands, and closing it (menu, close box, Alt+F4) runs the document's save-modified step,
// which keeps the window open when the user chose to apply and the apply failed.
// It is the document's IPrinterFrame.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>

#include "document/frame.h"
#include "transactions/transactions.h"

class CPrinterDoc;
class CPrinterMopView;
class CProgressDlg;
class CSettingsView;
class IUiPrompts;
class Profile;
class QAction;
class QLabel;
class QSplitter;

class CMainFrame : public QMainWindow, public IPrinterFrame {
    Q_OBJECT
public:
    CMainFrame(CPrinterDoc* doc, IUiPrompts& prompts, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates the menu, the status bar and both panes (the tree, built from ini, and the empty
    // page). False when a part cannot be created.
    bool Create(const std::string& printerLabel, const Profile& ini);

    // Commands.
    void OnApply();
    void OnSaveCommandFile();
    void OnNextPane(bool forward);
    void SetAboutHandler(std::function<void()> about) { m_about = std::move(about); }

    CPrinterMopView* Tree() const { return m_tree; }
    CSettingsView* Page() const;
    QSplitter* Splitter() const { return m_splitter; }
    QAction* Action(int commandId) const;
    QLabel* MessagePane() const { return m_messagePane; }

    // IPrinterFrame
    std::string statusText() override;
    void setStatusText(const std::string& text) override;
    void setWaitCursor(bool on) override;
    bool menuItemEnabled(int commandId) override;
    void setMenuItemEnabled(int commandId, bool enabled) override;
    void redraw() override;
    bool replaceView(int viewId) override;
    int messageBox(const std::string& text, const std::string& caption, unsigned style,
                   bool ownedByMainWindow) override;
    // Runs the work on a worker thread behind CProgressDlg (modal: the window repaints, its input
    // waits) and returns its result once it has ended.
    int runLongWork(const std::string& label, const std::function<int()>& work) override;
    void workProgress(NpaPhase phase, size_t sent, size_t total) override;
    // Fills the page on the right again from the document.
    void documentValuesChanged() override;
    // Over the status pane, for milliseconds (QStatusBar's temporary message).
    void showConfirmation(const std::string& text, int milliseconds) override;
    // The progress dialog while long work runs, else nullptr.
    CProgressDlg* Progress() const { return m_progress; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Watches the first moves and resizes for the window manager's frame (see FitOuterSize).
    bool event(QEvent* event) override;

private:
    void CreateMenu();
    CPrinterDoc* m_doc;
    IUiPrompts& m_prompts;
    QSplitter* m_splitter = nullptr;
    CPrinterMopView* m_tree = nullptr;
    QLabel* m_messagePane = nullptr;
    std::map<int, QAction*> m_actions;
    std::function<void()> m_about;
    bool m_closed = false;  // the document let go of the printer: closing can no longer be refused
    // 680 x 450 is the whole window's size: once the frame around the client area is known,
    // the client area is made that much smaller. A window manager adds its frame only after the
    // window was first shown, so this waits for the first geometry that has one.
    void FitOuterSize();
    bool m_sized = false;
    int m_waitDepth = 0;
    CProgressDlg* m_progress = nullptr;
};
