#include "platform/linux/setup_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/linux/device_id.h"
#include "testbed.h"

using namespace platform::linux_impl;

namespace {

const std::string kT90 = "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;";
const std::string kForeign = "MFG:Brennick;MDL:Office 40;CLS:PRINTER;";
const std::vector<std::string> kDriverNames = {"Altrin Pressline T90", "Altrin Pressline T90 PS"};

bool RecognizeT90(std::string_view id) {
    return deviceIdField(id, {"MODEL", "MDL"}).value_or("") == "Pressline T90";
}

const SetupFinding* FindingAbout(const SetupReport& report, const std::string& words) {
    for (const SetupFinding& f : report.findings) {
        if (f.text.find(words) != std::string::npos) return &f;
    }
    return nullptr;
}

std::string Dump(const SetupReport& report) {
    std::string text;
    for (const SetupFinding& f : report.findings) text += (f.ok ? "OK " : "PROBLEM ") + f.text + " | " + f.fix + "\n";
    return text;
}

class SetupCheckTest : public ::testing::Test {
protected:
    void loadModules(const std::vector<std::string>& modules) {
        std::string text;
        for (const std::string& m : modules) text += m + " 20480 0 - Live 0x0000000000000000\n";
        bed_.writeFile("proc/modules", text, 0444);
    }
    testbed::Testbed bed_;
};

TEST_F(SetupCheckTest, AModuleIsLoadedWhenListedOrBuiltIn) {
    loadModules({"lp", "parport"});
    bed_.writeFile("sys/module/ppdev/uevent", "", 0444);
    EXPECT_TRUE(ModuleLoaded(bed_.roots(), "lp"));
    EXPECT_TRUE(ModuleLoaded(bed_.roots(), "ppdev"));
    EXPECT_FALSE(ModuleLoaded(bed_.roots(), "parport_pc"));
    EXPECT_FALSE(ModuleLoaded(bed_.roots(), "l"));
}

TEST_F(SetupCheckTest, AMissingModuleIsNamedWithTheCommandThatLoadsIt) {
    loadModules({"lp", "ppdev"});
    // The firmware declares a parallel port, which parport_pc would drive.
    bed_.writeFile("sys/bus/pnp/devices/00:05/id", "PNP0401\n", 0444);
    const SetupReport report = CheckParallelPorts(bed_.roots(), RecognizeT90);
    const SetupFinding* missing = FindingAbout(report, "module parport_pc");
    ASSERT_NE(missing, nullptr) << Dump(report);
    EXPECT_FALSE(missing->ok);
    EXPECT_EQ(missing->fix, "sudo modprobe parport_pc");
    EXPECT_TRUE(FindingAbout(report, "module lp is loaded")->ok);
}

struct ParallelCase {
    const char* name;
    unsigned nodeMode;
    const char* autoprobe;  // nullptr: no probe file
    bool ppdevNode;
    bool usable;
    const char* problem;  // words of the expected problem, or nullptr for none
};

class ParallelPortCheck : public SetupCheckTest, public ::testing::WithParamInterface<ParallelCase> {};

TEST_P(ParallelPortCheck, ReportsTheNodeAndTheProbeText) {
    const ParallelCase& c = GetParam();
    loadModules({"lp", "parport_pc", "ppdev"});
    bed_.writeFile("dev/lp0", "", c.nodeMode);
    if (c.autoprobe != nullptr) bed_.writeFile("proc/sys/dev/parport/parport0/autoprobe", c.autoprobe, 0444);
    if (c.ppdevNode) bed_.writeFile("dev/parport0", "", 0660);
    const SetupReport report = CheckParallelPorts(bed_.roots(), RecognizeT90);
    EXPECT_EQ(report.usablePorts, c.usable ? std::vector<std::string>{"LPT1:"} : std::vector<std::string>{})
        << Dump(report);
    const auto problems = std::count_if(report.findings.begin(), report.findings.end(), [](auto& f) { return !f.ok; });
    if (c.problem == nullptr) {
        EXPECT_EQ(problems, 0) << Dump(report);
    } else {
        const SetupFinding* f = FindingAbout(report, c.problem);
        ASSERT_NE(f, nullptr) << Dump(report);
        EXPECT_FALSE(f->ok);
        EXPECT_FALSE(f->fix.empty());
    }
}

const std::string kT90Autoprobe = "CLASS:PRINTER;\nMODEL:Pressline T90;\nMANUFACTURER:Altrin;\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParallelPortCheck,
    ::testing::Values(
        ParallelCase{"RecognisedPrinter", 0660, kT90Autoprobe.c_str(), false, true, nullptr},
        ParallelCase{"NodeWithoutPermission", 0000, kT90Autoprobe.c_str(), false, false,
                     "can be neither read nor written"},
        ParallelCase{"WriteOnlyNodeServesOneWay", 0200, kT90Autoprobe.c_str(), false, true, "cannot be read by you"},
        ParallelCase{"EmptyAutoprobeWithoutPpdev", 0660, "", false, false, "is empty"},
        ParallelCase{"EmptyAutoprobeAskedThroughPpdev", 0660, "", true, true, nullptr},
        ParallelCase{"NoProbeFileWithoutPpdev", 0660, nullptr, false, false, "is missing"},
        ParallelCase{"ForeignPrinter", 0660, "MFG:Brennick;\nMDL:Office 40;\n", false, false,
                     "\"Brennick Office 40\", not a printer DevPanel supports"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupCheckTest, NodeWithoutPermissionSuggestsJoiningItsGroup) {
    bed_.writeFile("dev/lp0", "", 0000);
    const SetupReport report = CheckParallelPorts(bed_.roots(), RecognizeT90);
    const SetupFinding* f = FindingAbout(report, "dev/lp0 can be neither");
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_NE(f->fix.find("sudo usermod -aG "), std::string::npos);
}

TEST_F(SetupCheckTest, NoParallelNodeAtAll) {
    // The kernel drives a port, but lp is not loaded to give it a printer node.
    loadModules({"parport_pc"});
    bed_.writeFile("sys/class/parport/parport0/uevent", "", 0444);
    const SetupReport report = CheckParallelPorts(bed_.roots(), RecognizeT90);
    EXPECT_TRUE(report.usablePorts.empty());
    ASSERT_NE(FindingAbout(report, "no parallel printer node"), nullptr) << Dump(report);
}

// A computer without a parallel port, or without a USB printer, gets one line saying so and no
// problem: modules and nodes matter only where there is something for them to drive. Any sign
// of a port or a printer brings the checks back.
struct PresenceCase {
    const char* name;
    void (*setUp)(testbed::Testbed&);
    bool parallelPort;
    bool usbPrinter;
};

void PrintTo(const PresenceCase& c, std::ostream* os) { *os << c.name; }

class PortPresence : public SetupCheckTest, public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(PortPresence, NothingToDriveIsOneLineWithoutProblems) {
    const PresenceCase& c = GetParam();
    c.setUp(bed_);
    EXPECT_EQ(HasParallelPort(bed_.roots()), c.parallelPort);
    EXPECT_EQ(HasUsbPrinter(bed_.roots()), c.usbPrinter);
    const SetupReport parallel = CheckParallelPorts(bed_.roots(), RecognizeT90);
    const SetupReport usb = CheckUsbPrinters(bed_.roots(), RecognizeT90, {}, kDriverNames);
    if (!c.parallelPort) {
        ASSERT_EQ(parallel.findings.size(), 1u) << Dump(parallel);
        EXPECT_TRUE(parallel.findings[0].ok);
        EXPECT_EQ(parallel.findings[0].text.rfind("this computer has no parallel port (no parport in " +
                                                      bed_.path("sys/class/parport") + ", no " + bed_.path("dev/lp*"),
                                                  0),
                  0u)
            << Dump(parallel);
    } else {
        EXPECT_NE(FindingAbout(parallel, "module lp"), nullptr) << Dump(parallel);
    }
    if (!c.usbPrinter) {
        ASSERT_EQ(usb.findings.size(), 1u) << Dump(usb);
        EXPECT_TRUE(usb.findings[0].ok);
        EXPECT_EQ(usb.findings[0].text.rfind("no USB printer is attached", 0), 0u) << Dump(usb);
    } else {
        EXPECT_NE(FindingAbout(usb, "module usblp"), nullptr) << Dump(usb);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Computers, PortPresence,
    ::testing::Values(
        PresenceCase{"NothingAtAll", [](testbed::Testbed&) {}, false, false},
        PresenceCase{"ModulesLoadedWithNothingToDrive",
                     [](testbed::Testbed& bed) {
                         bed.writeFile("proc/modules", "lp 1 0 - Live 0x0\nppdev 1 0 - Live 0x0\nusblp 1 0 - Live 0x0\n");
                     },
                     false, false},
        PresenceCase{"OtherUsbAndPnpDevices",
                     [](testbed::Testbed& bed) {
                         bed.writeFile("sys/bus/pnp/devices/00:01/id", "PNP0501\n");  // a serial port
                         bed.writeFile("sys/bus/usb/devices/1-2:1.0/bInterfaceClass", "03\n");  // a keyboard
                     },
                     false, false},
        PresenceCase{"PortTheKernelDrives",
                     [](testbed::Testbed& bed) { bed.writeFile("sys/class/parport/parport0/uevent", ""); }, true, false},
        PresenceCase{"PortTheFirmwareDeclares",
                     [](testbed::Testbed& bed) { bed.writeFile("sys/bus/pnp/devices/00:05/id", "PNP0400\n"); }, true,
                     false},
        PresenceCase{"PrinterNode", [](testbed::Testbed& bed) { bed.writeFile("dev/lp0", "", 0660); }, true, false},
        PresenceCase{"PpdevNodeOnly", [](testbed::Testbed& bed) { bed.writeFile("dev/parport0", "", 0660); }, true,
                     false},
        PresenceCase{"UsbPrinterWithoutUsblp",
                     [](testbed::Testbed& bed) { bed.writeFile("sys/bus/usb/devices/1-1:1.0/bInterfaceClass", "07\n"); },
                     false, true},
        PresenceCase{"UsblpInterface", [](testbed::Testbed& bed) { bed.addUsbInterface(0, kT90, std::string("AB")); },
                     false, true},
        PresenceCase{"UsbPrinterNode", [](testbed::Testbed& bed) { bed.writeFile("dev/usb/lp0", "", 0660); }, false,
                     true}),
    [](const auto& info) { return std::string(info.param.name); });

// A USB printer that usblp is not loaded for is a problem; the CUPS queue of one that usblp does
// not show is one too, even when no node is there.
TEST_F(SetupCheckTest, UsbPrinterWithoutItsModuleOrHeldByCupsIsChecked) {
    bed_.writeFile("sys/bus/usb/devices/1-1:1.0/bInterfaceClass", "07\n");
    SetupReport report = CheckUsbPrinters(bed_.roots(), RecognizeT90, {}, kDriverNames);
    const SetupFinding* f = FindingAbout(report, "module usblp is not loaded");
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_FALSE(f->ok);

    testbed::Testbed empty;
    report = CheckUsbPrinters(empty.roots(), RecognizeT90,
                              {{"T90", "Altrin Pressline T90", "usb://Altrin/Pressline%20T90?serial=AB12"}}, kDriverNames);
    f = FindingAbout(report, "CUPS queue T90");
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_FALSE(f->ok);
}

// A usable printer whose status lines say it is off-line is named with the command that brings it
// back; one on-line is said to be so; one whose lines cannot be read is left unmentioned.
struct StateCase {
    const char* name;
    std::optional<platform::ParallelStatus> status;
    std::optional<bool> ok;  // the finding; nullopt: none
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

class PrinterState : public SetupCheckTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(PrinterState, OffLineIsAProblemWithItsMend) {
    testbed::ParallelPortsWithStatus ports(bed_.roots());
    ports.status = GetParam().status;
    bed_.writeFile("dev/lp0", "", 0660);
    const SetupReport report = CheckPrinterStates({"LPT1:"}, [&](const std::string& port, platform::ParallelStatus& s) {
        int error = 0;
        return ports.readStatus(port, s, error);
    });
    if (!GetParam().ok) {
        EXPECT_TRUE(report.findings.empty()) << Dump(report);
        return;
    }
    ASSERT_EQ(report.findings.size(), 1u) << Dump(report);
    EXPECT_EQ(report.findings[0].ok, *GetParam().ok) << Dump(report);
    if (!*GetParam().ok) {
        EXPECT_EQ(report.findings[0].text, "the printer on LPT1: reports that it is off-line");
        EXPECT_EQ(report.findings[0].fix.rfind("devpanel-cli --port LPT1: online", 0), 0u) << report.findings[0].fix;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PrinterState,
    ::testing::Values(StateCase{"OnLine", platform::ParallelStatus{true, false, false}, true},
                      StateCase{"OffLine", platform::ParallelStatus{false, false, false}, false},
                      StateCase{"LinesCannotBeRead", std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct BlacklistCase {
    const char* name;
    const char* text;
    bool blacklisted;
};

class UsblpBlacklist : public SetupCheckTest, public ::testing::WithParamInterface<BlacklistCase> {};

TEST_P(UsblpBlacklist, OnlyARealBlacklistLineCounts) {
    bed_.writeFile("etc/modprobe.d/printers.conf", GetParam().text);
    bed_.writeFile("etc/modprobe.d/unrelated.txt", "blacklist usblp\n");  // not a .conf file
    const auto places = ModuleBlacklists(bed_.roots(), "usblp");
    if (GetParam().blacklisted) {
        ASSERT_EQ(places.size(), 1u);
        EXPECT_EQ(places[0], bed_.path("etc/modprobe.d/printers.conf") + ":2");
    } else {
        EXPECT_TRUE(places.empty()) << places.front();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UsblpBlacklist,
    ::testing::Values(BlacklistCase{"Plain", "# CUPS drives USB printers\nblacklist usblp\n", true},
                      BlacklistCase{"Indented", "\n  blacklist\tusblp  # for cups\n", true},
                      BlacklistCase{"CommentedOut", "\n# blacklist usblp\n", false},
                      BlacklistCase{"AnotherModule", "\nblacklist usblp_extra\n", false},
                      BlacklistCase{"NoSpace", "\nblacklistusblp\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupCheckTest, BlacklistedUsblpNamesTheFileAndHowToLoadIt) {
    bed_.writeFile("etc/modprobe.d/blacklist-usblp.conf", "blacklist usblp\n");
    const SetupReport report = CheckUsbPrinters(bed_.roots(), RecognizeT90, {}, kDriverNames);
    const SetupFinding* f = FindingAbout(report, "module usblp is blacklisted in");
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_FALSE(f->ok);
    EXPECT_NE(f->text.find("blacklist-usblp.conf:1"), std::string::npos);
    EXPECT_NE(f->fix.find(bed_.path("etc/modprobe.d/blacklist-usblp.conf")), std::string::npos);
    EXPECT_NE(f->fix.find("sudo modprobe usblp"), std::string::npos);
}

TEST_F(SetupCheckTest, RecognisedUsbPrinterIsUsable) {
    loadModules({"usblp"});
    bed_.addUsbInterface(0, kT90, std::string("AB12"));
    bed_.writeFile("dev/usb/lp0", "", 0660);
    const SetupReport report = CheckUsbPrinters(bed_.roots(), RecognizeT90, {}, kDriverNames);
    EXPECT_EQ(report.usablePorts, std::vector<std::string>{"USB001"}) << Dump(report);
    ASSERT_NE(FindingAbout(report, "USB001 is \"Altrin Pressline T90\", a supported printer"), nullptr) << Dump(report);
}

struct UsbCase {
    const char* name;
    const char* deviceId;  // nullptr: unreadable
    bool node;
    unsigned mode;
    const char* problem;
};

class UsbPrinterCheck : public SetupCheckTest, public ::testing::WithParamInterface<UsbCase> {};

TEST_P(UsbPrinterCheck, AProblemMakesThePortUnusable) {
    const UsbCase& c = GetParam();
    loadModules({"usblp"});
    bed_.addUsbInterface(1, c.deviceId ? std::optional<std::string>(c.deviceId) : std::nullopt, std::string("X"));
    if (c.node) bed_.writeFile("dev/usb/lp1", "", c.mode);
    const SetupReport report = CheckUsbPrinters(bed_.roots(), RecognizeT90, {}, kDriverNames);
    EXPECT_TRUE(report.usablePorts.empty()) << Dump(report);
    const SetupFinding* f = FindingAbout(report, c.problem);
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_FALSE(f->ok);
    EXPECT_FALSE(f->fix.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsbPrinterCheck,
    ::testing::Values(UsbCase{"NodeMissing", kT90.c_str(), false, 0, "USB002: " },
                      UsbCase{"NodeWithoutPermission", kT90.c_str(), true, 0000, "can be neither read nor written"},
                      UsbCase{"DeviceIdUnreadable", nullptr, true, 0660, "cannot be read"},
                      UsbCase{"ForeignPrinter", kForeign.c_str(), true, 0660, "not a printer DevPanel supports"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupCheckTest, AQueueHoldingTheUsbPrinterIsNamed) {
    loadModules({"usblp"});
    const std::vector<platform::InstalledPrinter> queues = {
        {"T90", "altrin pressline t90", "usb://Altrin/Pressline%20T90?serial=AB12"},
        {"Other", "Brennick Office 40", "usb://Brennick/Office%2040"}};
    const SetupReport report = CheckUsbPrinters(bed_.roots(), RecognizeT90, queues, kDriverNames);
    const SetupFinding* f = FindingAbout(report, "CUPS queue T90");
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_FALSE(f->ok);
    EXPECT_NE(f->fix.find("cupsdisable T90"), std::string::npos);
    EXPECT_EQ(FindingAbout(report, "CUPS queue Other"), nullptr) << Dump(report);
}

// A server that cannot be asked: the finding says why, and the step fits the reason (a
// scheduler that is not installed cannot be started).
struct Unreachable {
    const char* name;
    CupsFailure failure;
    const char* fix;
};

class CupsQueueCheckUnreachable : public ::testing::TestWithParam<Unreachable> {};

TEST_P(CupsQueueCheckUnreachable, SaysWhyAndWhatFits) {
    const SetupReport report = CheckCupsQueues({GetParam().failure, "why", {}}, kDriverNames);
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_FALSE(report.findings[0].ok);
    EXPECT_EQ(report.findings[0].text, "the CUPS queues cannot be read: why");
    EXPECT_EQ(report.findings[0].fix.rfind(GetParam().fix, 0), 0u) << report.findings[0].fix;
    EXPECT_NE(report.findings[0].fix.find("devpanel-cli --port USB001 read"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CupsQueueCheckUnreachable,
    ::testing::Values(Unreachable{"SchedulerStopped", CupsFailure::SchedulerStopped, "sudo systemctl start cups"},
                      Unreachable{"NoScheduler", CupsFailure::NoScheduler, "sudo apt install cups"},
                      Unreachable{"NoLibrary", CupsFailure::Library, "sudo apt install libcups2"},
                      Unreachable{"RemoteServer", CupsFailure::RemoteServer, "start the print server"},
                      Unreachable{"Refused", CupsFailure::Refused, "let this user list the queues"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CupsQueueCheck, QueuesOfOurPrinterByMakeAndModel) {
    const std::vector<platform::InstalledPrinter> queues = {{"office", "Brennick Office 40", "USB002"},
                                                            {"t90", "ALTRIN PRESSLINE T90 PS", "USB001"},
                                                            {"net", "Altrin Pressline T90", "socket://10.0.0.9"}};
    const SetupReport report = CheckCupsQueues({CupsFailure::None, {}, queues}, kDriverNames);
    EXPECT_TRUE(report.usablePorts.empty());  // a queue alone proves nothing of its printer
    ASSERT_NE(FindingAbout(report, "queue t90 (ALTRIN PRESSLINE T90 PS) prints on USB001"), nullptr) << Dump(report);
    EXPECT_TRUE(FindingAbout(report, "queue t90")->ok);
    // A queue on a printer's raw port is driven as the network port it names.
    const SetupFinding* net = FindingAbout(report, "queue net (Altrin Pressline T90) prints on socket://10.0.0.9");
    ASSERT_NE(net, nullptr) << Dump(report);
    EXPECT_TRUE(net->ok);
    const std::vector<platform::InstalledPrinter> ipp = {{"ipp", "Altrin Pressline T90", "ipp://10.0.0.9/ipp"}};
    const SetupReport ippReport = CheckCupsQueues({CupsFailure::None, {}, ipp}, kDriverNames);
    const SetupFinding* other = FindingAbout(ippReport, "queue ipp");
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->ok);
    EXPECT_EQ(FindingAbout(report, "office"), nullptr) << Dump(report);
}

TEST(CupsQueueCheck, NoQueueOfOurPrinterNamesTheDriverNames) {
    const SetupReport report =
        CheckCupsQueues({CupsFailure::None, {}, {{"office", "Brennick Office 40", "USB002"}}}, kDriverNames);
    const SetupFinding* f = FindingAbout(report, "DriverNames (Altrin Pressline T90, Altrin Pressline T90 PS)");
    ASSERT_NE(f, nullptr) << Dump(report);
    EXPECT_FALSE(f->ok);
}

TEST(EtcRoot, FollowsItsVariableAndTheTestbedRoot) {
    testbed::ScopedEnv etc("DEVPANEL_ETC_ROOT", "/srv/bench");
    EXPECT_EQ(Roots::fromEnvironment().etcPath("etc/modprobe.d"), "/srv/bench/etc/modprobe.d");
    EXPECT_EQ(Roots::under("/t").etcPath("etc/modprobe.d"), "/t/etc/modprobe.d");
    testbed::ScopedEnv unset("DEVPANEL_ETC_ROOT", "");
    EXPECT_EQ(Roots::fromEnvironment().etcPath("etc/modprobe.d"), "/etc/modprobe.d");
}

}  // namespace
