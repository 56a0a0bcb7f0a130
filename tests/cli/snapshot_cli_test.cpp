// devpanel-cli's snapshot commands in-process, against virtual printers: every apply can be
// undone, settings travel between printers, and a printer can be compared with a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "document/snapshot.h"
#include "sim_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::SimFixture;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class SnapshotCliTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        first = &sim_->addUsbPrinter(1, "T90V000001");
        second = &sim_->addUsbPrinter(2, "T90V000002");
    }

    Outcome Run(std::vector<std::string> args, const std::string& port = "USB001") {
        if (!port.empty()) args.insert(args.begin(), {"--port", port});
        std::ostringstream out, err;
        Outcome o;
        o.status = cli::RunOnInstalledPlatform(args, out, err);
        o.out = out.str();
        o.err = err.str();
        SlcResetForTesting();
        NpaResetForTesting();
        return o;
    }

    std::string Read(const std::string& port = "USB001") {
        Outcome o = Run({"read", "--json"}, port);
        EXPECT_EQ(o.status, 0) << o.err;
        return o.out;
    }

    std::string SnapshotRoot() { return tmp_ + "/state/devpanel/snapshots"; }
    std::vector<snapshot::StoredSnapshot> Kept(const std::string& serial = "T90V000001") {
        return snapshot::List(SnapshotRoot() + "/Altrin_Pressline_T90-" + serial);
    }

    // Whether the printer was taken offline or sent a setting since its wire was cleared.
    static bool Touched(const sim::VirtualPrinter& printer) {
        for (const Bytes& p : SettingsTraffic(printer)) {
            if (testsupport::IsOfflineOnline(p, 1) || testsupport::IsSettingWrite(p)) return true;
        }
        return false;
    }

    std::string WriteFile(const std::string& name, const std::string& text) {
        const std::string path = tmp_ + "/" + name;
        testsupport::WriteFileBytes(path, text);
        return path;
    }

    sim::VirtualPrinter* first = nullptr;
    sim::VirtualPrinter* second = nullptr;
};

