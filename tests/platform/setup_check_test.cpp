#include "platform/linux/setup_check.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    const SetupReport report = CheckParallelPorts(bed_.roots(), RecognizeT90);
    EXPECT_TRUE(report.usablePorts.empty());
    ASSERT_NE(FindingAbout(report, "no parallel printer node"), nullptr) << Dump(report);
}

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
    const SetupFinding* net = FindingAbout(report, "queue net");
    ASSERT_NE(net, nullptr) << Dump(report);
    EXPECT_FALSE(net->ok);
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
