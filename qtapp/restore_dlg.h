// The dialog of "이전 상태로 복원": the snapshots of this printer (newest first) with their local
// time and how many settings differ from what the window holds now; choosing one lists those
// differences (setting, now, then, named and shown as the pages show them), and "복원" asks for confirmation before it closes with the
// choice. The caller then applies the choice through the document's normal apply.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "document/snapshot.h"

class IPrinterFrame;
namespace pages {
class SettingTexts;
}
class QLabel;
class QPushButton;
class QTreeWidget;

class CRestoreDlg : public QDialog {
    Q_OBJECT
public:
    // now: the values the window holds; frame asks the confirmation; texts names the settings
    // and their values (nullptr: NPA names and tokens as they are).
    CRestoreDlg(std::vector<snapshot::StoredSnapshot> snapshots, ValueMap now, IPrinterFrame& frame,
                const pages::SettingTexts* texts = nullptr, QWidget* parent = nullptr);

    // The snapshot chosen and confirmed (after exec() returned Accepted), else nullptr.
    const snapshot::StoredSnapshot* Chosen() const;
    // The differences between now and the chosen (or selected) snapshot.
    const std::vector<snapshot::Difference>& Differences() const { return m_differences; }

    QTreeWidget* SnapshotList() const { return m_list; }
    QTreeWidget* DifferenceList() const { return m_diff; }
    QPushButton* RestoreButton() const { return m_restore; }
    QLabel* Note() const { return m_note; }

    // The local time of a snapshot's UTC time, "2026-12-07 15:39:59"; the text as it is when it
    // is not a time.
    static QString LocalTime(const std::string& utc);

private:
    void OnSelectionChanged();
    void OnRestore();

    std::vector<snapshot::StoredSnapshot> m_snapshots;
    ValueMap m_now;
    IPrinterFrame& m_frame;
    const pages::SettingTexts* m_texts;
    int m_selected = -1;
    std::vector<snapshot::Difference> m_differences;
    QTreeWidget* m_list = nullptr;
    QTreeWidget* m_diff = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_restore = nullptr;
};
