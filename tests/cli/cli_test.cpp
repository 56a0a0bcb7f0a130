// devpanel-cli: the built program against the virtual printer, and the commands in-process where
// a test needs a printer that misbehaves.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <csignal>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "protocol/packets.h"
#include "sim_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::SimFixture;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadText(const std::string& path) {
    Bytes b = testsupport::ReadFileBytes(path);
    return std::string(b.begin(), b.end());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

size_t ReadSettingCount() {
    return Profile::Load(DEVPANEL_DATA_DIR "/devPanel.ini").GetSection("NPA READ SETTING").size();
}

// Runs the built program in the fixture's folder, with its XDG folders and HOME there too.
class CliProgramTest : public SimFixture {
protected:
    Outcome RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        return FinishProgram(StartProgram(args, "run", env), "run");
    }

    // Starts the program without waiting for it; its stdout and stderr go to files named after tag.
    pid_t StartProgram(const std::vector<std::string>& args, const std::string& tag,
                       const std::vector<std::string>& env = {}) {
        const std::string outPath = tmp_ + "/" + tag + ".out", errPath = tmp_ + "/" + tag + ".err";
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(tmp_.c_str()) != 0) _exit(120);
            setenv("HOME", tmp_.c_str(), 1);
            setenv("TMPDIR", (tmp_ + "/simtmp").c_str(), 1);
            for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char*> argv = {const_cast<char*>(DEVPANEL_CLI_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(DEVPANEL_CLI_PATH, argv.data());
            _exit(127);
        }
        return pid;
    }

    Outcome FinishProgram(pid_t pid, const std::string& tag) {
        int status = 0;
        waitpid(pid, &status, 0);
        Outcome o;
        o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        o.out = ReadText(tmp_ + "/" + tag + ".out");
        o.err = ReadText(tmp_ + "/" + tag + ".err");
        return o;
    }

    std::string StateArg() { return "--virtual=" + tmp_ + "/printer.state"; }
};

TEST_F(CliProgramTest, HelpDocumentsCommandsOptionsAndExitStatuses) {
    Outcome o = RunProgram({"--help"});
    EXPECT_EQ(o.status, 0);
    for (const char* word : {"printers", "read [--json]", "apply NAME=VALUE", "save FILE", "send FILE", "--ini",
                             "--port", "--virtual", "Exit status", "  6  out of memory"}) {
        EXPECT_NE(o.out.find(word), std::string::npos) << word;
    }
    // Where --ini looks by default, in its order, as the GUI's help says it; no path of this build.
    std::string ini = o.out.substr(o.out.find("\n  --ini"));
    ini = ini.substr(0, ini.find("\n  --", 1));
    // One line, as the help's wrapping does not matter.
    std::string words;
    for (char c : ini) {
        if (c != ' ' && c != '\n') words += c;
        else if (!words.empty() && words.back() != ' ') words += ' ';
    }
    ini = words;
    size_t at = 0;
    for (const char* place : {"current folder", "$XDG_CONFIG_HOME/devpanel/", "../share/devpanel/ beside the program",
                              "$XDG_DATA_DIRS", "data/ of the source tree"}) {
        const size_t found = ini.find(place, at);
        EXPECT_NE(found, std::string::npos) << place << " in\n" << ini;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_EQ(o.out.find(DEVPANEL_DATA_DIR), std::string::npos) << o.out;
}

// CLI11 reads "-h" run together with more characters as the help flag and the rest as another
// option: "-h-virtual-state=x" reached the option only "--virtual=FILE" may set, and left a state
// file without the virtual printer beside the help.
TEST(CliOptionsTest, HelpRunTogetherWithAnOptionTakesNothingElse) {
    cli::Options options;
    std::string error;
    ASSERT_TRUE(cli::ParseOptions({"-h-virtual-state=x"}, options, error));
    EXPECT_TRUE(options.help);
    EXPECT_FALSE(options.stateFile.has_value());
    EXPECT_FALSE(options.useVirtual);
}

TEST_F(CliProgramTest, BadUsageExitsTwoWithoutOutput) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--virtual", "frobnicate"},
        {"--virtual", "--bogus", "read"},
        {"--virtual", "read", "extra"},
        {"--virtual", "apply"},
        {"--virtual", "send"},
        {"--virtual", "printers", "--json"},
        {"--port", "USB001", "--virtual", "read"},
        {"--port", "settings.npa", "read"},
        {"--ini", "/no/such/devPanel.ini", "--virtual", "read"},
        // An empty value, as an unset variable gives, is no silent request for the default.
        {"--ini=", "--virtual", "read"},
        {"--ini", "", "--virtual", "read"},
        {"--port=", "read"},
    };
    for (const auto& args : cases) {
        Outcome o = RunProgram(args);
        EXPECT_EQ(o.status, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(o.out.empty());
        EXPECT_FALSE(o.err.empty());
    }
}

