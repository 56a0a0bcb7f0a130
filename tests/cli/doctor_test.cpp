// devpanel-cli doctor on testbed roots: which set-ups it calls usable, and that every problem
// comes with the command that mends it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/doctor.h"
#include "link/npa_detect.h"
#include "testbed.h"

namespace {

const std::string kIni = DEVPANEL_DATA_DIR "/devPanel.ini";
const std::string kT90 = "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;CLASS:PRINTER;";

// Every root of the Linux facts in one testbed, the user's folders inside it, and a print
// server that refuses connections at once.
class DoctorTest : public ::testing::Test {
protected:
    DoctorTest()
        : dev_("DEVPANEL_DEV_ROOT", bed_.root()), sys_("DEVPANEL_SYS_ROOT", bed_.root()),
          proc_("DEVPANEL_PROC_ROOT", bed_.root()), etc_("DEVPANEL_ETC_ROOT", bed_.root()),
          config_("XDG_CONFIG_HOME", bed_.path("home/config")), state_("XDG_STATE_HOME", bed_.path("home/state")),
          cups_("CUPS_SERVER", "127.0.0.1:9") {}

    void loadModules(const std::string& names) {
        std::string text;
        std::istringstream in(names);
        for (std::string m; in >> m;) text += m + " 16384 0 - Live 0x0\n";
        bed_.writeFile("proc/modules", text, 0444);
    }
    void attachT90(unsigned mode = 0660) {
        bed_.addUsbInterface(0, kT90, std::string("AB12"));
        bed_.writeFile("dev/usb/lp0", "", mode);
    }
    int doctor(const std::string& ini = kIni) {
        output_.str("");
        return cli::RunDoctor(ini, output_);
    }

