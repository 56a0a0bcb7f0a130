// Deploying a command file through print queues (devpanel-cli send FILE --queue ...) against a
// private cupsd whose queues print into files: the "record" backend appends each job's bytes to
// the file its device URI names (and the job's title and times to FILE.times); "record-no-npa"
// does the same but fails every job whose title ends in ".npa". The queues are raw queues, so no
// filter stands between the job and the backend. Skipped when cupsd or lpadmin is not installed.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "cli/queue_send.h"
#include "link/timing.h"
#include "private_cupsd.h"
#include "protocol/packets.h"
#include "testbed.h"
#include "tests/support/test_env.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kRecorder = R"(#!/bin/sh
# Without arguments cupsd asks which devices we find: none.
[ $# -eq 0 ] && exit 0
out="${DEVICE_URI#*:}"
FAIL
echo "start $(date +%s.%N) $3" >> "$out.times"
if [ -n "$6" ]; then cat "$6" >> "$out"; else cat >> "$out"; fi
echo "end $(date +%s.%N) $3" >> "$out.times"
exit 0
)";

std::string Recorder(const std::string& fail) {
    std::string script = kRecorder;
    script.replace(script.find("FAIL"), 4, fail);
    return script;
}

template <size_t N>
std::string Of(const std::array<uint8_t, N>& packet) {
    return std::string(packet.begin(), packet.end());
}

std::string Record(const std::string& packet) { return Of(npa::kStart) + packet; }

const std::string kOffline = Record(Of(npa::kFileOffline));
// Two settings and the online record, as `save` writes them.
const std::string kCommands = Record(std::string("\xA5\x00\x06\x40\xE0\x00\x2A\x01\x00", 9)) +
                              Record(std::string("\xA5\x00\x07\x40\xE0\x00\x31\x00\x00\x07", 10)) +
                              Record(Of(npa::kFileOnline));

struct Outcome {
    int status = -1;
    std::string out, err;
};

// One private cupsd for the whole suite; every test makes queues of its own.
class QueueSendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cupsd_ = testbed::findProgram("cupsd");
        lpadmin_ = testbed::findProgram("lpadmin");
        if (cupsd_.empty() || lpadmin_.empty()) return;
        dir_ = new testbed::TempDir;
        server_ = new testbed::PrivateCupsd(cupsd_, dir_->path() + "/cups");
        server_->addBackend("record", Recorder(""));
        server_->addBackend("record-no-npa", Recorder("case \"$3\" in *.npa) exit 1;; esac"));
    }
    static void TearDownTestSuite() {
        delete server_;
        delete dir_;
        server_ = nullptr;
        dir_ = nullptr;
    }

    void SetUp() override {
        if (server_ == nullptr) GTEST_SKIP() << "cupsd or lpadmin is not installed: queues not tested";
        ASSERT_TRUE(server_->ready()) << "private cupsd did not start:\n" << server_->log();
        use_ = std::make_unique<testbed::ServerOverride>(server_->socket());
        SlcTimingTable().copyPauseMs = 300;
        settings_.pollInterval = std::chrono::milliseconds(50);
        settings_.jobWait = std::chrono::seconds(20);
        folder_ = std::make_unique<testbed::TempDir>();
        file_ = folder_->path() + "/settings.npa";
        WriteFile(folder_->path() + "/offline.dat", kOffline);
        WriteFile(file_, kCommands);
    }
    void TearDown() override {
        SlcTimingTable() = SlcDefaultTiming();
        use_.reset();
    }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }

    // A raw queue named after the test printing through backend into a file of its own.
    std::string AddQueue(const std::string& suffix, const std::string& backend = "record",
                         const std::vector<std::string>& options = {}) {
        const std::string name = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                                 suffix;
        std::string queue;
        for (char c : name) queue += (std::isalnum(static_cast<unsigned char>(c)) || c == '_') ? c : '_';
        std::vector<std::string> args{lpadmin_, "-p", queue, "-v", backend + ":" + Output(queue), "-E"};
        for (const std::string& option : options) args.insert(args.end(), {"-o", option});
        EXPECT_EQ(testbed::runProgram(args, dir_->path() + "/lpadmin.log", std::chrono::seconds(10)), 0)
            << queue << "\n" << server_->log();
        return queue;
    }
    std::string Output(const std::string& queue) const { return dir_->path() + "/" + queue + ".out"; }

    Outcome Send(const std::string& file, const std::vector<std::string>& queues) {
        std::unique_ptr<cli::PrintQueues> server = cli::MakeSystemPrintQueues();
        Outcome o;
        std::ostringstream out, err;
        o.status = cli::SendToQueues(file, queues, *server, settings_, out, err);
        o.out = out.str();
        o.err = err.str();
        return o;
    }

    // Every job the server holds for queue, in any state.
    int JobCount(const std::string& queue) {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(count, jobs);
        return count;
    }

    static inline std::string cupsd_, lpadmin_;
    static inline testbed::TempDir* dir_ = nullptr;
    static inline testbed::PrivateCupsd* server_ = nullptr;
    std::unique_ptr<testbed::ServerOverride> use_;
    std::unique_ptr<testbed::TempDir> folder_;
    std::string file_;
    cli::QueueSendSettings settings_;
};