// A configuration or a state file that cannot be used is reported as what it is, not as a
// missing or silent printer, and nothing is touched.
TEST_F(CliProgramTest, UnusableConfigurationOrStateFileIsSaidToBeOne) {
    std::string ini = ReadText(DEVPANEL_DATA_DIR "/devPanel.ini");
    const size_t at = ini.find("[NPA WRITE VALUES]");
    ASSERT_NE(at, std::string::npos);
    testsupport::WriteFileBytes(tmp_ + "/broken.ini", ini.substr(0, at));
    Outcome config = RunProgram({"--ini", tmp_ + "/broken.ini", StateArg(), "read"});
    EXPECT_EQ(config.status, 2);
    EXPECT_NE(config.err.find("configuration error"), std::string::npos) << config.err;
    EXPECT_NE(config.err.find("broken.ini"), std::string::npos) << config.err;
    EXPECT_EQ(config.err.find("no supported printer"), std::string::npos) << config.err;

    testsupport::WriteFileBytes(tmp_ + "/printer.state", "not a state file\n");
    Outcome state = RunProgram({StateArg(), "apply", "POWERSAVER=5"});
    EXPECT_EQ(state.status, 2);
    EXPECT_NE(state.err.find("printer.state"), std::string::npos) << state.err;
    EXPECT_EQ(ReadText(tmp_ + "/printer.state"), "not a state file\n");
}

TEST_F(CliProgramTest, PrintersAndReadShowTheVirtualPrinter) {
    Outcome printers = RunProgram({StateArg(), "printers"});
    EXPECT_EQ(printers.status, 0);
    EXPECT_EQ(printers.out, "USB001 - Altrin Pressline T90\tUSB001\n");

    Outcome o = RunProgram({StateArg(), "read"});
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> lines = Lines(o.out);
    EXPECT_EQ(lines.size(), ReadSettingCount());
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
    for (const std::string& line : lines) EXPECT_NE(line.find('='), std::string::npos) << line;

    Outcome json = RunProgram({StateArg(), "read", "--json"});
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
    EXPECT_NE(json.out.find("\n  \"BLANKPAGES\": \"DONTPRINT\","), std::string::npos);
}

