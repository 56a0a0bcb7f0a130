#include "qtapp/ui_prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QTreeView>
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

// The file list's sizes and dates as a Korean desktop shows them ("2026. 12. 7. 오후 2:45",
// "698 바이트"), whatever the locale the program was started in: the rest of the dialog speaks
// Korean, and a date in another language's order would be misread.
class KoreanFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    enum { kSizeColumn = 1, kTypeColumn = 2, kDateColumn = 3 };

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && index.column() >= kSizeColumn && index.column() <= kDateColumn) {
            const QFileInfo info(QIdentityProxyModel::data(index, QFileSystemModel::FilePathRole).toString());
            if (index.column() == kDateColumn && info.exists())
                return korean_.toString(info.lastModified(), QLocale::ShortFormat);
            if (index.column() == kSizeColumn && info.isFile()) return korean_.formattedDataSize(info.size());
            // Qt's catalogue has no word for a folder's type; the system's type names do (they
            // follow the program's Korean locale, as the files' own types already do).
            if (index.column() == kTypeColumn && info.isDir())
                return QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    QLocale korean_{QLocale::Korean, QLocale::SouthKorea};
};
}  // namespace

IUiPrompts& Prompts() {
    static QtUiPrompts qt;
    return g_prompts ? *g_prompts : qt;
}

void SetPrompts(IUiPrompts* prompts) { g_prompts = prompts; }

int QtUiPrompts::messageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                            const std::string& detail) {
    const bool yesNo = (style & 0xF) == msgbox::kYesNo;
    std::unique_ptr<QMessageBox> made;
    if (yesNo)
        made = std::make_unique<AnswerOnlyBox>(owner);
    else
        made = std::make_unique<QMessageBox>(owner);
    QMessageBox& box = *made;
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption));
    if (!detail.empty()) box.setInformativeText(QString::fromStdString(detail));
    if (style & msgbox::kIconError)
        box.setIcon(QMessageBox::Critical);
    else if (style & msgbox::kIconQuestion)
        box.setIcon(QMessageBox::Question);
    else if (style & msgbox::kIconInformation)
        box.setIcon(QMessageBox::Information);
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (style & msgbox::kSetForeground) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    const int answer = box.exec();
    if (answer == QMessageBox::Yes) return msgbox::kIdYes;
    if (answer == QMessageBox::No) return msgbox::kIdNo;
    return msgbox::kIdOk;
}

std::optional<std::string> QtUiPrompts::saveCommandFileName(QWidget* owner) {
    CommandFileDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath().toStdString();
}

KoreanFileDialog::KoreanFileDialog(QWidget* owner, const QString& caption) : QFileDialog(owner, caption) {
    // Our own dialog, so that it looks and checks the same whatever the desktop offers.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setLocale(QLocale(QLocale::Korean, QLocale::SouthKorea));
    setProxyModel(new KoreanFileColumns(this));
    setViewMode(QFileDialog::Detail);
    resize(640, 400);
}

CommandFileDialog::CommandFileDialog(QWidget* owner) : KoreanFileDialog(owner) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QStringLiteral("npa"));
    selectFile(QStringLiteral("settings.npa"));
}

void KoreanFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    auto* list = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list) return;
    // The name takes what is left; size, type and date are never cut to "698...tes". The folder
    // is read in the background, so the widths follow the rows as they come.
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
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
