#include "cli/queue_send.h"

#include "platform/linux/cups_jobs.h"

namespace cli {
namespace {

using platform::linux_impl::CupsJobState;

// The default CUPS server (CUPS_SERVER, client.conf or the local socket).
class CupsQueues : public PrintQueues {
public:
    bool connect(std::string& error) override { return answer(jobs_.connect(), error); }

    int submitRaw(const std::string& queue, const std::string& title, const std::string& bytes,
                  std::string& error) override {
        const int job = jobs_.submitRaw(queue, title, bytes);
        answer(job > 0, error);
        return job;
    }

    std::optional<JobState> state(int jobId, std::string& error) override {
        std::string message;
        const auto state = jobs_.state(jobId, &message);
        if (!state) {
            error = jobs_.error();
            return std::nullopt;
        }
        switch (*state) {
            case CupsJobState::Completed: return JobState::Completed;
            case CupsJobState::Canceled:
            case CupsJobState::Aborted:
                error = std::string("the print server reports it ") + platform::linux_impl::JobStateName(*state) +
                        (message.empty() ? std::string() : " (" + message + ")");
                return JobState::Failed;
            default: return JobState::Waiting;
        }
    }

    std::optional<std::vector<int>> jobsBetween(const std::string& queue, int after, int before,
                                                std::string& error) override {
        auto ids = jobs_.jobsBetween(queue, after, before);
        if (!ids) error = jobs_.error();
        return ids;
    }

    void cancel(int jobId) override { jobs_.cancel(jobId); }

private:
    bool answer(bool ok, std::string& error) {
        if (!ok) error = jobs_.error();
        return ok;
    }

    platform::linux_impl::CupsJobs jobs_;
};

}  // namespace

std::unique_ptr<PrintQueues> MakeSystemPrintQueues() { return std::make_unique<CupsQueues>(); }

}  // namespace cli
