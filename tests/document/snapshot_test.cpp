// Snapshot files, their store, and the snapshot the document takes before every two-way apply,
// against the virtual printer.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "document/printer_doc.h"
#include "document/snapshot.h"
#include "platform/paths.h"
#include "sim_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::SimFixture;

snapshot::Snapshot Sample() {
    snapshot::Snapshot s;
    s.model = "Altrin Pressline T90";
    s.serial = "T90V000001";
    s.port = "USB001";
    s.time = "2026-12-07T14:39:59.123Z";
    s.settings = {{"POWERSAVER", "30"}, {"CUSTOM1NAME", "용지 \"A\"\\1"}, {"PROPTAG", ""}};
    s.skipped = {"BLANKPAGES"};
    return s;
}

bool Same(const snapshot::Snapshot& a, const snapshot::Snapshot& b) {
    return a.formatVersion == b.formatVersion && a.model == b.model && a.serial == b.serial && a.port == b.port &&
           a.time == b.time && a.settings == b.settings && a.skipped == b.skipped;
}

TEST(SnapshotFormat, RoundTripKeepsEveryField) {
    snapshot::Snapshot back;
    std::string error;
    ASSERT_TRUE(snapshot::FromJson(snapshot::ToJson(Sample()), back, error)) << error;
    EXPECT_TRUE(Same(back, Sample()));

    // Without a serial the field is left out, and comes back empty.
    snapshot::Snapshot parallel = Sample();
    parallel.serial.clear();
    parallel.port = "LPT1:";
    const std::string text = snapshot::ToJson(parallel);
    EXPECT_EQ(text.find("\"serial\""), std::string::npos);
    ASSERT_TRUE(snapshot::FromJson(text, back, error)) << error;
    EXPECT_TRUE(Same(back, parallel));
}

TEST(SnapshotFormat, SkippedSettingsAreNeverTakenFromTheFile) {
    snapshot::Snapshot back;
    std::string error;
    ASSERT_TRUE(snapshot::FromJson(R"({"format": 1, "settings": {"A": "1", "B": "2"}, "skipped": ["B"]})", back, error))
        << error;
    EXPECT_EQ(back.settings, (ValueMap{{"A", "1"}}));
    EXPECT_EQ(back.skipped, std::vector<std::string>{"B"});
}

TEST(SnapshotFormat, BytesThatAreNotUtf8StillGiveJson) {
    snapshot::Snapshot s = Sample();
    s.settings["CUSTOM2NAME"] = std::string("a\xFF\xC3", 3);
    snapshot::Snapshot back;
    std::string error;
    ASSERT_TRUE(snapshot::FromJson(snapshot::ToJson(s), back, error)) << error;
    EXPECT_EQ(back.settings["CUSTOM2NAME"], "a\xC3\xBF\xC3\x83");
}

struct BadFile {
    const char* name;
    const char* text;
    const char* error;  // a part of the message
};

class SnapshotFormatRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(SnapshotFormatRefuses, FilesThatAreNotSettingsFiles) {
    snapshot::Snapshot out = Sample();
    std::string error;
    EXPECT_FALSE(snapshot::FromJson(GetParam().text, out, error));
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
    EXPECT_TRUE(out.settings.empty()) << "nothing of a refused file is kept";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotFormatRefuses,
    ::testing::Values(BadFile{"Empty", "", "not a JSON file"},
                      BadFile{"CutShort", R"({"format": 1, "settings": {"A": "1")", "not a JSON file"},
                      BadFile{"Array", R"([1, 2])", "not an object"},
                      BadFile{"NoFormat", R"({"settings": {}})", "no \"format\""},
                      BadFile{"FormatAsText", R"({"format": "1", "settings": {}})", "no \"format\""},
                      BadFile{"LaterFormat", R"({"format": 2, "settings": {}})", "format 2"},
                      BadFile{"NoSettings", R"({"format": 1})", "no \"settings\""},
                      BadFile{"NumberValue", R"({"format": 1, "settings": {"POWERSAVER": 30}})", "POWERSAVER"},
                      BadFile{"BadValueAfterGoodOnes", R"({"format": 1, "settings": {"A": "1", "B": "2", "C": null}})", "\"C\""},
                      BadFile{"EmptyName", R"({"format": 1, "settings": {"": "1"}})", "without a name"},
                      BadFile{"ModelAsNumber", R"({"format": 1, "model": 5, "settings": {}})", "\"model\""},
                      BadFile{"SkippedNotList", R"({"format": 1, "settings": {}, "skipped": "A"})", "\"skipped\""},
                      BadFile{"SkippedNumbers", R"({"format": 1, "settings": {}, "skipped": [1]})", "\"skipped\""}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

struct DiffCase {
    const char* name;
    ValueMap now, then;
    std::vector<std::string> differing;
};

class SnapshotDiff : public ::testing::TestWithParam<DiffCase> {};

TEST_P(SnapshotDiff, NamesWhatTheOtherMapSetsDifferently) {
    std::vector<std::string> names;
    for (const snapshot::Difference& d : snapshot::Diff(GetParam().now, GetParam().then)) {
        names.push_back(d.name);
        ASSERT_TRUE(d.then.has_value());
        EXPECT_EQ(*d.then, GetParam().then.at(d.name));
        EXPECT_EQ(d.now.has_value(), GetParam().now.count(d.name) == 1);
    }
    EXPECT_EQ(names, GetParam().differing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotDiff,
    ::testing::Values(DiffCase{"Equal", {{"A", "1"}, {"B", "x"}}, {{"A", "1"}, {"B", "x"}}, {}},
                      DiffCase{"OneValue", {{"A", "1"}, {"B", "x"}}, {{"A", "2"}, {"B", "x"}}, {"A"}},
                      DiffCase{"LetterCaseCounts", {{"A", "abc"}}, {{"A", "ABC"}}, {"A"}},
                      DiffCase{"OnlyNowHasIt", {{"A", "1"}, {"B", "x"}}, {{"A", "1"}}, {}},
                      DiffCase{"OnlyThenHasIt", {{"A", "1"}}, {{"A", "1"}, {"B", "x"}}, {"B"}},
                      DiffCase{"Sorted", {{"A", "1"}, {"Z", "1"}}, {{"Z", "2"}, {"A", "2"}}, {"A", "Z"}}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

TEST(SnapshotStore, PrinterFoldersAreSafeNames) {
    EXPECT_EQ(snapshot::PrinterFolderName({"Altrin Pressline T90", "T90V000001", "USB001"}),
              "Altrin_Pressline_T90-T90V000001");
    EXPECT_EQ(snapshot::PrinterFolderName({"Altrin Pressline T90", "", "USB001"}), "USB001");
    EXPECT_EQ(snapshot::PrinterFolderName({"Altrin Pressline T90", "", "LPT1:"}), "LPT1_");
    EXPECT_EQ(snapshot::PrinterFolderName({"../..", "/etc", "USB001"}), "_.._..-_etc");
    EXPECT_EQ(snapshot::PrinterFolderName({"M", "", ".."}), "_..");
    // A network printer by host and TCP port, whatever the options of its name.
    EXPECT_EQ(snapshot::PrinterFolderName({"M", "", "socket://printer.example?snmp=false"}), "socket-printer.example-9100");
    EXPECT_EQ(snapshot::PrinterFolderName({"M", "", "socket://printer.example:9100?snmp-port=1161"}),
              "socket-printer.example-9100");
    EXPECT_EQ(snapshot::PrinterFolderName({"M", "", "socket://[fd00::1]:9101"}), "socket-fd00__1-9101");
    // No state folder known: no folder at all, never one relative to the working directory.
    EXPECT_EQ(snapshot::PrinterFolder("", {"M", "S", "USB001"}), "");
    EXPECT_EQ(snapshot::PrinterFolder("/state/snapshots", {"M", "S", "USB001"}), "/state/snapshots/M-S");
}

class SnapshotStoreTest : public SimFixture {
protected:
    std::string Folder() { return tmp_ + "/snapshots/printer"; }
};

TEST_F(SnapshotStoreTest, WritesPrivateFilesNamedByTimeNewestFirst) {
    snapshot::Snapshot first = Sample();
    snapshot::Snapshot second = Sample();
    second.time = "2026-12-07T14:40:00.000Z";
    second.settings["POWERSAVER"] = "45";
    std::string error;
    const std::string a = snapshot::Write(Folder(), first, error);
    ASSERT_FALSE(a.empty()) << error;
    const std::string b = snapshot::Write(Folder(), second, error);
    ASSERT_FALSE(b.empty()) << error;
    // The same millisecond again: a name of its own, still after the first.
    const std::string c = snapshot::Write(Folder(), second, error);
    ASSERT_FALSE(c.empty()) << error;
    EXPECT_NE(b, c);

#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif

    const std::vector<snapshot::StoredSnapshot> list = snapshot::List(Folder());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, c);
    EXPECT_EQ(list[1].path, b);
    EXPECT_EQ(list[2].path, a);
    EXPECT_TRUE(Same(list[2].snapshot, first));
    EXPECT_EQ(list[0].printerFolder, "printer");

    // Every printer's folder, newest first.
    snapshot::Snapshot older = Sample();
    older.time = "2026-12-07T10:00:00.000Z";
    ASSERT_FALSE(snapshot::Write(tmp_ + "/snapshots/other", older, error).empty()) << error;
    const std::vector<snapshot::StoredSnapshot> all = snapshot::ListAll(tmp_ + "/snapshots");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].path, c);
    EXPECT_EQ(all[3].printerFolder, "other");
}

TEST_F(SnapshotStoreTest, PruningKeepsTheNewestFiftyAndNothingElseIsTouched) {
    std::filesystem::create_directories(Folder());
    testsupport::WriteFileBytes(Folder() + "/notes.txt", "mine");
    // The temporary of a snapshot write killed long ago goes; another name of the same form stays.
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    const std::string deadWrite = Folder() + "/2026-12-07T13-00-00.000000Z.json.Ab3dEf";
    for (const std::string& path : {deadWrite, Folder() + "/notes.txt.Ab3dEf"}) {
        testsupport::WriteFileBytes(path, "{");
        std::filesystem::last_write_time(path, longAgo);
    }
    std::string error;
    std::vector<std::string> written;
    for (int i = 0; i < 55; ++i) {
        snapshot::Snapshot s = Sample();
        char time[32];
        std::snprintf(time, sizeof time, "2026-12-07T14:%02d:00.000Z", i);
        s.time = time;
        written.push_back(snapshot::Write(Folder(), s, error));
        ASSERT_FALSE(written.back().empty()) << error;
    }
    const std::vector<snapshot::StoredSnapshot> list = snapshot::List(Folder());
    ASSERT_EQ(list.size(), snapshot::kKeepPerPrinter);
    EXPECT_EQ(list.front().path, written.back());
    EXPECT_EQ(list.back().path, written[5]);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(std::filesystem::exists(written[static_cast<size_t>(i)]));
    EXPECT_TRUE(std::filesystem::exists(Folder() + "/notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(Folder() + "/notes.txt.Ab3dEf"));
    EXPECT_FALSE(std::filesystem::exists(deadWrite));
}

// Writers of one millisecond (two apply in two programs at once) each get a file of their own.
TEST_F(SnapshotStoreTest, WritersOfTheSameMillisecondNeverShareAName) {
    constexpr size_t kWriters = 6;
    std::vector<std::string> paths(kWriters), errors(kWriters);
    std::vector<std::thread> writers;
    for (size_t i = 0; i < kWriters; ++i) {
        writers.emplace_back([&, i] {
            snapshot::Snapshot s = Sample();
            s.settings["POWERSAVER"] = std::to_string(i);
            paths[i] = snapshot::Write(Folder(), s, errors[i]);
        });
    }
    for (std::thread& t : writers) t.join();
    std::set<std::string> names;
    for (size_t i = 0; i < kWriters; ++i) {
        ASSERT_FALSE(paths[i].empty()) << errors[i];
        names.insert(paths[i]);
        snapshot::Snapshot loaded;
        std::string error;
        ASSERT_TRUE(snapshot::Load(paths[i], loaded, error)) << error;
        EXPECT_EQ(loaded.settings.at("POWERSAVER"), std::to_string(i)) << "each file holds its own writer's settings";
    }
    EXPECT_EQ(names.size(), kWriters);
    EXPECT_EQ(snapshot::List(Folder()).size(), kWriters);
}

TEST_F(SnapshotStoreTest, FolderThatCannotBeMadeIsAFailureThatSaysSo) {
    // A file where the folder should be stops even the superuser.
    testsupport::WriteFileBytes(tmp_ + "/blocked", "x");
    std::string error;
    EXPECT_TRUE(snapshot::Write(tmp_ + "/blocked/printer", Sample(), error).empty());
    EXPECT_NE(error.find(tmp_ + "/blocked/printer"), std::string::npos) << error;
    EXPECT_TRUE(snapshot::Write("", Sample(), error).empty());
    EXPECT_FALSE(error.empty());
}

TEST_F(SnapshotStoreTest, LoadRefusesWhatIsNoSettingsFile) {
    snapshot::Snapshot out;
    std::string error;
    EXPECT_FALSE(snapshot::Load(tmp_ + "/missing.json", out, error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_FALSE(snapshot::Load(tmp_, out, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    testsupport::WriteFileBytes(tmp_ + "/huge.json", std::string(snapshot::kMaxFileBytes + 1, ' '));
    EXPECT_FALSE(snapshot::Load(tmp_ + "/huge.json", out, error));
    EXPECT_NE(error.find("larger"), std::string::npos) << error;
}

// The document before each two-way apply.
class ApplySnapshotTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        printer = &sim_->addUsbPrinter(1, "T90V000001");
        doc.m_snapshotRoot = tmp_ + "/snapshots";
    }
    void Start(const std::string& port) {
        StartupResult startup;
        startup.portName = port;
        startup.printerLabel = port;
        startup.readStatus = NpaReadAllSettings(port, startup.values, &startup.rawValues);
        ASSERT_TRUE(startup.readStatus == NPA_OK || startup.readStatus == NPA_ONEWAY);
        ASSERT_TRUE(doc.OnNewDocument(startup));
    }
    size_t BatchReads() { return Only(SettingsTraffic(*printer), testsupport::IsBatchRead).size(); }

    sim::VirtualPrinter* printer = nullptr;
    CPrinterDoc doc;
};

// The printer may have changed a moment after the start-up read: every apply reads it again, in
// one exchange before the printer is taken offline, and records that.
TEST_F(ApplySnapshotTest, EveryApplyRecordsWhatThePrinterHoldsJustBeforeTheWrites) {
    printer->setValue(0x0306, {30});  // POWERSAVER
    Start("USB001");
    printer->setValue(0x0306, {77});
    printer->clearWire();
    doc.MarkChanged();
    doc.StoreValue("BLANKPAGES", "PRINT");
    ASSERT_EQ(doc.Apply(), NPA_OK);
    const std::vector<Bytes> traffic = SettingsTraffic(*printer);
    ASSERT_GE(traffic.size(), 2u);
    EXPECT_TRUE(testsupport::IsBatchRead(traffic[0]));
    EXPECT_TRUE(testsupport::IsOfflineOnline(traffic[1], 1));
    EXPECT_EQ(BatchReads(), 2u) << "the read before and the read-back after";
    ASSERT_FALSE(doc.LastSnapshotPath().empty());
    EXPECT_EQ(platform::FileNameOfPath(platform::FolderOfPath(doc.LastSnapshotPath())),
              "Altrin_Pressline_T90-T90V000001");
    snapshot::Snapshot taken;
    std::string error;
    ASSERT_TRUE(snapshot::Load(doc.LastSnapshotPath(), taken, error)) << error;
    EXPECT_EQ(taken.settings.at("POWERSAVER"), "77");
    EXPECT_EQ(taken.settings.at("BLANKPAGES"), "DONTPRINT");
    EXPECT_EQ(taken.serial, "T90V000001");
    EXPECT_EQ(taken.model, "Altrin Pressline T90");
    EXPECT_EQ(taken.port, "USB001");
}

TEST_F(ApplySnapshotTest, SnapshotThatCannotBeWrittenStopsTheApplyBeforeAnythingIsSent) {
    testsupport::WriteFileBytes(tmp_ + "/blocked", "x");
    doc.m_snapshotRoot = tmp_ + "/blocked";
    Start("USB001");
    printer->clearWire();
    doc.MarkChanged();
    doc.StoreValue("POWERSAVER", "45");
    EXPECT_EQ(doc.Apply(), DOC_ERR_SNAPSHOT);
    EXPECT_NE(doc.LastWriteReport().problem.find("snapshot"), std::string::npos);
    EXPECT_NE(doc.LastWriteReport().problem.find(tmp_ + "/blocked"), std::string::npos)
        << doc.LastWriteReport().problem;
    EXPECT_TRUE(doc.LastSnapshotPath().empty());
    EXPECT_EQ(SettingsTraffic(*printer).size(), BatchReads()) << "the read for the snapshot and nothing more";
    EXPECT_FALSE(printer->offline());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ApplySnapshotTest, ValuesThatCannotBeWrittenBackAreRecordedAsSkipped) {
    printer->setValue(0x0101, {0x07});  // BLANKPAGES: a byte the configuration does not know
    Start("USB001");
    ASSERT_EQ(doc.Apply(), NPA_OK);
    snapshot::Snapshot taken;
    std::string error;
    ASSERT_TRUE(snapshot::Load(doc.LastSnapshotPath(), taken, error)) << error;
    EXPECT_EQ(taken.skipped, std::vector<std::string>{"BLANKPAGES"});
    EXPECT_EQ(taken.settings.count("BLANKPAGES"), 0u);
    EXPECT_EQ(taken.settings.size(), doc.CurrentValues().size() - 1);
}

// An export (the window's, the command line's) records the values as an apply's snapshot would,
// edits included: what cannot be written back is named, not kept. A one-way port read nothing, so
// its values are the configuration's, all kept.
TEST_F(ApplySnapshotTest, TheDocumentsValuesAsASnapshotNameWhatCannotBeWrittenBack) {
    printer->setValue(0x0101, {0x07});  // BLANKPAGES: a byte the configuration does not know
    Start("USB001");
    doc.StoreValue("POWERSAVER", "45");
    const snapshot::Snapshot taken = doc.SnapshotOfValues();
    EXPECT_EQ(taken.model, "Altrin Pressline T90");
    EXPECT_EQ(taken.serial, "T90V000001");
    EXPECT_EQ(taken.port, "USB001");
    EXPECT_FALSE(taken.time.empty());
    EXPECT_EQ(taken.skipped, std::vector<std::string>{"BLANKPAGES"});
    ValueMap expected = doc.CurrentValues();
    expected.erase("BLANKPAGES");
    EXPECT_EQ(taken.settings, expected);
    EXPECT_EQ(taken.settings.at("POWERSAVER"), "45");

    sim_->addParallelPrinter("LPT1:", true);
    Start("LPT1:");
    const snapshot::Snapshot oneWay = doc.SnapshotOfValues();
    EXPECT_TRUE(oneWay.skipped.empty());
    EXPECT_EQ(oneWay.settings, doc.CurrentValues());
    EXPECT_EQ(oneWay.port, "LPT1:");
}

TEST_F(ApplySnapshotTest, CommandFilesTakeNoSnapshot) {
    Start("USB001");
    ASSERT_EQ(doc.SaveCommandFile(tmp_ + "/settings.npa"), NPA_OK);
    EXPECT_TRUE(doc.LastSnapshotPath().empty());
    EXPECT_FALSE(std::filesystem::exists(tmp_ + "/snapshots"));
}

TEST_F(ApplySnapshotTest, OneWayPortsTakeNoSnapshot) {
    sim::VirtualPrinter& oneWay = sim_->addParallelPrinter("LPT1:", true);
    Start("LPT1:");
    ASSERT_TRUE(doc.IsOneWay());
    doc.MarkChanged();
    doc.StoreValue("POWERSAVER", "45");
    EXPECT_EQ(doc.Apply(), NPA_OK);
    EXPECT_TRUE(doc.LastSnapshotPath().empty());
    EXPECT_FALSE(std::filesystem::exists(tmp_ + "/snapshots"));
    EXPECT_EQ(oneWay.value(0x0306), Bytes{45});
}

}  // namespace
