#include "app/ui_prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <memory>

#include "document/frame.h"

namespace {
IUiPrompts* g_prompts = nullptr;

// A message box that only its buttons end. A Yes/No question has no "cancel" answer: Escape and
// the title bar's close box do nothing, as they do on a Yes/No box of the classic API, instead
// of passing for "No" and, at exit, discarding unapplied edits.
class AnswerOnlyBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};
}  // namespace

IUiPrompts& Prompts() {
    static QtUiPrompts qt;
    return g_prompts ? *g_prompts : qt;
}

void SetPrompts(IUiPrompts* prompts) { g_prompts = prompts; }

int QtUiPrompts::messageBox(QWidget* owner, const std::string& text, const std::string& caption,
                            unsigned style) {
    const bool yesNo = (style & 0xF) == MB_YESNO;
    std::unique_ptr<QMessageBox> made;
    if (yesNo)
        made = std::make_unique<AnswerOnlyBox>(owner);
    else
        made = std::make_unique<QMessageBox>(owner);
    QMessageBox& box = *made;
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption));
    if (style & MB_ICONERROR)
        box.setIcon(QMessageBox::Critical);
    else if (style & MB_ICONQUESTION)
        box.setIcon(QMessageBox::Question);
    else if (style & MB_ICONINFORMATION)
        box.setIcon(QMessageBox::Information);
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (style & MB_SETFOREGROUND) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    const int answer = box.exec();
    if (answer == QMessageBox::Yes) return IDYES;
    if (answer == QMessageBox::No) return IDNO;
    return IDOK;
}

std::optional<std::string> QtUiPrompts::saveCommandFileName(QWidget* owner) {
    CommandFileDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath().toStdString();
}

CommandFileDialog::CommandFileDialog(QWidget* owner) : QFileDialog(owner) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QStringLiteral("npa"));
    selectFile(QStringLiteral("settings.npa"));
    // Our own dialog, so the checks below run whatever the desktop offers.
    setOption(QFileDialog::DontUseNativeDialog, true);
}

void CommandFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QFileInfo chosen(files.first());
        if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 QCoreApplication::translate("QFileDialog",
                                                             "%1\nDirectory not found.\nPlease verify the "
                                                             "correct directory name was given.")
                                     .arg(chosen.absolutePath()));
            return;
        }
    }
    QFileDialog::accept();
}
