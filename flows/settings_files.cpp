#include "flows/settings_files.h"

#include <map>
#include <system_error>

#include "config/ascii.h"
#include "strings/string_table.h"
#include "document/frame.h"
#include "document/printer_doc.h"
#include "document/value_tokens.h"
#include "flows/commands.h"
#include "platform/whole_files.h"

namespace flows {

namespace file_commands {

// String ids: caption and text pairs of the messages.
constexpr int kNoSnapshotCaption = 61361, kNoSnapshotText = 61362;
constexpr int kExportFailedCaption = 61363, kExportFailedText = 61364;
constexpr int kImportFailedCaption = 61365, kImportFailedText = 61366;
constexpr int kOtherModelCaption = 61367, kOtherModelText = 61368;
constexpr int kRefusedCaption = 61337, kRefusedText = 61369;
constexpr int kImportedCaption = 61370, kImportedText = 61371;

int Tell(CPrinterDoc& doc, const std::string& text, int captionId, unsigned style, bool owned = false) {
    IPrinterFrame* frame = doc.Frame();
    return frame ? frame->messageBox(text, res::String(captionId), style, owned) : msgbox::kIdOk;
}

// Stores every value as a page stores a user's edit, then shows the current page anew.
void LoadIntoPages(CPrinterDoc& doc, ISettingsFileUi& ui, const ValueMap& tokens) {
    for (const auto& [name, token] : tokens) {
        doc.MarkChanged();
        doc.StoreValue(name, token);
    }
    ui.showDocumentAnew();
}

}  // namespace file_commands

using namespace file_commands;

bool CheckValues(const CPrinterDoc& doc, const ValueMap& values, ValueMap& tokens, std::vector<std::string>& refused) {
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

std::string SnapshotFolder(const CPrinterDoc& doc) {
    const std::string root = doc.m_snapshotRoot.empty() ? snapshot::DefaultRoot() : doc.m_snapshotRoot;
    return snapshot::PrinterFolder(root, snapshot::IdentifyPrinter(doc.m_portName));
}

void RunExport(CPrinterDoc& doc, ISettingsFileUi& ui) {
    const std::optional<std::string> path = ui.chooseFile(FileUse::Export);
    if (!path) return;
    // As in a snapshot: a value read from the printer that cannot be written back unchanged would
    // not be imported faithfully either, so it is named instead of written.
    const snapshot::Snapshot exported = doc.SnapshotOfValues();
    int error = 0;
    if (!platform::WriteFileAtomically(*path, snapshot::ToJson(exported), error)) {
        Tell(doc, WithReason(kExportFailedText, *path, std::error_code(error, std::generic_category()).message()),
             kExportFailedCaption, msgbox::kIconError);
    }
}

void RunImport(CPrinterDoc& doc, ISettingsFileUi& ui) {
    const std::optional<std::string> path = ui.chooseFile(FileUse::Import);
    if (!path) return;
    snapshot::Snapshot file;
    std::string error;
    if (!snapshot::Load(*path, file, error)) {
        Tell(doc, WithReason(kImportFailedText, *path, error), kImportFailedCaption, msgbox::kIconError);
        return;
    }
    // Another model's settings may share names with ours and still mean something else.
    const std::string ours = snapshot::IdentifyPrinter(doc.m_portName).model;
    if (!file.model.empty() && !EqualsAsciiNoCase(file.model, ours) &&
        Tell(doc, res::Format(kOtherModelText, file.model), kOtherModelCaption, msgbox::kYesNo | msgbox::kIconQuestion,
             true) != msgbox::kIdYes)
        return;
    ValueMap tokens;
    std::vector<std::string> refused;
    if (!CheckValues(doc, file.settings, tokens, refused)) {
        Tell(doc, res::Format(kRefusedText, value_tokens::JoinTokens(refused, ", ")), kRefusedCaption,
             msgbox::kIconError);
        return;
    }
    LoadIntoPages(doc, ui, tokens);
    Tell(doc, res::Format(kImportedText, std::to_string(tokens.size())), kImportedCaption, msgbox::kIconInformation);
}

void RunRestore(CPrinterDoc& doc, ISettingsFileUi& ui) {
    std::vector<snapshot::StoredSnapshot> snapshots = snapshot::List(SnapshotFolder(doc));
    if (snapshots.empty()) {
        Tell(doc, res::String(kNoSnapshotText), kNoSnapshotCaption, msgbox::kIconInformation);
        return;
    }
    const std::optional<std::vector<snapshot::Difference>> chosen = ui.chooseSnapshot(std::move(snapshots), doc.CurrentValues());
    if (!chosen) return;
    ValueMap then;
    for (const snapshot::Difference& d : *chosen)
        if (d.then) then[d.name] = *d.then;
    ValueMap tokens;
    std::vector<std::string> refused;
    if (!CheckValues(doc, then, tokens, refused)) {
        Tell(doc, res::Format(kRefusedText, value_tokens::JoinTokens(refused, ", ")), kRefusedCaption,
             msgbox::kIconError);
        return;
    }
    // The values go in as edits and out through the normal apply: its snapshot comes first, its
    // failures are reported as any apply's, and the edits stay for another try when it fails.
    LoadIntoPages(doc, ui, tokens);
    RunApply(doc);
}

}  // namespace flows
