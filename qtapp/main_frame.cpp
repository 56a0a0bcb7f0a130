#include "qtapp/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "qtapp/nav_tree.h"
#include "qtapp/progress_dlg.h"
#include "qtapp/settings_file_actions.h"
#include "qtapp/ui_prompts.h"
#include "document/printer_doc.h"
#include "flows/commands.h"
#include "qtui/settings_view.h"
#include "strings/string_table.h"
#include "templates/templates.h"

namespace {

constexpr int kFrameWidth = 680, kFrameHeight = 450, kTreeWidth = 150;

// Menu help texts: the part before "\n" (the rest is a short name for tool tips).
QString HelpText(int id) {
    const std::string& text = res::String(id);
    return QString::fromStdString(text.substr(0, text.find('\n')));
}

QKeySequence KeyOf(const res::Accelerator& a) {
    int key = a.key == res::KEY_F6 ? Qt::Key_F6 : a.key;  // letters are their own key codes
    int modifiers = 0;
    if (a.modifiers & res::ACC_CTRL) modifiers |= Qt::CTRL;
    if (a.modifiers & res::ACC_SHIFT) modifiers |= Qt::SHIFT;
    return QKeySequence(key | modifiers);
}

}  // namespace

CMainFrame::CMainFrame(CPrinterDoc* doc, IUiPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_prompts(prompts) {
    // Resizable, minimize and close, no maximize box; the title is the application's alone.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromStdString(res::String(res::IDS_APP_TITLE)));
    resize(kFrameWidth, kFrameHeight);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create(const std::string& printerLabel, const Profile& ini) {
    CreateMenu();

    m_messagePane = new QLabel(HelpText(res::IDS_IDLE_MESSAGE));
    statusBar()->addWidget(m_messagePane, 1);
    statusBar()->setSizeGripEnabled(true);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_tree = new CPrinterMopView(m_doc, m_splitter);
    CSettingsView* page = CreatePage(0, m_doc, nullptr);
    if (!m_tree || !page) return false;
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(page);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kTreeWidth, kFrameWidth - kTreeWidth});
    setCentralWidget(m_splitter);

    m_tree->OnInitialUpdate(printerLabel, ini);
    page->OnInitialUpdate();
    return true;
}

void CMainFrame::CreateMenu() {
    QMenu* popup = nullptr;
    for (const res::MenuEntry& e : res::MainMenu()) {
        switch (e.kind) {
            case res::MenuKind::Popup:
                popup = menuBar()->addMenu(QString::fromStdString(res::MenuText(e)));
                break;
            case res::MenuKind::EndPopup:
                popup = nullptr;
                break;
            case res::MenuKind::Separator:
                if (popup) popup->addSeparator();
                break;
            case res::MenuKind::Item: {
                QAction* action = popup ? popup->addAction(QString::fromStdString(res::MenuText(e)))
                                        : menuBar()->addAction(QString::fromStdString(res::MenuText(e)));
                action->setStatusTip(HelpText(e.commandId));
                m_actions[e.commandId] = action;
                break;
            }
        }
    }
    // Accelerators: on the menu's own actions where there is one, otherwise frame-wide actions.
    for (const res::Accelerator& a : res::MainAccelerators()) {
        QAction* action = Action(a.commandId);
        if (action) {
            action->setShortcut(KeyOf(a));
            continue;
        }
        action = new QAction(this);
        action->setShortcut(KeyOf(a));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        m_actions[a.commandId] = action;
    }
    connect(Action(res::ID_SAVE_COMMAND_FILE), &QAction::triggered, this, [this] { OnSaveCommandFile(); });
    connect(Action(res::ID_APP_EXIT), &QAction::triggered, this, [this] { close(); });
    connect(Action(res::ID_APPLY_SETTINGS), &QAction::triggered, this, [this] { OnApply(); });
    connect(Action(res::ID_APP_ABOUT), &QAction::triggered, this, [this] {
        if (m_about) m_about();
    });
    connect(Action(res::ID_NEXT_PANE), &QAction::triggered, this, [this] { OnNextPane(true); });
    connect(Action(res::ID_PREV_PANE), &QAction::triggered, this, [this] { OnNextPane(false); });
    // Export, import and restore: a child object that tests find by its type.
    // A page made anew shows the new values (the page on the right shows what it was made with).
    auto* files = new CSettingsFileActions(this, m_doc, [this] {
        if (m_tree) replaceView(CPrinterMopView::ViewIdOf(m_tree->currentItem()));
    });
    connect(Action(res::ID_EXPORT_SETTINGS), &QAction::triggered, files, [files] { files->OnExport(); });
    connect(Action(res::ID_IMPORT_SETTINGS), &QAction::triggered, files, [files] { files->OnImport(); });
    connect(Action(res::ID_RESTORE_SETTINGS), &QAction::triggered, files, [files] { files->OnRestore(); });
}

QAction* CMainFrame::Action(int commandId) const {
    auto it = m_actions.find(commandId);
    return it == m_actions.end() ? nullptr : it->second;
}

CSettingsView* CMainFrame::Page() const {
    return m_splitter ? qobject_cast<CSettingsView*>(m_splitter->widget(1)) : nullptr;
}

void CMainFrame::OnApply() {
    if (m_doc) flows::RunApply(*m_doc);
}

