// libcups, loaded on first use rather than at program start: most runs of the GUI (and every run
// on the virtual printer) never ask for the printer list, and loading the library costs start-up
// time. Only the calls the printer list and the raw jobs of cups_jobs.cpp make are resolved.
#pragma once

#include <cups/cups.h>

namespace platform::linux_impl {

struct CupsLibrary {
    decltype(&::httpConnect2) httpConnect2;
    decltype(&::httpClose) httpClose;
    decltype(&::httpSetTimeout) httpSetTimeout;
    decltype(&::cupsServer) cupsServer;
    decltype(&::ippPort) ippPort;
    decltype(&::cupsEncryption) cupsEncryption;
    decltype(&::cupsGetDests2) cupsGetDests2;
    decltype(&::cupsFreeDests) cupsFreeDests;
    decltype(&::cupsGetOption) cupsGetOption;
    decltype(&::cupsLastError) cupsLastError;
    // Raw jobs and their states (cups_jobs.cpp).
    decltype(&::cupsLastErrorString) cupsLastErrorString;
    decltype(&::cupsCreateJob) cupsCreateJob;
    decltype(&::cupsStartDocument) cupsStartDocument;
    decltype(&::cupsWriteRequestData) cupsWriteRequestData;
    decltype(&::cupsFinishDocument) cupsFinishDocument;
    decltype(&::cupsCancelJob2) cupsCancelJob2;
    decltype(&::cupsDoRequest) cupsDoRequest;
    decltype(&::ippNewRequest) ippNewRequest;
    decltype(&::ippAddString) ippAddString;
    decltype(&::ippAddInteger) ippAddInteger;
    decltype(&::ippFindAttribute) ippFindAttribute;
    decltype(&::ippFindNextAttribute) ippFindNextAttribute;
    decltype(&::ippGetInteger) ippGetInteger;
    decltype(&::ippGetString) ippGetString;
    decltype(&::ippGetStatusCode) ippGetStatusCode;
    decltype(&::ippDelete) ippDelete;

    // The library with every entry point resolved, or nullptr when it or one of them is missing
    // (then the printer list cannot be read). Loaded once; thread-safe; never unloaded.
    static const CupsLibrary* Get();
};

// The timeout callback for httpSetTimeout: a request that has waited its timeout gives up instead
// of waiting again, so that a server that stops answering costs a bounded time.
inline int GiveUpAtTimeout(http_t*, void*) { return 0; }

}  // namespace platform::linux_impl
