// Apply, save as command file and the apply at exit run on a worker thread behind the progress
// dialog: it shows the write's status text and "n / total", follows the settings as they go out
// to a slowed virtual printer, cannot be dismissed, and closes with the result while the main
// window keeps repainting.
// The link's private header names a member "slots", which Qt defines as a macro: it comes first.
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "qtapp/main_frame.h"
#include "qtapp/progress_dlg.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "document/printer_doc.h"
#include "gui_fakes.h"

namespace {

using guitest::FakePrompts;

// The frame, recording on which thread the write reports its progress. Each report also takes a
// few milliseconds of the reporting thread, as a paced port takes them for every setting.
class RecordingFrame : public CMainFrame {
public:
    using CMainFrame::CMainFrame;
    void workProgress(NpaPhase phase, size_t sent, size_t total) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            threads.push_back(std::this_thread::get_id());
            if (phases.empty() || phases.back() != phase) phases.push_back(phase);
        }
        CMainFrame::workProgress(phase, sent, total);
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    std::mutex mutex;
    std::vector<std::thread::id> threads;
    std::vector<NpaPhase> phases;  // each phase once, in the order they came
};

// What the progress dialog showed: as it came up and went (whatever the timing), and sampled from
// the event loop while it was up.
struct Seen {
    bool dialog = false;
    bool modal = false;          // configured application-modal when it came up
    bool blocking = false;       // seen as the active modal window while up
    bool buttons = false;
    QString label;
    QString title;
    std::vector<int> values;
    int maximum = -1;
    int lastValue = -1;  // when it went
    int lastMaximum = -1;
    int framePaints = 0;
};

// Records the progress dialog's showing and hiding, application-wide.
class DialogWatcher : public QObject {
public:
    explicit DialogWatcher(Seen& seen) : seen_(seen) { qApp->installEventFilter(this); }
    ~DialogWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<CProgressDlg*>(watched);
        if (dialog && event->type() == QEvent::Show) {
            seen_.dialog = true;
            seen_.modal = dialog->isModal() && dialog->windowModality() == Qt::ApplicationModal;
            seen_.label = dialog->Label()->text();
            seen_.title = dialog->windowTitle();
            seen_.buttons = seen_.buttons || !dialog->findChildren<QAbstractButton*>().isEmpty();
        } else if (dialog && event->type() == QEvent::Hide) {
            seen_.lastValue = dialog->Bar()->value();
            seen_.lastMaximum = dialog->Bar()->maximum();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Seen& seen_;
};

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
    std::atomic<int> paints{0};
};

class LongWorkTest : public testsupport::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        // A two-way parallel port: every write waits for its reply.
        printer = &sim_->addParallelPrinter("LPT1:");
        ValueMap values;
        ASSERT_EQ(NpaReadAllSettings("LPT1:", values), NPA_OK);
        doc = std::make_unique<CPrinterDoc>();
        frame = std::make_unique<RecordingFrame>(doc.get(), prompts);
        doc->SetFrame(frame.get());
        ASSERT_TRUE(doc->OnNewDocument({"LPT1: - T90", "LPT1:", values, NPA_OK}));
        ASSERT_TRUE(frame->Create("LPT1: - T90", Profile::Parse("[TreeRoot]\nNumChildren=0\n")));
        frame->show();
        // Every reply comes late, as from a printer that paces its writes.
        sim::Faults slow;
        slow.replyDelayMs = 8;
        printer->setFaults(slow);
        printer->clearWire();
    }
    void TearDown() override {
        frame.reset();
        doc.reset();
        SimFixture::TearDown();
    }

    // Runs command while sampling the progress dialog every few milliseconds; pokes at the
    // dialog (Escape, Enter, close) on the way to show that nothing ends it early.
    Seen RunSampled(const std::function<void()>& command) {
        Seen seen;
        DialogWatcher watcher(seen);
        PaintCounter counter;
        frame->installEventFilter(&counter);
        QTimer sampler;
        sampler.setInterval(3);
        int pokes = 0;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            CProgressDlg* dialog = frame->Progress();
            if (!dialog || !dialog->isVisible()) return;
            seen.blocking = seen.blocking || QApplication::activeModalWidget() == dialog;
            seen.buttons = seen.buttons || !dialog->findChildren<QAbstractButton*>().isEmpty();
            seen.maximum = dialog->Bar()->maximum();
            if (seen.values.empty() || seen.values.back() != dialog->Bar()->value())
                seen.values.push_back(dialog->Bar()->value());
            if (pokes < 3) {
                const Qt::Key keys[] = {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Escape};
                QTest::keyClick(dialog, keys[pokes]);
                if (pokes == 2) dialog->close();
                ++pokes;
            }
            // The window behind keeps painting: ask it to, and count what arrives.
            frame->update();
            seen.framePaints = counter.paints;
        });
        sampler.start();
        command();
        sampler.stop();
        frame->removeEventFilter(&counter);
        return seen;
    }

    size_t SettingWrites() { return Only(printer->receivedPackets(), testsupport::IsSettingWrite).size(); }

    FakePrompts prompts;
    sim::VirtualPrinter* printer = nullptr;
    std::unique_ptr<CPrinterDoc> doc;
    std::unique_ptr<RecordingFrame> frame;
};

struct Command {
    const char* name;
    int statusText;
    bool toPrinter;
    std::vector<NpaPhase> phases;  // the steps the dialog names, in order
};

void PrintTo(const Command& c, std::ostream* os) { *os << c.name; }

class LongWorkCommandTest : public LongWorkTest, public ::testing::WithParamInterface<Command> {};

