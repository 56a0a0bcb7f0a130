// Renders the main window (empty page and one setting page), the printer choice, the wait
// dialog and the about box into PNG files of a folder, for looking at them. Used by
// tools/screenshots.sh; not a test.
#include <QApplication>
#include <QDir>
#include <QTreeWidget>
#include <atomic>
#include <cstdio>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/printer_app.h"
#include "app/printer_mop_view.h"
#include "app/printer_query_dlg.h"
#include "app/select_printer_dlg.h"
#include "app/ui_prompts.h"
#include "config/profile.h"
#include "ui/dialog_builder.h"
#include "sim/sim_platform.h"

namespace {

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
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [devPanel.ini]\n", argv[0]);
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
        int status = 0;
        ValueMap values;
        CPrinterQueryDlg query(
            "USB001",
            [&release](const std::string&, ValueMap&) {
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return 0;
            },
            status, values);
        ok &= Save(&query, dir, "printer-query.png");
        release = true;
        query.exec();
    }
    {
        CAboutDlg about;
        ok &= Save(&about, dir, "about.png");
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