void CMainFrame::OnSaveCommandFile() {
    // Ctrl+S reaches here only through the menu item's action, which is disabled while greyed.
    QAction* save = Action(res::ID_SAVE_COMMAND_FILE);
    if (!m_doc || (save && !save->isEnabled())) return;
    if (const std::optional<std::string> path = m_prompts.saveCommandFileName(this))
        flows::RunSaveCommandFile(*m_doc, *path);
}

void CMainFrame::OnNextPane(bool forward) {
    // Two panes: next and previous both move to the other one.
    (void)forward;
    CSettingsView* page = Page();
    if (!m_tree || !page) return;
    const bool inTree = m_tree->hasFocus() || m_tree->isAncestorOf(QApplication::focusWidget());
    // A keyboard move of the focus: the control that receives it shows its focus frame, as after
    // Tab, so the user sees where the keys now go.
    setAttribute(Qt::WA_KeyboardFocusChange);
    if (inTree)
        page->FocusTarget()->setFocus(Qt::OtherFocusReason);
    else
        m_tree->setFocus(Qt::OtherFocusReason);
}

std::string CMainFrame::statusText() { return m_messagePane ? m_messagePane->text().toStdString() : std::string(); }

void CMainFrame::setStatusText(const std::string& text) {
    if (!m_messagePane) return;
    statusBar()->clearMessage();
    m_messagePane->setText(QString::fromStdString(text));
    m_messagePane->repaint();
}

void CMainFrame::setWaitCursor(bool on) {
    if (on) {
        ++m_waitDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_waitDepth > 0) {
        --m_waitDepth;
        QApplication::restoreOverrideCursor();
    }
}

bool CMainFrame::menuItemEnabled(int commandId) {
    QAction* action = Action(commandId);
    return action && action->isEnabled();
}

void CMainFrame::setMenuItemEnabled(int commandId, bool enabled) {
    if (QAction* action = Action(commandId)) action->setEnabled(enabled);
}

void CMainFrame::redraw() { menuBar()->update(); }

bool CMainFrame::replaceView(int viewId) {
    if (!m_splitter) return false;
    CSettingsView* page = CreatePage(viewId, m_doc, nullptr);
    if (!page) return false;
    const QList<int> sizes = m_splitter->sizes();
    QWidget* old = m_splitter->widget(1);
    if (old) {
        // The document is owned by the application, never by a page: it outlives this moment.
        QWidget* replaced = m_splitter->replaceWidget(1, page);
        delete replaced;
    } else {
        m_splitter->addWidget(page);
    }
    m_splitter->setSizes(sizes);
    page->OnInitialUpdate();
    page->show();
    page->update();
    return true;
}

void CMainFrame::documentValuesChanged() {
    if (CSettingsView* page = Page()) page->OnUpdate();
}

void CMainFrame::showConfirmation(const std::string& text, int milliseconds) {
    statusBar()->showMessage(QString::fromStdString(text), milliseconds);
}

int CMainFrame::messageBox(const std::string& text, const std::string& caption, unsigned style,
                           bool ownedByMainWindow) {
    return m_prompts.messageBox(ownedByMainWindow ? this : nullptr, text, caption, style, {});
}

int CMainFrame::runLongWork(const std::string& label, const std::function<int()>& work) {
    CProgressDlg dialog(label, this);
    m_progress = &dialog;
    int result = NPA_ERR_WRITE;
    std::thread worker;
    try {
        // The worker hands its end over with a queued call, after every progress call it made:
        // the dialog shows the last count before it closes.
        worker = std::thread([&] {
            result = work();
            QMetaObject::invokeMethod(
                this, [this] {
                    if (m_progress) m_progress->Finish();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the work still has to run (and bring the printer back online).
        m_progress = nullptr;
        return work();
    }
    dialog.exec();
    worker.join();
    m_progress = nullptr;
    return result;
}

void CMainFrame::workProgress(NpaPhase phase, size_t sent, size_t total) {
    // Called on the worker: no widget is touched here.
    QMetaObject::invokeMethod(
        this, [this, phase, sent, total] {
            if (m_progress) m_progress->SetProgress(phase, sent, total);
        },
        Qt::QueuedConnection);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Every road out (menu, close box, Alt+F4) passes here. Once the document has let go of the
    // printer, the window closes whatever comes later.
    if (m_closed) {
        event->accept();
        return;
    }
    // Qt itself drops a second close that comes while this one waits on the exit question.
    if (m_doc && !m_doc->SaveModified()) {
        // The user chose to apply and the apply failed (the document has said so): the edits
        // are still unapplied, so the window stays and the next close asks again.
        event->ignore();
        return;
    }
    m_closed = true;
    event->accept();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FitOuterSize();
}

bool CMainFrame::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (!m_sized && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) FitOuterSize();
    return handled;
}

void CMainFrame::FitOuterSize() {
    if (m_sized || !isVisible()) return;
    const QSize decoration = frameGeometry().size() - geometry().size();
    // No frame known yet (none at all on some platforms): nothing to subtract, keep waiting.
    if (decoration.width() <= 0 && decoration.height() <= 0) return;
    m_sized = true;
    resize(kFrameWidth - decoration.width(), kFrameHeight - decoration.height());
}
