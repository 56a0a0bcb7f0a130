// The time a user waits after selecting a tree node: the old page is destroyed, the new one is
// created on its form, filled from the document and painted for the first time. Run with
//   QT_QPA_PLATFORM=offscreen pages_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only
// and read the medians (a frame at 60 Hz is 16 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <variant>

#include "document/printer_doc.h"
#include "config/profile.h"
#include "qtui/settings_view.h"

namespace {

class NullFrame : public IPrinterFrame {
public:
    std::string statusText() override { return {}; }
    void setStatusText(const std::string&) override {}
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int) override { return true; }
    void setMenuItemEnabled(int, bool) override {}
    void redraw() override {}
    bool replaceView(int) override { return true; }
    int messageBox(const std::string&, const std::string&, unsigned, bool) override { return msgbox::kIdOk; }
};

// A document with the configuration's one-way defaults: every setting has a value.
CPrinterDoc& Document() {
    static NullFrame frame;
    static CPrinterDoc doc(&frame);
    static bool made = false;
    if (!made) {
        SetConfigPath(DEVPANEL_DATA_DIR "/devPanel.ini");
        doc.LoadDescriptors();
        // Each list on its first entry, each switch on, each text a short name, each number
        // at the bottom of its range.
        StartupResult startup;
        for (const SettingRef& s : doc.Settings()) {
            std::visit(
                [&](auto* d) {
                    using D = std::remove_cv_t<std::remove_pointer_t<decltype(d)>>;
                    if constexpr (std::is_same_v<D, config::ListDescriptor>) {
                        if (!d->orderedKeys.empty())
                            startup.values[config::KeyName(d->orderedKeys[0])] = config::KeyToken(d->orderedKeys[0]);
                    } else if constexpr (std::is_same_v<D, config::SwitchDescriptor>) {
                        if (!d->entry[1].empty()) startup.values[config::KeyName(d->entry[1])] = config::KeyToken(d->entry[1]);
                    } else if constexpr (std::is_same_v<D, config::TextDescriptor>) {
                        startup.values[d->npaName] = "T90";
                    } else {
                        startup.values[d->npaName] = std::to_string(d->minVal);
                    }
                },
                s.descriptor);
        }
        doc.OnNewDocument(startup);
        made = true;
    }
    return doc;
}

QWidget& Pane() {
    static QWidget pane;
    static bool shown = false;
    if (!shown) {
        pane.resize(660, 520);
        pane.show();
        shown = true;
    }
    return pane;
}

// paintInto: false paints on screen (the backing store of the visible pane), true renders the
// page into a pixmap as well (what a screenshot costs; an upper bound).
void SwitchToPage(benchmark::State& state, bool paintIntoPixmap) {
    const int viewId = static_cast<int>(state.range(0));
    CPrinterDoc& doc = Document();
    QWidget& pane = Pane();
    // The page the user leaves: the empty page, as for a node without a page.
    CSettingsView* page = CreatePage(0, &doc, &pane);
    for (auto _ : state) {
        delete page;
        page = CreatePage(viewId, &doc, &pane);
        page->setGeometry(pane.rect());
        page->show();
        page->OnInitialUpdate();
        page->repaint();
        if (paintIntoPixmap) benchmark::DoNotOptimize(page->grab());
        benchmark::DoNotOptimize(page);
    }
    delete page;
    std::unique_ptr<CSettingsView> probe(CreatePage(viewId, &doc, nullptr));
    state.SetLabel(probe->metaObject()->className());
}

void BM_SwitchToPage(benchmark::State& state) { SwitchToPage(state, false); }
void BM_SwitchToPageAndGrab(benchmark::State& state) { SwitchToPage(state, true); }

BENCHMARK(BM_SwitchToPage)->DenseRange(1, 11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwitchToPageAndGrab)->DenseRange(1, 11)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