// Plain --virtual keeps the printer's state under $XDG_STATE_HOME, so a later run sees the change.
TEST_F(CliProgramTest, ApplyChangesPersistInTheVirtualPrinter) {
    Outcome o = RunProgram({"--virtual", "apply", "powersaver=45", "BlankPgs=print", "PROPTAG=Front Desk"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(std::filesystem::exists(tmp_ + "/state/devpanel/virtual-t90.state"));
    Outcome read = RunProgram({"--virtual", "read"});
    ASSERT_EQ(read.status, 0);
    std::vector<std::string> lines = Lines(read.out);
    for (const char* expected : {"POWERSAVER=45", "BLANKPAGES=PRINT", "PROPTAG=Front Desk"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    }
}

// Two programs apply different settings to one printer at the same moment (the state file is the
// printer's memory). Each writes only the setting it was given, or, writing every value back,
// takes its turn from its read to its last write, so both changes are there afterwards; a program
// that could not apply says so with its status. Never do both report success with a change lost,
// and never do their snapshots share a file.
TEST_F(CliProgramTest, TwoProgramsApplyingAtOnceKeepBothChanges) {
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const bool allValues = round % 2 == 1;
        const std::string state = "--virtual=" + tmp_ + "/shared" + std::to_string(round) + ".state";
        const std::string powerSaver = "POWERSAVER=" + std::to_string(10 + round);
        const std::string lines = "LINESPERPAGE=" + std::to_string(100 + round);
        std::vector<std::string> first = {state, "apply", powerSaver};
        if (allValues) first.push_back("--all-values");
        const pid_t a = StartProgram(first, "a");
        const pid_t b = StartProgram({state, "apply", lines}, "b");
        const Outcome everyOrOne = FinishProgram(a, "a"), one = FinishProgram(b, "b");
        const std::vector<std::string> held = Lines(RunProgram({state, "read"}).out);
        const auto holds = [&](const std::string& line) {
            return std::find(held.begin(), held.end(), line) != held.end();
        };
        std::vector<std::string> snapshots;
        for (const Outcome* o : {&everyOrOne, &one}) {
            if (o->status != 0) {
                EXPECT_FALSE(o->err.empty()) << "a failure says why";
                continue;
            }
            const std::string count = o == &everyOrOne && allValues ? "84" : "1";
            EXPECT_EQ(o->out.rfind("Applied " + count + " setting(s) to USB001.\nThe settings before: ", 0), 0u)
                << o->out;
            snapshots.push_back(o->out.substr(o->out.find(": ") + 2));
        }
        EXPECT_TRUE(everyOrOne.status != 0 || holds(powerSaver)) << one.out;
        EXPECT_TRUE(one.status != 0 || holds(lines)) << everyOrOne.out;
        EXPECT_TRUE(snapshots.size() < 2 || snapshots[0] != snapshots[1]) << snapshots[0];
    }
}

// A text is sent in the printer's code page, and its field holds MaxLength bytes of it: a value
// that fits arrives whole, Korean (two bytes a character) and spaces included.
TEST_F(CliProgramTest, TextsUpToTheFieldSizeInBytesArriveWhole) {
    Outcome o = RunProgram({StateArg(), "apply", "CUSTOM1NAME=가나다라마바사아", "Cust3Name=가나다 abcdefghi",
                            "Cust2Name=" + std::string(16, 'z')});
    ASSERT_EQ(o.status, 0) << o.err;
    Outcome read = RunProgram({StateArg(), "read"});
    std::vector<std::string> lines = Lines(read.out);
    const std::vector<std::string> expected = {"CUSTOM1NAME=가나다라마바사아", "CUSTOM3NAME=가나다 abcdefghi",
                                               "CUSTOM2NAME=" + std::string(16, 'z')};
    for (const std::string& line : expected) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

// The virtual printer cannot tell the host that it failed to keep a value, so a state file that
// cannot be kept is refused before anything is read or written.
TEST_F(CliProgramTest, StateFileThatCannotBeKeptIsRefused) {
    std::filesystem::create_directories(tmp_ + "/folder");
    testsupport::WriteFileBytes(tmp_ + "/plain", "x");
    const std::vector<std::string> states = {"--virtual=" + tmp_ + "/folder", "--virtual=" + tmp_ + "/folder/",
                                             "--virtual=" + tmp_ + "/plain/printer.state"};
    for (const std::string& state : states) {
        Outcome o = RunProgram({state, "apply", "POWERSAVER=45"});
        EXPECT_EQ(o.status, 2) << state;
        EXPECT_TRUE(o.out.empty()) << o.out;
        EXPECT_NE(o.err.find("state file"), std::string::npos) << o.err;
    }
    EXPECT_EQ(ReadText(tmp_ + "/plain"), "x");
    // A relative name is kept in the current folder.
    EXPECT_EQ(RunProgram({"--virtual=relative.state", "apply", "POWERSAVER=45"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(tmp_ + "/relative.state"));
}

TEST_F(CliProgramTest, OfflineDatIsNeverTakenForTheCommandFile) {
    std::filesystem::create_directories(tmp_ + "/out");
    ASSERT_EQ(RunProgram({StateArg(), "save", "out/settings.npa", "POWERSAVER=7"}).status, 0);
    const Bytes offline = testsupport::ReadFileBytes(tmp_ + "/out/offline.dat");

    Outcome save = RunProgram({StateArg(), "save", "out/offline.dat", "POWERSAVER=8"});
    EXPECT_EQ(save.status, 2);
    EXPECT_NE(save.err.find("offline.dat"), std::string::npos);
    EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/out/offline.dat"), offline);

    // Sent as the command file it would leave the printer offline.
    Outcome send = RunProgram({StateArg(), "send", "out/offline.dat"});
    EXPECT_EQ(send.status, 2);
    EXPECT_NE(send.err.find("offline record"), std::string::npos);
    EXPECT_TRUE(send.out.empty());

    EXPECT_EQ(RunProgram({StateArg(), "save", ""}).status, 2);
    // A forgotten file name: the setting is not taken for one.
    Outcome noFile = RunProgram({StateArg(), "save", "POWERSAVER=8"});
    EXPECT_EQ(noFile.status, 2);
    EXPECT_FALSE(std::filesystem::exists(tmp_ + "/POWERSAVER=8"));
    EXPECT_EQ(RunProgram({StateArg(), "send", ""}).status, 2);
}

TEST_F(CliProgramTest, SaveWritesTheCommandFileAndOfflineDat) {
    std::filesystem::create_directories(tmp_ + "/out");
    Outcome o = RunProgram({StateArg(), "save", "out/settings.npa", "POWERSAVER=7"});
    ASSERT_EQ(o.status, 0) << o.err;
    Bytes file = testsupport::ReadFileBytes(tmp_ + "/out/settings.npa");
    ASSERT_GT(file.size(), 19u + 9u);
    EXPECT_EQ(Bytes(file.end() - 9, file.end()), Bytes(npa::kFileOnline.begin(), npa::kFileOnline.end()));
    EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/out/offline.dat").size(), 28u);

    Outcome missing = RunProgram({StateArg(), "save", "nowhere/settings.npa"});
    EXPECT_EQ(missing.status, 3);
}

// A mistyped port is refused as bad usage with the forms a port takes, never taken for a file.
TEST_F(CliProgramTest, PortNoKindAcceptsIsBadUsageListingTheForms) {
    Outcome o = RunProgram({"--port", "LTP1:", "read"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("--port: \"LTP1:\" is not a port name: a port is named LPTn: (or LPTn) for a parallel port, "
                         "USBnnn for a USB port or socket://HOST[:PORT][?options] for a network printer (save "
                         "writes command files)"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(std::filesystem::exists("LTP1:"));
}

TEST_F(CliProgramTest, PortThatDoesNotOpenExitsThree) {
    std::filesystem::create_directories(tmp_ + "/root");
    const std::string root = tmp_ + "/root";
    Outcome o = RunProgram({"--port", "USB001", "read"},
                           {"DEVPANEL_DEV_ROOT=" + root, "DEVPANEL_SYS_ROOT=" + root, "DEVPANEL_PROC_ROOT=" + root});
    EXPECT_EQ(o.status, 3) << o.err;
    EXPECT_NE(o.err.find("USB001"), std::string::npos) << o.err;

    // The message names the device node and why it did not open.
    Outcome lpt = RunProgram({"--port", "LPT1:", "read"},
                             {"DEVPANEL_DEV_ROOT=" + root, "DEVPANEL_SYS_ROOT=" + root, "DEVPANEL_PROC_ROOT=" + root});
    EXPECT_EQ(lpt.status, 3) << lpt.err;
    EXPECT_NE(lpt.err.find(root + "/dev/lp0"), std::string::npos) << lpt.err;
    EXPECT_NE(lpt.err.find("missing"), std::string::npos) << lpt.err;
}

// The commands in-process, on the fixture's simulated platform.
class CliCommandTest : public SimFixture {
protected:
    Outcome Run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        Outcome o;
        o.status = cli::RunOnInstalledPlatform(args, out, err);
        o.out = out.str();
        o.err = err.str();
        SlcResetForTesting();
        NpaResetForTesting();
        return o;
    }
    void InstallVirtualUsb() {
        printer_ = &sim_->addUsbPrinter(1, "T90V000001");
        sim_->setInstalledPrinters({{"Altrin Pressline T90", "Altrin Pressline T90", "USB001"}});
    }
    sim::VirtualPrinter* printer_ = nullptr;
};

TEST_F(CliCommandTest, ResultCodesMapToExitStatuses) {
    EXPECT_EQ(cli::ExitStatusFor(NPA_OK), 0);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ONEWAY), 0);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_OPEN), 3);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_SEND), 4);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_WRITE), 5);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_MEMORY), 6);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_VALUE), 2);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_ONLINE), 5);
    EXPECT_EQ(cli::ExitStatusFor(NPA_ERR_VERIFY), 5);
}

