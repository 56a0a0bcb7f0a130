// The dialog of "이전 상태로 복원" in the Win32 front end: the snapshots of this printer (newest
// first) with their local time and how many settings differ from what the window holds now; the
// selected one's differences (setting, now, then, named and shown as the pages show them) below,
// and "복원(&R)", enabled only when there are differences, asks for confirmation before it closes
// with the choice. The newest readable snapshot is selected when it opens, so that the keyboard
// starts on a choice.
#pragma once

#include <string>
#include <vector>

#include "document/snapshot.h"
#include "winui/modal_dialog.h"

namespace pages {
class SettingTexts;
}

namespace winui {

class RestoreDialog : public ModalDialog {
public:
    // now: the values the window holds; texts names the settings and their values (nullptr: NPA
    // names and tokens as they are).
    RestoreDialog(std::vector<snapshot::StoredSnapshot> snapshots, ValueMap now, const pages::SettingTexts* texts);

    // The snapshot chosen and confirmed (after Run returned IDOK), else nullptr.
    const snapshot::StoredSnapshot* Chosen() const;
    // The differences between now and the chosen (or selected) snapshot.
    const std::vector<snapshot::Difference>& Differences() const { return m_differences; }

    // The local time of a snapshot's UTC time, "2026-12-07 15:39:59"; the text as it is when it
    // is not such a time.
    static std::string LocalTime(const std::string& utc);

    // Control ids (the restore button is IDOK, cancel IDCANCEL).
    static constexpr int kSnapshotList = 1001, kDifferenceList = 1002, kNote = 1003;

protected:
    bool OnInit() override;
    void OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    void OnSelectionChanged();
    void OnRestore();

    std::vector<snapshot::StoredSnapshot> m_snapshots;
    ValueMap m_now;
    const pages::SettingTexts* m_texts;
    int m_selected = -1;
    bool m_confirmed = false;
    std::vector<snapshot::Difference> m_differences;
};

}  // namespace winui
