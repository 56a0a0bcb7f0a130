// devpanel-cli printers on testbed roots with no print server: the real Linux platform asks a
// server that refuses at once, and finds the attached printers in the testbed's sysfs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/cli.h"
#include "link/link_testing.h"
#include "testbed.h"

namespace {

const std::string kConfiguration = DEVPANEL_DATA_DIR "/devPanel.ini";
const std::string kAttachedT90 = "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;";

struct NoServer {
    const char* name;
    bool attached;             // a T90 on USB001
    bool schedulerInstalled;   // etc/cups holds a scheduler's configuration
    int status;
    const char* out;
    const char* says;          // part of stderr
};

class PrintersWithoutAServer : public ::testing::TestWithParam<NoServer> {
protected:
    PrintersWithoutAServer()
        : dev_("DEVPANEL_DEV_ROOT", bed_.root()), sys_("DEVPANEL_SYS_ROOT", bed_.root()),
          proc_("DEVPANEL_PROC_ROOT", bed_.root()), etc_("DEVPANEL_ETC_ROOT", bed_.root()),
          config_("XDG_CONFIG_HOME", bed_.path("home/config")), state_("XDG_STATE_HOME", bed_.path("home/state")),
          cups_("CUPS_SERVER", "127.0.0.1:9") {}
    ~PrintersWithoutAServer() override { SlcResetForTesting(); }

    testbed::Testbed bed_;
    testbed::ScopedEnv dev_, sys_, proc_, etc_, config_, state_, cups_;
};

TEST_P(PrintersWithoutAServer, ListsTheAttachedOnesOrSaysWhyNone) {
    if (GetParam().attached) {
        bed_.addUsbInterface(0, kAttachedT90, std::string("AB12"));
        bed_.writeFile("dev/usb/lp0", "", 0660);
    }
    if (GetParam().schedulerInstalled) bed_.writeFile("etc/cups/cupsd.conf", "Listen /run/cups/cups.sock\n");
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run({"--ini", kConfiguration, "printers"}, out, err), GetParam().status) << err.str();
    EXPECT_EQ(out.str(), GetParam().out);
    EXPECT_NE(err.str().find(GetParam().says), std::string::npos) << err.str();
    if (!GetParam().attached) {
        for (const char* way : {"--port", "--virtual", "devpanel-cli doctor"})
            EXPECT_NE(err.str().find(way), std::string::npos) << way << " in " << err.str();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintersWithoutAServer,
    ::testing::Values(
        NoServer{"AttachedPrinterIsListed", true, false, 0, "USB001 - Altrin Pressline T90\tUSB001\n",
                 "devpanel-cli: note: the list of installed printers cannot be read: no CUPS scheduler answers at "
                 "127.0.0.1:9; none is installed on this computer (package cups); the printers attached to this "
                 "computer are found without it\n"},
        NoServer{"NoSchedulerInstalled", false, false, 1, "",
                 "devpanel-cli: no supported printer found: the list of installed printers cannot be read: no CUPS "
                 "scheduler answers at 127.0.0.1:9; none is installed on this computer (package cups); and no "
                 "Altrin Pressline T90 answers on a parallel or USB port of this computer\n"},
        NoServer{"SchedulerNotRunning", false, true, 1, "",
                 "no CUPS scheduler answers at 127.0.0.1:9; the one installed on this computer is not running; and "
                 "no Altrin Pressline T90 answers"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