TEST_F(CliCommandTest, PrinterChoiceNeedsExactlyOnePrinterOrAPort) {
    sim_->setInstalledPrinters({});
    Outcome none = Run({"read"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(Run({"printers"}).status, 0);

    sim_->addUsbPrinter(1, "T90V000001");
    sim_->setInstalledPrinters({{"Front", "Altrin Pressline T90", "USB001"},
                                {"Back", "Altrin Pressline T90", "USB002"}});
    Outcome several = Run({"read"});
    EXPECT_EQ(several.status, 2);
    EXPECT_NE(several.err.find("USB002"), std::string::npos);
    EXPECT_EQ(Run({"--port", "USB001", "read"}).status, 0);
}

// Without a print server the attached printers are still found, and the missing server is a note.
TEST_F(CliCommandTest, AttachedPrinterIsFoundWithoutAPrintServer) {
    sim_->setPrinterListUnreadable();
    sim_->addUsbPrinter(1, "T90V000001");
    const std::string note =
        "devpanel-cli: note: the list of installed printers cannot be read: the simulated print server does not "
        "answer; the printers attached to this computer are found without it\n";
    Outcome printers = Run({"printers"});
    EXPECT_EQ(printers.status, 0) << printers.err;
    EXPECT_EQ(printers.out, "USB001 - Altrin Pressline T90\tUSB001\n");
    EXPECT_EQ(printers.err, note);

    Outcome read = Run({"read"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find("POWERSAVER="), std::string::npos);
    EXPECT_EQ(read.err, note);
}

// Neither a print server nor an attached printer: why, and the ways on.
TEST_F(CliCommandTest, NoPrinterAnywhereSaysWhyAndWhatToDo) {
    sim_->setPrinterListUnreadable();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"printers"}, std::vector<std::string>{"read"},
                                                 std::vector<std::string>{"apply", "POWERSAVER=5"}}) {
        SCOPED_TRACE(args.front());
        Outcome o = Run(args);
        EXPECT_EQ(o.status, 1);
        EXPECT_TRUE(o.out.empty()) << o.out;
        EXPECT_EQ(o.err,
                  "devpanel-cli: no supported printer found: the list of installed printers cannot be read: the "
                  "simulated print server does not answer; and no Altrin Pressline T90 answers on a parallel or USB "
                  "port of this computer\n"
                  "devpanel-cli: name its port with --port (such as --port LPT1: or --port USB001), try the program "
                  "with the virtual printer (--virtual), or see what is missing with devpanel-cli doctor\n");
    }
    // A print server that lists no printer of ours is no failure of the list.
    sim_->setPrinterListUnreadable(false);
    Outcome none = Run({"printers"});
    EXPECT_EQ(none.status, 0);
    EXPECT_NE(none.err.find("no installed printer has a driver that devPanel.ini lists, and no Altrin Pressline "
                            "T90 answers"),
              std::string::npos)
        << none.err;
}

TEST_F(CliCommandTest, FailuresOfTheLinkGiveTheirStatuses) {
    InstallVirtualUsb();
    EXPECT_EQ(Run({"--port", "USB007", "read"}).status, 3);
    EXPECT_EQ(Run({"--port", "USB007", "apply", "POWERSAVER=5"}).status, 3);

    sim::Faults refuse;
    refuse.refuseOffline = true;
    printer_->setFaults(refuse);
    Outcome write = Run({"apply", "POWERSAVER=5"});
    EXPECT_EQ(write.status, 5);
    // The printer refused to go offline (or may have gone away): claim nothing about its state,
    // but say that the online request that always follows failed as well.
    EXPECT_NE(write.err.find("connected and switched on"), std::string::npos) << write.err;
    EXPECT_EQ(write.err.find("back online"), std::string::npos) << write.err;
    EXPECT_NE(write.err.find("the online request that followed failed too: the printer on USB001 refused to go online"),
              std::string::npos)
        << write.err;

    sim::Faults silent;
    silent.silent = true;
    printer_->setFaults(silent);
    SlcTimingTable().responseWaitMs = 100;
    EXPECT_EQ(Run({"read"}).status, 4);
}