TEST_P(LongWorkCommandTest, ProgressFollowsTheWriteOffTheWindowsThreadAndClosesWithTheResult) {
    const Command& c = GetParam();
    const std::string path = tmp_ + "/settings.npa";
    prompts.savePath = path;
    doc->SetModifiedFlag(true);
    const Seen seen = RunSampled([&] {
        frame->Action(c.toPrinter ? ID_APPLY : ID_FILE_SAVE_COMMAND)->trigger();
    });

    ASSERT_TRUE(seen.dialog) << "no progress dialog was shown";
    EXPECT_TRUE(seen.modal) << "the rest of the program's input was not blocked";
    EXPECT_FALSE(seen.buttons) << "the progress dialog offers a button";
    EXPECT_EQ(seen.label.toStdString(), res::String(c.statusText));
    EXPECT_EQ(seen.title.toStdString(), res::String(57344));
    const int settings = static_cast<int>(doc->CurrentValues().size());
    // It went with the whole count shown: "84 / 84".
    EXPECT_EQ(seen.lastMaximum, settings);
    EXPECT_EQ(seen.lastValue, settings);
    EXPECT_TRUE(std::is_sorted(seen.values.begin(), seen.values.end()));
    if (c.toPrinter) {
        // A slow printer: the count was seen on its way, not only at its ends, and meanwhile
        // the dialog held the input.
        EXPECT_TRUE(seen.blocking);
        EXPECT_EQ(seen.maximum, settings);
        EXPECT_TRUE(std::any_of(seen.values.begin(), seen.values.end(),
                                [&](int v) { return v > 0 && v < settings; }))
            << "counts seen: " << ::testing::PrintToString(seen.values);
        EXPECT_GT(seen.framePaints, 0) << "the main window did not repaint during the write";
        EXPECT_EQ(SettingWrites(), doc->CurrentValues().size());
        EXPECT_FALSE(doc->IsModified());
    } else {
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_TRUE(doc->IsModified()) << "a save does not apply";
    }

    // Closed with the result, nothing left behind.
    EXPECT_EQ(frame->Progress(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(frame->MessagePane()->text().toStdString(), res::String(57345));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Every progress call came from the worker, none from the window's own thread.
    std::lock_guard<std::mutex> lock(frame->mutex);
    ASSERT_FALSE(frame->threads.empty());
    for (std::thread::id id : frame->threads) EXPECT_NE(id, std::this_thread::get_id());
    // The dialog named each step of the write, not a count that sat at 0 while the printer was
    // read and taken offline.
    EXPECT_EQ(frame->phases, c.phases);
}

INSTANTIATE_TEST_SUITE_P(Commands, LongWorkCommandTest,
                         ::testing::Values(Command{"Apply", 61304, true,
                                                   {NpaPhase::Reading, NpaPhase::Offline, NpaPhase::Settings,
                                                    NpaPhase::Online, NpaPhase::Verifying}},
                                           Command{"Save", 61305, false,
                                                   {NpaPhase::Offline, NpaPhase::Settings, NpaPhase::Online}}),
                         [](const ::testing::TestParamInfo<Command>& info) { return std::string(info.param.name); });

TEST_F(LongWorkTest, FailedApplyClosesTheDialogBeforeItsMessage) {
    doc->SetModifiedFlag(true);
    sim::Faults dropping;
    dropping.replyDelayMs = 8;
    dropping.disconnectAfterBytes = 400;  // the cable goes a few settings into the write
    printer->setFaults(dropping);
    bool dialogUpAtMessage = true;
    prompts.onMessage = [&] { dialogUpAtMessage = frame->Progress() != nullptr; };
    const Seen seen = RunSampled([&] { frame->Action(ID_APPLY)->trigger(); });
    EXPECT_TRUE(seen.dialog);
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].style, unsigned(msgbox::kIconError));
    EXPECT_FALSE(dialogUpAtMessage);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(LongWorkTest, ApplyAtExitRunsBehindTheDialogToo) {
    doc->SetModifiedFlag(true);
    prompts.answers = {msgbox::kIdYes};
    const Seen seen = RunSampled([&] { frame->close(); });
    EXPECT_TRUE(seen.dialog);
    EXPECT_EQ(seen.label.toStdString(), res::String(61304));
    EXPECT_EQ(SettingWrites(), doc->CurrentValues().size());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(doc->IsModified());
}

// Each step as the dialog shows it under its bar; the printer's read is open-ended, the rest count.
TEST(ProgressDialogTest, NamesTheStepUnderTheBar) {
    CProgressDlg dialog(res::String(61304));
    dialog.SetProgress(NpaPhase::Reading, 0, 0);
    EXPECT_EQ(dialog.Step()->text().toStdString(), res::String(61402));
    EXPECT_EQ(dialog.Bar()->maximum(), 0);  // busy: how long the printer takes is not known
    dialog.SetProgress(NpaPhase::Offline, 0, 84);
    EXPECT_EQ(dialog.Step()->text().toStdString(), res::String(61403));
    EXPECT_EQ(dialog.Bar()->maximum(), 84);
    EXPECT_EQ(dialog.Bar()->value(), 0);
    dialog.SetProgress(NpaPhase::Settings, 12, 84);
    EXPECT_EQ(dialog.Step()->text(), QString("설정 12 / 84"));
    EXPECT_EQ(dialog.Bar()->value(), 12);
    dialog.SetProgress(NpaPhase::Verifying, 84, 84);
    EXPECT_EQ(dialog.Step()->text().toStdString(), res::String(61406));
    EXPECT_EQ(dialog.Bar()->value(), 84);
    // Nothing to send: a full bar, not a busy one.
    dialog.SetProgress(NpaPhase::Settings, 0, 0);
    EXPECT_EQ(dialog.Bar()->maximum(), 1);
    EXPECT_EQ(dialog.Bar()->value(), 1);
}

}  // namespace