// The times file's "start"/"end" lines: seconds per title.
double TimeOf(const std::string& timesFile, const std::string& event, const std::string& title) {
    std::istringstream in(testsupport::ReadFileText(timesFile));
    std::string what, job;
    double at = 0;
    while (in >> what >> at >> job)
        if (what == event && job == title) return at;
    return -1;
}

TEST_F(QueueSendTest, EveryQueuePrintsOfflineDatThenTheFileAfterThePause) {
    SlcTimingTable().copyPauseMs = 1000;
    const std::string first = AddQueue("a"), second = AddQueue("b");
    const Outcome o = Send(file_, {first, second});
    EXPECT_EQ(o.status, cli::EXIT_OK) << o.err;
    EXPECT_EQ(o.err, "");
    for (const std::string& queue : {first, second}) {
        EXPECT_EQ(testsupport::ReadFileText(Output(queue)), kOffline + kCommands) << queue;
        EXPECT_NE(o.out.find(queue + ": offline.dat as job "), std::string::npos) << o.out;
        // The command file starts only after the printer had the pause to go offline.
        const double offlineEnd = TimeOf(Output(queue) + ".times", "end", "offline.dat");
        const double fileStart = TimeOf(Output(queue) + ".times", "start", "settings.npa");
        ASSERT_GT(offlineEnd, 0);
        EXPECT_GE(fileStart - offlineEnd, 0.95) << queue;
    }
    EXPECT_NE(o.out.find(", settings.npa as job "), std::string::npos) << o.out;
}