// The two kinds of one-way port: every port of a one-way machine, and on a two-way machine a
// port without a reverse channel whose printer is ready (no device ID, reads fail at once).
struct OneWayPort {
    const char* name;
    platform::OsKind machine;
    bool reverseChannel;
};

class CliOneWayPort : public CliCommandTest, public ::testing::WithParamInterface<OneWayPort> {};

TEST_P(CliOneWayPort, ReadsDefaultsAndAppliesOnlyTheChanges) {
    sim_->setOsKind(GetParam().machine);
    sim::VirtualPrinter& printer = sim_->addParallelPrinter("LPT1");
    sim_->setParallelReverseChannel("LPT1", GetParam().reverseChannel);
    sim_->setInstalledPrinters({{"Altrin Pressline T90", "Altrin Pressline T90", "LPT1:"}});

    Outcome read = Run({"read"});
    EXPECT_EQ(read.status, 0);
    EXPECT_NE(read.err.find("default values"), std::string::npos);
    EXPECT_NE(read.out.find("POWERSAVER=20\n"), std::string::npos);
    EXPECT_TRUE(printer.receivedBytes().empty());

    // Only the given settings, with --all-values too: the printer's other values are unknown.
    for (const char* flag : {"--port=LPT1:", "--all-values"}) {
        printer.clearWire();
        Outcome apply = Run({flag, "apply", "POWERSAVER=50"});
        EXPECT_EQ(apply.status, 0) << apply.err;
        std::vector<Bytes> writes = Only(printer.receivedPackets(), testsupport::IsSettingWrite);
        ASSERT_EQ(writes.size(), 1u) << flag;
        EXPECT_EQ(printer.value(0x0306), Bytes{50});
        EXPECT_EQ(apply.out, "Applied 1 setting(s) to LPT1:.\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Parallel, CliOneWayPort,
                         ::testing::Values(OneWayPort{"OneWayMachine", platform::OsKind::OneWay, true},
                                           OneWayPort{"PortWithoutReverseChannel", platform::OsKind::TwoWay, false}),
                         [](const ::testing::TestParamInfo<OneWayPort>& info) { return std::string(info.param.name); });

// send hands the recorded settings to the link, which brackets them with its own offline and
// online requests; a pair that is not whole is refused before the printer is touched.
TEST_F(CliCommandTest, SendGoesThroughTheLinkAndRefusesFilesThatAreNotWhole) {
    InstallVirtualUsb();
    ASSERT_EQ(Run({"save", tmp_ + "/settings.npa", "POWERSAVER=99"}).status, 0);
    printer_->setValue(0x0306, {0x14});
    printer_->clearWire();

    Outcome sent = Run({"send", tmp_ + "/settings.npa"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(printer_->value(0x0306), Bytes{99});
    EXPECT_FALSE(printer_->offline());
    std::vector<Bytes> traffic = SettingsTraffic(*printer_);
    ASSERT_GE(traffic.size(), 3u);
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic.front(), 1));
    EXPECT_TRUE(testsupport::IsBatchRead(traffic.back())) << "the read-back confirms what was sent";

    const Bytes file = testsupport::ReadFileBytes(tmp_ + "/settings.npa");
    const Bytes offline = testsupport::ReadFileBytes(tmp_ + "/offline.dat");
    const std::string whole(file.begin(), file.end());
    struct Broken {
        const char* what;
        std::string commands, offlineRecord;
    };
    const std::string offlineText(offline.begin(), offline.end());
    for (const Broken& b : {Broken{"empty command file", "", offlineText},
                            Broken{"only the offline record", offlineText, offlineText},
                            Broken{"cut in the last record", whole.substr(0, whole.size() - 4), offlineText},
                            Broken{"online record missing", whole.substr(0, whole.size() - 28), offlineText},
                            Broken{"offline.dat holds the online record", whole, whole.substr(whole.size() - 28)},
                            Broken{"junk", "x", offlineText},
                            Broken{"17 MB of zeros", std::string(17u * 1024 * 1024, '\0'), offlineText},
                            Broken{"a packet without flags and command byte",
                                   whole.substr(0, 19) + std::string("\xA5\x00\x00", 3) + whole.substr(whole.size() - 28),
                                   offlineText}}) {
        SCOPED_TRACE(b.what);
        std::filesystem::create_directories(tmp_ + "/broken");
        testsupport::WriteFileBytes(tmp_ + "/broken/x.npa", b.commands);
        testsupport::WriteFileBytes(tmp_ + "/broken/offline.dat", b.offlineRecord);
        printer_->clearWire();
        Outcome o = Run({"send", tmp_ + "/broken/x.npa"});
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_NE(o.err.find("nothing was sent"), std::string::npos) << o.err;
        EXPECT_TRUE(printer_->receivedBytes().empty());
    }

    EXPECT_EQ(Run({"--port", "USB007", "send", tmp_ + "/settings.npa"}).status, 3);
    EXPECT_EQ(Run({"send", tmp_ + "/no-such.npa"}).status, 2);
    std::filesystem::create_directories(tmp_ + "/lonely");
    testsupport::WriteFileBytes(tmp_ + "/lonely/x.npa", "x");
    Outcome noOffline = Run({"send", tmp_ + "/lonely/x.npa"});
    EXPECT_EQ(noOffline.status, 2);
    EXPECT_NE(noOffline.err.find("offline.dat"), std::string::npos);

    // Folders are no command files (and no offline files): reported, not a crash.
    std::filesystem::create_directories(tmp_ + "/lonely/sub");
    testsupport::WriteFileBytes(tmp_ + "/lonely/offline.dat", "x");
    printer_->clearWire();
    Outcome folder = Run({"send", tmp_ + "/lonely/sub"});
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err.find("cannot read"), std::string::npos) << folder.err;
    std::filesystem::create_directories(tmp_ + "/nested/offline.dat");
    testsupport::WriteFileBytes(tmp_ + "/nested/x.npa", "x");
    EXPECT_EQ(Run({"send", tmp_ + "/nested/x.npa"}).status, 2);
    EXPECT_TRUE(printer_->receivedBytes().empty());
}

// Files that cannot be command files are refused before the printer is touched, with the reason:
// a FIFO (which would never end), a missing one.
struct UnsendableFile {
    const char* name;
    void (*make)(const std::string& path);
    const char* says;
};

class CliUnsendableFile : public CliCommandTest, public ::testing::WithParamInterface<UnsendableFile> {};

TEST_P(CliUnsendableFile, IsRefusedWithItsReasonAndNothingIsSent) {
    InstallVirtualUsb();
    std::filesystem::create_directories(tmp_ + "/odd");
    testsupport::WriteFileBytes(tmp_ + "/odd/offline.dat", "x");
    GetParam().make(tmp_ + "/odd/x.npa");
    printer_->clearWire();
    const auto started = std::chrono::steady_clock::now();
    Outcome o = Run({"send", tmp_ + "/odd/x.npa"});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "nothing waits on the file";
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("cannot read " + tmp_ + "/odd/x.npa: " + GetParam().says), std::string::npos) << o.err;
    EXPECT_TRUE(printer_->receivedBytes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Send, CliUnsendableFile,
    ::testing::Values(
        UnsendableFile{"Fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
                       "it is not a regular file"},
        UnsendableFile{"Missing", [](const std::string&) {}, "it does not exist"}),
    [](const auto& info) { return std::string(info.param.name); });

// A printer that misbehaves during apply: the status and the message say what happened, and the
// printer is asked back online whenever it was taken offline.
TEST_F(CliCommandTest, MisbehavingPrinterGivesItsStatusAndMessage) {
    struct Case {
        const char* what;
        sim::Faults faults;
        int status;
        const char* says;
    };
    sim::Faults ignoreOnline, notTaken, refuse, empty, alertOnly;
    ignoreOnline.ignoreOnline = true;
    notTaken.ignoredWriteIds = {0x0306};
    refuse.refuseOffline = true;
    empty.emptyBatchReply = true;
    alertOnly.noControlResponse = true;
    InstallVirtualUsb();
    SlcTimingTable().responseWaitMs = 200;
    for (const Case& c : {Case{"online ignored", ignoreOnline, 5, "did not come back online"},
                          Case{"write not taken", notTaken, 5, "did not take: POWERSAVER"},
                          Case{"offline refused", refuse, 5, "connected and switched on"},
                          Case{"empty batch reply", empty, 4, "did not answer the read"},
                          Case{"alert without response", alertOnly, 5,
                               "announced going offline but sent no response to the request"}}) {
        SCOPED_TRACE(c.what);
        printer_->setFaults({});
        printer_->setValue(0x0306, {0x14});
        printer_->clearWire();
        printer_->setFaults(c.faults);
        Outcome o = Run({"apply", "POWERSAVER=5"});
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_EQ(o.out.find("Applied"), std::string::npos);
        std::vector<Bytes> traffic = SettingsTraffic(*printer_);
        const bool wentOffline = !traffic.empty() && testsupport::IsOfflineOnline(traffic.front(), 1);
        if (wentOffline) {
            EXPECT_TRUE(std::any_of(traffic.begin(), traffic.end(),
                                    [](const Bytes& p) { return testsupport::IsOfflineOnline(p, 0); }));
        }
    }
}

// online: the printer's online request on its own, for a printer that an apply stopped in the
// middle left offline (here: one that ignored the apply's own online request). On a two-way port
// only the registration, the online request and the deregistration go out, and the answer says
// whether the printer confirmed.
struct OnlineCase {
    const char* name;
    bool leftOffline;   // an apply left the printer offline first
    sim::Faults faults; // how the printer then answers
    std::vector<std::string> arguments;
    int status;
    std::string says;   // on stdout for status 0, else on stderr
    bool onlineAfter;
};

void PrintTo(const OnlineCase& c, std::ostream* os) { *os << c.name; }

class CliOnline : public CliCommandTest, public ::testing::WithParamInterface<OnlineCase> {};

sim::Faults Refusing() {
    sim::Faults f;
    f.refuseOffline = true;
    return f;
}

sim::Faults Silent() {
    sim::Faults f;
    f.silent = true;
    return f;
}

TEST_P(CliOnline, AsksThePrinterOnlineAndSaysWhetherItConfirmed) {
    const OnlineCase& c = GetParam();
    InstallVirtualUsb();
    SlcTimingTable().responseWaitMs = 200;
    if (c.leftOffline) {
        sim::Faults ignoreOnline;
        ignoreOnline.ignoreOnline = true;
        printer_->setFaults(ignoreOnline);
        ASSERT_EQ(Run({"apply", "POWERSAVER=5"}).status, 5);
        ASSERT_TRUE(printer_->offline());
    }
    printer_->setFaults(c.faults);
    printer_->clearWire();
    sim_->clearLog();

    std::vector<std::string> args = c.arguments;
    args.push_back("online");
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE((c.status == 0 ? o.out : o.err).find(c.says), std::string::npos) << o.out << o.err;
    EXPECT_EQ(printer_->offline(), !c.onlineAfter);
    EXPECT_TRUE(LinkShutDown());
    // Never an offline request, never a setting: at most the online request.
    std::vector<Bytes> traffic = SettingsTraffic(*printer_);
    EXPECT_LE(traffic.size(), 1u);
    for (const Bytes& p : traffic) EXPECT_TRUE(testsupport::IsOfflineOnline(p, 0));
    if (c.status == 0) {
        // Registered for the alert around the request, as an apply's last step is.
        std::vector<Bytes> packets;
        for (const Bytes& p : printer_->receivedPackets())
            if (!testsupport::IsStart(p)) packets.push_back(p);
        ASSERT_EQ(packets.size(), 3u);
        EXPECT_EQ(packets[0][5], 0x03);
        EXPECT_TRUE(testsupport::IsOfflineOnline(packets[1], 0));
        EXPECT_EQ(packets[2][5], 0x03);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Printers, CliOnline,
    ::testing::Values(
        OnlineCase{"LeftOfflineIsBroughtBack", true, {}, {}, 0,
                   "The printer on USB001 confirmed the online request: it is online.\n", true},
        OnlineCase{"LeftOfflineOnTheNamedPort", true, {}, {"--port", "USB001"}, 0, "confirmed the online request", true},
        OnlineCase{"AlreadyOnline", false, {}, {}, 0, "confirmed the online request", true},
        OnlineCase{"RefusesToGoOnline", true, Refusing(), {}, 5,
                   "the printer on USB001 did not confirm the online request: the printer on USB001 refused to go online",
                   false},
        OnlineCase{"DoesNotAnswer", true, Silent(), {}, 5, "did not confirm the online request", false},
        OnlineCase{"NoPrinterOnThePort", false, {}, {"--port", "USB007"}, 3, "the port USB007 could not be opened", true}),
    [](const ::testing::TestParamInfo<OnlineCase>& info) { return std::string(info.param.name); });

// A port that can only be written: the offline and online records in their order (a lone online
// record would never be copied), and no claim that the printer confirmed.
TEST_F(CliCommandTest, OnlineOnAOneWayPortSendsTheRecordsUnconfirmed) {
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = sim_->addParallelPrinter("LPT1");
    const Outcome o = Run({"--port", "LPT1:", "online"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Sent the online request to LPT1:.\n");
    EXPECT_NE(o.err.find("cannot confirm"), std::string::npos) << o.err;
    std::vector<Bytes> traffic = SettingsTraffic(printer);
    ASSERT_EQ(traffic.size(), 2u);
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[0], 1));
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[1], 0));
    EXPECT_FALSE(printer.offline());
}

