// Raw print jobs on the queues of the CUPS server: the bytes of a command file go to a queue
// unchanged (document format application/vnd.cups-raw, so no filter rewrites them) and the
// scheduler is asked what became of each job. For deploying a command file to a printer that
// this computer reaches only through a queue, often a network printer.
#pragma once

#include <optional>
#include <string>
#include <vector>

typedef struct _http_s http_t;

namespace platform::linux_impl {

// What the scheduler says of a job (the IPP job-state values).
enum class CupsJobState { Pending, Held, Processing, Stopped, Canceled, Aborted, Completed };

// True for the states a job never leaves.
bool IsFinalJobState(CupsJobState state);
// "pending", "held", ... for messages.
const char* JobStateName(CupsJobState state);

// One connection to the default server (cupsServer(): CUPS_SERVER, client.conf or the local
// socket). Every call runs on the caller's thread and blocks for at most the connection bound
// (connect) or the request bound (each other call) plus about a second that libcups adds; a
// server that stops answering makes the call fail, it never hangs. Not thread-safe: one thread
// per object.
class CupsJobs {
public:
    explicit CupsJobs(int connectMs = 5000, int requestMs = 30000) : connectMs_(connectMs), requestMs_(requestMs) {}
    ~CupsJobs();
    CupsJobs(const CupsJobs&) = delete;
    CupsJobs& operator=(const CupsJobs&) = delete;

    // Loads libcups and connects. False, with the reason in error(), when the library is missing
    // or the server cannot be reached.
    bool connect();
    // Submits bytes as one raw job titled title on queue. The job id (> 0), or 0 with the
    // reason in error() (a queue that does not exist says so). A job whose data could not be
    // sent whole is cancelled, so that no partial command file can print.
    int submitRaw(const std::string& queue, const std::string& title, const std::string& bytes);
    // The state of job jobId; nullopt with error() when the server cannot say. message gets the
    // scheduler's last word on the job (the backend's complaint for an aborted one), if any.
    std::optional<CupsJobState> state(int jobId, std::string* message = nullptr);
    // The ids of the jobs on queue, in any state, whose ids lie strictly between after and
    // before: jobs another program queued there in the meantime. nullopt with error() when the
    // server cannot say.
    std::optional<std::vector<int>> jobsBetween(const std::string& queue, int after, int before);
    // Cancels job jobId (best effort, for a job that must not print half).
    void cancel(int jobId);

    const std::string& error() const { return error_; }

private:
    // The reason of libcups's last failure, with what was being done.
    void setLastError(const std::string& doing);

    int connectMs_;
    int requestMs_;
    http_t* http_ = nullptr;
    std::string error_;
};

}  // namespace platform::linux_impl