TEST_F(SnapshotCliTest, ApplyKeepsTheOldValuesAndRestoreBringsThemBackExactly) {
    const std::string before = Read();
    Outcome applied = Run({"apply", "POWERSAVER=45", "CUSTOM1NAME=Gloss"});
    ASSERT_EQ(applied.status, 0) << applied.err;
    const std::string after = Read();
    ASSERT_NE(before, after);

    // The snapshot holds what the printer held before the apply.
    std::vector<snapshot::StoredSnapshot> kept = Kept();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(applied.out.find(kept[0].path), std::string::npos) << applied.out;
    EXPECT_EQ(cli::ToJson(kept[0].snapshot.settings), before);

    Outcome restored = Run({"restore"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_NE(restored.out.find("Restored 2 setting(s)"), std::string::npos) << restored.out;
    EXPECT_EQ(Read(), before);

    // The restore kept a snapshot of its own: a second restore undoes the first.
    ASSERT_EQ(Kept().size(), 2u);
    ASSERT_EQ(Run({"restore"}).status, 0);
    EXPECT_EQ(Read(), after);

    // A snapshot named on the command line.
    ASSERT_EQ(Run({"restore", kept[0].path}).status, 0);
    EXPECT_EQ(Read(), before);

    Outcome listed = Run({"snapshots"}, "");
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 4);
    EXPECT_NE(listed.out.find("Altrin Pressline T90 T90V000001 (USB001)\t84 settings"), std::string::npos)
        << listed.out;
}

TEST_F(SnapshotCliTest, RestoreNamesWhatTheSnapshotCouldNotRecord) {
    first->setValue(0x0101, {0x07});  // BLANKPAGES: a byte the configuration does not know
    ASSERT_EQ(Run({"apply", "POWERSAVER=45"}).status, 0);
    ASSERT_EQ(Kept().size(), 1u);
    EXPECT_EQ(Kept()[0].snapshot.skipped, std::vector<std::string>{"BLANKPAGES"});
    Outcome restored = Run({"restore"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_NE(restored.err.find("not restored: BLANKPAGES"), std::string::npos) << restored.err;
    EXPECT_NE(restored.out.find("Restored 1 setting(s)"), std::string::npos) << restored.out;
    EXPECT_EQ(first->value(0x0101), Bytes{0x07});
}

// A restore or an import writes only the settings whose value differs from the printer's, so it
// never undoes what another program changes meanwhile in the others; --all-values writes every
// setting back.
struct FileApply {
    const char* name;
    std::vector<std::string> args;  // SNAPSHOT stands for the snapshot of the apply before
    const char* done;               // "Restored"
    bool allValues;
};

void PrintTo(const FileApply& apply, std::ostream* os) { *os << apply.name; }

class SnapshotCliFileApply : public SnapshotCliTest, public ::testing::WithParamInterface<FileApply> {};

TEST_P(SnapshotCliFileApply, WritesTheSettingsThatDifferOrEveryOneWhenAsked) {
    const std::string before = Read();
    ASSERT_EQ(Run({"apply", "POWERSAVER=45", "CUSTOM1NAME=Gloss"}).status, 0);
    ASSERT_EQ(Kept().size(), 1u);
    std::vector<std::string> args = GetParam().args;
    std::replace(args.begin(), args.end(), std::string("SNAPSHOT"), Kept()[0].path);
    const std::string done = GetParam().done;
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        first->clearWire();
        const Outcome o = Run(args);
        ASSERT_EQ(o.status, 0) << o.err;
        const size_t writes = Only(first->receivedPackets(), testsupport::IsSettingWrite).size();
        EXPECT_EQ(Read(), before);
        if (GetParam().allValues) {
            EXPECT_EQ(writes, 84u);
            EXPECT_NE(o.out.find(done + " 84 setting(s) of "), std::string::npos) << o.out;
        } else if (pass == 0) {
            EXPECT_EQ(writes, 2u);
            EXPECT_NE(o.out.find(done + " 2 setting(s) of "), std::string::npos) << o.out;
            EXPECT_NE(o.out.find("(the other 82 already held the file's values)"), std::string::npos) << o.out;
        } else {
            // The printer already holds the file: nothing to send, no snapshot to keep.
            EXPECT_FALSE(Touched(*first));
            EXPECT_EQ(o.out.rfind("Nothing to " + args[0] + ": ", 0), 0u) << o.out;
            EXPECT_EQ(Kept().size(), 2u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotCliFileApply,
    ::testing::Values(FileApply{"Restore", {"restore", "SNAPSHOT"}, "Restored", false},
                      FileApply{"RestoreAllValues", {"restore", "SNAPSHOT", "--all-values"}, "Restored", true},
                      FileApply{"Import", {"import", "SNAPSHOT"}, "Imported", false},
                      FileApply{"ImportAllValues", {"import", "--all-values", "SNAPSHOT"}, "Imported", true}),
    [](const ::testing::TestParamInfo<FileApply>& info) { return std::string(info.param.name); });

TEST_F(SnapshotCliTest, ExportAndImportCopySettingsBetweenPrinters) {
    ASSERT_EQ(Run({"apply", "POWERSAVER=45", "CUSTOM1NAME=Gloss", "BLANKPAGES=PRINT"}).status, 0);
    ASSERT_NE(Read("USB001"), Read("USB002"));
    const std::string file = tmp_ + "/t90.json";
    Outcome exported = Run({"export", file});
    ASSERT_EQ(exported.status, 0) << exported.err;
    snapshot::Snapshot loaded;
    std::string error;
    ASSERT_TRUE(snapshot::Load(file, loaded, error)) << error;
    EXPECT_EQ(loaded.serial, "T90V000001");

    const std::string secondBefore = Read("USB002");
    Outcome imported = Run({"import", file}, "USB002");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(Read("USB002"), Read("USB001"));
    // The import was an apply of the second printer: its old settings are kept under its serial.
    ASSERT_EQ(Kept("T90V000002").size(), 1u);
    EXPECT_EQ(cli::ToJson(Kept("T90V000002")[0].snapshot.settings), secondBefore);
}

TEST_F(SnapshotCliTest, ImportLeavesSettingsTheFileLacksAlone) {
    ASSERT_EQ(Run({"apply", "POWERSAVER=45"}).status, 0);
    const std::string file = WriteFile("part.json", R"({"format": 1, "settings": {"pwrsvr": "off"}})");
    ASSERT_EQ(Run({"import", file}).status, 0);
    EXPECT_NE(Read().find("\"POWERSAVER\": \"OFF\""), std::string::npos) << Read();
    EXPECT_EQ(Run({"diff", file}).status, 0);
}

TEST_F(SnapshotCliTest, DiffSaysWhetherThePrinterDiffersFromTheFile) {
    const std::string file = tmp_ + "/t90.json";
    ASSERT_EQ(Run({"export", file}).status, 0);
    Outcome same = Run({"diff", file});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "");

    snapshot::Snapshot loaded;
    std::string error;
    ASSERT_TRUE(snapshot::Load(file, loaded, error)) << error;
    ASSERT_EQ(Run({"apply", "POWERSAVER=45"}).status, 0);
    Outcome differs = Run({"diff", file});
    EXPECT_EQ(differs.status, cli::EXIT_DIFFERENT);
    EXPECT_EQ(differs.out, "POWERSAVER: 45 -> " + loaded.settings.at("POWERSAVER") + "\n");

    EXPECT_EQ(Run({"diff", tmp_ + "/missing.json"}).status, cli::EXIT_USAGE);
}

struct BadImport {
    const char* name;
    const char* text;
    const char* message;
    bool modelOnly = false;  // only the model is wrong: save --from, for no printer, takes it
};

class SnapshotCliRefuses : public SnapshotCliTest, public ::testing::WithParamInterface<BadImport> {};

TEST_P(SnapshotCliRefuses, ImportOfABadFileSendsNothing) {
    const std::string file = WriteFile("bad.json", GetParam().text);
    first->clearWire();
    Outcome o = Run({"import", file});
    EXPECT_EQ(o.status, cli::EXIT_USAGE);
    EXPECT_NE(o.err.find(GetParam().message), std::string::npos) << o.err;
    EXPECT_FALSE(Touched(*first));
    EXPECT_TRUE(Kept().empty());
    // save --from checks the file the same way and writes no command file.
    if (GetParam().modelOnly) return;
    EXPECT_EQ(Run({"save", tmp_ + "/out.npa", "--from", file}, "").status, cli::EXIT_USAGE);
    EXPECT_FALSE(std::filesystem::exists(tmp_ + "/out.npa"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotCliRefuses,
    ::testing::Values(
        BadImport{"UnknownName", R"({"format": 1, "settings": {"POWERSAVER": "30", "NOSUCH": "1"}})",
                  "unknown setting NOSUCH"},
        BadImport{"BadValue", R"({"format": 1, "settings": {"POWERSAVER": "999"}})", "bad value '999'"},
        BadImport{"TextTooLong", R"({"format": 1, "settings": {"CUSTOM1NAME": "abcdefghijklmnopqrstuvwxyz0123456789"}})",
                  "CUSTOM1NAME"},
        BadImport{"SameSettingTwice", R"({"format": 1, "settings": {"POWERSAVER": "30", "PwrSvr": "45"}})",
                  "more than once"},
        BadImport{"NotJson", R"({"format": 1, "settings": )", "not a JSON file"},
        BadImport{"AnotherModel", R"({"format": 1, "model": "Brennick Office 40", "settings": {"POWERSAVER": "30"}})",
                  "--force", true}),
    [](const ::testing::TestParamInfo<BadImport>& info) { return std::string(info.param.name); });

TEST_F(SnapshotCliTest, ForceImportsTheFileOfAnotherModel) {
    const std::string file =
        WriteFile("other.json", R"({"format": 1, "model": "Brennick Office 40", "settings": {"POWERSAVER": "30"}})");
    Outcome o = Run({"import", "--force", file});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(first->value(0x0306), Bytes{30});
}

TEST_F(SnapshotCliTest, SnapshotFolderThatCannotBeWrittenStopsTheApply) {
    std::filesystem::create_directories(tmp_ + "/state/devpanel");
    testsupport::WriteFileBytes(SnapshotRoot(), "not a folder");
    const std::optional<Bytes> before = first->value(0x0306);
    first->clearWire();
    Outcome o = Run({"apply", "POWERSAVER=45"});
    EXPECT_EQ(o.status, cli::EXIT_WRITE);
    EXPECT_NE(o.err.find("snapshot"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("nothing was sent"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(Touched(*first));
    EXPECT_EQ(first->value(0x0306), before);
}

TEST_F(SnapshotCliTest, SaveFromWritesTheCommandFileOfTheExportedSettings) {
    const std::string file = tmp_ + "/t90.json";
    ASSERT_EQ(Run({"apply", "POWERSAVER=45"}).status, 0);
    ASSERT_EQ(Run({"export", file}).status, 0);
    ASSERT_EQ(Run({"save", tmp_ + "/direct.npa"}).status, 0);
    std::filesystem::create_directories(tmp_ + "/copy");
    Outcome o = Run({"save", tmp_ + "/copy/settings.npa", "--from", file}, "");
    ASSERT_EQ(o.status, 0) << o.err;
    // The same commands as a save from the printer itself, and sendable to another printer.
    EXPECT_EQ(testsupport::ReadFileBytes(tmp_ + "/copy/settings.npa"), testsupport::ReadFileBytes(tmp_ + "/direct.npa"));
    ASSERT_EQ(Run({"send", tmp_ + "/copy/settings.npa"}, "USB002").status, 0);
    EXPECT_EQ(second->value(0x0306), Bytes{45});
}

struct Usage {
    const char* name;
    std::vector<std::string> args;
    int status;
};

class CliUsage : public SnapshotCliTest, public ::testing::WithParamInterface<Usage> {};

TEST_P(CliUsage, VersionHelpAndBadUsageOfTheNewCommands) {
    Outcome o = Run(GetParam().args, "");
    EXPECT_EQ(o.status, GetParam().status) << o.err;
    if (GetParam().status == cli::EXIT_OK) {
        EXPECT_FALSE(o.out.empty());
        EXPECT_TRUE(o.err.empty()) << o.err;
    } else {
        EXPECT_TRUE(o.out.empty()) << o.out;
        EXPECT_NE(o.err.find("Run devpanel-cli --help"), std::string::npos) << o.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsage,
    ::testing::Values(Usage{"Version", {"--version"}, 0}, Usage{"Help", {"--help"}, 0},
                      Usage{"HelpAfterACommand", {"restore", "--help"}, 0},
                      Usage{"ExportWithoutFile", {"export"}, 2}, Usage{"ExportTwoFiles", {"export", "a", "b"}, 2},
                      Usage{"ImportWithoutFile", {"import"}, 2}, Usage{"DiffWithoutFile", {"diff"}, 2},
                      Usage{"RestoreTwoFiles", {"restore", "a", "b"}, 2},
                      Usage{"SnapshotsWithArgument", {"snapshots", "x"}, 2},
                      Usage{"FromWithoutFile", {"save", "f.npa", "--from"}, 2},
                      Usage{"FromWithAssignments", {"save", "f.npa", "A=1", "--from", "x.json"}, 2},
                      Usage{"ForceOutsideImport", {"--force", "read"}, 2},
                      Usage{"AllValuesOutsideTheApplies", {"--all-values", "read"}, 2},
                      Usage{"AllValuesWithSave", {"save", "f.npa", "A=1", "--all-values"}, 2},
                      Usage{"FromOutsideSave", {"read", "--from", "x.json"}, 2},
                      Usage{"QueueOutsideSend", {"apply", "--queue", "q", "A=1"}, 2},
                      Usage{"EmptyQueue", {"send", "f", "--queue="}, 2},
                      Usage{"QueueWithVirtual", {"--virtual", "send", "f", "--queue", "q"}, 2}),
    [](const ::testing::TestParamInfo<Usage>& info) { return std::string(info.param.name); });

TEST_F(SnapshotCliTest, VersionIsTheBuildVersion) {
    EXPECT_EQ(Run({"--version"}, "").out, std::string("devpanel-cli ") + DEVPANEL_VERSION + "\n");
}

}  // namespace