// NAME=VALUE as the pages constrain their controls: a number at either end of its range is taken,
// one beyond either end is refused with what the setting accepts, an unknown name with the
// nearest names of the configuration; a refusal sends nothing at all, not even the good
// assignment before it.
struct Assignment {
    const char* name;
    std::string assignment;
    std::optional<Bytes> powerSaver;  // taken: what the printer then holds for POWERSAVER
    std::string says;                 // refused: part of the message
};

class CliAssignment : public CliCommandTest, public ::testing::WithParamInterface<Assignment> {};

TEST_P(CliAssignment, IsTakenOrRefusedBeforeAnythingIsSent) {
    InstallVirtualUsb();
    Outcome o = Run({"apply", "BLANKPAGES=PRINT", GetParam().assignment});
    if (GetParam().powerSaver) {
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(printer_->value(0x0306), *GetParam().powerSaver);
        return;
    }
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find(GetParam().says), std::string::npos) << o.err;
    EXPECT_TRUE(printer_->receivedBytes().empty());
}

const std::string kPowerSaverRange = "POWERSAVER (PwrSvr): it accepts OFF or a whole number from 1 to 240";

INSTANTIATE_TEST_SUITE_P(
    Apply, CliAssignment,
    ::testing::Values(
        Assignment{"RangeLowestTaken", "POWERSAVER=1", Bytes{1}, ""},
        Assignment{"RangeHighestTaken", "POWERSAVER=240", Bytes{240}, ""},
        Assignment{"BelowTheRange", "POWERSAVER=0", std::nullopt, "bad value '0' for " + kPowerSaverRange},
        Assignment{"AboveTheRange", "POWERSAVER=241", std::nullopt, "bad value '241' for " + kPowerSaverRange},
        Assignment{"FarAboveTheRange", "POWERSAVER=500", std::nullopt, kPowerSaverRange},
        Assignment{"NotAWholeNumber", "POWERSAVER=12abc", std::nullopt, kPowerSaverRange},
        Assignment{"NotAToken", "BLANKPAGES=maybe", std::nullopt,
                   "BLANKPAGES (BlankPgs): it accepts one of DONTPRINT or PRINT"},
        Assignment{"TextTooLong", "CUSTOM1NAME=" + std::string(17, 'n'), std::nullopt, "a text of at most 16 bytes"},
        // Nine Korean characters are 18 bytes of the printer's code page: more than its field holds.
        Assignment{"KoreanTooLong", "CUSTOM1NAME=가나다라마바사아자", std::nullopt, "a text of at most 16 bytes"},
        // A character the printer's code page does not have cannot be sent at all.
        Assignment{"NotInTheCodePage", "CUSTOM1NAME=smile \U0001F600", std::nullopt, "Korean code page"},
        Assignment{"TwoLines", "CUSTOM1NAME=two\nlines", std::nullopt, "a text of at most 16 bytes on one line"},
        Assignment{"NameWithATypo", "POWERSAVR=5", std::nullopt,
                   "unknown setting POWERSAVR: did you mean POWERSAVER (PwrSvr)?"},
        Assignment{"NameCutShort", "tray1=LETTER", std::nullopt,
                   "unknown setting tray1: did you mean TRAY1TYPE (Tray1PapType) or TRAY1SIZE (Tray1PapSize)?"},
        Assignment{"AtMostThreeNames", "CUSTOM1=x", std::nullopt,
                   "did you mean CUSTOM1TYPE (Cust1Type), CUSTOM1NAME (Cust1Name) or CUSTOM1TEXTURE (Cust1Txt)?"},
        Assignment{"NameLikeNone", "NOSUCH=1", std::nullopt,
                   "unknown setting NOSUCH: no setting in " DEVPANEL_DATA_DIR "/devPanel.ini has a similar name"},
        Assignment{"NotAnAssignment", "POWERSAVER", std::nullopt, "not of the form NAME=VALUE"}),
    [](const ::testing::TestParamInfo<Assignment>& info) { return std::string(info.param.name); });

