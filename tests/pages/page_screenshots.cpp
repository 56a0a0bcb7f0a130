// Renders every setting page, filled with sample printer values, into PNG files:
//   page_screenshots <folder> [viewId...]   writes page-<viewId>.png (all eleven pages by default).
// Used by tools/screenshots.sh to look at the forms.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "document/printer_doc.h"
#include "config/profile.h"
#include "page_test_support.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");

    pagetest::FakeFrame frame;
    CPrinterDoc doc(&frame);
    doc.LoadDescriptors();
    StartupResult startup;
    startup.portName = "USB001";
    startup.values = pagetest::SampleValues(doc);
    // A few values that show the other states of the forms.
    startup.values["CUSTOM1NAME"] = "사진 용지";
    startup.values["POWERSAVER"] = "OFF";
    startup.values["ASSIGNTRAY2"] = "OFF";
    startup.values["ASSIGNMANENV"] = "NONE";
    startup.values["PROPTAG"] = "3층 복사실";
    if (!doc.OnNewDocument(startup)) return 1;

    QWidget host;
    host.resize(900, 900);
    host.show();
    std::vector<int> views;
    for (int i = 2; i < argc; ++i) views.push_back(std::atoi(argv[i]));
    if (views.empty()) views = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    int written = 0;
    for (int view : views) {
        CSettingsView* page = CreatePage(view, &doc, &host);
        page->resize(page->Form()->size());
        page->show();
        page->OnInitialUpdate();
        QApplication::processEvents();
        const QString path = QDir(folder).filePath(QString("page-%1.png").arg(view, 2, 10, QChar('0')));
        if (page->Form()->grab().save(path)) ++written;
        delete page;
    }
    std::printf("%d pages written to %s\n", written, argv[1]);
    return written == static_cast<int>(views.size()) ? 0 : 1;
}
