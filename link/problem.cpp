// SlcLastProblem(): one sentence per failed operation that says what could not be done, why,
// and what the user can do about it.
#include <cerrno>
#include <system_error>

#include "link/link_private.h"

void SlcSetProblem(const std::string& sentence) {
    SlcGlobals().lastProblem = sentence;
    SlcLog(SLC_LOG_PUBLIC, "SlcLastProblem(): %s\n", sentence.c_str());
}

std::string SlcErrnoText(int error) {
    if (error == 0) return "unknown error";
    // The standard library's text of an errno value, thread-safe on every system we build for.
    return std::generic_category().message(error);
}

std::string SlcErrnoReason(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "permission denied: add your user to the lp group (see the README, 'Using a real printer')";
    case EBUSY:
        return "busy: another program or the print system (CUPS) holds it";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "missing: is the printer connected and the kernel module (lp / ppdev, or usblp for USB) loaded?";
    default:
        return SlcErrnoText(error);
    }
}

int SlcFinishOperation(const std::string& portName, int result) {
    SlcState& g = SlcGlobals();
    if (result >= 0) {
        g.lastProblem.clear();
        return result;
    }
    if (!g.lastProblem.empty()) return result;
    const uint32_t waitMs = SlcTimingTable().responseWaitMs;
    switch (result) {
    case SLC_NOT_OPEN:
        SlcSetProblem("the port " + portName + " is not open");
        break;
    case SLC_REFUSED:
        SlcSetProblem("the request to the printer on " + portName + " could not be sent or was refused");
        break;
    case SLC_REJECTED:
        SlcSetProblem("the printer on " + portName + " rejected the request");
        break;
    case SLC_SEND_WRITEFAIL:
        SlcSetProblem("the command did not go out to the printer on " + portName +
                      ": is it switched on and connected?");
        break;
    case SLC_SEND_READFAIL:
        SlcSetProblem("the printer on " + portName + " did not answer within " + std::to_string(waitMs) +
                      " ms: is it switched on and connected?");
        break;
    case SLC_SEND_TOOLARGE:
        SlcSetProblem("the printer on " + portName + " sent a reply larger than the link can take");
        break;
    default:
        SlcSetProblem("the operation on " + portName + " failed");
        break;
    }
    return result;
}
