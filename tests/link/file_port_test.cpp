// The one-way targets: a command file (FILE port) is written completely or not at all, and the
// one-way parallel workaround keeps its files in a private folder and reports a failed copy.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "link_fixture.h"
#include "platform/local_files.h"

namespace linktest {
namespace {

namespace fs = std::filesystem;

Bytes Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

bool Mentions(const std::string& problem, const std::string& what) { return problem.find(what) != std::string::npos; }

const Bytes kCommand = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0xE7, 0x01, 0x00, 0x10, 0x02};

// --- Targets that are refused before anything is written

struct BadTarget {
    const char* name;
    // Makes the target in folder and returns its path.
    std::string (*make)(const std::string& folder);
};

class CommandFileTarget : public LinkTest, public ::testing::WithParamInterface<BadTarget> {};

TEST_P(CommandFileTarget, IsRefusedWithTheReason) {
    const std::string folder = sim_->tempFolder();
    const std::string target = GetParam().make(folder);
    const std::set<std::string> before = Listing(folder);
    const Bytes realBefore = Contents(folder + "/real.npa");

    EXPECT_EQ(SlcOpenPort(platform::PortName::CommandFile(target)), SLC_FAIL);
    EXPECT_TRUE(Mentions(SlcLastProblem(), target)) << SlcLastProblem();
    EXPECT_TRUE(SlcGlobals().openPort.empty());
    EXPECT_EQ(Listing(folder), before) << "no temporary may stay behind";
    EXPECT_EQ(Contents(folder + "/real.npa"), realBefore);
}

INSTANTIATE_TEST_SUITE_P(
    FilePort, CommandFileTarget,
    ::testing::Values(
        BadTarget{"Folder",
                  [](const std::string& f) {
                      fs::create_directory(f + "/folder.npa");
                      return f + "/folder.npa";
                  }},
        BadTarget{"Device", [](const std::string&) { return std::string("/dev/null"); }},
        BadTarget{"SymbolicLink",
                  [](const std::string& f) {
                      Put(f + "/real.npa", "REAL");
                      fs::create_symlink(f + "/real.npa", f + "/link.npa");
                      return f + "/link.npa";
                  }},
        BadTarget{"Fifo",
                  [](const std::string& f) {
                      ::mkfifo((f + "/fifo.npa").c_str(), 0600);
                      return f + "/fifo.npa";
                  }},
        BadTarget{"MissingFolder", [](const std::string& f) { return f + "/no-such-folder/x.npa"; }},
        BadTarget{"FolderIsAFile",
                  [](const std::string& f) {
                      Put(f + "/plain", "x");
                      return f + "/plain/x.npa";
                  }},
        // sysfs takes no new files, not even from root.
        BadTarget{"UnwritableFolder", [](const std::string&) { return std::string("/sys/devpanel-test.npa"); }}),
    [](const ::testing::TestParamInfo<BadTarget>& info) { return std::string(info.param.name); });

// --- Writes that fail part-way: the old pair stays byte-identical

struct BrokenSave {
    const char* name;
    long writeBudget;           // bytes the temporaries take before the disk is "full"; -1 unlimited
    bool writeOffline;          // SlcOffline(path, 1) is called
    bool reopen;                // the port is replaced by another instead of closed
    int closeResult;
    const char* failedFile;     // "settings.npa" or "offline.dat": the file the problem names
};

class CommandFileWrite : public LinkTest, public ::testing::WithParamInterface<BrokenSave> {
protected:
    void TearDown() override {
        platform::LocalFiles::failWritesAfterBytesForTesting(-1);
        LinkTest::TearDown();
    }
};

TEST_P(CommandFileWrite, LeavesTheOldFilesAsTheyWere) {
    const BrokenSave& c = GetParam();
    const std::string folder = sim_->tempFolder();
    const std::string path = folder + "/settings.npa";
    Put(path, "OLD COMMANDS");
    Put(folder + "/offline.dat", "OLD OFFLINE");
    const std::set<std::string> before = Listing(folder);

    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(path)), SLC_OK);
    platform::LocalFiles::failWritesAfterBytesForTesting(c.writeBudget);
    bool failed = false;
    if (c.writeOffline) failed |= SlcOffline(path.c_str(), 1) != SLC_OK;
    failed |= SlcSendCommand(path.c_str(), kCommand.data(), static_cast<uint32_t>(kCommand.size()), nullptr, nullptr) !=
              SLC_OK;
    failed |= SlcOffline(path.c_str(), 0) != SLC_OK;
    EXPECT_EQ(failed, c.writeBudget >= 0) << "a write that did not go out was reported as done";
    // The last write went into the command file.
    const std::string writeProblem = SlcLastProblem();

    if (c.reopen) {
        ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(folder + "/other.npa")), SLC_OK);
        SlcResetForTesting();
    } else {
        EXPECT_EQ(SlcClosePort(path.c_str()), c.closeResult);
        EXPECT_TRUE(Mentions(SlcLastProblem(), folder + "/" + c.failedFile)) << SlcLastProblem();
    }
    if (c.writeBudget >= 0) {
        EXPECT_TRUE(Mentions(writeProblem, path)) << writeProblem;
    }
    EXPECT_EQ(Contents(path), ToBytes(std::string("OLD COMMANDS")));
    EXPECT_EQ(Contents(folder + "/offline.dat"), ToBytes(std::string("OLD OFFLINE")));
    EXPECT_EQ(Listing(folder), before) << "no temporary may stay behind";
}

constexpr long kStartAndPacket = 19 + 9;  // a start packet and the offline or online packet

