#include "platform/linux/cups_jobs.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>

#include "platform/linux/cups_library.h"

namespace platform::linux_impl {
namespace {

// Queue names may hold characters that a URI path may not; everything but the unreserved ones
// is escaped.
std::string printerUri(const std::string& queue) {
    std::string uri = "ipp://localhost/printers/";
    for (unsigned char c : queue) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri;
}

bool Succeeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

// Frees an IPP response on every path.
struct Response {
    const CupsLibrary* cups;
    ipp_t* ipp;
    ~Response() {
        if (ipp != nullptr) cups->ippDelete(ipp);
    }
};

}  // namespace

bool IsFinalJobState(CupsJobState state) {
    return state == CupsJobState::Canceled || state == CupsJobState::Aborted || state == CupsJobState::Completed;
}

const char* JobStateName(CupsJobState state) {
    switch (state) {
        case CupsJobState::Pending: return "pending";
        case CupsJobState::Held: return "held";
        case CupsJobState::Processing: return "processing";
        case CupsJobState::Stopped: return "stopped";
        case CupsJobState::Canceled: return "canceled";
        case CupsJobState::Aborted: return "aborted";
        case CupsJobState::Completed: return "completed";
    }
    return "unknown";
}

CupsJobs::~CupsJobs() {
    if (http_ != nullptr) CupsLibrary::Get()->httpClose(http_);
}

void CupsJobs::setLastError(const std::string& doing) {
    const CupsLibrary* cups = CupsLibrary::Get();
    const char* text = cups->cupsLastErrorString();
    error_ = doing + ": " + (text != nullptr && *text != '\0' ? text : "the print server gave no reason");
}

bool CupsJobs::connect() {
    const CupsLibrary* cups = CupsLibrary::Get();
    if (cups == nullptr) {
        error_ = "libcups (libcups.so.2) could not be loaded";
        return false;
    }
    if (http_ != nullptr) return true;
    const char* server = cups->cupsServer();
    http_ = cups->httpConnect2(server, cups->ippPort(), nullptr, AF_UNSPEC, cups->cupsEncryption(), 1, connectMs_,
                               nullptr);
    if (http_ == nullptr) {
        error_ = std::string("the print server ") + (server != nullptr ? server : "") + " cannot be reached";
        return false;
    }
    cups->httpSetTimeout(http_, requestMs_ / 1000.0, GiveUpAtTimeout, nullptr);
    return true;
}

int CupsJobs::submitRaw(const std::string& queue, const std::string& title, const std::string& bytes) {
    if (!connect()) return 0;
    const CupsLibrary* cups = CupsLibrary::Get();
    const int job = cups->cupsCreateJob(http_, queue.c_str(), title.c_str(), 0, nullptr);
    if (job <= 0) {
        setLastError("the job could not be created");
        // libcups does not say clearly that the queue is unknown; the server does when asked.
        ipp_t* request = cups->ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        const std::string uri = printerUri(queue);
        cups->ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
        cups->ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                           "printer-state");
        Response response{cups, cups->cupsDoRequest(http_, request, "/")};
        const ipp_status_t status =
            response.ipp != nullptr ? cups->ippGetStatusCode(response.ipp) : cups->cupsLastError();
        if (status == IPP_STATUS_ERROR_NOT_FOUND) error_ = "the print server has no queue named " + queue;
        return 0;
    }
    // The bytes go as the one and last document of the job, as they are.
    bool sent = cups->cupsStartDocument(http_, queue.c_str(), job, title.c_str(), CUPS_FORMAT_RAW, 1) ==
                HTTP_STATUS_CONTINUE;
    constexpr size_t kChunk = 64 * 1024;
    for (size_t pos = 0; sent && pos < bytes.size(); pos += kChunk) {
        const size_t length = std::min(kChunk, bytes.size() - pos);
        sent = cups->cupsWriteRequestData(http_, bytes.data() + pos, length) == HTTP_STATUS_CONTINUE;
    }
    const ipp_status_t finished = cups->cupsFinishDocument(http_, queue.c_str());
    if (!sent || !Succeeded(finished)) {
        setLastError("the data of job " + std::to_string(job) + " could not be sent");
        cancel(job);
        return 0;
    }
    return job;
}

std::optional<CupsJobState> CupsJobs::state(int jobId, std::string* message) {
    if (!connect()) return std::nullopt;
    const CupsLibrary* cups = CupsLibrary::Get();
    ipp_t* request = cups->ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string jobUri = "ipp://localhost/jobs/" + std::to_string(jobId);
    cups->ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, jobUri.c_str());
    Response response{cups, cups->cupsDoRequest(http_, request, "/jobs/")};
    if (response.ipp == nullptr || !Succeeded(cups->ippGetStatusCode(response.ipp))) {
        setLastError("the state of job " + std::to_string(jobId) + " cannot be read");
        return std::nullopt;
    }
    ipp_attribute_t* attr = cups->ippFindAttribute(response.ipp, "job-state", IPP_TAG_ENUM);
    if (attr == nullptr) {
        error_ = "the print server did not say the state of job " + std::to_string(jobId);
        return std::nullopt;
    }
    if (message != nullptr) {
        message->clear();
        if (ipp_attribute_t* text = cups->ippFindAttribute(response.ipp, "job-printer-state-message", IPP_TAG_TEXT))
            if (const char* value = cups->ippGetString(text, 0, nullptr)) *message = value;
    }
    switch (cups->ippGetInteger(attr, 0)) {
        case IPP_JSTATE_PENDING: return CupsJobState::Pending;
        case IPP_JSTATE_HELD: return CupsJobState::Held;
        case IPP_JSTATE_PROCESSING: return CupsJobState::Processing;
        case IPP_JSTATE_STOPPED: return CupsJobState::Stopped;
        case IPP_JSTATE_CANCELED: return CupsJobState::Canceled;
        case IPP_JSTATE_ABORTED: return CupsJobState::Aborted;
        case IPP_JSTATE_COMPLETED: return CupsJobState::Completed;
        default: break;
    }
    error_ = "the print server said an unknown state of job " + std::to_string(jobId);
    return std::nullopt;
}

std::optional<std::vector<int>> CupsJobs::jobsBetween(const std::string& queue, int after, int before) {
    std::vector<int> ids;
    // Job ids are counted across the whole server: consecutive ids leave no room for another job.
    if (before - after <= 1) return ids;
    if (!connect()) return std::nullopt;
    const CupsLibrary* cups = CupsLibrary::Get();
    ipp_t* request = cups->ippNewRequest(IPP_OP_GET_JOBS);
    const std::string uri = printerUri(queue);
    cups->ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    cups->ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    cups->ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "first-job-id", after + 1);
    cups->ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "job-id");
    Response response{cups, cups->cupsDoRequest(http_, request, "/")};
    if (response.ipp == nullptr || !Succeeded(cups->ippGetStatusCode(response.ipp))) {
        setLastError("the jobs of " + queue + " cannot be listed");
        return std::nullopt;
    }
    for (ipp_attribute_t* attr = cups->ippFindAttribute(response.ipp, "job-id", IPP_TAG_INTEGER); attr != nullptr;
         attr = cups->ippFindNextAttribute(response.ipp, "job-id", IPP_TAG_INTEGER)) {
        const int id = cups->ippGetInteger(attr, 0);
        if (id > after && id < before) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

void CupsJobs::cancel(int jobId) {
    if (http_ == nullptr) return;
    CupsLibrary::Get()->cupsCancelJob2(http_, nullptr, jobId, 0);
}

}  // namespace platform::linux_impl
