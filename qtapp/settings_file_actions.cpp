#include "qtapp/settings_file_actions.h"

#include <QFileDialog>

#include "qtapp/restore_dlg.h"
#include "qtapp/ui_prompts.h"
#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "pages/setting_texts.h"

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

CSettingsFileActions::CSettingsFileActions(QWidget* window, CPrinterDoc* doc, std::function<void()> showDocumentAnew)
    : QObject(window), m_window(window), m_doc(doc), m_showDocumentAnew(std::move(showDocumentAnew)), m_choose(AskFile) {
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

std::optional<std::string> CSettingsFileActions::chooseFile(FileUse use) { return m_choose(m_window, use); }

std::optional<std::vector<snapshot::Difference>> CSettingsFileActions::chooseSnapshot(
    std::vector<snapshot::StoredSnapshot> snapshots, const ValueMap& now) {
    const pages::SettingTexts texts(*m_doc);
    CRestoreDlg dialog(std::move(snapshots), now, *m_doc->Frame(), &texts, m_window);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen() == nullptr) return std::nullopt;
    return dialog.Differences();
}

void CSettingsFileActions::showDocumentAnew() {
    if (m_showDocumentAnew) m_showDocumentAnew();
}