TEST_F(QueueSendTest, AQueueThatDoesNotExistFailsAloneAndTheExitSaysSo) {
    const std::string good = AddQueue("good");
    const Outcome o = Send(file_, {"no_such_queue", good});
    EXPECT_EQ(o.status, cli::EXIT_OPEN);
    EXPECT_NE(o.err.find("no_such_queue: nothing was sent: the print server has no queue named no_such_queue"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(testsupport::ReadFileText(Output(good)), kOffline + kCommands);
}

TEST_F(QueueSendTest, WhenTheFileCannotPrintTheOnlineRecordFollowsOfflineDat) {
    const std::string queue = AddQueue("failing", "record-no-npa", {"printer-error-policy=abort-job"});
    const Outcome o = Send(file_, {queue});
    EXPECT_EQ(o.status, cli::EXIT_WRITE);
    EXPECT_NE(o.err.find("settings.npa (job "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("aborted"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("the online record was queued as job"), std::string::npos) << o.err;
    // Wait for the online record to print: the printer is never left offline.
    const std::string want = kOffline + Record(Of(npa::kFileOnline));
    for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end && testsupport::ReadFileText(Output(queue)) != want;)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(testsupport::ReadFileText(Output(queue)), want);
}

TEST_F(QueueSendTest, AnOfflineJobThatCannotPrintInTimeIsWithdrawn) {
    const std::string disable = testbed::findProgram("cupsdisable");
    if (disable.empty()) GTEST_SKIP() << "cupsdisable is not installed";
    const std::string queue = AddQueue("stopped");
    ASSERT_EQ(testbed::runProgram({disable, queue}, dir_->path() + "/lpadmin.log", std::chrono::seconds(10)), 0);
    settings_.jobWait = std::chrono::milliseconds(500);
    const Outcome o = Send(file_, {queue});
    EXPECT_EQ(o.status, cli::EXIT_WRITE);
    EXPECT_NE(o.err.find("did not print within"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("it was cancelled"), std::string::npos) << o.err;
    // The offline job is cancelled; only the online record stays queued, and nothing printed.
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    ASSERT_EQ(count, 2);
    std::map<std::string, ipp_jstate_t> states;
    for (int i = 0; i < count; ++i) states[jobs[i].title] = jobs[i].state;
    cupsFreeJobs(count, jobs);
    EXPECT_EQ(states["offline.dat"], IPP_JSTATE_CANCELED);
    EXPECT_EQ(states["online record"], IPP_JSTATE_PENDING);
    EXPECT_EQ(testsupport::ReadFileText(Output(queue)), "");
}

TEST_F(QueueSendTest, CtrlCWhileOfflineDatWaitsWithdrawsItAndQueuesTheOnlineRecord) {
    const std::string disable = testbed::findProgram("cupsdisable");
    if (disable.empty()) GTEST_SKIP() << "cupsdisable is not installed";
    const std::string queue = AddQueue("stopped");
    ASSERT_EQ(testbed::runProgram({disable, queue}, dir_->path() + "/lpadmin.log", std::chrono::seconds(10)), 0);
    // Ctrl-C once offline.dat is queued (the deployment watches for it from then on).
    std::thread user([&] {
        testbed::ServerOverride use(server_->socket());
        for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end; ) {
            if (JobCount(queue) > 0) {
                std::raise(SIGINT);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const Outcome o = Send(file_, {queue});
    user.join();
    EXPECT_EQ(o.status, cli::EXIT_WRITE);
    EXPECT_NE(o.err.find("interrupted before settings.npa was queued"), std::string::npos) << o.err;
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    std::map<std::string, ipp_jstate_t> states;
    for (int i = 0; i < count; ++i) states[jobs[i].title] = jobs[i].state;
    cupsFreeJobs(count, jobs);
    EXPECT_EQ(states.size(), 2u);
    EXPECT_EQ(states["offline.dat"], IPP_JSTATE_CANCELED);
    EXPECT_EQ(states["online record"], IPP_JSTATE_PENDING);
}

TEST_F(QueueSendTest, AJobQueuedBetweenTheTwoIsNamedInAWarning) {
    SlcTimingTable().copyPauseMs = 3000;
    const std::string queue = AddQueue("busy");
    // Another program prints on the queue while the printer waits offline.
    std::atomic<int> intruder{0};
    std::thread other([&] {
        testbed::ServerOverride use(server_->socket());
        for (auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
            if (testsupport::ReadFileText(Output(queue)) == kOffline) {
                intruder = cupsCreateJob(CUPS_HTTP_DEFAULT, queue.c_str(), "other", 0, nullptr);
                cupsStartDocument(CUPS_HTTP_DEFAULT, queue.c_str(), intruder, "other", CUPS_FORMAT_RAW, 1);
                cupsWriteRequestData(CUPS_HTTP_DEFAULT, "x", 1);
                cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.c_str());
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const Outcome o = Send(file_, {queue});
    other.join();
    ASSERT_GT(intruder.load(), 0);
    EXPECT_EQ(o.status, cli::EXIT_OK) << o.err;
    EXPECT_NE(o.err.find("warning: " + queue + ": another job was queued between offline.dat and settings.npa (job " +
                         std::to_string(intruder.load()) + ")"),
              std::string::npos)
        << o.err;
}

// Pairs that are not whole: nothing reaches any queue.
struct BrokenPair {
    const char* name;
    std::string offline;   // "-": no offline.dat
    std::string commands;  // "-": no command file
    const char* fileName;
    const char* reason;
};

void PrintTo(const BrokenPair& pair, std::ostream* os) { *os << pair.name; }

class QueueSendBrokenPairTest : public QueueSendTest, public ::testing::WithParamInterface<BrokenPair> {};

TEST_P(QueueSendBrokenPairTest, IsRefusedBeforeAnyQueueIsTouched) {
    const BrokenPair& pair = GetParam();
    const std::string queue = AddQueue("q");
    const std::string file = folder_->path() + "/" + pair.fileName;
    std::remove((folder_->path() + "/offline.dat").c_str());
    std::remove(file_.c_str());
    if (pair.offline != "-") WriteFile(folder_->path() + "/offline.dat", pair.offline);
    if (pair.commands != "-") WriteFile(file, pair.commands);
    const Outcome o = Send(file, {queue});
    EXPECT_EQ(o.status, cli::EXIT_USAGE);
    EXPECT_NE(o.err.find(pair.reason), std::string::npos) << o.err;
    EXPECT_EQ(JobCount(queue), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, QueueSendBrokenPairTest,
    ::testing::Values(
        BrokenPair{"NoOfflineDat", "-", kCommands, "settings.npa", "offline.dat (it belongs beside the command file)"},
        BrokenPair{"CommandFileCutShort", kOffline, kCommands.substr(0, kCommands.size() - 4), "settings.npa",
                   "cut short"},
        BrokenPair{"NoOnlineRecordAtTheEnd", kOffline, kCommands.substr(0, kCommands.size() - 28), "settings.npa",
                   "does not end with the online record"},
        BrokenPair{"OfflineDatIsACommandFile", kCommands, kCommands, "settings.npa", "offline.dat: "},
        BrokenPair{"TheFileNamedIsOfflineDat", kOffline, "-", "offline.dat", "is the offline record"},
        BrokenPair{"NoCommandFile", kOffline, "-", "settings.npa", "does not exist"}),
    [](const ::testing::TestParamInfo<BrokenPair>& info) { return info.param.name; });

TEST_F(QueueSendTest, NoQueueNamedIsBadUsage) {
    const Outcome o = Send(file_, {});
    EXPECT_EQ(o.status, cli::EXIT_USAGE);
    EXPECT_NE(o.err.find("--queue"), std::string::npos);
}

}  // namespace
