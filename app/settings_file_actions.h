// The File menu's settings-file commands of the main window: "설정 내보내기" writes the values the
// window holds as a settings file (the snapshot format of document/snapshot.h); "설정 가져오기"
// loads one into the pages as if the user had made those changes (modified flag set, sent by the
// next apply); "이전 상태로 복원" offers this printer's snapshots (CRestoreDlg) and applies the
// chosen one through the frame's normal apply, which takes a snapshot of its own first, so that
// a restore can be undone by the next.
//
// A file's names and values are checked against the setting descriptors before any is stored:
// a file with a name this configuration does not know or a value a page could not show changes
// nothing.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transactions/npa.h"

class CMainFrame;
class CPrinterDoc;
class QWidget;

class CSettingsFileActions : public QObject {
    Q_OBJECT
public:
    enum class FileUse { Export, Import };
    // Asks for a file's path; nothing on cancel. The default shows Qt's file dialog.
    using ChooseFile = std::function<std::optional<std::string>(QWidget* owner, FileUse use)>;

    // A child of frame; doc is the frame's document.
    CSettingsFileActions(CMainFrame* frame, CPrinterDoc* doc);

    void OnExport();
    void OnImport();
    void OnRestore();

    void SetFileChooser(ChooseFile choose) { m_choose = std::move(choose); }

    // The values of a file turned into the tokens a page stores, or false with the names of the
    // settings that are unknown or whose value cannot be shown and sent (each "NAME" or
    // "NAME:VALUE" for a bad value).
    static bool CheckValues(const CPrinterDoc& doc, const ValueMap& values, ValueMap& tokens,
                            std::vector<std::string>& refused);

private:
    // Stores every value as a page stores a user's edit, then shows the current page anew.
    void LoadIntoPages(const ValueMap& tokens);
    // The folder of this printer's snapshots.
    std::string SnapshotFolder() const;

    CMainFrame* m_frame;
    CPrinterDoc* m_doc;
    ChooseFile m_choose;
};