// Nothing is sent when the same setting is given twice, under any of its names.
TEST_F(CliCommandTest, SameSettingTwiceIsRefused) {
    InstallVirtualUsb();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"apply", "POWERSAVER=5", "POWERSAVER=7"},
          std::vector<std::string>{"apply", "PwrSvr=5", "powersaver=5"}}) {
        printer_->clearWire();
        Outcome o = Run(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("more than once"), std::string::npos) << o.err;
        EXPECT_TRUE(printer_->receivedBytes().empty());
    }
}

// Values read from the printer that cannot be written back as they are (a byte the configuration
// does not know, a text longer than a reply entry keeps, bytes the code page cannot decode) are
// left on the printer untouched and named; the apply of the rest succeeds.
TEST_F(CliCommandTest, ValuesThatCannotBeWrittenBackAreSkippedAndNamed) {
    InstallVirtualUsb();
    const Bytes longName(60, 'n');
    const Bytes undecodable = {'a', 0xFF, 0xFE};
    printer_->setValue(0x0101, {0x07});     // BLANKPAGES: no such value
    printer_->setValue(0x0305, longName);   // PROPTAG: over 40 bytes
    printer_->setValue(0x0121, undecodable);  // CUSTOM1NAME
    // Only the given setting is written: the others are not even looked at.
    Outcome named = Run({"apply", "POWERSAVER=6"});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.err.find("skipped"), std::string::npos) << named.err;
    EXPECT_EQ(named.out.rfind("Applied 1 setting(s) to USB001.\n", 0), 0u) << named.out;
    EXPECT_EQ(printer_->value(0x0306), Bytes{6});

    Outcome o = Run({"apply", "--all-values", "POWERSAVER=5"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("Applied 81 setting(s) to USB001.\n", 0), 0u) << o.out;
    EXPECT_NE(o.err.find("skipped BLANKPAGES"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("skipped PROPTAG"), std::string::npos) << o.err;
    EXPECT_EQ(printer_->value(0x0101), Bytes{0x07});
    EXPECT_NE(o.err.find("skipped CUSTOM1NAME"), std::string::npos) << o.err;
    EXPECT_EQ(printer_->value(0x0305), longName);
    EXPECT_EQ(printer_->value(0x0121), undecodable);
    EXPECT_EQ(printer_->value(0x0306), Bytes{5});
}

// Ctrl-C while the settings go out: the rest is not sent, the printer comes back online, and the
// status says the apply failed.
TEST_F(CliCommandTest, InterruptedApplyStillBringsThePrinterOnline) {
    InstallVirtualUsb();
    sim::Faults slow;
    slow.replyDelayMs = 20;
    printer_->setFaults(slow);
    std::thread interrupter([this] {
        for (int i = 0; i < 500 && !printer_->offline(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        kill(getpid(), SIGINT);
    });
    Outcome o = Run({"apply", "POWERSAVER=5"});
    interrupter.join();
    EXPECT_EQ(o.status, 5) << o.err;
    EXPECT_NE(o.err.find("interrupted"), std::string::npos) << o.err;
    EXPECT_FALSE(printer_->offline());
}

}  // namespace
