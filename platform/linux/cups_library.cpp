#include "platform/linux/cups_library.h"

#include <dlfcn.h>

namespace platform::linux_impl {
namespace {

template <typename Function>
bool Resolve(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(library, name));
    return out != nullptr;
}

const CupsLibrary* Load() {
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static CupsLibrary cups;
    const bool complete = Resolve(library, "httpConnect2", cups.httpConnect2) &&
                          Resolve(library, "httpClose", cups.httpClose) &&
                          Resolve(library, "httpSetTimeout", cups.httpSetTimeout) &&
                          Resolve(library, "cupsServer", cups.cupsServer) &&
                          Resolve(library, "ippPort", cups.ippPort) &&
                          Resolve(library, "cupsEncryption", cups.cupsEncryption) &&
                          Resolve(library, "cupsGetDests2", cups.cupsGetDests2) &&
                          Resolve(library, "cupsFreeDests", cups.cupsFreeDests) &&
                          Resolve(library, "cupsGetOption", cups.cupsGetOption) &&
                          Resolve(library, "cupsLastError", cups.cupsLastError) &&
                          Resolve(library, "cupsLastErrorString", cups.cupsLastErrorString) &&
                          Resolve(library, "cupsCreateJob", cups.cupsCreateJob) &&
                          Resolve(library, "cupsStartDocument", cups.cupsStartDocument) &&
                          Resolve(library, "cupsWriteRequestData", cups.cupsWriteRequestData) &&
                          Resolve(library, "cupsFinishDocument", cups.cupsFinishDocument) &&
                          Resolve(library, "cupsCancelJob2", cups.cupsCancelJob2) &&
                          Resolve(library, "cupsDoRequest", cups.cupsDoRequest) &&
                          Resolve(library, "ippNewRequest", cups.ippNewRequest) &&
                          Resolve(library, "ippAddString", cups.ippAddString) &&
                          Resolve(library, "ippAddInteger", cups.ippAddInteger) &&
                          Resolve(library, "ippFindAttribute", cups.ippFindAttribute) &&
                          Resolve(library, "ippFindNextAttribute", cups.ippFindNextAttribute) &&
                          Resolve(library, "ippGetInteger", cups.ippGetInteger) &&
                          Resolve(library, "ippGetString", cups.ippGetString) &&
                          Resolve(library, "ippGetStatusCode", cups.ippGetStatusCode) &&
                          Resolve(library, "ippDelete", cups.ippDelete);
    return complete ? &cups : nullptr;
}

}  // namespace

const CupsLibrary* CupsLibrary::Get() {
    static const CupsLibrary* const loaded = Load();
    return loaded;
}

}  // namespace platform::linux_impl
