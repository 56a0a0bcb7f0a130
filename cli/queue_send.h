// `devpanel-cli send FILE --queue QUEUE...`: deploys a command file to printers that this
// computer reaches only through print queues (often network printers). Each queue gets two raw
// jobs, as the link's one-way copy gives a port its two files: "offline.dat", then, once the
// print server reports that job completed and the link's copy pause (SlcTiming::copyPauseMs)
// has passed, the command file itself. The pair is checked whole before any queue is touched.
//
// Once a queue's offline job may have reached the printer, the printer must not be left
// offline: when the command file cannot follow (its job failed, the user pressed Ctrl-C), a
// job with only the online record goes to that queue instead, and the report says so.
//
// queue_send.cpp holds the sequence; linux/queue_send.cpp reaches CUPS through libcups,
// windows/queue_send.cpp has no print queues to offer.
#pragma once

#include <chrono>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The print server's queues, as the deployment uses them. Every call blocks for at most the
// server's request bound; none throws. Failures come back with a sentence in error.
class PrintQueues {
public:
    enum class JobState { Waiting, Completed, Failed };

    virtual ~PrintQueues() = default;
    // Reaches the server. False when it cannot be reached (nothing was queued).
    virtual bool connect(std::string& error) = 0;
    // Queues bytes, unchanged, as one raw job titled title. The job id (> 0), or 0.
    virtual int submitRaw(const std::string& queue, const std::string& title, const std::string& bytes,
                          std::string& error) = 0;
    // Where job jobId stands; nullopt when the server cannot say. Failed carries the server's
    // reason in error.
    virtual std::optional<JobState> state(int jobId, std::string& error) = 0;
    // Ids of the jobs on queue (any state) with after < id < before; nullopt when unknown.
    virtual std::optional<std::vector<int>> jobsBetween(const std::string& queue, int after, int before,
                                                        std::string& error) = 0;
    // Withdraws a job that has not printed yet (best effort).
    virtual void cancel(int jobId) = 0;
};

// The system's print server (CUPS through libcups); nullptr where the build has none.
std::unique_ptr<PrintQueues> MakeSystemPrintQueues();

struct QueueSendSettings {
    // How long a job may wait in its queue before the deployment to that queue gives up. An
    // offline job still waiting then is cancelled, so that it cannot print later on its own.
    std::chrono::milliseconds jobWait{10 * 60 * 1000};
    // How often the server is asked about the jobs.
    std::chrono::milliseconds pollInterval{250};
};

// Sends the pair FILE + "offline.dat" beside it to every queue as described above, reporting
// each queue's job ids on out and its errors and warnings (another job queued between the two)
// on err. The exit status: EXIT_OK when every queue printed both jobs; EXIT_USAGE when no queue
// is named or the pair is not whole (nothing sent); EXIT_OPEN when the print server cannot be
// reached or a queue does not exist; EXIT_WRITE when a job failed or was not confirmed in time
// (the highest status of all queues). Ctrl-C stops the deployment cleanly.
int SendToQueues(const std::string& file, const std::vector<std::string>& queues, std::ostream& out,
                 std::ostream& err);
// The same on a given server with given bounds (tests).
int SendToQueues(const std::string& file, const std::vector<std::string>& queues, PrintQueues& server,
                 const QueueSendSettings& settings, std::ostream& out, std::ostream& err);

}  // namespace cli
