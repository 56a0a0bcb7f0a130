#include "app/settings_file_actions.h"

#include <QFileDialog>
#include <map>
#include <system_error>

#include "app/main_frame.h"
#include "app/printer_mop_view.h"
#include "app/restore_dlg.h"
#include "config/ascii.h"
#include "config/strings.h"
#include "document/printer_doc.h"
#include "document/snapshot.h"
#include "document/value_tokens.h"
#include "platform/whole_files.h"

namespace {

// String ids: caption and text pairs of the messages, the file dialog's texts.
constexpr int kNoSnapshotCaption = 61361, kNoSnapshotText = 61362;
constexpr int kExportFailedCaption = 61363, kExportFailedText = 61364;
constexpr int kImportFailedCaption = 61365, kImportFailedText = 61366;
constexpr int kOtherModelCaption = 61367, kOtherModelText = 61368;
constexpr int kBadValueCaption = 61337, kRefusedText = 61369;
constexpr int kImportedCaption = 61370, kImportedText = 61371;
constexpr int kFileFilter = 61372, kExportTitle = 61373, kImportTitle = 61374;

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

// A message whose English reason follows the Korean text after a blank line.
std::string WithReason(int textId, const std::string& value, const std::string& reason) {
    std::string text = res::Format(textId, value);
    if (!reason.empty()) text += "\n\n" + reason;
    return text;
}

std::optional<std::string> AskFile(QWidget* owner, CSettingsFileActions::FileUse use) {
    const bool exporting = use == CSettingsFileActions::FileUse::Export;
    QFileDialog dialog(owner, QString::fromStdString(res::String(exporting ? kExportTitle : kImportTitle)));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(QString::fromStdString(res::String(kFileFilter)));
    if (exporting) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("json"));
        dialog.selectFile(QStringLiteral("settings.json"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

CSettingsFileActions::CSettingsFileActions(CMainFrame* frame, CPrinterDoc* doc)
    : QObject(frame), m_frame(frame), m_doc(doc), m_choose(AskFile) {
    setObjectName(QStringLiteral("settingsFileActions"));
}

bool CSettingsFileActions::CheckValues(const CPrinterDoc& doc, const ValueMap& values, ValueMap& tokens,
                                       std::vector<std::string>& refused) {
    std::map<std::string, DescriptorRef> byName;
    for (const SettingRef& s : doc.Settings()) {
        const std::string name = DescriptorNpaName(s.descriptor);
        if (!name.empty()) byName.emplace(name, s.descriptor);
    }
    tokens.clear();
    refused.clear();
    for (const auto& [name, value] : values) {
        auto it = byName.find(name);
        std::optional<std::string> token;
        if (it == byName.end())
            refused.push_back(name);
        else if (!(token = value_tokens::ForValue(it->second, value)))
            refused.push_back(name + ":" + value);
        else
            tokens[name] = *token;
    }
    if (!refused.empty()) tokens.clear();
    return refused.empty();
}

std::string CSettingsFileActions::SnapshotFolder() const {
    const std::string root = m_doc->m_snapshotRoot.empty() ? snapshot::DefaultRoot() : m_doc->m_snapshotRoot;
    return snapshot::PrinterFolder(root, snapshot::IdentifyPrinter(m_doc->m_portName));
}

void CSettingsFileActions::LoadIntoPages(const ValueMap& tokens) {
    for (const auto& [name, token] : tokens) {
        m_doc->MarkChanged();
        m_doc->StoreValue(name, token);
    }
    // The page on the right shows the values it was made with: a new one shows the new values.
    if (CPrinterMopView* tree = m_frame->Tree())
        m_frame->replaceView(CPrinterMopView::ViewIdOf(tree->currentItem()));
}

void CSettingsFileActions::OnExport() {
    if (!m_doc) return;
    const std::optional<std::string> path = m_choose(m_frame, FileUse::Export);
    if (!path) return;
    snapshot::Snapshot exported;
    const snapshot::PrinterIdentity printer = snapshot::IdentifyPrinter(m_doc->m_portName);
    exported.model = printer.model;
    exported.serial = printer.serial;
    exported.port = m_doc->m_portName;
    exported.time = snapshot::UtcNow();
    exported.settings = m_doc->m_values;
    // As in a snapshot: a value read from the printer that cannot be written back unchanged would
    // not be imported faithfully either, so it is named instead of written.
    if (m_doc->m_queryStatus == NPA_OK) {
        exported.skipped = NpaValuesNotWritableBack(exported.settings, m_doc->m_rawValues);
        for (const std::string& name : exported.skipped) exported.settings.erase(name);
    }
    int error = 0;
    if (!platform::WriteFileAtomically(*path, snapshot::ToJson(exported), error)) {
        m_frame->messageBox(WithReason(kExportFailedText, *path, std::error_code(error, std::generic_category()).message()),
                            res::String(kExportFailedCaption), msgbox::kIconError, false);
    }
}

void CSettingsFileActions::OnImport() {
    if (!m_doc) return;
    const std::optional<std::string> path = m_choose(m_frame, FileUse::Import);
    if (!path) return;
    snapshot::Snapshot file;
    std::string error;
    if (!snapshot::Load(*path, file, error)) {
        m_frame->messageBox(WithReason(kImportFailedText, *path, error), res::String(kImportFailedCaption),
                            msgbox::kIconError, false);
        return;
    }
    // Another model's settings may share names with ours and still mean something else.
    const std::string ours = snapshot::IdentifyPrinter(m_doc->m_portName).model;
    if (!file.model.empty() && !EqualsAsciiNoCase(file.model, ours) &&
        m_frame->messageBox(res::Format(kOtherModelText, file.model), res::String(kOtherModelCaption),
                            msgbox::kYesNo | msgbox::kIconQuestion, true) != msgbox::kIdYes)
        return;
    ValueMap tokens;
    std::vector<std::string> refused;
    if (!CheckValues(*m_doc, file.settings, tokens, refused)) {
        m_frame->messageBox(res::Format(kRefusedText, Joined(refused)), res::String(kBadValueCaption), msgbox::kIconError,
                            false);
        return;
    }
    LoadIntoPages(tokens);
    m_frame->messageBox(res::Format(kImportedText, std::to_string(tokens.size())), res::String(kImportedCaption),
                        msgbox::kIconInformation, false);
}

void CSettingsFileActions::OnRestore() {
    if (!m_doc) return;
    std::vector<snapshot::StoredSnapshot> snapshots = snapshot::List(SnapshotFolder());
    if (snapshots.empty()) {
        m_frame->messageBox(res::String(kNoSnapshotText), res::String(kNoSnapshotCaption), msgbox::kIconInformation, false);
        return;
    }
    CRestoreDlg dialog(std::move(snapshots), m_doc->m_values, *m_frame, m_frame);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen() == nullptr) return;

    ValueMap then;
    for (const snapshot::Difference& d : dialog.Differences())
        if (d.then) then[d.name] = *d.then;
    ValueMap tokens;
    std::vector<std::string> refused;
    if (!CheckValues(*m_doc, then, tokens, refused)) {
        m_frame->messageBox(res::Format(kRefusedText, Joined(refused)), res::String(kBadValueCaption), msgbox::kIconError,
                            false);
        return;
    }
    // The values go in as edits and out through the normal apply: its snapshot comes first, its
    // failures are reported as any apply's, and the edits stay for another try when it fails.
    LoadIntoPages(tokens);
    m_frame->OnApply();
}
