// Renders the main window (empty page and one setting page), the printer choice, the wait
// dialog and the about box into PNG files of a folder, for looking at them. Used by
// tools/screenshots.sh; not a test.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "qtapp/about_dlg.h"
#include "qtapp/main_frame.h"
#include "qtapp/printer_app.h"
#include "qtapp/nav_tree.h"
#include "qtapp/printer_query_dlg.h"
#include "qtapp/progress_dlg.h"
#include "qtapp/restore_dlg.h"
#include "document/printer_doc.h"
#include "pages/setting_texts.h"
#include "qtapp/select_printer_dlg.h"
#include "qtapp/ui_prompts.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "link/slc.h"
#include "qtui/dialog_builder.h"
#include "sim/sim_platform.h"

namespace {

// The restore dialog's confirmation is never asked here.
class NoFrame : public IPrinterFrame {
public:
    std::string statusText() override { return {}; }
    void setStatusText(const std::string&) override {}
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int) override { return true; }
    void setMenuItemEnabled(int, bool) override {}
    void redraw() override {}
    bool replaceView(int) override { return false; }
    int messageBox(const std::string&, const std::string&, unsigned, bool) override { return msgbox::kIdNo; }
};

bool Save(QWidget* w, const QDir& dir, const char* name) {
    w->show();
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(name));
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    ui::InstallFontSubstitutes();
    // "--lang en" first: the windows in English; Korean otherwise, as on a Korean desktop.
    if (argc > 2 && std::string(argv[1]) == "--lang") {
        res::SetLanguage(res::LanguageOfOption(argv[2]).value_or(res::Language::Korean));
        argv += 2;
        argc -= 2;
    }
    // Qt's own dialogs in the windows' language, as the program shows them.
    QTranslator qtKorean;
    if (res::CurrentLanguage() == res::Language::Korean) {
        if (qtKorean.load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(&qtKorean);
        QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s [--lang ko|en] OUTPUT-FOLDER [devPanel.ini]\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(".");
    SetConfigPath(argc > 2 ? argv[2] : DEVPANEL_DATA_DIR "/devPanel.ini");
    auto virtualPrinter = sim::MakeVirtualSetup("");
    bool ok = true;

    {
        PrinterTable table{{"USB001 - Altrin Pressline T90", "USB001"}, {"LPT1: - Altrin Pressline T90 (사무실)", "LPT1:"}};
        CSelectPrinterDlg choose(table);
        ok &= Save(&choose, dir, "select-printer.png");
    }
    {
        std::atomic<bool> release{false};
        flows::StartupRead read("USB001", [&release](const std::string&, ValueMap&, NpaRawValues&) {
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 0;
        });
        CPrinterQueryDlg query(read);
        ok &= Save(&query, dir, "printer-query.png");
        release = true;
        query.exec();
    }
    {
        CAboutDlg about;
        ok &= Save(&about, dir, "about.png");
    }
    {
        CProgressDlg progress(res::String(61304));
        progress.SetProgress(NpaPhase::Settings, 37, 84);
        ok &= Save(&progress, dir, "progress.png");
        progress.Finish();
    }
    {
        // The save dialog over a folder with a command file, its offline.dat and a subfolder.
        const QString folder = dir.filePath(QStringLiteral("save-dialog-folder"));
        QDir(folder).mkpath(QStringLiteral("이전 설정"));
        for (const auto& [name, size] : {std::pair{"settings.npa", 698}, std::pair{"offline.dat", 9}}) {
            QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
            if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(size, '\0'));
        }
        CommandFileDialog save(nullptr);
        save.setDirectory(folder);
        save.selectFile(QStringLiteral("settings.npa"));
        save.show();
        for (int i = 0; i < 50; ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ok &= Save(&save, dir, "save-dialog.png");
        save.close();
        QDir(folder).removeRecursively();
    }
    {
        // The restore dialog over three snapshots of the virtual printer, the newest chosen.
        ValueMap now;
        if (NpaReadAllSettings("USB001", now) == NPA_OK && now.size() >= 4) {
            std::vector<snapshot::StoredSnapshot> snapshots(3);
            const char* times[] = {"2026-12-07T09:41:07.532Z", "2026-12-04T16:02:55.018Z", "2026-11-28T08:15:31.904Z"};
            // The older, the more settings were otherwise then.
            const std::pair<const char*, const char*> then[] = {{"POWERSAVER", "23"}, {"PRINTBUFFER", nullptr},
                                                                {"TRAY1TYPE", "CARDSTOCK"}, {"RESREDUCTION", nullptr},
                                                                {"ASSIGNTRAY1", "2"}};
            for (size_t i = 0; i < snapshots.size(); ++i) {
                snapshots[i].snapshot.time = times[i];
                snapshots[i].snapshot.settings = now;
                for (size_t k = 0; k < 1 + 2 * i && k < std::size(then); ++k) {
                    std::string& token = snapshots[i].snapshot.settings[then[k].first];
                    token = then[k].second ? then[k].second : (token == "ON" ? "OFF" : "ON");
                }
            }
            NoFrame frame;
            CPrinterDoc doc;
            doc.LoadDescriptors();
            const pages::SettingTexts texts(doc);
            CRestoreDlg restore(snapshots, now, frame, &texts);
            restore.SnapshotList()->setCurrentItem(restore.SnapshotList()->topLevelItem(1));
            ok &= Save(&restore, dir, "restore-dialog.png");
        }
        SlcClosePort("USB001");
    }
    {
        CPrinterApp app(Prompts());
        if (!app.InitInstance()) return 1;
        CMainFrame* frame = app.MainFrame();
        ok &= Save(frame, dir, "main-window.png");
        // Every node with a page, one picture each.
        QTreeWidget* tree = frame->Tree();
        int n = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const int view = CPrinterMopView::ViewIdOf(*it);
            if (view < 1 || view > 11) continue;
            tree->setCurrentItem(*it);
            const std::string name = "page-" + std::to_string(view) + ".png";
            ok &= Save(frame, dir, name.c_str());
            ++n;
        }
        frame->close();
    }
    return ok ? 0 : 1;
}