INSTANTIATE_TEST_SUITE_P(
    FilePort, CommandFileWrite,
    ::testing::Values(BrokenSave{"OfflineFileWriteFails", 10, true, false, SLC_SEND_WRITEFAIL, "offline.dat"},
                      BrokenSave{"CommandWriteFails", kStartAndPacket + 25, true, false, SLC_SEND_WRITEFAIL,
                                 "settings.npa"},
                      BrokenSave{"OnlineWriteFails", kStartAndPacket + 29 + 20, true, false, SLC_SEND_WRITEFAIL,
                                 "settings.npa"},
                      BrokenSave{"NoOfflineFile", -1, false, false, SLC_FAIL, "settings.npa"},
                      BrokenSave{"ReplacedBeforeClose", -1, true, true, SLC_OK, "settings.npa"}),
    [](const ::testing::TestParamInfo<BrokenSave>& info) { return std::string(info.param.name); });

TEST_F(LinkTest, CompleteCommandFileIsAnOrdinaryFileOfTheUser) {
    const mode_t old = ::umask(027);
    const std::string folder = sim_->tempFolder();
    const std::string path = folder + "/settings.npa";
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(path)), SLC_OK);
    ASSERT_EQ(SlcOffline(path.c_str(), 1), SLC_OK);
    ASSERT_EQ(SlcSendCommand(path.c_str(), kCommand.data(), static_cast<uint32_t>(kCommand.size()), nullptr, nullptr),
              SLC_OK);
    ASSERT_EQ(SlcOffline(path.c_str(), 0), SLC_OK);
    EXPECT_FALSE(fs::exists(path)) << "nothing is in place before the close";
    EXPECT_EQ(SlcClosePort(path.c_str()), SLC_OK);
    ::umask(old);
    EXPECT_TRUE(SlcLastProblem().empty());
    for (const std::string& file : {path, folder + "/offline.dat"}) {
        struct stat st {};
        ASSERT_EQ(::lstat(file.c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mode & 0777, 0640u) << file << ": 0666 less the umask";
    }
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"settings.npa", "offline.dat"}));
    EXPECT_EQ(Contents(folder + "/offline.dat").size(), 28u);
}

TEST_F(LinkTest, OfflineFileThatIsNoRegularFileIsRefused) {
    const std::string folder = sim_->tempFolder();
    const std::string path = folder + "/settings.npa";
    Put(folder + "/elsewhere", "NOT OURS");
    fs::create_symlink(folder + "/elsewhere", folder + "/offline.dat");
    ASSERT_EQ(SlcOpenPort(platform::PortName::CommandFile(path)), SLC_OK);
    EXPECT_EQ(SlcOffline(path.c_str(), 1), SLC_FAIL);
    EXPECT_TRUE(Mentions(SlcLastProblem(), folder + "/offline.dat")) << SlcLastProblem();
    EXPECT_EQ(SlcOffline(path.c_str(), 0), SLC_OK);
    EXPECT_EQ(SlcClosePort(path.c_str()), SLC_SEND_WRITEFAIL);
    EXPECT_TRUE(Mentions(SlcLastProblem(), folder + "/offline.dat")) << SlcLastProblem();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Contents(folder + "/elsewhere"), ToBytes(std::string("NOT OURS")));
    EXPECT_TRUE(fs::is_symlink(folder + "/offline.dat"));
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"elsewhere", "offline.dat"}));
}

// --- The one-way workaround's copy to the printer

struct BrokenCopy {
    const char* name;
    bool openFails;
    long disconnectAfterBytes;
    size_t bytesReceived;  // what reached the printer
};

class WorkaroundCopy : public LinkTest, public ::testing::WithParamInterface<BrokenCopy> {};

TEST_P(WorkaroundCopy, ThatFailsKeepsTheFilesAndSaysWhere) {
    const BrokenCopy& c = GetParam();
    sim_->setOsKind(platform::OsKind::OneWay);
    sim::VirtualPrinter& printer = AddPrinter();
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_UNIDIRECTIONAL);
    const std::string folder = SlcGlobals().workFolder;
    const std::string commands = SlcGlobals().tempFile;
    ASSERT_EQ(SlcOffline("LPT1:", 1), SLC_OK);
    ASSERT_EQ(SlcSendCommand("LPT1:", kCommand.data(), static_cast<uint32_t>(kCommand.size()), nullptr, nullptr), SLC_OK);
    ASSERT_EQ(SlcOffline("LPT1:", 0), SLC_OK);
    const Bytes offlineBytes = Contents(folder + "/offline.dat");
    const Bytes commandBytes = Contents(commands);

    sim::Faults faults;
    faults.openFails = c.openFails;
    faults.disconnectAfterBytes = c.disconnectAfterBytes;
    printer.setFaults(faults);
    EXPECT_EQ(SlcClosePort("LPT1:"), SLC_SEND_WRITEFAIL);
    const std::string problem = SlcLastProblem();
    EXPECT_TRUE(Mentions(problem, "the copy to the printer on LPT1:")) << problem;
    EXPECT_TRUE(Mentions(problem, "the commands are kept in " + folder + " (offline.dat first, then " +
                                      fs::path(commands).filename().string() + ")"))
        << problem;
    EXPECT_EQ(Contents(folder + "/offline.dat"), offlineBytes);
    EXPECT_EQ(Contents(commands), commandBytes);
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(printer.receivedBytes().size(), c.bytesReceived);
    EXPECT_TRUE(SlcGlobals().openPort.empty());
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(OneWay, WorkaroundCopy,
                         ::testing::Values(BrokenCopy{"PortDoesNotOpen", true, -1, 0},
                                           BrokenCopy{"CablePulledInOfflineFile", false, 10, 10},
                                           BrokenCopy{"CablePulledInCommands", false, 28 + 10, 28 + 10}),
                         [](const ::testing::TestParamInfo<BrokenCopy>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace linktest
