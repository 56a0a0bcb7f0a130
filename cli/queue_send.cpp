#include "cli/queue_send.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>
#include <set>
#include <thread>

#include "cli/cli.h"
#include "cli/commands_private.h"
#include "link/timing.h"
#include "platform/interruption.h"
#include "platform/paths.h"
#include "platform/whole_files.h"
#include "protocol/packets.h"
#include "transactions/transactions.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

// A command file and its offline record are a few kilobytes; anything near this is not one.
constexpr size_t kCommandFileLimit = 16 * 1024 * 1024;

// The whole regular file at path, or why not ("" when read).
std::string ReadPairFile(const std::string& path, std::string& bytes) {
    int error = 0;
    switch (platform::ReadWholeFile(path, kCommandFileLimit, bytes, error)) {
        case platform::ReadWholeStatus::Ok: return {};
        case platform::ReadWholeStatus::Missing: return "it does not exist";
        case platform::ReadWholeStatus::Link:
        case platform::ReadWholeStatus::NotRegular: return "it is not a regular file";
        case platform::ReadWholeStatus::TooLarge: return "it is far larger than any command file";
        case platform::ReadWholeStatus::Failed: break;
    }
    return std::strerror(error);
}

// The start packet and the online record: what brings a printer back online when the command
// file cannot follow its offline record.
std::string OnlineRecord() {
    std::string bytes(npa::kStart.begin(), npa::kStart.end());
    bytes.append(npa::kFileOnline.begin(), npa::kFileOnline.end());
    return bytes;
}

// One queue's way through the deployment.
struct QueueRun {
    enum class Step { OfflineQueued, Pausing, FileQueued, Done, Failed };
    std::string queue;
    Step step = Step::Failed;
    int status = EXIT_OK;
    int offlineJob = 0;
    int fileJob = 0;
    Clock::time_point since;  // when the current job was queued, or the pause ends
};

class Deployment {
public:
    Deployment(PrintQueues& server, const QueueSendSettings& settings, std::string fileName, std::string offline,
               std::string commands, std::ostream& out, std::ostream& err)
        : server_(server), settings_(settings), fileName_(std::move(fileName)), offline_(std::move(offline)),
          commands_(std::move(commands)), out_(out), err_(err) {}

    int run(const std::vector<std::string>& queues, const std::atomic<bool>& interrupted);

private:
    void start(QueueRun& q);
    void advance(QueueRun& q);
    void fail(QueueRun& q, int status, const std::string& why, bool mayBeOffline);
    void stop(QueueRun& q);
    bool waitedTooLong(const QueueRun& q) const { return Clock::now() - q.since > settings_.jobWait; }
    std::string waitedText() const {
        return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(settings_.jobWait).count()) + " s";
    }

    PrintQueues& server_;
    const QueueSendSettings& settings_;
    std::string fileName_;
    std::string offline_;
    std::string commands_;
    std::ostream& out_;
    std::ostream& err_;
};

void Deployment::start(QueueRun& q) {
    std::string why;
    q.offlineJob = server_.submitRaw(q.queue, kOfflineFileName, offline_, why);
    if (q.offlineJob <= 0) {
        fail(q, EXIT_OPEN, "nothing was sent: " + why, false);
        return;
    }
    q.step = QueueRun::Step::OfflineQueued;
    q.since = Clock::now();
}

// A queue that ends early. When its offline job may have reached the printer, the online
// record follows on its own, so that the printer is not left offline.
void Deployment::fail(QueueRun& q, int status, const std::string& why, bool mayBeOffline) {
    q.step = QueueRun::Step::Failed;
    q.status = std::max(q.status, status);
    err_ << "devpanel-cli: " << q.queue << ": " << why << "\n";
    if (!mayBeOffline) return;
    std::string problem;
    const int online = server_.submitRaw(q.queue, "online record", OnlineRecord(), problem);
    if (online > 0)
        err_ << "devpanel-cli: " << q.queue << ": the online record was queued as job " << online
             << " so that the printer does not stay offline\n";
    else
        err_ << "devpanel-cli: " << q.queue << ": the online record could not be queued either (" << problem
             << "): the printer may be offline; put it online on its operator panel\n";
}

