// The File menu's settings-file commands of the main window (flows/settings_files.h decides;
// this shows): the export and import file dialogs and the restore dialog (CRestoreDlg).
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flows/settings_files.h"

class CPrinterDoc;
class KoreanFileDialog;
class QWidget;

// The file dialog of an export or import ("설정 내보내기", "설정 가져오기"): the program's Korean
// file dialog over settings files, saving settings.json or opening an existing file.
std::unique_ptr<KoreanFileDialog> MakeSettingsFileDialog(QWidget* owner, flows::FileUse use);

class CSettingsFileActions : public QObject, private flows::ISettingsFileUi {
    Q_OBJECT
public:
    using FileUse = flows::FileUse;
    // Asks for a file's path; nothing on cancel. The default shows the program's file dialog.
    using ChooseFile = std::function<std::optional<std::string>(QWidget* owner, FileUse use)>;

    // A child of window (the main window, which owns the dialogs); doc is its document, whose
    // frame shows the messages; showDocumentAnew puts a new page of the document's values up.
    CSettingsFileActions(QWidget* window, CPrinterDoc* doc, std::function<void()> showDocumentAnew);

    void OnExport();
    void OnImport();
    void OnRestore();

    void SetFileChooser(ChooseFile choose) { m_choose = std::move(choose); }

private:
    std::optional<std::string> chooseFile(FileUse use) override;
    std::optional<std::vector<snapshot::Difference>> chooseSnapshot(std::vector<snapshot::StoredSnapshot> snapshots,
                                                                    const ValueMap& now) override;
    void showDocumentAnew() override;

    QWidget* m_window;
    CPrinterDoc* m_doc;
    std::function<void()> m_showDocumentAnew;
    ChooseFile m_choose;
};
