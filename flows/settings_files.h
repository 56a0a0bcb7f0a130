// The File menu's settings-file commands, without a toolkit: "설정 내보내기" writes the values the
// window holds as a settings file (the snapshot format of document/snapshot.h); "설정 가져오기"
// loads one into the pages as if the user had made those changes (modified flag set, sent by the
// next apply); "이전 상태로 복원" offers this printer's snapshots and applies the chosen one
// through the normal apply (flows/commands.h), which takes a snapshot of its own first, so that
// a restore can be undone by the next.
//
// A file's names and values are checked against the setting descriptors before any is stored:
// a file with a name this configuration does not know or a value a page could not show changes
// nothing. Messages go through the document's frame.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/snapshot.h"
#include "transactions/transactions.h"

class CPrinterDoc;

namespace flows {

enum class FileUse { Export, Import };

// What these commands ask of a front end besides message boxes.
class ISettingsFileUi {
public:
    virtual ~ISettingsFileUi() = default;
    // The file dialog for an export or import: the path chosen, or nothing on cancel.
    virtual std::optional<std::string> chooseFile(FileUse use) = 0;
    // The restore dialog over this printer's snapshots (newest first) and the values the window
    // holds: the differences of the snapshot the user chose and confirmed, or nothing on cancel.
    virtual std::optional<std::vector<snapshot::Difference>> chooseSnapshot(
        std::vector<snapshot::StoredSnapshot> snapshots, const ValueMap& now) = 0;
    // The page on the right shows the values it was made with: show the document's anew.
    virtual void showDocumentAnew() = 0;
};

void RunExport(CPrinterDoc& doc, ISettingsFileUi& ui);
void RunImport(CPrinterDoc& doc, ISettingsFileUi& ui);
void RunRestore(CPrinterDoc& doc, ISettingsFileUi& ui);

// The values of a file turned into the tokens a page stores, or false with the names of the
// settings that are unknown or whose value cannot be shown and sent (each "NAME" or
// "NAME:VALUE" for a bad value).
bool CheckValues(const CPrinterDoc& doc, const ValueMap& values, ValueMap& tokens, std::vector<std::string>& refused);

// The folder of the document's printer's snapshots.
std::string SnapshotFolder(const CPrinterDoc& doc);

}  // namespace flows