void Deployment::advance(QueueRun& q) {
    std::string why;
    switch (q.step) {
        case QueueRun::Step::OfflineQueued: {
            const auto state = server_.state(q.offlineJob, why);
            if (!state) {
                // Withdrawn if it can still be: printing later, alone, it would leave the printer offline.
                server_.cancel(q.offlineJob);
                fail(q, EXIT_WRITE, "offline.dat (job " + std::to_string(q.offlineJob) + "): " + why, true);
            } else if (*state == PrintQueues::JobState::Completed) {
                q.step = QueueRun::Step::Pausing;
                q.since = Clock::now() + std::chrono::milliseconds(SlcTimingTable().copyPauseMs);
            } else if (*state == PrintQueues::JobState::Failed) {
                fail(q, EXIT_WRITE, "offline.dat (job " + std::to_string(q.offlineJob) + ") did not print: " + why,
                     true);
            } else if (waitedTooLong(q)) {
                // Withdrawn, so that it cannot take the printer offline later with nothing after it.
                server_.cancel(q.offlineJob);
                fail(q, EXIT_WRITE,
                     "offline.dat (job " + std::to_string(q.offlineJob) + ") did not print within " + waitedText() +
                         "; it was cancelled",
                     true);
            }
            return;
        }
        case QueueRun::Step::Pausing: {
            if (Clock::now() < q.since) return;
            q.fileJob = server_.submitRaw(q.queue, fileName_, commands_, why);
            if (q.fileJob <= 0) {
                fail(q, EXIT_WRITE, "offline.dat printed as job " + std::to_string(q.offlineJob) + ", but " +
                                        fileName_ + " could not be queued: " + why,
                     true);
                return;
            }
            q.step = QueueRun::Step::FileQueued;
            q.since = Clock::now();
            // Whatever printed between the two reached a printer that was offline.
            if (auto between = server_.jobsBetween(q.queue, q.offlineJob, q.fileJob, why); !between) {
                err_ << "devpanel-cli: warning: " << q.queue << ": cannot tell whether another job was queued between "
                     << "jobs " << q.offlineJob << " and " << q.fileJob << ": " << why << "\n";
            } else if (!between->empty()) {
                err_ << "devpanel-cli: warning: " << q.queue << ": another job was queued between offline.dat and "
                     << fileName_ << " (job";
                for (int id : *between) err_ << " " << id;
                err_ << "); it reached the printer while it was offline\n";
            }
            return;
        }
        case QueueRun::Step::FileQueued: {
            const auto state = server_.state(q.fileJob, why);
            const std::string job = fileName_ + " (job " + std::to_string(q.fileJob) + ")";
            if (!state) {
                q.step = QueueRun::Step::Failed;
                q.status = EXIT_WRITE;
                err_ << "devpanel-cli: " << q.queue << ": " << job << " was queued, but " << why << "\n";
            } else if (*state == PrintQueues::JobState::Completed) {
                q.step = QueueRun::Step::Done;
                out_ << q.queue << ": offline.dat as job " << q.offlineJob << ", " << fileName_ << " as job "
                     << q.fileJob << ".\n";
            } else if (*state == PrintQueues::JobState::Failed) {
                fail(q, EXIT_WRITE, job + " did not print: " + why, true);
            } else if (waitedTooLong(q)) {
                // Left queued: when it prints, it brings the printer back online.
                q.step = QueueRun::Step::Failed;
                q.status = EXIT_WRITE;
                err_ << "devpanel-cli: " << q.queue << ": " << job << " did not print within " << waitedText()
                     << "; it stays queued, and the printer stays offline until it prints\n";
            }
            return;
        }
        case QueueRun::Step::Done:
        case QueueRun::Step::Failed: return;
    }
}

// Ctrl-C: a queue whose command file is not yet queued gives up; its offline job is withdrawn
// if it has not printed, and the online record follows. A queued command file is left to print.
void Deployment::stop(QueueRun& q) {
    if (q.step == QueueRun::Step::OfflineQueued) server_.cancel(q.offlineJob);
    if (q.step == QueueRun::Step::OfflineQueued || q.step == QueueRun::Step::Pausing) {
        fail(q, EXIT_WRITE, "interrupted before " + fileName_ + " was queued", true);
    } else if (q.step == QueueRun::Step::FileQueued) {
        q.step = QueueRun::Step::Failed;
        q.status = EXIT_WRITE;
        err_ << "devpanel-cli: " << q.queue << ": interrupted; " << fileName_ << " stays queued as job " << q.fileJob
             << "\n";
    }
}

