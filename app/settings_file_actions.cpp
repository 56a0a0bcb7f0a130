#include "app/settings_file_actions.h"

#include <QFileDialog>

#include "app/main_frame.h"
#include "app/printer_mop_view.h"
#include "app/restore_dlg.h"
#include "app/ui_prompts.h"
#include "pages/setting_texts.h"
#include "config/strings.h"

namespace {

// The file dialog's texts.
constexpr int kFileFilter = 61372, kExportTitle = 61373, kImportTitle = 61374;

std::optional<std::string> AskFile(QWidget* owner, flows::FileUse use) {
    const std::unique_ptr<KoreanFileDialog> dialog = MakeSettingsFileDialog(owner, use);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
    return dialog->selectedFiles().first().toStdString();
}

}  // namespace

std::unique_ptr<KoreanFileDialog> MakeSettingsFileDialog(QWidget* owner, flows::FileUse use) {
    const bool exporting = use == flows::FileUse::Export;
    auto dialog = std::make_unique<KoreanFileDialog>(
        owner, QString::fromStdString(res::String(exporting ? kExportTitle : kImportTitle)));
    dialog->setNameFilter(QString::fromStdString(res::String(kFileFilter)));
    if (exporting) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(QStringLiteral("json"));
        dialog->selectFile(QStringLiteral("settings.json"));
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

CSettingsFileActions::CSettingsFileActions(CMainFrame* frame, CPrinterDoc* doc)
    : QObject(frame), m_frame(frame), m_doc(doc), m_choose(AskFile) {
    setObjectName(QStringLiteral("settingsFileActions"));
}

void CSettingsFileActions::OnExport() {
    if (m_doc) flows::RunExport(*m_doc, *this);
}

void CSettingsFileActions::OnImport() {
    if (m_doc) flows::RunImport(*m_doc, *this);
}

void CSettingsFileActions::OnRestore() {
    if (m_doc) flows::RunRestore(*m_doc, *this);
}

std::optional<std::string> CSettingsFileActions::chooseFile(FileUse use) { return m_choose(m_frame, use); }

std::optional<std::vector<snapshot::Difference>> CSettingsFileActions::chooseSnapshot(
    std::vector<snapshot::StoredSnapshot> snapshots, const ValueMap& now) {
    const pages::SettingTexts texts(*m_doc);
    CRestoreDlg dialog(std::move(snapshots), now, *m_frame, &texts, m_frame);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen() == nullptr) return std::nullopt;
    return dialog.Differences();
}

void CSettingsFileActions::showDocumentAnew() {
    // A new page shows the new values.
    if (CPrinterMopView* tree = m_frame->Tree()) m_frame->replaceView(CPrinterMopView::ViewIdOf(tree->currentItem()));
}
