// devpanel-cli online: the printer's online request on its own, for a printer that a program
// killed in the middle of an apply (kill -9, a power cut) left offline. It is the last step of
// every apply: on a two-way port the link registers for the printer's alert, asks it to go
// online, judges its response and alert, and deregisters; the answer says whether the printer
// confirmed. A port that can only be written gets the offline and online records in their
// order (a lone online record is never copied to a one-way port), and nothing can confirm them.
#include <ostream>

#include "cli/commands_private.h"
#include "link/slc.h"
#include "transactions/transactions.h"

namespace cli {

int CommandOnline(const std::string& port, std::ostream& out, std::ostream& err) {
    const int opened = SlcOpenPort(port.c_str());
    if (opened != SLC_OK && opened != SLC_UNIDIRECTIONAL) {
        err << "devpanel-cli: the port " << port << " could not be opened" << Because(SlcLastProblem()) << "\n";
        NpaEndSession(port);
        return EXIT_OPEN;
    }
    if (opened == SLC_UNIDIRECTIONAL) {
        const bool recorded = SlcOffline(port.c_str(), 1) == SLC_OK && SlcOffline(port.c_str(), 0) == SLC_OK;
        std::string problem = SlcLastProblem();
        // Closing copies the records to the printer.
        const bool copied = SlcClosePort(port.c_str()) == SLC_OK;
        if (recorded && copied) problem.clear();
        else if (problem.empty()) problem = SlcLastProblem();
        NpaEndSession(port);
        if (!recorded || !copied) {
            err << "devpanel-cli: the online request could not be sent to " << port << Because(problem)
                << "; put the printer online on its operator panel\n";
            return EXIT_WRITE;
        }
        out << "Sent the online request to " << port << ".\n";
        err << "devpanel-cli: " << port << " can only be written, so the printer cannot confirm it: see its "
            << "operator panel\n";
        return EXIT_OK;
    }
    const bool online = SlcOffline(port.c_str(), 0) == SLC_OK;
    const std::string problem = SlcLastProblem();
    NpaEndSession(port);
    if (!online) {
        err << "devpanel-cli: the printer on " << port << " did not confirm the online request" << Because(problem)
            << "; check that it is connected and switched on, or put it online on its operator panel\n";
        return EXIT_WRITE;
    }
    out << "The printer on " << port << " confirmed the online request: it is online.\n";
    return EXIT_OK;
}

}  // namespace cli