int Deployment::run(const std::vector<std::string>& queues, const std::atomic<bool>& interrupted) {
    std::vector<QueueRun> runs;
    std::set<std::string> seen;
    for (const std::string& queue : queues) {
        // The same queue twice would interleave its two pairs of jobs.
        if (!seen.insert(queue).second) continue;
        QueueRun run;
        run.queue = queue;
        runs.push_back(std::move(run));
    }
    for (QueueRun& q : runs) {
        if (!interrupted.load()) {
            start(q);
        } else {
            q.status = EXIT_WRITE;
            err_ << "devpanel-cli: " << q.queue << ": interrupted; nothing was sent\n";
        }
    }
    auto active = [](const QueueRun& q) {
        return q.step == QueueRun::Step::OfflineQueued || q.step == QueueRun::Step::Pausing ||
               q.step == QueueRun::Step::FileQueued;
    };
    while (std::any_of(runs.begin(), runs.end(), active)) {
        if (interrupted.load()) {
            for (QueueRun& q : runs) stop(q);
            break;
        }
        for (QueueRun& q : runs) advance(q);
        if (std::any_of(runs.begin(), runs.end(), active)) std::this_thread::sleep_for(settings_.pollInterval);
    }
    int status = EXIT_OK;
    for (const QueueRun& q : runs) status = std::max(status, q.status);
    return status;
}

}  // namespace

int SendToQueues(const std::string& file, const std::vector<std::string>& queues, PrintQueues& server,
                 const QueueSendSettings& settings, std::ostream& out, std::ostream& err) {
    if (queues.empty()) {
        err << "devpanel-cli: name at least one print queue with --queue\n";
        return EXIT_USAGE;
    }
    if (IsOfflineFileName(file)) {
        err << "devpanel-cli: " << file << " is the offline record; name the command file beside it\n";
        return EXIT_USAGE;
    }
    const std::string offlinePath = platform::SiblingPath(file, kOfflineFileName);
    std::string offline, commands;
    if (std::string why = ReadPairFile(offlinePath, offline); !why.empty()) {
        err << "devpanel-cli: cannot read " << offlinePath << " (it belongs beside the command file): " << why << "\n";
        return EXIT_USAGE;
    }
    if (std::string why = ReadPairFile(file, commands); !why.empty()) {
        err << "devpanel-cli: cannot read " << file << ": " << why << "\n";
        return EXIT_USAGE;
    }
    // The same check as a send to a port: a pair that is cut short would leave every printer
    // offline, so nothing goes to any queue.
    std::vector<std::vector<uint8_t>> settingsPackets;
    std::string why;
    if (!NpaSplitCommandFile(std::vector<uint8_t>(offline.begin(), offline.end()),
                             std::vector<uint8_t>(commands.begin(), commands.end()), settingsPackets, why)) {
        err << "devpanel-cli: nothing was sent: " << why << "\n";
        return EXIT_USAGE;
    }
    if (!server.connect(why)) {
        err << "devpanel-cli: nothing was sent: " << why << "\n";
        return EXIT_OPEN;
    }
    std::atomic<bool> interrupted{false};
    platform::InterruptionWatch watch(interrupted);
    Deployment deployment(server, settings, platform::FileNameOfPath(file), std::move(offline), std::move(commands),
                          out, err);
    return deployment.run(queues, interrupted);
}

int SendToQueues(const std::string& file, const std::vector<std::string>& queues, std::ostream& out,
                 std::ostream& err) {
    std::unique_ptr<PrintQueues> server = MakeSystemPrintQueues();
    if (!server) {
        err << "devpanel-cli: this system has no print queues to send to; name a port with --port instead\n";
        return EXIT_OPEN;
    }
    return SendToQueues(file, queues, *server, QueueSendSettings{}, out, err);
}

}  // namespace cli
