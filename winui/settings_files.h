// The File menu's settings-file commands in the Win32 front end: the system's file dialogs for
// export and import, the restore dialog (winui/restore_dialog.h), and a page made anew after the
// values changed. The decisions are flows/settings_files.h's.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flows/settings_files.h"

namespace winui {

// The save dialog of an export (default extension "json", initial name "settings.json", asks
// before replacing a file, the folder must exist) or the open dialog of an import (the file must
// exist), both with the settings-file filter; the full path chosen, or nothing on cancel.
std::optional<std::wstring> AskSettingsFilePath(HWND owner, flows::FileUse use);

class SettingsFileUi : public flows::ISettingsFileUi {
public:
    // owner owns the dialogs; showDocumentAnew puts a new page of the document's values up.
    SettingsFileUi(HWND owner, CPrinterDoc& doc, std::function<void()> showDocumentAnew)
        : m_owner(owner), m_doc(doc), m_showDocumentAnew(std::move(showDocumentAnew)) {}

    std::optional<std::string> chooseFile(flows::FileUse use) override;
    std::optional<std::vector<snapshot::Difference>> chooseSnapshot(std::vector<snapshot::StoredSnapshot> snapshots,
                                                                    const ValueMap& now) override;
    void showDocumentAnew() override;

private:
    HWND m_owner;
    CPrinterDoc& m_doc;
    std::function<void()> m_showDocumentAnew;
};

}  // namespace winui
