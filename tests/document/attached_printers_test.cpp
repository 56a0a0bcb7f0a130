// Discovery on a Linux workstation as its users have it, on a testbed root with virtual printers
// on pseudo-terminals: one with a print queue of our driver, one plugged in without a queue, one
// queued under a generic driver, and a printer of another maker. Every printer of ours is offered
// once, and the port it is offered on really reaches it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "config/profile.h"
#include "document/discovery.h"
#include "link/link_testing.h"
#include "link/timing.h"
#include "platform/linux/linux_platform.h"
#include "testbed.h"
#include "transactions/transactions.h"

namespace {

const std::vector<std::string> kAutoprobe = {"CLASS:PRINTER;", "MODEL:Pressline T90;", "MANUFACTURER:Altrin;",
                                             "COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;"};

std::string UsbDeviceId(const std::string& serial) {
    return "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;"
           "SERIALNUMBER:" + serial + ";";
}

// The print queues, as CUPS would list them.
class Queues : public platform::PrinterList {
public:
    bool list(std::vector<platform::InstalledPrinter>& out) override {
        if (!readable) return false;
        out = queues;
        return true;
    }
    std::vector<platform::InstalledPrinter> queues;
    bool readable = true;
};

class AttachedPrintersTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::make_unique<testbed::Testbed>();
        for (const char* var : {"DEVPANEL_DEV_ROOT", "DEVPANEL_SYS_ROOT", "DEVPANEL_PROC_ROOT"})
            env_.push_back(std::make_unique<testbed::ScopedEnv>(var, root_->root()));
        env_.push_back(std::make_unique<testbed::ScopedEnv>("XDG_CONFIG_HOME", root_->path("home/config")));
        env_.push_back(std::make_unique<testbed::ScopedEnv>("XDG_STATE_HOME", root_->path("home/state")));
        ::mkdir(root_->path("tmp").c_str(), 0700);
        env_.push_back(std::make_unique<testbed::ScopedEnv>("TMPDIR", root_->path("tmp")));
        SetConfigPath(DEVPANEL_SOURCE_DIR "/data/devPanel.ini");
        linux_ = std::make_unique<platform::linux_impl::LinuxPlatform>();
        platform::Platform table = linux_->get();
        table.printers = &queues_;
        platform::install(table);
        SlcResetForTesting();
        NpaResetForTesting();
        SlcTiming t = SlcDefaultTiming();
        t.readPauseMs = 5;
        t.responseWaitMs = 2000;
        t.readGiveUpMs = 2000;
        t.usbReadWaitMs = 50;
        t.queryReadTotalMs = 300;
        t.queryReadIntervalMs = 30;
        SlcTimingTable() = t;
    }
    void TearDown() override {
        SlcResetForTesting();
        NpaResetForTesting();
        printers_.clear();
    }

    testbed::PrinterProcess* Start(std::vector<std::string> args) {
        std::string error;
        auto printer = testbed::PrinterProcess::start(DEVPANEL_PRINTER_PROGRAM, args, error);
        if (!printer) ADD_FAILURE() << error;
        printers_.push_back(std::move(printer));
        return printers_.back().get();
    }
    void Parallel(int index) {
        testbed::PrinterProcess* printer = Start({});
        if (!printer) return;
        root_->addParallelNode(index, printer->slavePath());
        root_->addAutoprobe(index, kAutoprobe);
    }
    void Usb(int index, const std::string& serial) {
        testbed::PrinterProcess* printer = Start({"--usb", "--serial", serial});
        if (!printer) return;
        root_->addUsbInterface(index, UsbDeviceId(serial), serial);
        root_->addUsbNode(index, printer->slavePath());
    }

    Queues queues_;
    std::unique_ptr<testbed::Testbed> root_;
    std::vector<std::unique_ptr<testbed::ScopedEnv>> env_;
    std::unique_ptr<platform::linux_impl::LinuxPlatform> linux_;
    std::vector<std::unique_ptr<testbed::PrinterProcess>> printers_;
};

TEST_F(AttachedPrintersTest, QueuedUnqueuedAndGenericallyQueuedPrintersAreAllOfferedAndReached) {
    Parallel(0);                 // LPT1: queued under our driver
    Usb(0, "T90V000001");        // USB001: no queue
    Usb(1, "T90V000002");        // USB002: queued under a generic driver
    // USB003: another maker's printer; LPT2: a node with nothing that answers.
    root_->addUsbInterface(2, std::string("MANUFACTURER:Brennick;COMMAND SET:PCL;MODEL:Office 40;"), "B1");
    ASSERT_FALSE(HasFailure());
    queues_.queues = {{"Office", "Altrin Pressline T90", "LPT1:"},
                      {"laser", "Generic PCL 6 Laser Printer", "USB002"},
                      {"Brennick", "Brennick Office 40", "USB003"}};

    const DiscoveryResult found = DiscoverPrinters();
    EXPECT_TRUE(found.listReadable);
    EXPECT_EQ(found.printers, (PrinterTable{{"LPT1: - Office", "LPT1:"},
                                            {"USB001 - Altrin Pressline T90", "USB001"},
                                            {"USB002 - laser", "USB002"}}));
    // Each offered port leads to a printer that answers the start-up read.
    for (const auto& [label, port] : found.printers) {
        ValueMap values;
        EXPECT_EQ(NpaReadAllSettings(port, values), NPA_OK) << label;
        EXPECT_FALSE(values.empty()) << label;
        EXPECT_EQ(SlcClosePort(port.c_str()), SLC_OK) << label;
    }
}

TEST_F(AttachedPrintersTest, WithoutAPrintServerThePluggedInPrinterIsStillFound) {
    Usb(0, "T90V000001");
    ASSERT_FALSE(HasFailure());
    queues_.readable = false;
    const DiscoveryResult found = DiscoverPrinters();
    EXPECT_FALSE(found.listReadable);
    EXPECT_EQ(found.printers, (PrinterTable{{"USB001 - Altrin Pressline T90", "USB001"}}));
}

}  // namespace