    testbed::Testbed bed_;
    testbed::ScopedEnv dev_, sys_, proc_, etc_, config_, state_, cups_;
    std::ostringstream output_;
};

TEST_F(DoctorTest, AttachedSupportedPrinterIsUsableDespiteOtherProblems) {
    loadModules("usblp");
    attachT90();
    EXPECT_EQ(doctor(), 0) << output_.str();
    const std::string text = output_.str();
    EXPECT_NE(text.find("  OK       using " + kIni + " (named with --ini)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  OK       USB001 is \"Altrin Pressline T90\", a supported printer\n"), std::string::npos) << text;
    // No scheduler is installed in the testbed: there is none to start.
    EXPECT_NE(text.find("  PROBLEM  the CUPS queues cannot be read: no CUPS scheduler answers at 127.0.0.1:9; none is "
                        "installed on this computer (package cups)\n           fix: sudo apt install cups"),
              std::string::npos) << text;
    // The testbed has no parallel port: one line says so, and no module is asked for.
    EXPECT_NE(text.find("Parallel port\n  OK       this computer has no parallel port"), std::string::npos) << text;
    EXPECT_EQ(text.find("module lp"), std::string::npos) << text;
    EXPECT_NE(text.find("\nUsable: USB001"), std::string::npos) << text;
}

struct Broken {
    const char* name;
    void (*setUp)(testbed::Testbed&);
    const char* problem;
};

class DoctorWithoutUsablePrinter : public DoctorTest, public ::testing::WithParamInterface<Broken> {};

TEST_P(DoctorWithoutUsablePrinter, SaysWhatToMendAndFails) {
    GetParam().setUp(bed_);
    EXPECT_EQ(doctor(), 1) << output_.str();
    const std::string text = output_.str();
    const size_t at = text.find(GetParam().problem);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.compare(text.rfind('\n', at) + 1, 11, "  PROBLEM  "), 0) << text;
    EXPECT_EQ(text.compare(text.find('\n', at) + 1, 16, "           fix: "), 0) << text;
    EXPECT_NE(text.find("No usable printer"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    SetUps, DoctorWithoutUsablePrinter,
    ::testing::Values(
        Broken{"NothingAttached", [](testbed::Testbed&) {}, "the CUPS queues cannot be read"},
        Broken{"UsbPrinterWithoutUsblp",
               [](testbed::Testbed& bed) { bed.writeFile("sys/bus/usb/devices/1-1:1.0/bInterfaceClass", "07\n"); },
               "module usblp is not loaded"},
        Broken{"UsblpBlacklisted",
               [](testbed::Testbed& bed) {
                   bed.writeFile("etc/modprobe.d/no-usblp.conf", "blacklist usblp\n");
                   bed.addUsbInterface(0, kT90, std::string("AB12"));
               },
               "module usblp is blacklisted in"},
        Broken{"NodeWithoutPermission",
               [](testbed::Testbed& bed) {
                   bed.writeFile("proc/modules", "usblp 16384 0 - Live 0x0\n");
                   bed.addUsbInterface(0, kT90, std::string("AB12"));
                   bed.writeFile("dev/usb/lp0", "", 0000);
               },
               "/dev/usb/lp0 can be neither read nor written by you"},
        Broken{"EmptyAutoprobe",
               [](testbed::Testbed& bed) {
                   bed.writeFile("proc/modules", "lp 1 0 - Live 0x0\nparport_pc 1 0 - Live 0x0\n");
                   bed.writeFile("dev/lp0", "", 0660);
                   bed.writeFile("proc/sys/dev/parport/parport0/autoprobe", "", 0444);
               },
               "autoprobe is empty: the printer did not answer the kernel's probe"}),
    [](const auto& info) { return std::string(info.param.name); });

// A computer with neither a parallel port nor a USB printer: one line for each, no PROBLEM about
// modules or nodes, only what stops a printer from being found (no print server here).
TEST_F(DoctorTest, NothingAttachedIsOneLinePerWayWithoutModuleProblems) {
    EXPECT_EQ(doctor(), 1);
    const std::string text = output_.str();
    EXPECT_NE(text.find("Parallel port\n  OK       this computer has no parallel port (no parport in " +
                        bed_.path("sys/class/parport") + ", no " + bed_.path("dev/lp*") +
                        ", none declared by the firmware): nothing to check\nUSB\n  OK       no USB printer is attached"),
              std::string::npos)
        << text;
    for (const char* noise : {"module lp", "module parport_pc", "module ppdev", "module usblp", "no parallel printer node",
                              "no USB printer node"}) {
        EXPECT_EQ(text.find(noise), std::string::npos) << noise << " in\n" << text;
    }
    EXPECT_NE(text.find("No usable printer"), std::string::npos) << text;
}

// --virtual doctor checks the virtual printer instead of the ports: its model and its state file
// (or where it will be made); usable means exit 0. Nothing is created.
struct VirtualCase {
    const char* name;
    const char* stateArgument;  // after "--virtual"; "@" stands for the testbed's root
    void (*setUp)(testbed::Testbed&);
    int status;
    const char* says;
};

void PrintTo(const VirtualCase& c, std::ostream* os) { *os << c.name; }

class VirtualDoctor : public DoctorTest, public ::testing::WithParamInterface<VirtualCase> {};

TEST_P(VirtualDoctor, ChecksTheVirtualPrinter) {
    const VirtualCase& c = GetParam();
    c.setUp(bed_);
    std::string argument = c.stateArgument;
    if (const size_t at = argument.find('@'); at != std::string::npos) argument.replace(at, 1, bed_.root());
    std::ostringstream out, err;
    const int status = cli::Run({"--ini", kIni, "--virtual" + argument, "doctor"}, out, err);
    const std::string text = out.str();
    EXPECT_EQ(status, c.status) << text << err.str();
    std::string says = c.says;
    for (size_t at = says.find('@'); at != std::string::npos; at = says.find('@', at + bed_.root().size()))
        says.replace(at, 1, bed_.root());
    EXPECT_NE(text.find(says), std::string::npos) << text;
    EXPECT_NE(text.find("Virtual printer\n  OK       model "), std::string::npos) << text;
    EXPECT_EQ(text.find("Parallel port"), std::string::npos) << text;
    EXPECT_EQ(text.find("No usable printer"), std::string::npos) << text;
    if (c.status == 0) {
        EXPECT_NE(text.find("\nUsable: USB001 (the virtual printer"), std::string::npos) << text;
    }
    EXPECT_FALSE(std::filesystem::exists(bed_.path("home/state/devpanel"))) << "the doctor made the state folder";
}

INSTANTIATE_TEST_SUITE_P(
    StateFiles, VirtualDoctor,
    ::testing::Values(
        VirtualCase{"DefaultNotMadeYet", "", [](testbed::Testbed&) {}, 0,
                    "  OK       state file @/home/state/devpanel/virtual-t90.state does not exist yet"},
        VirtualCase{"MemoryOnly", "=", [](testbed::Testbed&) {}, 0, "kept in memory only"},
        VirtualCase{"ExistingFile", "=@/printer.state",
                    [](testbed::Testbed& bed) { bed.writeFile("printer.state", "0306 14\n", 0600); }, 0,
                    "  OK       state file @/printer.state can be read and replaced by you"},
        VirtualCase{"DamagedFile", "=@/printer.state",
                    [](testbed::Testbed& bed) { bed.writeFile("printer.state", "not hex\n", 0600); }, 1,
                    "  PROBLEM  The virtual printer's state file @/printer.state is damaged at line 1"},
        VirtualCase{"FolderThatCannotBeWritten", "=@/locked/sub/printer.state",
                    [](testbed::Testbed& bed) {
                        bed.writeFile("locked/.keep", "");
                        ::chmod(bed.path("locked").c_str(), 0500);
                    },
                    1, "  PROBLEM  state file @/locked/sub/printer.state cannot be made: @/locked, where its folder"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DoctorTest, InstalledSchedulerThatDoesNotAnswerIsToBeStarted) {
    bed_.writeFile("etc/cups/cupsd.conf", "Listen /run/cups/cups.sock\n");
    doctor();
    EXPECT_NE(output_.str().find("  PROBLEM  the CUPS queues cannot be read: no CUPS scheduler answers at 127.0.0.1:9; "
                                 "the one installed on this computer is not running\n"
                                 "           fix: sudo systemctl start cups"),
              std::string::npos) << output_.str();
}

// The doctor calls a device supported exactly when the link would open it: the link's own test
// of the device ID, on either port.
struct AttachedDevice {
    const char* name;
    const char* deviceId;
    const char* shownAs;
};

class DoctorJudgesDeviceIdsAsTheLink : public DoctorTest, public ::testing::WithParamInterface<AttachedDevice> {};

TEST_P(DoctorJudgesDeviceIdsAsTheLink, OnUsbAndParallel) {
    const std::string id = GetParam().deviceId;
    const bool supported = IsRecognizedDeviceId(id.data(), id.size());
    loadModules("usblp lp parport_pc");
    bed_.addUsbInterface(0, id, std::string("AB12"));
    bed_.writeFile("dev/usb/lp0", "", 0660);
    bed_.writeFile("dev/lp0", "", 0660);
    bed_.writeFile("proc/sys/dev/parport/parport0/autoprobe", id, 0444);
    EXPECT_EQ(doctor(), supported ? 0 : 1) << output_.str();
    const std::string text = output_.str();
    const std::string verdict = supported ? ", a supported printer\n" : ", not a printer DevPanel supports\n";
    EXPECT_NE(text.find(std::string("USB001 is ") + GetParam().shownAs + verdict), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("autoprobe names ") + GetParam().shownAs + verdict), std::string::npos) << text;
    if (supported) {
        EXPECT_NE(text.find("\nUsable: LPT1: USB001"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ids, DoctorJudgesDeviceIdsAsTheLink,
    ::testing::Values(
        // Made by Corvane, as the printer's own maker names it: no driver name matches, the link takes it.
        AttachedDevice{"CorvaneMaker", "MFG:Corvane;MDL:Altrin Pressline T90;CMD:PJL,PCL;CLS:PRINTER;",
                       "\"Corvane Altrin Pressline T90\""},
        AttachedDevice{"AltrinWithNpap", "MANUFACTURER:Altrin;COMMAND SET:PCL,PJL,POSTSCRIPT, NPAP,;MODEL:Pressline T90;",
                       "\"Altrin Pressline T90\""},
        // The right name without any NPA marker: the link refuses it, so the doctor does too.
        AttachedDevice{"NameWithoutNpa", "MFG:Altrin;MDL:Pressline T90;CMD:PJL,PCL;", "\"Altrin Pressline T90\""},
        AttachedDevice{"OtherMaker", "MFG:Brennick;MDL:Office 40;CMD:PJL,PCL;", "\"Brennick Office 40\""}),
    [](const auto& info) { return std::string(info.param.name); });

// Before the first logged run the log does not exist: whether it can be made is what counts.
TEST_F(DoctorTest, LogThatDoesNotExistYetSaysWhetherItCanBeMade) {
    doctor();
    const std::string log = bed_.path("home/state/devpanel/CorvaneSlc32.log");
    EXPECT_NE(output_.str().find("  OK       log file " + log + " does not exist yet; " + bed_.root() +
                                 ", where its folder " + bed_.path("home/state/devpanel") +
                                 " will be made, may be written by you\n"),
              std::string::npos) << output_.str();

    bed_.writeFile("locked/.keep", "");
    ASSERT_EQ(::chmod(bed_.path("locked").c_str(), 0500), 0);
    testbed::ScopedEnv state("XDG_STATE_HOME", bed_.path("locked/state"));
    doctor();
    EXPECT_NE(output_.str().find("  PROBLEM  log file " + bed_.path("locked/state/devpanel/CorvaneSlc32.log") +
                                 " cannot be created: " + bed_.path("locked") + ", where its folder " +
                                 bed_.path("locked/state/devpanel") + " will be made, cannot be written by you\n" +
                                 "           fix: sudo mkdir -p " + bed_.path("locked/state/devpanel")),
              std::string::npos) << output_.str();
    ::chmod(bed_.path("locked").c_str(), 0700);
}

// Without a usable configuration no printer can be recognised, however well it is attached.
TEST_F(DoctorTest, ConfigurationThatCannotBeUsedMeansNoUsablePrinter) {
    loadModules("usblp");
    attachT90();
    EXPECT_EQ(doctor(bed_.path("missing/devPanel.ini")), 1);
    EXPECT_NE(output_.str().find("  PROBLEM  The configuration file " + bed_.path("missing/devPanel.ini") +
                                 " does not exist."),
              std::string::npos) << output_.str();
}

TEST_F(DoctorTest, ConfigurationFoundBySearchSaysWhere) {
    bed_.writeFile("home/config/devpanel/devPanel.ini", "not a configuration");
    doctor("");
    EXPECT_NE(output_.str().find("  OK       found " + bed_.path("home/config/devpanel/devPanel.ini") +
                                 " (no --ini given)"),
              std::string::npos) << output_.str();
}

TEST_F(DoctorTest, LogLevelAndFiles) {
    bed_.writeFile("home/config/devpanel/link.conf", "LoggingLevel = 19  # all\n");
    doctor();
    EXPECT_NE(output_.str().find("  OK       log level 19 from " + bed_.path("home/config/devpanel/link.conf")),
              std::string::npos) << output_.str();
    EXPECT_NE(output_.str().find("  OK       log file " + bed_.path("home/state/devpanel/CorvaneSlc32.log")),
              std::string::npos) << output_.str();
}

TEST_F(DoctorTest, IsACommandOfTheProgram) {
    loadModules("usblp");
    attachT90();
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run({"--ini", kIni, "doctor"}, out, err), 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("Usable: USB001"), std::string::npos) << out.str();
}

}  // namespace
